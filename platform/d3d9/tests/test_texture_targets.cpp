#include "sampling_fixture.h"

namespace {

const char* kTwoTargetsPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 0) out vec4 first;\n"
    "layout(location = 1) out vec4 second;\n"
    "void main() { first = vColor; second = vec4(1.0) - vColor; }\n";

}  // namespace

class TextureTargetTest : public SamplingTest {
protected:
    IDirect3DTexture9* renderTexture(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8, UINT levels = 1) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, levels, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, &texture,
                      nullptr),
            D3D_OK);
        return keep(texture);
    }

    IDirect3DSurface9* level(IDirect3DTexture9* texture, UINT index = 0) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(texture->GetSurfaceLevel(index, &surface), D3D_OK);
        return keep(surface);
    }

    IDirect3DSurface9* surfaceTarget(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, 0, TRUE, &surface, nullptr),
            D3D_OK);
        return keep(surface);
    }
};

TEST_F(TextureTargetTest, ATextureLevelRendersAndIsSampledTopDown) {
    IDirect3DTexture9* texture = renderTexture(8, 8, D3DFMT_A8R8G8B8, 2);
    useScreenPipeline(4, 4);
    ASSERT_EQ(device->SetRenderTarget(0, level(texture, 1)), D3D_OK);
    D3DVIEWPORT9 viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 4u);  // the target's own size
    device->SetDepthStencilSurface(nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 4, 1, 0xFFFF0000);  // the top row
    IDirect3DSurface9* target = useFloatTarget(4, 4);
    pointSampling(0);
    device->SetTexture(0, texture);
    setConstants(1, 0, 0);
    drawAll();
    auto pixels = readFloats(target);
    expectNear(pixels[1], Rgba{1, 0, 0, 1}, 0.01f, "top row");
    expectNear(pixels[13], Rgba{0, 0, 0, 1}, 0.01f, "bottom row");
}

TEST_F(TextureTargetTest, TwoTextureTargetsTakeOneDrawEach) {
    IDirect3DTexture9* first = renderTexture(4, 4);
    IDirect3DTexture9* second = renderTexture(4, 4, D3DFMT_A16B16G16R16F);
    useScreenPipeline(4, 4);
    IDirect3DPixelShader9* ps = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreatePixelShader(device, kTwoTargetsPS, &ps, &errors), D3D_OK) << errors;
    keep(ps);
    device->SetPixelShader(ps);
    device->SetRenderTarget(0, level(first));
    ASSERT_EQ(device->SetRenderTarget(1, level(second)), D3D_OK);
    device->SetDepthStencilSurface(nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    drawQuad(0, 0, 4, 4, 0xFF336699);
    device->SetRenderTarget(1, nullptr);

    IDirect3DSurface9* target = useFloatTarget(4, 4);
    pointSampling(0);
    device->SetTexture(0, first);
    drawAll();
    expectNear(readFloats(target)[5], Rgba{0x33 / 255.0f, 0x66 / 255.0f, 0x99 / 255.0f, 1}, 0.01f, "target 0");
    device->SetTexture(0, second);
    drawAll();
    expectNear(readFloats(target)[5], Rgba{1 - 0x33 / 255.0f, 1 - 0x66 / 255.0f, 1 - 0x99 / 255.0f, 0}, 0.01f,
        "target 1");
}

// A smaller texture target works with the back buffer's depth surface and with one of its own.
TEST_F(TextureTargetTest, TextureTargetsDepthTestWithAnyDepthSurface) {
    IDirect3DSurface9* ownDepth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &ownDepth, nullptr),
        D3D_OK);
    keep(ownDepth);
    IDirect3DSurface9* backDepth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&backDepth), D3D_OK);
    keep(backDepth);
    for (IDirect3DSurface9* depth : {backDepth, ownDepth}) {
        IDirect3DTexture9* texture = renderTexture(16, 16);
        IDirect3DSurface9* surface = level(texture);
        useScreenPipeline(16, 16);
        device->SetRenderTarget(0, surface);
        ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.4f, 0), D3D_OK);
        drawQuad(0, 0, 8, 8, 0xFFFFFFFF, 0.6f);  // behind: hidden
        drawQuad(8, 0, 16, 8, 0xFFFFFFFF, 0.2f);  // in front: drawn
        auto pixels = readPixels(surface);
        EXPECT_EQ(pixel(pixels, 2, 2, 16), 0xFF000000u);
        EXPECT_EQ(pixel(pixels, 12, 2, 16), 0xFFFFFFFFu);
    }
}

