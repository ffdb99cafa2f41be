#include <cstring>

#include "device_fixture.h"

namespace {

// Writes its colour to target 0 and the inverse to target 1.
const char* kTwoTargetsPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 0) out vec4 first;\n"
    "layout(location = 1) out vec4 second;\n"
    "void main() { first = vColor; second = vec4(1.0) - vColor; }\n";

}  // namespace

TEST_F(DeviceTest, DrawsStayInsideTheScissorRect) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    RECT scissor{4, 2, 9, 7};
    device->SetScissorRect(&scissor);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    drawQuad(0, 0, 20, 20, 0xFFFFFFFF);
    expectRect(backBufferPixels(), kWidth, kHeight, scissor, 0xFFFFFFFF, 0xFF000000);
}

TEST_F(DeviceTest, DrawsIntoTwoTargetsAtOnce) {
    useScreenPipeline();
    IDirect3DPixelShader9* ps = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreatePixelShader(device, kTwoTargetsPS, &ps, &errors), D3D_OK) << errors;
    keep(ps);
    device->SetPixelShader(ps);
    IDirect3DSurface9* second = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &second, nullptr),
        D3D_OK);
    keep(second);
    ASSERT_EQ(device->SetRenderTarget(1, second), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 4, 4, 0xFF203040);
    EXPECT_EQ(pixel(backBufferPixels(), 1, 1), 0xFF203040u);
    auto pixels = readPixels(second);
    EXPECT_EQ(pixel(pixels, 1, 1), 0x00DFCFBFu);
    EXPECT_EQ(pixel(pixels, 5, 5), 0xFF000000u);  // the clear reached both targets
    device->SetRenderTarget(1, nullptr);
    IDirect3DSurface9* none = second;
    EXPECT_EQ(device->GetRenderTarget(1, &none), D3DERR_NOTFOUND);
    EXPECT_EQ(none, nullptr);
}

TEST_F(DeviceTest, StretchRectCopiesAndScalesTopDown) {
    IDirect3DSurface9 *source = nullptr, *dest = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &source, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &dest, nullptr), D3D_OK);
    keep(source), keep(dest);
    ASSERT_EQ(device->ColorFill(source, nullptr, 0xFF000000), D3D_OK);
    RECT top{0, 0, 8, 2};
    ASSERT_EQ(device->ColorFill(source, &top, 0xFFFF0000), D3D_OK);
    ASSERT_EQ(device->StretchRect(source, nullptr, dest, nullptr, D3DTEXF_POINT), D3D_OK);
    expectRect(readPixels(dest), 16, 16, RECT{0, 0, 16, 4}, 0xFFFF0000, 0xFF000000);
    RECT from{0, 0, 2, 2}, to{10, 10, 12, 12};
    ASSERT_EQ(device->StretchRect(source, &from, dest, &to, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(pixel(readPixels(dest), 11, 11, 16), 0xFFFF0000u);
    RECT outside{0, 0, 9, 9};
    EXPECT_EQ(device->StretchRect(source, &outside, dest, nullptr, D3DTEXF_POINT), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->StretchRect(source, nullptr, source, nullptr, D3DTEXF_POINT), D3DERR_INVALIDCALL);
}

// GL blits into a multisampled image only one to one between like formats; the copy is made
// whatever the source's size, format and sample count.
TEST_F(DeviceTest, StretchRectIntoAMultisampledTargetScalesAndConverts) {
    const struct {
        const char* name;
        UINT width, height;
        D3DFORMAT format;
        D3DMULTISAMPLE_TYPE samples;
        RECT into;  // in the 16 x 16 target
    } cases[] = {
        {"scaled up", 8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, {0, 0, 16, 16}},
        {"scaled into a part", 16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, {4, 8, 12, 12}},
        {"one to one, another format", 16, 16, D3DFMT_A16B16G16R16F, D3DMULTISAMPLE_NONE, {0, 0, 16, 16}},
        {"one to one, opaque format", 16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, {0, 0, 16, 16}},
        {"scaled, other sample count", 8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, {0, 0, 16, 16}},
        {"one to one, like target", 16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, {0, 0, 16, 16}},
    };
    IDirect3DSurface9 *target = nullptr, *plain = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &target, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &plain, nullptr),
        D3D_OK);
    keep(target), keep(plain);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IDirect3DSurface9* source = nullptr;
        ASSERT_EQ(device->CreateRenderTarget(c.width, c.height, c.format, c.samples, 0, FALSE, &source, nullptr),
            D3D_OK);
        keep(source);
        // The top quarter red, the rest black.
        ASSERT_EQ(device->ColorFill(source, nullptr, 0xFF000000), D3D_OK);
        const RECT top{0, 0, LONG(c.width), LONG(c.height / 4)};
        ASSERT_EQ(device->ColorFill(source, &top, 0xFFFF0000), D3D_OK);
        ASSERT_EQ(device->ColorFill(target, nullptr, 0xFF0000FF), D3D_OK);
        ASSERT_EQ(device->StretchRect(source, nullptr, target, &c.into, D3DTEXF_POINT), D3D_OK);
        ASSERT_EQ(device->StretchRect(target, nullptr, plain, nullptr, D3DTEXF_NONE), D3D_OK);
        const auto pixels = readPixels(plain);
        const LONG red = c.into.top + (c.into.bottom - c.into.top) / 4;
        for (UINT y = 0; y < 16; ++y)
            for (UINT x = 0; x < 16; ++x) {
                const bool inside = LONG(x) >= c.into.left && LONG(x) < c.into.right && LONG(y) >= c.into.top &&
                                    LONG(y) < c.into.bottom;
                const uint32_t want = !inside ? 0xFF0000FF : LONG(y) < red ? 0xFFFF0000 : 0xFF000000;
                ASSERT_EQ(pixel(pixels, x, y, 16), want) << "at " << x << "," << y;
            }
    }
}

