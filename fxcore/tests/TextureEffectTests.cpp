#include "MathNodeSupport.h"
#include "TextureEffectSupport.h"

#include <QuietLog.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/fxcore/ImageEffects.h>
#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/render/StateManager.h>

#include <algorithm>
#include <cmath>

using namespace texture_test;
using tormakelin::fxcore::FullscreenQuad;
using tormakelin::fxcore::Gradient;
using tormakelin::fxcore::RadialGradient;
using tormakelin::fxcore::TextureEffect;

namespace {

using Node = core::SmartRef<TextureEffect>;

Node placedEffect(char const* size = "64,64")
{
    Node node(new TextureEffect);
    setInputs(*node, {{"Transform/Size", size}, {"Transform/Position", "0,0"}});
    return node;
}

} // namespace

TEST_F(FamilyDeviceTest, TextureDrawnAtItsAuthorSizeReadsBackByteForByte)
{
    std::vector<uint32_t> source(size_t(kSize) * kSize);
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 0; x < kSize; ++x)
            source[size_t(y) * kSize + x] = 0xFF000000u | (x * 4u) << 16 | (y * 4u) << 8 | ((x * 7u + y * 13u) & 0xFFu);
    render::ITexture* texture = makeTexture(source, kSize, kSize);
    clear({0, 0, 0, 255});
    Node node = placedEffect();
    node->drawShared(texture);
    EXPECT_EQ(pixels(), source);
}

TEST_F(FamilyDeviceTest, TintChannelMaskAndUvAddressing)
{
    render::ITexture* white = solidTexture(0xFFFFFFFFu);
    {
        clear({0, 0, 0, 255});
        Node node = placedEffect();
        setInputs(*node, {{"Attributes/Color", "255,128,0,255"}});
        node->drawShared(white);
        expectNear(pixel(32, 32), {255, 128, 0, 255}, 1);
    }
    {
        // Only alpha is written; colour stays the background's, and the mask is restored after.
        clear({10, 20, 30, 40});
        Node node = placedEffect();
        setInputs(*node, {{"Attributes/Channel", "4"}, {"Attributes/Color", "255,255,255,200"}});
        node->drawShared(white);
        Rgba const got = pixel(32, 32);
        expectNear(got, {10, 20, 30, 200}, 1);
        DWORD mask = 0;
        device->getD3DDevice()->GetRenderState(D3DRS_COLORWRITEENABLE, &mask);
        EXPECT_EQ(mask, 15u);
    }
    // Left half red, right half blue: over a UV rectangle 0..2, Wrap repeats it, Clamp stretches
    // the last texels.
    std::vector<uint32_t> halves(size_t(kSize) * kSize);
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 0; x < kSize; ++x)
            halves[size_t(y) * kSize + x] = x < kSize / 2 ? 0xFFFF0000u : 0xFF0000FFu;
    render::ITexture* split = makeTexture(halves, kSize, kSize);
    struct Case {
        char const* mode;
        Rgba atQuarterX; // texture u 0.5..1 (wrap: right half; clamp: right half)
        Rgba atThreeQuarterX; // texture u 1.5..2 (wrap: right half again; clamp: edge, blue)
        Rgba atFiveEighthsX;  // texture u 1.25 (wrap: red again; clamp: blue)
    };
    Case const cases[] = {
        {"0", {0, 0, 255, 255}, {0, 0, 255, 255}, {255, 0, 0, 255}},
        {"1", {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.mode);
        clear({0, 0, 0, 255});
        Node node = placedEffect();
        setInputs(*node, {{"UV/UV Mode", k.mode}, {"UV/UV Rect", "0,0,2,2"}});
        node->drawShared(split);
        expectNear(pixel(20, 8), k.atQuarterX, 1);
        expectNear(pixel(56, 8), k.atThreeQuarterX, 1);
        expectNear(pixel(40, 8), k.atFiveEighthsX, 1);
    }
}