TEST_F(TextureTargetTest, StretchRectScalesBetweenRectanglesTopDown) {
    // Source: 4 x 4, top half red, bottom half blue.
    IDirect3DSurface9* source = surfaceTarget(4, 4);
    device->ColorFill(source, nullptr, 0xFF0000FF);
    RECT top{0, 0, 4, 2};
    device->ColorFill(source, &top, 0xFFFF0000);

    // Up into a texture level, and down onto the back buffer.
    IDirect3DTexture9* big = renderTexture(16, 16);
    ASSERT_EQ(device->StretchRect(source, nullptr, level(big), nullptr, D3DTEXF_POINT), D3D_OK);
    expectRect(readPixels(level(big)), 16, 16, RECT{0, 0, 16, 8}, 0xFFFF0000, 0xFF0000FF);
    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    keep(back);
    device->ColorFill(back, nullptr, 0xFF000000);
    RECT into{10, 20, 12, 22};
    ASSERT_EQ(device->StretchRect(level(big), nullptr, back, &into, D3DTEXF_LINEAR), D3D_OK);
    auto pixels = readPixels(back);
    EXPECT_EQ(pixel(pixels, 10, 20), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 11, 21), 0xFF0000FFu);
    EXPECT_EQ(pixel(pixels, 9, 20), 0xFF000000u);
    // Between rectangles: the source's bottom-left quarter to the destination's top-right corner.
    RECT from{0, 2, 2, 4}, to{14, 0, 16, 2};
    ASSERT_EQ(device->StretchRect(source, &from, level(big), &to, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(pixel(readPixels(level(big)), 15, 0, 16), 0xFF0000FFu);
    RECT mirrored{4, 0, 0, 4};
    EXPECT_EQ(device->StretchRect(source, &mirrored, back, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
}

TEST_F(TextureTargetTest, StretchRectConvertsOnlyWhatDirect3DConverts) {
    // X8R8G8B8 has no alpha to copy: the copy is opaque.
    IDirect3DSurface9* opaque = surfaceTarget(4, 4, D3DFMT_X8R8G8B8);
    device->ColorFill(opaque, nullptr, 0x10203040);
    IDirect3DSurface9* withAlpha = surfaceTarget(4, 4);
    ASSERT_EQ(device->StretchRect(opaque, nullptr, withAlpha, nullptr, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(readPixels(withAlpha)[0], 0xFF203040u);
    IDirect3DSurface9* half = surfaceTarget(4, 4, D3DFMT_A16B16G16R16F);
    EXPECT_EQ(device->StretchRect(withAlpha, nullptr, half, nullptr, D3DTEXF_NONE), D3D_OK);

    IDirect3DSurface9* single = surfaceTarget(4, 4, D3DFMT_R32F);
    EXPECT_EQ(device->StretchRect(withAlpha, nullptr, single, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    IDirect3DSurface9* plain = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_DXT1, D3DPOOL_DEFAULT, &plain, nullptr), D3D_OK);
    keep(plain);
    EXPECT_EQ(device->StretchRect(plain, nullptr, withAlpha, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    IDirect3DTexture9* notTarget = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &notTarget, nullptr), D3D_OK);
    keep(notTarget);
    EXPECT_EQ(device->StretchRect(withAlpha, nullptr, level(notTarget), nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    // A sampled-only texture may be the source.
    EXPECT_EQ(device->StretchRect(level(notTarget), nullptr, withAlpha, nullptr, D3DTEXF_NONE), D3D_OK);

    // ColorFill keeps each format's own channel: A8 stores the alpha.
    IDirect3DSurface9* alphaOnly = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8, D3DPOOL_DEFAULT, &alphaOnly, nullptr), D3D_OK);
    keep(alphaOnly);
    ASSERT_EQ(device->ColorFill(alphaOnly, nullptr, 0x80FFFFFF), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(alphaOnly->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits)[0], 0x80);
    alphaOnly->UnlockRect();
}

// A framebuffer cached for a released texture must not be reused for a new one with its GL name.
TEST_F(TextureTargetTest, TargetsMadeAfterOthersAreReleasedDrawIntoThemselves) {
    useScreenPipeline(8, 8);
    device->SetDepthStencilSurface(nullptr);
    for (D3DCOLOR colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture,
                      nullptr),
            D3D_OK);
        IDirect3DSurface9* surface = nullptr;
        texture->GetSurfaceLevel(0, &surface);
        device->SetRenderTarget(0, surface);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        drawQuad(0, 0, 8, 8, colour);
        EXPECT_EQ(readPixels(surface)[9], colour);
        IDirect3DSurface9* back = nullptr;
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        device->SetRenderTarget(0, back);
        back->Release();
        surface->Release();
        EXPECT_EQ(texture->Release(), 0u);
    }
}

TEST_F(TextureTargetTest, ADepthTextureLevelServesAsDepthSurfaceAndSamplesItsDepth) {
    IDirect3DTexture9* depthTexture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8, D3DPOOL_DEFAULT, &depthTexture, nullptr),
        D3D_OK);
    keep(depthTexture);
    IDirect3DSurface9* colour = surfaceTarget(8, 8);
    useScreenPipeline(8, 8);
    device->SetRenderTarget(0, colour);
    ASSERT_EQ(device->SetDepthStencilSurface(level(depthTexture)), D3D_OK);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 0.25f, 0);
    drawQuad(0, 0, 8, 8, 0xFFFFFFFF, 0.5f);
    EXPECT_EQ(readPixels(colour)[9], 0xFF000000u);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(depthTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);

    IDirect3DSurface9* target = useFloatTarget(2, 2);
    pointSampling(0);
    device->SetTexture(0, depthTexture);
    drawAll();
    EXPECT_NEAR(readFloats(target)[0][0], 0.25f, 0.001f);
}
