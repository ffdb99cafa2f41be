#pragma once

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Layer.h>

#include <map>
#include <vector>

namespace tormakelin::fxcore {

class IGraph;

using NodeInstanceMap = std::map<core::UniqueId, GraphNodeInstance, core::UniqueIdLess>;
using ParameterFolderMap = std::map<core::UniqueId, GraphNodeParameterFolders, core::UniqueIdLess>;

class Layer final : public ILayer {
public:
    explicit Layer(LayerType type);
    ~Layer() override;
    Layer(Layer const&) = delete;
    Layer& operator=(Layer const&) = delete;

    int addRef() override;
    int release() override;
    LayerType getType() const override { return m_type; }
    core::UniqueId const& getId() const override { return m_id; }
    LayerInfo& getInfo() override { return m_info; }
    Time& getTime() override { return m_time; }
    std::vector<ILayer*> const& getChildren() const override { return m_children; }
    std::vector<ILayer*> collectLayers() override;
    void addLayer(ILayer* child) override;
    void insertLayerBefore(ILayer* child, core::UniqueId const& sibling) override;
    void insertLayerAfter(ILayer* child, core::UniqueId const& sibling) override;
    void removeLayer(core::UniqueId const& id) override;
    ILayer* findLayer(core::UniqueId const& id, bool recursive) const override;
    void setGraphInstance(IGraph* graph) override;
    void rebuildGraphNodeInstances(IGraph* graph) override;
    void setNodeInstanceExpanded(core::UniqueId const& nodeId, bool expanded) override;
    bool getNodeInstanceExpanded(core::UniqueId const& nodeId) const override;
    bool getParameterExpanded(core::UniqueId const& parameterId) const override;
    void setParameterExpanded(core::UniqueId const& parameterId, bool expanded) override;
    bool isParameterEnabled(core::UniqueId const& parameterId) const override;
    void setParameterEnabled(IParameter* nodeInput, bool enabled) override;
    IParameter* getParameterInstance(core::UniqueId const& parameterId) const override;
    core::IKeyframe* getParameterKeyframe(core::UniqueId const& parameterId) const override;
    void setParameterKeyframe(core::UniqueId const& parameterId, core::IKeyframe* keyframe) override;
    void setParameterAnimated(core::UniqueId const& parameterId, bool animated) override;
    int getParameterExpandedHeight(core::UniqueId const& parameterId) const override;
    void setParameterExpandedHeight(core::UniqueId const& parameterId, int height) override;
    IGraphNodeParameterFolder* findParameterFolder(core::UniqueId const& nodeId, std::string const& name) const override;
    GraphNodeParameterFolders const& getParameterFolders(core::UniqueId const& nodeId) const override;
    void addParameterFolder(core::UniqueId const& nodeId, IGraphNodeParameterFolder* folder) override;
    NodeInstanceMap const& getGraphNodeInstances() const override { return m_nodeInstances; }
    core::UniqueId const& getParentId() const override { return m_parentId; }
    void setParentId(core::UniqueId const& id) override { m_parentId = id; }
    void clampChildTimes(ILayer* root) override;
    int toGlobalTimeUnits(ILayer* root, int units) const override;
    double toGlobalTime(ILayer* root, double seconds) const override;
    int toLocalTimeUnits(ILayer* root, int units) const override;
    double toLocalTime(ILayer* root, double seconds) const override;
    void activate() override;
    void deactivate() override;
    void onPlaybackStop() override;
    void onPlaybackSetTime(UpdateContext& context) override;
    void update(UpdateContext& context) override;
    void idle() override {}
    ILayer* clone() override;
    bool serialize(ISerializer* serializer) override;

private:
    IGraph* findGraph() const;
    // Sum of the ancestors' starts below the root, in units.
    double ancestorOffset(ILayer* root) const;
    void updateGraph(UpdateContext& context, IGraph* graph, double local);
    GraphNodeParameterInstance* findInstance(core::UniqueId const& parameterId);
    GraphNodeParameterInstance const* findInstance(core::UniqueId const& parameterId) const;
    void insertNextTo(ILayer* child, core::UniqueId const& sibling, int offset);
    void saveInstances(ISerializer* serializer, IGraph* graph);
    void loadNodeInstance(ISerializer* serializer);
    void loadFolders(ISerializer* serializer);

    int m_refCount = 0;
    Time m_time;
    LayerType m_type;
    LayerInfo m_info;
    core::UniqueId m_id{};
    std::vector<ILayer*> m_children;
    core::UniqueId m_parentId{};
    NodeInstanceMap m_nodeInstances;
    ParameterFolderMap m_folders;
};

// Loading: a layer of the current element's "Type", read from it, with one reference for the
// caller; null for an unknown type.
ILayer* loadLayer(ISerializer* serializer);

// Writes the track's value at the time into the parameter, by the parameter's type.
void applyKeyframe(IParameter* parameter, core::IKeyframe* keyframe, double time);

} // namespace tormakelin::fxcore
