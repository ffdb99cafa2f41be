#include <tormakelin/kavro/Modifier.h>

#include "RefList.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <map>

#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexStream.h>

namespace tormakelin::kavro {

namespace {

constexpr uint32_t kVersion = 1001;
constexpr unsigned kFloatsPerVertex = kModelVertexSize / sizeof(float);
constexpr size_t kMaxInfluences = 4;
// Smallest records: a weight map without influences and a morph target without vertices.
constexpr uint64_t kMinWeightMapBytes = 8 + 16 + 64;
constexpr uint64_t kMinTargetBytes = 8 + 8;

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

class SkinWeightMap : public core::RefCounted<ISkinWeightMap> {
public:
    ObjectRef<INode>& getBone() override { return m_bone; }
    std::vector<SkinInfluence>& getInfluences() override { return m_influences; }
    D3DXMATRIX& getOffsetMatrix() override { return m_offset; }
    const D3DXMATRIX& getBoneWorldMatrix() override { return m_boneWorld; }
    void updateBoneWorldMatrix() override { m_boneWorld = m_bone.object ? m_bone.object->getWorldMatrix() : kIdentity; }
    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        uint32_t count = uint32_t(m_influences.size());
        if (!io::value(serializer, version) || !io::count(serializer, count, 8)) {
            return false;
        }
        if (!serializer->isStoring()) {
            m_influences.assign(count, SkinInfluence());
        }
        for (SkinInfluence& influence : m_influences) {
            if (!io::value(serializer, influence.vertex) || !io::value(serializer, influence.weight)) {
                return false;
            }
        }
        return io::id(serializer, m_bone.id) && io::bytes(serializer, &m_offset, sizeof m_offset);
    }

private:
    ObjectRef<INode> m_bone;
    std::vector<SkinInfluence> m_influences;
    D3DXMATRIX m_offset = kIdentity;
    D3DXMATRIX m_boneWorld = kIdentity;
};

class MorphTarget : public core::RefCounted<IMorphTarget> {
public:
    std::vector<float>& getVertices() override { return m_vertices; }
    AnimatedFloat& getWeight() override { return m_weight; }
    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        uint32_t count = uint32_t(m_vertices.size() / kFloatsPerVertex);
        if (!io::value(serializer, version) || !io::count(serializer, count, kModelVertexSize)) {
            return false;
        }
        if (!serializer->isStoring()) {
            m_vertices.assign(size_t(count) * kFloatsPerVertex, 0.0f);
        }
        return (count == 0 || io::bytes(serializer, m_vertices.data(), count * kModelVertexSize)) &&
               m_weight.serialize(serializer);
    }

private:
    std::vector<float> m_vertices;
    AnimatedFloat m_weight{0.0f};
};

// The first stream entry's buffer when it holds 48-byte vertices with a system-memory copy.
render::IVertexBuffer* modelBuffer(IGeometry* geometry)
{
    render::IVertexStream* stream = geometry ? geometry->getVertexStream() : nullptr;
    if (stream == nullptr || stream->getStreams().empty()) {
        return nullptr;
    }
    render::IVertexBuffer* buffer = stream->getStreams().front().buffer;
    if (buffer == nullptr || buffer->getData() == nullptr || buffer->getDesc() == nullptr) {
        return nullptr;
    }
    return buffer;
}

unsigned vertexCount(render::IVertexBuffer* buffer) { return buffer->getDesc()->Size / kModelVertexSize; }

// The working geometry: a clone of the source whose fragments keep the source's ids.
IGeometry* cloneWorking(IGeometry* source)
{
    IGeometry* copy = source->clone();
    copy->addRef();
    return copy;
}

}  // namespace

const core::UniqueId& skinModifierClassId()
{
    static const core::UniqueId id = core::stringToUniqueId("50196C3A-4E78-11DE-AB39-F6AB69029523");
    return id;
}

const core::UniqueId& morphModifierClassId()
{
    static const core::UniqueId id = core::stringToUniqueId("16F6446C-5031-11DE-833B-87800C52E4FD");
    return id;
}

ISkinWeightMap* createSkinWeightMap() { return new SkinWeightMap(); }
IMorphTarget* createMorphTarget() { return new MorphTarget(); }

// ---- skin

SkinModifier::SkinModifier() : m_lastTime(FLT_MIN)
{
    core::generateUniqueId(m_id);
}

SkinModifier::~SkinModifier()
{
    clearWeightMaps();
    replace<IGeometry>(m_source, nullptr);
    replace<IGeometry>(m_working, nullptr);
}

void SkinModifier::clearWeightMaps() { releaseAll(m_weightMaps); }

