#include <cmath>

#include "math_expect.h"

namespace {

D3DXQUATERNION axisAngle(float x, float y, float z, float angle) {
    D3DXQUATERNION q;
    D3DXVECTOR3 axis(x, y, z);
    return *D3DXQuaternionRotationAxis(&q, &axis, angle);
}

D3DXVECTOR3 rotate(const D3DXQUATERNION& q, const D3DXVECTOR3& v) {
    D3DXMATRIX m;
    D3DXVECTOR3 r;
    D3DXMatrixRotationQuaternion(&m, &q);
    return *D3DXVec3TransformNormal(&r, &v, &m);
}

}  // namespace

TEST(MathQuaternion, BasicsAndOperators) {
    D3DXQUATERNION q, a(1, 2, 3, 4), b(0.5f, 0, -1, 2);
    EXPECT_TRUE(D3DXQuaternionIsIdentity(D3DXQuaternionIdentity(&q)));
    EXPECT_FALSE(D3DXQuaternionIsIdentity(&a));
    EXPECT_FLOAT_EQ(D3DXQuaternionLengthSq(&a), 30);
    EXPECT_FLOAT_EQ(D3DXQuaternionLength(&a), std::sqrt(30.0f));
    EXPECT_FLOAT_EQ(D3DXQuaternionDot(&a, &b), 0.5f - 3 + 8);
    EXPECT_EQ(*D3DXQuaternionConjugate(&q, &a), D3DXQUATERNION(-1, -2, -3, 4));
    EXPECT_EQ(a + b, D3DXQUATERNION(1.5f, 2, 2, 6));
    EXPECT_EQ(a - b, D3DXQUATERNION(0.5f, 2, 4, 2));
    EXPECT_EQ(a * 2.0f, D3DXQUATERNION(2, 4, 6, 8));
    EXPECT_EQ(2.0f * a, a * 2.0f);
    EXPECT_EQ(a / 2.0f, D3DXQUATERNION(0.5f, 1, 1.5f, 2));
    EXPECT_EQ(-a, D3DXQUATERNION(-1, -2, -3, -4));
}

TEST(MathQuaternion, MultiplyIsFirstThenSecond) {
    // Quarter turn about z (x -> y), then about x (y -> z): x ends on z.
    D3DXQUATERNION qz = axisAngle(0, 0, 1, D3DX_PI / 2), qx = axisAngle(1, 0, 0, D3DX_PI / 2), q;
    D3DXQuaternionMultiply(&q, &qz, &qx);
    expectNear(rotate(q, D3DXVECTOR3(1, 0, 0)), D3DXVECTOR3(0, 0, 1));
    // Matches the matrix product in the same order.
    D3DXMATRIX mz, mx, m;
    D3DXMatrixRotationQuaternion(&mz, &qz);
    D3DXMatrixRotationQuaternion(&mx, &qx);
    D3DXMatrixRotationQuaternion(&m, &q);
    expectNear(m, mz * mx);
    expectNear(qz * qx, q);
    D3DXQUATERNION c = qz;
    c *= qx;
    expectNear(c, q);
    // Hand-computed product of plain quaternions: (1,0,0,0) then (0,1,0,0) = (0,0,-1,0).
    D3DXQUATERNION i(1, 0, 0, 0), j(0, 1, 0, 0);
    EXPECT_EQ(*D3DXQuaternionMultiply(&q, &i, &j), D3DXQUATERNION(0, 0, -1, 0));
}

TEST(MathQuaternion, NormalizeInverseAndZero) {
    D3DXQUATERNION q(0, 3, 0, 4), r, zero(0, 0, 0, 0);
    expectNear(*D3DXQuaternionNormalize(&r, &q), D3DXQUATERNION(0, 0.6f, 0, 0.8f));
    EXPECT_EQ(*D3DXQuaternionNormalize(&r, &zero), zero);
    expectNear(*D3DXQuaternionInverse(&r, &q), D3DXQUATERNION(0, -3 / 25.0f, 0, 4 / 25.0f));
    EXPECT_EQ(*D3DXQuaternionInverse(&r, &zero), zero);
    D3DXQUATERNION product, inv;
    D3DXQuaternionInverse(&inv, &q);
    expectNear(*D3DXQuaternionMultiply(&product, &q, &inv), D3DXQUATERNION(0, 0, 0, 1));
}

TEST(MathQuaternion, LnAndExp) {
    // Unit rotation by angle a about axis n: ln = (n * a / 2, 0).
    D3DXQUATERNION q = axisAngle(0, 0, 1, 1.0f), r;
    expectNear(*D3DXQuaternionLn(&r, &q), D3DXQUATERNION(0, 0, 0.5f, 0));
    D3DXQUATERNION identityQ(0, 0, 0, 1);
    EXPECT_EQ(*D3DXQuaternionLn(&r, &identityQ), D3DXQUATERNION(0, 0, 0, 0));
    D3DXQUATERNION pure(0, 0, 0.5f, 0);
    expectNear(*D3DXQuaternionExp(&r, &pure), q);
    D3DXQUATERNION zero(0, 0, 0, 0);
    EXPECT_EQ(*D3DXQuaternionExp(&r, &zero), identityQ);
    // Round trip.
    D3DXQUATERNION general = axisAngle(1, -2, 0.5f, 2.2f), l;
    D3DXQuaternionLn(&l, &general);
    expectNear(*D3DXQuaternionExp(&r, &l), general);
}

