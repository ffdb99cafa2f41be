#include "tex_support.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace texfixture {

namespace {

void append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

Bytes writeImage(Kind kind, int width, int height, int channels, const uint8_t* pixels) {
    Bytes out;
    switch (kind) {
    case Kind::Png: stbi_write_png_to_func(append, &out, width, height, channels, pixels, width * channels); break;
    case Kind::Bmp: stbi_write_bmp_to_func(append, &out, width, height, channels, pixels); break;
    case Kind::Tga: stbi_write_tga_to_func(append, &out, width, height, channels, pixels); break;
    case Kind::Jpg: stbi_write_jpg_to_func(append, &out, width, height, channels, pixels, 100); break;
    }
    return out;
}

Bytes writeDds(const DdsLayout& s, const Bytes& payload) {
    Bytes b = {'D', 'D', 'S', ' '};
    uint32_t flags = 0x1007 | (s.levels > 1 ? 0x20000 : 0) | (s.depth ? 0x800000 : 0);
    put32(b, 124), put32(b, flags), put32(b, s.height), put32(b, s.width), put32(b, 0), put32(b, s.depth);
    put32(b, s.levels);
    for (int i = 0; i < 11; ++i) put32(b, 0);
    put32(b, 32), put32(b, s.pfFlags), put32(b, s.fourCC), put32(b, s.bits);
    for (uint32_t m : s.masks) put32(b, m);
    put32(b, 0x1000 | (s.levels > 1 ? 0x400008 : 0)), put32(b, s.caps2), put32(b, 0), put32(b, 0), put32(b, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

void DeviceTest::SetUp() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
}

void DeviceTest::TearDown() {
    if (device) {
        EXPECT_EQ(device->Release(), 0u) << "an object of the test still holds the device";
    }
    if (d3d) d3d->Release();
}

std::vector<uint32_t> DeviceTest::levelPixels(IDirect3DTexture9* texture, UINT level) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT locked{};
    std::vector<uint32_t> pixels;
    if (texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return pixels;
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[size_t(y) * desc.Width], static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
            size_t{desc.Width} * 4);
    texture->UnlockRect(level);
    return pixels;
}

}  // namespace texfixture
