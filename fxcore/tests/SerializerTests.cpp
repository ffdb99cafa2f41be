#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

// Holds one reference to a document for the test's lifetime.
class Document {
public:
    Document() : m_document(core::createXmlDocument()) { m_document->addRef(); }
    ~Document() { m_document->release(); }
    Document(Document const&) = delete;
    Document& operator=(Document const&) = delete;

    bool parse(std::string text)
    {
        core::MemStream* stream = core::createMemStream(text.data(), static_cast<unsigned int>(text.size()), true, false);
        stream->addRef();
        bool const loaded = m_document->load(stream);
        stream->release();
        return loaded;
    }
    std::string render()
    {
        core::IStream* stream = m_document->save();
        stream->addRef();
        std::string text(static_cast<char const*>(stream->getData()), stream->getSize());
        stream->release();
        return text;
    }
    core::IXmlDocument* get() const { return m_document; }

private:
    core::IXmlDocument* m_document;
};

ISerializer* makeSerializer(int mode, core::IXmlDocument* document)
{
    SerializerCreateDesc desc;
    desc.mode = mode;
    desc.document = document;
    ISerializer* serializer = createSerializer(desc);
    serializer->addRef();
    return serializer;
}

std::string attribute(core::IXmlNode* node, char const* name)
{
    std::string value;
    node->getAttribute(name, value);
    return value;
}

// A project whose root is not "Tormakelin", with its parts out of order and unknown elements.
char const kHandWritten[] = R"(<?xml version="1.0" ?>
<Project>
    <SceneManager>
        <Scene Id="S1"><Layer Name="first"/><Unknown/><Layer Name="second"><Layer Name="nested"/></Layer></Scene>
        <Scene Id="S2"/>
    </SceneManager>
    <Comment>text</Comment>
    <ResourceManager Count="0"/>
    <DocumentSettings AuthorWidth="640" AuthorHeight="480"/>
</Project>)";

} // namespace

TEST(Serializer, DirectionPicksTheContext)
{
    Document document;
    ASSERT_TRUE(document.get()->create(kRootElement));
    ISerializer* load = makeSerializer(0, document.get());
    ISerializer* save = makeSerializer(2, document.get());
    EXPECT_FALSE(load->isSaving());
    EXPECT_NE(load->getLoadContext(), nullptr);
    EXPECT_EQ(load->getSaveContext(), nullptr);
    EXPECT_TRUE(save->isSaving());
    EXPECT_EQ(save->getLoadContext(), nullptr);
    ASSERT_NE(save->getSaveContext(), nullptr);
    EXPECT_EQ(save->getSaveContext()->getCurrentNode()->getName(), kRootElement);
    EXPECT_FALSE(load->getLoadContext()->getMerge());
    load->getLoadContext()->setMerge(true);
    EXPECT_TRUE(load->getLoadContext()->getMerge());
    load->release();
    save->release();
}

TEST(Serializer, LoadWalksAHandWrittenDocumentByName)
{
    Document document;
    ASSERT_TRUE(document.parse(kHandWritten));
    ISerializer* serializer = makeSerializer(0, document.get());
    LoadContext* context = serializer->getLoadContext();
    ASSERT_EQ(context->getCurrentNode()->getName(), "Project");

    std::string width;
    EXPECT_EQ(forEachChildElement(serializer, kDocumentSettingsElement,
                  [&](core::IXmlNode* node) { width = attribute(node, "AuthorWidth"); }),
        1);
    EXPECT_EQ(width, "640");

    std::vector<std::string> visited;
    std::function<void(core::IXmlNode*)> layer = [&](core::IXmlNode* node) {
        EXPECT_EQ(context->getCurrentNode(), node);
        visited.push_back(attribute(node, "Name"));
        forEachChildElement(serializer, "Layer", layer);
    };
    forEachChildElement(serializer, kSceneManagerElement, [&](core::IXmlNode*) {
        forEachChildElement(serializer, "Scene", [&](core::IXmlNode* scene) {
            visited.push_back(attribute(scene, "Id"));
            forEachChildElement(serializer, "Layer", layer);
        });
    });
    std::vector<std::string> const expected = {"S1", "first", "second", "nested", "S2"};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(forEachChildElement(serializer, kGraphManagerElement, [](core::IXmlNode*) { FAIL(); }), 0);
    EXPECT_EQ(context->getCurrentNode()->getName(), "Project");

    context->popNode();
    EXPECT_EQ(context->getCurrentNode(), nullptr);
    context->popNode();
    serializer->release();
}

