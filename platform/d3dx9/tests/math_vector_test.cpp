#include <cmath>
#include <type_traits>

#include "math_expect.h"

static_assert(std::is_trivially_copyable_v<D3DXVECTOR2> && std::is_trivially_copyable_v<D3DXVECTOR3> &&
              std::is_trivially_copyable_v<D3DXVECTOR4> && std::is_trivially_copyable_v<D3DXMATRIX> &&
              std::is_trivially_copyable_v<D3DXQUATERNION> && std::is_trivially_copyable_v<D3DXPLANE>);
static_assert(sizeof(D3DXVECTOR2) == 8 && sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXVECTOR4) == 16 &&
              sizeof(D3DXMATRIX) == 64 && sizeof(D3DXQUATERNION) == 16 && sizeof(D3DXPLANE) == 16);

TEST(MathVector, OperatorsActComponentWise) {
    D3DXVECTOR3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a + b, D3DXVECTOR3(5, -3, 9));
    EXPECT_EQ(a - b, D3DXVECTOR3(-3, 7, -3));
    EXPECT_EQ(a * 2.0f, D3DXVECTOR3(2, 4, 6));
    EXPECT_EQ(2.0f * a, D3DXVECTOR3(2, 4, 6));
    EXPECT_EQ(b / 2.0f, D3DXVECTOR3(2, -2.5f, 3));
    EXPECT_EQ(-a, D3DXVECTOR3(-1, -2, -3));
    D3DXVECTOR3 c = a;
    c += b;
    c -= D3DXVECTOR3(1, 1, 1);
    c *= 2;
    c /= 4;
    EXPECT_EQ(c, D3DXVECTOR3(2, -2, 4));
    EXPECT_NE(a, b);
    const float* f = a;
    EXPECT_EQ(f[2], 3.0f);
    EXPECT_EQ(D3DXVECTOR3(f), a);

    D3DXVECTOR2 v2(1, 2);
    EXPECT_EQ(v2 * 3.0f - D3DXVECTOR2(1, 1), D3DXVECTOR2(2, 5));
    D3DXVECTOR4 v4(1, 2, 3, 4);
    EXPECT_EQ(v4 + v4, D3DXVECTOR4(2, 4, 6, 8));
    EXPECT_EQ(D3DXVECTOR4(a, 7), D3DXVECTOR4(1, 2, 3, 7));
}

TEST(MathVector, LengthsDotsAndCross) {
    D3DXVECTOR2 a2(3, 4), b2(-2, 1);
    EXPECT_FLOAT_EQ(D3DXVec2Length(&a2), 5);
    EXPECT_FLOAT_EQ(D3DXVec2LengthSq(&a2), 25);
    EXPECT_FLOAT_EQ(D3DXVec2Dot(&a2, &b2), -2);
    EXPECT_FLOAT_EQ(D3DXVec2CCW(&a2, &b2), 3 * 1 - 4 * -2);

    D3DXVECTOR3 a3(1, 2, 2), b3(3, 0, -1), c3;
    EXPECT_FLOAT_EQ(D3DXVec3Length(&a3), 3);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&a3), 9);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a3, &b3), 1);
    EXPECT_EQ(*D3DXVec3Cross(&c3, &a3, &b3), D3DXVECTOR3(-2, 7, -6));
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    EXPECT_EQ(*D3DXVec3Cross(&c3, &x, &y), D3DXVECTOR3(0, 0, 1));
    // Output aliasing the input.
    c3 = x;
    EXPECT_EQ(*D3DXVec3Cross(&c3, &c3, &y), D3DXVECTOR3(0, 0, 1));

    D3DXVECTOR4 a4(1, 1, 1, 1), b4(1, 2, 3, 4);
    EXPECT_FLOAT_EQ(D3DXVec4Length(&a4), 2);
    EXPECT_FLOAT_EQ(D3DXVec4LengthSq(&b4), 30);
    EXPECT_FLOAT_EQ(D3DXVec4Dot(&a4, &b4), 10);
}

