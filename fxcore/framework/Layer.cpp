#include "LayerImpl.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/TimeUtil.h>

#include <tormakelin/core/Keyframe.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace tormakelin::fxcore {
namespace {

char const* defaultName(LayerType type)
{
    switch (type) {
    case kLayerRoot:
        return "Root Layer";
    case kLayerPlain:
        return "Untitled Layer";
    default:
        return "Untitled Instance";
    }
}

// A layer without segments starts nowhere; it counts as 0 so that offsets stay finite.
int startOrZero(Time const& time)
{
    return time.getSegments().empty() ? 0 : time.getStartTime();
}

} // namespace

GraphNodeParameterInstance::GraphNodeParameterInstance(GraphNodeParameterInstance const& other)
{
    *this = other;
}

// Copies own their value and track: an edit on one layer never shows on another.
GraphNodeParameterInstance& GraphNodeParameterInstance::operator=(GraphNodeParameterInstance const& other)
{
    if (this == &other)
        return *this;
    parameterId = other.parameterId;
    expanded = other.expanded;
    enabled = other.enabled;
    expandedHeight = other.expandedHeight;
    parameter = other.parameter ? other.parameter->clone() : nullptr;
    keyframe = other.keyframe ? other.keyframe->clone() : nullptr;
    return *this;
}

Layer::Layer(LayerType type) : m_type(type)
{
    m_info.name = defaultName(type);
    core::generateUniqueId(m_id);
}

Layer::~Layer()
{
    for (Layer* child : m_childLayers)
        if (child && child->m_parent == this)
            child->m_parent = nullptr;
    for (ILayer* child : m_children)
        child->release();
}

std::vector<ILayer*> Layer::collectLayers()
{
    std::vector<ILayer*> layers;
    if (m_type != kLayerRoot)
        layers.push_back(this);
    for (ILayer* child : m_children) {
        std::vector<ILayer*> const below = child->collectLayers();
        layers.insert(layers.end(), below.begin(), below.end());
    }
    return layers;
}

void Layer::addLayer(ILayer* child)
{
    insertNextTo(child, core::UniqueId{}, -1);
}

void Layer::insertLayerBefore(ILayer* child, core::UniqueId const& sibling)
{
    insertNextTo(child, sibling, 0);
}

void Layer::insertLayerAfter(ILayer* child, core::UniqueId const& sibling)
{
    insertNextTo(child, sibling, 1);
}

// offset -1 appends; 0 and 1 place before and after the sibling (appending when it is not found).
// A layer never becomes its own descendant: the tree would update forever.
void Layer::insertNextTo(ILayer* child, core::UniqueId const& sibling, int offset)
{
    if (!child || child == this || child->findLayer(m_id, true))
        return;
    auto at = m_children.end();
    if (offset >= 0) {
        at = std::find_if(m_children.begin(), m_children.end(),
            [&](ILayer* layer) { return layer->getId() == sibling; });
        if (at != m_children.end())
            at += offset;
    }
    child->addRef();
    auto* impl = dynamic_cast<Layer*>(child);
    m_childLayers.insert(m_childLayers.begin() + (at - m_children.begin()), impl);
    m_children.insert(at, child);
    child->setParentId(m_id);
    if (impl)
        impl->m_parent = this;
}

void Layer::removeLayer(core::UniqueId const& id)
{
    auto const it = std::find_if(m_children.begin(), m_children.end(),
        [&](ILayer* layer) { return layer->getId() == id; });
    if (it == m_children.end())
        return;
    ILayer* const child = *it;
    child->setParentId(core::UniqueId{});
    auto const index = it - m_children.begin();
    if (Layer* impl = m_childLayers[static_cast<size_t>(index)]; impl && impl->m_parent == this)
        impl->m_parent = nullptr;
    m_childLayers.erase(m_childLayers.begin() + index);
    m_children.erase(it);
    child->release();
}

ILayer* Layer::findLayer(core::UniqueId const& id, bool recursive) const
{
    for (ILayer* child : m_children) {
        if (child->getId() == id)
            return child;
        if (recursive)
            if (ILayer* found = child->findLayer(id, true))
                return found;
    }
    return nullptr;
}

void Layer::setGraphInstance(IGraph* graph)
{
    m_info.graphInstance = graph ? graph->getId() : core::UniqueId{};
    rebuildGraphNodeInstances(graph);
}

IGraph* Layer::findGraph() const
{
    if (m_type != kLayerGraphInstance || core::isNullUniqueId(m_info.graphInstance))
        return nullptr;
    IGraphManager* graphs = FrameworkServices::graphManager();
    return graphs ? graphs->find(m_info.graphInstance) : nullptr;
}

