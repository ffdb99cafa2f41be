// Textures made on the device from files in memory, and surfaces loaded from memory.
#include "tex_support.h"

using namespace texfixture;

namespace {

class TexDevice : public DeviceTest {
protected:
    template <class T>
    T* keep(T* object) {
        owned_.push_back(object);
        return object;
    }
    void TearDown() override {
        for (IUnknown* o : owned_) o->Release();
        DeviceTest::TearDown();
    }

private:
    std::vector<IUnknown*> owned_;
};

uint32_t channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

}  // namespace

TEST_F(TexDevice, PngLoadsWithItsFormatAndABoxFilteredChain) {
    const Bytes rgba = pattern(4, 4);
    const Bytes file = writeImage(Kind::Png, 4, 4, 4, rgba.data());
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture), D3D_OK);
    keep(texture);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    const auto top = levelPixels(texture, 0);
    ASSERT_EQ(top.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(top[size_t(i)], argb(&rgba[size_t(i) * 4])) << i;
    const auto mid = levelPixels(texture, 1);
    ASSERT_EQ(mid.size(), 4u);
    for (int shift : {0, 8, 16, 24}) {
        const uint32_t sum = channel(top[0], shift) + channel(top[1], shift) + channel(top[4], shift) + channel(top[5], shift);
        EXPECT_NEAR(double(channel(mid[0], shift)), sum / 4.0, 0.51) << shift;
    }
    const auto last = levelPixels(texture, 2);
    ASSERT_EQ(last.size(), 1u);
    uint32_t sum = 0;
    for (uint32_t c : top) sum += channel(c, 16);
    EXPECT_NEAR(double(channel(last[0], 16)), sum / 16.0, 1.01);
}

TEST_F(TexDevice, DefaultSizesRoundUpToPowersOfTwoUnlessAskedOtherwise) {
    const Bytes rgba = pattern(5, 3, false);
    const Bytes file = writeImage(Kind::Tga, 5, 3, 4, rgba.data());
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture), D3D_OK);
    keep(texture);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(texture->GetLevelCount(), 4u);

    IDirect3DTexture9* exact = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT_NONPOW2,
                  D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                  &info, nullptr, &exact),
        D3D_OK);
    keep(exact);
    EXPECT_EQ(info.Width, 5u);
    exact->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 5u);
    EXPECT_EQ(desc.Height, 3u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(exact->GetLevelCount(), 1u);
    const auto pixels = levelPixels(exact, 0);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(pixels[size_t(i)], argb(&rgba[size_t(i) * 4])) << i;
}

TEST_F(TexDevice, CreateTextureAppliesTheDefaults) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, D3DX_DEFAULT, D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture), D3D_OK);
    keep(texture);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Height, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 9u);
    IDirect3DTexture9* rgb = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, 16, 0, 20, 0, D3DFMT_R3G3B2, D3DPOOL_MANAGED, &rgb), D3D_OK);
    keep(rgb);
    rgb->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);  // the device has no 8-bit RGB textures
    EXPECT_EQ(desc.Height, 16u);
    EXPECT_EQ(rgb->GetLevelCount(), 5u);
}

TEST_F(TexDevice, DdsStoredLevelsAreKeptAndMissingOnesGenerated) {
    DdsLayout layout;
    layout.width = layout.height = 4, layout.levels = 2;
    Bytes payload;
    for (int i = 0; i < 16; ++i) payload.insert(payload.end(), {uint8_t(i * 10), 0, 0, 0xFF});
    for (int i = 0; i < 4; ++i) payload.insert(payload.end(), {0, 0, uint8_t(200 + i), 0xFF});  // not the average
    const Bytes file = writeDds(layout, payload);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                  D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                  &texture),
        D3D_OK);
    keep(texture);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(levelPixels(texture, 0)[5], 0xFF000032u);
    EXPECT_EQ(levelPixels(texture, 1)[3], 0xFFCB0000u);
    EXPECT_EQ(levelPixels(texture, 2)[0], 0xFFCA0000u);  // (200 + 201 + 202 + 203) / 4, rounded
}

TEST_F(TexDevice, Dxt1FileLoadsEvenWhereTheDeviceLacksTheFormat) {
    DdsLayout layout;
    layout.pfFlags = 0x4, layout.fourCC = MAKEFOURCC('D', 'X', 'T', '1');
    const Bytes block = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x55};  // red rows, then a blue row
    const Bytes file = writeDds(layout, block);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                  1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr,
                  &texture),
        D3D_OK);
    keep(texture);
    const auto pixels = levelPixels(texture, 0);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[15], 0xFF0000FFu);
}

