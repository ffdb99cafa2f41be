#include "DeviceFixture.h"

#include <cmath>
#include <memory>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/PostProcessor.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

struct Float4 {
    float r, g, b, a;
};

class PostProcessorTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
        post = device->getPostProcessor();
        ASSERT_NE(post, nullptr);
    }

    void TearDown() override
    {
        textures.clear();
        RenderDeviceTest::TearDown();
    }

    Texture* target(unsigned width, unsigned height, D3DFORMAT format = D3DFMT_A8R8G8B8)
    {
        auto* texture = new Texture();
        textures.emplace_back(texture);
        TextureCreateParams params;
        params.levels = 1;
        params.usage = D3DUSAGE_RENDERTARGET;
        params.format = format;
        params.pool = D3DPOOL_DEFAULT;
        EXPECT_TRUE(texture->create(width, height, &params));
        return texture;
    }

    ITexture* image(unsigned width, unsigned height, const std::vector<uint32_t>& pixels)
    {
        ITexture* texture = createTextureRgba(width, height, pixels.data());
        EXPECT_NE(texture, nullptr);
        textures.emplace_back(texture);
        return texture;
    }

    // Runs `op` drawing into `into`.
    bool runInto(Texture* into, const PostProcessOp& op)
    {
        EXPECT_TRUE(device->beginScene());
        EXPECT_TRUE(into->begin(nullptr, nullptr));
        const bool result = post->process(op);
        into->end();
        device->endScene();
        return result;
    }

    template <class Pixel>
    static std::vector<Pixel> read(ITexture* texture)
    {
        auto* d3dTexture = static_cast<IDirect3DTexture9*>(texture->getD3DTexture());
        std::vector<Pixel> pixels;
        D3DLOCKED_RECT locked{};
        if (d3dTexture == nullptr || FAILED(d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
            ADD_FAILURE() << "cannot read the texture";
            return pixels;
        }
        for (unsigned y = 0; y < texture->getHeight(); ++y) {
            const auto* row = reinterpret_cast<const Pixel*>(static_cast<uint8_t*>(locked.pBits) + size_t{y} * locked.Pitch);
            pixels.insert(pixels.end(), row, row + texture->getWidth());
        }
        d3dTexture->UnlockRect(0);
        return pixels;
    }

    IPostProcessor* post = nullptr;
    std::vector<SmartRef<ITexture>> textures;
};

std::vector<uint32_t> pattern(unsigned width, unsigned height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u) >> 8;
    }
    return pixels;
}

} // namespace

TEST_F(PostProcessorTest, SolidFillWritesTheColourExactly)
{
    Texture* into = target(8, 8);
    PostProcessOp op;
    op.kind = 1;
    op.colour = D3DXVECTOR4(51.0f / 255, 102.0f / 255, 1.0f, 1.0f);
    ASSERT_TRUE(runInto(into, op));
    for (uint32_t pixel : read<uint32_t>(into)) {
        ASSERT_EQ(pixel, 0xFF3366FFu);
    }
}

TEST_F(PostProcessorTest, CopyReproducesEveryPixel)
{
    const auto pixels = pattern(8, 6);
    Texture* into = target(8, 6);
    PostProcessOp op;
    op.kind = 0;
    op.copySource = image(8, 6, pixels);
    ASSERT_TRUE(runInto(into, op));
    EXPECT_EQ(read<uint32_t>(into), pixels);
}

TEST_F(PostProcessorTest, IdentityKernelReproducesItsInput)
{
    const auto pixels = pattern(8, 8);
    Texture* into = target(8, 8);
    PostProcessOp op;
    op.kind = 4;
    op.kernelSource = image(8, 8, pixels);
    op.kernelWeights[12] = 1.0f;
    ASSERT_TRUE(runInto(into, op));
    EXPECT_EQ(read<uint32_t>(into), pixels);
}

