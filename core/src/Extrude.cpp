#include <tormakelin/core/Extrude.h>

#include <cmath>

namespace tormakelin::core {

namespace {

D3DXVECTOR3 normalised(const D3DXVECTOR3& v) {
    D3DXVECTOR3 r;
    return *D3DXVec3Normalize(&r, &v);
}

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 r;
    return *D3DXVec3Cross(&r, &a, &b);
}

bool isZero(const D3DXVECTOR3& v) { return D3DXVec3LengthSq(&v) < 1e-12f; }

// The world axis least aligned with the tangent: an up vector that cannot be parallel to it.
D3DXVECTOR3 leastAlignedAxis(const D3DXVECTOR3& t) {
    float ax = std::fabs(t.x), ay = std::fabs(t.y), az = std::fabs(t.z);
    if (ax <= ay && ax <= az) {
        return D3DXVECTOR3(1, 0, 0);
    }
    return ay <= az ? D3DXVECTOR3(0, 1, 0) : D3DXVECTOR3(0, 0, 1);
}

bool hasArea(const ExtrudedMesh& mesh, const unsigned int indices[3]) {
    if (indices[0] == indices[1] || indices[1] == indices[2] || indices[0] == indices[2]) {
        return false;
    }
    const std::vector<D3DXVECTOR4>& v = mesh.getVertices();
    D3DXVECTOR4 a = v[indices[0]], b = v[indices[1]], c = v[indices[2]];
    D3DXVECTOR3 n = cross(D3DXVECTOR3(b.x - a.x, b.y - a.y, b.z - a.z), D3DXVECTOR3(c.x - a.x, c.y - a.y, c.z - a.z));
    return D3DXVec3LengthSq(&n) > 1e-12f;
}

}  // namespace

void ExtrudedMesh::clear() {
    m_vertices.clear();
    m_normals.clear();
    m_triangles.clear();
    m_cells.clear();
}

void ExtrudedMesh::addTriangle(const unsigned int indices[3]) {
    Triangle t{{indices[0], indices[1], indices[2]}, {0, 0, 0}};
    m_triangles.push_back(t);
}

namespace {

// Vertices closer than this (four components) are one vertex.
constexpr float ShareDistance = 0.01f;

int64_t cellOf(float v) {
    float c = std::floor(v / ShareDistance);
    // Far-out or broken coordinates all land in the edge cells; the exact test still decides.
    return static_cast<int64_t>(std::fmax(std::fmin(c, 1e15f), -1e15f));
}

}  // namespace

int64_t ExtrudedMesh::cellKey(int64_t x, int64_t y, int64_t z) {
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return static_cast<int64_t>(h);
}

unsigned int ExtrudedMesh::addVertex(const D3DXVECTOR4& vertex) {
    int64_t cx = cellOf(vertex.x), cy = cellOf(vertex.y), cz = cellOf(vertex.z);
    // The first vertex within reach, as a scan from the start would find it.
    unsigned int found = UINT32_MAX;
    for (int64_t dx = -1; dx <= 1; ++dx) {
        for (int64_t dy = -1; dy <= 1; ++dy) {
            for (int64_t dz = -1; dz <= 1; ++dz) {
                auto cell = m_cells.find(cellKey(cx + dx, cy + dy, cz + dz));
                if (cell == m_cells.end()) {
                    continue;
                }
                for (unsigned int index : cell->second) {
                    D3DXVECTOR4 d = m_vertices[index] - vertex;
                    if (index < found && D3DXVec4LengthSq(&d) <= 0.0001f) {
                        found = index;
                    }
                }
            }
        }
    }
    if (found != UINT32_MAX) {
        return found;
    }
    unsigned int index = static_cast<unsigned int>(m_vertices.size());
    m_vertices.push_back(vertex);
    m_normals.push_back(D3DXVECTOR3(0, 0, 0));
    m_cells[cellKey(cx, cy, cz)].push_back(index);
    return index;
}