TEST_F(TexDevice, CubeDdsFillsEveryFace) {
    DdsLayout layout;
    layout.width = layout.height = 2, layout.caps2 = 0x200 | 0xFC00;
    Bytes payload;
    for (uint8_t face = 0; face < 6; ++face)
        for (int i = 0; i < 4; ++i) payload.insert(payload.end(), {uint8_t(face * 40), 0, 0, 0xFF});
    const Bytes file = writeDds(layout, payload);
    IDirect3DCubeTexture9* cube = nullptr;
    const HRESULT hr = D3DXCreateCubeTextureFromFileInMemory(device, file.data(), UINT(file.size()), &cube);
    ASSERT_EQ(hr, D3D_OK);
    keep(cube);
    for (UINT face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(face), 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), 0xFF000000u | face * 40) << face;
        cube->UnlockRect(D3DCUBEMAP_FACES(face), 0);
    }
}

TEST_F(TexDevice, CubeLoaderRefusesFlatImages) {
    const Bytes file = writeImage(Kind::Png, 2, 2, 4, pattern(2, 2).data());
    IDirect3DCubeTexture9* cube = nullptr;
    EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemory(device, file.data(), UINT(file.size()), &cube), D3DXERR_INVALIDDATA);
    EXPECT_EQ(cube, nullptr);
}

TEST_F(TexDevice, BrokenFilesMakeNoTexture) {
    const Bytes noise(300, 0x5A);
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, noise.data(), UINT(noise.size()), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, noise.data(), UINT(noise.size()), &texture), D3DERR_INVALIDCALL);
}

TEST_F(TexDevice, LoadSurfaceConvertsFormatsAndRectangles) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    keep(texture);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    keep(surface);
    // R8G8B8 source (blue, green, red bytes) fills everything.
    Bytes rgb;
    for (int i = 0; i < 16; ++i) rgb.insert(rgb.end(), {uint8_t(i), 0x80, 0xFF});
    const RECT whole{0, 0, 4, 4};
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, rgb.data(), D3DFMT_R8G8B8, 12, nullptr, &whole,
                  D3DX_FILTER_NONE, 0),
        D3D_OK);
    auto pixels = levelPixels(texture, 0);
    EXPECT_EQ(pixels[0], 0xFFFF8000u);
    EXPECT_EQ(pixels[15], 0xFFFF800Fu);
    // An A8 source into the right half only: the left half keeps its pixels.
    const Bytes alpha = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    const RECT right{2, 0, 4, 4}, src{0, 0, 2, 4};
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, &right, alpha.data(), D3DFMT_A8, 2, nullptr, &src,
                  D3DX_FILTER_NONE, 0),
        D3D_OK);
    pixels = levelPixels(texture, 0);
    EXPECT_EQ(pixels[0], 0xFFFF8000u);
    EXPECT_EQ(pixels[2], 0x10000000u);
    EXPECT_EQ(pixels[15], 0x80000000u);
    // A 2 x 2 source scaled with point filtering; a colour key clears one texel.
    const uint32_t quad[4] = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC};
    const RECT two{0, 0, 2, 2};
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, quad, D3DFMT_A8R8G8B8, 8, nullptr, &two,
                  D3DX_FILTER_POINT, 0xFF445566),
        D3D_OK);
    pixels = levelPixels(texture, 0);
    EXPECT_EQ(pixels[0], 0xFF112233u);
    EXPECT_EQ(pixels[1], 0xFF112233u);
    EXPECT_EQ(pixels[2], 0u);
    EXPECT_EQ(pixels[12], 0xFF778899u);
    EXPECT_EQ(pixels[15], 0xFFAABBCCu);
    // Bad rectangles and formats.
    const RECT outside{0, 0, 5, 4};
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, &outside, quad, D3DFMT_A8R8G8B8, 8, nullptr, &two,
                  D3DX_FILTER_NONE, 0),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, quad, D3DFMT_A8R8G8B8, 4, nullptr, &two,
                  D3DX_FILTER_NONE, 0),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, quad, D3DFMT_UYVY, 8, nullptr, &two,
                  D3DX_FILTER_NONE, 0),
        E_FAIL);
}