TEST_F(PostProcessorTest, KernelOffsetsAreInTexels)
{
    // One tap one texel to the right: the image moves one pixel left (the last column clamps).
    const auto pixels = pattern(8, 4);
    Texture* into = target(8, 4);
    PostProcessOp op;
    op.kind = 4;
    op.kernelSource = image(8, 4, pixels);
    op.kernelOffsets[0] = D3DXVECTOR2(1.0f, 0.0f);
    op.kernelWeights[0] = 1.0f;
    ASSERT_TRUE(runInto(into, op));
    const auto result = read<uint32_t>(into);
    for (unsigned y = 0; y < 4; ++y) {
        for (unsigned x = 0; x < 8; ++x) {
            ASSERT_EQ(result[y * 8 + x], pixels[y * 8 + std::min(x + 1, 7u)]) << x << "," << y;
        }
    }
}

TEST_F(PostProcessorTest, FloatClearReadsBackAsFloats)
{
    Texture* into = target(4, 4, D3DFMT_A32B32G32R32F);
    PostProcessOp op;
    op.kind = 5;
    op.clearColour = D3DXVECTOR4(1.5f, -2.0f, 0.25f, 3.0f);
    ASSERT_TRUE(runInto(into, op));
    for (const Float4& pixel : read<Float4>(into)) {
        ASSERT_FLOAT_EQ(pixel.r, 1.5f);
        ASSERT_FLOAT_EQ(pixel.g, -2.0f);
        ASSERT_FLOAT_EQ(pixel.b, 0.25f);
        ASSERT_FLOAT_EQ(pixel.a, 3.0f);
    }
}

TEST_F(PostProcessorTest, BlurOfOneBrightPixelSpreadsEvenlyAndKeepsItsWeight)
{
    // Targets wider than tall: the horizontal offsets follow the width, the vertical the height,
    // so the spread in pixels is the same both ways.
    constexpr unsigned kW = 32, kH = 16;
    std::vector<uint32_t> pixels(size_t{kW} * kH, 0xFF000000u);
    pixels[8 * kW + 16] = 0xFFFFFFFFu;
    Texture* a = target(kW, kH, D3DFMT_A32B32G32R32F);
    Texture* b = target(kW, kH, D3DFMT_A32B32G32R32F);
    Texture* destination = target(kW, kH, D3DFMT_A32B32G32R32F);
    PostProcessOp op;
    op.kind = 2;
    op.blurSource = image(kW, kH, pixels);
    op.blurTargetA = a;
    op.blurTargetB = b;
    op.blurDestination = destination;
    op.blurWidth = 1.0f;
    ASSERT_TRUE(device->beginScene());
    ASSERT_TRUE(post->process(op));
    device->endScene();

    const auto result = read<Float4>(destination);
    double sum = 0.0;
    unsigned peakX = 0, peakY = 0;
    for (unsigned y = 0; y < kH; ++y) {
        for (unsigned x = 0; x < kW; ++x) {
            sum += result[y * kW + x].r;
            if (result[y * kW + x].r > result[peakY * kW + peakX].r) {
                peakX = x, peakY = y;
            }
        }
    }
    const double weights = 0.199471 + 2 * (0.176033 + 0.120985 + 0.064759 + 0.026995 + 0.008764 + 0.002216);
    EXPECT_NEAR(sum, weights * weights, 0.01);
    EXPECT_LT(result[peakY * kW + peakX].r, 0.2f) << "the pixel is spread out";
    for (int d = -5; d <= 5; ++d) {
        EXPECT_NEAR(result[peakY * kW + peakX + d].r, result[(peakY + d) * kW + peakX].r, 1e-3) << d;
    }
}

