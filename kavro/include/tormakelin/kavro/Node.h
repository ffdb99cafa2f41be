#pragma once
// Scene nodes and their keyframed transformations.

#include <cstdint>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Animated.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/RenderPass.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::kavro {

class ISceneGraph;
class ISpline;

enum NodeType : uint32_t {
    NodeType_Node = 0,
    NodeType_Mesh = 1,
    NodeType_Camera = 2,
    NodeType_Light = 3,
    NodeType_ParticleSystem = 4,
    NodeType_Flare = 5,
    NodeType_LensFlare = 6,
};

enum NodeAttribute : uint32_t { NodeAttribute_Hidden = 1 };

class TORMAKELIN_KAVRO_API Transformation {
public:
    void eval(float time);
    void setUserMatrix(const D3DXMATRIX& matrix) { m_matrix = matrix; }
    void enableUserMatrix(bool enable) { m_userMatrix = enable; }
    bool isUserMatrixEnabled() const { return m_userMatrix; }
    const D3DXMATRIX& getMatrix() const { return m_matrix; }
    bool serialize(Serializer* serializer);

    AnimatedVec3 position{D3DXVECTOR3(0, 0, 0)};
    AnimatedVec3 scale{D3DXVECTOR3(1, 1, 1)};
    AnimatedQuaternion rotation{D3DXQUATERNION(0, 0, 0, 1)};

private:
    D3DXMATRIX m_matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    bool m_userMatrix = false;
};

class TORMAKELIN_KAVRO_API NodeTransformation {
public:
    void eval(float time);
    bool serialize(Serializer* serializer);

    Transformation objectOffset;
    Transformation transform;
};

class TORMAKELIN_KAVRO_API INode {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual NodeType getType() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual const std::string& getName() = 0;
    virtual void setName(const std::string& name) = 0;
    virtual uint32_t getAttributes() = 0;
    virtual void setAttributes(uint32_t attributes) = 0;
    virtual void addSpline(ISpline* spline) = 0;
    virtual void removeSpline(const core::UniqueId& id) = 0;
    virtual void clearSplines() = 0;
    virtual const std::vector<ISpline*>& getSplines() = 0;
    virtual INode* getParent() = 0;
    virtual void setParent(INode* parent) = 0;
    virtual INode* getTarget() = 0;
    virtual void setTarget(INode* target) = 0;
    virtual std::vector<ObjectRef<INode>>& getChildren() = 0;
    virtual NodeTransformation& getTransformation() = 0;
    virtual const D3DXMATRIX& getWorldMatrix() = 0;
    virtual const core::AxisAlignedBoundingBox& getBoundingBox() = 0;
    virtual const core::AxisAlignedBoundingBox& getWorldBoundingBox() = 0;
    virtual void update(UpdateContext& context) = 0;
    virtual void render(RenderPass& pass) = 0;
    virtual void resolve(ISceneGraph* graph) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~INode() = default;
};

// An empty box: the minimum at the largest float, the maximum at the lowest.
TORMAKELIN_KAVRO_API core::AxisAlignedBoundingBox emptyBox();
TORMAKELIN_KAVRO_API bool isEmptyBox(const core::AxisAlignedBoundingBox& box);

class TORMAKELIN_KAVRO_API Node : public core::RefCounted<INode> {
public:
    Node();
    ~Node() override;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeType getType() override { return NodeType_Node; }
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    const std::string& getName() override { return m_name; }
    void setName(const std::string& name) override { m_name = name; }
    uint32_t getAttributes() override { return m_attributes; }
    void setAttributes(uint32_t attributes) override { m_attributes = attributes; }
    void addSpline(ISpline* spline) override;
    void removeSpline(const core::UniqueId& id) override;
    void clearSplines() override;
    const std::vector<ISpline*>& getSplines() override { return m_splines; }
    INode* getParent() override { return m_parent.object; }
    void setParent(INode* parent) override;
    INode* getTarget() override { return m_target.object; }
    void setTarget(INode* target) override { m_target.set(target); }
    std::vector<ObjectRef<INode>>& getChildren() override { return m_children; }
    NodeTransformation& getTransformation() override { return m_transformation; }
    const D3DXMATRIX& getWorldMatrix() override { return m_worldMatrix; }
    const core::AxisAlignedBoundingBox& getBoundingBox() override { return m_box; }
    const core::AxisAlignedBoundingBox& getWorldBoundingBox() override { return m_worldBox; }
    void update(UpdateContext& context) override;
    void render(RenderPass& pass) override;
    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    const core::UniqueId& getParentId() const { return m_parent.id; }
    const core::UniqueId& getTargetId() const { return m_target.id; }
    const D3DXMATRIX& getNodeWorldMatrix() const { return m_nodeWorldMatrix; }

protected:
    void renderChildren(RenderPass& pass);

    core::UniqueId m_id{};
    std::string m_name;
    uint32_t m_attributes = 0;
    ObjectRef<INode> m_parent;
    ObjectRef<INode> m_target;
    std::vector<ObjectRef<INode>> m_children;
    NodeTransformation m_transformation;
    D3DXMATRIX m_worldMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX m_nodeWorldMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    core::AxisAlignedBoundingBox m_box;
    core::AxisAlignedBoundingBox m_worldBox;
    std::vector<ISpline*> m_splines;
};

// A new node of the class for the type (count 0), or null for a type without one.
TORMAKELIN_KAVRO_API INode* createNode(uint32_t type);

}  // namespace tormakelin::kavro