TEST_F(TexDevice, LoadSurfaceWritesL8AndFloatTargets) {
    const uint32_t grey[4] = {0xFF808080, 0xFFFFFFFF, 0xFF000000, 0xFF404040};
    const RECT two{0, 0, 2, 2};
    for (D3DFORMAT format : {D3DFMT_L8, D3DFMT_R32F}) {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTexture(device, 2, 2, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
        keep(texture);
        IDirect3DSurface9* surface = nullptr;
        ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
        keep(surface);
        ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, grey, D3DFMT_A8R8G8B8, 8, nullptr, &two,
                      D3DX_FILTER_NONE, 0),
            D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        if (format == D3DFMT_L8) {
            const auto* row = static_cast<const uint8_t*>(locked.pBits);
            EXPECT_EQ(row[0], 0x80);
            EXPECT_EQ(row[1], 0xFF);
        } else {
            const auto* row = reinterpret_cast<const float*>(static_cast<const uint8_t*>(locked.pBits) + locked.Pitch);
            EXPECT_FLOAT_EQ(row[0], 0.0f);
            EXPECT_NEAR(row[1], 64 / 255.0f, 1e-6);
        }
        texture->UnlockRect(0);
    }
}

TEST_F(TexDevice, VolumeDdsKeepsItsSlicesAndAveragesThemDown) {
    DdsLayout layout;
    layout.width = layout.height = 2, layout.depth = 2, layout.levels = 1, layout.caps2 = 0x200000;
    Bytes payload;
    for (int slice = 0; slice < 2; ++slice)
        for (int i = 0; i < 4; ++i) payload.insert(payload.end(), {0, 0, uint8_t(slice ? 200 : 100), 0xFF});
    const Bytes file = writeDds(layout, payload);
    IDirect3DVolumeTexture9* volume = nullptr;
    const HRESULT hr = D3DXCreateVolumeTextureFromFileInMemory(device, file.data(), UINT(file.size()), &volume);
    ASSERT_EQ(hr, D3D_OK);
    keep(volume);
    ASSERT_EQ(volume->GetLevelCount(), 2u);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(box.pBits), 0xFF640000u);
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(box.pBits) + box.SlicePitch), 0xFFC80000u);
    volume->UnlockBox(0);
    ASSERT_EQ(volume->LockBox(1, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(box.pBits), 0xFF960000u);
    volume->UnlockBox(1);
}

TEST_F(TexDevice, DxtFileKeepsItsBlocks) {
    DdsLayout layout;
    layout.pfFlags = 0x4, layout.fourCC = MAKEFOURCC('D', 'X', 'T', '5');
    Bytes block = {255, 0, 0x02, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    const Bytes file = writeDds(layout, block);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_FROM_FILE,
                  D3DX_FROM_FILE, D3DX_FROM_FILE, 0, D3DFMT_FROM_FILE, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                  D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture),
        D3D_OK);
    keep(texture);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    ASSERT_EQ(desc.Format, D3DFMT_DXT5);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(locked.pBits), static_cast<uint8_t*>(locked.pBits) + 16), block);
    texture->UnlockRect(0);
}

// A picture file of the level's own size turned into blocks: four rows make one row of blocks, so
// eight rows fill two rows of blocks and nothing past them.
TEST_F(TexDevice, PictureIntoBlocksFillsEachRowOfBlocksOnce) {
    constexpr int width = 8, height = 8;
    Bytes rgba;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool top = y < 4;
            rgba.insert(rgba.end(), {uint8_t(top ? 255 : 0), 0, uint8_t(top ? 0 : 255), 255});
        }
    const Bytes file = writeImage(Kind::Png, width, height, 4, rgba.data());
    IDirect3DTexture9* blocks = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_FROM_FILE,
                  D3DX_FROM_FILE, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                  nullptr, nullptr, &blocks),
        D3D_OK);
    keep(blocks);
    IDirect3DTexture9* plain = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &plain), D3D_OK);
    keep(plain);
    IDirect3DSurface9* to = nullptr;
    ASSERT_EQ(plain->GetSurfaceLevel(0, &to), D3D_OK);
    keep(to);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(blocks->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const RECT whole{0, 0, width, height};
    const HRESULT decoded = D3DXLoadSurfaceFromMemory(to, nullptr, nullptr, locked.pBits, D3DFMT_DXT1,
        UINT(locked.Pitch), nullptr, &whole, D3DX_FILTER_NONE, 0);
    blocks->UnlockRect(0);
    ASSERT_EQ(decoded, D3D_OK);
    const std::vector<uint32_t> pixels = levelPixels(plain, 0);
    ASSERT_EQ(pixels.size(), size_t(width * height));
    for (int y = 0; y < height; ++y)
        EXPECT_EQ(pixels[size_t(y) * width + 5], y < 4 ? 0xFFFF0000u : 0xFF0000FFu) << "row " << y;
}
