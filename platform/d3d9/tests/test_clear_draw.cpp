#include <cstring>

#include "device_fixture.h"

TEST_F(DeviceTest, ClearTouchesOnlyTheViewport) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    D3DVIEWPORT9 vp{8, 4, 20, 10, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{8, 4, 28, 14}, 0xFF336699, 0xFF000000);
}

TEST_F(DeviceTest, ClearRespectsTheScissorAndItsRects) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    RECT scissor{10, 10, 30, 20};
    device->SetScissorRect(&scissor);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    expectRect(backBufferPixels(), kWidth, kHeight, scissor, 0xFF00FF00, 0xFF000000);

    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    D3DRECT rect{0, 0, 4, 4};
    device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 3, 3), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 4, 4), 0xFF000000u);
}

TEST_F(DeviceTest, ClearWithDepthFlagsClearsWhatTheTargetHas) {
    device->SetDepthStencilSurface(nullptr);
    const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    EXPECT_EQ(device->Clear(0, nullptr, all, 0xFF336699, 1.0f, 0), D3D_OK);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{0, 0, LONG(kWidth), LONG(kHeight)}, 0xFF336699, 0);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

// The back buffer's depth surface is smaller than the target: GL would draw and clear only where
// the two overlap, so the target is drawn without depth.
TEST_F(DeviceTest, ATargetLargerThanTheDepthSurfaceIsDrawnWhole) {
    const UINT width = kWidth * 2, height = kHeight * 2;
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr),
        D3D_OK);
    keep(target);
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    useScreenPipeline(width, height);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    drawQuad(0, 0, float(width), float(height), 0xFF00FF00);
    expectRect(readPixels(target), width, height, RECT{0, 0, LONG(width), LONG(height)}, 0xFF00FF00, 0);

    // A depth surface that covers the target is drawn with, and its test still holds.
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                  nullptr),
        D3D_OK);
    keep(depth);
    ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.25f, 0), D3D_OK);
    drawQuad(0, 0, float(width), float(height), 0xFFFF0000, 0.5f);
    expectRect(readPixels(target), width, height, RECT{0, 0, LONG(width), LONG(height)}, 0xFF000000, 0);
}

// A multisampled back buffer's depth surface cannot serve a plain target (an off-screen target
// of the same size or smaller): the target is drawn and cleared without depth.
TEST_F(DeviceTest, ATargetIsNotDrawnWithADepthSurfaceOfAnotherSampleCount) {
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, D3DMULTISAMPLE_2_SAMPLES, 0, TRUE,
                  &depth, nullptr),
        D3D_OK);
    keep(depth);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(kWidth / 2, kHeight / 2, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE,
                  &target, nullptr),
        D3D_OK);
    keep(target);
    ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    const RECT whole{0, 0, LONG(kWidth / 2), LONG(kHeight / 2)};
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF336699, 1.0f, 0),
        D3D_OK);
    expectRect(readPixels(target), kWidth / 2, kHeight / 2, whole, 0xFF336699, 0);
    useScreenPipeline(kWidth / 2, kHeight / 2);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    drawQuad(0, 0, kWidth / 2.0f, kHeight / 2.0f, 0xFF00FF00);
    expectRect(readPixels(target), kWidth / 2, kHeight / 2, whole, 0xFF00FF00, 0);
}

// Direct3D 9 covers pixel centres at integer coordinates: a quad from -0.5 to 3.5 fills 4 x 4 pixels.
TEST_F(DeviceTest, UserPointerDrawCoversPixelsAsDirect3D9Does) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(2, 3, 6, 7, 0xFF102030);
    // D3DCOLOR vertex data is read as B, G, R, A bytes.
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{2, 3, 6, 7}, 0xFF102030, 0xFF000000);
}

TEST_F(DeviceTest, UserPointerDrawsClearStreamZeroAndTheIndices) {
    useScreenPipeline();
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(256, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    keep(vb), keep(ib);
    device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    device->SetIndices(ib);
    drawQuad(0, 0, 2, 2, 0xFFFFFFFF);
    IDirect3DVertexBuffer9* stream = vb;
    UINT offset = 1, stride = 1;
    device->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr);
    IDirect3DIndexBuffer9* indices = ib;
    device->GetIndices(&indices);
    EXPECT_EQ(indices, nullptr);
}

TEST_F(DeviceTest, DrawsFromVertexAndIndexBuffers) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // Four corners of a quad from (10, 10) to (20, 16), indexed as two triangles.
    const ScreenVertex corners[] = {{9.5f, 9.5f, 0.5f, 1, 0xFF0000FF}, {19.5f, 9.5f, 0.5f, 1, 0xFF0000FF},
        {9.5f, 15.5f, 0.5f, 1, 0xFF0000FF}, {19.5f, 15.5f, 0.5f, 1, 0xFF0000FF}};
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(ScreenVertex) * 8, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb, nullptr),
        D3D_OK);
    keep(vb);
    void* data = nullptr;
    // Vertices from the second slot on, drawn with a base vertex of 4.
    ASSERT_EQ(vb->Lock(sizeof(ScreenVertex) * 4, sizeof corners, &data, 0), D3D_OK);
    std::memcpy(data, corners, sizeof corners);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    const WORD indexData[] = {7, 7, 0, 1, 2, 2, 1, 3};
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(sizeof indexData, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    keep(ib);
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indexData, sizeof indexData);
    ib->Unlock();
    device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    device->SetIndices(ib);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 2, 2), D3D_OK);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{10, 10, 20, 16}, 0xFF0000FF, 0xFF000000);

    // The same quad as a strip from the buffer, then through user-pointer indices.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{10, 10, 20, 16}, 0xFF0000FF, 0xFF000000);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const WORD strip[] = {0, 1, 2, 3};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, 4, 2, strip, D3DFMT_INDEX16, corners,
                  sizeof(ScreenVertex)),
        D3D_OK);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{10, 10, 20, 16}, 0xFF0000FF, 0xFF000000);
    const WORD beyond[] = {0, 1, 4, 3};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, 4, 2, beyond, D3DFMT_INDEX16, corners,
                  sizeof(ScreenVertex)),
        D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, DrawsNeedAVertexShaderAndValidArguments) {
    auto v = quad(0, 0, 2, 2, 0xFFFFFFFF);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(ScreenVertex)), D3DERR_INVALIDCALL);
    useScreenPipeline();
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPRIMITIVETYPE(0), 2, v.data(), sizeof(ScreenVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, nullptr, sizeof(ScreenVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);

    // Draws that would read past the end of a buffer are refused.
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(ScreenVertex) * 6, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    keep(vb);
    device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 5), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, vb, 4, sizeof(ScreenVertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    keep(ib);
    device->SetIndices(ib);
    device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 6, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 6, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 1, 2), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, RendersIntoATextureTargetStoredTopDown) {
    useScreenPipeline(16, 8);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
        D3D_OK);
    keep(texture);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    keep(level);
    ASSERT_EQ(device->SetRenderTarget(0, level), D3D_OK);
    D3DVIEWPORT9 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 16u);
    EXPECT_EQ(vp.Height, 8u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 16, 2, 0xFFFF0000);
    auto pixels = readPixels(level);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[size_t{16} * 7], 0xFF000000u);
}
