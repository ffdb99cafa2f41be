#include <tormakelin/fxcore/Folder.h>
#include "CreateValid.h"
#include "IdList.h"
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/Xml.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/core/RefCounted.h>

#include <map>
#include <new>
#include <set>

#include "GraphLinkPass.h"
#include "LinkGeneration.h"
#include "XmlWalk.h"

namespace tormakelin::fxcore {

namespace {

using IdMap = std::map<core::UniqueId, IGraphNode*, core::UniqueIdLess>;

core::UniqueId freshId()
{
    core::UniqueId id;
    core::generateUniqueId(id);
    return id;
}

// Old id -> new id of every node and parameter given a fresh one.
using IdRemap = std::map<core::UniqueId, core::UniqueId, core::UniqueIdLess>;
using IdSet = std::set<core::UniqueId, core::UniqueIdLess>;

// A fresh id for the node and each of its parameters whose id `taken` holds (all of them when
// `taken` is null), noted in `remap`.
void giveFreshIds(IGraphNode* node, IdSet const* taken, IdRemap& remap)
{
    auto renew = [&](core::UniqueId const& old, auto&& set) {
        if (taken && !taken->count(old))
            return;
        core::UniqueId const id = freshId();
        remap[old] = id;
        set(id);
    };
    renew(node->getId(), [&](core::UniqueId const& id) { node->setId(id); });
    for (auto const* parameters : {&node->getInputs(), &node->getOutputs()})
        for (NodeParameter* parameter : *parameters)
            renew(parameter->getId(), [&](core::UniqueId const& id) { parameter->value->setId(id); });
}

// The ids a collection's pending links store follow the nodes and parameters they name.
void carryPendingLinks(IGraphNode* node, IdRemap const& remap)
{
    auto* own = dynamic_cast<GraphNode*>(node);
    if (!own)
        return;
    auto carry = [&](core::UniqueId& id) {
        auto const found = remap.find(id);
        if (found != remap.end())
            id = found->second;
    };
    for (CollectionLink& link : own->getPendingLinks()) {
        carry(link.nodeId);
        carry(link.nodeParameterId);
        carry(link.parameterId);
    }
}

// The ids of the nodes and of every parameter of them.
IdSet idsOf(std::vector<IGraphNode*> const& nodes)
{
    IdSet ids;
    for (IGraphNode* node : nodes) {
        ids.insert(node->getId());
        for (auto const* parameters : {&node->getInputs(), &node->getOutputs()})
            for (NodeParameter* parameter : *parameters)
                ids.insert(parameter->getId());
    }
    return ids;
}

class Graph final : public core::RefCounted<IGraph> {
public:
    explicit Graph(GraphType type) : m_type(type) { m_id = freshId(); }
    ~Graph() override
    {
        m_stacks.clear();
        for (IGraphNode* node : m_nodes)
            node->unlinkAll();
        for (IGraphNode* node : m_nodes)
            node->release();
    }

    GraphType getType() const override { return m_type; }
    core::UniqueId const& getId() const override { return m_id; }
    void setId(core::UniqueId const& id) override { m_id = id; }
    GraphEditorView& getEditorView() override { return m_view; }
    std::vector<IGraphNode*> const& getNodes() const override { return m_nodes; }

    void addNode(IGraphNode* node) override
    {
        if (!node)
            return;
        node->setSortOrder(m_counter++);
        node->addRef();
        m_nodes.push_back(node);
        nodesChanged();
    }

    void removeNode(core::UniqueId const& id) override
    {
        int const index = indexOf(id);
        if (index < 0)
            return;
        IGraphNode* node = m_nodes[static_cast<size_t>(index)];
        node->unlinkAll();
        m_nodes.erase(m_nodes.begin() + index);
        nodesChanged();
        node->release();
    }

    int indexOf(core::UniqueId const& id) const override { return indexById(m_nodes, id); }

    void moveNode(core::UniqueId const& id, int index) override
    {
        moveById(m_nodes, id, index);
        nodesChanged();
    }

    IGraphNode* findNode(core::UniqueId const& id) const override
    {
        int const index = indexOf(id);
        return index < 0 ? nullptr : m_nodes[static_cast<size_t>(index)];
    }

