#include "TestSupport.h"

#include <OwnedStream.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;
using tormakelin::test::textStream;

namespace {

std::string rendered(IXmlDocument& document)
{
    SmartRef<IStream> stream(document.save());
    if (!stream) {
        return "<null>";
    }
    return std::string(static_cast<const char*>(stream->getData()), stream->getSize());
}

SmartRef<IXmlDocument> parsed(const std::string& text)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    EXPECT_TRUE(document->load(textStream(text).get())) << text;
    return document;
}

std::string attributeText(IXmlNode& node, const char* name)
{
    std::string value;
    return node.getAttribute(name, value) ? value : "<missing>";
}

} // namespace

TEST(Xml, BuiltDocumentPrintsWithTabsAndCrLf)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    ASSERT_TRUE(document->create("Document"));
    SmartRef<IXmlNode> root(document->getRoot());
    ASSERT_TRUE(root);
    SmartRef<IXmlNode> settings(document->addElement(root.get(), "DocumentSettings"));
    settings->setAttribute("aspect", 0.5f);
    settings->setAttribute("width", -3);
    settings->setAttribute("name", std::string("a<b & \"c\""));
    SmartRef<IXmlNode> leaf(document->addElement(settings.get(), "Empty"));
    SmartRef<IXmlNode> script(document->addElement(root.get(), "Script"));
    SmartRef<IXmlNode> text(document->addText(script.get(), "if (a < b && c > d) {}"));

    const std::string expected =
        "<Document>\r\n"
        "\t<DocumentSettings aspect=\"0.500000\" width=\"-3\" name='a&lt;b &amp; &quot;c&quot;'>\r\n"
        "\t\t<Empty />\r\n"
        "\t</DocumentSettings>\r\n"
        "\t<Script>\r\n"
        "\t\t<![CDATA[if (a < b && c > d) {}]]>\r\n"
        "\t</Script>\r\n"
        "</Document>\r\n";
    EXPECT_EQ(rendered(*document), expected);

    SmartRef<IXmlDocument> again = parsed(expected);
    EXPECT_EQ(rendered(*again), expected) << "load and save round-trip";
    SmartRef<IXmlNode> reloaded(again->getRoot());
    SmartRef<IXmlNode> first(reloaded->getFirstChildElement());
    EXPECT_EQ(attributeText(*first, "name"), "a<b & \"c\"");
}

TEST(Xml, CdataHoldingItsOwnTerminatorSurvivesSaveAndLoad)
{
    const std::string scripts[] = {"a]]>b", "]]>", "x]]>]]>y]]", "]]]>>"};
    for (const std::string& source : scripts) {
        SmartRef<IXmlDocument> document(createXmlDocument());
        document->create("Root");
        SmartRef<IXmlNode> root(document->getRoot());
        SmartRef<IXmlNode> const added(document->addText(root.get(), source));
        const std::string saved = rendered(*document);
        SmartRef<IXmlDocument> loaded = parsed(saved);
        SmartRef<IXmlNode> loadedRoot(loaded->getRoot());
        std::string text;
        ASSERT_TRUE(loadedRoot->getText(text)) << saved;
        EXPECT_EQ(text, source) << saved;
        EXPECT_EQ(rendered(*loaded), saved) << "stable over a second round";
        std::string original;
        root->getText(original);
        EXPECT_EQ(original, source) << "saving leaves the tree as it was";
    }
}

TEST(Xml, NumberAttributesTable)
{
    SmartRef<IXmlDocument> document =
        parsed("<R i1=\"12abc\" i2=\"abc\" i3=\" -7\" d1=\"1e3\" d2=\"2.5\" d3=\"x\" f1=\"0.25\"/>");
    SmartRef<IXmlNode> root(document->getRoot());
    int i = 99;
    EXPECT_TRUE(root->getAttribute("i1", i));
    EXPECT_EQ(i, 12);
    i = 99;
    EXPECT_FALSE(root->getAttribute("i2", i));
    EXPECT_EQ(i, 99) << "untouched on failure";
    EXPECT_TRUE(root->getAttribute("i3", i));
    EXPECT_EQ(i, -7);
    EXPECT_FALSE(root->getAttribute("missing", i));
    double d = 0;
    EXPECT_TRUE(root->getAttribute("d1", d));
    EXPECT_EQ(d, 1000.0);
    EXPECT_TRUE(root->getAttribute("d2", d));
    EXPECT_EQ(d, 2.5);
    d = 4;
    EXPECT_FALSE(root->getAttribute("d3", d));
    EXPECT_EQ(d, 4);
    float f = 0;
    EXPECT_TRUE(root->getAttribute("f1", f));
    EXPECT_EQ(f, 0.25f);

    root->setAttribute("f", 0.5f);
    root->setAttribute("d", 1.0 / 3.0);
    root->setAttribute("i", -3);
    EXPECT_EQ(attributeText(*root, "f"), "0.500000");
    EXPECT_EQ(attributeText(*root, "d"), "0.333333");
    EXPECT_EQ(attributeText(*root, "i"), "-3");

    std::map<std::string, std::string> all;
    root->getAttributes(all);
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all["i1"], "12abc");
}

