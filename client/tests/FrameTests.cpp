#include "PlayerTestSupport.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/fxcore/Graph.h>

#include <cmath>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::client::test {
namespace {

constexpr char kTimeType[] = "DB94E697-E727-11DD-9823-C725EA03B51E";
constexpr char kMulType[] = "1CB86FDA-B24A-11DD-8D85-C0B36B773332";
constexpr char kAddType[] = "20F53DD0-B24A-11DD-8D85-C0B36B773332";
constexpr char kBackBufferCopyType[] = "1FCBF8EB-F1E7-11DD-A30D-F7A0FD545234";
constexpr char kTextureEffectType[] = "64F960A0-E9FF-11DD-93A8-89895ED7ACE3";
constexpr char kShaderEffectType[] = "5F044A2D-1485-11DE-8C43-884C9573DF09";
constexpr char kScalarParameterType[] = "BBA66D10-17FB-11DE-BF94-A17399492AB8";

// Graph 10: the clear colour is time * (100, 40, 0, 0) + (20, 40, 60, 255), through math nodes.
std::string clearGraph()
{
    std::string const nodes = nodeXml(11, kTimeType, "", outputXml("Output", 12, 7)) +
        nodeXml(13, kMulType, inputXml("Attributes/Factor-1", 7, "0,0,0,0", linkXml(11, 12)) +
                inputXml("Attributes/Factor-2", 7, "100,40,0,0"), outputXml("Result", 14, 7)) +
        nodeXml(15, kAddType, inputXml("Attributes/Input-1", 7, "0,0,0,0", linkXml(13, 14)) +
                inputXml("Attributes/Input-2", 7, "20,40,60,255"), outputXml("Result", 16, 7)) +
        nodeXml(17, kClearScreenType, inputXml("Color", 9, "0,0,0,255", linkXml(15, 16)), outputXml("Output", 18, 0)) +
        nodeXml(19, kRenderStackType, inputXml("Input-1", 0, "", linkXml(17, 18)), "");
    return graphXml(10, nodes);
}

// A render-target resource as the project declares it; its loader makes the target.
std::string renderTargetXml(int id, unsigned width, unsigned height)
{
    return resourceXml(id, kRenderTargetLoader,
        {{"Width", std::to_string(width)}, {"Height", std::to_string(height)}, {"Depth Buffer", "0"}});
}

fxcore::RenderTargetResource* findRenderTarget(PlayerApplication& player, int id)
{
    return dynamic_cast<fxcore::RenderTargetResource*>(
        player.getDocument()->getResourceManager()->findResource(core::stringToUniqueId(idText(id))));
}

std::vector<uint32_t> targetPixels(fxcore::RenderTargetResource* target)
{
    if (!target)
        return {};
    auto* texture = static_cast<IDirect3DTexture9*>(target->getTexture()->getD3DTexture());
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(texture->GetSurfaceLevel(0, &surface)))
        return {};
    IDirect3DDevice9* device = nullptr;
    texture->GetDevice(&device);
    unsigned width = 0, height = 0;
    std::vector<uint32_t> pixels = surfacePixels(device, surface, width, height);
    device->Release();
    surface->Release();
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

uint32_t rgb(unsigned r, unsigned g, unsigned b)
{
    return (r << 16) | (g << 8) | b;
}

TEST_F(PlayerTest, FramesAtFixedTimesShowTheComputedClearColour)
{
    s_step = 250;
    TestProject project;
    project.graphs = clearGraph();
    project.layers = graphLayerXml(30, 10, 0, 100);
    PlayerRun const run = play("-nosetup -document " + project.pack(), true);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.frames.size(), 4u);
    uint32_t const expected[] = {rgb(20, 40, 60), rgb(45, 50, 60), rgb(70, 60, 60), rgb(95, 70, 60)};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(run.frames[i].time);
        ASSERT_EQ(run.frames[i].width, 64u);
        for (auto [x, y] : {std::pair{0u, 0u}, std::pair{63u, 47u}, std::pair{32u, 24u}})
            EXPECT_EQ(run.frames[i].at(x, y), expected[i]) << x << "," << y;
    }
}

