#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/Frustum.h>
#include <tormakelin/core/Ray.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace tormakelin::core;

namespace {

AxisAlignedBoundingBox box(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi) {
    AxisAlignedBoundingBox b;
    b.begin(lo, hi);
    return b;
}

void expectVec(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

}  // namespace

TEST(BoundingBox, StartsAtZeroAndExpandsComponentWise) {
    AxisAlignedBoundingBox b;
    expectVec(b.min, D3DXVECTOR3(0, 0, 0));
    expectVec(b.max, D3DXVECTOR3(0, 0, 0));
    b.begin(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 1, 1));
    b.expand(D3DXVECTOR3(-2, 3, 0));
    b.expand(box(D3DXVECTOR3(0, -4, 2), D3DXVECTOR3(5, 0, 6)));
    b.end();
    expectVec(b.min, D3DXVECTOR3(-2, -4, 0));
    expectVec(b.max, D3DXVECTOR3(5, 3, 6));
}

TEST(BoundingBox, CornersVaryXFastestThenYThenZ) {
    D3DXVECTOR3 corners[8];
    box(D3DXVECTOR3(0, 1, 2), D3DXVECTOR3(10, 11, 12)).getCorners(corners);
    const D3DXVECTOR3 expected[8] = {{0, 1, 2}, {10, 1, 2}, {0, 11, 2}, {10, 11, 2},
                                     {0, 1, 12}, {10, 1, 12}, {0, 11, 12}, {10, 11, 12}};
    for (int i = 0; i < 8; ++i) {
        expectVec(corners[i], expected[i]);
    }
}

TEST(BoundingBox, TransformBoundsTheMovedCorners) {
    AxisAlignedBoundingBox b = box(D3DXVECTOR3(-1, -2, -3), D3DXVECTOR3(1, 2, 3));
    D3DXMATRIX m;
    b.transform(*D3DXMatrixIdentity(&m));
    expectVec(b.min, D3DXVECTOR3(-1, -2, -3));
    expectVec(b.max, D3DXVECTOR3(1, 2, 3));
    // A quarter turn about z swaps the x and y extents; then a translation.
    D3DXMATRIX r, t;
    D3DXMatrixRotationZ(&r, D3DX_PI / 2);
    D3DXMatrixTranslation(&t, 10, 0, 0);
    b.transform(r * t);
    expectVec(b.min, D3DXVECTOR3(8, -1, -3));
    expectVec(b.max, D3DXVECTOR3(12, 1, 3));
}

TEST(Ray, PlaneIntersection) {
    D3DXPLANE floor(0, 1, 0, 0);  // y = 0
    float t = 0;
    struct Case { D3DXVECTOR3 origin, direction; bool hit; float t; };
    const Case cases[] = {
        {{0, 5, 0}, {0, -1, 0}, true, 5},
        {{0, 5, 0}, {0, -2, 0}, true, 2.5f},
        {{0, 5, 0}, {0, 1, 0}, false, -5},   // plane behind the origin
        {{0, 0, 0}, {1, 0, 0}, false, 0},    // parallel: t untouched
        {{0, 0, 0}, {0, 1, 0}, true, 0},     // origin on the plane
    };
    for (const Case& c : cases) {
        t = 0;
        Ray ray(c.origin, c.direction);
        EXPECT_EQ(ray.intersects(floor, t), c.hit) << c.origin.y << " " << c.direction.x;
        EXPECT_FLOAT_EQ(t, c.t);
    }
    Ray copy;
    copy.set(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, 1));
    Ray other(copy);
    expectVec(other.origin, D3DXVECTOR3(1, 2, 3));
}

