#include <cmath>

#include "math_expect.h"

namespace {

D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

const D3DXMATRIX kSample(2, 0, 1, 0,
                         1, 3, 0, 0,
                         0, 1, 4, 0,
                         5, -2, 7, 1);

}  // namespace

TEST(MathMatrix, IdentityAndElementAccess) {
    D3DXMATRIX m = identity();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    EXPECT_EQ(m(0, 0), 1);
    EXPECT_EQ(m(3, 2), 0);
    m(3, 2) = 5;
    EXPECT_EQ(m._43, 5);
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
    const float* f = m;
    EXPECT_EQ(f[14], 5);
    EXPECT_EQ(D3DXMATRIX(f), m);
}

TEST(MathMatrix, MultiplyAppliesTheFirstMatrixFirst) {
    D3DXMATRIX a(1, 2, 0, 0,
                 0, 1, 0, 0,
                 0, 0, 1, 0,
                 3, 0, 0, 1);
    D3DXMATRIX b(0, 1, 0, 0,
                 -1, 0, 0, 0,
                 0, 0, 2, 0,
                 0, 0, 0, 1);
    D3DXMATRIX expected(-2, 1, 0, 0,
                        -1, 0, 0, 0,
                        0, 0, 2, 0,
                        0, 3, 0, 1);
    D3DXMATRIX r;
    expectNear(*D3DXMatrixMultiply(&r, &a, &b), expected);
    expectNear(a * b, expected);
    D3DXMATRIX c = a;
    c *= b;
    expectNear(c, expected);
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &expected);
    expectNear(*D3DXMatrixMultiplyTranspose(&r, &a, &b), t);
    // Aliased output.
    r = a;
    expectNear(*D3DXMatrixMultiply(&r, &r, &b), expected);
    // A point goes through a then b.
    D3DXVECTOR3 p(1, 1, 1), viaA, viaBoth, direct;
    D3DXVec3TransformCoord(&viaA, &p, &a);
    D3DXVec3TransformCoord(&viaBoth, &viaA, &b);
    D3DXVec3TransformCoord(&direct, &p, &expected);
    expectNear(viaBoth, direct);
}

// Saved scenes and reference pictures hold products to the bit: each element is the plain sum
// a[i][0]*b[0][j] + ... + a[i][3]*b[3][j], added in that order.
TEST(MathMatrix, MultiplyAddsInRowOrderToTheBit) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float(int32_t(seed >> 8) - (1 << 23)) / float(1 << 12);
    };
    for (int round = 0; round < 200; ++round) {
        D3DXMATRIX a, b;
        for (int k = 0; k < 16; ++k) {
            a.m[k / 4][k % 4] = next();
            b.m[k / 4][k % 4] = next() * 1e-3f;
        }
        const D3DXMATRIX r = a * b;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                volatile float sum = a.m[i][0] * b.m[0][j];
                sum = sum + a.m[i][1] * b.m[1][j];
                sum = sum + a.m[i][2] * b.m[2][j];
                sum = sum + a.m[i][3] * b.m[3][j];
                ASSERT_EQ(r.m[i][j], sum) << "round " << round << " element " << i << j;
            }
    }
}

TEST(MathMatrix, ScalarOperators) {
    D3DXMATRIX a = identity(), b = identity();
    D3DXMATRIX sum = a + b * 2.0f;
    EXPECT_EQ(sum._11, 3);
    EXPECT_EQ(sum._12, 0);
    EXPECT_EQ((sum - a)._22, 2);
    EXPECT_EQ((sum / 3.0f)._33, 1);
    EXPECT_EQ((-sum)._44, -3);
    EXPECT_EQ((0.5f * sum)._11, 1.5f);
}

TEST(MathMatrix, TransposeDeterminantAndInverse) {
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &kSample);
    EXPECT_EQ(t._12, 1);
    EXPECT_EQ(t._14, 5);
    EXPECT_EQ(t._41, 0);
    // det of the upper 3x3: 2(12 - 0) - 0 + 1(1 - 0) = 25.
    EXPECT_NEAR(D3DXMatrixDeterminant(&kSample), 25, 1e-4f);
    float det = 0;
    D3DXMATRIX inv;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &kSample), nullptr);
    EXPECT_NEAR(det, 25, 1e-4f);
    expectNear(kSample * inv, identity());
    expectNear(inv * kSample, identity());
    EXPECT_NEAR(inv._11, 12 / 25.0f, 1e-6f);

    // A general matrix with a projective column.
    D3DXMATRIX g(1, 2, 3, 4, 0, 1, 5, 6, 7, 0, 1, 2, 3, 4, 0, 1);
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &g), nullptr);
    expectNear(g * inv, identity(), 1e-4f);

    D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1);
    D3DXMATRIX untouched = identity();
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_EQ(det, 0);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));
}