TEST_F(PlayerTest, AProjectOfAnotherAspectIsDrawnInACentredViewWithBlackBars)
{
    struct Case {
        char const* name;
        int authorWidth, authorHeight;
        unsigned left, right;  // the drawn columns
    };
    Case const cases[] = {{"4:3 on 16:9", 64, 48, 20, 139}, {"16:9 on 16:9", 1280, 720, 0, 159}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject project = projectThroughDialog(160, 90, c.authorWidth, c.authorHeight);
        project.graphs = clearGraph();
        project.layers = graphLayerXml(30, 10, 0, 100);
        PlayerSeams seams;
        seams.onFrame = [](PlayerApplication& player) { PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0); };
        PlayerRun const run = play("-document " + project.pack(), true, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        ASSERT_EQ(run.frames.size(), 1u);
        Frame const& frame = run.frames[0];
        ASSERT_EQ(frame.width, 160u);
        for (unsigned y : {0u, 45u, 89u}) {
            for (unsigned x : {0u, 19u, 20u, 80u, 139u, 140u, 159u}) {
                bool const inside = x >= c.left && x <= c.right;
                EXPECT_EQ(frame.at(x, y), inside ? rgb(20, 40, 60) : 0u) << x << "," << y;
            }
        }
    }
}

struct LetterboxCase {
    char const* name;
    int authorWidth, authorHeight;
    unsigned backWidth, backHeight;
    bool view;
    DWORD x, y, width, height;
};

