#include <tormakelin/core/Noise.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace tormakelin::core;

TEST(Noise, DefaultsAndZeroOctaves) {
    Noise n;
    EXPECT_EQ(n.getAlpha(), 2.0f);
    EXPECT_EQ(n.getBeta(), 2.0f);
    EXPECT_EQ(n.getNumOctaves(), 8);
    n.setNumOctaves(0);
    EXPECT_EQ(n.noise1d(0.3f), 0.0f);
    EXPECT_EQ(n.noise2d(0.3f, 0.7f), 0.0f);
    EXPECT_EQ(n.noise3d(0.3f, 0.7f, 1.1f), 0.0f);
}

TEST(Noise, ZeroOnLatticePointsAndBoundedBetween) {
    Noise n;
    n.setNumOctaves(1);
    // Gradient noise vanishes at integer coordinates.
    for (float x : {-3.0f, 0.0f, 1.0f, 17.0f}) {
        EXPECT_NEAR(n.noise1d(x), 0.0f, 1e-6f);
        EXPECT_NEAR(n.noise2d(x, 2.0f), 0.0f, 1e-6f);
        EXPECT_NEAR(n.noise3d(x, 2.0f, -5.0f), 0.0f, 1e-6f);
    }
    bool varies = false;
    for (int i = 0; i < 200; ++i) {
        float x = i * 0.137f - 10.0f;
        float v1 = n.noise1d(x), v2 = n.noise2d(x, x * 0.5f), v3 = n.noise3d(x, 1.3f, -x);
        EXPECT_LE(std::fabs(v1), 1.0f);
        EXPECT_LE(std::fabs(v2), 1.5f);
        EXPECT_LE(std::fabs(v3), 1.5f);
        varies = varies || std::fabs(v3) > 0.05f;
    }
    EXPECT_TRUE(varies);
    // Continuous: close inputs give close values.
    EXPECT_NEAR(n.noise2d(0.5f, 0.5f), n.noise2d(0.5001f, 0.5f), 1e-3f);
}

TEST(Noise, OctavesAddScaledCopies) {
    Noise one, two;
    one.setNumOctaves(1);
    two.setNumOctaves(2);
    two.setAlpha(4.0f);
    two.setBeta(3.0f);
    float x = 0.37f, y = 1.41f;
    EXPECT_NEAR(two.noise2d(x, y), one.noise2d(x, y) + one.noise2d(3 * x, 3 * y) / 4, 1e-6f);
}

TEST(Noise, SeedsAreDeterministicAndIndependentPerObject) {
    Noise a, b, c;
    a.init(42);
    b.init(42);
    float before = a.noise3d(0.3f, 0.6f, 0.9f);
    EXPECT_EQ(before, b.noise3d(0.3f, 0.6f, 0.9f));
    // Reseeding another object leaves this one alone.
    c.init(7);
    EXPECT_EQ(a.noise3d(0.3f, 0.6f, 0.9f), before);
    EXPECT_NE(c.noise3d(0.3f, 0.6f, 0.9f), before);
}

TEST(Noise, HugeAndNonFiniteInputsStaySafe) {
    Noise n;
    EXPECT_TRUE(std::isfinite(n.noise1d(1e30f)));
    EXPECT_TRUE(std::isfinite(n.noise2d(-1e30f, 5.0f)));
    EXPECT_TRUE(std::isfinite(n.noise3d(NAN, INFINITY, 1.0f)));
}
