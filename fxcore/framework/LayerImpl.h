#pragma once

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Layer.h>

#include <tormakelin/core/RefCounted.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace tormakelin::fxcore {

class IGraph;

using NodeInstanceMap = std::map<core::UniqueId, GraphNodeInstance, core::UniqueIdLess>;
using ParameterFolderMap = std::map<core::UniqueId, GraphNodeParameterFolders, core::UniqueIdLess>;

class Layer final : public core::RefCounted<ILayer> {
public:
    explicit Layer(LayerType type);
    ~Layer() override;
    Layer(Layer const&) = delete;
    Layer& operator=(Layer const&) = delete;

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

    // The per-frame step of each child, in order, with the sum of this layer's and its
    // ancestors' starts handed down (in units), so no child searches the tree for its ancestors.
    // `below` tells whether this layer hangs below the context's root; children of a layer that
    // does not have no ancestors to count.
    void updateChildren(UpdateContext& context, double offset, bool below);

private:
    // The update with the sum of the ancestors' starts (units) known.
    void updateAt(UpdateContext& context, double ancestors, bool below);
    IGraph* findGraph() const;
    // Sum of the ancestors' starts below the root, in units; `below` tells whether this layer
    // hangs below the root at all.
    double ancestorOffset(ILayer* root, bool* below = nullptr) const;
    // The same along the parent links, when they agree with the parent ids and reach the root.
    bool linkedAncestorOffset(ILayer const* root, double& sum) const;
    void updateGraph(UpdateContext& context, IGraph* graph, double local);
    // Writes the tracks of the enabled instance parameters at the local time and brings the map
    // of them up to date in place.
    void applyInstanceParameters(InstanceParameterMap& map, double local);
    GraphNodeParameterInstance* findInstance(core::UniqueId const& parameterId);
    GraphNodeParameterInstance const* findInstance(core::UniqueId const& parameterId) const;
    void insertNextTo(ILayer* child, core::UniqueId const& sibling, int offset);
    void saveInstances(ISerializer* serializer, IGraph* graph);
    void loadNodeInstance(ISerializer* serializer);
    // The node's instances get the editor types of the inputs they stand for.
    void takeEditorTypes(IGraphNode* node);
    void loadFolders(ISerializer* serializer);

    Time m_time;
    LayerType m_type;
    LayerInfo m_info;
    core::UniqueId m_id{};
    std::vector<ILayer*> m_children;
    // Beside each child: the child as this class, or null for another implementation.
    std::vector<Layer*> m_childLayers;
    // The layer whose child this one was made last; cleared when it lets go or dies.
    Layer* m_parent = nullptr;
    core::UniqueId m_parentId{};
    NodeInstanceMap m_nodeInstances;
    ParameterFolderMap m_folders;
    // Kept between frames so that a steady frame allocates nothing.
    struct ChildEntry {
        core::SmartRef<ILayer> layer;
        Layer* impl = nullptr;
    };
    std::vector<ChildEntry> m_walk;
    bool m_walking = false;
    UpdateContext m_graphContext;
    RenderContext m_renderContext;
};

// Loading: a layer of the current element's "Type", read from it, with one reference for the
// caller; null for an unknown type.
ILayer* loadLayer(ISerializer* serializer);

// Writes the track's value at the time into the parameter, by the parameter's type.
void applyKeyframe(IParameter* parameter, core::IKeyframe* keyframe, double time);

} // namespace tormakelin::fxcore
