// Pixel formats, half floats, DXT blocks, scaling and mip levels, on the CPU.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "BlockCodec.h"
#include "PixelFormat.h"
#include "Resample.h"
#include "d3dx9tex.h"

using namespace d3dxtex;

namespace {

FloatImage one(Float4 c) {
    FloatImage image(1, 1);
    image.at(0, 0) = c;
    return image;
}

Float4 roundTrip(D3DFORMAT format, Float4 c) {
    uint8_t bytes[16] = {};
    encodeImage(format, one(c), bytes, sizeof bytes);
    FloatImage back;
    decodeImage(format, bytes, sizeof bytes, 1, 1, back);
    return back.at(0, 0);
}

void expectNear(const Float4& a, const Float4& b, float tolerance) {
    EXPECT_NEAR(a.r, b.r, tolerance);
    EXPECT_NEAR(a.g, b.g, tolerance);
    EXPECT_NEAR(a.b, b.b, tolerance);
    EXPECT_NEAR(a.a, b.a, tolerance);
}

}  // namespace

TEST(TexPixels, StoredBytesFollowTheFormatsLayout) {
    struct Case {
        D3DFORMAT format;
        Float4 colour;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {D3DFMT_A8R8G8B8, {1, 0.5f, 0, 0.25f}, {0x00, 0x80, 0xFF, 0x40}},
        {D3DFMT_X8R8G8B8, {1, 0.5f, 0, 0.25f}, {0x00, 0x80, 0xFF, 0xFF}},
        {D3DFMT_A8B8G8R8, {1, 0.5f, 0, 0.25f}, {0xFF, 0x80, 0x00, 0x40}},
        {D3DFMT_R8G8B8, {1, 0.5f, 0, 1}, {0x00, 0x80, 0xFF}},
        {D3DFMT_R5G6B5, {1, 0, 1, 1}, {0x1F, 0xF8}},
        {D3DFMT_A1R5G5B5, {0, 1, 0, 1}, {0xE0, 0x83}},
        {D3DFMT_A4R4G4B4, {1, 0, 0, 0}, {0x00, 0x0F}},
        {D3DFMT_A8, {0.2f, 0.3f, 0.4f, 1}, {0xFF}},
        {D3DFMT_L8, {1, 1, 1, 0}, {0xFF}},
        {D3DFMT_A8L8, {0, 0, 0, 1}, {0x00, 0xFF}},
        {D3DFMT_R16F, {1, 0, 0, 0}, {0x00, 0x3C}},
        {D3DFMT_R32F, {2, 0, 0, 0}, {0x00, 0x00, 0x00, 0x40}},
        {D3DFMT_A16B16G16R16F, {0.5f, 1, -2, 0}, {0x00, 0x38, 0x00, 0x3C, 0x00, 0xC0, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        uint8_t bytes[16] = {};
        encodeImage(c.format, one(c.colour), bytes, sizeof bytes);
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + c.bytes.size()), c.bytes);
        EXPECT_EQ(rowBytes(c.format, 1), c.bytes.size());
    }
}

TEST(TexPixels, MissingChannelsReadAsTheDeviceSamplesThem) {
    expectNear(roundTrip(D3DFMT_X8R8G8B8, {0.2f, 0.4f, 0.6f, 0}), {0.2f, 0.4f, 0.6f, 1}, 0.003f);
    expectNear(roundTrip(D3DFMT_A8, {0.2f, 0.4f, 0.6f, 0.8f}), {0, 0, 0, 0.8f}, 0.003f);
    expectNear(roundTrip(D3DFMT_L8, {0.5f, 0.5f, 0.5f, 0.1f}), {0.5f, 0.5f, 0.5f, 1}, 0.003f);
    expectNear(roundTrip(D3DFMT_R32F, {3.5f, 0.2f, 0.2f, 0.2f}), {3.5f, 1, 1, 1}, 0);
    expectNear(roundTrip(D3DFMT_G16R16, {0.25f, 0.75f, 0, 0}), {0.25f, 0.75f, 1, 1}, 0.0001f);
}

