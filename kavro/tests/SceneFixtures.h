#pragma once
// Pixels read back from the test device's back buffer.

#include "SceneTestUtil.h"

#include <array>

namespace kavro_test {

using core::SmartRef;

inline std::vector<uint32_t> readBackBuffer(render::IRenderDevice* device, unsigned& width, unsigned& height)
{
    IDirect3DSurface9* back = nullptr;
    if (device->getD3DDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) {
        return {};
    }
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    width = desc.Width;
    height = desc.Height;
    std::vector<uint32_t> pixels = test::surfacePixels(back);
    back->Release();
    return pixels;
}

using Rgb = std::array<int, 3>;

inline Rgb rgbOf(uint32_t pixel) { return {int((pixel >> 16) & 0xff), int((pixel >> 8) & 0xff), int(pixel & 0xff)}; }

inline Rgb readPixel(render::IRenderDevice* device, unsigned x, unsigned y)
{
    unsigned width = 0;
    unsigned height = 0;
    const std::vector<uint32_t> pixels = readBackBuffer(device, width, height);
    return x < width && y < height ? rgbOf(pixels[size_t(y) * width + x]) : Rgb{-1, -1, -1};
}

inline void expectRgbNear(const Rgb& actual, const Rgb& expected, int tolerance = 3)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "channel " << k;
    }
}

}  // namespace kavro_test
