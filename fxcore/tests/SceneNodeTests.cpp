#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/SceneNodes.h>
#include <tormakelin/fxcore/SceneRenderEffect.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/core/Xml.h>

#include "DeviceTestSupport.h"
#include "MathNodeSupport.h"

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/RenderView.h>

#include <cmath>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

using fxcore::test::link;
using fxcore::test::runOnce;
using fxcore::test::setInput;

void expectVec4(D3DXVECTOR4 const& actual, D3DXVECTOR4 const& expected)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "component " << i;
}

float verticalFov(D3DXMATRIX const& projection)
{
    return 2.0f * std::atan(1.0f / projection._22);
}

class SizedDevice : public ::testing::Test {
protected:
    void open(unsigned width, unsigned height)
    {
        m_device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = width;
        params.height = height;
        ASSERT_TRUE(m_device->create(&m_window, params));
    }
    void TearDown() override { m_device = nullptr; }

    fxcore::test::HiddenWindow m_window;
    core::SmartRef<render::IRenderDevice> m_device;
};

using ViewMatrixTest = SizedDevice;

TEST_F(ViewMatrixTest, FieldOfViewIsHorizontalOverTheViewsAspect)
{
    struct Case {
        unsigned width, height;
        char const* fov;
        float vertical;
    };
    Case const cases[] = {{1600, 900, "90", 0.883573f}, {800, 600, "45", 0.589049f}, {64, 64, "60", 1.047198f}};
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " fov " << c.fov);
        open(c.width, c.height);
        core::SmartRef<ViewMatrix> node(new ViewMatrix());
        setInput(*node, "Attributes/Field of View", c.fov);
        runOnce(*node);
        EXPECT_NEAR(verticalFov(node->getProjection()), c.vertical, 1e-5f);
        EXPECT_NEAR(node->getProjection()._11 / node->getProjection()._22, float(c.height) / float(c.width), 1e-5f);
    }
}

TEST_F(ViewMatrixTest, LooksFromThePositionRollsAboutZAndFeedsLinkedCameras)
{
    open(64, 64);
    core::SmartRef<ViewMatrix> node(new ViewMatrix());
    setInput(*node, "Transform/Position", "0,0,-10");
    setInput(*node, "Transform/Roll", "90");
    runOnce(*node);
    // A point right of the target ends up above it after a quarter turn about the view axis.
    D3DXVECTOR3 const right(1, 0, 0);
    D3DXVECTOR3 viewed;
    D3DXVec3TransformCoord(&viewed, &right, &node->getView());
    EXPECT_NEAR(viewed.x, 0.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(viewed.y), 1.0f, 1e-5f);
    EXPECT_NEAR(viewed.z, 10.0f, 1e-5f);

    core::SmartRef<SceneRenderEffect> effect(new SceneRenderEffect());
    effect->setPluginDesc(SceneRenderEffect::_pluginDesc);
    node->setPluginDesc(ViewMatrix::_pluginDesc);
    link(node.get(), "Result", effect.get(), "Camera/View");
    D3DXMATRIX view, projection;
    D3DXVECTOR3 eye;
    effect->getCamera(view, projection, eye);
    EXPECT_EQ(view, node->getView());
    EXPECT_EQ(projection, node->getProjection());
    EXPECT_EQ(eye, D3DXVECTOR3(0, 0, -10));
    effect->unlinkAll();
}

TEST_F(ViewMatrixTest, AViewWithoutHeightKeepsThePreviousProjection)
{
    open(64, 32);
    core::SmartRef<ViewMatrix> node(new ViewMatrix());
    runOnce(*node);
    D3DXMATRIX const before = node->getProjection();
    ASSERT_TRUE(std::isfinite(before._11));
    m_device->getRenderView()->getViewport().Height = 0;
    setInput(*node, "Attributes/Field of View", "90");
    runOnce(*node);
    EXPECT_EQ(node->getProjection(), before);
}

TEST(LightEffect, ConvertsColourAndConesIntoTheRecordEveryFrameAlike)
{
    core::SmartRef<LightEffect> node(new LightEffect());
    setInput(*node, "Attributes/Type", "2");
    setInput(*node, "Attributes/Color", "255,0,0,255");
    setInput(*node, "Attributes/Intensity", "2");
    setInput(*node, "Attributes/Range", "50");
    // A quarter turn about y turns the light's +z towards +x.
    setInput(*node, "Transform/Rotation", "0,0.70710678,0,0.70710678");
    setInput(*node, "Transform/Position", "1,2,3");
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        runOnce(*node);
        kavro::LightRecord const& light = node->getLight();
        EXPECT_EQ(light.type, kavro::LightType_Spot);
        expectVec4(light.colour, {2, 0, 0, 2});
        EXPECT_FLOAT_EQ(light.radius, 50);
        EXPECT_NEAR(light.innerCone, 0.785398f, 1e-5f);
        EXPECT_NEAR(light.outerCone, 1.570796f, 1e-5f);
        // What the effect receives: the cosines of the half angles.
        EXPECT_NEAR(std::cos(light.innerCone / 2), 0.923880f, 1e-5f);
        EXPECT_NEAR(std::cos(light.outerCone / 2), 0.707107f, 1e-5f);
        EXPECT_NEAR(light.direction.x, 1.0f, 1e-5f);
        EXPECT_NEAR(light.direction.z, 0.0f, 1e-5f);
        EXPECT_EQ(light.position, D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(node->findOutput("Direction")->value->getVec3(), light.direction);
        EXPECT_EQ(node->findOutput("Position")->value->getVec3(), D3DXVECTOR3(1, 2, 3));
    }
}