// A blur into the texture that is being drawn into refuses that pass, and the outer drawing
// still ends where it began.
TEST_F(PostProcessorTest, BlurIntoTheTextureBeingDrawnIntoLeavesThatDrawingIntact)
{
    Texture* a = target(8, 8, D3DFMT_A8R8G8B8);
    Texture* b = target(8, 8, D3DFMT_A8R8G8B8);
    PostProcessOp op;
    op.kind = 2;
    op.blurSource = image(8, 8, std::vector<uint32_t>(64, 0xFF000000u));
    op.blurTargetA = a;
    op.blurTargetB = b;
    op.blurDestination = a;
    op.blurWidth = 1.0f;
    IDirect3DSurface9* backBuffer = nullptr;
    d3d()->GetRenderTarget(0, &backBuffer);
    ASSERT_TRUE(device->beginScene());
    ASSERT_TRUE(a->begin(nullptr, nullptr));
    post->process(op);
    EXPECT_TRUE(a->end());
    device->endScene();
    IDirect3DSurface9* now = nullptr;
    d3d()->GetRenderTarget(0, &now);
    EXPECT_EQ(now, backBuffer);
    now->Release();
    backBuffer->Release();
}

TEST_F(PostProcessorTest, DepthOfFieldBlursOnlyPixelsAwayFromTheFocalPlane)
{
    // Left half at the focal depth, right half far: the sharp image on the left, the blurred on the right.
    constexpr unsigned kW = 16, kH = 8;
    std::vector<uint32_t> depth(size_t{kW} * kH);
    for (unsigned i = 0; i < depth.size(); ++i) {
        depth[i] = (i % kW) < kW / 2 ? 0xFF000000u : 0xFFFFFFFFu;
    }
    for (bool fake : {false, true}) {
        SCOPED_TRACE(fake ? "fake" : "real");
        Texture* into = target(kW, kH);
        PostProcessOp op;
        op.kind = 3;
        op.dofFake = fake;
        op.dofDepth = image(kW, kH, depth);
        op.dofHigh = image(kW, kH, std::vector<uint32_t>(size_t{kW} * kH, 0xFFFF0000u));
        op.dofLow = image(kW, kH, std::vector<uint32_t>(size_t{kW} * kH, 0xFF00FF00u));
        op.dofFocalDistance = 0.0f;
        op.dofFocalScale = 1.0f;
        ASSERT_TRUE(runInto(into, op));
        const auto result = read<uint32_t>(into);
        for (unsigned y = 0; y < kH; ++y) {
            EXPECT_EQ(result[y * kW + 2], 0xFFFF0000u);
            EXPECT_EQ(result[y * kW + kW - 3], 0xFF00FF00u);
        }
    }
}

// Across a sharp edge, with every pixel far out of focus: the pixel left of the edge averages its
// twelve taps alone, the six reaching right of it white, one of them seven tenths of the way.
TEST_F(PostProcessorTest, DepthOfFieldAveragesTheTwelveTapsOnly)
{
    constexpr unsigned kW = 1024, kH = 4;
    std::vector<uint32_t> edge(size_t{kW} * kH);
    for (unsigned i = 0; i < edge.size(); ++i) {
        edge[i] = (i % kW) < kW / 2 ? 0xFF000000u : 0xFFFFFFFFu;
    }
    Texture* into = target(kW, kH);
    PostProcessOp op;
    op.kind = 3;
    op.dofDepth = image(kW, kH, std::vector<uint32_t>(size_t{kW} * kH, 0xFFFFFFFFu));
    op.dofHigh = image(kW, kH, edge);
    op.dofLow = image(kW, kH, edge);
    op.dofFocalDistance = 0.0f;
    op.dofFocalScale = 1.0f;
    ASSERT_TRUE(runInto(into, op));
    // Tap x offsets in texels at blur 1 (x 5 x 1024), sampled with linear filtering.
    const float taps[12] = {-0.0003186f, -0.0008205f, -0.0006796f, -0.0001986f, 0.0009398f, 0.0004623f,
        0.0005073f, 0.0001811f, 0.0004955f, 0.0008754f, -0.0003144f, -0.0007730f};
    float white = 0.0f;
    for (float tap : taps) {
        white += std::clamp(tap * 5.0f * float(kW), 0.0f, 1.0f);
    }
    const auto result = read<uint32_t>(into);
    const int blue = int(result[kW + kW / 2 - 1] & 0xFF);
    EXPECT_NEAR(blue, white / 12.0f * 255.0f, 3.0) << "a centre tap would give " << white / 13.0f * 255.0f;
}

