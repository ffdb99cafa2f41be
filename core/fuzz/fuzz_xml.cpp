// Loads arbitrary bytes as an XML document, walks it and saves it again. A loaded tree must
// never be deeper or wider than the check before parsing measured the text to be.

#include <QuietLog.h>
#include <XmlLimits.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
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

// The deepest element below `node` (itself level `level`) and the most attributes one carries.
void measureTree(IXmlNode* node, int level, XmlExtent& extent)
{
    std::map<std::string, std::string> attributes;
    node->getAttributes(attributes);
    extent.depth = std::max(extent.depth, level);
    extent.attributes = std::max(extent.attributes, int(attributes.size()));
    for (SmartRef<IXmlNode> child(node->getFirstChildElement()); child; child = child->getNextSiblingElement()) {
        measureTree(child.get(), level + 1, extent);
    }
}

// Every top-level element, not only the root: the parser keeps reading after the first.
void checkAgainstMeasure(IXmlNode* root, const uint8_t* data, size_t size)
{
    const XmlExtent measured = measureXml(reinterpret_cast<const char*>(data), size);
    XmlExtent tree;
    for (SmartRef<IXmlNode> top(root); top; top = top->getNextSiblingElement()) {
        measureTree(top.get(), 1, tree);
    }
    if (tree.depth > measured.depth || tree.attributes > measured.attributes) {
        std::fprintf(stderr, "tree %d deep with %d attributes, measured %d and %d\n", tree.depth, tree.attributes,
            measured.depth, measured.attributes);
        std::abort();
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
        checkAgainstMeasure(root.get(), data, size);
        walk(root.get(), 0);
    }
    SmartRef<IStream> saved(document->save());
    if (saved) {
        SmartRef<IXmlDocument> again(createXmlDocument());
        again->load(saved.get());
    }
    return 0;
}
