#pragma once
// Sweeps a closed cross-section along a path of points into an indexed triangle mesh with face
// and vertex normals, for tube-like geometry.

#include <d3dx9math.h>
#include <tormakelin/core/Export.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tormakelin::core {

// The cross-section, in its own frame: x and y across the path, z along it.
class TORMAKELIN_CORE_API Contour {
public:
    struct Point {
        float x, y, z;
    };

    void addPoint(const Point& point) { m_points.push_back(point); }
    const std::vector<Point>& getPoints() const { return m_points; }

private:
    std::vector<Point> m_points;
};

class TORMAKELIN_CORE_API ExtrudedMesh {
public:
    struct Triangle {
        unsigned int indices[3];
        float normal[3];
    };

    void clear();
    void addTriangle(const unsigned int indices[3]);
    // The index of a vertex within 0.01 (four components), or of the new one.
    unsigned int addVertex(const D3DXVECTOR4& vertex);
    void calcNormals();

    const std::vector<D3DXVECTOR4>& getVertices() const { return m_vertices; }
    const std::vector<D3DXVECTOR3>& getNormals() const { return m_normals; }
    const std::vector<Triangle>& getTriangles() const { return m_triangles; }

private:
    // Vertices by grid cell of the sharing distance, so that a lookup checks neighbours only.
    static int64_t cellKey(int64_t x, int64_t y, int64_t z);

    std::vector<D3DXVECTOR4> m_vertices;
    std::vector<D3DXVECTOR3> m_normals;
    std::vector<Triangle> m_triangles;
    std::unordered_map<int64_t, std::vector<unsigned int>> m_cells;
};

class TORMAKELIN_CORE_API Extrude {
public:
    // A path position; w goes into the w of every vertex made at this point.
    struct Point {
        float x, y, z, w;
    };

    void addPoint(const Point& point) { m_points.push_back(point); }
    const std::vector<Point>& getPoints() const { return m_points; }

    // False, the mesh untouched, for fewer than two path or contour points.
    bool extrude(const Contour& contour, ExtrudedMesh& mesh) const;

private:
    // Contour x maps to the side vector, y to the up vector, z to the tangent.
    std::vector<D3DXMATRIX> buildFrames() const;

    std::vector<Point> m_points;
};

}  // namespace tormakelin::core
