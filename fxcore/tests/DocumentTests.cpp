#include "DocumentTestSupport.h"
#include "GraphXmlSupport.h"

#include <tormakelin/core/Keyframe.h>

namespace tormakelin::fxcore::test {
namespace {

using DocumentXmlTest = DocumentTest;

TEST_F(DocumentXmlTest, SettingsTravelThroughTheDocument)
{
    DocumentSettings& settings = document()->getSettings();
    EXPECT_EQ(settings.title, "Untitled Project");
    EXPECT_EQ(settings.authorWidth, 960);
    EXPECT_EQ(settings.selectedInstanceKey, -1);
    settings.title = "Demo & \"Party\"";
    settings.authorWidth = 1280;
    settings.fullscreen = 0;
    core::generateUniqueId(settings.loadingScreen);
    settings.selectedGraphNodeParameterFolder = "Color";
    settings.selectedInstanceKeyChannel = 2;
    settings.graphSnapToGrid = 1;
    std::string const text = saveDocument(document());

    core::SmartRef<IDocument> const copy = createDocument();
    ASSERT_TRUE(loadDocument(copy.get(), text));
    DocumentSettings const& loaded = copy->getSettings();
    EXPECT_EQ(loaded.title, settings.title);
    EXPECT_EQ(loaded.authorWidth, 1280);
    EXPECT_EQ(loaded.authorHeight, 540);
    EXPECT_EQ(loaded.fullscreen, 0);
    EXPECT_EQ(loaded.loadingScreen, settings.loadingScreen);
    EXPECT_EQ(loaded.selectedGraphNodeParameterFolder, "Color");
    EXPECT_EQ(loaded.selectedInstanceKeyChannel, 2);
    EXPECT_EQ(loaded.graphSnapToGrid, 1);
}

TEST_F(DocumentXmlTest, HandWrittenDocumentLoads)
{
    std::string const text = R"(<Tormakelin>
  <DocumentSettings Title="Small" AuthorWidth="640" AuthorHeight="360" ShowSetupDialog="0"
      SelectedScene="not an id"/>
  <Unknown/>
  <SceneManager>
    <Scene Id="00000001-0000-0000-0000-000000000001">
      <Layer Id="00000002-0000-0000-0000-000000000002" Type="1" Name="Intro" Visible="1" EndBehavior="0">
        <Time><TimeSegment Start="0" End="250"/></Time>
        <Layer Id="00000003-0000-0000-0000-000000000003" Type="2" Name="Inner" Visible="0">
          <Time><TimeSegment Start="10" End="20"/><TimeSegment Start="30" End="40"/></Time>
        </Layer>
        <Layer Type="7" Name="Unknown type"/>
      </Layer>
    </Scene>
  </SceneManager>
</Tormakelin>)";
    ASSERT_TRUE(loadDocument(document(), text));
    DocumentSettings const& settings = document()->getSettings();
    EXPECT_EQ(settings.title, "Small");
    EXPECT_EQ(settings.authorWidth, 640);
    EXPECT_EQ(settings.showSetupDialog, 0);
    EXPECT_TRUE(core::isNullUniqueId(settings.selectedScene));
    ASSERT_EQ(document()->getSceneManager()->getScenes().size(), 1u);
    IScene* scene = document()->getSceneManager()->getScenes()[0];
    EXPECT_EQ(core::uniqueIdToString(scene->getId()), "00000001-0000-0000-0000-000000000001");
    EXPECT_EQ(scene->getName(), "Untitled Scene");
    EXPECT_EQ(scene->getEndTime(), 250);
    ASSERT_EQ(scene->getRootLayer()->getChildren().size(), 1u);
    ILayer* intro = scene->getRootLayer()->getChildren()[0];
    EXPECT_EQ(intro->getInfo().name, "Intro");
    EXPECT_EQ(intro->getParentId(), scene->getRootLayer()->getId());
    ASSERT_EQ(intro->getChildren().size(), 1u);
    ILayer* inner = intro->getChildren()[0];
    EXPECT_EQ(inner->getType(), kLayerGraphInstance);
    EXPECT_FALSE(inner->getInfo().visible);
    EXPECT_EQ(inner->getTime().getSegments().size(), 2u);
    EXPECT_EQ(inner->getTime().getEndTime(), 40);
}

TEST_F(DocumentXmlTest, DocumentWithoutScenesLoadsEmpty)
{
    ASSERT_TRUE(loadDocument(document(), "<Tormakelin><DocumentSettings/></Tormakelin>"));
    EXPECT_TRUE(document()->getSceneManager()->getScenes().empty());
    UpdateContext context;
    document()->update(context);
    EXPECT_NE(context.tracker, nullptr);
}

TEST_F(DocumentXmlTest, SaveLoadSaveIsByteIdentical)
{
    IGraphNode* node = nullptr;
    IGraph* graph = addProbeGraph(&node);
    core::SmartRef<IScene> const scene = createScene();
    document()->getSceneManager()->addScene(scene.get());
    ILayer* group = addLayer(scene->getRootLayer(), kLayerPlain, 100, 900);
    group->getInfo().name = "Group";
    group->getInfo().endBehavior = 1;
    ILayer* instance = addLayer(group, kLayerGraphInstance, 0, 300);
    instance->setGraphInstance(graph);
    NodeParameter* tint = node->findInput("Color/Tint");
    instance->setParameterEnabled(tint->value, true);
    instance->setParameterAnimated(tint->getId(), true);
    instance->setParameterExpandedHeight(tint->getId(), 48);
    instance->findParameterFolder(node->getId(), "Color")->setExpanded(true);

    core::UniqueId const tintId = tint->getId();
    core::UniqueId const nodeId = node->getId();
    std::string const first = saveDocument(document());
    // The first document and its nodes go here.
    m_app->newDocument();
    ASSERT_TRUE(loadDocument(document(), first));
    EXPECT_EQ(withoutGraphCounters(saveDocument(document())), withoutGraphCounters(first));

    IScene* loaded = document()->getSceneManager()->findScene(scene->getId());
    ASSERT_NE(loaded, nullptr);
    ILayer* again = loaded->getRootLayer()->findLayer(instance->getId(), true);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isParameterEnabled(tintId));
    EXPECT_EQ(again->getParameterExpandedHeight(tintId), 48);
    ASSERT_NE(again->getParameterKeyframe(tintId), nullptr);
    EXPECT_EQ(again->getParameterKeyframe(tintId)->getDimension(), 4u);
    EXPECT_TRUE(again->findParameterFolder(nodeId, "Color")->getExpanded());
}