    void getUnlinkedParameters(std::vector<NodeParameterRef>& inputs, std::vector<NodeParameterRef>& outputs) const override
    {
        for (IGraphNode* node : m_nodes) {
            for (NodeParameter* input : node->getInputs())
                if (input->incoming.empty())
                    inputs.push_back({node, input});
            for (NodeParameter* output : node->getOutputs())
                if (output->outgoing.empty())
                    outputs.push_back({node, output});
        }
    }

    void importGraph(IGraph* source) override;
    void stripResources() override
    {
        for (IGraphNode* node : m_nodes)
            node->stripResources();
    }
    void onActivated() override
    {
        for (IGraphNode* node : m_nodes)
            node->onActivated();
    }
    void onDeactivated() override
    {
        for (IGraphNode* node : m_nodes)
            node->onDeactivated();
    }
    void onPlaybackStop() override
    {
        for (IGraphNode* node : m_nodes)
            node->onPlaybackStop();
    }
    void onPlaybackSetTime(UpdateContext& context) override
    {
        for (IGraphNode* node : m_nodes)
            node->onPlaybackSetTime(context);
    }
    void update(UpdateContext& context) override;
    void render(RenderContext& context) override;
    IGraph* clone() override;
    void resolve() override
    {
        for (IGraphNode* node : m_nodes)
            node->resolve(this);
    }
    // The walks' lists worked out ahead, as the first frame would, once every link is in place.
    void prepareWalks();
    bool serialize(ISerializer* serializer) override;

private:
    // A render stack with what the frame needs of it, worked out when the links change rather
    // than every frame: the nodes upstream of it in update order, and its effects. A generation
    // of UINT64_MAX, which the link count never reaches, means not yet worked out.
    struct StackCache {
        core::SmartRef<IGraphNode> stack;
        std::vector<core::SmartRef<IGraphNode>> order;
        std::uint64_t orderGeneration = UINT64_MAX;
        std::vector<std::pair<core::SmartRef<IGraphNode>, Effect*>> effects;
        std::uint64_t effectsGeneration = UINT64_MAX;
    };
    void nodesChanged()
    {
        m_stacksStale = true;
        // Entries hold their nodes; a removed node should not outlive its removal for long.
        if (!m_walking)
            m_stacks.clear();
    }
    // The render stacks in node order; rebuilt only between walks.
    void refreshStacks();
    static void refreshOrder(StackCache& entry);
    static void refreshEffects(StackCache& entry);
    void updateUncached(UpdateContext& context);
    void renderUncached(RenderContext& context);
    static void renderEffect(Effect* effect, RenderContext& context);

    void serializeAttributes(ISerializer* serializer);
    // The nodes of the current "Graph" element, each with one reference and its stored sort
    // order; unknown types and repeated ids are left out.
    std::vector<IGraphNode*> loadNodes(ISerializer* serializer) const;
    void adopt(std::vector<IGraphNode*> const& nodes);
    // Saves this graph into a new document under the root, and loads the nodes back from it.
    // Copies of the nodes with their links between them, ids unchanged.
    std::vector<IGraphNode*> copyNodes(char const* rootName) const;
    // Fresh ids for the nodes' ids and parameter ids that `taken` holds (all when null), and
    // the pending links inside the nodes carried to them.
    static void renewIds(std::vector<IGraphNode*> const& nodes, IdSet const* taken);