TEST(Serializer, SaveWritesElementsUnderTheCurrentNodeAndLoadsBack)
{
    Document saved;
    ASSERT_TRUE(saved.get()->create(kRootElement));
    ISerializer* save = makeSerializer(1, saved.get());
    core::IXmlNode* settings = beginElement(save, kDocumentSettingsElement);
    ASSERT_NE(settings, nullptr);
    settings->setAttribute("AuthorWidth", 800);
    settings->setAttribute("Aspect", 1.5f);
    endElement(save);
    ASSERT_NE(beginElement(save, kSceneManagerElement), nullptr);
    for (char const* id : {"A", "B"}) {
        core::IXmlNode* scene = beginElement(save, "Scene");
        scene->setAttribute("Id", std::string(id));
        endElement(save);
    }
    endElement(save);
    EXPECT_EQ(save->getSaveContext()->getCurrentNode()->getName(), kRootElement);
    save->release();

    Document loaded;
    ASSERT_TRUE(loaded.parse(saved.render()));
    ISerializer* load = makeSerializer(0, loaded.get());
    int width = 0;
    std::string aspect;
    forEachChildElement(load, kDocumentSettingsElement, [&](core::IXmlNode* node) {
        node->getAttribute("AuthorWidth", width);
        node->getAttribute("Aspect", aspect);
    });
    EXPECT_EQ(width, 800);
    EXPECT_EQ(aspect, "1.500000");
    std::string ids;
    forEachChildElement(load, kSceneManagerElement, [&](core::IXmlNode*) {
        forEachChildElement(load, "Scene", [&](core::IXmlNode* scene) { ids += attribute(scene, "Id"); });
    });
    EXPECT_EQ(ids, "AB");
    load->release();
}

TEST(Serializer, EmptyOrMissingDocumentLoadsAndSavesNothing)
{
    Document empty;
    Document malformed;
    EXPECT_FALSE(malformed.parse("<Tormakelin><unclosed></Tormakelin>"));
    for (core::IXmlDocument* document : {empty.get(), malformed.get(), static_cast<core::IXmlDocument*>(nullptr)}) {
        ISerializer* load = makeSerializer(0, document);
        EXPECT_EQ(load->getLoadContext()->getCurrentNode(), nullptr);
        EXPECT_EQ(forEachChildElement(load, kSceneManagerElement, [](core::IXmlNode*) { FAIL(); }), 0);
        load->getLoadContext()->popNode();
        load->release();

        ISerializer* save = makeSerializer(1, document);
        EXPECT_EQ(beginElement(save, kDocumentSettingsElement), nullptr);
        endElement(save);
        save->release();
    }
    EXPECT_EQ(beginElement(nullptr, "X"), nullptr);
    EXPECT_EQ(forEachChildElement(nullptr, "X", [](core::IXmlNode*) {}), 0);
}

TEST(Serializer, ContextsKeepTheDocumentAlive)
{
    core::IXmlDocument* document = core::createXmlDocument();
    document->addRef();
    ASSERT_TRUE(document->create(kRootElement));
    ISerializer* save = makeSerializer(1, document);
    document->release();
    ASSERT_NE(beginElement(save, "Graph"), nullptr);
    endElement(save);
    save->release();
}

TEST(Serializer, AttributesRoundTripInTheDocumentValueForms)
{
    core::UniqueId id{};
    id.data1 = 0x12345678;
    id.data4[7] = 0x9A;
    struct Values {
        int i = -3;
        unsigned int u = 4000000000u;
        bool b = true;
        float f = 0.5f;
        double d = 2.25;
        std::string s = "a \"quoted\" <text>";
        core::UniqueId id{};
    };
    Values saved;
    saved.id = id;

    Document document;
    ASSERT_TRUE(document.get()->create(kRootElement));
    ISerializer* save = makeSerializer(1, document.get());
    ASSERT_NE(beginElement(save, "Values"), nullptr);
    for (bool written : {serializeAttribute(save, "I", saved.i), serializeAttribute(save, "U", saved.u),
             serializeAttribute(save, "B", saved.b), serializeAttribute(save, "F", saved.f),
             serializeAttribute(save, "D", saved.d), serializeAttribute(save, "S", saved.s),
             serializeAttribute(save, "Id", saved.id)})
        EXPECT_TRUE(written);
    core::IXmlNode* node = getCurrentNode(save);
    EXPECT_EQ(attribute(node, "B"), "1");
    EXPECT_EQ(attribute(node, "F"), "0.500000");
    EXPECT_EQ(attribute(node, "Id"), "12345678-0000-0000-0000-00000000009A");
    node->setAttribute("BadId", std::string("not an id"));
    endElement(save);
    save->release();

    Document reloaded;
    ASSERT_TRUE(reloaded.parse(document.render()));
    ISerializer* load = makeSerializer(0, reloaded.get());
    Values loaded;
    loaded.b = false;
    int visits = forEachChildElement(load, "Values", [&](core::IXmlNode*) {
        serializeAttribute(load, "I", loaded.i);
        serializeAttribute(load, "U", loaded.u);
        serializeAttribute(load, "B", loaded.b);
        serializeAttribute(load, "F", loaded.f);
        serializeAttribute(load, "D", loaded.d);
        serializeAttribute(load, "S", loaded.s);
        serializeAttribute(load, "Id", loaded.id);
        int missing = 77;
        EXPECT_FALSE(serializeAttribute(load, "Missing", missing));
        EXPECT_EQ(missing, 77);
        core::UniqueId untouched = id;
        EXPECT_FALSE(serializeAttribute(load, "BadId", untouched));
        EXPECT_EQ(untouched, id);
    });
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(loaded.i, saved.i);
    EXPECT_EQ(loaded.u, saved.u);
    EXPECT_EQ(loaded.b, saved.b);
    EXPECT_EQ(loaded.f, saved.f);
    EXPECT_EQ(loaded.d, saved.d);
    EXPECT_EQ(loaded.s, saved.s);
    EXPECT_EQ(loaded.id, saved.id);
    load->release();
}
