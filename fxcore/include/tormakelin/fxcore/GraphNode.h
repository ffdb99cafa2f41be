#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Transform.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>

#include <d3dx9math.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tormakelin::core {
class IKeyframe;
}

namespace tormakelin::fxcore {

class IGraph;
class IGraphNode;
class IResource;
class IScene;
class IScriptModule;
class ISerializer;
class LayerTracker;
struct NodeParameter;

enum GraphNodeType : int {
    kGraphNodePlain = 0,
    kGraphNodeEffect = 1,
    kGraphNodeNodeStack = 2,
    kGraphNodeRenderStack = 3,
    kGraphNodeCollection = 4,
};

// A per-layer override of one input: its value and, when animated, its track.
struct InstanceParameter {
    IParameter* parameter = nullptr;
    core::IKeyframe* keyframe = nullptr;
};

using InstanceParameterMap = std::map<core::UniqueId, InstanceParameter, core::UniqueIdLess>;

struct UpdateContext {
    // Seconds: the timeline's time, local to the layer inside a layer's graph.
    double time = 0.0;
    float delta = 0.0f;
    bool playing = false;
    bool editor = false;
    IScene* scene = nullptr;
    LayerTracker* tracker = nullptr;
    InstanceParameterMap instanceParameters;
};

struct RenderContext {
    float time = 0.0f;
    float delta = 0.0f;
    bool playing = false;
    bool editor = false;
    InstanceParameterMap instanceParameters;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXVECTOR3 eye;
};

// In an input's list: the source node and its output; in an output's list: the destination.
struct NodeLink {
    core::SmartRef<IGraphNode> node;
    NodeParameter* parameter = nullptr;
};

struct TORMAKELIN_FXCORE_API NodeParameter {
    NodeParameter(std::string name, ParameterType type, void* variable);
    ~NodeParameter();
    NodeParameter(NodeParameter const&) = delete;
    NodeParameter& operator=(NodeParameter const&) = delete;

    ParameterType getType() const { return value->getType(); }
    core::UniqueId const& getId() const { return value->getId(); }

    std::string name;
    IParameter* value = nullptr;
    void* variable = nullptr;
    bool visible = true;
    bool linkable = true;
    bool instanceable = true;
    bool editorGridExpanded = false;
    std::vector<NodeLink> incoming;
    std::vector<NodeLink> outgoing;
};

struct GraphNodeParameterGroup {
    bool expanded = true;
};

using ParameterGroupMap = std::map<std::string, GraphNodeParameterGroup>;

struct GraphNodeLayout {
    int positionX = 0;
    int positionY = 0;
    bool expanded = true;
    bool visibleOnTimeline = false;
    core::UniqueId groupGraphId{};
};

struct Guide {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    float scale = 0.0f;
    Transform transform;
};

// A link of a collection to a parameter of an inner node, re-bound after loading.
struct CollectionLink {
    core::UniqueId nodeId{};
    IGraphNode* node = nullptr;
    core::UniqueId nodeParameterId{};
    NodeParameter* nodeParameter = nullptr;
    core::UniqueId parameterId{};
    NodeParameter* parameter = nullptr;
};

class TORMAKELIN_FXCORE_API IGraphNode {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual GraphNodeType getNodeType() const = 0;
    virtual core::UniqueId const& getId() = 0;
    virtual void setId(core::UniqueId const& id) = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual std::string getInstanceName() const = 0;
    virtual GraphNodeLayout& getLayout() = 0;
    virtual int getSortOrder() const = 0;
    virtual void setSortOrder(int sortOrder) = 0;
    virtual std::vector<NodeParameter*> const& getInputs() const = 0;
    virtual std::vector<NodeParameter*> const& getOutputs() const = 0;
    virtual NodeParameter* addInput(std::string name, ParameterType type, std::string defaultText, void* variable) = 0;
    virtual NodeParameter* addOutput(std::string name, ParameterType type, void* variable) = 0;
    virtual void removeInput(unsigned int index) = 0;
    virtual NodeParameter* findInput(std::string const& name) const = 0;
    virtual NodeParameter* findOutput(std::string const& name) const = 0;
    virtual NodeParameter* findParameterById(core::UniqueId const& id) const = 0;
    virtual void updateParameterVariable(UpdateContext const& context, NodeParameter* parameter) = 0;
    virtual ParameterGroupMap& getParameterGroups() = 0;
    virtual GraphNodeParameterGroup* getParameterGroup(std::string const& name) = 0;
    virtual std::string getParameterGroupName(std::string const& parameterName) const = 0;
    virtual GraphNodeParameterGroup* getParameterGroupFromParameterName(std::string const& parameterName) = 0;
    virtual void stripResources() = 0;
    virtual void enableScript() = 0;
    virtual IScriptModule* getScriptModule() const = 0;
    virtual std::vector<core::SmartRef<IResource>> getResourcesConnectedToInput(std::string const& name,
        std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances) = 0;
    virtual std::vector<core::SmartRef<IGraphNode>> getNodesConnectedToInput(
        std::string const& name, std::vector<core::UniqueId> const& ids) = 0;
    virtual bool canLink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) = 0;
    virtual void link(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) = 0;
    virtual void unlink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) = 0;
    virtual void unlinkAll() = 0;
    virtual void enableParameterChangedNotify(bool enable) = 0;
    virtual void onParameterChanged(NodeParameter* parameter) = 0;
    virtual void onParameterConnected() = 0;
    virtual void onParameterDisconnected() = 0;
    virtual bool getUpdateFlag() const = 0;
    virtual void setUpdateFlag(bool flag) = 0;
    virtual void onActivated() = 0;
    virtual void onDeactivated() = 0;
    virtual void onPlaybackStop() = 0;
    virtual void onPlaybackSetTime(UpdateContext& context) = 0;
    virtual core::IKeyframe* getKeyframe() const = 0;
    virtual void setKeyframe(core::IKeyframe* keyframe) = 0;
    virtual void enableTransform(TransformType type, int handles, TransformBoundingBoxType boxType) = 0;
    virtual Transform& getTransform() = 0;
    virtual bool getGuide(Guide& guide) = 0;
    virtual D3DXMATRIX getTransformMatrix() const = 0;
    virtual void enableCamera() = 0;
    virtual bool isCameraEnabled() const = 0;
    virtual void getCamera(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye) = 0;
    virtual void setCameraViewProjection(D3DXMATRIX const& view, D3DXMATRIX const& projection) = 0;
    virtual void updateBoundingBox() = 0;
    virtual std::string const& getErrorString() const = 0;
    virtual void setErrorString(std::string text) = 0;
    virtual void reset() = 0;
    virtual void update(UpdateContext& context) = 0;
    virtual void eval(UpdateContext& context) = 0;
    virtual IGraphNode* clone() = 0;
    virtual void resolve(IGraph* graph) = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual bool serializeData(ISerializer* serializer) = 0;
    virtual ~IGraphNode() = default;
};

