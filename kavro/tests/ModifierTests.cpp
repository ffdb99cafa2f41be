#include "GeometryFixtures.h"

#include <numeric>

#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Modifier.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

UpdateContext phase2(float time)
{
    UpdateContext context;
    context.time = time;
    context.phase = 2;
    return context;
}

ISkinWeightMap* weightMap(std::vector<SkinInfluence> influences)
{
    ISkinWeightMap* map = createSkinWeightMap();
    map->getInfluences() = std::move(influences);
    return map;
}

TEST(Skin, SixInfluencesKeepTheFourLargestRenormalised)
{
    SkinModifierCreateContext context;
    const float weights[] = {0.1f, 0.4f, 0.05f, 0.2f, 0.15f, 0.1f};
    for (float w : weights) {
        context.weightMaps.push_back(weightMap({{3, w}}));
    }
    // Another vertex in the first map only: it keeps its own weight, renormalised to 1.
    context.weightMaps[0]->getInfluences().push_back({9, 0.5f});
    SkinModifier skin;
    skin.addRef();
    ASSERT_TRUE(skin.create(context));
    std::vector<float> kept;
    float vertex9 = 0;
    for (ISkinWeightMap* map : skin.getWeightMaps()) {
        for (const SkinInfluence& influence : map->getInfluences()) {
            (influence.vertex == 3 ? kept.push_back(influence.weight) : void(vertex9 = influence.weight));
        }
    }
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_NEAR(std::accumulate(kept.begin(), kept.end(), 0.0f), 1.0f, 1e-6f);
    const float sum = 0.4f + 0.2f + 0.15f + 0.1f;
    EXPECT_NEAR(kept[0], 0.1f / sum, 1e-6f);  // the first map's 0.1 wins the tie by order
    EXPECT_FLOAT_EQ(vertex9, 1.0f);
    // The 0.05 map and the second 0.1 map lost every influence and are dropped.
    EXPECT_EQ(skin.getWeightMaps().size(), 4u);
}

TEST(Skin, EffectModeKeepsInfluencesAsGiven)
{
    SkinModifierCreateContext context;
    context.mode = SkinModifier::kModeEffect;
    for (int i = 0; i < 6; ++i) {
        context.weightMaps.push_back(weightMap({{0, 1.0f}}));
    }
    SkinModifier skin;
    skin.addRef();
    skin.create(context);
    EXPECT_EQ(skin.getWeightMaps().size(), 6u);
}

using ModifierOnDevice = DeviceTest;

struct SkinScene {
    ISceneGraph* graph = createSceneGraph();
    IGeometry* geometry = nullptr;
    Node* bone = static_cast<Node*>(createNode(NodeType_Node));
    SkinModifier* skin = new SkinModifier();

    explicit SkinScene(uint32_t mode)
    {
        graph->addRef();
        geometry = makeGeometry({{1, 0, 0}, {0, 1, 0}});
        vertexData(geometry)[3] = 1;  // the first vertex's normal points along X
        graph->addGeometry(geometry);
        graph->addNode(bone);
        ISkinWeightMap* map = weightMap({{0, 1.0f}, {1, 0.5f}, {7, 1.0f}});
        map->getBone().set(bone);
        SkinModifierCreateContext context;
        context.geometry = geometry->getId();
        context.weightMaps = {map};
        context.mode = mode;
        skin->create(context);
        graph->addModifier(skin);
        graph->resolve();
        skin->resolve(graph);
        bone->getTransformation().transform.position.value = D3DXVECTOR3(0, 0, 10);
        for (int phase = 0; phase < 2; ++phase) {
            UpdateContext c;
            c.phase = phase;
            bone->update(c);
        }
    }
    ~SkinScene() { graph->release(); }
};

TEST_F(ModifierOnDevice, ProcessorSkinningMovesPointsAndRotatesDirectionsOnly)
{
    SkinScene scene(0);
    ASSERT_NE(scene.skin->getGeometry(), nullptr);
    scene.skin->update(phase2(1));
    ASSERT_EQ(scene.skin->getBoneMatrices().size(), 1u);
    const float* out = vertexData(scene.skin->getGeometry());
    // Vertex 0 alone on the bone: translated; its normal is a direction and stays.
    EXPECT_FLOAT_EQ(out[0], 1);
    EXPECT_FLOAT_EQ(out[2], 10);
    EXPECT_FLOAT_EQ(out[3], 1);
    EXPECT_FLOAT_EQ(out[5], 0);
    // Vertex 1 with its weight renormalised to 1; the influence on vertex 7 past the data is ignored.
    EXPECT_FLOAT_EQ(out[12 + 1], 1);
    EXPECT_FLOAT_EQ(out[12 + 2], 10);
    // The source stays as it was.
    EXPECT_FLOAT_EQ(vertexData(scene.geometry)[2], 0);
}

