#include "DocumentTestSupport.h"

#include <tormakelin/fxcore/Folder.h>

namespace tormakelin::fxcore::test {
namespace {

class ResourceTest : public DocumentTest {
protected:
    // A resource of the test loader, kept by the document.
    IResource* load(std::string const& file, std::string const& objects = "", int kind = 0)
    {
        IResourceLoader* loader = createPluginAs<IResourceLoader>(s_plugins, docTypeId(kLoaderId));
        EXPECT_NE(loader, nullptr);
        core::SmartRef<IResourceLoader> const hold(loader);
        loader->findParameter("File")->setText(file);
        loader->findParameter("Objects")->setText(objects);
        loader->findParameter("Kind")->setInt(kind);
        ResourceLoadResult result;
        IResource* resource = nullptr;
        loader->loadResource(result, nullptr, false, &resource);
        EXPECT_EQ(result.status, 0);
        if (!resource)
            return nullptr;
        resources()->addResource(resource);
        resource->release();
        return resource;
    }
    IResourceManager* resources() const { return document()->getResourceManager(); }
};

TEST_F(ResourceTest, SavedResourceLoadsAgainWithItsIdAndLoaderParameters)
{
    IResource* resource = load("data\\logo.png", "Textures/Logo");
    resource->getInfo().description = "The logo";
    resource->getInfo().loader->findParameter("Kind")->setInt(0);
    std::string const text = saveDocument(document());

    core::SmartRef<IDocument> const copy = createDocument();
    ASSERT_TRUE(loadDocument(copy.get(), text));
    ASSERT_EQ(copy->getResourceManager()->getResources().size(), 1u);
    IResource* again = copy->getResourceManager()->findResource(resource->getInfo().id);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->getInfo().description, "The logo");
    EXPECT_EQ(again->getInfo().fileName, "data\\logo.png");
    EXPECT_EQ(again->getInfo().loader->findParameter("Objects")->getText(), "Textures/Logo");
    EXPECT_EQ(saveDocument(copy.get()), text);
}

TEST_F(ResourceTest, UnloadableResourcesAreSkipped)
{
    std::string const loader = core::uniqueIdToString(docTypeId(kLoaderId));
    std::string const text = "<Tormakelin><ResourceManager>"
        "<Resource Id=\"00000009-0000-0000-0000-000000000009\" ResourceLoaderPluginId=\"" + loader + "\">"
        "<ParameterMap><Parameter Name=\"File\" Value=\"a.png\"/><Parameter Name=\"Nope\" Value=\"1\"/>"
        "</ParameterMap></Resource>"
        "<Resource Id=\"0000000A-0000-0000-0000-00000000000A\" ResourceLoaderPluginId=\"" + loader + "\">"
        "<ParameterMap><Parameter Name=\"Fail\" Value=\"1\"/></ParameterMap></Resource>"
        "<Resource Id=\"0000000B-0000-0000-0000-00000000000B\" "
        "ResourceLoaderPluginId=\"0000FFFF-0000-0000-0000-00000000FFFF\"/>"
        "<Resource Id=\"0000000C-0000-0000-0000-00000000000C\" "
        "ResourceLoaderPluginId=\"" + core::uniqueIdToString(docTypeId(kProbeId)) + "\"/>"
        "</ResourceManager></Tormakelin>";
    ASSERT_TRUE(loadDocument(document(), text));
    ASSERT_EQ(resources()->getResources().size(), 1u);
    EXPECT_EQ(core::uniqueIdToString(resources()->getResources()[0]->getInfo().id),
        "00000009-0000-0000-0000-000000000009");
    EXPECT_EQ(resources()->getResources()[0]->getInfo().fileName, "a.png");
}

TEST_F(ResourceTest, ObjectNamesSplitIntoGroupAndName)
{
    IResource* resource = load("atlas.xml", "Textures/Logo,Logo,Fonts/Title/Bold");
    std::vector<IResourceObject*> const& objects = resource->getObjects();
    ASSERT_EQ(objects.size(), 3u);
    struct Case {
        char const* group;
        char const* name;
    };
    Case const cases[] = {{"Textures", "Logo"}, {"Resource Objects", "Logo"}, {"Fonts", "Title"}};
    for (size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(objects[i]->getGroupName(), cases[i].group) << i;
        EXPECT_EQ(objects[i]->getFormattedName(), cases[i].name) << i;
    }
}

TEST_F(ResourceTest, LookupsAndDependantFiles)
{
    IResource* plain = load("", "");
    IResource* atlas = load("atlas.xml", "Textures/Logo,Textures/Font");
    EXPECT_EQ(resources()->findResourceObject(atlas->getObjects()[1]->getId()), atlas->getObjects()[1]);
    EXPECT_EQ(resources()->findResourceObject(plain->getInfo().id), nullptr);
    std::vector<std::string> const files = resources()->getDependantFiles();
    std::vector<std::string> const expected = {"atlas.xml", "Textures/Logo.png", "Textures/Font.png"};
    EXPECT_EQ(files, expected);

    // The graph code finds document resources by id and type.
    IResource* found = FrameworkServices::findResource(atlas->getInfo().id, {docTypeId(kPlainResourceId)});
    EXPECT_EQ(found, atlas);
    if (found)
        found->release();
    EXPECT_EQ(FrameworkServices::findResource(atlas->getInfo().id, {docTypeId(kTargetResourceId)}), nullptr);

    core::UniqueId const plainId = plain->getInfo().id;
    resources()->removeResource(plainId);
    resources()->removeResource(plainId);
    EXPECT_EQ(resources()->getResources().size(), 1u);
    EXPECT_NE(resources()->getFolderManager(), nullptr);
}

TEST_F(ResourceTest, LoaderParameterReplacedByName)
{
    IResourceLoader* loader = createPluginAs<IResourceLoader>(s_plugins, docTypeId(kLoaderId));
    ASSERT_NE(loader, nullptr);
    core::SmartRef<IResourceLoader> const hold(loader);
    IParameter* replaced = loader->addParameter("File", kParameterInt, "12");
    EXPECT_EQ(loader->findParameter("File"), replaced);
    EXPECT_EQ(replaced->getInt(), 12);
    EXPECT_EQ(loader->getParameters().size(), 4u);
    EXPECT_EQ(loader->findParameter("Missing"), nullptr);
}

} // namespace
} // namespace tormakelin::fxcore::test