TEST(MathMatrix, ScalingAndTranslation) {
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, 2, 3, 4);
    expectNear(m, D3DXMATRIX(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1));
    D3DXMatrixTranslation(&m, 5, 6, 7);
    expectNear(m, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1));
}

TEST(MathMatrix, AxisRotationsAreLeftHanded) {
    const float half = D3DX_PI / 2;
    D3DXMATRIX m;
    D3DXVECTOR3 r, x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    // Quarter turns: y -> z about x, z -> x about y, x -> y about z.
    D3DXMatrixRotationX(&m, half);
    expectNear(*D3DXVec3TransformCoord(&r, &y, &m), z);
    D3DXMatrixRotationY(&m, half);
    expectNear(*D3DXVec3TransformCoord(&r, &z, &m), x);
    D3DXMatrixRotationZ(&m, half);
    expectNear(*D3DXVec3TransformCoord(&r, &x, &m), y);

    const float a = 0.3f, c = std::cos(a), s = std::sin(a);
    expectNear(*D3DXMatrixRotationX(&m, a), D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1));
    expectNear(*D3DXMatrixRotationY(&m, a), D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1));
    expectNear(*D3DXMatrixRotationZ(&m, a), D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST(MathMatrix, RotationAxisMatchesAxisRotationsAndNormalisesTheAxis) {
    D3DXMATRIX expected, m;
    struct Case { D3DXVECTOR3 axis; D3DXMATRIX* (*reference)(D3DXMATRIX*, float); };
    const Case cases[] = {{D3DXVECTOR3(2, 0, 0), D3DXMatrixRotationX},
                          {D3DXVECTOR3(0, 5, 0), D3DXMatrixRotationY},
                          {D3DXVECTOR3(0, 0, 0.5f), D3DXMatrixRotationZ}};
    for (const Case& k : cases) {
        k.reference(&expected, 0.7f);
        expectNear(*D3DXMatrixRotationAxis(&m, &k.axis, 0.7f), expected);
    }
    // 120 degrees about (1, 1, 1) cycles the axes: x -> y.
    D3DXVECTOR3 diagonal(1, 1, 1), x(1, 0, 0), r;
    D3DXMatrixRotationAxis(&m, &diagonal, 2 * D3DX_PI / 3);
    expectNear(*D3DXVec3TransformNormal(&r, &x, &m), D3DXVECTOR3(0, 1, 0));
}

TEST(MathMatrix, RotationQuaternionAndYawPitchRoll) {
    D3DXQUATERNION q;
    D3DXMATRIX m, expected;
    D3DXVECTOR3 axis(0, 1, 0);
    D3DXQuaternionRotationAxis(&q, &axis, 0.9f);
    D3DXMatrixRotationY(&expected, 0.9f);
    expectNear(*D3DXMatrixRotationQuaternion(&m, &q), expected);

    // Roll about z first, then pitch about x, then yaw about y.
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, 0.3f);
    D3DXMatrixRotationX(&rx, -0.4f);
    D3DXMatrixRotationY(&ry, 1.1f);
    expected = rz * rx * ry;
    expectNear(*D3DXMatrixRotationYawPitchRoll(&m, 1.1f, -0.4f, 0.3f), expected);
    D3DXQuaternionRotationYawPitchRoll(&q, 1.1f, -0.4f, 0.3f);
    expectNear(*D3DXMatrixRotationQuaternion(&m, &q), expected);
}

TEST(MathMatrix, LookAtLH) {
    // Eye on -z looking at the origin: the view is a translation by +distance along z.
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX m;
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    expectNear(m, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1));

    // Eye on +x looking back at the origin.
    eye = D3DXVECTOR3(5, 0, 0);
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    // zaxis = (-1, 0, 0); xaxis = up x zaxis = (0, 0, 1); yaxis = zaxis x xaxis = (0, 1, 0).
    expectNear(m, D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 5, 1));
    D3DXVECTOR3 r;
    expectNear(*D3DXVec3TransformCoord(&r, &at, &m), D3DXVECTOR3(0, 0, 5));

    // The default camera of the graph nodes: eye (0, 20, -100).
    eye = D3DXVECTOR3(0, 20, -100);
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    expectNear(*D3DXVec3TransformCoord(&r, &eye, &m), D3DXVECTOR3(0, 0, 0), 1e-4f);
    expectNear(*D3DXVec3TransformCoord(&r, &at, &m), D3DXVECTOR3(0, 0, std::sqrt(10400.0f)), 1e-3f);
}

