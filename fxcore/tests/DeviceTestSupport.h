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

using tormakelin::test::backBufferPixels;
using tormakelin::test::surfacePixels;

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

    std::vector<uint32_t> backBufferPixels() { return tormakelin::test::backBufferPixels(d3d()); }

    HiddenWindow m_window;
    core::SmartRef<render::IRenderDevice> m_device;
};

} // namespace tormakelin::fxcore::test