TEST_F(FamilyDeviceTest, BlendModesFollowTheirFormulas)
{
    using Formula = float (*)(float s, float d, float sa);
    struct Case {
        int mode;
        Formula formula;
    };
    Case const cases[] = {
        {0, [](float s, float, float) { return s; }},
        {1, [](float s, float d, float a) { return s * a + d * (1 - a); }},
        {2, [](float s, float d, float a) { return s * a + d; }},
        {3, [](float s, float d, float a) { return d * (1 - a) - s * a; }},
        {4, [](float s, float d, float) { return s + d; }},
        {5, [](float s, float d, float) { return s * s + d; }},
        {6, [](float s, float d, float) { return s - d; }},
        {7, [](float s, float d, float) { return d - s; }},
        {8, [](float s, float d, float) { return s * (1 - d) + d; }},
        {9, [](float s, float d, float) { return std::max(s, d); }},
        {10, [](float s, float d, float) { return std::min(s, d); }},
        {11, [](float s, float d, float) { return s * d; }},
    };
    Rgba const source{200, 100, 50, 128};
    Rgba const background{60, 120, 180, 255};
    render::ITexture* white = solidTexture(0xFFFFFFFFu);
    for (Case const& k : cases) {
        SCOPED_TRACE(k.mode);
        clear(background);
        Node node = placedEffect();
        std::string const mode = std::to_string(k.mode);
        setInputs(*node, {{"Attributes/Blend Mode", mode.c_str()}, {"Attributes/Color", "200,100,50,128"}});
        node->drawShared(white);
        float const a = source.a / 255.0f;
        auto expected = [&](int s, int d) {
            float const v = std::clamp(k.formula(s / 255.0f, d / 255.0f, a), 0.0f, 1.0f);
            return int(std::lround(v * 255.0f));
        };
        expectNear(pixel(32, 32),
                   {expected(source.r, background.r), expected(source.g, background.g),
                    expected(source.b, background.b), 0},
                   1, false);
    }
    render::applyBlendMode(render::BlendMode_Solid);
}

TEST_F(FamilyDeviceTest, FullscreenQuadsFillTheViewportOrDrawNothing)
{
    core::SmartRef<FullscreenQuad> solid(new FullscreenQuad);
    setInputs(*solid, {{"Attributes/Type", "1"}, {"Attributes/Color", "0,255,0,255"}});
    clear({0, 0, 0, 255});
    solid->render(context);
    std::vector<uint32_t> const filled = pixels();
    EXPECT_TRUE(std::all_of(filled.begin(), filled.end(), [](uint32_t p) { return p == 0xFF00FF00u; }));

    core::SmartRef<FullscreenQuad> textured(new FullscreenQuad);
    setInputs(*textured, {{"Attributes/Color", "255,0,0,255"}});
    clear({0, 0, 255, 255});
    textured->render(context);
    std::vector<uint32_t> const untouched = pixels();
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](uint32_t p) { return p == 0xFF0000FFu; }));
}

TEST_F(FamilyDeviceTest, GradientsBlendFromEdgeToEdge)
{
    core::SmartRef<Gradient> linear(new Gradient);
    setInputs(*linear, {{"Transform/Size", "64,64"}});
    clear({0, 0, 0, 255});
    linear->render(context);
    struct Row {
        unsigned y;
        int value;
    };
    for (Row const row : {Row{0, 253}, Row{31, 129}, Row{63, 2}}) {
        SCOPED_TRACE(row.y);
        for (unsigned x : {0u, 63u})
            expectNear(pixel(x, row.y), {row.value, row.value, row.value, 255}, 1);
    }

    // A UV rectangle ending at v 0.5 shows only the upper half of the blend.
    setInputs(*linear, {{"UV/UV Rect", "0,0,1,0.5"}});
    clear({0, 0, 0, 255});
    linear->render(context);
    expectNear(pixel(32, 63), {128, 128, 128, 255}, 2);

    core::SmartRef<RadialGradient> radial(new RadialGradient);
    setInputs(*radial, {{"Transform/Size", "64,64"}});
    clear({0, 0, 0, 255});
    radial->render(context);
    EXPECT_GE(pixel(31, 31).r, 245);
    EXPECT_GE(pixel(32, 32).g, 245);
    for (auto [x, y] : {std::pair{0u, 0u}, {63u, 0u}, {0u, 63u}, {63u, 63u}, {0u, 32u}, {32u, 0u}})
        expectNear(pixel(x, y), {0, 0, 0, 255}, 6);
}