TEST(MathMatrix, PerspectiveFovLH) {
    // fov 90 degrees: cot(45) = 1; aspect 2; near 1, far 101.
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, D3DX_PI / 2, 2.0f, 1.0f, 101.0f);
    expectNear(m, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0));
    // Depth maps near to 0 and far to 1.
    D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(0, 0, 101), r;
    EXPECT_NEAR(D3DXVec3TransformCoord(&r, &nearPoint, &m)->z, 0, 1e-6f);
    EXPECT_NEAR(D3DXVec3TransformCoord(&r, &farPoint, &m)->z, 1, 1e-6f);
}

TEST(MathMatrix, OrthographicProjections) {
    D3DXMATRIX m;
    D3DXMatrixOrthoLH(&m, 800, 600, 0.01f, 1024);
    expectNear(m, D3DXMATRIX(2 / 800.0f, 0, 0, 0, 0, 2 / 600.0f, 0, 0, 0, 0, 1 / (1024 - 0.01f), 0,
                             0, 0, 0.01f / (0.01f - 1024), 1));
    D3DXMatrixOrthoOffCenterLH(&m, 0, 640, 480, 0, 0, 1);
    // y points down: top (0) maps to +1, bottom (480) to -1.
    expectNear(m, D3DXMATRIX(2 / 640.0f, 0, 0, 0, 0, -2 / 480.0f, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1));
    D3DXVECTOR3 corner(640, 480, 1), r;
    expectNear(*D3DXVec3TransformCoord(&r, &corner, &m), D3DXVECTOR3(1, -1, 1));
}

TEST(MathMatrix, TransformationComposesScaleRotationTranslation) {
    D3DXVECTOR3 scale(2, 3, 4), position(10, 20, 30), zero(0, 0, 0);
    D3DXQUATERNION identityRotation(0, 0, 0, 1), rotation;
    D3DXVECTOR3 axis(0, 0, 1);
    D3DXQuaternionRotationAxis(&rotation, &axis, D3DX_PI / 2);

    D3DXMATRIX s, r, t, m;
    D3DXMatrixScaling(&s, 2, 3, 4);
    D3DXMatrixRotationQuaternion(&r, &rotation);
    D3DXMatrixTranslation(&t, 10, 20, 30);
    D3DXMatrixTransformation(&m, nullptr, nullptr, &scale, nullptr, &rotation, &position);
    expectNear(m, s * r * t);
    D3DXMatrixTransformation(&m, &zero, &identityRotation, &scale, &zero, &rotation, &position);
    expectNear(m, s * r * t);
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));

    // A rotation centre stays fixed.
    D3DXVECTOR3 centre(1, 1, 0), out;
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &rotation, nullptr);
    expectNear(*D3DXVec3TransformCoord(&out, &centre, &m), centre);
    // A scaling centre stays fixed too, and a scaling rotation scales along the rotated axes.
    D3DXMatrixTransformation(&m, &centre, &rotation, &scale, nullptr, nullptr, nullptr);
    expectNear(*D3DXVec3TransformCoord(&out, &centre, &m), centre);
    D3DXVECTOR3 alongRotatedX = centre + D3DXVECTOR3(0, 1, 0);
    expectNear(*D3DXVec3TransformCoord(&out, &alongRotatedX, &m), centre + D3DXVECTOR3(0, 2, 0));
}

TEST(MathMatrix, DecomposeInvertsTransformation) {
    D3DXVECTOR3 scale(2, 0.5f, 3), position(-4, 5, 6), axis(1, 2, 3);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationAxis(&rotation, &axis, 1.2f);
    D3DXMATRIX m;
    D3DXMatrixTransformation(&m, nullptr, nullptr, &scale, nullptr, &rotation, &position);
    D3DXVECTOR3 outScale, outPosition;
    D3DXQUATERNION outRotation;
    ASSERT_EQ(D3DXMatrixDecompose(&outScale, &outRotation, &outPosition, &m), 0);
    expectNear(outScale, scale);
    expectNear(outPosition, position);
    expectSameRotation(outRotation, rotation);

    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1, 0, 1);
    EXPECT_NE(D3DXMatrixDecompose(&outScale, &outRotation, &outPosition, &flat), 0);
}