TEST(MathQuaternion, SlerpAtZeroHalfAndOne) {
    D3DXQUATERNION a = axisAngle(0, 1, 0, 0.0f), b = axisAngle(0, 1, 0, 2.0f), r;
    expectNear(*D3DXQuaternionSlerp(&r, &a, &b, 0.0f), a);
    expectNear(*D3DXQuaternionSlerp(&r, &a, &b, 0.5f), axisAngle(0, 1, 0, 1.0f));
    expectNear(*D3DXQuaternionSlerp(&r, &a, &b, 1.0f), b);
    expectNear(*D3DXQuaternionSlerp(&r, &a, &b, 0.25f), axisAngle(0, 1, 0, 0.5f));
    // Takes the short way: -b is the same rotation as b.
    D3DXQUATERNION negB = -b;
    expectSameRotation(*D3DXQuaternionSlerp(&r, &a, &negB, 0.5f), axisAngle(0, 1, 0, 1.0f));
    // Nearly equal rotations blend without dividing by a vanishing sine.
    D3DXQUATERNION c = axisAngle(0, 1, 0, 1e-4f);
    D3DXQuaternionSlerp(&r, &a, &c, 0.5f);
    EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.w));
    expectNear(r, axisAngle(0, 1, 0, 0.5e-4f));
}

TEST(MathQuaternion, SquadThroughItsSetup) {
    D3DXQUATERNION q0 = axisAngle(0, 0, 1, 0.0f), q1 = axisAngle(0, 0, 1, 0.5f), q2 = axisAngle(0, 0, 1, 1.0f),
                   q3 = axisAngle(0, 0, 1, 1.5f);
    D3DXQUATERNION a, b, c, r;
    D3DXQuaternionSquadSetup(&a, &b, &c, &q0, &q1, &q2, &q3);
    // Evenly spaced rotations about one axis: the control points lie on the same great circle
    // and the curve is the plain slerp.
    expectNear(*D3DXQuaternionSquad(&r, &q1, &a, &b, &c, 0.0f), q1);
    expectNear(*D3DXQuaternionSquad(&r, &q1, &a, &b, &c, 1.0f), q2);
    expectNear(*D3DXQuaternionSquad(&r, &q1, &a, &b, &c, 0.5f), axisAngle(0, 0, 1, 0.75f));
    expectNear(a, q1);
    expectNear(b, q2);
    // Neighbours on the far side of the sphere are flipped first.
    D3DXQUATERNION farQ2 = -q2;
    D3DXQuaternionSquadSetup(&a, &b, &c, &q0, &q1, &farQ2, &q3);
    expectNear(c, q2);
    // Squad with hand-made controls equals its definition.
    D3DXQUATERNION p = axisAngle(1, 0, 0, 0.2f), s = axisAngle(0, 1, 0, 0.9f), ca = axisAngle(1, 1, 0, 0.4f),
                   cb = axisAngle(0, 1, 1, 0.6f), outer, inner, expected;
    D3DXQuaternionSlerp(&outer, &p, &s, 0.3f);
    D3DXQuaternionSlerp(&inner, &ca, &cb, 0.3f);
    D3DXQuaternionSlerp(&expected, &outer, &inner, 2 * 0.3f * 0.7f);
    expectNear(*D3DXQuaternionSquad(&r, &p, &ca, &cb, &s, 0.3f), expected);
}

TEST(MathQuaternion, RotationAxisMatrixAndYawPitchRoll) {
    expectNear(axisAngle(0, 0, 2, D3DX_PI), D3DXQUATERNION(0, 0, 1, 0));
    expectNear(axisAngle(1, 0, 0, D3DX_PI / 2), D3DXQUATERNION(std::sqrt(0.5f), 0, 0, std::sqrt(0.5f)));
    D3DXQUATERNION q, back;
    D3DXMATRIX m;
    // Round trips through the matrix, across all four branches of the extraction.
    const D3DXQUATERNION cases[] = {axisAngle(1, 2, 3, 0.5f), axisAngle(1, 0, 0, 3.0f), axisAngle(0, 1, 0, 3.0f),
                                    axisAngle(0, 0, 1, 3.0f), axisAngle(1, 1, 0, D3DX_PI)};
    for (const D3DXQUATERNION& c : cases) {
        D3DXMatrixRotationQuaternion(&m, &c);
        expectSameRotation(*D3DXQuaternionRotationMatrix(&back, &m), c);
    }
    // Yaw about y, pitch about x, roll about z: roll applied first.
    D3DXQUATERNION qy = axisAngle(0, 1, 0, 0.7f), qx = axisAngle(1, 0, 0, 0.2f), qz = axisAngle(0, 0, 1, -0.4f), t;
    D3DXQuaternionMultiply(&t, &qz, &qx);
    D3DXQuaternionMultiply(&t, &t, &qy);
    expectNear(*D3DXQuaternionRotationYawPitchRoll(&q, 0.7f, 0.2f, -0.4f), t);
}

TEST(MathQuaternion, ToAxisAngle) {
    D3DXQUATERNION q = axisAngle(0, 1, 0, 1.5f);
    D3DXVECTOR3 axis;
    float angle = 0;
    D3DXQuaternionToAxisAngle(&q, &axis, &angle);
    EXPECT_NEAR(angle, 1.5f, 1e-5f);
    expectNear(axis, D3DXVECTOR3(0, std::sin(0.75f), 0));
}