TEST_F(DocumentXmlTest, OverridesOfRemovedNodesAreNotSaved)
{
    IGraphNode* node = nullptr;
    IGraph* graph = addProbeGraph(&node);
    core::SmartRef<IScene> const scene = createScene();
    document()->getSceneManager()->addScene(scene.get());
    ILayer* layer = addLayer(scene->getRootLayer(), kLayerGraphInstance, 0, 100);
    layer->setGraphInstance(graph);
    std::string const id = core::uniqueIdToString(node->getId());
    EXPECT_NE(saveDocument(document()).find("GraphNodeInstance Id=\"" + id), std::string::npos);
    graph->removeNode(node->getId());
    std::string const text = saveDocument(document());
    EXPECT_EQ(text.find("GraphNodeInstance Id=\"" + id), std::string::npos);
    EXPECT_EQ(text.find("NodeId=\"" + id), std::string::npos);
}

TEST_F(DocumentXmlTest, UsedLibrariesAreListedOnceInOrder)
{
    addProbeGraph();
    addProbeGraph();
    IResourceLoader* loader = createPluginAs<IResourceLoader>(s_plugins, docTypeId(kLoaderId));
    ASSERT_NE(loader, nullptr);
    core::SmartRef<IResourceLoader> const hold(loader);
    ResourceLoadResult result;
    IResource* resource = nullptr;
    loader->loadResource(result, nullptr, false, &resource);
    ASSERT_NE(resource, nullptr);
    document()->getResourceManager()->addResource(resource);
    resource->release();
    std::vector<std::string> const libraries = document()->getUsedLibraries();
    ASSERT_EQ(libraries.size(), 1u);
    EXPECT_NE(libraries[0].find("test_doc"), std::string::npos);
}

} // namespace
} // namespace tormakelin::fxcore::test