TEST(TexPixels, UnormChannelsClampAndFloatChannelsKeepRange) {
    expectNear(roundTrip(D3DFMT_A8R8G8B8, {2, -1, 0.5f, 7}), {1, 0, 0.502f, 1}, 0.002f);
    expectNear(roundTrip(D3DFMT_A32B32G32R32F, {2, -1, 1e6f, 7}), {2, -1, 1e6f, 7}, 0);
    expectNear(roundTrip(D3DFMT_A2R10G10B10, {0.1f, 0.2f, 0.3f, 0.7f}), {0.1f, 0.2f, 0.3f, 2 / 3.0f}, 0.001f);
}

TEST(TexPixels, HalfFloats) {
    struct Case {
        float value;
        uint16_t half;
    };
    const Case cases[] = {{0, 0}, {1, 0x3C00}, {0.5f, 0x3800}, {-2, 0xC000}, {65504, 0x7BFF},
                          {1e9f, 0x7C00}, {-1e9f, 0xFC00}, {5.960464477539063e-08f, 0x0001}, {6.103515625e-05f, 0x0400}};
    for (const Case& c : cases) {
        EXPECT_EQ(floatToHalf(c.value), c.half) << c.value;
        if (std::abs(c.value) < 1e6f) {
            EXPECT_EQ(halfToFloat(c.half), c.value);
        }
    }
    EXPECT_TRUE(std::isinf(halfToFloat(0x7C00)));
    EXPECT_TRUE(std::isnan(halfToFloat(floatToHalf(NAN))));
}

TEST(TexPixels, Dxt1BlockDecodesBothColourModes) {
    // c0 = red > c1 = blue: four colours; indices 0, 1, 2, 3 along the first row.
    const uint8_t fourColours[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    FloatImage image;
    decodeImage(D3DFMT_DXT1, fourColours, 8, 4, 4, image);
    expectNear(image.at(0, 0), {1, 0, 0, 1}, 0.001f);
    expectNear(image.at(1, 0), {0, 0, 1, 1}, 0.001f);
    expectNear(image.at(2, 0), {2 / 3.0f, 0, 1 / 3.0f, 1}, 0.001f);
    expectNear(image.at(3, 0), {1 / 3.0f, 0, 2 / 3.0f, 1}, 0.001f);
    expectNear(image.at(0, 1), {1, 0, 0, 1}, 0.001f);
    // c0 <= c1: index 3 is transparent black.
    const uint8_t threeColours[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0};
    decodeImage(D3DFMT_DXT1, threeColours, 8, 4, 4, image);
    expectNear(image.at(2, 0), {0.5f, 0, 0.5f, 1}, 0.001f);
    expectNear(image.at(3, 0), {0, 0, 0, 0}, 0);
}

TEST(TexPixels, Dxt3AndDxt5AlphaBlocks) {
    uint8_t dxt3[16] = {0x0F, 0xF0};  // alpha 1, 0, 0, 1 in the first row
    FloatImage image;
    decodeImage(D3DFMT_DXT3, dxt3, 16, 4, 4, image);
    EXPECT_FLOAT_EQ(image.at(0, 0).a, 1);
    EXPECT_FLOAT_EQ(image.at(1, 0).a, 0);
    EXPECT_FLOAT_EQ(image.at(3, 0).a, 1);
    // a0 = 255 > a1 = 0: index 2 is 6/7; a0 <= a1: index 6 is 0 and index 7 is 1.
    uint8_t dxt5[16] = {255, 0, 0x02};
    decodeImage(D3DFMT_DXT5, dxt5, 16, 4, 4, image);
    EXPECT_NEAR(image.at(0, 0).a, 6 / 7.0f, 0.001f);
    EXPECT_FLOAT_EQ(image.at(1, 0).a, 1);
    uint8_t dxt5six[16] = {0, 255, 0x3E};  // indices 6 and 7
    decodeImage(D3DFMT_DXT5, dxt5six, 16, 4, 4, image);
    EXPECT_FLOAT_EQ(image.at(0, 0).a, 0);
    EXPECT_FLOAT_EQ(image.at(1, 0).a, 1);
}

TEST(TexPixels, BlocksEncodeAndDecodeBackCloseToTheImage) {
    FloatImage image(6, 5);  // edge blocks only partly covered
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 6; ++x) image.at(x, y) = {x < 3 ? 1.0f : 0.0f, 0, x < 3 ? 0.0f : 1.0f, y < 2 ? 1.0f : 0.0f};
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        SCOPED_TRACE(int(f));
        std::vector<uint8_t> blocks(size_t(imageBytes(f, 6, 5)));
        encodeImage(f, image, blocks.data(), rowBytes(f, 6));
        FloatImage back;
        decodeImage(f, blocks.data(), rowBytes(f, 6), 6, 5, back);
        for (UINT y = 0; y < 5; ++y)
            for (UINT x = 0; x < 6; ++x) {
                EXPECT_NEAR(back.at(x, y).r, image.at(x, y).r, 0.05f);
                EXPECT_NEAR(back.at(x, y).b, image.at(x, y).b, 0.05f);
                if (f != D3DFMT_DXT1) {
                    EXPECT_NEAR(back.at(x, y).a, image.at(x, y).a, 0.05f);
                }
            }
    }
    EXPECT_EQ(imageBytes(D3DFMT_DXT1, 6, 5), 2u * 2u * 8u);
    EXPECT_EQ(imageBytes(D3DFMT_DXT5, 1, 1), 16u);
}