TEST_F(PostProcessorTest, MissingInputsDrawNothingAndAnswerFalse)
{
    Texture* into = target(4, 4);
    Texture* plain = static_cast<Texture*>(createTexture(4, 4));
    textures.emplace_back(plain);
    struct Case {
        const char* name;
        PostProcessOp op;
        bool result;
    };
    std::vector<Case> cases;
    cases.push_back({"copy without source", {}, false});
    cases.back().op.kind = 0;
    cases.push_back({"blur without targets", {}, false});
    cases.back().op.kind = 2;
    cases.back().op.blurSource = plain;
    cases.push_back({"blur into a texture that is no target", {}, false});
    cases.back().op.kind = 2;
    cases.back().op.blurSource = plain;
    cases.back().op.blurTargetA = plain;
    cases.back().op.blurTargetB = plain;
    cases.back().op.blurDestination = plain;
    cases.push_back({"depth of field without depth", {}, false});
    cases.back().op.kind = 3;
    cases.back().op.dofHigh = cases.back().op.dofLow = plain;
    cases.push_back({"kernel without source", {}, false});
    cases.back().op.kind = 4;
    cases.push_back({"custom without shader", {}, false});
    cases.back().op.kind = 6;
    cases.push_back({"unknown kind", {}, true});
    cases.back().op.kind = 9;
    cases.push_back({"negative kind", {}, true});
    cases.back().op.kind = -1;

    for (const Case& c : cases) {
        // A fill that any draw would overwrite.
        PostProcessOp fill;
        fill.kind = 1;
    fill.colour = D3DXVECTOR4(1, 0, 0, 1);
        fill.colour = D3DXVECTOR4(0, 0, 1, 1);
        ASSERT_TRUE(runInto(into, fill));
        EXPECT_EQ(runInto(into, c.op), c.result) << c.name;
        for (uint32_t pixel : read<uint32_t>(into)) {
            ASSERT_EQ(pixel, 0xFF0000FFu) << c.name << ": nothing is drawn";
        }
    }
}

TEST_F(PostProcessorTest, CustomShaderDrawsWithTheCallersTechnique)
{
    const std::string text = R"(
float4 tint;
float4x4 placement;
// The caller's own half-pixel correction, as every full-screen effect carries.
float2 halfPixel;
struct TintIn { float3 position : POSITION; float2 uv : TEXCOORD0; };
struct TintOut { float4 position : POSITION; float2 uv : TEXCOORD0; };
TintOut tintVS(TintIn input)
{
    TintOut output;
    output.position = mul(float4(input.position, 1.0), placement);
    output.position.xy += halfPixel * output.position.w;
    output.uv = input.uv;
    return output;
}
float4 tintPS(float2 uv : TEXCOORD0) : COLOR { return tint; }
technique Other { pass P0 { VertexShader = compile vs_2_0 tintVS(); PixelShader = compile ps_2_0 tintPS(); } }
technique Tint { pass P0 { VertexShader = compile vs_2_0 tintVS(); PixelShader = compile ps_2_0 tintPS(); } }
)";
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(shader->compile(text.data(), unsigned(text.size()), nullptr, nullptr)) << shader->getErrors();
    ASSERT_TRUE(shader->setTechnique("Tint"));
    const D3DXVECTOR4 tint(0, 1, 0, 1);
    shader->setVector4(shader->getParameter("tint"), &tint);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    shader->setMatrix(shader->getParameter("placement"), &identity);
    const D3DXVECTOR2 halfPixel(-1.0f / 4, 1.0f / 4);
    shader->setVector2(shader->getParameter("halfPixel"), &halfPixel);
    Texture* into = target(4, 4);
    PostProcessOp op;
    op.kind = 6;
    op.customShader = shader.get();
    ASSERT_TRUE(runInto(into, op));
    for (uint32_t pixel : read<uint32_t>(into)) {
        ASSERT_EQ(pixel, 0xFF00FF00u);
    }
}