// Follows the parent links while each agrees with the parent id it stands for; true when they
// lead to the root, which is then the same answer the search by ids gives.
bool Layer::linkedAncestorOffset(ILayer const* root, double& sum) const
{
    sum = 0.0;
    Layer const* layer = this;
    while (layer->m_parent && layer->m_parent->m_id == layer->m_parentId) {
        if (layer->m_parent == root)
            return true;
        layer = layer->m_parent;
        sum += startOrZero(layer->m_time);
    }
    return false;
}

double Layer::ancestorOffset(ILayer* root, bool* below) const
{
    double sum = 0.0;
    if (below)
        *below = false;
    if (!root)
        return sum;
    if (linkedAncestorOffset(root, sum)) {
        if (below)
            *below = true;
        return sum;
    }
    sum = 0.0;
    std::vector<ILayer*> seen;
    core::UniqueId id = m_parentId;
    if (below)
        *below = root->findLayer(m_id, true) == this;
    // The root is no child of itself: asking for it would only walk the whole tree.
    while (!(id == root->getId()) && !core::isNullUniqueId(id)) {
        ILayer* ancestor = root->findLayer(id, true);
        if (!ancestor)
            break;
        // A broken parent chain must not loop forever.
        if (std::find(seen.begin(), seen.end(), ancestor) != seen.end())
            break;
        seen.push_back(ancestor);
        sum += startOrZero(ancestor->getTime());
        id = ancestor->getParentId();
    }
    return sum;
}

double Layer::toGlobalTime(ILayer* root, double seconds) const
{
    return seconds + ancestorOffset(root) / 100.0;
}

double Layer::toLocalTime(ILayer* root, double seconds) const
{
    return seconds - (startOrZero(m_time) + ancestorOffset(root)) / 100.0;
}

int Layer::toGlobalTimeUnits(ILayer* root, int units) const
{
    return TimeUtil::floatToTimeUnit(toGlobalTime(root, units / 100.0));
}

int Layer::toLocalTimeUnits(ILayer* root, int units) const
{
    return TimeUtil::floatToTimeUnit(toLocalTime(root, units / 100.0));
}

// Fits the first segment of every descendant inside this layer's global span.
void Layer::clampChildTimes(ILayer* root)
{
    if (m_time.getSegments().empty())
        return;
    int const start = toGlobalTimeUnits(root, m_time.getStartTime());
    int const end = toGlobalTimeUnits(root, m_time.getEndTime());
    for (ILayer* layer : collectLayers()) {
        if (layer == this || layer->getTime().getSegments().empty())
            continue;
        int* range = layer->getTime().getSegments().front()->getRange();
        int const offset = layer->toGlobalTimeUnits(root, 0);
        int const first = std::clamp(range[0] + offset, start, end);
        int const last = std::clamp(range[1] + offset, first, end);
        range[0] = first - offset;
        range[1] = last - offset;
    }
}

void Layer::activate()
{
    if (IGraph* graph = findGraph())
        graph->onActivated();
}

void Layer::deactivate()
{
    if (IGraph* graph = findGraph())
        graph->onDeactivated();
}

void Layer::onPlaybackStop()
{
    if (IGraph* graph = findGraph())
        graph->onPlaybackStop();
}

void Layer::onPlaybackSetTime(UpdateContext& context)
{
    IGraph* graph = findGraph();
    if (!graph)
        return;
    UpdateContext local = context;
    local.time = toLocalTime(context.scene ? context.scene->getRootLayer() : nullptr, context.time);
    graph->onPlaybackSetTime(local);
}

void Layer::update(UpdateContext& context)
{
    ILayer* root = context.scene ? context.scene->getRootLayer() : nullptr;
    if (!m_info.visible || m_time.getSegments().empty())
        return;
    bool below = false;
    double const ancestors = ancestorOffset(root, &below);
    updateAt(context, ancestors, below);
}

void Layer::updateAt(UpdateContext& context, double ancestors, bool below)
{
    if (!m_info.visible || m_time.getSegments().empty())
        return;
    double const start = m_time.getStartTime() / 100.0 + ancestors / 100.0;
    double const end = m_time.getEndTime() / 100.0 + ancestors / 100.0;
    int const t = TimeUtil::floatToTimeUnit(context.time);
    int const s = TimeUtil::floatToTimeUnit(start);
    int const e = TimeUtil::floatToTimeUnit(end);
    bool const active = m_info.endBehavior == kEndLoop ? t >= s : (s <= t && t < e);
    if (!active)
        return;
    if (context.tracker)
        context.tracker->addLayer(context.scene, this);

    if (IGraph* graph = findGraph()) {
        double local = context.time - (startOrZero(m_time) + ancestors) / 100.0;
        if (m_info.endBehavior == kEndLoop) {
            double const length = end - start;
            // A loop of no length has no place to wrap to.
            local = length > 0.0 ? std::fmod(local, length) : 0.0;
        }
        updateGraph(context, graph, local);
    }

    IResource* target = nullptr;
    if (!core::isNullUniqueId(m_info.renderTarget))
        target = FrameworkServices::findResource(m_info.renderTarget, {});
    auto* receiver = dynamic_cast<IRenderTargetReceiver*>(target);
    if (receiver)
        receiver->begin();
    updateChildren(context, below ? ancestors + startOrZero(m_time) : 0.0, below);
    if (receiver)
        receiver->end();
    if (target)
        target->release();
}