void ExtrudedMesh::calcNormals() {
    m_normals.assign(m_vertices.size(), D3DXVECTOR3(0, 0, 0));
    for (Triangle& t : m_triangles) {
        const D3DXVECTOR4& a4 = m_vertices[t.indices[0]];
        const D3DXVECTOR4& b4 = m_vertices[t.indices[1]];
        const D3DXVECTOR4& c4 = m_vertices[t.indices[2]];
        D3DXVECTOR3 a(a4.x, a4.y, a4.z), b(b4.x, b4.y, b4.z), c(c4.x, c4.y, c4.z);
        D3DXVECTOR3 n = normalised(cross(normalised(a - b), normalised(b - c)));
        t.normal[0] = n.x;
        t.normal[1] = n.y;
        t.normal[2] = n.z;
        for (unsigned int index : t.indices) {
            m_normals[index] += n;
        }
    }
    for (D3DXVECTOR3& n : m_normals) {
        n = normalised(n);
    }
}

std::vector<D3DXMATRIX> Extrude::buildFrames() const {
    size_t count = m_points.size();
    auto position = [this](size_t i) { return D3DXVECTOR3(m_points[i].x, m_points[i].y, m_points[i].z); };
    // Repeated points have no direction of their own: they take the previous one, and the
    // start takes the first direction the path has.
    D3DXVECTOR3 tangent(0, 0, 1);
    for (size_t i = 0; i + 1 < count; ++i) {
        D3DXVECTOR3 d = position(i + 1) - position(i);
        if (!isZero(d)) {
            tangent = normalised(d);
            break;
        }
    }
    std::vector<D3DXMATRIX> frames;
    frames.reserve(count);
    D3DXVECTOR3 up(1, 0, 0);
    for (size_t i = 0; i < count; ++i) {
        if (i + 1 < count) {
            D3DXVECTOR3 d = position(i + 1) - position(i);
            if (!isZero(d)) {
                tangent = normalised(d);
            }
        }
        D3DXVECTOR3 side = cross(up, tangent);
        if (isZero(side)) {
            // The path runs along the up vector: pick one across it.
            up = leastAlignedAxis(tangent);
            side = cross(up, tangent);
        }
        side = normalised(side);
        D3DXVECTOR3 p = position(i);
        frames.push_back(D3DXMATRIX(side.x, side.y, side.z, 0, up.x, up.y, up.z, 0, tangent.x, tangent.y, tangent.z, 0,
                                    p.x, p.y, p.z, 1));
        up = normalised(cross(tangent, side));
    }
    return frames;
}

bool Extrude::extrude(const Contour& contour, ExtrudedMesh& mesh) const {
    const std::vector<Contour::Point>& shape = contour.getPoints();
    if (m_points.size() < 2 || shape.size() < 2) {
        return false;
    }
    mesh.clear();
    std::vector<D3DXMATRIX> frames = buildFrames();
    auto corner = [&](size_t i, size_t j) {
        D3DXVECTOR3 local(shape[j].x, shape[j].y, shape[j].z), world;
        D3DXVec3TransformCoord(&world, &local, &frames[i]);
        return mesh.addVertex(D3DXVECTOR4(world, m_points[i].w));
    };
    for (size_t i = 0; i + 1 < m_points.size(); ++i) {
        for (size_t j = 0; j < shape.size(); ++j) {
            size_t next = (j + 1) % shape.size();
            unsigned int a = corner(i, j), b = corner(i, next), c = corner(i + 1, next), d = corner(i + 1, j);
            const unsigned int first[3] = {a, b, c};
            const unsigned int second[3] = {a, c, d};
            // Corners that coincide (repeated path points) or line up (sharp bends) cover no
            // area: no triangle, so no face without a normal.
            if (hasArea(mesh, first)) {
                mesh.addTriangle(first);
            }
            if (hasArea(mesh, second)) {
                mesh.addTriangle(second);
            }
        }
    }
    mesh.calcNormals();
    return true;
}

}  // namespace tormakelin::core
