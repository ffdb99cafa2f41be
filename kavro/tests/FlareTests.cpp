#include "GeometryFixtures.h"
#include "SpriteTestUtil.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneRender.h>
#include <tormakelin/kavro/ShaderInclude.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;
using tormakelin::core::SmartRef;

void updateAll(INode* root)
{
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.phase = phase;
        root->update(context);
    }
}

template <class T>
SmartRef<T> flareAt(D3DXVECTOR3 at)
{
    SmartRef<T> node = new T();
    node->getTransformation().transform.position.value = at;
    return node;
}

class FlareRenderTest : public SpriteTest {
protected:
    void SetUp() override
    {
        SpriteTest::SetUp();
        renderer = createFlareRender();
        ASSERT_TRUE(renderer);
    }
    void releaseObjects() override { renderer = nullptr; }

    RenderPass pass(int technique = RenderTechnique_Solid)
    {
        RenderPass p = makePass(technique);
        p.flareRender = renderer.get();
        return p;
    }

    SmartRef<IFlareRender> renderer;
};

TEST_F(FlareRenderTest, RedFlareOverBlackIsRedAtItsCentre)
{
    makeMaterial(getFlareEffectText(), "flare", 1, {0xFFFFFFFF}, render::BlendMode_Solid);
    SmartRef<Flare> flare = flareAt<Flare>(D3DXVECTOR3(0, 0, 5));
    flare->setMaterial(material.get());
    flare->setShader(shader.get());
    flare->colour = D3DXVECTOR4(1, 0, 0, 1);
    flare->size = 4;
    updateAll(flare.get());
    clear();
    const render::RenderStatistics before = statistics();
    RenderPass p = pass();
    flare->render(p);
    EXPECT_EQ(statistics().drawCalls - before.drawCalls, 1);
    EXPECT_EQ(statistics().primitives - before.primitives, 2) << "one strip of two triangles";
    expectPixel(32, 24, {255, 0, 0}, "centre");
    expectPixel(2, 2, {0, 0, 0}, "outside");
}

TEST_F(FlareRenderTest, HiddenFlareDrawsNothingButItsChildrenDo)
{
    makeMaterial(getFlareEffectText(), "flare", 1, {0xFFFFFFFF}, render::BlendMode_Solid);
    SmartRef<Flare> parent = flareAt<Flare>(D3DXVECTOR3(0, 0, 5));
    SmartRef<Flare> child = flareAt<Flare>(D3DXVECTOR3(3, 0, 0));
    child->setParent(parent.get());
    for (Flare* f : {parent.get(), child.get()}) {
        f->setMaterial(material.get());
        f->setShader(shader.get());
        f->colour = D3DXVECTOR4(0, 1, 0, 1);
        f->size = 2;
    }
    parent->setAttributes(NodeAttribute_Hidden);
    updateAll(parent.get());
    clear();
    RenderPass p = pass();
    parent->render(p);
    expectPixel(32, 24, {0, 0, 0}, "the hidden parent");
    // (3, 0, 5) lies 3/5 of the way to the right edge: x = 32 + 0.6 x 32 / (4/3).
    expectPixel(32 + 14, 24, {0, 255, 0}, "the child");
}

TEST_F(FlareRenderTest, FlaresWithoutEffectOrPartDrawNothing)
{
    SmartRef<RecordingMaterial> recording = new RecordingMaterial();
    SmartRef<Flare> flare = flareAt<Flare>(D3DXVECTOR3(0, 0, 5));
    flare->setMaterial(recording.get());
    RenderPass p = pass();
    const int before = statistics().drawCalls;
    flare->render(p);
    EXPECT_EQ(statistics().drawCalls, before) << "no effect on the flare";
    EXPECT_EQ(recording->begins, 0);
}

TEST_F(FlareRenderTest, LensFlareIsCompletedWhenItsQueryAnswers)
{
    SmartRef<RecordingMaterial> recording = new RecordingMaterial();
    SmartRef<LensFlare> lens = flareAt<LensFlare>(D3DXVECTOR3(0, 0, 5));
    SmartRef<Flare> child = flareAt<Flare>(D3DXVECTOR3(0, 0, 0));
    child->setParent(lens.get());
    lens->setMaterial(recording.get());
    EXPECT_NE(lens->getQuery(), nullptr);
    RenderPass p = pass();

    lens->setAttributes(NodeAttribute_Hidden);
    lens->render(p);
    EXPECT_FALSE(lens->isCompleted()) << "hidden";
    lens->setAttributes(0);
    recording->accept = false;
    lens->render(p);
    EXPECT_FALSE(lens->isCompleted()) << "not in this pass";
    recording->accept = true;
    lens->render(p);
    EXPECT_FALSE(lens->isCompleted()) << "asked, and not waited for";
    // Frames go on without waiting; the answer comes when the device has it.
    for (int frame = 0; frame < 2000 && !lens->isCompleted(); ++frame) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lens->render(p);
    }
    EXPECT_TRUE(lens->isCompleted());
    EXPECT_FALSE(lens->visible) << "without an effect nothing is drawn, so nothing is seen";
    EXPECT_EQ(recording->begins, 0);
}

