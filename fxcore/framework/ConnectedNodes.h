#pragma once
// Walks the nodes an input reads without building a list, for the allocation-free queries.

#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Nodes.h>

namespace tormakelin::fxcore::detail {

// Calls `visit(IGraphNode*)` for each node `input` reads: the sources of a node stack in input
// order, the node a selection picks, or the one linked node; `visit` returns false to stop.
template <class Visit>
void forEachConnectedNode(NodeParameter const* input, Visit&& visit)
{
    if (!input || input->incoming.empty())
        return;
    IGraphNode* source = input->incoming.front().node.get();
    // The id first: a cast costs more than the compare, and most sources are neither kind.
    core::UniqueId const pluginId = pluginIdOf(source);
    auto* stack = pluginId == NodeStack::_pluginDesc.id ? dynamic_cast<NodeStack*>(source) : nullptr;
    auto* select = !stack && pluginId == SelectFromStack::_pluginDesc.id ? dynamic_cast<SelectFromStack*>(source)
                                                                         : nullptr;
    if (stack) {
        for (NodeParameter const* stackInput : stack->getInputs())
            if (stackInput->getType() == kParameterLink && !stackInput->incoming.empty())
                if (!visit(stackInput->incoming.front().node.get()))
                    return;
    } else if (select) {
        if (IGraphNode* selected = select->selectedNode())
            visit(selected);
    } else {
        visit(source);
    }
}

} // namespace tormakelin::fxcore::detail
