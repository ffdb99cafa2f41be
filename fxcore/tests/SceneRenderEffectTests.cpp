#include <tormakelin/fxcore/ParticleNodes.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/SceneNodes.h>
#include <tormakelin/fxcore/SceneRenderEffect.h>

#include "MathNodeSupport.h"
#include "SceneFixtures.h"
#include "TextureEffectSupport.h"

#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/ShaderInclude.h>

namespace {

using namespace tormakelin;
using namespace tormakelin::fxcore;
using texture_test::ResourceLookup;

using fxcore::test::link;
using fxcore::test::make;
using fxcore::test::runOnce;
using fxcore::test::setInput;

TEST(SceneRenderEffectShare, InstancesShareOneRendererReleasedWithTheLast)
{
    EXPECT_EQ(SceneRenderEffect::sharedRenderer(), nullptr);
    auto first = make<SceneRenderEffect>();
    kavro::ISceneRender* shared = SceneRenderEffect::sharedRenderer();
    ASSERT_NE(shared, nullptr);
    auto second = make<SceneRenderEffect>();
    EXPECT_EQ(SceneRenderEffect::sharedRenderer(), shared);
    first = nullptr;
    EXPECT_EQ(SceneRenderEffect::sharedRenderer(), shared);
    second = nullptr;
    EXPECT_EQ(SceneRenderEffect::sharedRenderer(), nullptr);
    auto third = make<SceneRenderEffect>();
    EXPECT_NE(SceneRenderEffect::sharedRenderer(), nullptr);
}

class SceneRenderEffectTest : public kavro_test::DeviceTest {
protected:
    static constexpr unsigned kSize = 32;

    void SetUp() override
    {
        ASSERT_TRUE(openDevice(kSize, kSize));
        ASSERT_TRUE(kavro::setupShaderIncludes());
        effect = make<SceneRenderEffect>();
    }
    void TearDown() override
    {
        effect->unlinkAll();
        effect = nullptr;
        kavro_test::DeviceTest::TearDown();
    }

    // A render-target resource under `id`, found by the lookup.
    std::string addTarget(char const* id, D3DFORMAT format, unsigned size = 64)
    {
        auto* resource = new RenderTargetResource();
        resource->setPluginDesc(RenderTargetResource::_pluginDesc);
        render::TextureCreateParams params;
        params.format = format;
        EXPECT_TRUE(resource->create(size, size, params, false));
        return lookup.add(resource, id);
    }
    std::string addScene(kavro::ISceneGraph* graph, char const* id)
    {
        auto* resource = new SceneResource();
        resource->setPluginDesc(SceneResource::_pluginDesc);
        resource->setScene(graph);
        return lookup.add(resource, id);
    }
    core::SmartRef<SceneEffect> sceneNode(kavro::ISceneGraph* graph, char const* id)
    {
        auto node = make<SceneEffect>();
        setInput(*node, "Attributes/Scene", addScene(graph, id).c_str());
        runOnce(*node);
        link(node.get(), "Result", effect.get(), "Attributes/Scene");
        return node;
    }
    kavro::SceneRenderState state()
    {
        kavro::SceneRenderState built;
        RenderContext context;
        effect->getCamera(context.view, context.projection, context.eye);
        runOnce(*effect);
        effect->buildState(context, built);
        return built;
    }

