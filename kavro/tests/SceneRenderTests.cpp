#include "SceneRenderFixture.h"

#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/render/PostProcessor.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

LightRecord sunFrom(const D3DXVECTOR3& direction)
{
    LightRecord light;
    light.type = LightType_Directional;
    light.direction = direction;
    light.colour = D3DXVECTOR4(1, 1, 1, 1);
    return light;
}

// The shadow tests' view: a sun straight down, seen from straight above over 200 units of ground.
void lookDownUnderTheSun(SceneRenderState& state)
{
    state.lights = {sunFrom({0, -1, 0})};
    lookAt(state, {0, 300, 0}, {0, 0, 0}, {0, 0, 1});
    D3DXMatrixOrthoLH(&state.projection, 200, 200, 1, 1000);
}

TEST_F(SceneRenderTest, GroundUnderAnOccluderIsInShadow)
{
    SceneBuilder scene;
    scene.mesh(makeFloor(200), scene.material({}));
    // A reflective occluder is not drawn by the solid passes: only its shadow shows.
    scene.mesh(makeFloor(40, 50), scene.material({{1, 1, 1, 1}, 0, MaterialType_Reflective}));
    SceneRenderState state;
    state.entries.push_back({});
    state.entries.back().graph = scene.graph.get();
    lookDownUnderTheSun(state);

    struct Case {
        const char* label;
        D3DFORMAT format;  // 0: no shadow target
        D3DXVECTOR3 target;
        bool blur;
        bool shadowed;
    };
    const Case cases[] = {
        // An 8-bit map would clamp exp(k depth): the renderer draws into a float map of its own.
        {"8-bit target, light straight above", D3DFMT_A8R8G8B8, {0, 0, 0}, false, true},
        {"float target", D3DFMT_R32F, {2, 0, 0}, false, true},
        {"8-bit targets, blurred", D3DFMT_A8R8G8B8, {2, 0, 0}, true, true},
        {"no target: no shadow", D3DFMT_UNKNOWN, {0, 0, 0}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        state.settings = SceneSettings{};
        state.settings.shadowEnabled = true;
        state.settings.shadowLightPosition = D3DXVECTOR3(0, 200, 0);
        state.settings.shadowTargetPosition = c.target;
        if (c.format != D3DFMT_UNKNOWN) {
            state.settings.shadowTarget = target(64, c.format);
        }
        if (c.blur) {
            state.settings.shadowBlur = true;
            state.settings.shadowBlurDownsample = target(32, c.format);
            state.settings.shadowBlurVertical = target(32, c.format);
            state.settings.shadowBlurHorizontal = target(32, c.format);
        }
        clear();
        renderer->render(state);
        const Rgb under = readPixel(device, kSize / 2, kSize / 2);
        const Rgb open = readPixel(device, 3, 3);
        EXPECT_GT(open[0], 240);
        if (c.shadowed) {
            EXPECT_LT(under[0], 40);
        } else {
            EXPECT_GT(under[0], 240);
        }
    }
}

// The light's map covers only the middle of the ground: beyond its edges nothing occludes.
TEST_F(SceneRenderTest, ReceiversOutsideTheShadowMapAreLit)
{
    SceneBuilder scene;
    scene.mesh(makeFloor(200), scene.material({}));
    scene.mesh(makeFloor(10, 50), scene.material({{1, 1, 1, 1}, 0, MaterialType_Reflective}));
    SceneRenderState state;
    state.entries.push_back({});
    state.entries.back().graph = scene.graph.get();
    lookDownUnderTheSun(state);
    state.settings.shadowEnabled = true;
    state.settings.shadowLightPosition = D3DXVECTOR3(0, 200, 0);
    state.settings.shadowDistance = 20;
    state.settings.shadowTarget = target(64, D3DFMT_R32F);
    clear();
    renderer->render(state);

    EXPECT_LT(readPixel(device, kSize / 2, kSize / 2)[0], 40) << "under the occluder";
    // World x or z of +-30 and beyond lies outside the map's +-20.
    for (const auto& [x, y] : {std::pair{3u, 3u}, {kSize / 2, 2u}, {kSize - 3, kSize / 2}, {10u, kSize - 2}}) {
        EXPECT_GT(readPixel(device, x, y)[0], 240) << "at " << x << "," << y;
    }
}

TEST_F(SceneRenderTest, EveryEntryCastsIntoTheOneShadowMap)
{
    // The occluder comes first: a map cleared again for the ground's entry would lose it.
    SceneBuilder occluder;
    occluder.mesh(makeFloor(40, 50), occluder.material({{1, 1, 1, 1}, 0, MaterialType_Reflective}));
    SceneBuilder ground;
    ground.mesh(makeFloor(200), ground.material({}));
    SceneRenderState state;
    for (SceneBuilder* scene : {&occluder, &ground}) {
        state.entries.push_back({});
        state.entries.back().graph = scene->graph.get();
    }
    lookDownUnderTheSun(state);
    state.settings.shadowEnabled = true;
    state.settings.shadowTarget = target(64, D3DFMT_R32F);
    clear();
    renderer->render(state);
    EXPECT_LT(readPixel(device, kSize / 2, kSize / 2)[0], 40);
    EXPECT_GT(readPixel(device, 3, 3)[0], 240);
}

TEST_F(SceneRenderTest, AReflectiveFloorShowsWhatStandsAboveIt)
{
    // Fog from 52 on: the mirrored wall is 48 from the mirrored eye (x, 2Y - y, z); an eye
    // mirrored about y = 0 would be farther for a floor above 0 and fog it over.
    for (float y : {0.0f, 2.0f, 10.0f}) {
        SCOPED_TRACE(testing::Message() << "floor at " << y);
        SceneBuilder scene;
        MaterialLook floor{{0, 0, 0.25f, 1}, render::BlendMode_Additive, MaterialType_Reflective, false};
        IMaterial* mirror = scene.material(floor);
        mirror->setTwoSided(false);  // one face of the floor, so it adds its colour once
        scene.mesh(makeFloor(60, y), mirror);
        scene.mesh(makeWall(-10, y + 2, 10, y + 14, 0), scene.material({{1, 0, 0, 1}, 0, 0, false}));
        SceneRenderState state;
        state.entries.push_back({});
        state.entries.back().graph = scene.graph.get();
        lookAt(state, {0, y + 20, -40}, {0, y, 0}, {0, 1, 0});
        D3DXMatrixPerspectiveFovLH(&state.projection, D3DX_PI / 3, 1, 1, 200);
        state.settings.reflectionEnabled = true;
        state.settings.reflectionY = y;
        state.settings.reflectionTarget = target(kSize, D3DFMT_A8R8G8B8);  // no depth of its own
        state.settings.fogEnabled = true;
        state.settings.fogStart = 52;
        state.settings.fogEnd = 54;
        state.settings.fogColour = D3DXVECTOR4(0, 1, 0, 1);
        const auto [px, py] = pixelOf(state, {0, y, -10});

        clear();
        renderer->render(state);
        const Rgb floorPixel = readPixel(device, px, py);
        EXPECT_GT(floorPixel[0], 150) << "the mirrored wall";
        EXPECT_NEAR(floorPixel[2], 64, 4) << "the floor's own colour on top";
        const Rgb wall = readPixel(device, pixelOf(state, {0, y + 8, 0}).first, pixelOf(state, {0, y + 8, 0}).second);
        EXPECT_GT(wall[0], 240);

        state.settings.reflectionEnabled = false;
        clear();
        renderer->render(state);
        EXPECT_LT(readPixel(device, px, py)[0], 30);
    }
}

TEST_F(SceneRenderTest, DepthOfFieldBlursFarAndKeepsTheFocusPlaneSharp)
{
    SceneBuilder scene;
    IMaterial* white = scene.material({{1, 1, 1, 1}, 0, 0, false});
    // Two squares of the same size on screen (columns 4-11 and 20-27, rows 12-19): one in focus at
    // 5, one far at 50.
    scene.mesh(makeWall(-3.75f, -1.25f, -1.25f, 1.25f, 5), white);
    scene.mesh(makeWall(12.5f, -12.5f, 37.5f, 12.5f, 50), white);
    SceneRenderState state;
    state.entries.push_back({});
    state.entries.back().graph = scene.graph.get();
    lookAt(state, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    D3DXMatrixPerspectiveFovLH(&state.projection, D3DX_PI / 2, 1, 1, 100);
    SceneSettings& s = state.settings;
    s.zPassEnabled = true;
    s.zPassTarget = target(kSize, D3DFMT_R32F);
    s.dofEnabled = true;
    s.dofNear = 5;
    s.dofFar = 1;
    s.dofBlurWidth = 1;
    s.dofBlurTarget = target(kSize, D3DFMT_A8R8G8B8);
    s.dofBlurVertical = target(kSize, D3DFMT_A8R8G8B8);
    s.dofBlurHorizontal = target(kSize, D3DFMT_A8R8G8B8);

    for (bool inLayer : {false, true}) {
        SCOPED_TRACE(inLayer ? "inside a render-target layer" : "on the back buffer");
        // Green on the back buffer must not leak into a layer's picture.
        clear(inLayer ? D3DXVECTOR4(0, 1, 0, 1) : D3DXVECTOR4(0, 0, 0, 0));
        SmartRef<render::IRenderTargetTexture> layer;
        if (inLayer) {
            layer = target(kSize, D3DFMT_A8R8G8B8, true);
            ASSERT_TRUE(layer->begin());
            clear();
        }
        renderer->render(state);
        if (inLayer) {
            layer->end();
            ASSERT_TRUE(device->getPostProcessor()->stretchRect(layer.get(), nullptr, device->getBackBuffer(), nullptr));
        }
        const Rgb nearEdge = readPixel(device, 4, 16);
        const Rgb farEdge = readPixel(device, 20, 16);
        EXPECT_GT(nearEdge[0], 245) << "in focus";
        EXPECT_GT(farEdge[0], 20);
        EXPECT_LT(farEdge[0], 215) << "blurred";
        EXPECT_LT(readPixel(device, 16, 2)[1], 30);
    }
}

TEST_F(SceneRenderTest, ShadowAndReflectionPassesLeaveTheMainDepthAlone)
{
    SceneBuilder scene;
    scene.mesh(makeWall(-20, -20, 20, 20, 10), scene.material({{1, 1, 1, 1}, 0, 0, false}));
    SceneRenderState state;
    state.entries.push_back({});
    state.entries.back().graph = scene.graph.get();
    lookAt(state, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    D3DXMatrixOrthoLH(&state.projection, 32, 32, 1, 100);
    for (bool shadow : {true, false}) {
        SCOPED_TRACE(shadow ? "shadow" : "reflection");
        state.settings = SceneSettings{};
        // Targets without depth of their own, larger than the screen.
        if (shadow) {
            state.settings.shadowEnabled = true;
            state.settings.shadowTarget = target(64, D3DFMT_R32F);
            state.settings.shadowColour = D3DXVECTOR4(1, 1, 1, 1);  // shade nothing: only depth decides
        } else {
            state.settings.reflectionEnabled = true;
            state.settings.reflectionTarget = target(64, D3DFMT_A8R8G8B8);
        }
        // Depth 0 in front of everything: what was drawn before the scene hides it.
        device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 0), 0, 0);
        renderer->render(state);
        EXPECT_EQ(readPixel(device, 16, 16)[0], 0) << "a pass cleared the depth of what it draws over";
    }
}

TEST_F(SceneRenderTest, EntriesSharingAGraphDrawAtTheirOwnMatrices)
{
    SceneBuilder scene;
    scene.mesh(makeWall(-2, -2, 2, 2, 10), scene.material({{1, 1, 1, 1}, 0, 0, false}));
    SceneRenderState state;
    lookAt(state, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    D3DXMatrixOrthoLH(&state.projection, 32, 32, 1, 100);
    clear();
    renderer->render(state);  // no entries: nothing drawn, nothing updated
    EXPECT_EQ(readPixel(device, 16, 16)[0], 0);

    for (float x : {-8.0f, 8.0f}) {
        SceneEntry entry;
        D3DXMatrixTranslation(&entry.world, x, 0, 0);
        entry.graph = scene.graph.get();
        state.entries.push_back(entry);
    }
    clear();
    renderer->render(state);
    EXPECT_GT(readPixel(device, 8, 16)[0], 240);
    EXPECT_GT(readPixel(device, 24, 16)[0], 240);
    EXPECT_EQ(readPixel(device, 16, 16)[0], 0);
}

// Two entries of one graph, at x = -4 and 4.
void addSharedEntries(SceneRenderState& state, ISceneGraph* graph)
{
    for (float x : {-4.0f, 4.0f}) {
        SceneEntry entry;
        D3DXMatrixTranslation(&entry.world, x, 0, 0);
        entry.graph = graph;
        state.entries.push_back(entry);
    }
}

TEST_F(SceneRenderTest, ASharedGraphMovesItsParticlesOnceAFrame)
{
    SmartRef<ISceneGraph> graph = createSceneGraph();
    auto* system = static_cast<ParticleSystem*>(createNode(NodeType_ParticleSystem));
    graph->addNode(system);
    auto* emitter = new ParticleBoxEmitter();
    ParticleEmitterParams& params = emitter->getParams();
    params.spawnLimit = 1;
    params.particlesPerSpawn = 1;
    params.lifeMin = params.lifeMax = 100;
    params.velocityMin = params.velocityMax = D3DXVECTOR3(1, 0, 0);
    emitter->setBounds({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)});
    system->addEmitter(emitter);
    SceneRenderState state;
    addSharedEntries(state, graph.get());
    lookAlongZ(state);
    state.delta = 1;
    // Born at the end of the first frame, one unit further at the end of the second.
    for (float time : {1.0f, 2.0f}) {
        state.time = time;
        renderer->render(state);
        ASSERT_EQ(system->getCloud().getAliveCount(), 1u);
        EXPECT_FLOAT_EQ(system->getCloud().getFirstAlive()->position.x, time - 1) << "at " << time;
    }
}

TEST_F(SceneRenderTest, TheCameraComesFromTheSceneWhenNoneIsGiven)
{
    SceneBuilder scene;
    scene.mesh(makeWall(-2, -2, 2, 2, 10), scene.material({{1, 1, 1, 1}, 0, 0, false}));
    INode* camera = createNode(NodeType_Camera);
    scene.graph->addNode(camera);
    // Looking down +x at nothing, then at the wall: the first camera wins either way.
    INode* other = createNode(NodeType_Node);
    scene.graph->addNode(other);
    SceneRenderState state;
    state.entries.push_back({});
    state.entries.back().graph = scene.graph.get();
    state.cameraId = other->getId();  // not a camera: the first camera is taken
    D3DXMatrixScaling(&state.view, 0, 0, 0);  // would draw nothing if it stayed
    clear();
    renderer->render(state);
    EXPECT_GT(readPixel(device, 16, 16)[0], 240);
    EXPECT_NE(static_cast<Camera*>(camera)->getViewMatrix()._11, 0);
}

TEST(SceneLights, LightsArePlacedByTheirWorldMatrix)
{
    INode* parent = createNode(NodeType_Node);
    INode* child = createNode(NodeType_Light);
    parent->addRef();
    child->addRef();
    child->setParent(parent);
    parent->getTransformation().transform.position.value = D3DXVECTOR3(10, 0, 0);
    child->getTransformation().transform.position.value = D3DXVECTOR3(1, 2, 0);
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.phase = phase;
        parent->update(context);
    }
    EXPECT_EQ(static_cast<Light*>(child)->getWorldLight().position, D3DXVECTOR3(11, 2, 0));
    child->release();
    parent->release();
}

}  // namespace
}  // namespace kavro_test
