#include <OwnedStream.h>
#include <Repeated.h>
#include <ResourceBudget.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

struct TreeExtent {
    int depth = 0;
    size_t attributes = 0;
};

// How deep the elements below `node` nest and the most attributes one of them carries.
TreeExtent extentBelow(IXmlNode* node)
{
    TreeExtent extent;
    for (SmartRef<IXmlNode> child(node->getFirstChildElement()); child; child = child->getNextSiblingElement()) {
        std::map<std::string, std::string> attributes;
        child->getAttributes(attributes);
        const TreeExtent inner = extentBelow(child.get());
        extent.depth = std::max(extent.depth, inner.depth + 1);
        extent.attributes = std::max({extent.attributes, inner.attributes, attributes.size()});
    }
    return extent;
}

// The limits hold when the text is refused or the tree it made stays inside them.
::testing::AssertionResult refusedOrWithinLimits(const std::string& text)
{
    SmartRef<IXmlDocument> document(createXmlDocument());
    if (!document->load(textStream(text).get())) {
        return ::testing::AssertionSuccess();
    }
    // The document is the root's parent, so the root counts as the first level.
    SmartRef<IXmlNode> root(document->getRoot());
    const TreeExtent below = extentBelow(root.get());
    std::map<std::string, std::string> rootAttributes;
    root->getAttributes(rootAttributes);
    const int depth = below.depth + 1;
    const size_t attributes = std::max(below.attributes, rootAttributes.size());
    if (depth > 256 || attributes > 256) {
        return ::testing::AssertionFailure() << "loaded " << depth << " levels deep, " << attributes << " attributes";
    }
    return ::testing::AssertionSuccess();
}

std::string byteName(unsigned char byte)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 15];
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
        {"an empty element one past the depth", repeated("<a>", 256) + "<b/>" + repeated("</a>", 256)},
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

TEST(XmlHostile, MarkupBehindLeadBytesAndReferencesIsCounted)
{
    // The parser takes a UTF-8 lead byte and the bytes its value claims as one character, quote,
    // '<' and '>' included, and a "&#" reference up to the next ';'.
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"300 levels behind lead bytes in values", nested(300, "<a x=\"\xE0\"></a>\">")},
        {"50,000 levels behind lead bytes in values", nested(50000, "<a x=\"\xE0\"></a>\">")},
        {"80,000 attributes behind a lead byte", "<a b=\"\xE0\" \"" + withAttributes(80000).substr(2)},
        {"end tags hidden in text", repeated("<a>\xE0</a>", 300) + repeated("</a>", 300)},
        {"closers in a declaration's value after a byte order mark",
            "<r>" + repeated("<a><?xml \xEF\xBB\xBFversion=\"?></a>\"?>", 300) + repeated("</a>", 300) + "</r>"},
        {"closers hidden in a declaration's value",
            "<r>" + repeated("<a><?xml version=\"\xE0\"?></a>\"?>", 300) + repeated("</a>", 300) + "</r>"},
        {"end tags hidden in a reference in text", "<r>" + nested(300, "<a>&#</a>#;") + "</r>"},
        {"end tags hidden in a hexadecimal reference", "<r>" + nested(300, "<a>&#x</a>x;") + "</r>"},
        {"closers hidden in a reference in a value", nested(300, "<a x=\"&#\"></a>#;\">")},
        {"a lead byte inside a reference", nested(300, "<a x=\"&#\xC2\"></a>#;\">")},
        // The parser reads on past a zero that a lead byte steps over.
        {"levels past a zero behind a lead byte", std::string("<r>\xE0", 4) + std::string(2, '\0') + nested(300) + "</r>"},
    };
    for (const Case& c : cases) {
        ResourceBudget budget;
        EXPECT_FALSE(loads(c.text)) << c.what;
        EXPECT_LT(budget.seconds(), kHostileSeconds) << c.what;
        EXPECT_LT(budget.peakGrowthMb(), kHostileMegabytes) << c.what;
    }
}