    ResourceLookup lookup;
    core::SmartRef<SceneRenderEffect> effect;
};

TEST_F(SceneRenderEffectTest, ShadowSettingsNeedALinkedMapAndColoursArrive0To1)
{
    kavro_test::SceneBuilder scene;
    scene.mesh(kavro_test::makeFloor(10), scene.material({}));
    auto node = sceneNode(scene.graph.get(), "6A1E0000-0000-0000-0000-000000000001");
    setInput(*effect, "Shadow/Enabled", "1");
    setInput(*effect, "Shadow/Blur Enabled", "1");
    setInput(*effect, "Shadow/Blur Vertical", addTarget("6A1E0000-0000-0000-0000-000000000002", D3DFMT_R32F).c_str());
    setInput(*effect, "Fog/Color", "255,51,0,255");

    kavro::SceneRenderState without = state();
    EXPECT_FALSE(without.settings.shadowEnabled);
    EXPECT_FALSE(without.settings.shadowBlur);
    EXPECT_FALSE(without.settings.shadowBlurVertical) << "no blur target without a shadow map";
    EXPECT_NEAR(without.settings.fogColour.y, 0.2f, 1e-6f);

    std::string const map = addTarget("6A1E0000-0000-0000-0000-000000000003", D3DFMT_R32F);
    setInput(*effect, "Shadow/Texture", map.c_str());
    kavro::SceneRenderState with = state();
    EXPECT_TRUE(with.settings.shadowEnabled);
    EXPECT_TRUE(with.settings.shadowTarget);
    EXPECT_TRUE(with.settings.shadowBlurVertical);
    EXPECT_FALSE(with.settings.shadowBlurDownsample);
    EXPECT_EQ(with.settings.shadowColour, D3DXVECTOR4(0, 0, 0, 1));
    EXPECT_EQ(with.settings.shadowTargetPosition, D3DXVECTOR3(2, 0, 0));
    EXPECT_TRUE(with.useGivenCamera);
    ASSERT_EQ(with.entries.size(), 1u);
    EXPECT_EQ(with.entries.front().graph, scene.graph.get());
    node->unlinkAll();
}

TEST_F(SceneRenderEffectTest, LightsAndMaterialsWithoutAnythingToDrawDrawNothing)
{
    auto light = make<LightEffect>();
    auto material = make<MaterialEffect>();
    setInput(*material, "Attributes/Name", "Floor");
    runOnce(*light);
    runOnce(*material);
    link(light.get(), "Result", effect.get(), "Attributes/Light");
    link(material.get(), "Result", effect.get(), "Attributes/Materials");
    // A scene node without a resource contributes nothing either.
    auto empty = make<SceneEffect>();
    runOnce(*empty);
    link(empty.get(), "Result", effect.get(), "Attributes/Scene");

    kavro::SceneRenderState built;
    RenderContext context;
    EXPECT_FALSE(effect->buildState(context, built));
    EXPECT_EQ(built.lights.size(), 1u);
    ASSERT_EQ(built.materials.size(), 1u);
    EXPECT_EQ(built.materials.front().name, "Floor");
    EXPECT_TRUE(built.entries.empty());

    device->clear(render::Clear_Colour, D3DXVECTOR4(0, 0, 1, 1), 1, 0);
    effect->render(context);
    EXPECT_EQ(kavro_test::readPixel(device, kSize / 2, kSize / 2), (kavro_test::Rgb{0, 0, 255}));
    for (IGraphNode* node : {static_cast<IGraphNode*>(light.get()), static_cast<IGraphNode*>(material.get()),
             static_cast<IGraphNode*>(empty.get())})
        node->unlinkAll();
}

TEST_F(SceneRenderEffectTest, AGraphOfSceneCameraAndLightDrawsWhatTheRendererDraws)
{
    // The renderer's own shadow scene: a floor, a reflective occluder above it that only casts
    // its shadow, a sun straight down into a float map.
    kavro_test::SceneBuilder scene;
    scene.mesh(kavro_test::makeFloor(200), scene.material({}));
    scene.mesh(kavro_test::makeFloor(40, 50), scene.material({{1, 1, 1, 1}, 0, kavro::MaterialType_Reflective}));
    auto node = sceneNode(scene.graph.get(), "6A1E0000-0000-0000-0000-000000000011");

    auto camera = make<CameraEffect>();
    auto view = make<ViewMatrix>();
    setInput(*camera, "Transform/Position", "0,300,-1");
    setInput(*view, "Attributes/Field of View", "40");
    setInput(*view, "Clip/Near", "1");
    link(camera.get(), "Position", view.get(), "Transform/Position");
    runOnce(*camera);
    runOnce(*view);
    link(view.get(), "Result", effect.get(), "Camera/View");

    auto light = make<LightEffect>();
    setInput(*light, "Attributes/Type", "1");
    setInput(*light, "Transform/Rotation", "0.70710678,0,0,0.70710678");
    runOnce(*light);
    link(light.get(), "Result", effect.get(), "Attributes/Light");

    setInput(*effect, "Ambient/Power", "0");
    setInput(*effect, "Shadow/Enabled", "1");
    setInput(*effect, "Shadow/Texture", addTarget("6A1E0000-0000-0000-0000-000000000012", D3DFMT_R32F).c_str());
    runOnce(*effect);

    RenderContext context;
    effect->getCamera(context.view, context.projection, context.eye);
    EXPECT_EQ(context.eye, D3DXVECTOR3(0, 300, -1));
    device->clear(render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil, D3DXVECTOR4(0, 0, 0, 0), 1, 0);
    effect->render(context);
    unsigned width = 0, height = 0;
    std::vector<uint32_t> const graphFrame = kavro_test::readBackBuffer(device, width, height);
    EXPECT_LT(kavro_test::readPixel(device, kSize / 2, kSize / 2)[0], 40) << "under the occluder";
    EXPECT_GT(kavro_test::readPixel(device, 2, 2)[0], 240) << "open ground";

    // The same record handed straight to a renderer.
    kavro::SceneRenderState direct;
    direct.useGivenCamera = true;
    direct.view = context.view;
    direct.projection = context.projection;
    direct.eye = context.eye;
    kavro::LightRecord sun;
    sun.type = kavro::LightType_Directional;
    sun.direction = D3DXVECTOR3(0, -1, 0);
    sun.colour = D3DXVECTOR4(1, 1, 1, 1);
    sun.innerCone = 45 * 0.017453292f;
    sun.outerCone = 90 * 0.017453292f;
    sun.radius = 256;
    direct.lights = {sun};
    direct.entries.push_back({});
    direct.entries.back().graph = scene.graph.get();
    direct.settings.shadowEnabled = true;
    render::IRenderTargetTexture* map = nullptr;
    {
        kavro::SceneRenderState fromGraph;
        effect->buildState(context, fromGraph);
        map = fromGraph.settings.shadowTarget.get();
        ASSERT_EQ(fromGraph.lights.size(), 1u);
        EXPECT_NEAR(fromGraph.lights.front().direction.y, -1.0f, 1e-6f);
    }
    direct.settings.shadowTarget = kavro::TargetRef(map);
    core::SmartRef<kavro::ISceneRender> renderer(kavro::createSceneRender());
    device->clear(render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil, D3DXVECTOR4(0, 0, 0, 0), 1, 0);
    renderer->render(direct);
    std::vector<uint32_t> const directFrame = kavro_test::readBackBuffer(device, width, height);
    ASSERT_EQ(graphFrame.size(), directFrame.size());
    EXPECT_TRUE(graphFrame == directFrame);

    for (IGraphNode* n : {static_cast<IGraphNode*>(node.get()), static_cast<IGraphNode*>(camera.get()),
             static_cast<IGraphNode*>(view.get()), static_cast<IGraphNode*>(light.get())})
        n->unlinkAll();
}

TEST_F(SceneRenderEffectTest, AFlareDrawsOnceAtItsOwnPlace)
{
    uint32_t const white = 0xFFFFFFFF;
    core::SmartRef<render::ITexture> texture(render::createTextureRgba(1, 1, &white));
    ASSERT_TRUE(texture);
    auto flare = make<FlareEffect>();
    setInput(*flare, "Attributes/Texture", lookup.addTexture(texture.get(), "6A1E0000-0000-0000-0000-000000000021").c_str());
    setInput(*flare, "Attributes/Color", "255,0,0,255");
    setInput(*flare, "Attributes/Size", "8");
    setInput(*flare, "Transform/Position", "15,0,0");
    runOnce(*flare);
    link(flare.get(), "Result", effect.get(), "Particle/Flares");

    RenderContext context;
    effect->getCamera(context.view, context.projection, context.eye);
    auto pixelOf = [&](D3DXVECTOR3 const& point) {
        D3DXMATRIX const viewProjection = context.view * context.projection;
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &point, &viewProjection);
        return std::pair{unsigned((clip.x * 0.5f + 0.5f) * kSize), unsigned((0.5f - clip.y * 0.5f) * kSize)};
    };
    device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 0), 1, 0);
    effect->render(context);
    auto const [x, y] = pixelOf({15, 0, 0});
    auto const [x2, y2] = pixelOf({30, 0, 0});
    EXPECT_GT(kavro_test::readPixel(device, x, y)[0], 200) << "at its place";
    EXPECT_EQ(kavro_test::readPixel(device, x2, y2), (kavro_test::Rgb{0, 0, 0})) << "not at twice its place";
    EXPECT_EQ(kavro_test::readPixel(device, 1, 1), (kavro_test::Rgb{0, 0, 0}));
    flare->unlinkAll();
}

