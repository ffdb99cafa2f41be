#include <tormakelin/kavro/MeshUtility.h>

#include <algorithm>

#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

namespace tormakelin::kavro {

void VertexRemap::addVertex(int source, int output)
{
    std::vector<int>& outputs = m_remap[source];
    if (std::find(outputs.begin(), outputs.end(), output) == outputs.end()) {
        outputs.push_back(output);
    }
}

const std::vector<int>& VertexRemap::getRemap(int source) const
{
    static const std::vector<int> kNone;
    auto found = m_remap.find(source);
    return found == m_remap.end() ? kNone : found->second;
}

namespace meshUtility {

namespace {

bool g_positionOnly = false;

constexpr unsigned kModelStride = 48;
constexpr unsigned kSkinStride = 32;

std::vector<int> polygonKey(const Polygon& p)
{
    std::vector<int> key{p.getMaterial()};
    key.insert(key.end(), p.getIndices().begin(), p.getIndices().end());
    return key;
}

render::VertexElement element(unsigned stream, unsigned offset, uint8_t type, uint8_t usage, uint8_t index = 0)
{
    render::VertexElement e;
    e.stream = uint16_t(stream);
    e.offset = uint16_t(offset);
    e.type = type;
    e.method = D3DDECLMETHOD_DEFAULT;
    e.usage = usage;
    e.usageIndex = index;
    return e;
}

// A write-only default-pool buffer holding the bytes; null when it cannot be made.
render::IVertexBuffer* makeBuffer(const std::vector<float>& floats)
{
    const unsigned size = unsigned(floats.size() * sizeof(float));
    if (size == 0) {
        return nullptr;
    }
    render::IVertexBuffer* buffer = render::createVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT);
    if (buffer == nullptr) {
        return nullptr;
    }
    auto* bytes = new unsigned char[size];
    std::memcpy(bytes, floats.data(), size);
    buffer->setData(bytes);
    buffer->upload(0);
    return buffer;
}

void put(std::vector<float>& out, const D3DXVECTOR3* v)
{
    const D3DXVECTOR3 zero(0, 0, 0);
    const D3DXVECTOR3& value = v ? *v : zero;
    out.insert(out.end(), {value.x, value.y, value.z});
}

using MaterialGroups = std::map<int, std::vector<const Polygon*>>;

bool cornersExist(const Polygon& p, const core::MapVector<Vertex>& vertices)
{
    for (size_t i = 0; i < 3; ++i) {
        if (vertices.get(p.getIndices()[i]) == nullptr) {
            return false;
        }
    }
    return true;
}

// Polygons grouped by material, ascending; only the first three indices of each count.
// False when a polygon names a vertex the mesh lacks.
bool groupByMaterial(
    const std::vector<Polygon>& polygons, const core::MapVector<Vertex>& vertices, MaterialGroups& groups)
{
    for (const Polygon& p : polygons) {
        if (p.getIndices().size() < 3) {
            continue;
        }
        if (!cornersExist(p, vertices)) {
            return false;
        }
        groups[p.getMaterial()].push_back(&p);
    }
    return true;
}

std::vector<int> populatedUvSets(const core::MapVector<D3DXVECTOR2> (&texCoords)[kUvSets])
{
    std::vector<int> uvSets;
    for (int set = 0; set < kUvSets; ++set) {
        if (texCoords[set].size() > 0) {
            uvSets.push_back(set);
        }
    }
    return uvSets;
}

// Stream 0 holds the model attributes, 1 the populated UV sets, 2 the skin.
render::VertexDeclBuilder describeVertex(const std::vector<int>& uvSets, bool writeSkin)
{
    render::VertexDeclBuilder builder;
    builder.add(element(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION));
    builder.add(element(0, 12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL));
    builder.add(element(0, 24, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT));
    builder.add(element(0, 36, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_BINORMAL));
    for (size_t k = 0; k < uvSets.size(); ++k) {
        builder.add(element(1, unsigned(8 * k), D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, uint8_t(uvSets[k])));
    }
    if (writeSkin) {
        builder.add(element(2, 0, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDWEIGHT));
        builder.add(element(2, 16, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDINDICES));
    }
    return builder;
}

struct VertexSources {
    const core::MapVector<D3DXVECTOR3>& positions;
    const core::MapVector<D3DXVECTOR3>& normals;
    const core::MapVector<D3DXVECTOR3>& tangents;
    const core::MapVector<D3DXVECTOR3>& binormals;
    const core::MapVector<D3DXVECTOR2> (&texCoords)[kUvSets];
};

struct ConvertedMesh {
    std::vector<float> model;
    std::vector<float> uvs;
    std::vector<float> skin;
    std::vector<uint32_t> indices;
    std::vector<DrawParams> fragments;
};

// Appends one vertex's attributes to the stream data; a missing attribute is written as zeros.
class VertexWriter {
public:
    VertexWriter(const VertexSources& sources, const std::vector<int>& uvSets, bool writeSkin, ConvertedMesh& out)
        : m_sources(sources), m_uvSets(uvSets), m_writeSkin(writeSkin), m_out(out)
    {
    }

