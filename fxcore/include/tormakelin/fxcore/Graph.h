#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/GraphNode.h>

#include <tormakelin/core/UniqueId.h>

#include <map>
#include <vector>

namespace tormakelin::fxcore {

class IFolderManager;
class ISerializer;
class LoadContext;

using GraphType = int;

struct GraphEditorView {
    int xOffset = 0;
    int yOffset = 0;
    float zoom = 1.0f;
};

struct NodeParameterRef {
    IGraphNode* node = nullptr;
    NodeParameter* parameter = nullptr;
};

class TORMAKELIN_FXCORE_API IGraph {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual GraphType getType() const = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual void setId(core::UniqueId const& id) = 0;
    virtual GraphEditorView& getEditorView() = 0;
    virtual std::vector<IGraphNode*> const& getNodes() const = 0;
    virtual void addNode(IGraphNode* node) = 0;
    virtual void removeNode(core::UniqueId const& id) = 0;
    virtual int indexOf(core::UniqueId const& id) const = 0;
    virtual void moveNode(core::UniqueId const& id, int index) = 0;
    virtual IGraphNode* findNode(core::UniqueId const& id) const = 0;
    virtual void getUnlinkedParameters(std::vector<NodeParameterRef>& inputs, std::vector<NodeParameterRef>& outputs) const = 0;
    virtual void importGraph(IGraph* source) = 0;
    virtual void stripResources() = 0;
    virtual void onActivated() = 0;
    virtual void onDeactivated() = 0;
    virtual void onPlaybackStop() = 0;
    virtual void onPlaybackSetTime(UpdateContext& context) = 0;
    virtual void update(UpdateContext& context) = 0;
    virtual void render(RenderContext& context) = 0;
    // A new graph (count 0) with fresh ids and the same links; null when it cannot be made.
    virtual IGraph* clone() = 0;
    virtual void resolve() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IGraph() = default;
};

class TORMAKELIN_FXCORE_API IGraphManager {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual int getGraphCount() const = 0;
    virtual void add(IGraph* graph) = 0;
    virtual void remove(core::UniqueId const& id) = 0;
    virtual IGraph* find(core::UniqueId const& id) const = 0;
    virtual IGraphNode* findNode(core::UniqueId const& id) const = 0;
    virtual IFolderManager* getFolderManager() const = 0;
    virtual void clear() = 0;
    virtual bool isGroupGraph(core::UniqueId const& id) const = 0;
    virtual std::vector<IGraph*> getGraphs() const = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual void resolveAll() = 0;
    virtual void linkGraph(LoadContext* context, IGraph* graph) = 0;
    virtual ~IGraphManager() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API IGraph* createGraph(GraphType type);
TORMAKELIN_FXCORE_API IGraphManager* createGraphManager();

// The node type an id names, when it names a node type at all; null otherwise.
TORMAKELIN_FXCORE_API IGraphNode* createGraphNode(core::UniqueId const& pluginId);

} // namespace tormakelin::fxcore