TEST_F(SceneRenderEffectTest, ALinkedParticleSystemDrawsItsParticlesThroughTheCamera)
{
    // One still red particle in front of the camera, the only thing drawn.
    uint32_t const white = 0xFFFFFFFF;
    core::SmartRef<render::ITexture> texture(render::createTextureRgba(1, 1, &white));
    ASSERT_TRUE(texture);
    auto system = make<ParticleSystemEffect>();
    auto box = make<ParticleBoxEmitter>();
    auto colour = make<ParticleColorModifier>();
    setInput(*system, "Attributes/Texture", lookup.addTexture(texture.get(), "6A1E0000-0000-0000-0000-000000000031").c_str());
    setInput(*system, "Attributes/Max particles", "8");
    for (auto const& [input, text] : std::initializer_list<std::pair<char const*, char const*>>{{"Box/Min", "0,0,0"},
             {"Box/Max", "0,0,0"}, {"Velocity/Min velocity", "0,0,0"}, {"Velocity/Max velocity", "0,0,0"},
             {"Attributes/Num Particles", "1"}, {"Attributes/Num Spawns", "1"}, {"Attributes/Min life", "100"},
             {"Attributes/Max life", "100"}, {"Size/Min", "6"}, {"Size/Max", "6"}})
        setInput(*box, input, text);
    for (char const* input : {"Attributes/Start Color", "Attributes/Middle Color", "Attributes/End Color"})
        setInput(*colour, input, "255,0,0,255");
    link(box.get(), "Result", system.get(), "Attributes/Emitter");
    link(colour.get(), "Result", system.get(), "Attributes/Modifier");
    runOnce(*box);
    runOnce(*colour);
    runOnce(*system);
    link(system.get(), "Output", effect.get(), "Particle/System");

    auto camera = make<CameraEffect>();
    auto view = make<ViewMatrix>();
    setInput(*camera, "Transform/Position", "0,0,-20");
    link(camera.get(), "Position", view.get(), "Transform/Position");
    runOnce(*camera);
    runOnce(*view);
    link(view.get(), "Result", effect.get(), "Camera/View");
    runOnce(*effect);

    RenderContext context;
    context.delta = 0.02f;
    effect->getCamera(context.view, context.projection, context.eye);
    ASSERT_EQ(context.eye, D3DXVECTOR3(0, 0, -20));
    for (int frame = 0; frame < 2; ++frame) {
        device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 0), 1, 0);
        effect->render(context);
    }
    EXPECT_EQ(system->getParticleSystem()->getCloud().getAliveCount(), 1u);
    kavro_test::Rgb const centre = kavro_test::readPixel(device, kSize / 2, kSize / 2);
    EXPECT_GT(centre[0], 200) << "the particle";
    EXPECT_LT(centre[1] + centre[2], 10);
    EXPECT_EQ(kavro_test::readPixel(device, 1, 1), (kavro_test::Rgb{0, 0, 0})) << "around it";

    // Unlinked, the system is no source of the scene render any more.
    system->unlinkAll();
    device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 0), 1, 0);
    effect->render(context);
    EXPECT_EQ(kavro_test::readPixel(device, kSize / 2, kSize / 2), (kavro_test::Rgb{0, 0, 0}));
    for (IGraphNode* n : {static_cast<IGraphNode*>(box.get()), static_cast<IGraphNode*>(colour.get()),
             static_cast<IGraphNode*>(camera.get()), static_cast<IGraphNode*>(view.get())})
        n->unlinkAll();
}

} // namespace