bool SkinModifier::create(const SkinModifierCreateContext& context)
{
    m_bindShape = context.bindShape;
    m_sourceId = context.geometry;
    for (ISkinWeightMap* map : context.weightMaps) {
        if (map) {
            map->addRef();
        }
    }
    clearWeightMaps();
    for (ISkinWeightMap* map : context.weightMaps) {
        if (map) {
            m_weightMaps.push_back(map);
        }
    }
    m_mode = context.mode;
    if (m_mode != kModeEffect) {
        limitInfluences();
    }
    return true;
}

void SkinModifier::limitInfluences()
{
    struct Entry {
        size_t map;
        float weight;
    };
    std::map<uint32_t, std::vector<Entry>> perVertex;
    for (size_t m = 0; m < m_weightMaps.size(); ++m) {
        for (const SkinInfluence& influence : m_weightMaps[m]->getInfluences()) {
            perVertex[influence.vertex].push_back({m, influence.weight});
        }
    }
    std::vector<std::vector<SkinInfluence>> kept(m_weightMaps.size());
    for (auto& [vertex, entries] : perVertex) {
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.weight > b.weight; });
        const size_t n = std::min(entries.size(), kMaxInfluences);
        float sum = 0;
        for (size_t i = 0; i < n; ++i) {
            sum += entries[i].weight;
        }
        for (size_t i = 0; i < n; ++i) {
            const float weight = sum != 0 ? entries[i].weight / sum : entries[i].weight;
            kept[entries[i].map].push_back({vertex, weight});
        }
    }
    std::vector<ISkinWeightMap*> maps;
    for (size_t m = 0; m < m_weightMaps.size(); ++m) {
        if (kept[m].empty()) {
            m_weightMaps[m]->release();
            continue;
        }
        m_weightMaps[m]->getInfluences() = std::move(kept[m]);
        maps.push_back(m_weightMaps[m]);
    }
    m_weightMaps = std::move(maps);
}

void SkinModifier::resolve(ISceneGraph* graph)
{
    replace(m_source, graph->findGeometry(m_sourceId));
    for (ISkinWeightMap* map : m_weightMaps) {
        map->getBone().resolveWith([graph](const core::UniqueId& id) { return graph->findNode(id); });
    }
    replace<IGeometry>(m_working, nullptr);
    if (m_source && m_mode != kModeEffect) {
        m_working = cloneWorking(m_source);
    }
}

void SkinModifier::update(const UpdateContext& context)
{
    // A graph shared by several entries is placed once per entry at the same time: the bones
    // then follow that entry's matrices, and the vertices are blended again only when they moved.
    if (context.phase != UpdatePhase_Apply || (context.time == m_lastTime && context.advance)) {
        return;
    }
    const bool sameTime = context.time == m_lastTime;
    m_lastTime = context.time;
    bool moved = m_boneMatrices.size() != m_weightMaps.size();
    m_boneMatrices.resize(m_weightMaps.size());
    for (size_t m = 0; m < m_weightMaps.size(); ++m) {
        m_weightMaps[m]->updateBoneWorldMatrix();
        const D3DXMATRIX bone = m_bindShape * m_weightMaps[m]->getOffsetMatrix() * m_weightMaps[m]->getBoneWorldMatrix();
        moved = moved || bone != m_boneMatrices[m];
        m_boneMatrices[m] = bone;
    }
    if (m_mode == kModeEffect || m_working == nullptr || (sameTime && !moved)) {
        return;
    }
    skinOnProcessor();
}

void SkinModifier::skinOnProcessor()
{
    render::IVertexBuffer* source = modelBuffer(m_source);
    render::IVertexBuffer* target = modelBuffer(m_working);
    if (source == nullptr || target == nullptr) {
        return;
    }
    const unsigned count = std::min(vertexCount(source), vertexCount(target));
    const auto* in = static_cast<const D3DXVECTOR3*>(source->getData());
    auto* out = static_cast<D3DXVECTOR3*>(target->getData());
    std::memset(target->getData(), 0, target->getDesc()->Size);
    for (size_t m = 0; m < m_weightMaps.size(); ++m) {
        const D3DXMATRIX& bone = m_boneMatrices[m];
        for (const SkinInfluence& influence : m_weightMaps[m]->getInfluences()) {
            // Influences past the vertex data are ignored rather than written out of bounds.
            if (influence.vertex >= count) {
                continue;
            }
            const D3DXVECTOR3* v = in + size_t(influence.vertex) * 4;
            D3DXVECTOR3* w = out + size_t(influence.vertex) * 4;
            D3DXVECTOR3 t;
            D3DXVec3TransformCoord(&t, &v[0], &bone);
            w[0] += t * influence.weight;
            for (int k = 1; k < 4; ++k) {
                D3DXVec3TransformNormal(&t, &v[k], &bone);
                w[k] += t * influence.weight;
            }
        }
    }
    target->upload(D3DLOCK_DISCARD);
}

