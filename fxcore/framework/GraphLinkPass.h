#pragma once

#include <tormakelin/fxcore/GraphNode.h>

#include <functional>

namespace tormakelin::core {
class IXmlNode;
}

namespace tormakelin::fxcore::detail {

using NodeLookup = std::function<IGraphNode*(core::UniqueId const&)>;

// Re-creates the stored links of a "Graph" element between the nodes the lookup finds. Only
// outputs feed inputs; self-links, cycles and links of elements that did not load are refused.
void linkGraphElement(core::IXmlNode* graphElement, NodeLookup const& lookup);

// Calls the visitor for each child element of that name, holding each wrapper while it runs.
void forEachXmlChild(core::IXmlNode* parent, char const* name, std::function<void(core::IXmlNode*)> const& visit);

} // namespace tormakelin::fxcore::detail
