#include <OwnedStream.h>
#include <Repeated.h>
#include <ResourceBudget.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

#include <string>

using namespace tormakelin::core;
using tormakelin::test::kHostileMegabytes;
using tormakelin::test::kHostileSeconds;
using tormakelin::test::repeated;
using tormakelin::test::ResourceBudget;
using tormakelin::test::textStream;

namespace {

std::string nested(int depth, const std::string& open = "<a>", const std::string& close = "</a>")
{
    return repeated(open, depth) + repeated(close, depth);
}

std::string withAttributes(int count)
{
    std::string text = "<a";
    for (int i = 0; i < count; ++i) {
        text += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    }
    return text + "/>";
}

bool loads(const std::string& text)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    const bool loaded = document->load(textStream(text).get());
    EXPECT_EQ(loaded, SmartRef<IXmlNode>(document->getRoot()).get() != nullptr);
    return loaded;
}

} // namespace

TEST(XmlHostile, DeepOrWideDocumentsAreRefusedCheaply)
{
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"45,000 nested elements", nested(45000)},
        {"one past the depth", nested(257)},
        {"closers hidden in quoted values", nested(300, "<a x=\"</a>\" y='/>'>")},
        {"closers hidden in a declaration", "<r>" + repeated("<?xml version=\"1\" x=\"</r>\"?>", 300) + nested(250)},
        // The parser steps over a stylesheet's words whole, so a '>' in a quoted value ends it.
        {"openers after a quoted '>' in a stylesheet",
            "<r><?xml-stylesheet href=\"x>" + repeated("<a>", 300) + "\"?>" + repeated("</a>", 300) + "</r>"},
        {"openers in a declaration's unquoted word",
            "<r><?xml version='1' x='>" + repeated("<a>", 300) + "'?>" + repeated("</a>", 300) + "</r>"},
        {"40,000 attributes", withAttributes(40000)},
        {"one attribute too many", withAttributes(257)},
    };
    for (const Case& c : cases) {
        ResourceBudget budget;
        EXPECT_FALSE(loads(c.text)) << c.what;
        EXPECT_LT(budget.seconds(), kHostileSeconds) << c.what;
        EXPECT_LT(budget.peakGrowthMb(), kHostileMegabytes) << c.what;
    }
}

TEST(XmlHostile, DocumentsAtTheLimitsStillLoad)
{
    const std::string cases[] = {
        nested(256),
        withAttributes(256),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone='yes'?>\r\n" + nested(256),
        // Markup inside comments, CDATA and quoted values neither nests nor closes.
        "<r><!-- " + nested(300) + " --><![CDATA[" + repeated("<a>", 300) + "]]><b x=\"&lt;a&gt;\"/></r>",
        nested(200) + "<!-- trailing -->",
    };
    for (const std::string& text : cases) {
        EXPECT_TRUE(loads(text)) << text.substr(0, 80);
    }
}

TEST(XmlHostile, WellFormedDocumentsWithinTheLimitsLoad)
{
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"spaces around '=' in the declaration", "<?xml version = \"1.0\" ?><a/>"},
        {"a stylesheet instruction before the root", "<?xml-stylesheet href=\"x\"?><a/>"},
        {"a declaration in upper case", "<?XML VERSION='1.0' ENCODING='UTF-8'?><a/>"},
        {"a comment holding < and >", "<a><!-- if a < b > c --></a>"},
        {"CDATA holding <a>", "<a><![CDATA[<a>]]></a>"},
        {"a DOCTYPE line", "<?xml version=\"1.0\"?>\n<!DOCTYPE a>\n<a/>"},
        {"attributes in single quotes", "<a x='1' y='<b>'><b z='\"'/></a>"},
        {"a declaration and a stylesheet before a deep root",
            "<?xml version='1.0'?><?xml-stylesheet type=\"text/xsl\" href=\"x.xsl\"?>" + nested(256)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(loads(c.text)) << c.what;
    }
}

TEST(XmlHostile, ManyTextPiecesAndDeepSavesStayLinear)
{
    // 200,000 adjacent CDATA pieces join into one text.
    const std::string pieces = "<a>" + repeated("<![CDATA[xy]]>", 200000) + "</a>";
    ResourceBudget budget;
    SmartRef<IXmlDocument> document(createXmlDocument());
    ASSERT_TRUE(document->load(textStream(pieces).get()));
    std::string text;
    ASSERT_TRUE(SmartRef<IXmlNode>(document->getRoot())->getText(text));
    EXPECT_EQ(text.size(), 400000u);
    EXPECT_LT(budget.seconds(), kHostileSeconds);

    // The deepest document that loads saves to a bounded multiple of its text.
    const std::string deep = repeated(nested(256), 200);
    ASSERT_TRUE(document->load(textStream(deep).get()));
    SmartRef<IStream> saved(document->save());
    ASSERT_TRUE(saved);
    EXPECT_LT(saved->getSize(), deep.size() * 300);
    EXPECT_LT(budget.peakGrowthMb(), kHostileMegabytes);
}
