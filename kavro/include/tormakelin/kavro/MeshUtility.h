#pragma once
// An editable polygon mesh for tools that build scene geometry, and its conversion to a geometry.

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include <tormakelin/core/MapVector.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Export.h>

namespace tormakelin::kavro {

class IGeometry;

// Where each source vertex went in a converted geometry.
class TORMAKELIN_KAVRO_API VertexRemap {
public:
    void addVertex(int source, int output);
    const std::vector<int>& getRemap(int source) const;
    size_t size() const { return m_remap.size(); }

private:
    std::map<int, std::vector<int>> m_remap;
};

namespace meshUtility {

constexpr int kUvSets = 16;
constexpr int kBoneInfluences = 4;

// Makes addUniqueVertex compare vertices by their position index alone.
TORMAKELIN_KAVRO_API void setUsePositionOnlyWhenComparingVertex(bool positionOnly);
TORMAKELIN_KAVRO_API bool getUsePositionOnlyWhenComparingVertex();

struct TORMAKELIN_KAVRO_API Vertex {
    Vertex();
    void setPosition(int index) { position = index; }
    void setNormal(int index) { normal = index; }
    void setTangent(int index) { tangent = index; }
    void setBinormal(int index) { binormal = index; }
    void setTexCoord(int uvSet, int index);
    void setBoneInfluence(int slot, int bone, float weight);
    bool operator==(const Vertex& other) const { return std::memcmp(this, &other, sizeof other) == 0; }

    int32_t position;
    int32_t normal;
    int32_t tangent;
    int32_t binormal;
    int32_t texCoords[kUvSets];
    struct Influence {
        int32_t bone;
        float weight;
    } bones[kBoneInfluences];
};
static_assert(sizeof(Vertex) == 28 * 4);

class TORMAKELIN_KAVRO_API Polygon {
public:
    void addIndex(int vertex) { m_indices.push_back(vertex); }
    void clearIndices() { m_indices.clear(); }
    void setMaterial(int material) { m_material = material; }
    int getMaterial() const { return m_material; }
    const std::vector<int>& getIndices() const { return m_indices; }
    bool operator==(const Polygon& other) const
    {
        return m_material == other.m_material && m_indices == other.m_indices;
    }

private:
    int m_material = -1;
    std::vector<int> m_indices;
};

struct Material {
    std::string name;
    core::UniqueId id{};
};

class TORMAKELIN_KAVRO_API Mesh {
public:
    struct ConvertParams {
        bool indexed = true;
        bool secondFlag = false;
        bool writeSkin = false;
    };

    enum ClearFlags : uint32_t {
        Clear_Materials = 1,
        Clear_Vertices = 2,
        Clear_Polygons = 4,
        Clear_Positions = 8,
        Clear_Normals = 16,
        Clear_TexCoords = 32,
    };

    int addPosition(const D3DXVECTOR3& p) { return m_positions.add(p); }
    int addUniquePosition(const D3DXVECTOR3& p) { return m_positions.addUnique(p); }
    int addNormal(const D3DXVECTOR3& n) { return m_normals.add(n); }
    int addUniqueNormal(const D3DXVECTOR3& n) { return m_normals.addUnique(quantise(n)); }
    int addTangent(const D3DXVECTOR3& t) { return m_tangents.add(t); }
    int addUniqueTangent(const D3DXVECTOR3& t) { return m_tangents.addUnique(quantise(t)); }
    int addBinormal(const D3DXVECTOR3& b) { return m_binormals.add(b); }
    int addUniqueBinormal(const D3DXVECTOR3& b) { return m_binormals.addUnique(quantise(b)); }
    // -1 for a UV set outside 0..15.
    int addTexCoord(int uvSet, const D3DXVECTOR2& uv);
    int addUniqueTexCoord(int uvSet, const D3DXVECTOR2& uv);
    int addVertex(const Vertex& v);
    int addUniqueVertex(const Vertex& v);
    int addPolygon(const Polygon& p);
    int addUniquePolygon(const Polygon& p);
    int addMaterial(const Material& m);

    void setPositions(const std::vector<D3DXVECTOR3>& items) { m_positions.set(items); }
    void setNormals(const std::vector<D3DXVECTOR3>& items) { m_normals.set(items); }
    void setTangents(const std::vector<D3DXVECTOR3>& items) { m_tangents.set(items); }
    void setBinormals(const std::vector<D3DXVECTOR3>& items) { m_binormals.set(items); }
    void setTexCoords(int uvSet, const std::vector<D3DXVECTOR2>& items);
    void setVertices(const std::vector<Vertex>& items);
    void setPolygons(const std::vector<Polygon>& items);
    void setMaterials(const std::vector<Material>& items) { m_materials = items; }

    const D3DXVECTOR3* getPosition(int index) const { return m_positions.get(index); }
    const D3DXVECTOR3* getNormal(int index) const { return m_normals.get(index); }
    const D3DXVECTOR3* getTangent(int index) const { return m_tangents.get(index); }
    const D3DXVECTOR3* getBinormal(int index) const { return m_binormals.get(index); }
    const D3DXVECTOR2* getTexCoord(int uvSet, int index) const;
    const Vertex* getVertex(int index) const { return m_vertices.get(index); }
    const Polygon* getPolygon(int index) const;
    const Material* getMaterial(int index) const;
    size_t getNumPositions() const { return m_positions.size(); }
    size_t getNumVertices() const { return m_vertices.size(); }
    size_t getNumPolygons() const { return m_polygons.size(); }
    size_t getNumMaterials() const { return m_materials.size(); }
    int getNumPopulatedUvSets() const;

    void clear(uint32_t flags);
    // Polygons must already be triangles and tangents given: both leave the mesh as it is.
    void triangulate() {}
    void calculateTangents(int) {}

    // A new geometry (count 0) with one fragment per material, or null when a polygon names a
    // vertex the mesh lacks or the buffers cannot be made.
    IGeometry* convertMesh(const ConvertParams& params, VertexRemap& remap) const;

private:
    static D3DXVECTOR3 quantise(const D3DXVECTOR3& v);

    core::MapVector<D3DXVECTOR3> m_positions;
    core::MapVector<D3DXVECTOR3> m_normals;
    core::MapVector<D3DXVECTOR3> m_tangents;
    core::MapVector<D3DXVECTOR3> m_binormals;
    core::MapVector<D3DXVECTOR2> m_texCoords[kUvSets];
    core::MapVector<Vertex> m_vertices;
    std::map<int, int> m_vertexByPosition;
    std::vector<Polygon> m_polygons;
    std::map<std::vector<int>, int> m_polygonLookup;
    std::vector<Material> m_materials;
};

}  // namespace meshUtility
}  // namespace tormakelin::kavro
