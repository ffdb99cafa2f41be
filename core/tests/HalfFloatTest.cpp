#include <tormakelin/core/HalfFloat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tormakelin::core;

TEST(HalfFloat, FloatToHalf) {
    struct Case { float in; unsigned short out; };
    const Case cases[] = {
        {1.0f, 0x3C00}, {-2.0f, 0xC000}, {0.5f, 0x3800}, {0.0f, 0x0000}, {-0.0f, 0x8000},
        {65504.0f, 0x7BFF},                       // largest finite half
        {65520.0f, 0x7C00},                       // the algorithm rounds up into exponent 31
        {131008.0f, 0x7FFF}, {1e6f, 0x7FFF},      // saturation, not infinity
        {-1e6f, 0xFFFF}, {INFINITY, 0x7FFF}, {-INFINITY, 0xFFFF},
        {6.1035156e-5f, 0x0400},                  // smallest normal
        {5.9604645e-8f, 0x0001},                  // 2^-24, smallest denormal
        {2.9802322e-8f, 0x0000},                  // 2^-25 ties to even: zero
        {4.4703484e-8f, 0x0001},                  // 1.5 * 2^-25 rounds up
        {1e-20f, 0x0000}, {-1e-20f, 0x8000},      // far below: signed zero, no wide shifts
        {1.4e-45f, 0x0000}, {-1.4e-45f, 0x8000},  // float denormals
        {1.00048828125f, 0x3C00},                 // half-way, even stays
        {1.00146484375f, 0x3C02},                 // half-way, odd rounds up
        {3.14159265f, 0x4248},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertFloatToHalf(c.in), c.out) << c.in;
    }
}

TEST(HalfFloat, HalfToFloat) {
    struct Case { unsigned short in; float out; };
    const Case cases[] = {
        {0x3C00, 1.0f}, {0xC000, -2.0f}, {0x0001, 5.9604645e-8f}, {0x03FF, 6.0975552e-5f},
        {0x0400, 6.1035156e-5f}, {0x7BFF, 65504.0f}, {0x7C00, 65536.0f}, {0x7FFF, 131008.0f},
        {0x8001, -5.9604645e-8f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertHalfToFloat(c.in), c.out) << std::hex << c.in;
    }
    EXPECT_TRUE(std::signbit(convertHalfToFloat(0x8000)));
    EXPECT_EQ(convertHalfToFloat(0x8000), 0.0f);
}

TEST(HalfFloat, EveryHalfRoundTrips) {
    for (unsigned int h = 0; h <= 0xFFFF; ++h) {
        float f = convertHalfToFloat(static_cast<unsigned short>(h));
        ASSERT_EQ(convertFloatToHalf(f), h) << std::hex << h;
    }
}

TEST(HalfFloat, ArraysWithStrides) {
    const float in[3] = {1.0f, -2.0f, 0.5f};
    unsigned short packed[3];
    convertFloatToHalf(packed, in, 3);
    EXPECT_EQ(packed[0], 0x3C00);
    EXPECT_EQ(packed[1], 0xC000);
    EXPECT_EQ(packed[2], 0x3800);

    // Interleaved: read every second float, write every third half.
    const float spaced[6] = {1.0f, 99.0f, -2.0f, 99.0f, 0.5f, 99.0f};
    unsigned short strided[9] = {};
    convertFloatToHalf(strided, 6, spaced, 8, 3);
    EXPECT_EQ(strided[0], 0x3C00);
    EXPECT_EQ(strided[1], 0);
    EXPECT_EQ(strided[3], 0xC000);
    EXPECT_EQ(strided[6], 0x3800);

    float back[3];
    convertHalfToFloat(back, packed, 3);
    EXPECT_EQ(std::vector<float>(back, back + 3), std::vector<float>(in, in + 3));
    float backSpaced[6] = {};
    convertHalfToFloat(backSpaced, 8, strided, 6, 3);
    EXPECT_EQ(backSpaced[0], 1.0f);
    EXPECT_EQ(backSpaced[1], 0.0f);
    EXPECT_EQ(backSpaced[2], -2.0f);
    EXPECT_EQ(backSpaced[4], 0.5f);
}