    GraphType m_type;
    core::UniqueId m_id{};
    GraphEditorView m_view;
    std::vector<IGraphNode*> m_nodes;
    int m_counter = 0;
    std::vector<StackCache> m_stacks;
    bool m_stacksStale = true;
    // While a walk runs over the stacks, the list stays as it is; a nested walk takes none of it.
    bool m_walking = false;
};

void Graph::refreshStacks()
{
    if (!m_stacksStale)
        return;
    m_stacks.clear();
    for (IGraphNode* node : m_nodes)
        if (node->getNodeType() == kGraphNodeRenderStack)
            m_stacks.emplace_back().stack = node;
    m_stacksStale = false;
}

void Graph::prepareWalks()
{
    if (m_walking)
        return;
    refreshStacks();
    for (StackCache& entry : m_stacks) {
        refreshOrder(entry);
        refreshEffects(entry);
    }
}

void Graph::refreshOrder(StackCache& entry)
{
    std::uint64_t const generation = detail::linkGeneration();
    if (entry.orderGeneration == generation)
        return;
    entry.order.clear();
    collectUpstream(entry.stack.get(), entry.order);
    entry.orderGeneration = generation;
}

void Graph::refreshEffects(StackCache& entry)
{
    std::uint64_t const generation = detail::linkGeneration();
    if (entry.effectsGeneration == generation)
        return;
    entry.effects.clear();
    if (auto const* renderStack = dynamic_cast<RenderStack const*>(entry.stack.get()))
        for (auto const& node : renderStack->getEffects())
            if (auto* effect = dynamic_cast<Effect*>(node.get()))
                entry.effects.emplace_back(node, effect);
    entry.effectsGeneration = generation;
}

void Graph::update(UpdateContext& context)
{
    for (IGraphNode* node : m_nodes)
        node->setUpdateFlag(true);
    if (m_walking) {
        updateUncached(context);
        return;
    }
    refreshStacks();
    m_walking = true;
    // A node that adds or removes nodes while it runs changes the list for the next frame.
    for (size_t i = 0; i < m_stacks.size(); ++i) {
        StackCache& entry = m_stacks[i];
        if (!entry.stack->getUpdateFlag())
            continue;
        refreshOrder(entry);
        for (auto const& node : entry.order)
            node->update(context);
    }
    m_walking = false;
    if (m_stacksStale)
        m_stacks.clear();
}

void Graph::updateUncached(UpdateContext& context)
{
    std::vector<core::SmartRef<IGraphNode>> stacks;
    for (IGraphNode* node : m_nodes)
        if (node->getNodeType() == kGraphNodeRenderStack)
            stacks.emplace_back(node);
    for (auto const& stack : stacks)
        if (stack->getUpdateFlag())
            internalUpdate(stack.get(), context);
}

void Graph::renderEffect(Effect* effect, RenderContext& context)
{
    Transform& transform = effect->getTransform();
    if (transform.type == kTransform2d || transform.type == kTransform3d)
        transform.viewport = Viewport(render::g_renderDevice ? render::g_renderDevice->getRenderView() : nullptr);
    bool const camera = effect->isCameraEnabled();
    if (camera)
        effect->getCamera(context.view, context.projection, context.eye);
    effect->render(context);
    if (context.editor && camera)
        effect->setCameraViewProjection(context.view, context.projection);
}

void Graph::render(RenderContext& context)
{
    if (m_walking) {
        renderUncached(context);
        return;
    }
    refreshStacks();
    m_walking = true;
    for (size_t i = 0; i < m_stacks.size(); ++i) {
        StackCache& entry = m_stacks[i];
        refreshEffects(entry);
        for (auto const& held : entry.effects)
            renderEffect(held.second, context);
    }
    m_walking = false;
    if (m_stacksStale)
        m_stacks.clear();
}

void Graph::renderUncached(RenderContext& context)
{
    std::vector<core::SmartRef<IGraphNode>> stacks;
    for (IGraphNode* node : m_nodes)
        if (node->getNodeType() == kGraphNodeRenderStack)
            stacks.emplace_back(node);
    for (auto const& stack : stacks) {
        auto const* renderStack = dynamic_cast<RenderStack const*>(stack.get());
        if (!renderStack)
            continue;
        for (auto const& node : renderStack->getEffects()) {
            if (auto* effect = dynamic_cast<Effect*>(node.get()))
                renderEffect(effect, context);
        }
    }
}

void Graph::serializeAttributes(ISerializer* serializer)
{
    serializeAttribute(serializer, "Id", m_id);
    serializeAttribute(serializer, "EditorXOffset", m_view.xOffset);
    serializeAttribute(serializer, "EditorYOffset", m_view.yOffset);
    serializeAttribute(serializer, "EditorZoom", m_view.zoom);
    serializeAttribute(serializer, "SortOrder", m_counter);
    serializeAttribute(serializer, "Type", m_type);
}

bool Graph::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    if (serializer->isSaving()) {
        if (!beginElement(serializer, "Graph"))
            return false;
        serializeAttributes(serializer);
        for (IGraphNode* node : m_nodes)
            node->serialize(serializer);
        endElement(serializer);
        return true;
    }
    LoadContext* context = serializer->getLoadContext();
    bool const merging = context && context->getMerge();
    if (!merging)
        serializeAttributes(serializer);
    std::vector<IGraphNode*> nodes = loadNodes(serializer);
    std::erase_if(nodes, [&](IGraphNode* node) {
        bool const taken = findNode(node->getId()) != nullptr;
        if (taken)
            node->release();
        return taken;
    });
    adopt(nodes);
    return true;
}

std::vector<IGraphNode*> Graph::loadNodes(ISerializer* serializer) const
{
    std::vector<IGraphNode*> nodes;
    std::set<core::UniqueId, core::UniqueIdLess> ids;
    forEachChildElement(serializer, "GraphNode", [&](core::IXmlNode*) {
        core::UniqueId pluginId{};
        core::UniqueId id{};
        serializeAttribute(serializer, "PluginId", pluginId);
        serializeAttribute(serializer, "Id", id);
        if (ids.count(id))
            return;
        IGraphNode* node = createGraphNode(pluginId);
        if (!node)
            return;
        node->addRef();
        node->serialize(serializer);
        ids.insert(id);
        nodes.push_back(node);
    });
    return nodes;
}

void Graph::adopt(std::vector<IGraphNode*> const& nodes)
{
    for (IGraphNode* node : nodes) {
        int const sortOrder = node->getSortOrder();
        addNode(node);
        node->setSortOrder(sortOrder);
        node->release();
    }
}

std::vector<IGraphNode*> Graph::copyNodes(char const* rootName) const
{
    std::vector<IGraphNode*> nodes;
    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    if (!document || !document->create(rootName))
        return nodes;
    core::SmartRef<ISerializer> const save = createSerializer({kSerializerSave, document.get(), false});
    core::SmartRef<ISerializer> const load = createSerializer({kSerializerLoad, document.get(), false});
    if (!save || !load)
        return nodes;
    const_cast<Graph*>(this)->serialize(save.get());
    core::IXmlNode* element = nullptr;
    forEachChildElement(load.get(), "Graph", [&](core::IXmlNode* graph) {
        if (element)
            return;
        element = graph;
        element->addRef();
        nodes = loadNodes(load.get());
    });
    if (!element)
        return nodes;
    IdMap byOldId;
    for (IGraphNode* node : nodes)
        byOldId.emplace(node->getId(), node);
    detail::linkGraphElement(element, [&](core::UniqueId const& id) {
        auto const found = byOldId.find(id);
        return found == byOldId.end() ? nullptr : found->second;
    });
    element->release();
    return nodes;
}

void Graph::renewIds(std::vector<IGraphNode*> const& nodes, IdSet const* taken)
{
    IdRemap remap;
    for (IGraphNode* node : nodes)
        giveFreshIds(node, taken, remap);
    for (IGraphNode* node : nodes)
        carryPendingLinks(node, remap);
}

IGraph* Graph::clone()
{
    auto* copy = new (std::nothrow) Graph(m_type);
    if (!copy)
        return nullptr;
    copy->m_view = m_view;
    // As a load: the stored counter, then one more for each node taken in.
    copy->m_counter = m_counter;
    std::vector<IGraphNode*> const nodes = copyNodes("CloneGraph");
    renewIds(nodes, nullptr);
    copy->adopt(nodes);
    return copy;
}

void Graph::importGraph(IGraph* source)
{
    auto* other = dynamic_cast<Graph*>(source);
    if (!other)
        return;
    core::SmartRef<IGraph> const keep = source;
    // Ids stay as they are, except where this graph already holds them (a graph taking in
    // itself, or a graph it came from).
    std::vector<IGraphNode*> const nodes = other->copyNodes("ExportedGraph");
    IdSet const taken = idsOf(m_nodes);
    renewIds(nodes, &taken);
    adopt(nodes);
}

class GraphManager final : public core::RefCounted<IGraphManager> {
public:
    GraphManager() : m_folders(createFolderManager())
    {
        if (m_folders)
            m_folders->addRef();
    }
    ~GraphManager() override
    {
        releaseGraphs();
        if (m_folders)
            m_folders->release();
    }
    bool valid() const { return m_folders != nullptr; }