TEST(MathVector, ArithmeticFunctions) {
    D3DXVECTOR3 a(1, 5, -3), b(4, 2, 0), r;
    EXPECT_EQ(*D3DXVec3Add(&r, &a, &b), D3DXVECTOR3(5, 7, -3));
    EXPECT_EQ(*D3DXVec3Subtract(&r, &a, &b), D3DXVECTOR3(-3, 3, -3));
    EXPECT_EQ(*D3DXVec3Minimize(&r, &a, &b), D3DXVECTOR3(1, 2, -3));
    EXPECT_EQ(*D3DXVec3Maximize(&r, &a, &b), D3DXVECTOR3(4, 5, 0));
    EXPECT_EQ(*D3DXVec3Scale(&r, &a, -2), D3DXVECTOR3(-2, -10, 6));
    EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 0.5f), D3DXVECTOR3(2.5f, 3.5f, -1.5f));
    EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 0.0f), a);
    EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 1.0f), b);

    D3DXVECTOR2 a2(1, 5), b2(4, 2), r2;
    EXPECT_EQ(*D3DXVec2Add(&r2, &a2, &b2), D3DXVECTOR2(5, 7));
    EXPECT_EQ(*D3DXVec2Subtract(&r2, &a2, &b2), D3DXVECTOR2(-3, 3));
    EXPECT_EQ(*D3DXVec2Minimize(&r2, &a2, &b2), D3DXVECTOR2(1, 2));
    EXPECT_EQ(*D3DXVec2Maximize(&r2, &a2, &b2), D3DXVECTOR2(4, 5));
    EXPECT_EQ(*D3DXVec2Scale(&r2, &a2, 2), D3DXVECTOR2(2, 10));
    EXPECT_EQ(*D3DXVec2Lerp(&r2, &a2, &b2, 0.25f), D3DXVECTOR2(1.75f, 4.25f));

    D3DXVECTOR4 a4(1, 5, -3, 2), b4(4, 2, 0, 6), r4;
    EXPECT_EQ(*D3DXVec4Add(&r4, &a4, &b4), D3DXVECTOR4(5, 7, -3, 8));
    EXPECT_EQ(*D3DXVec4Subtract(&r4, &a4, &b4), D3DXVECTOR4(-3, 3, -3, -4));
    EXPECT_EQ(*D3DXVec4Minimize(&r4, &a4, &b4), D3DXVECTOR4(1, 2, -3, 2));
    EXPECT_EQ(*D3DXVec4Maximize(&r4, &a4, &b4), D3DXVECTOR4(4, 5, 0, 6));
    EXPECT_EQ(*D3DXVec4Scale(&r4, &a4, 0.5f), D3DXVECTOR4(0.5f, 2.5f, -1.5f, 1));
    EXPECT_EQ(*D3DXVec4Lerp(&r4, &a4, &b4, 0.5f), D3DXVECTOR4(2.5f, 3.5f, -1.5f, 4));
}

TEST(MathVector, NormalizeGivesUnitLengthAndKeepsZeroAtZero) {
    D3DXVECTOR2 v2(3, 4), z2(0, 0);
    expectNear(*D3DXVec2Normalize(&v2, &v2), D3DXVECTOR2(0.6f, 0.8f));
    EXPECT_EQ(*D3DXVec2Normalize(&z2, &z2), D3DXVECTOR2(0, 0));

    D3DXVECTOR3 v3(0, -3, 4), z3(0, 0, 0), r3;
    expectNear(*D3DXVec3Normalize(&r3, &v3), D3DXVECTOR3(0, -0.6f, 0.8f));
    EXPECT_EQ(*D3DXVec3Normalize(&r3, &z3), D3DXVECTOR3(0, 0, 0));

    D3DXVECTOR4 v4(2, 0, 0, 0), z4(0, 0, 0, 0), r4;
    expectNear(*D3DXVec4Normalize(&r4, &v4), D3DXVECTOR4(1, 0, 0, 0));
    EXPECT_EQ(*D3DXVec4Normalize(&r4, &z4), D3DXVECTOR4(0, 0, 0, 0));
}

TEST(MathVector, TransformsAsRowVectors) {
    // Rows: x -> (0, 2, 0), y -> (-1, 0, 0), z -> (0, 0, 3), translation (10, 20, 30), w column (0, 0, 1, 2).
    D3DXMATRIX m(0, 2, 0, 0,
                 -1, 0, 0, 0,
                 0, 0, 3, 1,
                 10, 20, 30, 2);
    D3DXVECTOR3 v(1, 2, 3), r;
    D3DXVECTOR4 r4;
    // (1, 2, 3, 1) * m = (-2 + 10, 2 + 20, 9 + 30, 3 + 2).
    expectNear(*D3DXVec3Transform(&r4, &v, &m), D3DXVECTOR4(8, 22, 39, 5));
    expectNear(*D3DXVec3TransformCoord(&r, &v, &m), D3DXVECTOR3(8 / 5.0f, 22 / 5.0f, 39 / 5.0f));
    expectNear(*D3DXVec3TransformNormal(&r, &v, &m), D3DXVECTOR3(-2, 2, 9));

    D3DXVECTOR2 v2(1, 2), r2;
    expectNear(*D3DXVec2Transform(&r4, &v2, &m), D3DXVECTOR4(8, 22, 30, 2));
    expectNear(*D3DXVec2TransformCoord(&r2, &v2, &m), D3DXVECTOR2(4, 11));
    expectNear(*D3DXVec2TransformNormal(&r2, &v2, &m), D3DXVECTOR2(-2, 2));

    D3DXVECTOR4 v4(1, 2, 3, 0);
    expectNear(*D3DXVec4Transform(&r4, &v4, &m), D3DXVECTOR4(-2, 2, 9, 3));
    // In place.
    D3DXVec3TransformCoord(&v, &v, &m);
    expectNear(v, D3DXVECTOR3(8 / 5.0f, 22 / 5.0f, 39 / 5.0f));
}