TEST(XmlHostile, NoByteHidesMarkupInAnyPlace)
{
    // Lead bytes of every length, the bytes the parser takes alone (0xC0, 0xC1, 0xF5 and up) and
    // stray continuation bytes.
    const unsigned char bytes[] = {0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xEF, 0xF0, 0xF4, 0xF5, 0xF7, 0x80, 0xBF, 0xF8, 0xFF};
    // Each place repeated 300 times nests 300 deep if whatever follows the byte is read as the
    // parser does not.
    struct Place {
        const char* what;
        std::string open;
        std::string close;
    };
    const auto places = [](const std::string& b) {
        return std::vector<Place>{
            {"a double-quoted value", "<a x=\"" + b + "\"></a>\">", "</a>"},
            {"a single-quoted value", "<a x='" + b + "'></a>'>", "</a>"},
            {"an unquoted value", "<a x=" + b + "><b>", "</b></a>"},
            {"a value's end", "<a x=\"1" + b + "\"/>\">", "</a>"},
            {"text", "<a>" + b + "</a>", "</a>"},
            {"text after a reference", "<a>&amp;" + b + "</a>", "</a>"},
            {"an element name", "<a" + b + "><b>", "</b></a" + b + ">"},
            {"an attribute name", "<a x" + b + "=\"1\"><b>", "</b></a>"},
            {"a comment", "<a><!--" + b + "--><b>", "</b></a>"},
            {"CDATA", "<a><![CDATA[" + b + "]]><b>", "</b></a>"},
            {"a declaration's value", "<a><?xml version=\"" + b + "\"?></a>\"?>", "</a>"},
            {"a DOCTYPE", "<a><!DOCTYPE " + b + "><b>", "</b></a>"},
        };
    };
    for (const unsigned char byte : bytes) {
        for (const Place& place : places(std::string(1, char(byte)))) {
            EXPECT_TRUE(refusedOrWithinLimits(nested(300, place.open, place.close)))
                << byteName(byte) << " in " << place.what;
        }
    }
}

TEST(XmlHostile, ValidUtf8LoadsUnchanged)
{
    // One character of each length, a byte order mark among them.
    const std::string word = "h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5\xEF\xBB\xBF.";
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r" + word + " a" + word + "=\"" + word +
                             "\" b='" + word + "&amp;'><!-- " + word + " --><t>" + word + "&lt;" + word + "</t><c><![CDATA[" +
                             word + "]]></c>" + nested(250, "<n x=\"" + word + "\">", "</n>") + "</r" + word + ">";
    SmartRef<IXmlDocument> document(createXmlDocument());
    ASSERT_TRUE(document->load(textStream(text).get()));
    SmartRef<IXmlNode> root(document->getRoot());
    EXPECT_EQ(root->getName(), "r" + word);
    std::map<std::string, std::string> attributes;
    root->getAttributes(attributes);
    EXPECT_EQ(attributes, (std::map<std::string, std::string>{{"a" + word, word}, {"b", word + "&"}}));
    SmartRef<IXmlNode> t(root->getFirstChildElement());
    std::string value;
    ASSERT_TRUE(t->getText(value));
    EXPECT_EQ(value, word + "<" + word);
    SmartRef<IXmlNode> c(t->getNextSiblingElement());
    ASSERT_TRUE(c->getText(value));
    EXPECT_EQ(value, word);
    int depth = 0;
    for (SmartRef<IXmlNode> n(c->getNextSiblingElement()); n; n = n->getFirstChildElement()) {
        ASSERT_TRUE(n->getAttribute("x", value));
        EXPECT_EQ(value, word);
        ++depth;
    }
    EXPECT_EQ(depth, 250);
}

TEST(XmlHostile, StrayBytesAwayFromMarkupLoadAsBefore)
{
    // Text in a single-byte code page: the parser joins a letter's byte with the two after it,
    // which is harmless while no markup is among them.
    const std::string text = "<r x=\"caf\xE9 cr\xE8me\">d\xE9j\xE0 vu<b/></r>";
    SmartRef<IXmlDocument> document(createXmlDocument());
    ASSERT_TRUE(document->load(textStream(text).get()));
    SmartRef<IXmlNode> root(document->getRoot());
    std::string value;
    ASSERT_TRUE(root->getAttribute("x", value));
    EXPECT_EQ(value, "caf\xE9 cr\xE8me");
    ASSERT_TRUE(root->getText(value));
    EXPECT_EQ(value, "d\xE9j\xE0 vu");
    EXPECT_EQ(SmartRef<IXmlNode>(root->getFirstChildElement())->getName(), "b");
}