    void emit(const Vertex& v)
    {
        put(m_out.model, m_sources.positions.get(v.position));
        put(m_out.model, m_sources.normals.get(v.normal));
        put(m_out.model, m_sources.tangents.get(v.tangent));
        put(m_out.model, m_sources.binormals.get(v.binormal));
        emitTexCoords(v);
        if (m_writeSkin) {
            emitSkin(v);
        }
    }

private:
    void emitTexCoords(const Vertex& v)
    {
        for (int set : m_uvSets) {
            const D3DXVECTOR2* uv = m_sources.texCoords[set].get(v.texCoords[set]);
            m_out.uvs.push_back(uv ? uv->x : 0.0f);
            m_out.uvs.push_back(uv ? uv->y : 0.0f);
        }
    }

    void emitSkin(const Vertex& v)
    {
        for (const Vertex::Influence& influence : v.bones) {
            m_out.skin.push_back(influence.weight);
        }
        for (const Vertex::Influence& influence : v.bones) {
            m_out.skin.push_back(influence.bone < 0 ? 0.0f : float(influence.bone));
        }
    }

    VertexSources m_sources;
    const std::vector<int>& m_uvSets;
    bool m_writeSkin;
    ConvertedMesh& m_out;
};

// Every vertex once, in order, and one index range per material.
void writeIndexed(const core::MapVector<Vertex>& vertices, const MaterialGroups& groups, VertexWriter& writer,
    ConvertedMesh& out, VertexRemap& remap)
{
    for (size_t i = 0; i < vertices.size(); ++i) {
        writer.emit(vertices.items()[i]);
        remap.addVertex(int(i), int(i));
    }
    for (const auto& [material, polygons] : groups) {
        DrawParams draw{DrawKind_Indexed, D3DPT_TRIANGLELIST, uint32_t(polygons.size()), 0, 0,
            uint32_t(vertices.size()), uint32_t(out.indices.size()), 0};
        for (const Polygon* p : polygons) {
            out.indices.insert(out.indices.end(), p->getIndices().begin(), p->getIndices().begin() + 3);
        }
        out.fragments.push_back(draw);
    }
}

// Three vertices per triangle, written in material order.
void writeNonIndexed(const core::MapVector<Vertex>& vertices, const MaterialGroups& groups, VertexWriter& writer,
    ConvertedMesh& out, VertexRemap& remap)
{
    uint32_t written = 0;
    for (const auto& [material, polygons] : groups) {
        DrawParams draw{DrawKind_NonIndexed, D3DPT_TRIANGLELIST, uint32_t(polygons.size()), 0, 0, 0, 0, written};
        for (const Polygon* p : polygons) {
            for (size_t i = 0; i < 3; ++i) {
                writer.emit(*vertices.get(p->getIndices()[i]));
                remap.addVertex(p->getIndices()[i], int(written++));
            }
        }
        out.fragments.push_back(draw);
    }
}

render::IIndexBuffer* makeIndexBuffer(const std::vector<uint32_t>& indices)
{
    const unsigned size = unsigned(indices.size() * sizeof(uint32_t));
    render::IIndexBuffer* buffer = render::createIndexBuffer(size, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT);
    if (buffer == nullptr) {
        return nullptr;
    }
    auto* bytes = new unsigned char[size];
    std::memcpy(bytes, indices.data(), size);
    buffer->setData(bytes);
    buffer->upload(0);
    return buffer;
}

// False as soon as one buffer cannot be made; the geometry keeps what was attached.
bool attachBuffers(IGeometry* geometry, const ConvertedMesh& mesh, size_t uvSetCount, bool writeSkin)
{
    render::IVertexStream* stream = render::createVertexStream();
    geometry->setVertexStream(stream);
    if (!stream->addStream(0, kModelStride, makeBuffer(mesh.model), 0)) {
        return false;
    }
    if (uvSetCount > 0 && !stream->addStream(1, unsigned(8 * uvSetCount), makeBuffer(mesh.uvs), 0)) {
        return false;
    }
    if (writeSkin && !stream->addStream(2, kSkinStride, makeBuffer(mesh.skin), 0)) {
        return false;
    }
    if (mesh.indices.empty()) {
        return true;
    }
    render::IIndexBuffer* buffer = makeIndexBuffer(mesh.indices);
    if (buffer == nullptr) {
        return false;
    }
    geometry->setIndexBuffer(buffer);
    return true;
}

IGeometry* buildGeometry(
    const render::VertexDeclBuilder& layout, const ConvertedMesh& mesh, size_t uvSetCount, bool writeSkin)
{
    IGeometry* geometry = createGeometry();
    geometry->setVertexDecl(layout.build());
    for (const DrawParams& draw : mesh.fragments) {
        IGeometryFragment* fragment = createGeometryFragment();
        fragment->getDrawParams() = draw;
        geometry->addFragment(fragment);
    }
    if (mesh.model.empty()) {
        return geometry;
    }
    if (!attachBuffers(geometry, mesh, uvSetCount, writeSkin)) {
        // The geometry comes at count 0: one reference taken and dropped frees it.
        geometry->addRef();
        geometry->release();
        return nullptr;
    }
    geometry->computeBoundingBox();
    return geometry;
}

}  // namespace

void setUsePositionOnlyWhenComparingVertex(bool positionOnly) { g_positionOnly = positionOnly; }
bool getUsePositionOnlyWhenComparingVertex() { return g_positionOnly; }

Vertex::Vertex() : position(-1), normal(-1), tangent(-1), binormal(-1)
{
    std::fill(std::begin(texCoords), std::end(texCoords), -1);
    for (Influence& influence : bones) {
        influence = {-1, 0.0f};
    }
}

void Vertex::setTexCoord(int uvSet, int index)
{
    if (uvSet >= 0 && uvSet < kUvSets) {
        texCoords[uvSet] = index;
    }
}

void Vertex::setBoneInfluence(int slot, int bone, float weight)
{
    if (slot >= 0 && slot < kBoneInfluences) {
        bones[slot] = {bone, weight};
    }
}

D3DXVECTOR3 Mesh::quantise(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    // Truncation toward zero, as the int conversion does.
    return D3DXVECTOR3(float(int(n.x * 128)) / 128, float(int(n.y * 128)) / 128, float(int(n.z * 128)) / 128);
}

int Mesh::addTexCoord(int uvSet, const D3DXVECTOR2& uv)
{
    return uvSet >= 0 && uvSet < kUvSets ? m_texCoords[uvSet].add(uv) : -1;
}

int Mesh::addUniqueTexCoord(int uvSet, const D3DXVECTOR2& uv)
{
    return uvSet >= 0 && uvSet < kUvSets ? m_texCoords[uvSet].addUnique(uv) : -1;
}

int Mesh::addVertex(const Vertex& v)
{
    const int index = m_vertices.add(v);
    m_vertexByPosition.emplace(v.position, index);
    return index;
}

int Mesh::addUniqueVertex(const Vertex& v)
{
    if (g_positionOnly) {
        auto found = m_vertexByPosition.find(v.position);
        if (found != m_vertexByPosition.end()) {
            return found->second;
        }
        return addVertex(v);
    }
    const int before = int(m_vertices.size());
    const int index = m_vertices.addUnique(v);
    if (index == before) {
        m_vertexByPosition.emplace(v.position, index);
    }
    return index;
}

int Mesh::addPolygon(const Polygon& p)
{
    const int index = int(m_polygons.size());
    m_polygons.push_back(p);
    m_polygonLookup.emplace(polygonKey(p), index);
    return index;
}

int Mesh::addUniquePolygon(const Polygon& p)
{
    auto found = m_polygonLookup.find(polygonKey(p));
    return found != m_polygonLookup.end() ? found->second : addPolygon(p);
}

int Mesh::addMaterial(const Material& m)
{
    m_materials.push_back(m);
    return int(m_materials.size()) - 1;
}

void Mesh::setTexCoords(int uvSet, const std::vector<D3DXVECTOR2>& items)
{
    if (uvSet >= 0 && uvSet < kUvSets) {
        m_texCoords[uvSet].set(items);
    }
}

void Mesh::setVertices(const std::vector<Vertex>& items)
{
    m_vertices.clear();
    m_vertexByPosition.clear();
    for (const Vertex& v : items) {
        addVertex(v);
    }
}

void Mesh::setPolygons(const std::vector<Polygon>& items)
{
    m_polygons.clear();
    m_polygonLookup.clear();
    for (const Polygon& p : items) {
        addPolygon(p);
    }
}

const D3DXVECTOR2* Mesh::getTexCoord(int uvSet, int index) const
{
    return uvSet >= 0 && uvSet < kUvSets ? m_texCoords[uvSet].get(index) : nullptr;
}

const Polygon* Mesh::getPolygon(int index) const
{
    return index >= 0 && size_t(index) < m_polygons.size() ? &m_polygons[size_t(index)] : nullptr;
}

const Material* Mesh::getMaterial(int index) const
{
    return index >= 0 && size_t(index) < m_materials.size() ? &m_materials[size_t(index)] : nullptr;
}

int Mesh::getNumPopulatedUvSets() const
{
    return int(std::count_if(std::begin(m_texCoords), std::end(m_texCoords), [](const core::MapVector<D3DXVECTOR2>& pool) {
        return pool.size() > 0;
    }));
}

void Mesh::clear(uint32_t flags)
{
    if (flags & Clear_Materials) {
        m_materials.clear();
        for (Polygon& p : m_polygons) {
            p.setMaterial(-1);
        }
    }
    if (flags & Clear_Vertices) {
        m_vertices.clear();
        m_vertexByPosition.clear();
        for (Polygon& p : m_polygons) {
            p.clearIndices();
        }
    }
    if (flags & (Clear_Materials | Clear_Vertices)) {
        std::vector<Polygon> polygons = m_polygons;
        setPolygons(polygons);
    }
    if (flags & Clear_Polygons) {
        m_polygons.clear();
        m_polygonLookup.clear();
    }
    if (flags & Clear_Positions) {
        m_positions.clear();
    }
    if (flags & Clear_Normals) {
        m_normals.clear();
    }
    if (flags & Clear_TexCoords) {
        for (core::MapVector<D3DXVECTOR2>& pool : m_texCoords) {
            pool.clear();
        }
    }
}

IGeometry* Mesh::convertMesh(const ConvertParams& params, VertexRemap& remap) const
{
    MaterialGroups groups;
    if (!groupByMaterial(m_polygons, m_vertices, groups)) {
        return nullptr;
    }
    const std::vector<int> uvSets = populatedUvSets(m_texCoords);
    const render::VertexDeclBuilder layout = describeVertex(uvSets, params.writeSkin);

    ConvertedMesh out;
    VertexWriter writer({m_positions, m_normals, m_tangents, m_binormals, m_texCoords}, uvSets, params.writeSkin, out);
    if (params.indexed) {
        writeIndexed(m_vertices, groups, writer, out, remap);
    } else {
        writeNonIndexed(m_vertices, groups, writer, out, remap);
    }
    return buildGeometry(layout, out, uvSets.size(), params.writeSkin);
}

}  // namespace meshUtility
}  // namespace tormakelin::kavro
