#pragma once
// Geometry modifiers: skinning by bone weight maps and morphing towards targets.

#include <cstdint>
#include <utility>
#include <vector>

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Animated.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/Node.h>

namespace tormakelin::kavro {

class IGeometry;

TORMAKELIN_KAVRO_API const core::UniqueId& skinModifierClassId();
TORMAKELIN_KAVRO_API const core::UniqueId& morphModifierClassId();

class TORMAKELIN_KAVRO_API IGeometryModifier {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual const core::UniqueId& getClassId() = 0;
    virtual IGeometry* getGeometry() = 0;
    virtual void update(const UpdateContext& context) = 0;
    virtual void resolve(ISceneGraph* graph) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~IGeometryModifier() = default;
};

struct SkinInfluence {
    uint32_t vertex = 0;
    float weight = 0;
};

class TORMAKELIN_KAVRO_API ISkinWeightMap {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual ObjectRef<INode>& getBone() = 0;
    virtual std::vector<SkinInfluence>& getInfluences() = 0;
    virtual D3DXMATRIX& getOffsetMatrix() = 0;
    virtual const D3DXMATRIX& getBoneWorldMatrix() = 0;
    virtual void updateBoneWorldMatrix() = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ISkinWeightMap() = default;
};

class TORMAKELIN_KAVRO_API IMorphTarget {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 12 floats per vertex.
    virtual std::vector<float>& getVertices() = 0;
    virtual AnimatedFloat& getWeight() = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~IMorphTarget() = default;
};

TORMAKELIN_KAVRO_API ISkinWeightMap* createSkinWeightMap();
TORMAKELIN_KAVRO_API IMorphTarget* createMorphTarget();

struct SkinModifierCreateContext {
    D3DXMATRIX bindShape{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    core::UniqueId geometry{};
    std::vector<ISkinWeightMap*> weightMaps;
    uint32_t mode = 0;
};

struct MorphModifierCreateContext {
    core::UniqueId geometry{};
    std::vector<IMorphTarget*> targets;
};

class TORMAKELIN_KAVRO_API SkinModifier : public core::RefCounted<IGeometryModifier> {
public:
    static constexpr uint32_t kModeEffect = 1;

    SkinModifier();
    ~SkinModifier() override;
    SkinModifier(const SkinModifier&) = delete;
    SkinModifier& operator=(const SkinModifier&) = delete;

    bool create(const SkinModifierCreateContext& context);
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    const core::UniqueId& getClassId() override { return skinModifierClassId(); }
    IGeometry* getGeometry() override { return m_working; }
    void update(const UpdateContext& context) override;
    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    const std::vector<D3DXMATRIX>& getBoneMatrices() const { return m_boneMatrices; }
    const std::vector<ISkinWeightMap*>& getWeightMaps() const { return m_weightMaps; }
    uint32_t getMode() const { return m_mode; }

private:
    void limitInfluences();
    void clearWeightMaps();
    void skinOnProcessor();

    core::UniqueId m_id{};
    D3DXMATRIX m_bindShape{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    core::UniqueId m_sourceId{};
    IGeometry* m_source = nullptr;
    std::vector<ISkinWeightMap*> m_weightMaps;
    uint32_t m_mode = 0;
    IGeometry* m_working = nullptr;
    float m_lastTime;
    std::vector<D3DXMATRIX> m_boneMatrices;
};

class TORMAKELIN_KAVRO_API MorphModifier : public core::RefCounted<IGeometryModifier> {
public:
    MorphModifier();
    ~MorphModifier() override;
    MorphModifier(const MorphModifier&) = delete;
    MorphModifier& operator=(const MorphModifier&) = delete;

    bool create(const MorphModifierCreateContext& context);
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    const core::UniqueId& getClassId() override { return morphModifierClassId(); }
    IGeometry* getGeometry() override { return m_working; }
    void update(const UpdateContext& context) override;
    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    const std::vector<IMorphTarget*>& getTargets() const { return m_targets; }

private:
    void clearTargets();

    core::UniqueId m_id{};
    core::UniqueId m_sourceId{};
    std::vector<IMorphTarget*> m_targets;
    IGeometry* m_source = nullptr;
    IGeometry* m_working = nullptr;
    float m_lastTime;
};

}  // namespace tormakelin::kavro
