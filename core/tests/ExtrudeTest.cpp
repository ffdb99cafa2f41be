#include <tormakelin/core/Extrude.h>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace tormakelin::core;

namespace {

Contour square() {
    Contour c;
    c.addPoint({-1, -1, 0});
    c.addPoint({1, -1, 0});
    c.addPoint({1, 1, 0});
    c.addPoint({-1, 1, 0});
    return c;
}

Extrude path(std::initializer_list<Extrude::Point> points) {
    Extrude e;
    for (const Extrude::Point& p : points) {
        e.addPoint(p);
    }
    return e;
}

D3DXVECTOR3 xyz(const D3DXVECTOR4& v) { return D3DXVECTOR3(v.x, v.y, v.z); }

bool finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Triangles with distinct corners and unit normals; vertex normals unit or zero.
void expectValidMesh(const ExtrudedMesh& mesh) {
    ASSERT_FALSE(mesh.getTriangles().empty());
    for (const ExtrudedMesh::Triangle& t : mesh.getTriangles()) {
        EXPECT_NE(t.indices[0], t.indices[1]);
        EXPECT_NE(t.indices[1], t.indices[2]);
        EXPECT_NE(t.indices[0], t.indices[2]);
        D3DXVECTOR3 n(t.normal[0], t.normal[1], t.normal[2]);
        ASSERT_TRUE(finite(n));
        EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-4f);
    }
    for (const D3DXVECTOR3& n : mesh.getNormals()) {
        ASSERT_TRUE(finite(n));
    }
}

}  // namespace

TEST(Extrude, StraightSquareTube) {
    Extrude e = path({{0, 0, 0, 0.25f}, {0, 0, 2, 0.75f}});
    ExtrudedMesh mesh;
    ASSERT_TRUE(e.extrude(square(), mesh));
    EXPECT_EQ(mesh.getVertices().size(), 8u);
    EXPECT_EQ(mesh.getTriangles().size(), 8u);
    EXPECT_EQ(mesh.getNormals().size(), 8u);
    for (const D3DXVECTOR4& v : mesh.getVertices()) {
        // The contour lies across the path; w comes from the path point.
        EXPECT_NEAR(std::fabs(v.x), 1, 1e-5f);
        EXPECT_NEAR(std::fabs(v.y), 1, 1e-5f);
        EXPECT_EQ(v.w, v.z == 0 ? 0.25f : 0.75f);
    }
    expectValidMesh(mesh);
}

TEST(Extrude, SquareNormalsPointOutward) {
    Extrude e = path({{0, 0, 0, 0}, {0, 0, 2, 0}});
    ExtrudedMesh mesh;
    ASSERT_TRUE(e.extrude(square(), mesh));
    const auto& vertices = mesh.getVertices();
    std::set<std::pair<int, int>> faceDirections;
    for (const ExtrudedMesh::Triangle& t : mesh.getTriangles()) {
        D3DXVECTOR3 n(t.normal[0], t.normal[1], t.normal[2]);
        D3DXVECTOR3 centre = (xyz(vertices[t.indices[0]]) + xyz(vertices[t.indices[1]]) + xyz(vertices[t.indices[2]])) / 3;
        centre.z = 0;
        // Each side's normal is the side's outward axis.
        EXPECT_NEAR(n.z, 0, 1e-5f);
        EXPECT_NEAR(std::fabs(n.x) + std::fabs(n.y), 1, 1e-5f);
        EXPECT_GT(D3DXVec3Dot(&n, &centre), 0);
        faceDirections.insert({static_cast<int>(std::lround(n.x)), static_cast<int>(std::lround(n.y))});
    }
    EXPECT_EQ(faceDirections.size(), 4u);
    // A corner vertex's normal leans out between its two sides.
    for (size_t i = 0; i < vertices.size(); ++i) {
        D3DXVECTOR3 n = mesh.getNormals()[i], radial = xyz(vertices[i]);
        radial.z = 0;
        EXPECT_NEAR(D3DXVec3Length(&n), 1, 1e-5f);
        EXPECT_NEAR(n.z, 0, 1e-5f);
        EXPECT_GT(n.x * radial.x, 0);
        EXPECT_GT(n.y * radial.y, 0);
    }
}

