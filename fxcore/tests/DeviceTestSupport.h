#pragma once
// A headless render device for tests that draw: the device layer makes its own hidden window
// when the render window has no handle, and surfaces read back as A8R8G8B8 words.

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/RenderDevice.h>

#include <HeadlessDevice.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tormakelin::fxcore::test {

using tormakelin::test::HiddenWindow;

// Row by row, width words each; empty when the surface cannot be read.
inline std::vector<uint32_t> surfacePixels(IDirect3DSurface9* surface)
{
    std::vector<uint32_t> pixels;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (!surface || surface->GetDesc(&desc) != D3D_OK || surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
        return pixels;
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[size_t(y) * desc.Width], static_cast<uint8_t const*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
            desc.Width * 4);
    surface->UnlockRect();
    return pixels;
}

class DeviceTest : public ::testing::Test {
protected:
    static constexpr unsigned kWidth = 64;
    static constexpr unsigned kHeight = 48;

    void SetUp() override
    {
        m_device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = kWidth;
        params.height = kHeight;
        ASSERT_TRUE(m_device->create(&m_window, params));
    }
    void TearDown() override { m_device = nullptr; }

    IDirect3DDevice9* d3d() { return m_device->getD3DDevice(); }
    // The surface drawn into now, compared by address.
    IDirect3DSurface9* currentTarget() { return tormakelin::test::currentTarget(d3d()); }

    std::vector<uint32_t> backBufferPixels()
    {
        IDirect3DSurface9* back = nullptr;
        if (d3d()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK)
            return {};
        std::vector<uint32_t> pixels = surfacePixels(back);
        back->Release();
        return pixels;
    }

    HiddenWindow m_window;
    core::SmartRef<render::IRenderDevice> m_device;
};

} // namespace tormakelin::fxcore::test