// A red wall 12 units across at z = 10, a green lens flare of size 4 at z = 20, seen straight on
// without perspective: x lands on column 32 + x.
class LensFlareSceneTest : public FlareRenderTest {
protected:
    void SetUp() override
    {
        FlareRenderTest::SetUp();
        ASSERT_TRUE(setupShaderIncludes());
        makeMaterial(getFlareEffectText(), "flare", 1, {0xFFFFFFFF}, render::BlendMode_Additive);
        sceneRender = createSceneRender();
        scene.mesh(makeWall(-6, -6, 6, 6, 10), scene.material({{1, 0, 0, 1}, 0, 0, false}));
        scene.graph->addMaterial(material.get());
        lens = new LensFlare();
        lens->setMaterial(material.get());
        lens->setShader(shader.get());
        lens->colour = D3DXVECTOR4(0, 1, 0, 1);
        lens->size = 4;
        scene.graph->addNode(lens);
        state.entries.push_back({});
        state.entries.back().graph = scene.graph.get();
        state.useGivenCamera = true;
        D3DXMatrixOrthoLH(&state.projection, 64, 48, 1, 100);
    }
    void releaseObjects() override
    {
        sceneRender = nullptr;
        scene.graph = nullptr;
        FlareRenderTest::releaseObjects();
    }

    // One more frame with the flare at x; whether the flare then counts as visible, and how much
    // green the frame holds anywhere.
    bool frameWithFlareAt(float x, int& greenest)
    {
        lens->getTransformation().transform.position.value = D3DXVECTOR3(x, 0, 20);
        state.time += 1.0f / 60;
        clear();
        sceneRender->render(state);
        unsigned width = 0;
        unsigned height = 0;
        greenest = 0;
        for (uint32_t p : readBackBuffer(device, width, height)) {
            greenest = std::max(greenest, rgbOf(p)[1]);
        }
        return lens->visible;
    }

    SceneBuilder scene;
    LensFlare* lens = nullptr;  // held by the graph
    SceneRenderState state;
    SmartRef<ISceneRender> sceneRender;
};

// The query follows the scene's depth, but the sprite under it is only a probe: the flare itself
// is the effect graph's to draw, so not one green pixel reaches the frame.
TEST_F(LensFlareSceneTest, VisibleFollowsTheScenesDepthWhileNothingOfItShows)
{
    struct Stretch {
        const char* where;
        float x;
        bool visible;
    };
    // The first frame of a stretch may still read the answer asked in the one before.
    const Stretch stretches[] = {
        {"behind the wall", 0, false},
        {"beside the wall", 12, true},
        {"behind it again", 0, false},
        {"beside it again", -12, true},
    };
    for (const Stretch& stretch : stretches) {
        SCOPED_TRACE(stretch.where);
        for (int frame = 0; frame < 5; ++frame) {
            int greenest = -1;
            const bool visible = frameWithFlareAt(stretch.x, greenest);
            if (frame >= 2) {
                EXPECT_EQ(visible, stretch.visible) << "frame " << frame;
            }
            EXPECT_EQ(greenest, 0) << "frame " << frame;
            EXPECT_EQ(pixel(32, 24)[0], 255) << "the wall is drawn, frame " << frame;
        }
    }
    EXPECT_TRUE(lens->isCompleted());
}

TEST_F(FlareRenderTest, OneSharedRendererLivesWhileItIsHeld)
{
    EXPECT_EQ(IFlareRender::instance(), renderer.get());
    EXPECT_EQ(createFlareRender(), renderer.get());
    renderer = nullptr;
    EXPECT_EQ(IFlareRender::instance(), nullptr);
}

TEST(LensFlareUpdate, PlacesTheNodeAndLeavesThePhaseAlone)
{
    SmartRef<LensFlare> lens = flareAt<LensFlare>(D3DXVECTOR3(1, 2, 3));
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.phase = phase;
        lens->update(context);
        EXPECT_EQ(context.phase, phase);
    }
    const D3DXMATRIX& world = lens->getWorldMatrix();
    EXPECT_EQ(D3DXVECTOR3(world._41, world._42, world._43), D3DXVECTOR3(1, 2, 3));
}

TEST(SpriteNodesFile, SaveLoadSaveKeepsEveryByte)
{
    SmartRef<ISceneGraph> graph = buildSpriteScene();
    IMaterial* material = graph->getMaterials().front();

    const std::vector<uint8_t> first = saveBytes(graph.get());
    ASSERT_FALSE(first.empty());
    SmartRef<ISceneGraph> loaded = loadBytes(first);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(saveBytes(loaded.get()), first);

    const std::vector<INode*>& nodes = loaded->getNodes();
    ASSERT_EQ(nodes.size(), 3u);
    const NodeType types[] = {NodeType_ParticleSystem, NodeType_Flare, NodeType_LensFlare};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(nodes[i]->getType(), types[i]) << i;
    }
    IMaterial* loadedMaterial = loaded->getMaterials().front();
    EXPECT_EQ(static_cast<ParticleSystem*>(nodes[0])->getMaterial(), loadedMaterial);
    EXPECT_EQ(static_cast<ParticleSystem*>(nodes[0])->getMaxParticles(), 1u) << "counts are not stored";
    EXPECT_EQ(static_cast<Flare*>(nodes[1])->getMaterial(), loadedMaterial);
    EXPECT_EQ(nodes[1]->getParent(), nodes[0]);
    EXPECT_EQ(static_cast<LensFlare*>(nodes[2])->getMaterial(), loadedMaterial);

    // Each record ends with its version word and the material id.
    const core::UniqueId id = material->getId();
    std::vector<uint8_t> tail = Bytes().u32(1001).id(id).data();
    const auto at = std::search(first.begin(), first.end(), tail.begin(), tail.end());
    EXPECT_NE(at, first.end());
}

}  // namespace
}  // namespace kavro_test
