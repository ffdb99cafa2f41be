// Textures from image files are converted a row at a time: a small file declaring a large image
// costs memory near the texture's own size, and the result is what whole-image conversion gives.
#include <ResourceBudget.h>

#include "ImageFile.h"
#include "Resample.h"
#include "tex_support.h"

using namespace texfixture;
using namespace d3dxtex;

namespace {

class TexRows : public DeviceTest {};

std::vector<uint32_t> encoded(const FloatImage& image) {
    std::vector<uint32_t> out(size_t(image.width) * image.height);
    encodeImage(D3DFMT_A8R8G8B8, image, reinterpret_cast<uint8_t*>(out.data()), size_t(image.width) * 4);
    return out;
}

}  // namespace

TEST_F(TexRows, OddSizesColourKeysAndChainsMatchWholeImageConversion) {
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{1, 6}, std::pair{6, 1}, std::pair{2, 2}}) {
        const Bytes rgba = pattern(width, height);
        const Bytes file = writeImage(Kind::Png, width, height, 4, rgba.data());
        const D3DCOLOR key = argb(&rgba[4]);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT_NONPOW2,
                      D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                      D3DX_FILTER_BOX, key, nullptr, nullptr, &texture),
            D3D_OK);
        Rgba8Image decoded;
        ASSERT_TRUE(decodeImageFile(file.data(), file.size(), decoded));
        FloatImage expected = decoded.toFloat();
        const std::vector<uint32_t> packed = encoded(expected);
        for (size_t i = 0; i < packed.size(); ++i)
            if (packed[i] == key) expected.pixels[i] = Float4{};
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            EXPECT_EQ(levelPixels(texture, level), encoded(expected)) << width << "x" << height << " level " << level;
            expected = halve(expected);
        }
        texture->Release();
    }
}

TEST_F(TexRows, ALargeImageFromASmallFileCostsAboutTheTexture) {
    constexpr int kSide = 2048;
    const Bytes rgba(size_t(kSide) * kSide * 4, 0x80);
    const Bytes file = writeImage(Kind::Png, kSide, kSide, 4, rgba.data());
    ASSERT_LT(file.size(), 1u << 20);
    tormakelin::test::ResourceBudget budget;
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture), D3D_OK);
    const long textureMb = long(kSide) * kSide * 4 / (1 << 20);
    const long peak = budget.peakGrowthMb();
    EXPECT_EQ(levelPixels(texture, 0).back(), 0x80808080u);
    texture->Release();
    // The device holds the texture and a copy of the locked level; the decoded file and the level
    // below as floats come on top. Converting the whole image through floats took about 14 times.
    EXPECT_LT(peak, 6 * textureMb + tormakelin::test::kSanitizerSlackMegabytes) << "peak " << peak << " MiB for a " << textureMb << " MiB texture";
    EXPECT_LT(budget.seconds(), tormakelin::test::kHostileSeconds);
}