TEST_F(PostProcessorTest, ProcessLeavesDepthStencilAlphaTestAndCullingOff)
{
    StateManager* states = device->getStateManager();
    states->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    states->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    states->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    states->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    Texture* into = target(4, 4);
    PostProcessOp op;
    op.kind = 1;
    ASSERT_TRUE(runInto(into, op));
    EXPECT_EQ(renderState(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_STENCILENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_ZWRITEENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
}

TEST_F(PostProcessorTest, StretchRectCopiesBetweenTargetsAndTextures)
{
    ASSERT_TRUE(device->beginScene());
    device->clear(Clear_Colour, D3DXVECTOR4(1, 0, 0, 1), 1.0f, 0);
    // The whole back buffer into a quarter-size texture, then a rectangle of it into a
    // render-target texture.
    Texture* small = target(kWidth / 4, kHeight / 4);
    ASSERT_TRUE(post->stretchRect(device->getBackBuffer(), nullptr, small, nullptr));
    SmartRef<IRenderTargetTexture> rtt = createRenderTargetTexture(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_NE(rtt.get(), nullptr);
    const D3DXVECTOR4 part(1.9f, 1.2f, 5.7f, 5.1f);
    EXPECT_TRUE(post->stretchRect(small, &part, rtt.get(), nullptr));
    device->endScene();
    for (uint32_t pixel : read<uint32_t>(small)) {
        ASSERT_EQ(pixel, 0xFFFF0000u);
    }
    for (uint32_t pixel : read<uint32_t>(rtt->getTexture())) {
        ASSERT_EQ(pixel, 0xFFFF0000u);
    }
}

TEST_F(PostProcessorTest, StretchRectRefusesWhatHasNoSurface)
{
    SmartRef<ITexture> cube = createCubeTexture(8);
    ASSERT_NE(cube.get(), nullptr);
    Texture* into = target(8, 8);
    EXPECT_FALSE(post->stretchRect(cube.get(), nullptr, into, nullptr));
    EXPECT_FALSE(post->stretchRect(into, nullptr, nullptr, nullptr));
    EXPECT_FALSE(post->stretchRect(nullptr, nullptr, into, nullptr));
}

TEST_F(PostProcessorTest, DrawsAgainAfterTheDeviceIsReset)
{
    d3dsimSetStrictReset(true);
    d3dsimLoseDevice(d3d(), 0);
    EXPECT_FALSE(device->present());
    ASSERT_TRUE(device->beginScene()) << "the post processor let go of its default-pool quad";
    device->endScene();

    const auto pixels = pattern(4, 4);
    Texture* into = target(4, 4);
    PostProcessOp op;
    op.kind = 0;
    op.copySource = image(4, 4, pixels);
    ASSERT_TRUE(runInto(into, op));
    EXPECT_EQ(read<uint32_t>(into), pixels);
}

TEST_F(PostProcessorTest, BlurWithATargetThatCannotBeginTouchesNoTarget)
{
    Texture* a = target(4, 4);
    Texture* b = target(4, 4);
    ITexture* plain = createTexture(4, 4);
    textures.emplace_back(plain);
    PostProcessOp fill;
    fill.kind = 1;
    fill.colour = D3DXVECTOR4(0, 0, 1, 1);
    ASSERT_TRUE(runInto(a, fill));
    PostProcessOp op;
    op.kind = 2;
    op.blurSource = image(4, 4, pattern(4, 4));
    op.blurTargetA = a;
    op.blurTargetB = b;
    op.blurDestination = static_cast<Texture*>(plain);
    ASSERT_TRUE(device->beginScene());
    EXPECT_FALSE(post->process(op));
    device->endScene();
    for (uint32_t pixel : read<uint32_t>(a)) {
        ASSERT_EQ(pixel, 0xFF0000FFu);
    }
}
