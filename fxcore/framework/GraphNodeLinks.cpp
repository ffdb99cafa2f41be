#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/ScriptApi.h>
#include <tormakelin/fxcore/ScriptEngine.h>
#include <tormakelin/fxcore/Services.h>

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "ConnectedNodes.h"
#include "LinkGeneration.h"
#include "NodeValue.h"
#include "ScriptEngineImpl.h"

namespace tormakelin::fxcore {

namespace {

void eraseLinksTo(std::vector<NodeLink>& list, IGraphNode const* node, NodeParameter const* parameter)
{
    std::erase_if(list, [&](NodeLink const& entry) {
        return entry.node.get() == node && entry.parameter == parameter;
    });
}

IParameter* scriptInputLookup(IGraphNode* node, std::string const& name)
{
    NodeParameter* input = node ? node->findInput(name) : nullptr;
    return input ? input->value : nullptr;
}

std::uint64_t g_linkGeneration = 0;

std::string const& emptyText()
{
    static std::string const empty;
    return empty;
}

// Made once: findInput takes a text, and these names are too long to be kept inline.
std::string const& scriptTextName()
{
    static std::string const name = "Attributes/Script";
    return name;
}

std::string const& valueInputName()
{
    static std::string const name = "Attributes/Value";
    return name;
}

// A text parameter's own text, without a copy; other kinds are formatted into a kept buffer.
std::string const& textOf(IParameter const& parameter)
{
    if (holdsText(parameter.getType()))
        return const_cast<IParameter&>(parameter).getData().text;
    static thread_local std::string formatted;
    formatted = parameter.getText();
    return formatted;
}

core::UniqueId idOf(IParameter const& parameter)
{
    return core::stringToUniqueId(textOf(parameter));
}

} // namespace

std::uint64_t detail::linkGeneration()
{
    return g_linkGeneration;
}

void detail::linksChanged()
{
    ++g_linkGeneration;
}

void collectUpstream(IGraphNode* node, std::vector<core::SmartRef<IGraphNode>>& out)
{
    if (!node)
        return;
    // Iterative, so a long chain cannot exhaust the stack.
    std::unordered_set<IGraphNode const*> seen;
    for (auto const& entry : out)
        seen.insert(entry.get());
    if (!seen.insert(node).second)
        return;
    std::vector<std::pair<IGraphNode*, size_t>> pending{{node, 0}};
    while (!pending.empty()) {
        auto& [current, next] = pending.back();
        std::vector<NodeParameter*> const& inputs = current->getInputs();
        IGraphNode* source = nullptr;
        while (next < inputs.size() && !source) {
            NodeParameter const* input = inputs[next++];
            if (!input->incoming.empty() && seen.insert(input->incoming.front().node.get()).second)
                source = input->incoming.front().node.get();
        }
        if (source) {
            pending.emplace_back(source, 0);
            continue;
        }
        out.emplace_back(current);
        pending.pop_back();
    }
}

void internalUpdate(IGraphNode* node, UpdateContext& context)
{
    std::vector<core::SmartRef<IGraphNode>> order;
    collectUpstream(node, order);
    for (auto const& entry : order)
        entry->update(context);
}

bool GraphNode::canLink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify)
{
    if (!output || !destNode || !destInput || !destInput->linkable)
        return false;
    if (destNode->getId() == m_id)
        return false;
    if (notify && !destInput->incoming.empty())
        return false;
    std::vector<core::SmartRef<IGraphNode>> upstream;
    collectUpstream(this, upstream);
    return std::none_of(upstream.begin(), upstream.end(),
        [&](auto const& entry) { return entry.get() == destNode || entry->getId() == destNode->getId(); });
}

