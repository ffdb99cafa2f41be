#include <epoxy/gl.h>

#include <cstring>
#include <functional>

#include "device_fixture.h"

TEST_F(DeviceTest, LostDeviceWalksToNotResetAndBack) {
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    d3dsimLoseDevice(device, 2);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceTest, VertexBufferFailuresCanBeForced) {
    d3dsimFailVertexBuffers(2);
    IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3DERR_INVALIDCALL)
        << "an invalid call is not counted";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3DERR_OUTOFVIDEOMEMORY);
        EXPECT_EQ(vb, nullptr);
    }
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    keep(vb);
}

TEST_F(DeviceTest, StrictResetFailsWhileDefaultPoolObjectsLive) {
    d3dsimSetStrictReset(true);
    IDirect3DVertexBuffer9 *vb = nullptr, *managed = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    keep(managed);
    EXPECT_EQ(d3dsimDefaultPoolObjects(device), 1u);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    // A failed reset leaves the device waiting for a good one.
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    vb->Release();

    IDirect3DSwapChain9* chain = nullptr;
    D3DPRESENT_PARAMETERS chainParameters = presentParameters(32, 32);
    ASSERT_EQ(device->CreateAdditionalSwapChain(&chainParameters, &chain), D3D_OK);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    chain->Release();

    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr), D3D_OK);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    target->Release();

    EXPECT_EQ(d3dsimDefaultPoolObjects(device), 0u);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

// A reset that cannot make its new surfaces keeps the old ones: nothing leaks, and the next
// reset with the same parameters gives the device its depth buffer again.
TEST_F(DeviceTest, FailedResetKeepsTheSurfacesItHad) {
    IDirect3DSurface9* before = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &before), D3D_OK);
    keep(before);
    D3DPRESENT_PARAMETERS other = pp;
    other.AutoDepthStencilFormat = D3DFMT_D16;
    d3dsimFailAutoDepthStencil(true);
    EXPECT_EQ(device->Reset(&other), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(back, before);
    back->Release();

    d3dsimFailAutoDepthStencil(false);
    ASSERT_EQ(device->Reset(&other), D3D_OK);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    D3DSURFACE_DESC desc{};
    depth->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_D16);
    depth->Release();
}