// A node that hands out its camera (the view-matrix node type).
class TORMAKELIN_FXCORE_API ICameraSource {
public:
    virtual void getCameraMatrices(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye) = 0;
    virtual ~ICameraSource() = default;
};

class TORMAKELIN_FXCORE_API GraphNode : public core::RefCounted<IGraphNode>, public IPlugin {
public:
    GraphNode();
    GraphNode(GraphNode const&) = delete;
    GraphNode& operator=(GraphNode const&) = delete;

    PluginDesc const& getPluginDesc() const override;
    void setPluginDesc(PluginDesc const& desc) override;

    core::UniqueId const& getId() override;
    void setId(core::UniqueId const& id) override;
    core::UniqueId const& getId() const override;
    std::string getInstanceName() const override;
    GraphNodeLayout& getLayout() override;
    int getSortOrder() const override;
    void setSortOrder(int sortOrder) override;
    std::vector<NodeParameter*> const& getInputs() const override;
    std::vector<NodeParameter*> const& getOutputs() const override;
    NodeParameter* addInput(std::string name, ParameterType type, std::string defaultText, void* variable) override;
    NodeParameter* addOutput(std::string name, ParameterType type, void* variable) override;
    void removeInput(unsigned int index) override;
    NodeParameter* findInput(std::string const& name) const override;
    NodeParameter* findOutput(std::string const& name) const override;
    NodeParameter* findParameterById(core::UniqueId const& id) const override;
    void updateParameterVariable(UpdateContext const& context, NodeParameter* parameter) override;
    ParameterGroupMap& getParameterGroups() override;
    GraphNodeParameterGroup* getParameterGroup(std::string const& name) override;
    std::string getParameterGroupName(std::string const& parameterName) const override;
    GraphNodeParameterGroup* getParameterGroupFromParameterName(std::string const& parameterName) override;
    void stripResources() override;
    void enableScript() override;
    IScriptModule* getScriptModule() const override;
    std::vector<core::SmartRef<IResource>> getResourcesConnectedToInput(std::string const& name,
        std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances) override;
    std::vector<core::SmartRef<IGraphNode>> getNodesConnectedToInput(
        std::string const& name, std::vector<core::UniqueId> const& ids) override;
    bool canLink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) override;
    void link(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) override;
    void unlink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify) override;
    void unlinkAll() override;
    void enableParameterChangedNotify(bool enable) override;
    void onParameterChanged(NodeParameter* parameter) override;
    void onParameterConnected() override;
    void onParameterDisconnected() override;
    bool getUpdateFlag() const override;
    void setUpdateFlag(bool flag) override;
    void onActivated() override;
    void onDeactivated() override;
    void onPlaybackStop() override;
    void onPlaybackSetTime(UpdateContext& context) override;
    core::IKeyframe* getKeyframe() const override;
    void setKeyframe(core::IKeyframe* keyframe) override;
    void enableTransform(TransformType type, int handles, TransformBoundingBoxType boxType) override;
    Transform& getTransform() override;
    bool getGuide(Guide& guide) override;
    D3DXMATRIX getTransformMatrix() const override;
    void enableCamera() override;
    bool isCameraEnabled() const override;
    void getCamera(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye) override;
    void setCameraViewProjection(D3DXMATRIX const& view, D3DXMATRIX const& projection) override;
    void updateBoundingBox() override;
    std::string const& getErrorString() const override;
    void setErrorString(std::string text) override;
    void reset() override;
    void update(UpdateContext& context) override;
    void eval(UpdateContext& context) override;
    IGraphNode* clone() override;
    void resolve(IGraph* graph) override;
    bool serialize(ISerializer* serializer) override;
    bool serializeData(ISerializer* serializer) override;
    ~GraphNode() override;

    std::vector<CollectionLink>& getPendingLinks() { return m_pendingLinks; }

    // The frame path's forms of the two queries above: they fill `out` (cleared first, so a vector
    // the caller keeps stops allocating) and find the input without making a name text.
    void collectNodesConnectedToInput(std::string_view name, std::vector<core::UniqueId> const& ids,
        std::vector<core::SmartRef<IGraphNode>>& out);
    void collectResourcesConnectedToInput(std::string_view name, std::vector<core::UniqueId> const& typeIds,
        InstanceParameterMap const& instances, std::vector<core::SmartRef<IResource>>& out);
    // The first resource the input names (of `typeIds` when not empty), or null.
    core::SmartRef<IResource> firstResourceConnectedToInput(std::string_view name,
        std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances);
    // The first node the input reads (through a stack or a selection as above), or null.
    IGraphNode* firstNodeConnectedToInput(std::string_view name);
    // The input named `name`, found without making a text.
    NodeParameter* findInputNamed(std::string_view name) const;