void GraphNode::link(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify)
{
    if (!output || !destNode || !destInput)
        return;
    bool const hadLink = !destInput->incoming.empty();
    if (hadLink) {
        NodeLink const old = destInput->incoming.front();
        old.node->unlink(old.parameter, destNode, destInput, false);
        // Whatever the old source left behind goes too: an input takes one link.
        destInput->incoming.clear();
    }
    output->outgoing.push_back(NodeLink{destNode, destInput});
    destInput->incoming.push_back(NodeLink{this, output});
    detail::linksChanged();
    if (notify && !hadLink)
        destNode->onParameterConnected();
}

void GraphNode::unlink(NodeParameter* output, IGraphNode* destNode, NodeParameter* destInput, bool notify)
{
    if (!output)
        return;
    auto const found = std::find_if(output->outgoing.begin(), output->outgoing.end(),
        [&](NodeLink const& entry) { return entry.node.get() == destNode && entry.parameter == destInput; });
    if (found == output->outgoing.end())
        return;
    // Both entries go before the partner hears of it: its hook may delete the input.
    core::SmartRef<IGraphNode> const keep = destNode;
    output->outgoing.erase(found);
    eraseLinksTo(destInput->incoming, this, output);
    detail::linksChanged();
    if (notify)
        destNode->onParameterDisconnected();
}

void GraphNode::unlinkAll()
{
    // The partners' entries may hold the last references to this node; a node being destroyed
    // has none left to lose.
    if (getRefCount() > 0)
        addRef();
    detail::linksChanged();
    for (NodeParameter* output : m_outputs) {
        std::vector<NodeLink> const outgoing = std::exchange(output->outgoing, {});
        for (NodeLink const& entry : outgoing) {
            eraseLinksTo(entry.parameter->incoming, this, output);
            entry.node->onParameterDisconnected();
        }
    }
    for (NodeParameter* input : m_inputs) {
        std::vector<NodeLink> const incoming = std::exchange(input->incoming, {});
        for (NodeLink const& entry : incoming)
            eraseLinksTo(entry.parameter->outgoing, this, input);
    }
    if (getRefCount() > 0)
        release();
}

void GraphNode::update(UpdateContext& context)
{
    if (!getUpdateFlag())
        return;
    runScript(context);
    for (NodeParameter* input : m_inputs)
        updateParameterVariable(context, input);
    eval(context);
    for (NodeParameter* output : m_outputs)
        if (output->variable && output->getType() != kParameterLink)
            writeFromVariable(*output->value, output->variable);
    pushOutputs();
    setUpdateFlag(false);
}

void GraphNode::runScript(UpdateContext const& context)
{
    if (!m_scriptModule)
        return;
    std::string const& text = linkedScriptText();
    if (text.empty())
        return;
    ScriptContext scriptContext;
    scriptContext.scene = context.scene;
    scriptContext.node = this;
    scriptContext.time = static_cast<float>(context.time);
    scriptContext.globalTime = static_cast<float>(context.time);
    scriptContext.delta = context.delta;
    scriptContext.editor = context.editor;
    scriptContext.playing = context.playing;
    // Scripts reach their node's inputs through the graph code.
    AsTormakelin::s_inputLookup = &scriptInputLookup;
    m_scriptModule->run(scriptContext, text);
}

// Read in place: the script's text is not copied each frame.
std::string const& GraphNode::linkedScriptText()
{
    IGraphNode* source = firstNodeConnectedToInput("Script/Script");
    NodeParameter const* script = source ? source->findInput(scriptTextName()) : nullptr;
    return script ? textOf(*script->value) : emptyText();
}

void GraphNode::prebuildScript()
{
    if (m_scriptModule)
        prebuildScriptModule(m_scriptModule, linkedScriptText());
}

void GraphNode::pushOutputs()
{
    for (NodeParameter* output : m_outputs)
        for (NodeLink const& entry : output->outgoing)
            pushValue(*output->value, *entry.parameter->value);
}

std::vector<core::SmartRef<IGraphNode>> GraphNode::getNodesConnectedToInput(
    std::string const& name, std::vector<core::UniqueId> const& ids)
{
    std::vector<core::SmartRef<IGraphNode>> nodes;
    collectNodesConnectedToInput(name, ids, nodes);
    return nodes;
}