// Between a reset that failed and one that succeeds a caller may still set states and draw: the
// device answers each call as it would any other time (Present aside) and a later reset heals it.
TEST_F(DeviceTest, CallsAfterAFailedResetAreAnsweredUntilAResetSucceeds) {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
        D3D_OK);
    keep(target);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(6 * sizeof(ScreenVertex), 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    keep(vb);
    const auto vertices = quad(0, 0, 8, 8, 0xFF00FF00);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), 6 * sizeof(ScreenVertex));
    vb->Unlock();
    const WORD indices[6] = {0, 1, 2, 3, 4, 5};
    const D3DVIEWPORT9 viewport{0, 0, 8, 8, 0.0f, 1.0f};
    const RECT scissor{0, 0, 4, 4};
    const struct {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT answer;
    } calls[] = {
        {"SetViewport", [&] { return device->SetViewport(&viewport); }, D3D_OK},
        {"GetViewport",
            [&] {
                D3DVIEWPORT9 vp{};
                device->GetViewport(&vp);
                return vp.Width == kWidth && vp.Height == kHeight ? D3D_OK : E_FAIL;
            },
            D3D_OK},
        {"SetScissorRect", [&] { return device->SetScissorRect(&scissor); }, D3D_OK},
        {"Clear", [&] { return device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0); }, D3D_OK},
        {"Clear without depth",
            [&] {
                device->SetDepthStencilSurface(nullptr);
                return device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
            },
            D3D_OK},
        {"GetRenderTarget",
            [&] {
                IDirect3DSurface9* got = nullptr;
                const HRESULT hr = device->GetRenderTarget(0, &got);
                if (got) got->Release();
                return hr;
            },
            D3D_OK},
        {"SetRenderTarget", [&] { return device->SetRenderTarget(1, target); }, D3D_OK},
        {"BeginScene", [&] { return device->BeginScene(); }, D3D_OK},
        {"DrawPrimitive without shaders", [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2); },
            D3DERR_INVALIDCALL},
        {"DrawPrimitiveUP",
            [&] {
                useScreenPipeline();
                return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, vertices.data(), sizeof(ScreenVertex));
            },
            D3D_OK},
        {"DrawPrimitive",
            [&] {
                useScreenPipeline();
                device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
                return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
            },
            D3D_OK},
        {"DrawIndexedPrimitiveUP",
            [&] {
                useScreenPipeline();
                return device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 6, 2, indices, D3DFMT_INDEX16,
                    vertices.data(), sizeof(ScreenVertex));
            },
            D3D_OK},
        {"StretchRect",
            [&] {
                IDirect3DSurface9* back = nullptr;
                device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
                const HRESULT hr = device->StretchRect(back, nullptr, target, nullptr, D3DTEXF_LINEAR);
                back->Release();
                return hr;
            },
            D3D_OK},
        {"ColorFill", [&] { return device->ColorFill(target, nullptr, 0xFF0000FF); }, D3D_OK},
        {"Present", [&] { return device->Present(nullptr, nullptr, nullptr, nullptr); }, D3DERR_DEVICELOST},
    };
    D3DPRESENT_PARAMETERS other = pp;
    other.AutoDepthStencilFormat = D3DFMT_D16;
    for (const auto& c : calls) {
        SCOPED_TRACE(c.name);
        d3dsimFailAutoDepthStencil(true);
        ASSERT_EQ(device->Reset(&other), D3DERR_NOTAVAILABLE);
        d3dsimFailAutoDepthStencil(false);
        EXPECT_EQ(c.call(), c.answer);
        EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    }
    ASSERT_EQ(device->Reset(&other), D3D_OK);
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(2, 2, 6, 6, 0xFF00FF00);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{2, 2, 6, 6}, 0xFF00FF00, 0xFF000000);
}

TEST_F(DeviceTest, ResetRestoresDefaultStatesAndKeepsManagedContents) {
    IDirect3DVertexBuffer9* managed = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    keep(managed);
    void* data;
    managed->Lock(0, 0, &data, 0);
    std::memcpy(data, "managed buffer!", 16);
    managed->Unlock();
    useScreenPipeline();
    device->SetStreamSource(0, managed, 0, 16);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    const float constant[4] = {1, 2, 3, 4};
    device->SetPixelShaderConstantF(5, constant, 1);
    D3DVIEWPORT9 vp{1, 1, 8, 8, 0, 1};
    device->SetViewport(&vp);

    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 16;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);

    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CCW));
    device->GetRenderState(D3DRS_ZFUNC, &value);
    EXPECT_EQ(value, DWORD(D3DCMP_LESSEQUAL));
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_TRUE));
    device->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
    EXPECT_EQ(value, 0xFu);
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_POINT));
    device->GetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
    float read[4] = {9, 9, 9, 9};
    device->GetPixelShaderConstantF(5, read, 1);
    EXPECT_EQ(read[0], 0.0f);
    IDirect3DVertexShader9* vs = nullptr;
    device->GetVertexShader(&vs);
    EXPECT_EQ(vs, nullptr);
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset, stride;
    device->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr);
    device->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Width, 32u);
    EXPECT_EQ(vp.Height, 16u);

    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    back->Release();
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 16u);

    managed->Lock(0, 0, &data, D3DLOCK_READONLY);
    EXPECT_EQ(std::memcmp(data, "managed buffer!", 16), 0);
    managed->Unlock();

    // The resized back buffer draws.
    useScreenPipeline(32, 16);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(28, 12, 32, 16, 0xFF00FF00);
    IDirect3DSurface9* resized = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &resized);
    auto pixels = readPixels(resized);
    resized->Release();
    expectRect(pixels, 32, 16, RECT{28, 12, 32, 16}, 0xFF00FF00, 0xFF000000);
}