TEST_F(ModifierOnDevice, EffectSkinningOnlyFillsBoneMatrices)
{
    SkinScene scene(SkinModifier::kModeEffect);
    EXPECT_EQ(scene.skin->getGeometry(), nullptr);
    scene.skin->update(phase2(1));
    ASSERT_EQ(scene.skin->getBoneMatrices().size(), 1u);
    EXPECT_FLOAT_EQ(scene.skin->getBoneMatrices()[0]._43, 10);
    EXPECT_FLOAT_EQ(vertexData(scene.geometry)[2], 0);

    // The mesh draws its own geometry and hands the bones to the pass.
    auto* mesh = static_cast<Mesh*>(createNode(NodeType_Mesh));
    mesh->setGeometry(scene.geometry);
    mesh->setModifier(scene.skin->getId());
    scene.graph->addNode(mesh);
    mesh->resolve(scene.graph);
    EXPECT_EQ(mesh->getGeometryInUse(), scene.geometry);
    RenderPass pass;
    mesh->render(pass);
    EXPECT_EQ(pass.bones.size(), 1u);
}

struct MorphScene {
    ISceneGraph* graph = createSceneGraph();
    IGeometry* geometry = nullptr;
    MorphModifier* morph = new MorphModifier();
    IMorphTarget* target = createMorphTarget();

    MorphScene()
    {
        graph->addRef();
        geometry = makeGeometry({{0, 0, 0}, {2, 2, 2}});
        graph->addGeometry(geometry);
        target->getVertices().assign(24, 4.0f);
        MorphModifierCreateContext context;
        context.geometry = geometry->getId();
        context.targets = {target};
        morph->create(context);
        graph->addModifier(morph);
        morph->resolve(graph);
    }
    ~MorphScene() { graph->release(); }
};

class MorphWeights : public DeviceTest, public ::testing::WithParamInterface<std::pair<float, float>> {};

TEST_P(MorphWeights, ClampToTheUnitRange)
{
    MorphScene scene;
    scene.target->getWeight().value = GetParam().first;
    scene.morph->update(phase2(1));
    const float* out = vertexData(scene.morph->getGeometry());
    const float w = GetParam().second;
    EXPECT_FLOAT_EQ(out[0], 4 * w);
    EXPECT_FLOAT_EQ(out[12], 2 + 2 * w);
    EXPECT_FLOAT_EQ(vertexData(scene.geometry)[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Weights, MorphWeights,
    ::testing::Values(std::pair{0.5f, 0.5f}, std::pair{1.5f, 1.0f}, std::pair{-0.2f, 0.0f}));

TEST_F(ModifierOnDevice, UpdatesAtTheSameTimeDeformOnceAndOnlyInPhaseTwo)
{
    MorphScene scene;
    scene.target->getWeight().value = 1;
    UpdateContext early = phase2(1);
    early.phase = 1;
    scene.morph->update(early);
    float* out = vertexData(scene.morph->getGeometry());
    EXPECT_FLOAT_EQ(out[0], 0);
    scene.morph->update(phase2(1));
    EXPECT_FLOAT_EQ(out[0], 4);
    out[0] = -1;
    scene.morph->update(phase2(1));
    EXPECT_FLOAT_EQ(out[0], -1);
    scene.morph->update(phase2(2));
    EXPECT_FLOAT_EQ(out[0], 4);
}

TEST_F(ModifierOnDevice, WorkingFragmentsKeepTheSourceIds)
{
    MorphScene scene;
    ASSERT_EQ(scene.morph->getGeometry()->getFragments().size(), 1u);
    EXPECT_EQ(scene.morph->getGeometry()->getFragments()[0]->getId(), scene.geometry->getFragments()[0]->getId());
}

TEST(Modifiers, ClassIdsAreTheRecordedOnes)
{
    EXPECT_EQ(core::uniqueIdToString(skinModifierClassId()), "50196C3A-4E78-11DE-AB39-F6AB69029523");
    EXPECT_EQ(core::uniqueIdToString(morphModifierClassId()), "16F6446C-5031-11DE-833B-87800C52E4FD");
}

}  // namespace
}  // namespace kavro_test
