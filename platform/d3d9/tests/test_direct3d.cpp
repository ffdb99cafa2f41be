#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "d3d9.h"
#include "d3d9sim.h"

#include <HeadlessD3DDevice.h>

namespace {

struct Injected : ::testing::Test {
    void TearDown() override {
        d3dsimSetAdapters({});
        d3dsimFailDirect3DCreate(false);
        d3dsimFailCreateDevice(false);
    }
};

}  // namespace

TEST(Direct3D, ReportsTheGLAdapter) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_GE(d3d->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER9 id;
    ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
    D3DCAPS9 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(3, 0)));
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_FULLSCREENGAMMA);
    UINT modes = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GT(modes, 0u);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, modes, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterIdentifier(d3d->GetAdapterCount(), 0, &id), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE, D3DMULTISAMPLE_NONE, nullptr),
        D3D_OK);
    EXPECT_EQ(d3d->Release(), 0u);
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
}

TEST_F(Injected, AdaptersModesAndCapsComeFromTheTest) {
    D3DSimAdapter a = d3dsimDefaultAdapter();
    a.identifier.VendorId = 0x10DE;
    a.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {1280, 720, 75, D3DFMT_X8R8G8B8}};
    a.caps.Caps2 = 0;
    a.caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    a.multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES};
    D3DSimAdapter b = a;
    b.identifier.VendorId = 0x1002;
    d3dsimSetAdapters({a, b});
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->GetAdapterCount(), 2u);
    D3DADAPTER_IDENTIFIER9 id;
    d3d->GetAdapterIdentifier(1, 0, &id);
    EXPECT_EQ(id.VendorId, 0x1002u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    D3DDISPLAYMODE mode;
    d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode);
    EXPECT_EQ(mode.Width, 1280u);
    EXPECT_EQ(mode.RefreshRate, 75u);
    D3DCAPS9 caps;
    d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.Caps2, 0u);
    EXPECT_EQ(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(2, 0)));
    const struct {
        D3DMULTISAMPLE_TYPE type;
        HRESULT want;
    } samples[] = {{D3DMULTISAMPLE_NONE, D3D_OK}, {D3DMULTISAMPLE_2_SAMPLES, D3D_OK}, {D3DMULTISAMPLE_4_SAMPLES, D3D_OK},
        {D3DMULTISAMPLE_8_SAMPLES, D3DERR_NOTAVAILABLE}, {D3DMULTISAMPLE_3_SAMPLES, D3DERR_NOTAVAILABLE}};
    for (const auto& s : samples)
        EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_D24S8, TRUE, s.type, nullptr), s.want)
            << s.type;
    d3d->Release();
}

TEST_F(Injected, CreationFailuresCanBeForced) {
    d3dsimFailDirect3DCreate(true);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    d3dsimFailDirect3DCreate(false);
    d3dsimFailCreateDevice(true);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(1);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    d3d->Release();
}

TEST(Direct3D, DeviceWithoutWindowUsesTheRequestedSizeOrItsOwn) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    EXPECT_GT(pp.BackBufferWidth, 0u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    DWORD z = 1;
    device->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(z, DWORD(D3DZB_FALSE));
    IDirect3DSurface9* depth = reinterpret_cast<IDirect3DSurface9*>(1);
    EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
    EXPECT_EQ(depth, nullptr);
    IDirect3D9* parent = nullptr;
    device->GetDirect3D(&parent);
    EXPECT_EQ(parent, d3d);
    parent->Release();
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
}

// The device reports the adapter's texture memory in whole MiB, as far as its 32-bit answer goes.
TEST_F(Injected, DevicesReportTheTextureMemoryOfTheirAdapter) {
    constexpr uint64_t kMiB = uint64_t{1} << 20;
    const struct {
        uint64_t adapter;
        UINT reported;
    } cases[] = {
        // An 8192 x 8192 target of four half floats with its depth buffer, and a byte more.
        {768 * kMiB + 1, 768u << 20},
        {100 * kMiB + kMiB - 1, 100u << 20},
        {4095 * kMiB, 4095u << 20},
        {uint64_t{24} << 30, 4095u << 20},
        {kMiB - 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.adapter);
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        adapter.textureMemory = c.adapter;
        d3dsimSetAdapters({adapter});
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters(16, 16);
        IDirect3DDevice9* device = nullptr;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
            D3D_OK);
        EXPECT_EQ(device->GetAvailableTextureMem(), c.reported);
        device->Release();
        d3d->Release();
    }
}

// Without injection: the free video memory the driver tells, or where it tells none the
// machine's memory, never a made-up figure.
TEST(Direct3D, TextureMemoryIsWhatTheDriverOrTheMachineHas) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters(16, 16);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    const uint64_t adapter = d3dsimDefaultAdapter().textureMemory;
    if (!epoxy_has_gl_extension("GL_NVX_gpu_memory_info") && !epoxy_has_gl_extension("GL_ATI_meminfo")) {
        EXPECT_EQ(adapter, uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
    }
    EXPECT_GT(adapter, 0u);
    EXPECT_EQ(uint64_t(device->GetAvailableTextureMem()), std::min<uint64_t>(adapter >> 20, 4095) << 20);
    device->Release();
    d3d->Release();
}