TEST(Extrude, TooFewPointsLeaveTheMeshAlone) {
    ExtrudedMesh mesh;
    unsigned int tri[3] = {0, 1, 2};
    mesh.addVertex(D3DXVECTOR4(0, 0, 0, 0));
    mesh.addVertex(D3DXVECTOR4(1, 0, 0, 0));
    mesh.addVertex(D3DXVECTOR4(0, 1, 0, 0));
    mesh.addTriangle(tri);
    EXPECT_FALSE(path({{0, 0, 0, 0}}).extrude(square(), mesh));
    Contour line;
    line.addPoint({0, 0, 0});
    EXPECT_FALSE(path({{0, 0, 0, 0}, {0, 0, 1, 0}}).extrude(line, mesh));
    EXPECT_EQ(mesh.getVertices().size(), 3u);
    EXPECT_EQ(mesh.getTriangles().size(), 1u);
}

TEST(Extrude, VerticesAreSharedWithinTolerance) {
    ExtrudedMesh mesh;
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(1, 2, 3, 4)), 0u);
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(1, 2, 3, 4)), 0u);
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(1.005f, 2, 3, 4)), 0u);  // squared distance 2.5e-5
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(1, 2, 3, 4.02f)), 1u);   // w counts too
    // Across a cell border, and the first match wins.
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(-0.004f, 0, 0, 0)), 2u);
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(0.004f, 0, 0, 0)), 2u);
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(0.011f, 0, 0, 0)), 3u);
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(0.0035f, 0, 0, 0)), 2u);
    mesh.clear();
    EXPECT_TRUE(mesh.getVertices().empty());
    EXPECT_EQ(mesh.addVertex(D3DXVECTOR4(1, 2, 3, 4)), 0u);
    mesh.clear();
    EXPECT_TRUE(mesh.getNormals().empty());
}

TEST(Extrude, LongPathsShareTheirRings) {
    Extrude e;
    for (int i = 0; i < 2000; ++i) {
        float a = static_cast<float>(i) * 0.01f;
        e.addPoint({std::cos(a) * 10, std::sin(a) * 10, static_cast<float>(i) * 0.05f, 0});
    }
    Contour ring;
    for (int j = 0; j < 16; ++j) {
        float a = static_cast<float>(j) * 6.2831853f / 16;
        ring.addPoint({std::cos(a), std::sin(a), 0});
    }
    ExtrudedMesh mesh;
    ASSERT_TRUE(e.extrude(ring, mesh));
    EXPECT_EQ(mesh.getVertices().size(), 2000u * 16u);
    EXPECT_EQ(mesh.getTriangles().size(), 1999u * 16u * 2u);
}

TEST(Extrude, DegeneratePathsStillGiveValidMeshes) {
    // Along the starting up vector, with repeated points, bending, and a repeated start.
    const std::vector<std::vector<Extrude::Point>> paths = {
        {{0, 0, 0, 0}, {5, 0, 0, 0}},
        {{0, 0, 0, 0}, {-3, 0, 0, 0}, {-3, 0, 4, 0}},
        {{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 2, 0}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 1, 0, 0}},
        {{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}, {1, 1, 1, 0}, {0, 1, 1, 0}},
    };
    for (const auto& points : paths) {
        Extrude e;
        for (const Extrude::Point& p : points) {
            e.addPoint(p);
        }
        ExtrudedMesh mesh;
        ASSERT_TRUE(e.extrude(square(), mesh));
        expectValidMesh(mesh);
        for (const D3DXVECTOR4& v : mesh.getVertices()) {
            ASSERT_TRUE(finite(xyz(v)));
        }
    }
    // A path of one repeated point only has nothing to cover, but stays finite.
    Extrude still = path({{2, 2, 2, 0}, {2, 2, 2, 0}});
    ExtrudedMesh mesh;
    ASSERT_TRUE(still.extrude(square(), mesh));
    EXPECT_TRUE(mesh.getTriangles().empty());
    for (const D3DXVECTOR4& v : mesh.getVertices()) {
        EXPECT_TRUE(finite(xyz(v)));
    }
}