TEST_F(DeviceTest, RenderTargetDataReachesASystemMemorySurface) {
    IDirect3DSurface9 *target = nullptr, *copy = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
    keep(target), keep(copy);
    device->ColorFill(target, nullptr, 0x80402010);
    ASSERT_EQ(device->GetRenderTargetData(target, copy), D3D_OK);
    EXPECT_EQ(readPixels(copy)[15], 0x80402010u);
    IDirect3DSurface9* small = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr), D3D_OK);
    keep(small);
    EXPECT_EQ(device->GetRenderTargetData(target, small), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ACreatedDepthSurfaceDepthTests) {
    useScreenPipeline();
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                  nullptr),
        D3D_OK);
    keep(depth);
    EXPECT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.3f, 0);
    drawQuad(0, 0, 4, 4, 0xFFFFFFFF, 0.5f);
    drawQuad(4, 0, 8, 4, 0xFFFFFFFF, 0.2f);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 5, 1), 0xFFFFFFFFu);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr), D3D_OK);
    keep(target);
    EXPECT_EQ(device->SetDepthStencilSurface(target), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(0, depth), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, MultisampledBackBufferResolvesSmoothEdges) {
    D3DPRESENT_PARAMETERS p = presentParameters(32, 32);
    p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    ASSERT_EQ(device->Reset(&p), D3D_OK);
    useScreenPipeline(32, 32);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // A triangle whose long edge crosses pixels diagonally.
    const ScreenVertex triangle[] = {{0, 0, 0.5f, 1, 0xFFFFFFFF}, {32, 0, 0.5f, 1, 0xFFFFFFFF}, {0, 32, 0.5f, 1, 0xFFFFFFFF}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ScreenVertex)), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    keep(back);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    IDirect3DSurface9* plain = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &plain, nullptr), D3D_OK);
    keep(plain);
    ASSERT_EQ(device->StretchRect(back, nullptr, plain, nullptr, D3DTEXF_NONE), D3D_OK);
    auto pixels = readPixels(plain);
    EXPECT_EQ(pixel(pixels, 2, 2, 32), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 30, 30, 32), 0xFF000000u);
    int partial = 0;
    for (uint32_t c : pixels) partial += c != 0xFFFFFFFF && c != 0xFF000000;
    EXPECT_GT(partial, 16);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // A single-sampled target is drawn without the multisampled depth surface, and without one.
    ASSERT_EQ(device->SetRenderTarget(0, plain), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ScreenVertex)), D3D_OK);
    device->SetDepthStencilSurface(nullptr);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ScreenVertex)), D3D_OK);
}
