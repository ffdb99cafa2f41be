#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/String.h>

#include "ConnectedNodes.h"

#include <algorithm>

namespace tormakelin::fxcore {

namespace {

PluginDesc nodeDesc(char const* id, char const* path, char const* name)
{
    PluginDesc desc;
    desc.type = kPluginGraphNode;
    desc.id = core::stringToUniqueId(id);
    desc.path = path;
    desc.name = name;
    return desc;
}

std::string stackInputName(size_t number)
{
    return core::formatString("Input-%d", static_cast<int>(number));
}

} // namespace

PluginDesc RenderStack::_pluginDesc =
    nodeDesc("ADF3C9B7-E5BB-11DD-852B-B0D445C48459", "Stack/Render Stack", "Render Stack Node");
PluginDesc NodeStack::_pluginDesc =
    nodeDesc("B712BAB5-E6E9-11DD-844F-ED9E3C6EA2DB", "Stack/Node Stack", "Node Stack Node");
PluginDesc Collection::_pluginDesc =
    nodeDesc("AA18FF48-EA4A-11DE-84F2-9904CA330864", "Core/Collection", "Collection Node");
PluginDesc SelectFromStack::_pluginDesc =
    nodeDesc("E959B31C-41F7-11DE-9D15-A2A6D0B38BFD", "Stack/Select From Stack", "Select from stack");
PluginDesc ScriptNode::_pluginDesc =
    nodeDesc("1D77C1E0-F78D-11DD-BD73-A3099C3902D7", "Script/Script", "Script Node");

core::UniqueId const& viewMatrixNodeId()
{
    static core::UniqueId const id = core::stringToUniqueId("C0C906CA-1303-11DE-A0D4-DFE1E68F042A");
    return id;
}

core::UniqueId const& resourceParameterNodeId()
{
    static core::UniqueId const id = core::stringToUniqueId("C52657D0-17FE-11DE-BF94-A17399492AB8");
    return id;
}

core::UniqueId pluginIdOf(IGraphNode const* node)
{
    auto const* plugin = dynamic_cast<IPlugin const*>(node);
    return plugin ? plugin->getPluginDesc().id : core::UniqueId{};
}

Effect::Effect()
{
    addOutput("Output", kParameterLink, nullptr);
}

GraphNodeType Effect::getNodeType() const { return kGraphNodeEffect; }
void Effect::eval(UpdateContext&) {}
void Effect::onActivated() {}
void Effect::onDeactivated() {}
void Effect::onPlaybackStop() {}
void Effect::onPlaybackSetTime(UpdateContext&) {}
void Effect::render(RenderContext&) {}

GraphNodeType Modifier::getNodeType() const { return kGraphNodePlain; }
void Modifier::eval(UpdateContext&) {}
void Modifier::onActivated() {}
void Modifier::onDeactivated() {}
void Modifier::onPlaybackStop() {}
void Modifier::onPlaybackSetTime(UpdateContext&) {}

void StackInputs::onConnected(GraphNode& node)
{
    node.addInput(stackInputName(node.getInputs().size()), kParameterLink, "", nullptr);
}

void StackInputs::onDisconnected(GraphNode& node)
{
    for (size_t i = node.getInputs().size(); i-- > 0;) {
        NodeParameter const* input = node.getInputs()[i];
        if (input->getType() == kParameterLink && input->incoming.empty())
            node.removeInput(static_cast<unsigned int>(i));
    }
    node.addInput(stackInputName(node.getInputs().size()), kParameterLink, "", nullptr);
    std::vector<NodeParameter*> const& inputs = node.getInputs();
    if (inputs.size() < 2)
        return;
    for (size_t i = 1; i < inputs.size(); ++i)
        inputs[i]->name = stackInputName(i);
}

std::vector<core::SmartRef<IGraphNode>> StackInputs::linkedSources(GraphNode const& node)
{
    std::vector<core::SmartRef<IGraphNode>> sources;
    // One allocation per call, whatever the stack's size.
    sources.reserve(node.getInputs().size());
    for (NodeParameter const* input : node.getInputs())
        if (input->getType() == kParameterLink && !input->incoming.empty())
            sources.push_back(input->incoming.front().node);
    return sources;
}

RenderStack::RenderStack()
{
    addInput("Input-1", kParameterLink, "", nullptr);
}

GraphNodeType RenderStack::getNodeType() const { return kGraphNodeRenderStack; }
void RenderStack::onParameterConnected() { StackInputs::onConnected(*this); }
void RenderStack::onParameterDisconnected() { StackInputs::onDisconnected(*this); }

std::vector<core::SmartRef<IGraphNode>> RenderStack::getEffects() const
{
    std::vector<core::SmartRef<IGraphNode>> effects = StackInputs::linkedSources(*this);
    std::erase_if(effects, [](auto const& node) { return node->getNodeType() != kGraphNodeEffect; });
    return effects;
}

NodeStack::NodeStack()
{
    addInput("Input-1", kParameterLink, "", nullptr);
    addOutput("Output", kParameterLink, nullptr);
}

GraphNodeType NodeStack::getNodeType() const { return kGraphNodeNodeStack; }
void NodeStack::onParameterConnected() { StackInputs::onConnected(*this); }
void NodeStack::onParameterDisconnected() { StackInputs::onDisconnected(*this); }
std::vector<core::SmartRef<IGraphNode>> NodeStack::getNodes() const { return StackInputs::linkedSources(*this); }

std::vector<core::SmartRef<IGraphNode>> NodeStack::getNodesByPluginId(core::UniqueId const& id) const
{
    std::vector<core::SmartRef<IGraphNode>> nodes = getNodes();
    std::erase_if(nodes, [&](auto const& node) { return pluginIdOf(node.get()) != id && node->getId() != id; });
    return nodes;
}

SelectFromStack::SelectFromStack()
{
    addInput("Stack", kParameterLink, "", nullptr);
    addInput("Index", kParameterInt, "0", &m_index);
    addOutput("Result", kParameterLink, nullptr);
}

GraphNodeType SelectFromStack::getNodeType() const { return kGraphNodePlain; }
void SelectFromStack::eval(UpdateContext&) {}

core::SmartRef<IGraphNode> SelectFromStack::getSelectedNode()
{
    return core::SmartRef<IGraphNode>(selectedNode());
}

void forEachLinkedNode(NodeParameter const& input, void (*visit)(IGraphNode*, void*), void* user)
{
    detail::forEachConnectedNode(&input, [&](IGraphNode* node) {
        visit(node, user);
        return true;
    });
}

IGraphNode* SelectFromStack::selectedNode()
{
    // Compared as unsigned, so a negative index, like one past the end, picks the last node.
    size_t const index = static_cast<unsigned int>(m_index);
    IGraphNode* picked = nullptr;
    size_t at = 0;
    detail::forEachConnectedNode(findInputNamed("Stack"), [&](IGraphNode* node) {
        picked = node;
        return at++ < index;
    });
    return picked;
}

ScriptNode::ScriptNode()
{
    NodeParameter* script = addInput("Attributes/Script", kParameterText, "", &m_scriptText);
    script->linkable = false;
    script->visible = false;
    addOutput("Output", kParameterLink, nullptr);
}

GraphNodeType ScriptNode::getNodeType() const { return kGraphNodePlain; }
void ScriptNode::eval(UpdateContext&) {}

GraphNodeType Collection::getNodeType() const { return kGraphNodeCollection; }
void Collection::eval(UpdateContext&) {}

NodeParameter* Collection::addInput(std::string const& name, IGraphNode* innerNode, NodeParameter* innerParameter)
{
    if (!innerNode || !innerParameter)
        return nullptr;
    NodeParameter* own = GraphNode::addInput("Attributes/" + name, innerParameter->getType(),
        innerParameter->value->getText(), nullptr);
    getPendingLinks().push_back(CollectionLink{innerNode->getId(), innerNode, innerParameter->getId(),
        innerParameter, own->getId(), own});
    return own;
}

NodeParameter* Collection::addOutput(std::string name, IGraphNode* innerNode, NodeParameter* innerParameter)
{
    if (!innerNode || !innerParameter)
        return nullptr;
    NodeParameter* own = GraphNode::addOutput(std::move(name), innerParameter->getType(), nullptr);
    getPendingLinks().push_back(CollectionLink{innerNode->getId(), innerNode, innerParameter->getId(),
        innerParameter, own->getId(), own});
    return own;
}

} // namespace tormakelin::fxcore