TEST(Animation, OutputsRestValuesWithoutTracksAndTheTracksChannelsWithThem)
{
    core::SmartRef<Animation> node(new Animation());
    runOnce(*node, 1.0);
    EXPECT_EQ(node->findOutput("Position")->value->getVec3(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(node->findOutput("Rotation")->value->getVec4(), D3DXVECTOR4(0, 0, 0, 1));
    EXPECT_EQ(node->findOutput("Scale")->value->getVec3(), D3DXVECTOR3(1, 1, 1));

    // Two channels reach x and y only; the rest keeps its rest value.
    core::IKeyframe* track = core::createKeyframe(2, false);
    for (auto [time, x, y] : {std::tuple{0.0f, 0.0f, 0.0f}, std::tuple{2.0f, 4.0f, 8.0f}}) {
        core::Key* key = track->createKey();
        key->time = time;
        key->kind = core::KeyLinear;
        key->values[0] = x;
        key->values[1] = y;
        track->addKey(key, true);
    }
    node->setScaleKeyframe(track);
    runOnce(*node, 1.0);
    EXPECT_EQ(node->findOutput("Scale")->value->getVec3(), D3DXVECTOR3(2, 4, 1));

    // The tracks travel in the node's own data, as saving and cloning write it.
    core::SmartRef<core::IXmlDocument> document(core::createXmlDocument());
    ASSERT_TRUE(document->create("Data"));
    core::SmartRef<ISerializer> const save(createSerializer({kSerializerSave, document.get(), false}));
    core::SmartRef<ISerializer> const load(createSerializer({kSerializerLoad, document.get(), false}));
    ASSERT_TRUE(node->serializeData(save.get()));
    core::SmartRef<Animation> copy(new Animation());
    ASSERT_TRUE(copy->serializeData(load.get()));
    ASSERT_NE(copy->getScaleKeyframe(), nullptr);
    EXPECT_EQ(copy->getPositionKeyframe(), nullptr);
    EXPECT_EQ(copy->getRotationKeyframe(), nullptr);
    runOnce(*copy, 1.0);
    EXPECT_EQ(copy->findOutput("Scale")->value->getVec3(), D3DXVECTOR3(2, 4, 1));
}

TEST(SceneEffect, WithoutAResourceHoldsNoGraphAndAnEmptyBox)
{
    core::SmartRef<SceneEffect> node(new SceneEffect());
    runOnce(*node);
    EXPECT_EQ(node->getSceneGraph(), nullptr);
    node->updateBoundingBox();
    EXPECT_EQ(node->getTransform().boundingBox.min, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(node->getTransform().boundingBox.max, D3DXVECTOR3(0, 0, 0));
}

TEST(CameraEffect, GivesItsPositionLookAtAndRoll)
{
    core::SmartRef<CameraEffect> node(new CameraEffect());
    setInput(*node, "Transform/Position", "1,2,3");
    setInput(*node, "Transform/Look At Position", "4,5,6");
    setInput(*node, "Transform/Roll", "30");
    runOnce(*node);
    EXPECT_EQ(node->findOutput("Position")->value->getVec3(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(node->findOutput("Look At Position")->value->getVec3(), D3DXVECTOR3(4, 5, 6));
    EXPECT_FLOAT_EQ(node->findOutput("Roll")->value->getFloat(), 30);
}

std::string const kSolidOnly = "#include \"Tormakelin.fxh\"\n"
                               "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                               "float4 ps() : COLOR { return float4(1, 0, 0, 1); }\n"
                               "technique Solid { pass P { VertexShader = compile vs_3_0 vs(); "
                               "PixelShader = compile ps_3_0 ps(); } }\n";
std::string const kOtherTechnique = "float4 vs(float4 p : POSITION) : POSITION { return p; }\n"
                                    "float4 ps() : COLOR { return float4(1, 0, 0, 1); }\n"
                                    "technique flare { pass P { VertexShader = compile vs_3_0 vs(); "
                                    "PixelShader = compile ps_3_0 ps(); } }\n";

class SceneShaderTest : public fxcore::test::DeviceTest {
protected:
    void SetUp() override
    {
        fxcore::test::DeviceTest::SetUp();
        ASSERT_TRUE(kavro::setupShaderIncludes());
    }
    core::SmartRef<ShaderEffect> shaderNode(std::string const& text)
    {
        core::SmartRef<ShaderEffect> node(new ShaderEffect());
        node->setPluginDesc(ShaderEffect::_pluginDesc);
        node->findInput("Attributes/Hlsl")->value->setText(text);
        node->createShader();
        EXPECT_NE(node->getShader(), nullptr) << node->getStatus();
        return node;
    }
};

TEST_F(SceneShaderTest, MaterialConvertsColoursIntoItsSettingsAndTakesTheLinkedShader)
{
    core::SmartRef<MaterialEffect> node(new MaterialEffect());
    setInput(*node, "Attributes/Name", "Floor");
    setInput(*node, "Attributes/Doublesided", "1");
    setInput(*node, "Attributes/Type", "1");
    setInput(*node, "Parameters/Diffuse", "255,51,0,255");
    setInput(*node, "Parameters/Ambient", "0,0,102,255");
    core::SmartRef<ShaderEffect> shader = shaderNode(kSolidOnly);
    link(shader.get(), "Result", node.get(), "Shader/Shader");
    core::SmartRef<ParameterScalar> level(new ParameterScalar());
    level->setPluginDesc(ParameterScalar::_pluginDesc);
    link(level.get(), "Result", node.get(), "Shader/Shader Parameters");
    for (int frame = 0; frame < 2; ++frame) {
        runOnce(*node);
        kavro::MaterialSettings const& settings = node->getSettings();
        EXPECT_EQ(settings.name, "Floor");
        EXPECT_EQ(settings.twoSided, 1);
        EXPECT_EQ(settings.type, kavro::MaterialType_Reflective);
        expectVec4(settings.diffuse, {1, 0.2f, 0, 1});
        expectVec4(settings.ambient, {0, 0, 0.4f, 1});
        expectVec4(settings.emissive, {0, 0, 0, 1});
        expectVec4(settings.embm, {0.25f, 0.25f, 0.75f, 0.75f});
        EXPECT_FLOAT_EQ(settings.glossiness, 32);
        EXPECT_EQ(settings.shader, shader->getShader());
        EXPECT_EQ(settings.shaderParameters, std::vector<kavro::IShaderParameter*>{level->getShaderParameter()});
    }
    EXPECT_EQ(node->findInput("Parameters/Diffuse")->value->getColor(), D3DXVECTOR4(255, 51, 0, 255));
    EXPECT_EQ(node->getErrorString(), "");
    node->unlinkAll();
}

TEST_F(SceneShaderTest, AUserShaderWithoutTheRenderersTechniquesIsReported)
{
    core::SmartRef<ShaderEffect> shader = shaderNode(kOtherTechnique);
    core::SmartRef<MaterialEffect> material(new MaterialEffect());
    core::SmartRef<FlareEffect> flare(new FlareEffect());
    for (GraphNode* node : {static_cast<GraphNode*>(material.get()), static_cast<GraphNode*>(flare.get())}) {
        char const* input = node == material.get() ? "Shader/Shader" : "Attributes/Shader";
        link(shader.get(), "Result", node, input);
        runOnce(*node);
        EXPECT_NE(node->getErrorString().find("Solid"), std::string::npos);
        node->setErrorString("");
        runOnce(*node);
        EXPECT_EQ(node->getErrorString(), "") << "reported once";
        node->unlinkAll();
    }
}

TEST_F(SceneShaderTest, FlareDrawsItsColourAtItsPlaceOnceWithItsMaterialInTheGraph)
{
    core::SmartRef<FlareEffect> node(new FlareEffect());
    ASSERT_NE(node->getOwnShader(), nullptr);
    runOnce(*node);
    EXPECT_FLOAT_EQ(node->getFlare()->size, 5.0f) << "the default text \"5.0f\"";
    setInput(*node, "Attributes/Color", "255,0,0,255");
    setInput(*node, "Attributes/Size", "3");
    setInput(*node, "Transform/Position", "4,5,6");
    for (int frame = 0; frame < 2; ++frame)
        runOnce(*node);
    kavro::Flare* flare = node->getFlare();
    expectVec4(flare->colour, {1, 0, 0, 1});
    EXPECT_EQ(node->findInput("Attributes/Color")->value->getColor(), D3DXVECTOR4(255, 0, 0, 255));
    EXPECT_FLOAT_EQ(flare->size, 3);
    EXPECT_EQ(flare->getTransformation().transform.position.value, D3DXVECTOR3(4, 5, 6));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(node->getSceneWorldMatrix(), identity) << "the flare node carries the position alone";
    kavro::ISceneGraph* graph = node->getSceneGraph();
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(graph->getMaterials().size(), 1u);
    EXPECT_EQ(graph->getMaterials().front(), node->getMaterial());
    EXPECT_EQ(node->getMaterial()->getBlendMode(), 1);
    EXPECT_EQ(flare->getShader(), node->getOwnShader());
    EXPECT_NE(node->getMaterial()->findTextureSampler("flare"), nullptr);
}

} // namespace
