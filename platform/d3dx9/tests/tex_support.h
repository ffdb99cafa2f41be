#pragma once
// Image files written in memory for the texture tests, and a small headless device.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx9.h"

#include <HeadlessD3DDevice.h>

namespace texfixture {

using Bytes = std::vector<uint8_t>;

// RGBA bytes of a width x height image whose texel (x, y) is a distinct colour.
inline Bytes pattern(int width, int height, bool alpha = true) {
    Bytes rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            p[0] = uint8_t(x * 40 + 10), p[1] = uint8_t(y * 30 + 20), p[2] = uint8_t((x + y) * 17 + 5);
            p[3] = alpha ? uint8_t(255 - x * 8 - y) : 255;
        }
    return rgba;
}

// A8R8G8B8 value of an RGBA texel.
inline uint32_t argb(const uint8_t* rgba) {
    return uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
}

enum class Kind { Png, Bmp, Tga, Jpg };
Bytes writeImage(Kind kind, int width, int height, int channels, const uint8_t* pixels);

struct DdsLayout {
    uint32_t width = 4, height = 4, depth = 0, levels = 1;
    uint32_t pfFlags = 0x41, fourCC = 0, bits = 32;  // RGB | ALPHAPIXELS
    uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    uint32_t caps2 = 0;
};

// A DDS header for the layout followed by `payload`.
Bytes writeDds(const DdsLayout& layout, const Bytes& payload);

// A headless device with a 64 x 64 back buffer.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Pixels of a level of an A8R8G8B8 (or X8R8G8B8) texture, row-major.
    static std::vector<uint32_t> levelPixels(IDirect3DTexture9* texture, UINT level);
    std::vector<uint32_t> backBufferPixels() { return tormakelin::test::backBufferPixels(device); }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

}  // namespace texfixture