    int getGraphCount() const override { return static_cast<int>(m_graphs.size()); }

    void add(IGraph* graph) override
    {
        if (!graph)
            return;
        graph->addRef();
        IGraph*& slot = m_graphs[graph->getId()];
        if (slot)
            slot->release();
        slot = graph;
    }

    void remove(core::UniqueId const& id) override
    {
        auto const found = m_graphs.find(id);
        if (found == m_graphs.end())
            return;
        IGraph* graph = found->second;
        m_graphs.erase(found);
        graph->release();
    }

    IGraph* find(core::UniqueId const& id) const override
    {
        auto const found = m_graphs.find(id);
        return found == m_graphs.end() ? nullptr : found->second;
    }

    IGraphNode* findNode(core::UniqueId const& id) const override
    {
        for (auto const& [graphId, graph] : m_graphs)
            if (IGraphNode* node = graph->findNode(id))
                return node;
        return nullptr;
    }

    IFolderManager* getFolderManager() const override { return m_folders; }

    void clear() override
    {
        releaseGraphs();
        m_folders->reset();
    }

    bool isGroupGraph(core::UniqueId const& id) const override
    {
        for (auto const& [graphId, graph] : m_graphs)
            for (IGraphNode* node : graph->getNodes())
                if (node->getNodeType() == kGraphNodeCollection && node->getLayout().groupGraphId == id)
                    return true;
        return false;
    }