TEST_F(PlayerTest, LetterboxViewFitsTheProjectsAspectInTheBackBuffer)
{
    LetterboxCase const cases[] = {
        {"4:3 on 16:9: bars left and right", 64, 48, 160, 90, true, 20, 0, 120, 90},
        {"16:9 on 4:3: bars above and below", 160, 90, 128, 96, true, 0, 12, 128, 72},
        {"same aspect class: no view", 1280, 720, 160, 90, false, 0, 0, 0, 0},
        {"portrait: the whole back buffer", 48, 64, 160, 90, true, 0, 0, 160, 90},
    };
    for (LetterboxCase const& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject project = projectThroughDialog(c.backWidth, c.backHeight, c.authorWidth, c.authorHeight);
        bool view = false;
        D3DVIEWPORT9 viewport{};
        PlayerSeams seams;
        seams.onFrame = [&](PlayerApplication& player) {
            view = player.getLetterboxView() != nullptr;
            if (view)
                viewport = player.getLetterboxView()->getViewport();
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play("-document " + project.pack(), false, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(view, c.view);
        EXPECT_EQ(viewport.X, c.x);
        EXPECT_EQ(viewport.Y, c.y);
        EXPECT_EQ(viewport.Width, c.width);
        EXPECT_EQ(viewport.Height, c.height);
    }
}

TEST_F(PlayerTest, ARenderTargetLayerDrawsItsChildrenIntoTheTargetAndTheBackBufferIsCopiedOut)
{
    s_step = 0;
    TestProject project;
    project.resources = renderTargetXml(60, 16, 8) + renderTargetXml(61, 32, 24);
    project.graphs = clearGraph() + oneEffectGraph(40, kClearScreenType, inputXml("Color", 9, "200,0,0,255")) +
        oneEffectGraph(45, kBackBufferCopyType, inputXml("Render Target", 11, idText(61))) +
        oneEffectGraph(80, kTextureEffectType, inputXml("Attributes/Texture", 11, idText(60)) +
                inputXml("Transform/Position", 5, "48,0") + inputXml("Transform/Size", 5, "16,48"));
    // The screen's clear, then a layer drawing its child into target 60, then a copy of the back
    // buffer into target 61, then target 60 shown on the screen's right edge.
    project.layers = graphLayerXml(30, 10, 0, 100) +
        "<Layer Id=\"" + idText(50) + "\" Type=\"1\" Name=\"Offscreen\" RenderTargetResourceId=\"" + idText(60) +
        "\" Visible=\"1\"><Time><TimeSegment Start=\"0\" End=\"100\"/></Time>" + graphLayerXml(51, 40, 0, 100) +
        "</Layer>" + graphLayerXml(55, 45, 0, 100) + graphLayerXml(56, 80, 0, 100);
    std::vector<uint32_t> offscreenPixels, copyPixels;
    PlayerSeams seams;
    seams.onFrame = [&](PlayerApplication& player) {
        offscreenPixels = targetPixels(findRenderTarget(player, 60));
        copyPixels = targetPixels(findRenderTarget(player, 61));
        PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    PlayerRun const run = play("-nosetup -document " + project.pack(), true, seams);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].at(32, 24), rgb(20, 40, 60)) << "the target's drawing stays off the screen";
    EXPECT_EQ(run.frames[0].at(56, 24), rgb(200, 0, 0)) << "until a texture effect shows the target";
    EXPECT_EQ(offscreenPixels, std::vector<uint32_t>(size_t{16} * 8, rgb(200, 0, 0)));
    EXPECT_EQ(copyPixels, std::vector<uint32_t>(size_t{32} * 24, rgb(20, 40, 60)));
}

// A user effect drawing the texture effect's quad: its tint and a level that a node script sets
// on a scalar parameter node from the layer's time.
std::string userShaderGraph()
{
    std::string const hlsl = R"(float4x4 worldViewProjection;
float2 invViewportSize;
float4 color;
float level;
float4 vs(float3 p : POSITION) : POSITION
{
    float4 position = mul(float4(p, 1), worldViewProjection);
    position.xy += invViewportSize * position.w;
    return position;
}
float4 ps() : COLOR { return float4(color.rgb * level, 1); }
technique Levelled { pass P0 { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
)";
    std::string const script = "void main()\n{\n    setFloat(\"Attributes/Value\", 0.5 + time());\n}\n";
    std::string const nodes = nodeXml(71, kShaderEffectType, inputXml("Attributes/Hlsl", 1, hlsl), outputXml("Result", 72, 0)) +
        nodeXml(73, kScriptType, inputXml("Attributes/Script", 1, script), outputXml("Output", 74, 0)) +
        nodeXml(75, kScalarParameterType, inputXml("Attributes/Name", 1, "level") +
                inputXml("Script/Script", 0, "", linkXml(73, 74)), outputXml("Result", 76, 4)) +
        nodeXml(77, kTextureEffectType, inputXml("Attributes/Color", 9, "200,100,40,255") +
                inputXml("Transform/Position", 5, "0,0") + inputXml("Transform/Size", 5, "32,48") +
                inputXml("Shader/Shader", 0, "", linkXml(71, 72)) + inputXml("Shader/Parameters", 0, "", linkXml(75, 76)),
            outputXml("Output", 78, 0)) +
        nodeXml(79, kRenderStackType, inputXml("Input-1", 0, "", linkXml(77, 78)), "");
    return graphXml(70, nodes);
}

TEST_F(PlayerTest, AShaderEffectDrawsThroughATextureEffectWithScriptedParameters)
{
    s_step = 0;
    TestProject project;
    project.graphs = clearGraph() + userShaderGraph();
    project.layers = graphLayerXml(30, 10, 0, 100) + graphLayerXml(31, 70, 0, 100);
    PlayerSeams seams;
    seams.onFrame = [](PlayerApplication& player) { PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0); };
    PlayerRun const run = play("-nosetup -time 0.25 -document " + project.pack(), true, seams);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.frames.size(), 1u);
    Frame const& frame = run.frames[0];
    ASSERT_EQ(frame.width, 64u);
    // The quad covers the left half with the tint times 0.75; the clear colour shows beside it.
    for (auto [x, y] : {std::pair{0u, 0u}, std::pair{31u, 47u}, std::pair{16u, 24u}})
        EXPECT_EQ(frame.at(x, y), rgb(150, 75, 30)) << x << "," << y;
    uint32_t const clear = rgb(45, 50, 60);
    for (auto [x, y] : {std::pair{32u, 0u}, std::pair{63u, 47u}})
        EXPECT_EQ(frame.at(x, y), clear) << x << "," << y;
}

TEST_F(PlayerTest, DebugDrawsStatisticsBelowTheTopOfTheView)
{
    struct Case {
        char const* name;
        char const* arguments;
        int authorWidth, authorHeight;
        unsigned top;  // the view's top edge
    };
    // The 16:9 project on a 4:3 back buffer has bars of 30 rows above and below.
    Case const cases[] = {{"no overlay", "-nosetup", 320, 240, 0}, {"overlay", "-nosetup -debug", 320, 240, 0},
        {"overlay in a view", "-debug", 320, 180, 30}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject project = projectThroughDialog(320, 240, c.authorWidth, c.authorHeight);
        project.graphs = clearGraph();
        project.layers = graphLayerXml(30, 10, 0, 100);
        PlayerSeams seams;
        seams.onFrame = [](PlayerApplication& player) { PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0); };
        PlayerRun const run = play(std::string(c.arguments) + " -document " + project.pack(), true, seams);
        ASSERT_EQ(run.frames.size(), 1u);
        Frame const& frame = run.frames[0];
        ASSERT_EQ(frame.width, 320u);
        // White text in the band of the four lines (the last one's glyph cell included),
        // nothing white anywhere else.
        int inside = 0, outside = 0;
        for (unsigned y = 0; y < frame.height; ++y) {
            for (unsigned x = 0; x < frame.width; ++x) {
                if (frame.at(x, y) != 0xFFFFFF)
                    continue;
                bool const band = y >= c.top + 8 && y < c.top + 8 + 5 * 15 && x >= 8;
                ++(band ? inside : outside);
            }
        }
        bool const debug = std::string(c.arguments).find("-debug") != std::string::npos;
        EXPECT_EQ(inside > 0, debug);
        EXPECT_EQ(outside, 0);
    }
}

