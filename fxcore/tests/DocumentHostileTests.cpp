#include "DocumentTestSupport.h"

#include <ResourceBudget.h>

namespace tormakelin::fxcore::test {
namespace {

using DocumentHostileTest = DocumentTest;

// Layers of a group type, each inside the one before.
std::string nestedLayers(int depth)
{
    std::string text = "<Tormakelin><SceneManager><Scene Id=\"00000001-0000-0000-0000-000000000001\">";
    for (int i = 0; i < depth; ++i)
        text += "<Layer Type=\"1\" Name=\"L" + std::to_string(i) + "\">";
    text += "<Time><TimeSegment Start=\"0\" End=\"100\"/></Time>";
    for (int i = 0; i < depth; ++i)
        text += "</Layer>";
    return text + "</Scene></SceneManager></Tormakelin>";
}

TEST_F(DocumentHostileTest, LayersNestedToTheLimitLoadPlayAndSaveAndDeeperOnesAreRefused)
{
    ASSERT_TRUE(loadDocument(document(), nestedLayers(250)));
    ASSERT_EQ(document()->getSceneManager()->getScenes().size(), 1u);
    IScene* scene = document()->getSceneManager()->getScenes()[0];
    ILayer* layer = scene->getRootLayer();
    int depth = 0;
    while (!layer->getChildren().empty()) {
        layer = layer->getChildren()[0];
        ++depth;
    }
    EXPECT_EQ(depth, 250);
    play(scene, 0.5);
    std::string const saved = saveDocument(document());
    EXPECT_TRUE(loadDocument(document(), saved));

    tormakelin::test::ResourceBudget budget;
    EXPECT_FALSE(loadDocument(document(), nestedLayers(45000)));
    EXPECT_LT(budget.seconds(), tormakelin::test::kHostileSeconds);
}

} // namespace
} // namespace tormakelin::fxcore::test
