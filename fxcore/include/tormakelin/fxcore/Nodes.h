#pragma once

#include <tormakelin/fxcore/GraphNode.h>

#include <type_traits>

namespace tormakelin::fxcore {

// Nodes that draw; the graph renders the ones its render stacks gather.
class TORMAKELIN_FXCORE_API Effect : public GraphNode {
public:
    Effect();
    GraphNodeType getNodeType() const override;
    void eval(UpdateContext& context) override;
    void onActivated() override;
    void onDeactivated() override;
    void onPlaybackStop() override;
    void onPlaybackSetTime(UpdateContext& context) override;
    virtual void render(RenderContext& context);
};

// Nodes that only compute.
class TORMAKELIN_FXCORE_API Modifier : public GraphNode {
public:
    GraphNodeType getNodeType() const override;
    void eval(UpdateContext& context) override;
    void onActivated() override;
    void onDeactivated() override;
    void onPlaybackStop() override;
    void onPlaybackSetTime(UpdateContext& context) override;
};

// The inputs of both stacks grow by one free "Input-%d" as links come and go.
class TORMAKELIN_FXCORE_API StackInputs {
public:
    static void onConnected(GraphNode& node);
    static void onDisconnected(GraphNode& node);
    // The sources linked to the node's link-type inputs, in input order.
    static std::vector<core::SmartRef<IGraphNode>> linkedSources(GraphNode const& node);
};

class TORMAKELIN_FXCORE_API RenderStack : public GraphNode {
public:
    static PluginDesc _pluginDesc;
    RenderStack();
    GraphNodeType getNodeType() const override;
    void onParameterConnected() override;
    void onParameterDisconnected() override;
    std::vector<core::SmartRef<IGraphNode>> getEffects() const;
};

class TORMAKELIN_FXCORE_API NodeStack : public GraphNode {
public:
    static PluginDesc _pluginDesc;
    NodeStack();
    GraphNodeType getNodeType() const override;
    void onParameterConnected() override;
    void onParameterDisconnected() override;
    std::vector<core::SmartRef<IGraphNode>> getNodes() const;
    std::vector<core::SmartRef<IGraphNode>> getNodesByPluginId(core::UniqueId const& id) const;
};

class TORMAKELIN_FXCORE_API SelectFromStack : public GraphNode {
public:
    static PluginDesc _pluginDesc;
    SelectFromStack();
    GraphNodeType getNodeType() const override;
    void eval(UpdateContext& context) override;
    // Null when nothing is linked to "Stack".
    core::SmartRef<IGraphNode> getSelectedNode();
    // The same without taking a reference, for the frame path.
    IGraphNode* selectedNode();

private:
    int m_index = 0;
};

class TORMAKELIN_FXCORE_API ScriptNode : public GraphNode {
public:
    static PluginDesc _pluginDesc;
    ScriptNode();
    GraphNodeType getNodeType() const override;
    void eval(UpdateContext& context) override;
    std::string const& getScriptText() const { return m_scriptText; }

private:
    std::string m_scriptText;
};

class TORMAKELIN_FXCORE_API Collection : public GraphNode {
public:
    static PluginDesc _pluginDesc;
    GraphNodeType getNodeType() const override;
    void eval(UpdateContext& context) override;
    NodeParameter* addInput(std::string const& name, IGraphNode* innerNode, NodeParameter* innerParameter);
    NodeParameter* addOutput(std::string name, IGraphNode* innerNode, NodeParameter* innerParameter);
    using GraphNode::addInput;
    using GraphNode::addOutput;
};

// Calls `visit(node, user)` for every node linked to the input, in the order
// getNodesConnectedToInput lists them (without a type filter); allocates nothing, for the frame path.
TORMAKELIN_FXCORE_API void forEachLinkedNode(NodeParameter const& input, void (*visit)(IGraphNode*, void*), void* user);

template <class Visit>
void forEachLinkedNode(NodeParameter const& input, Visit&& visit)
{
    using Callable = std::remove_reference_t<Visit>;
    forEachLinkedNode(input, [](IGraphNode* node, void* user) { (*static_cast<Callable*>(user))(node); },
        const_cast<void*>(static_cast<void const*>(&visit)));
}

// Whether the node is of one of the kinds (plug-in or node ids); every node is when `ids` is empty.
TORMAKELIN_FXCORE_API bool isNodeOfKind(IGraphNode const* node, std::vector<core::UniqueId> const& ids);

// The linked nodes of the given kinds only; a null input has none.
template <class Visit>
void forEachLinkedNode(NodeParameter const* input, std::vector<core::UniqueId> const& ids, Visit&& visit)
{
    if (!input)
        return;
    forEachLinkedNode(*input, [&](IGraphNode* node) {
        if (isNodeOfKind(node, ids))
            visit(node);
    });
}

// The first resource of the given kinds on a resource input, as getResourcesConnectedToInput
// finds it, or null; the resource manager keeps it alive. Allocates nothing, for the frame path.
TORMAKELIN_FXCORE_API IResource* firstResourceOnInput(NodeParameter const& input,
    std::vector<core::UniqueId> const& typeIds, InstanceParameterMap const& instances);

// Ids of node types the framework code recognises in a graph.
TORMAKELIN_FXCORE_API core::UniqueId const& viewMatrixNodeId();
TORMAKELIN_FXCORE_API core::UniqueId const& resourceParameterNodeId();

// The PluginDesc id of a node, the null id when it has none.
TORMAKELIN_FXCORE_API core::UniqueId pluginIdOf(IGraphNode const* node);

} // namespace tormakelin::fxcore