// Reference frames of the packed sample: its background colour is base + amplitude *
// sin(time * speed) per channel, and its user effect draws a panel of waves over it.
TEST_F(PlayerTest, TheSampleShowsItsBackgroundAtChosenTimes)
{
    std::string const sample = samplePath().string();
    s_step = 0;
    // Before 5 s, when the logo section starts.
    for (float const time : {0.0f, 2.0f, 3.5f, 4.9f}) {
        SCOPED_TRACE(time);
        bool shaderReady = false;
        PlayerSeams seams;
        seams.onFrame = [&](PlayerApplication& player) {
            auto* shader = dynamic_cast<fxcore::ShaderEffect*>(player.getDocument()->getGraphManager()->findNode(
                core::stringToUniqueId("5A3E2001-0000-0000-0000-000000000000")));
            shaderReady = shader && shader->getShader();
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play("-nosetup -time " + std::to_string(time) + " -document " + sample, true, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        ASSERT_EQ(run.frames.size(), 1u);
        Frame const& frame = run.frames[0];
        EXPECT_EQ(frame.width, 1280u);
        EXPECT_EQ(frame.height, 720u);
        EXPECT_TRUE(shaderReady);
        int const expected[3] = {int(std::lround(110 + 90 * std::sin(time * 0.9f))),
            int(std::lround(80 + 60 * std::sin(time * 0.6f))), int(std::lround(130 + 100 * std::sin(time * 1.3f)))};
        for (auto [x, y] : {std::pair{0u, 0u}, std::pair{640u, 360u}, std::pair{1279u, 719u}}) {
            uint32_t const pixel = frame.at(x, y);
            int const got[3] = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], expected[c], 1) << "channel " << c << " at " << x << "," << y;
        }
        // The panel at (40, 480), 336 x 200: its tint times 0.4 + 0.6 * wave, the wave running
        // along the quad's texture coordinates with the time its script hands the effect.
        int const tint[3] = {120, 220, 255};
        for (auto [x, y] : {std::pair{40u, 480u}, std::pair{200u, 560u}, std::pair{375u, 679u}}) {
            double const u = (x + 0.5 - 40) / 336, v = (y + 0.5 - 480) / 200;
            double const level = 0.4 + 0.6 * (0.5 + 0.5 * std::sin(u * 12 + v * 6 + time * 3));
            uint32_t const pixel = frame.at(x, y);
            int const got[3] = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], tint[c] * level, 3) << "channel " << c << " at " << x << "," << y;
        }
    }
}

// The 3-D section from 10 s: the red box and the lit ground of its scene.
TEST_F(PlayerTest, TheSamplesThreeDSectionDrawsItsScene)
{
    std::string const sample = samplePath().string();
    s_step = 0;
    PlayerSeams seams;
    seams.onFrame = [](PlayerApplication& player) { PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0); };
    PlayerRun const run = play("-nosetup -time 12 -document " + sample, true, seams);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.frames.size(), 1u);
    Frame const& frame = run.frames[0];
    ASSERT_EQ(frame.width, 1280u);
    int red = 0, lit = 0;
    for (unsigned y = 0; y < frame.height; y += 4) {
        for (unsigned x = 0; x < frame.width; x += 4) {
            uint32_t const pixel = frame.at(x, y);
            int const r = int(pixel >> 16 & 0xFF), g = int(pixel >> 8 & 0xFF), b = int(pixel & 0xFF);
            red += r > 150 && g < 80 && b < 80;
            lit += r + g + b > 300;
        }
    }
    EXPECT_GT(red, 200) << "the red box";
    EXPECT_GT(lit, 5000) << "the lit ground";
}

} // namespace
} // namespace tormakelin::client::test
