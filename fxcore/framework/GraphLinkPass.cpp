#include "GraphLinkPass.h"

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/Xml.h>

#include <algorithm>
#include <set>
#include <string>

namespace tormakelin::fxcore::detail {

namespace {

core::UniqueId idAttribute(core::IXmlNode* node, char const* name)
{
    std::string text;
    node->getAttribute(name, text);
    return core::stringToUniqueId(text);
}

bool isOutputOf(IGraphNode const* node, NodeParameter const* parameter)
{
    auto const& outputs = node->getOutputs();
    return std::find(outputs.begin(), outputs.end(), parameter) != outputs.end();
}

void linkInput(core::IXmlNode* link, IGraphNode* node, NodeParameter* input, NodeLookup const& lookup)
{
    IGraphNode* source = lookup(idAttribute(link, "NodeId"));
    if (!source || source == node)
        return;
    NodeParameter* output = source->findParameterById(idAttribute(link, "ParamId"));
    if (!output || !isOutputOf(source, output))
        return;
    if (source->canLink(output, node, input, false))
        source->link(output, node, input, false);
}

} // namespace

void forEachXmlChild(core::IXmlNode* parent, char const* name, std::function<void(core::IXmlNode*)> const& visit)
{
    if (!parent)
        return;
    core::IXmlNode* child = parent->getFirstChildElement();
    if (child)
        child->addRef();
    while (child) {
        if (child->getName() == name)
            visit(child);
        core::IXmlNode* next = child->getNextSiblingElement();
        if (next)
            next->addRef();
        child->release();
        child = next;
    }
}

void linkGraphElement(core::IXmlNode* graphElement, NodeLookup const& lookup)
{
    std::set<core::UniqueId, core::UniqueIdLess> seen;
    forEachXmlChild(graphElement, "GraphNode", [&](core::IXmlNode* element) {
        core::UniqueId const id = idAttribute(element, "Id");
        // Only the element that made the node speaks for it: not a repeat, not a skipped type.
        IGraphNode* node = lookup(id);
        if (!node || pluginIdOf(node) != idAttribute(element, "PluginId") || !seen.insert(id).second)
            return;
        forEachXmlChild(element, "Inputs", [&](core::IXmlNode* inputs) {
            forEachXmlChild(inputs, "Parameter", [&](core::IXmlNode* parameter) {
                std::string name;
                parameter->getAttribute("Name", name);
                NodeParameter* input = node->findInput(name);
                if (!input)
                    return;
                forEachXmlChild(parameter, "InputLink",
                    [&](core::IXmlNode* link) { linkInput(link, node, input, lookup); });
            });
        });
    });
}

} // namespace tormakelin::fxcore::detail