bool SkinModifier::serialize(Serializer* serializer)
{
    if (serializer->isStoring() && !io::id(serializer, const_cast<core::UniqueId&>(skinModifierClassId()))) {
        return false;
    }
    uint32_t version = kVersion;
    uint32_t count = uint32_t(m_weightMaps.size());
    if (!io::value(serializer, version) || !io::id(serializer, m_id) || !io::id(serializer, m_sourceId) ||
        !io::value(serializer, m_mode) || !io::count(serializer, count, kMinWeightMapBytes)) {
        return false;
    }
    if (serializer->isStoring()) {
        for (ISkinWeightMap* map : m_weightMaps) {
            if (!map->serialize(serializer)) {
                return false;
            }
        }
    } else {
        clearWeightMaps();
        for (uint32_t i = 0; i < count; ++i) {
            ISkinWeightMap* map = createSkinWeightMap();
            map->addRef();
            m_weightMaps.push_back(map);
            if (!map->serialize(serializer)) {
                return false;
            }
        }
    }
    return io::bytes(serializer, &m_bindShape, sizeof m_bindShape);
}

// ---- morph

MorphModifier::MorphModifier() : m_lastTime(FLT_MIN)
{
    core::generateUniqueId(m_id);
}

MorphModifier::~MorphModifier()
{
    clearTargets();
    replace<IGeometry>(m_source, nullptr);
    replace<IGeometry>(m_working, nullptr);
}

void MorphModifier::clearTargets() { releaseAll(m_targets); }

bool MorphModifier::create(const MorphModifierCreateContext& context)
{
    m_sourceId = context.geometry;
    for (IMorphTarget* target : context.targets) {
        if (target) {
            target->addRef();
        }
    }
    clearTargets();
    for (IMorphTarget* target : context.targets) {
        if (target) {
            m_targets.push_back(target);
        }
    }
    return true;
}

void MorphModifier::resolve(ISceneGraph* graph)
{
    replace(m_source, graph->findGeometry(m_sourceId));
    replace<IGeometry>(m_working, nullptr);
    if (m_source) {
        m_working = cloneWorking(m_source);
    }
}

void MorphModifier::update(const UpdateContext& context)
{
    if (context.phase != UpdatePhase_Apply || context.time == m_lastTime) {
        return;
    }
    m_lastTime = context.time;
    render::IVertexBuffer* source = modelBuffer(m_source);
    render::IVertexBuffer* working = modelBuffer(m_working);
    if (source == nullptr || working == nullptr) {
        return;
    }
    const unsigned size = std::min(source->getDesc()->Size, working->getDesc()->Size);
    std::memcpy(working->getData(), source->getData(), size);
    auto* out = static_cast<float*>(working->getData());
    const size_t vertices = vertexCount(working);
    for (IMorphTarget* target : m_targets) {
        target->getWeight().update(context.time);
        const float weight = std::clamp(target->getWeight().value, 0.0f, 1.0f);
        const std::vector<float>& in = target->getVertices();
        // A target shorter than the geometry blends the vertices it has.
        const size_t floats = std::min(vertices * kFloatsPerVertex, in.size());
        for (size_t i = 0; i < floats; ++i) {
            out[i] += (in[i] - out[i]) * weight;
        }
    }
    working->upload(D3DLOCK_DISCARD);
}

bool MorphModifier::serialize(Serializer* serializer)
{
    if (serializer->isStoring() && !io::id(serializer, const_cast<core::UniqueId&>(morphModifierClassId()))) {
        return false;
    }
    uint32_t version = kVersion;
    uint32_t count = uint32_t(m_targets.size());
    if (!io::value(serializer, version) || !io::id(serializer, m_id) || !io::id(serializer, m_sourceId) ||
        !io::count(serializer, count, kMinTargetBytes)) {
        return false;
    }
    if (serializer->isStoring()) {
        for (IMorphTarget* target : m_targets) {
            if (!target->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }
    clearTargets();
    for (uint32_t i = 0; i < count; ++i) {
        IMorphTarget* target = createMorphTarget();
        target->addRef();
        m_targets.push_back(target);
        if (!target->serialize(serializer)) {
            return false;
        }
    }
    return true;
}

}  // namespace tormakelin::kavro