TEST(Ray, BoxIntersection) {
    AxisAlignedBoundingBox unit = box(D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1));
    struct Case { D3DXVECTOR3 origin, direction; bool hit; };
    const Case cases[] = {
        {{0, 0, -5}, {0, 0, 1}, true},        // straight at the face
        {{0, 0, -5}, {0, 0, -1}, false},      // pointing away
        {{0, 0, 0}, {1, 0, 0}, true},         // origin inside
        {{3, 0, -5}, {0, 0, 1}, false},       // passes beside
        {{-5, -5, -5}, {1, 1, 1}, true},      // along the diagonal, through a corner region
        {{0, 2, -5}, {0, 0, 1}, false},       // above the box, parallel to its top
        {{1, 0, -5}, {0, 0, 1}, true},        // grazing the edge face
        {{-5, 0.5f, 0}, {1, 0.1f, 0}, true},  // oblique hit on the left face
        {{-5, 0.5f, 0}, {1, 0.5f, 0}, false}, // oblique miss above
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intersect(Ray(c.origin, c.direction), unit), c.hit)
            << "origin " << c.origin.x << "," << c.origin.y << "," << c.origin.z;
    }
}

namespace {

Frustum cameraFrustum(bool normalise) {
    D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    Frustum f;
    f.build(view, projection, normalise);
    return f;
}

// Culling a box by its bounding sphere, as the scene renderer does.
bool boxVisible(const Frustum& f, const AxisAlignedBoundingBox& b) {
    D3DXVECTOR3 centre = (b.min + b.max) * 0.5f, half = (b.max - b.min) * 0.5f;
    return f.containsSphere(centre, D3DXVec3Length(&half));
}

}  // namespace

TEST(Frustum, PlanesOfAPerspectiveCamera) {
    Frustum f = cameraFrustum(true);
    // Normalised planes face inward: near is z = 1, far is z = 100.
    EXPECT_NEAR(f.planes[Frustum::Near].c, 1, 1e-5f);
    EXPECT_NEAR(f.planes[Frustum::Near].d, -1, 1e-4f);
    EXPECT_NEAR(f.planes[Frustum::Far].c, -1, 1e-5f);
    EXPECT_NEAR(f.planes[Frustum::Far].d, 100, 1e-3f);
    // 90 degrees: the left plane is x = -z, normal (1, 0, 1) / sqrt 2.
    EXPECT_NEAR(f.planes[Frustum::Left].a, std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(f.planes[Frustum::Left].c, std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(f.planes[Frustum::Top].b, -std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(f.planes[Frustum::Bottom].b, std::sqrt(0.5f), 1e-5f);
}

TEST(Frustum, PointsAndSpheres) {
    for (bool normalise : {false, true}) {
        Frustum f = cameraFrustum(normalise);
        EXPECT_TRUE(f.contains(D3DXVECTOR3(0, 0, 10)));
        EXPECT_TRUE(f.contains(D3DXVECTOR3(4, -4, 5)));
        EXPECT_FALSE(f.contains(D3DXVECTOR3(0, 0, -10)));   // behind
        EXPECT_FALSE(f.contains(D3DXVECTOR3(0, 0, 0.5f)));  // before near
        EXPECT_FALSE(f.contains(D3DXVECTOR3(0, 0, 200)));   // past far
        EXPECT_FALSE(f.contains(D3DXVECTOR3(11, 0, 10)));   // right of the cone
        EXPECT_FALSE(f.contains(D3DXVECTOR3(0, 0, 1)));     // exactly on near: outside
    }
    Frustum f = cameraFrustum(true);
    EXPECT_TRUE(f.containsSphere(D3DXVECTOR3(0, 0, -0.5f), 2));  // straddles near
    EXPECT_FALSE(f.containsSphere(D3DXVECTOR3(0, 0, -5), 2));
}

TEST(Frustum, CullsBoxes) {
    Frustum f = cameraFrustum(true);
    struct Case { D3DXVECTOR3 lo, hi; bool visible; };
    const Case cases[] = {
        {{-1, -1, 9}, {1, 1, 11}, true},         // in front
        {{-1, -1, -11}, {1, 1, -9}, false},      // behind the camera
        {{50, -1, 9}, {52, 1, 11}, false},       // far to the right
        {{9, -1, 9}, {12, 1, 11}, true},         // straddles the right plane
        {{-1, -1, 150}, {1, 1, 160}, false},     // beyond far
        {{-200, -200, 50}, {200, 200, 60}, true} // larger than the view
    };
    for (const Case& c : cases) {
        EXPECT_EQ(boxVisible(f, box(c.lo, c.hi)), c.visible) << c.lo.x << " " << c.lo.z;
    }
}
