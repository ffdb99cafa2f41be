#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/SmartRef.h>

#include <d3dx9math.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace tormakelin::core;

namespace {

D3DXQUATERNION result(IKeyframe* t, float time) {
    const float* r = t->eval(time);
    return D3DXQUATERNION(r[0], r[1], r[2], r[3]);
}

D3DXQUATERNION aboutY(float angle) {
    D3DXQUATERNION q;
    D3DXVECTOR3 y(0, 1, 0);
    return *D3DXQuaternionRotationAxis(&q, &y, angle);
}

void expectRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tolerance = 1e-4f) {
    float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    EXPECT_NEAR(std::fabs(dot), 1.0f, tolerance) << a.x << " " << a.y << " " << a.z << " " << a.w;
}

// Axis-angle keys about y, converted as the scene files do.
SmartRef<IKeyframe> rotationTrack(std::initializer_list<std::pair<float, float>> timeAngle, int kind) {
    SmartRef<IKeyframe> t(createKeyframe(4, true));
    for (auto [time, angle] : timeAngle) {
        Key* key = t->createKey();
        key->time = time;
        key->kind = kind;
        key->values[0] = 0;
        key->values[1] = 1;
        key->values[2] = 0;
        key->values[3] = angle;
        t->addKey(key, false);
    }
    t->sort();
    KeyframeUtil::convertKeysFromAxisAngleToQuaternion(t.get());
    return t;
}

}  // namespace

TEST(KeyframeRotation, ConversionMakesAbsoluteRotationsWithTurns) {
    SmartRef<IKeyframe> t = rotationTrack({{0, 0.5f}, {1, 0.25f}, {2, -0.5f}, {3, 7.0f}}, KeyLinear);
    const auto& keys = t->getKeys();
    expectRotation(D3DXQUATERNION(keys[0]->values), aboutY(0.5f));
    expectRotation(D3DXQUATERNION(keys[1]->values), aboutY(0.75f));
    // A negative angle flips the axis too: the same relative rotation by -0.5 about y.
    expectRotation(D3DXQUATERNION(keys[2]->values), aboutY(0.25f));
    EXPECT_EQ(keys[3]->turns, 1);
    expectRotation(D3DXQUATERNION(keys[3]->values), aboutY(0.25f + 7.0f));
}

TEST(KeyframeRotation, SlerpWhenTheFirstKeyIsLinear) {
    SmartRef<IKeyframe> t = rotationTrack({{0, 0}, {2, 1.0f}}, KeyLinear);
    expectRotation(result(t.get(), 0), aboutY(0));
    expectRotation(result(t.get(), 1), aboutY(0.5f));
    expectRotation(result(t.get(), 0.5f), aboutY(0.25f));
    expectRotation(result(t.get(), 2), aboutY(1.0f));
    expectRotation(result(t.get(), 5), aboutY(1.0f));
}

TEST(KeyframeRotation, SquadPassesThroughItsKeys) {
    SmartRef<IKeyframe> t = rotationTrack({{0, 0}, {1, 0.5f}, {2, 0.5f}, {3, 0.5f}}, KeyTcb);
    for (int i = 0; i <= 3; ++i) {
        expectRotation(result(t.get(), static_cast<float>(i)), aboutY(0.5f * i));
    }
    // Evenly spaced about one axis: the curve is the plain rotation.
    expectRotation(result(t.get(), 1.5f), aboutY(0.75f), 1e-3f);
    // Off the axis, the curve stays on unit quaternions.
    D3DXQUATERNION mid = result(t.get(), 0.37f);
    EXPECT_NEAR(D3DXQuaternionLength(&mid), 1.0f, 1e-3f);
}

TEST(KeyframeRotation, WholeTurnsSpinThroughTheSegment) {
    // One key of 2.5 turns after the start: half way the rotation is 1.25 turns = a quarter.
    SmartRef<IKeyframe> t = rotationTrack({{0, 0}, {1, 2.5f * 6.2831853f}}, KeyTcb);
    EXPECT_EQ(t->getKeys()[1]->turns, 2);
    expectRotation(result(t.get(), 0.5f), aboutY(1.25f * 6.2831853f), 1e-3f);
    expectRotation(result(t.get(), 0.1f), aboutY(0.25f * 6.2831853f), 1e-3f);
    expectRotation(result(t.get(), 1.0f), aboutY(0.5f * 6.2831853f));
}

TEST(KeyframeRotation, EaseSlowsTheEndsOfASegment) {
    SmartRef<IKeyframe> t = rotationTrack({{0, 0}, {1, 1.0f}}, KeyLinear);
    t->getKeys()[0]->easeFrom = 0.5f;
    t->getKeys()[1]->easeTo = 0.5f;
    // f = 1; w = 0.25 < e1 gives 2 * 0.0625 = 0.125 of the angle; the middle is unchanged.
    expectRotation(result(t.get(), 0.25f), aboutY(0.125f));
    expectRotation(result(t.get(), 0.5f), aboutY(0.5f));
    expectRotation(result(t.get(), 0.75f), aboutY(0.875f));
    // Eases that add up past 1 are scaled down to share it.
    t->getKeys()[0]->easeFrom = 1.0f;
    t->getKeys()[1]->easeTo = 1.0f;
    expectRotation(result(t.get(), 0.5f), aboutY(0.5f));
}

TEST(KeyframeRotation, ZeroAxisAndEqualTimesStayFinite) {
    SmartRef<IKeyframe> t(createKeyframe(4, true));
    for (float time : {0.0f, 1.0f, 1.0f}) {
        Key* key = t->createKey();
        key->time = time;
        key->values[0] = key->values[1] = key->values[2] = 0;
        key->values[3] = 1.0f;
        t->addKey(key, true);
    }
    KeyframeUtil::convertKeysFromAxisAngleToQuaternion(t.get());
    for (float time : {-1.0f, 0.0f, 0.5f, 1.0f, 2.0f}) {
        D3DXQUATERNION q = result(t.get(), time);
        EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.w)) << time;
        expectRotation(q, D3DXQUATERNION(0, 0, 0, 1));
    }
}
