#include <tormakelin/core/Rotation.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace tormakelin::core;

namespace {

void expectQuat(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
    EXPECT_NEAR(a.w, b.w, 1e-5f);
}

}  // namespace

TEST(Rotation, EulerToQuaternionSingleAxes) {
    float s = std::sin(0.25f), c = std::cos(0.25f);
    expectQuat(eulerToQuaternion(D3DXVECTOR3(0, 0, 0)), D3DXQUATERNION(0, 0, 0, 1));
    // By the formula: an x angle alone gives (0, sx, 0, cx); y alone (sy, 0, 0, cy)... as written.
    expectQuat(eulerToQuaternion(D3DXVECTOR3(0.5f, 0, 0)), D3DXQUATERNION(0, s, 0, c));
    expectQuat(eulerToQuaternion(D3DXVECTOR3(0, 0.5f, 0)), D3DXQUATERNION(s, 0, 0, c));
    expectQuat(eulerToQuaternion(D3DXVECTOR3(0, 0, 0.5f)), D3DXQUATERNION(0, 0, s, c));
}

TEST(Rotation, EulerToQuaternionIsYawPitchRoll) {
    const D3DXVECTOR3 cases[] = {{0.3f, -0.2f, 0.1f}, {1.2f, 0.4f, -0.7f}, {-2.5f, 1.0f, 0.5f}};
    for (const D3DXVECTOR3& angles : cases) {
        D3DXQUATERNION expected;
        D3DXQuaternionRotationYawPitchRoll(&expected, angles.x, angles.y, angles.z);
        expectQuat(eulerToQuaternion(angles), expected);
    }
}

TEST(Rotation, EulerRoundTripsWithTwoAxes) {
    // The two conversions agree whenever the y or the z angle is zero.
    const D3DXVECTOR3 cases[] = {{0.3f, -0.2f, 0}, {1.2f, 0, -0.7f}, {0, 1.0f, 0}, {0, 0, 0}, {-2.5f, 0, 0}};
    for (const D3DXVECTOR3& angles : cases) {
        D3DXVECTOR3 back = quaternionToEuler(eulerToQuaternion(angles));
        EXPECT_NEAR(back.x, angles.x, 1e-5f);
        EXPECT_NEAR(back.y, angles.y, 1e-5f);
        EXPECT_NEAR(back.z, angles.z, 1e-5f);
    }
}

TEST(Rotation, QuaternionToEulerAtAndNearThePoles) {
    // z of pi/2: zw + xy is exactly 0.5 for (0, 0, sqrt(1/2), sqrt(1/2)) only approximately,
    // so build the pole case from exact values.
    D3DXVECTOR3 pole = quaternionToEuler(D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_NEAR(pole.z, D3DX_PI / 2, 1e-5f);
    EXPECT_NEAR(pole.x, 2 * std::atan2(0.5f, 0.5f), 1e-5f);
    EXPECT_EQ(pole.y, 0);
    D3DXVECTOR3 south = quaternionToEuler(D3DXQUATERNION(-0.5f, 0.5f, -0.5f, 0.5f));
    EXPECT_NEAR(south.z, -D3DX_PI / 2, 1e-5f);
    EXPECT_NEAR(south.x, -2 * std::atan2(-0.5f, 0.5f), 1e-5f);
    EXPECT_EQ(south.y, 0);
    // Just past the pole by rounding: the asin argument is clamped, never NaN.
    D3DXVECTOR3 near = quaternionToEuler(D3DXQUATERNION(0, 0, 0.70710683f, 0.70710683f));
    EXPECT_FALSE(std::isnan(near.z));
    EXPECT_NEAR(near.z, D3DX_PI / 2, 1e-3f);
    // Unnormalised input is normalised first.
    D3DXVECTOR3 scaled = quaternionToEuler(D3DXQUATERNION(0, 0, 3, 3));
    EXPECT_NEAR(scaled.z, D3DX_PI / 2, 1e-3f);
}
