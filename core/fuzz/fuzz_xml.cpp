// Loads arbitrary bytes as an XML document, walks it and saves it again.

#include <QuietLog.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

using namespace tormakelin::core;

namespace {

void walk(IXmlNode* node, int depth)
{
    if (depth > 200) {
        return;
    }
    for (SmartRef<IXmlNode> child(node->getFirstChildElement()); child; child = child->getNextSiblingElement()) {
        std::map<std::string, std::string> attributes;
        child->getAttributes(attributes);
        for (const auto& [name, value] : attributes) {
            int i = 0;
            double d = 0;
            child->getAttribute(name, i);
            child->getAttribute(name, d);
        }
        std::string text;
        child->getText(text);
        walk(child.get(), depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tormakelin::test::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SmartRef<IStream> input(createMemStream(const_cast<uint8_t*>(data), unsigned(size), true, false));
    SmartRef<IXmlDocument> document(createXmlDocument());
    if (!document->load(input.get())) {
        return 0;
    }
    SmartRef<IXmlNode> root(document->getRoot());
    if (root) {
        walk(root.get(), 0);
    }
    SmartRef<IStream> saved(document->save());
    if (saved) {
        SmartRef<IXmlDocument> again(createXmlDocument());
        again->load(saved.get());
    }
    return 0;
}