TEST_F(FamilyDeviceTest, TheFamilySharesOneCompiledEffect)
{
    ASSERT_EQ(TextureEffect::m_refCount, 0u);
    ASSERT_EQ(TextureEffect::m_shared, nullptr);
    {
        Node texture(new TextureEffect);
        core::SmartRef<FullscreenQuad> quad(new FullscreenQuad);
        EXPECT_EQ(TextureEffect::m_refCount, 2u);
        ASSERT_NE(TextureEffect::m_shared, nullptr);
        EXPECT_TRUE(TextureEffect::m_shared->ready());
        // Every handle of the text was found.
        EXPECT_NE(TextureEffect::m_shared->time, nullptr);
        EXPECT_NE(TextureEffect::m_shared->sobelEdgeSamples, nullptr);
        EXPECT_NE(TextureEffect::m_shared->gradientUpperRight, nullptr);
    }
    EXPECT_EQ(TextureEffect::m_refCount, 0u);
    EXPECT_EQ(TextureEffect::m_shared, nullptr);
    Node again(new TextureEffect);
    ASSERT_NE(TextureEffect::m_shared, nullptr);
    EXPECT_TRUE(TextureEffect::m_shared->ready());
}

// A shared effect that does not compile is reported once, with the compiler's text, and the
// family draws nothing, however often it is asked to.
TEST(TextureEffectFailures, AFailedSharedCompileIsReportedOnceAndDrawsNothing)
{
    struct Swap {
        char const* text = TextureEffect::m_sharedEffectText;
        ~Swap() { TextureEffect::m_sharedEffectText = text; }
    } const restore;
    tormakelin::test::LogCatcher const log;
    TextureEffect::m_sharedEffectText =
        "float4 color;\ntechnique ColorTextureWrap { pass P0 { PixelShader = compile ps_2_0 missing(); } }\n";
    HiddenWindow window;
    core::SmartRef<render::IRenderDevice> device(render::createRenderDevice());
    render::DeviceCreateParams params;
    params.width = 16;
    params.height = 16;
    ASSERT_TRUE(device->create(&window, params));
    Node texture(new TextureEffect);
    core::SmartRef<Gradient> gradient(new Gradient);
    core::SmartRef<FullscreenQuad> quad(new FullscreenQuad);
    ASSERT_NE(TextureEffect::m_shared, nullptr);
    EXPECT_NE(TextureEffect::m_shared->shader, nullptr);
    EXPECT_FALSE(TextureEffect::m_shared->ready());
    EXPECT_EQ(TextureEffect::m_shared->color, nullptr);
    EXPECT_EQ(TextureEffect::sharedShader(), nullptr);

    ASSERT_TRUE(device->beginScene());
    device->clear(render::Clear_Colour, D3DXVECTOR4(0, 0, 1, 1), 1.0f, 0);
    render::ITexture* white = render::createTextureRgba(1, 1, std::vector<uint32_t>{0xFFFFFFFFu}.data());
    core::SmartRef<render::ITexture> held(white);
    fxcore::RenderContext context;
    setInputs(*quad, {{"Attributes/Type", "1"}});
    for (int frame = 0; frame < 3; ++frame) {
        texture->drawShared(white);
        gradient->render(context);
        quad->render(context);
    }
    device->endScene();
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_NE(log.messages().front().find("missing"), std::string::npos) << log.messages().front();
    std::vector<uint32_t> const drawn = fxcore::test::backBufferPixels(device->getD3DDevice());
    EXPECT_TRUE(std::all_of(drawn.begin(), drawn.end(), [](uint32_t p) { return p == 0xFF0000FFu; }));
}

// Texture and render-target resources alike: a target is read as the texture it renders into.
TEST_F(FamilyDeviceTest, TexturesComeFromTheConnectedResource)
{
    ResourceLookup lookup;
    std::string const textureId = lookup.addTexture(solidTexture(0xFF336699u), "11111111-2222-3333-4444-555555555555");
    auto* target = new fxcore::RenderTargetResource;
    target->setPluginDesc(fxcore::RenderTargetResource::_pluginDesc);
    std::string const targetId = lookup.add(target, "11111111-2222-3333-4444-666666666666");
    ASSERT_TRUE(target->create(kSize, kSize, render::TextureCreateParams{}, false));
    target->begin();
    clear({0xCC, 0x22, 0x44, 255});
    target->end();

    struct Case {
        char const* name;
        std::string const& id;
        Rgba colour;
    };
    Case const cases[] = {
        {"texture", textureId, {0x33, 0x66, 0x99, 255}}, {"render target", targetId, {0xCC, 0x22, 0x44, 255}}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Node node = placedEffect();
        clear({0, 0, 0, 255});
        node->render(context);
        expectNear(pixel(32, 32), {0, 0, 0, 255}, 0);

        setInputs(*node, {{"Attributes/Texture", c.id.c_str()}});
        node->render(context);
        expectNear(pixel(32, 32), c.colour, 1);

        core::SmartRef<FullscreenQuad> quad(new FullscreenQuad);
        setInputs(*quad, {{"Attributes/Texture", c.id.c_str()}, {"Attributes/Color", "255,255,255,255"}});
        clear({0, 0, 0, 255});
        quad->render(context);
        expectNear(pixel(0, 0), c.colour, 1);
        expectNear(pixel(63, 63), c.colour, 1);
    }
}