TEST(TexMips, BoxFilterAveragesTwoByTwo) {
    FloatImage image(4, 2);
    for (UINT x = 0; x < 4; ++x) image.at(x, 0) = {float(x), 0, 0, 1}, image.at(x, 1) = {float(x) + 4, 1, 0, 0};
    const FloatImage half = halve(image);
    ASSERT_EQ(half.width, 2u);
    ASSERT_EQ(half.height, 1u);
    expectNear(half.at(0, 0), {2.5f, 0.5f, 0, 0.5f}, 1e-6f);
    expectNear(half.at(1, 0), {4.5f, 0.5f, 0, 0.5f}, 1e-6f);
    const FloatImage quarter = halve(half);
    ASSERT_EQ(quarter.width, 1u);
    ASSERT_EQ(quarter.height, 1u);
    EXPECT_FLOAT_EQ(quarter.at(0, 0).r, 3.5f);
}

TEST(TexMips, ChainLengthsAndPowersOfTwo) {
    struct Case {
        UINT w, h, d, levels;
    };
    for (const Case& c : {Case{1, 1, 1, 1}, Case{256, 64, 1, 9}, Case{300, 1, 1, 9}, Case{4, 4, 16, 5}})
        EXPECT_EQ(fullChainLevels(c.w, c.h, c.d), c.levels) << c.w << "x" << c.h << "x" << c.d;
    const std::vector<FloatImage> volume(4, FloatImage(2, 2));
    EXPECT_EQ(halveVolume(volume).size(), 2u);
}

TEST(TexResample, PointKeepsTexelsAndAreaAverages) {
    FloatImage image(2, 2);
    image.at(0, 0) = {1, 0, 0, 1}, image.at(1, 0) = {0, 1, 0, 1}, image.at(0, 1) = {0, 0, 1, 1}, image.at(1, 1) = {1, 1, 1, 1};
    const FloatImage big = resample(image, 4, 4, D3DX_FILTER_POINT);
    expectNear(big.at(1, 1), image.at(0, 0), 0);
    expectNear(big.at(2, 1), image.at(1, 0), 0);
    expectNear(big.at(3, 3), image.at(1, 1), 0);
    const FloatImage small = resample(big, 1, 1, D3DX_FILTER_BOX);
    expectNear(small.at(0, 0), {0.5f, 0.5f, 0.5f, 1}, 1e-6f);
    // Growing with the default filter blends neighbours.
    const FloatImage smooth = resample(image, 4, 4, D3DX_DEFAULT);
    EXPECT_GT(smooth.at(1, 0).g, 0.0f);
    EXPECT_LT(smooth.at(1, 0).g, 1.0f);
}