void Layer::updateChildren(UpdateContext& context, double offset, bool below)
{
    // The children may change while they run: the walk goes over a snapshot that holds them.
    // Its storage is kept for the next frame; a nested walk of this layer takes its own.
    std::vector<ChildEntry> own;
    std::vector<ChildEntry>& walk = m_walking ? own : m_walk;
    bool const outer = !m_walking;
    m_walking = true;
    for (size_t i = 0; i < m_children.size(); ++i)
        walk.push_back({core::SmartRef<ILayer>(m_children[i]), m_childLayers[i]});
    for (ChildEntry const& entry : walk) {
        // A child that has been moved elsewhere since, or whose parent id was changed, finds
        // its ancestors itself.
        bool const ours = entry.impl && entry.impl->m_parent == this && entry.impl->m_parentId == m_id;
        if (ours)
            entry.impl->updateAt(context, offset, below);
        else
            entry.layer->update(context);
    }
    walk.clear();
    if (outer)
        m_walking = false;
}

void Layer::applyInstanceParameters(InstanceParameterMap& map, double local)
{
    size_t enabled = 0;
    for (auto& [nodeId, node] : m_nodeInstances)
        for (auto& [parameterId, instance] : node.parameters) {
            if (!instance.enabled || !instance.parameter)
                continue;
            if (instance.keyframe)
                applyKeyframe(instance.parameter.get(), instance.keyframe.get(), local);
            map[parameterId] = {instance.parameter.get(), instance.keyframe.get()};
            ++enabled;
        }
    // Entries beyond the enabled ones belong to instances since disabled or removed.
    if (map.size() == enabled)
        return;
    map.clear();
    for (auto& [nodeId, node] : m_nodeInstances)
        for (auto& [parameterId, instance] : node.parameters)
            if (instance.enabled && instance.parameter)
                map[parameterId] = {instance.parameter.get(), instance.keyframe.get()};
}

void Layer::updateGraph(UpdateContext& context, IGraph* graph, double local)
{
    UpdateContext& graphContext = m_graphContext;
    graphContext.time = local;
    graphContext.delta = context.delta;
    graphContext.playing = context.playing;
    graphContext.editor = context.editor;
    graphContext.scene = context.scene;
    graphContext.tracker = context.tracker;
    applyInstanceParameters(graphContext.instanceParameters, local);
    graph->update(graphContext);

    RenderContext& render = m_renderContext;
    render.time = static_cast<float>(local);
    render.delta = context.delta;
    render.playing = context.playing;
    render.editor = context.editor;
    // Copying into a map of as many entries reuses its nodes.
    render.instanceParameters = graphContext.instanceParameters;
    D3DXMatrixIdentity(&render.view);
    D3DXMatrixIdentity(&render.projection);
    render.eye = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    graph->render(render);

    if (!context.editor)
        return;
    for (IGraphNode* node : graph->getNodes()) {
        Guide guide;
        if (node->getGuide(guide))
            m_info.guides[node->getId()] = guide;
    }
}

ILayer* Layer::clone()
{
    auto* copy = new (std::nothrow) Layer(m_type);
    if (!copy)
        return nullptr;
    copy->m_info.graphInstance = m_info.graphInstance;
    copy->m_nodeInstances = m_nodeInstances;
    for (auto const& [nodeId, folders] : m_folders)
        for (auto const& folder : folders) {
            core::SmartRef<IGraphNodeParameterFolder> const own = createGraphNodeParameterFolder();
            if (!own)
                continue;
            own->setName(folder->getName());
            own->setExpanded(folder->getExpanded());
            copy->m_folders[nodeId].push_back(own);
        }
    return copy;
}

ILayer* createLayer(LayerType type)
{
    if (type != kLayerRoot && type != kLayerPlain && type != kLayerGraphInstance)
        return nullptr;
    return new (std::nothrow) Layer(type);
}

} // namespace tormakelin::fxcore
