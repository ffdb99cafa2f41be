#include "math_expect.h"

TEST(MathPlane, DotsAndNormalize) {
    D3DXPLANE p(0, 2, 0, -4), r;
    D3DXVECTOR3 v(1, 3, 5);
    D3DXVECTOR4 v4(1, 3, 5, 2);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &v), 2);
    EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&p, &v), 6);
    EXPECT_FLOAT_EQ(D3DXPlaneDot(&p, &v4), -2);
    expectNear(*D3DXPlaneNormalize(&r, &p), D3DXPLANE(0, 1, 0, -2));
    D3DXPLANE zero(0, 0, 0, 5);
    EXPECT_EQ(*D3DXPlaneNormalize(&r, &zero), D3DXPLANE(0, 0, 0, 0));
    EXPECT_EQ(p * 2.0f, D3DXPLANE(0, 4, 0, -8));
    EXPECT_EQ(-p, D3DXPLANE(0, -2, 0, 4));
    EXPECT_EQ(p / 2.0f, D3DXPLANE(0, 1, 0, -2));
}

TEST(MathPlane, FromPointsAndPointNormal) {
    D3DXVECTOR3 a(0, 0, 3), b(1, 0, 3), c(0, 1, 3), normal(0, 0, 1);
    D3DXPLANE p;
    // (b - a) x (c - a) = x x y = +z.
    expectNear(*D3DXPlaneFromPoints(&p, &a, &b, &c), D3DXPLANE(0, 0, 1, -3));
    expectNear(*D3DXPlaneFromPoints(&p, &a, &c, &b), D3DXPLANE(0, 0, -1, 3));
    expectNear(*D3DXPlaneFromPointNormal(&p, &a, &normal), D3DXPLANE(0, 0, 1, -3));
}

TEST(MathPlane, IntersectLine) {
    D3DXPLANE p(0, 1, 0, -2);
    D3DXVECTOR3 a(1, 0, 1), b(1, 1, 1), r;
    // The line, not only the segment: y = 2 lies past b.
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &p, &a, &b), nullptr);
    expectNear(r, D3DXVECTOR3(1, 2, 1));
    D3DXVECTOR3 c(5, 0, 1);
    EXPECT_EQ(D3DXPlaneIntersectLine(&r, &p, &a, &c), nullptr);
}