namespace {

char const* const kUserShader = R"(
float4x4 worldViewProjection;
float2 invViewportSize;
float amount;
float4 tint;
float4 wrongKind;
texture image;
sampler2D imageSampler = sampler_state { Texture = <image>; MinFilter = Point; MagFilter = Point; MipFilter = None; };
struct VsOut { float4 position : POSITION; float2 uv : TEXCOORD0; };
VsOut vs(float3 p : POSITION, float2 uv : TEXCOORD0)
{
    VsOut o;
    o.position = mul(float4(p, 1), worldViewProjection);
    o.position.xy += invViewportSize * o.position.w;
    o.uv = uv;
    return o;
}
float4 ps(VsOut i) : COLOR { return float4(tex2D(imageSampler, i.uv).r * amount, tint.g, wrongKind.b, 1); }
technique Main { pass P0 { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
)";

void link(fxcore::IGraphNode* from, char const* output, fxcore::IGraphNode* to, char const* input)
{
    from->link(from->findOutput(output), to, to->findInput(input), true);
}

} // namespace

// Linked to a shader-effect node, the quad is drawn with the user's effect, fed by parameter
// nodes matched by name and by kind.
TEST_F(FamilyDeviceTest, UserShadersDrawWithTheirMatchingParameterNodes)
{
    using namespace tormakelin::fxcore;
    ResourceLookup lookup;
    std::string const imageId = lookup.addTexture(solidTexture(0xFFFFFFFFu), "22222222-2222-3333-4444-555555555555");

    core::SmartRef<ShaderEffect> shader(new ShaderEffect);
    shader->setPluginDesc(ShaderEffect::_pluginDesc);
    shader->findInput("Attributes/Hlsl")->value->setText(kUserShader);
    shader->createShader();
    ASSERT_NE(shader->getShader(), nullptr) << shader->getStatus();

    core::SmartRef<NodeStack> stack(new NodeStack);
    stack->setPluginDesc(NodeStack::_pluginDesc);
    std::vector<core::SmartRef<ShaderParameterNode>> parameters;
    struct Feed {
        ShaderParameterNode* node;
        PluginDesc const& desc;
        char const* name;
        char const* value;
    };
    Feed const feeds[] = {
        {new ParameterScalar, ParameterScalar::_pluginDesc, "amount", "0.5"},
        {new ParameterColor, ParameterColor::_pluginDesc, "tint", "0,255,0,255"},
        // A float3 value for a float4 parameter: skipped.
        {new ParameterVec3, ParameterVec3::_pluginDesc, "wrongKind", "1,1,1"},
        {new ParameterResource, ParameterResource::_pluginDesc, "image", imageId.c_str()},
        // No parameter of that name.
        {new ParameterScalar, ParameterScalar::_pluginDesc, "absent", "1"},
    };
    int slot = 1;
    for (Feed const& feed : feeds) {
        parameters.emplace_back(feed.node);
        feed.node->setPluginDesc(feed.desc);
        setInputs(*feed.node, {{"Attributes/Name", feed.name}, {"Attributes/Value", feed.value}});
        link(feed.node, "Result", stack.get(), ("Input-" + std::to_string(slot++)).c_str());
    }

    Node node = placedEffect();
    link(shader.get(), "Result", node.get(), "Shader/Shader");
    link(stack.get(), "Output", node.get(), "Shader/Parameters");
    clear({0, 0, 255, 255});
    // No texture on the node's own input: a user shader draws anyway.
    node->render(context);
    expectNear(pixel(32, 32), {128, 255, 0, 255}, 1);

    // The parameter node keeps the texture it bound after its resource is gone.
    render::ITexture* bound = parameters[3]->getShaderParameter()->getValue().texture.get();
    ASSERT_NE(bound, nullptr);
    textures.clear();
    lookup.remove(imageId);
    EXPECT_EQ(bound->getWidth(), kSize);
    // Without a compiled user shader the shared effect draws, and only with a texture.
    shader->findInput("Attributes/Hlsl")->value->setText("");
    shader->createShader();
    clear({0, 0, 255, 255});
    node->render(context);
    expectNear(pixel(32, 32), {0, 0, 255, 255}, 0);
    // Links hold both ends: undo them so every node goes.
    node->unlinkAll();
    stack->unlinkAll();
    EXPECT_EQ(TextureEffect::m_refCount, 1u);
}

// Project files and the editor see the inputs in this order, with these types and defaults.
TEST(TextureFamilyInputs, InOrderWithTypesAndDefaults)
{
    using fxcore::GraphNode;
    std::string const white = "255.000000,255.000000,255.000000,255.000000";
    std::string const black = "0.000000,0.000000,0.000000,255.000000";
    std::vector<std::string> const placement = {"Transform/Position 5 0.000000,0.000000",
        "Transform/Size 5 256.000000,256.000000", "Transform/Rotation 4 0.000000", "Transform/Anchor Center 3 1",
        "Transform/Anchor Point 5 0.000000,0.000000"};
    auto join = [](std::vector<std::vector<std::string>> const& parts) {
        std::vector<std::string> out;
        for (auto const& part : parts)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    std::vector<std::string> const uv = {"UV/UV Mode 10 1", "UV/UV Rect 7 0.000000,0.000000,1.000000,1.000000"};
    std::vector<std::string> const look = {"Attributes/Blend Mode 10 0", "Attributes/Color 9 " + white,
        "Attributes/Channel 10 0"};
    struct Case {
        char const* name;
        GraphNode* (*make)();
        std::vector<std::string> inputs;
    };
    Case const cases[] = {
        {"TextureEffect", [] { return static_cast<GraphNode*>(new TextureEffect); },
         join({{"Attributes/Texture 11 0"}, look, placement, uv,
               {"Shader/Shader 0 ", "Shader/Parameters 0 ", "Script/Script 0 "}})},
        {"FullscreenQuad", [] { return static_cast<GraphNode*>(new FullscreenQuad); },
         {"Attributes/Texture 11 0", "Attributes/Type 10 0", "Attributes/Color 9 " + white,
          "Attributes/Blend Mode 10 0", "Script/Script 0 "}},
        {"Gradient", [] { return static_cast<GraphNode*>(new Gradient); },
         join({look, placement, uv,
               {"Gradient/Top Left 9 " + white, "Gradient/Top Right 9 " + white,
                "Gradient/Bottom Left 9 " + black, "Gradient/Bottom Right 9 " + black, "Script/Script 0 "}})},
        {"RadialGradient", [] { return static_cast<GraphNode*>(new RadialGradient); },
         join({look, placement, uv, {"Gradient/Inner 9 " + white, "Gradient/Outer 9 " + black, "Script/Script 0 "}})},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.name);
        core::SmartRef<GraphNode> node(k.make());
        std::vector<std::string> got;
        for (fxcore::NodeParameter const* input : node->getInputs())
            if (input->name != "Instance/Name")
                got.push_back(input->name + " " + std::to_string(input->getType()) + " " + input->value->getText());
        EXPECT_EQ(got, k.inputs);
        ASSERT_EQ(node->getOutputs().size(), 1u);
        EXPECT_EQ(node->getOutputs().front()->name, "Output");
    }
    // The blend modes' option names, in their order.
    core::SmartRef<TextureEffect> node(new TextureEffect);
    fxcore::ParameterOptions const& options = node->findInput("Attributes/Blend Mode")->value->getOptions();
    ASSERT_EQ(options.size(), 12u);
    EXPECT_EQ(options.at("Rev Subtractive"), 7);
    EXPECT_EQ(options.at("Multiply"), 11);
}

// The shared effect's techniques on flat images, where each formula gives a known colour.
TEST_F(FamilyDeviceTest, SharedTechniquesFollowTheirFormulasOnFlatImages)
{
    struct Case {
        char const* technique;
        std::vector<std::pair<char const*, uint32_t>> textures; // parameter, flat A8R8G8B8 colour
        std::vector<std::pair<char const*, std::vector<float>>> values;
        Rgba expected;
        int tolerance;
    };
    uint32_t const image = 0xFFC86432u; // (200, 100, 50, 255)
    uint32_t const other = 0xFF1E3C5Au; // (30, 60, 90, 255)
    Case const cases[] = {
        {"ColorTextureClamp", {{"colorTexture", image}}, {{"color", {1, 0.5f, 1, 1}}}, {200, 50, 50, 255}, 1},
        {"NegativeWrap", {{"colorTexture", image}}, {}, {55, 155, 205, 0}, 1},
        {"ColorKeyClamp", {{"colorTexture", image}},
         {{"colorKeyColor", {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1}}, {"colorKeyThreshold", {0.1f}}},
         {0, 0, 0, 0}, 0},
        {"ColorKeyWrap", {{"colorTexture", image}},
         {{"colorKeyColor", {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1}}, {"colorKeyThreshold", {0}}},
         {200, 100, 50, 255}, 1},
        {"ColorCorrectionClamp", {{"colorTexture", image}},
         {{"brightness", {1}}, {"contrast", {1}}, {"saturation", {1}}, {"hue", {0}}}, {200, 100, 50, 255}, 1},
        {"ColorCorrectionWrap", {{"colorTexture", image}},
         {{"brightness", {1}}, {"contrast", {1}}, {"saturation", {0}}, {"hue", {0}}}, {127, 127, 127, 255}, 1},
        {"ColorCorrectionClamp", {{"colorTexture", image}},
         {{"brightness", {0.5f}}, {"contrast", {2}}, {"saturation", {1}}, {"hue", {0}}}, {72, 0, 0, 255}, 1},
        {"CompositeClamp",
         {{"colorTexture", image}, {"compositeTexture", other}, {"compositeAlphaTexture", 0x80FFFFFFu}},
         {{"compositeFade", {0.5f}}}, {115, 80, 70, 255}, 2},
        {"CompositeWrap",
         {{"colorTexture", image}, {"compositeTexture", other}, {"compositeAlphaTexture", 0x00FFFFFFu}},
         {{"compositeFade", {0}}}, {200, 100, 50, 255}, 1},
        {"CompositeRGBClamp",
         {{"colorTexture", image}, {"compositeTexture", other}, {"compositeAlphaTexture", 0x00000000u}},
         {{"compositeFade", {1}}}, {30, 60, 90, 255}, 1},
        {"WaveClamp", {{"colorTexture", image}},
         {{"waveAmplitude", {0, 0}}, {"waveOffset", {0, 0}}, {"waveFrequency", {3, 3}}, {"waveDiff", {1, 1}}},
         {200, 100, 50, 255}, 1},
        {"RGBSeperationWrap", {{"colorTexture", image}},
         {{"amplitude", {0, 0, 0}}, {"frequency", {5, 5, 5}}, {"difference", {0.1f, 0.1f, 0.1f}},
          {"rgbDistortPower", {1}}},
         {200, 100, 50, 255}, 1},
        {"EdgeDetectClamp", {{"colorTexture", image}},
         {{"edgeDetectThreshold", {0.5f}}, {"edgeDetectPixelSteps", {1.5f}}, {"viewportSize", {64, 64}}},
         {0, 0, 0, 255}, 0},
        {"SobelEdgeClamp", {{"colorTexture", image}}, {{"edgeDetectThreshold", {0.5f}}, {"sobelEdgeBrightness", {1}}},
         {200, 100, 50, 255}, 1},
        {"RadialBlurWrap", {{"colorTexture", image}}, {}, {200, 100, 50, 255}, 1},
        // The average of four samples, and alpha smoothstep(0.3, 1, grey 0.488).
        {"Downsample", {{"colorTexture", image}},
         {{"textureSize", {64, 64}}, {"downsampleScale", {1, 1}}, {"highlightThreshold", {0.3f}}},
         {200, 100, 50, 45}, 2},
        {"BlurDownsample", {{"colorTexture", image}}, {{"textureSize", {64, 64}}, {"downsampleScale", {1, 1}}},
         {200, 100, 50, 255}, 1},
        {"HBlur", {{"downsampleTexture", image}}, {{"textureSize", {64, 64}}, {"blurWidth", {1.5f}}},
         {200, 100, 50, 255}, 1},
        {"VBlur", {{"horizontalBlurTexture", image}}, {{"textureSize", {64, 64}}, {"blurWidth", {1.5f}}},
         {200, 100, 50, 255}, 1},
        {"Glow", {{"verticalBlurTexture", 0x80C86432u}}, {{"glowIntensity", {0.5f}}, {"highlightIntensity", {2}}},
         {100, 50, 25, 128}, 2},
        {"BlurComposition", {{"verticalBlurTexture", image}}, {{"blurCompositionAlpha", {0.5f}}},
         {200, 100, 50, 128}, 1},
    };
    Node owner(new TextureEffect);
    render::IShader* shader = TextureEffect::sharedShader();
    ASSERT_NE(shader, nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    fxcore::QuadVertex quad[4];
    TextureEffect::fullscreenQuad(quad);
    for (Case const& k : cases) {
        SCOPED_TRACE(k.technique);
        ASSERT_TRUE(shader->setTechnique(k.technique));
        float const white[4] = {1, 1, 1, 1};
        shader->setFloat4(shader->getParameter("color"), white);
        shader->setMatrix(shader->getParameter("worldViewProjection"), &identity);
        D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
        shader->setVector2(shader->getParameter("invViewportSize"), &inverse);
        for (auto const& [name, argb] : k.textures)
            shader->setTexture(shader->getParameter(name), solidTexture(argb));
        for (auto const& [name, values] : k.values) {
            render::IShaderParameter* parameter = shader->getParameter(name);
            ASSERT_NE(parameter, nullptr) << name;
            shader->setFloatArray(parameter, values.data(), unsigned(values.size()));
        }
        TextureEffect::m_shared->vertexDecl->bind();
        render::applyBlendMode(render::BlendMode_Solid);
        TextureEffect::setQuadStates();
        clear({0, 0, 0, 0});
        TextureEffect::drawPasses(shader, quad);
        expectNear(pixel(32, 32), k.expected, k.tolerance);
    }
}

// A division by zero upstream reaches the placement as an infinity or NaN: nothing is smeared
// across the screen, and the same link places the quad again once the divisor is not zero.
TEST_F(FamilyDeviceTest, ADivisionByZeroLinkedIntoThePlacementDrawsNoGarbage)
{
    struct Case {
        char const* input;
        char const* dividend;
    };
    render::ITexture* white = solidTexture(0xFFFFFFFFu);
    auto drawnCount = [&](uint32_t argb) {
        std::vector<uint32_t> const drawn = pixels();
        return std::count(drawn.begin(), drawn.end(), argb);
    };
    for (Case const c : {Case{"Transform/Position", "1,1,0,0"}, Case{"Transform/Position", "-1,-1,0,0"},
                         Case{"Transform/Position", "0,0,0,0"}, Case{"Transform/Position", "1,-1,0,0"},
                         Case{"Transform/Size", "1,1,0,0"}, Case{"Transform/Size", "0,0,0,0"},
                         Case{"Transform/Size", "-1,1,0,0"}}) {
        SCOPED_TRACE(std::string(c.input) + " of " + c.dividend + " / 0");
        Node node = placedEffect("32,32");
        setInputs(*node, {{"Transform/Position", "16,16"}});
        core::SmartRef<fxcore::Div> divide(new fxcore::Div);
        ASSERT_TRUE(fxcore::test::link(divide.get(), "Result", node.get(), c.input));
        // The two ends of a link hold each other.
        struct Unlink {
            fxcore::IGraphNode* node;
            ~Unlink() { node->unlinkAll(); }
        } const unlink{divide.get()};
        setInputs(*divide, {{"Attributes/Dividend", c.dividend}, {"Attributes/Divisor", "0,0,0,0"}});
        setInputs(*node, {});
        clear({0, 0, 0, 255});
        node->drawShared(white);
        EXPECT_EQ(drawnCount(0xFFFFFFFFu) + drawnCount(0xFF000000u), long(kSize * kSize));

        setInputs(*divide, {{"Attributes/Dividend", c.input == std::string("Transform/Size") ? "32,32,0,0" : "16,16,0,0"},
                            {"Attributes/Divisor", "1,1,1,1"}});
        setInputs(*node, {});
        clear({0, 0, 0, 255});
        node->drawShared(white);
        EXPECT_EQ(drawnCount(0xFFFFFFFFu), 32 * 32);
        expectNear(pixel(16, 16), {255, 255, 255, 255}, 0);
    }
}