    std::vector<IGraph*> getGraphs() const override
    {
        std::vector<IGraph*> graphs;
        for (auto const& [graphId, graph] : m_graphs)
            graphs.push_back(graph);
        return graphs;
    }

    bool serialize(ISerializer* serializer) override;

    void resolveAll() override
    {
        for (auto const& [graphId, graph] : m_graphs)
            graph->resolve();
        // After all of them: any link made while resolving would make earlier lists stale.
        for (auto const& [graphId, graph] : m_graphs)
            if (auto* own = dynamic_cast<Graph*>(graph))
                own->prepareWalks();
    }

    void linkGraph(LoadContext* context, IGraph* graph) override
    {
        if (!context || !graph)
            return;
        detail::linkGraphElement(context->getCurrentNode(), [graph](core::UniqueId const& id) { return graph->findNode(id); });
    }

private:
    void releaseGraphs()
    {
        auto graphs = std::move(m_graphs);
        m_graphs.clear();
        for (auto const& [graphId, graph] : graphs)
            graph->release();
    }

    std::map<core::UniqueId, IGraph*, core::UniqueIdLess> m_graphs;
    IFolderManager* m_folders;
};

bool GraphManager::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    if (serializer->isSaving()) {
        if (!beginElement(serializer, "GraphManager"))
            return false;
        m_folders->serialize(serializer);
        for (auto const& [graphId, graph] : m_graphs)
            graph->serialize(serializer);
        endElement(serializer);
        return true;
    }
    detail::forEachChild(serializer, [&](std::string const& name) {
        if (name == "FolderManager") {
            m_folders->serialize(serializer);
            return;
        }
        if (name != "Graph")
            return;
        GraphType type = 0;
        serializeAttribute(serializer, "Type", type);
        core::SmartRef<IGraph> const graph = createGraph(type);
        if (!graph)
            return;
        graph->serialize(serializer);
        add(graph.get());
        linkGraph(serializer->getLoadContext(), graph.get());
    });
    return true;
}

} // namespace

IGraph* createGraph(GraphType type)
{
    return new (std::nothrow) Graph(type);
}

IGraphManager* createGraphManager()
{
    return createValid<GraphManager>();
}

IGraphNode* createGraphNode(core::UniqueId const& pluginId)
{
    IPluginManager* plugins = FrameworkServices::pluginManager();
    if (!plugins)
        return nullptr;
    // The first library that knows the id decides what it names.
    for (IPluginFactory const* factory : plugins->getFactories())
        for (PluginDesc const& desc : factory->getPluginDescs())
            if (desc.id == pluginId)
                return desc.type == kPluginGraphNode ? createPluginAs<IGraphNode>(plugins, pluginId) : nullptr;
    return nullptr;
}

} // namespace tormakelin::fxcore