std::vector<core::SmartRef<IResource>> GraphNode::getResourcesConnectedToInput(std::string const& name,
    std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances)
{
    std::vector<core::SmartRef<IResource>> resources;
    collectResourcesConnectedToInput(name, typeIds, instances, resources);
    return resources;
}

IGraphNode* GraphNode::firstNodeConnectedToInput(std::string_view name)
{
    IGraphNode* first = nullptr;
    detail::forEachConnectedNode(findInputNamed(name), [&](IGraphNode* node) {
        first = node;
        return false;
    });
    return first;
}

bool isNodeOfKind(IGraphNode const* node, std::vector<core::UniqueId> const& ids)
{
    auto const contains = [&](core::UniqueId const& id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    return ids.empty() || contains(pluginIdOf(node)) || contains(node->getId());
}

void GraphNode::collectNodesConnectedToInput(std::string_view name, std::vector<core::UniqueId> const& ids,
    std::vector<core::SmartRef<IGraphNode>>& out)
{
    out.clear();
    detail::forEachConnectedNode(findInputNamed(name), [&](IGraphNode* node) {
        if (isNodeOfKind(node, ids))
            out.emplace_back(node);
        return true;
    });
}

namespace {

// Calls `visit(IResource*)` for each resource the input names, until it returns false.
template <class Visit>
void forEachConnectedResource(NodeParameter const* input, std::vector<core::UniqueId> const& typeIds,
    InstanceParameterMap const& instances, Visit&& visit)
{
    if (!input || input->getType() != kParameterResource)
        return;
    auto add = [&](IParameter const& idParameter) {
        IResource* resource = FrameworkServices::findResource(idOf(idParameter), typeIds);
        if (!resource)
            return true;
        // The visitor takes its own reference; drop the one the lookup handed out.
        core::SmartRef<IResource> const held(resource);
        resource->release();
        return visit(held);
    };
    auto addValueOf = [&](IGraphNode const* source) {
        NodeParameter const* value = source->findInput(valueInputName());
        return value ? add(*value->value) : true;
    };
    if (input->incoming.empty()) {
        auto const instance = instances.find(input->getId());
        bool const overridden = instance != instances.end() && instance->second.parameter;
        add(overridden ? *instance->second.parameter : *input->value);
        return;
    }
    if (IGraphNode const* source = input->incoming.front().node.get(); pluginIdOf(source) == resourceParameterNodeId()) {
        addValueOf(source);
        return;
    }
    detail::forEachConnectedNode(input, [&](IGraphNode* source) {
        if (pluginIdOf(source) == resourceParameterNodeId() || source->getId() == resourceParameterNodeId())
            return addValueOf(source);
        return true;
    });
}

} // namespace

void GraphNode::collectResourcesConnectedToInput(std::string_view name, std::vector<core::UniqueId> const& typeIds,
    InstanceParameterMap const& instances, std::vector<core::SmartRef<IResource>>& out)
{
    out.clear();
    forEachConnectedResource(findInputNamed(name), typeIds, instances, [&](core::SmartRef<IResource> const& resource) {
        out.push_back(resource);
        return true;
    });
}

core::SmartRef<IResource> GraphNode::firstResourceConnectedToInput(std::string_view name,
    std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances)
{
    NodeParameter const* input = findInputNamed(name);
    return core::SmartRef<IResource>(input ? firstResourceOnInput(*input, typeIds, instances) : nullptr);
}

IResource* firstResourceOnInput(NodeParameter const& input, std::vector<core::UniqueId> const& typeIds,
    InstanceParameterMap const& instances)
{
    IResource* first = nullptr;
    forEachConnectedResource(&input, typeIds, instances, [&](core::SmartRef<IResource> const& resource) {
        first = resource.get();
        return false;
    });
    return first;
}

} // namespace tormakelin::fxcore