TEST_F(DeviceTest, GettersAddAReferenceAndTheDeviceHoldsWhatIsBound) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    device->SetStreamSource(3, vb, 0, 16);
    EXPECT_EQ(vb->AddRef(), 3u);  // ours, the device's and this one
    vb->Release();
    IDirect3DVertexBuffer9* got = nullptr;
    UINT offset, stride;
    device->GetStreamSource(3, &got, &offset, &stride);
    EXPECT_EQ(got, vb);
    EXPECT_EQ(vb->Release(), 2u);  // the getter's reference
    EXPECT_EQ(vb->Release(), 1u);  // ours: the device still holds it
    device->SetStreamSource(3, nullptr, 0, 0);

    IDirect3DSurface9* back1 = nullptr;
    IDirect3DSurface9* back2 = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back1);
    device->GetRenderTarget(0, &back2);
    EXPECT_EQ(back1, back2);
    back1->Release();
    back2->Release();

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    IDirect3DSurface9* level = nullptr;
    texture->GetSurfaceLevel(1, &level);
    EXPECT_EQ(texture->Release(), 1u);  // the level's reference keeps the texture
    D3DSURFACE_DESC desc;
    level->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
}

TEST_F(DeviceTest, SlotsBeyondTheirRangeAreRefused) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    keep(vb);
    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    keep(back);
    UINT offset, stride;
    IDirect3DVertexBuffer9* got = nullptr;
    EXPECT_EQ(device->SetStreamSource(16, vb, 0, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetStreamSource(0xFFFFFFFF, vb, 0, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetStreamSource(16, &got, &offset, &stride), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetStreamSourceFreq(16, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(4, back), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(0xFFFFFFFF, back), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderTarget(4, &back), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTexture(D3DVERTEXTEXTURESAMPLER3 + 1, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetSamplerState(D3DVERTEXTEXTURESAMPLER3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_EQ(device->SetSamplerState(300, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRENDERSTATETYPE(5000), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_DISABLE), D3DERR_INVALIDCALL);
    const float c[8] = {};
    EXPECT_EQ(device->SetVertexShaderConstantF(255, c, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShaderConstantF(0xFFFFFFFF, c, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetPixelShaderConstantF(223, c, 1), D3D_OK);
    EXPECT_EQ(device->SetPixelShaderConstantF(224, c, 1), D3DERR_INVALIDCALL);
    const int i[4] = {};
    EXPECT_EQ(device->SetVertexShaderConstantI(16, i, 1), D3DERR_INVALIDCALL);
    const BOOL b[1] = {};
    EXPECT_EQ(device->SetPixelShaderConstantB(16, b, 1), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, VertexDeclarationsRoundTripAndRejectBadLists) {
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(kScreenVertexDecl, &decl), D3D_OK);
    keep(decl);
    UINT count = 0;
    ASSERT_EQ(decl->GetDeclaration(nullptr, &count), D3D_OK);
    EXPECT_EQ(count, 3u);
    D3DVERTEXELEMENT9 out[3];
    decl->GetDeclaration(out, &count);
    EXPECT_EQ(std::memcmp(out, kScreenVertexDecl, sizeof out), 0);

    D3DVERTEXELEMENT9 tooLong[70];
    for (auto& e : tooLong) e = kScreenVertexDecl[0];
    tooLong[69] = D3DDECL_END();
    IDirect3DVertexDeclaration9* bad = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(tooLong, &bad), D3DERR_INVALIDCALL);
    D3DVERTEXELEMENT9 badStream[] = {{16, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(device->CreateVertexDeclaration(badStream, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(bad, nullptr);
}

TEST_F(DeviceTest, BuffersLockWithinTheirSizeAndDescribeThemselves) {
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(32, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    keep(ib);
    D3DINDEXBUFFER_DESC desc;
    ib->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
    EXPECT_EQ(desc.Size, 32u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(desc.Type, D3DRTYPE_INDEXBUFFER);
    void* data = nullptr;
    EXPECT_EQ(ib->Lock(16, 17, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(ib->Lock(40, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(ib->Lock(16, 16, &data, 0), D3D_OK);
    EXPECT_EQ(ib->Unlock(), D3D_OK);
    EXPECT_EQ(ib->Unlock(), D3DERR_INVALIDCALL);
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateIndexBuffer(8, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateVertexBuffer(24, D3DUSAGE_DYNAMIC, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    keep(vb);
    D3DVERTEXBUFFER_DESC vdesc;
    vb->GetDesc(&vdesc);
    EXPECT_EQ(vdesc.Format, D3DFMT_VERTEXDATA);
    EXPECT_EQ(vdesc.FVF, DWORD(D3DFVF_XYZ));
    EXPECT_EQ(vdesc.Usage, DWORD(D3DUSAGE_DYNAMIC));
}

TEST_F(DeviceTest, ShaderObjectsReportCompileErrors) {
    IDirect3DVertexShader9* vs = nullptr;
    std::string errors;
    EXPECT_NE(d3dglCreateVertexShader(device, "#version 450 core\nvoid main() { nonsense; }\n", &vs, &errors), D3D_OK);
    EXPECT_EQ(vs, nullptr);
    EXPECT_FALSE(errors.empty());
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(d3dglCreatePixelShader(device, kColorPS, &ps, nullptr), D3D_OK);
    UINT size = 0;
    ps->GetFunction(nullptr, &size);
    EXPECT_EQ(size, std::strlen(kColorPS) + 1);
    ps->Release();
    d3dsimTakeGLErrors();  // the failed compile is the test's, not ours
}

TEST_F(DeviceTest, AdditionalSwapChainsHaveTheirOwnBackBuffer) {
    D3DPRESENT_PARAMETERS p = presentParameters(20, 10);
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_EQ(device->CreateAdditionalSwapChain(&p, &chain), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 20u);
    EXPECT_EQ(desc.Height, 10u);
    useScreenPipeline(20, 10);
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    device->SetDepthStencilSurface(nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    drawQuad(0, 0, 10, 10, 0xFFFF0000);
    auto pixels = readPixels(back);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[19], 0xFF0000FFu);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, nullptr, 0), D3D_OK);
    back->Release();
    chain->Release();
    IDirect3DSwapChain9* implicit = nullptr;
    ASSERT_EQ(device->GetSwapChain(0, &implicit), D3D_OK);
    implicit->GetPresentParameters(&p);
    EXPECT_EQ(p.BackBufferWidth, kWidth);
    implicit->Release();
}

TEST_F(DeviceTest, SetRenderTargetResetsViewportAndScissor) {
    RECT scissor{1, 2, 3, 4};
    device->SetScissorRect(&scissor);
    D3DVIEWPORT9 vp{2, 2, 4, 4, 0.2f, 0.8f};
    device->SetViewport(&vp);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(24, 12, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr), D3D_OK);
    keep(target);
    device->SetRenderTarget(0, target);
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 24u);
    EXPECT_EQ(vp.Height, 12u);
    EXPECT_EQ(vp.MinZ, 0.0f);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    device->GetScissorRect(&scissor);
    EXPECT_EQ(scissor.right, 24);
    EXPECT_EQ(scissor.bottom, 12);
    D3DVIEWPORT9 outside{20, 0, 8, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
    // X + Width wraps to 4 in 32 bits.
    D3DVIEWPORT9 wrapping{0xFFFFFFFCu, 0, 8, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&wrapping), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 wrappingDown{0, 0xFFFFFFF0u, 8, 0x20, 0, 1};
    EXPECT_EQ(device->SetViewport(&wrappingDown), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ResourcesOutliveTheirDevice) {
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    IDirect3DDevice9* parent = nullptr;
    ASSERT_EQ(vb->GetDevice(&parent), D3D_OK);
    EXPECT_EQ(parent, device);
    parent->Release();
    device->SetStreamSource(0, vb, 0, 16);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    EXPECT_EQ(vb->GetDevice(&parent), D3DERR_INVALIDCALL);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memset(data, 1, 16);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    texture->UnlockRect(0);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(texture->Release(), 0u);
}

// The check behind every test's teardown: a GL error on the device's context is counted.
TEST_F(DeviceTest, GLErrorsAreCounted) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);  // makes the device's context current
    EXPECT_EQ(d3dsimTakeGLErrors(), 0u);
    glEnable(GLenum(0x7FFF));
    EXPECT_EQ(d3dsimTakeGLErrors(), 1u);
    EXPECT_EQ(d3dsimTakeGLErrors(), 0u);
}

namespace {

// Someone else's objects behind the device's interfaces: every method fails.
template <class Interface>
struct ForeignBase : Interface {
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
};

template <class Interface>
struct ForeignResource : ForeignBase<Interface> {
    HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
};

template <class Interface>
struct ForeignShader : ForeignBase<Interface> {
    HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetFunction(void*, UINT*) override { return D3DERR_INVALIDCALL; }
};

struct ForeignDeclaration : ForeignBase<IDirect3DVertexDeclaration9> {
    HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9*, UINT*) override { return D3DERR_INVALIDCALL; }
};

template <class Interface, class Desc>
struct ForeignBuffer : ForeignResource<Interface> {
    HRESULT Lock(UINT, UINT, void**, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT Unlock() override { return D3DERR_INVALIDCALL; }
    HRESULT GetDesc(Desc*) override { return D3DERR_INVALIDCALL; }
};

struct ForeignSurface : ForeignResource<IDirect3DSurface9> {
    HRESULT GetContainer(REFIID, void**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDesc(D3DSURFACE_DESC*) override { return D3DERR_INVALIDCALL; }
    HRESULT LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockRect() override { return D3DERR_INVALIDCALL; }
};

struct ForeignTexture : ForeignResource<IDirect3DTexture9> {
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return D3DERR_INVALIDCALL; }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return D3DTEXF_NONE; }
    void GenerateMipSubLevels() override {}
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
    HRESULT LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockRect(UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT AddDirtyRect(const RECT*) override { return D3DERR_INVALIDCALL; }
};

}  // namespace

// Objects the device did not make are refused, and what was bound stays bound.
TEST_F(DeviceTest, ForeignObjectsAreRefused) {
    ForeignShader<IDirect3DVertexShader9> vertexShader;
    ForeignShader<IDirect3DPixelShader9> pixelShader;
    ForeignDeclaration declaration;
    ForeignBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC> vertexBuffer;
    ForeignBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC> indexBuffer;
    ForeignSurface surface;
    ForeignTexture texture;
    useScreenPipeline();
    IDirect3DTexture9* ours = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ours, nullptr), D3D_OK);
    keep(ours);
    ASSERT_EQ(device->SetTexture(0, ours), D3D_OK);
    EXPECT_EQ(device->SetVertexShader(&vertexShader), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetPixelShader(&pixelShader), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexDeclaration(&declaration), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetStreamSource(0, &vertexBuffer, 0, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetIndices(&indexBuffer), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(0, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(1, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetDepthStencilSurface(&surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTexture(0, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->StretchRect(&surface, nullptr, &surface, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, ours);
    if (bound) bound->Release();
    // The pipeline is whole: the device still draws.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 4, 4, 0xFF00FF00);
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{0, 0, 4, 4}, 0xFF00FF00, 0xFF000000);
}