TEST(Xml, NavigationVisitsElementsOnly)
{
    SmartRef<IXmlDocument> document =
        parsed("<?xml version=\"1.0\"?><!-- c --><Root><A/>text<!-- c --><B>plain</B><C><D/></C></Root>");
    SmartRef<IXmlNode> root(document->getRoot());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->getName(), "Root");
    std::vector<std::string> names;
    for (SmartRef<IXmlNode> child(root->getFirstChildElement()); child; child = child->getNextSiblingElement()) {
        names.push_back(child->getName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));

    SmartRef<IXmlNode> a(root->getFirstChildElement());
    SmartRef<IXmlNode> b(a->getNextSiblingElement());
    SmartRef<IXmlNode> c(b->getNextSiblingElement());
    std::string text = "untouched";
    EXPECT_TRUE(b->getText(text));
    EXPECT_EQ(text, "plain");
    text = "untouched";
    EXPECT_FALSE(c->getText(text)) << "first child is an element";
    EXPECT_FALSE(a->getText(text));
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(SmartRef<IXmlNode>(a->getFirstChildElement()), nullptr);
    b->setName("Renamed");
    EXPECT_EQ(b->getName(), "Renamed");
}

TEST(Xml, TextNodesAcceptSetText)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    document->create("Root");
    SmartRef<IXmlNode> root(document->getRoot());
    SmartRef<IXmlNode> text(document->addText(root.get(), "old"));
    text->setText("new");
    root->setText("ignored on an element");
    std::string value;
    EXPECT_TRUE(root->getText(value));
    EXPECT_EQ(value, "new");
    EXPECT_FALSE(text->setAttribute("x", 1)) << "a text node has no attributes";
    EXPECT_EQ(document->addElement(text.get(), "child"), nullptr) << "only elements take children";
}

TEST(Xml, BadInputGivesFalseOrNull)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    EXPECT_EQ(document->getRoot(), nullptr);
    EXPECT_EQ(document->save(), nullptr);
    EXPECT_FALSE(document->save(std::string("/tmp/never-written.xml")));
    EXPECT_EQ(document->addElement(nullptr, "x"), nullptr);
    EXPECT_FALSE(document->load(static_cast<IStream*>(nullptr)));

    const char* malformed[] = {"<Root><A></Root>", "<Root", "", "just text", "<Root a=\"1></Root>",
                               "<Root><![CDATA[never closed</Root>"};
    for (const char* text : malformed) {
        document->create("Previous");
        EXPECT_FALSE(document->load(textStream(text).get())) << text;
        EXPECT_EQ(document->getRoot(), nullptr) << "no previous tree after a failed load: " << text;
    }
}

TEST(Xml, SaveAndLoadThroughFilesAndTheFileSystem)
{
    ScratchDir dir;
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    SmartRef<IXmlDocument> document(createXmlDocument());
    document->create("Atlas");
    SmartRef<IXmlNode> root(document->getRoot());
    root->setAttribute("count", 2);
    const std::string path = dir.path() + "\\out\\Atlas.xml";
    ASSERT_TRUE(document->save(path));
    EXPECT_EQ(dir.read("out/Atlas.xml"), "<Atlas count=\"2\" />\r\n");

    SmartRef<IXmlDocument> loaded(createXmlDocument());
    ASSERT_TRUE(loaded->load(dir.path("OUT/atlas.XML")));
    SmartRef<IXmlNode> loadedRoot(loaded->getRoot());
    int count = 0;
    EXPECT_TRUE(loadedRoot->getAttribute("count", count));
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(loaded->load(dir.path("missing.xml")));
    EXPECT_EQ(loaded->getRoot(), nullptr);
}
