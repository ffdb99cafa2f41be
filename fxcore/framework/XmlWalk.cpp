#include "XmlWalk.h"

#include <tormakelin/core/Xml.h>

namespace tormakelin::fxcore::detail {

void forEachChild(ISerializer* serializer, std::function<void(std::string const& name)> const& visit)
{
    LoadContext* context = serializer ? serializer->getLoadContext() : nullptr;
    core::IXmlNode* parent = context ? context->getCurrentNode() : nullptr;
    if (!parent)
        return;
    core::IXmlNode* child = parent->getFirstChildElement();
    if (child)
        child->addRef();
    while (child) {
        context->pushNode(child);
        visit(child->getName());
        context->popNode();
        core::IXmlNode* next = child->getNextSiblingElement();
        if (next)
            next->addRef();
        child->release();
        child = next;
    }
}

} // namespace tormakelin::fxcore::detail