protected:
    void runScript(UpdateContext const& context);
    // Builds the node's script from its linked text ahead of its first run.
    void prebuildScript();
    void pushOutputs();
    bool loadParameters(ISerializer* serializer, bool inputs);
    void saveParameters(ISerializer* serializer, bool inputs);

private:
    void deleteParameters();
    std::string const& linkedScriptText();

    PluginDesc m_pluginDesc;
    core::UniqueId m_id{};
    ParameterGroupMap m_groups;
    std::vector<NodeParameter*> m_inputs;
    std::vector<NodeParameter*> m_outputs;
    bool m_updateFlag = false;
    GraphNodeLayout m_layout;
    core::IKeyframe* m_keyframe = nullptr;
    IScriptModule* m_scriptModule = nullptr;
    Transform m_transform;
    int m_sortOrder = 0;
    bool m_changeNotify = false;
    bool m_cameraEnabled = false;
    std::string m_instanceName;
    std::string m_errorString;
    std::vector<CollectionLink> m_pendingLinks;
};

// Depth first from the node: every upstream node once, each after all the nodes it reads from,
// the node itself last.
TORMAKELIN_FXCORE_API void collectUpstream(IGraphNode* node, std::vector<core::SmartRef<IGraphNode>>& out);
// Updates everything the node reads from, then the node.
TORMAKELIN_FXCORE_API void internalUpdate(IGraphNode* node, UpdateContext& context);

// Saving adds the element `name` for the track under the current node; loading reads the
// current element and gives a new track (count 0), or null when the element is malformed.
TORMAKELIN_FXCORE_API void saveKeyframe(ISerializer* serializer, std::string const& name, core::IKeyframe* keyframe);
TORMAKELIN_FXCORE_API core::IKeyframe* loadKeyframe(ISerializer* serializer, std::string const& name);

} // namespace tormakelin::fxcore
