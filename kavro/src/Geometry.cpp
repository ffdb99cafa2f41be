#include <tormakelin/kavro/Geometry.h>

#include "RefList.h"

#include <cstring>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

namespace tormakelin::kavro {

namespace {

constexpr uint32_t kVersion = 1001;
// A fragment record: version, id and the draw parameters.
constexpr uint64_t kFragmentBytes = 4 + 16 + sizeof(DrawParams);

class GeometryFragment : public core::RefCounted<IGeometryFragment> {
public:
    GeometryFragment() { core::generateUniqueId(m_id); }
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    DrawParams& getDrawParams() override { return m_draw; }

    void draw(RenderPass& pass, IMaterial* material, render::IShader* shader) override
    {
        const unsigned passes = material->begin(pass, shader);
        if (passes == 0) {
            return;
        }
        render::IRenderDevice* device = render::g_renderDevice;
        for (unsigned i = 0; i < passes; ++i) {
            material->beginPass(i, shader);
            if (device) {
                const auto type = D3DPRIMITIVETYPE(m_draw.primitiveType);
                if (m_draw.kind == DrawKind_NonIndexed) {
                    device->drawPrimitive(type, m_draw.startVertex, m_draw.primitiveCount);
                } else {
                    device->drawIndexedPrimitive(type, int32_t(m_draw.baseVertexIndex), m_draw.minVertexIndex,
                        m_draw.vertexCount, m_draw.startIndex, m_draw.primitiveCount);
                }
            }
            material->endPass(shader);
        }
        material->end(shader);
    }

    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        return io::value(serializer, version) && io::id(serializer, m_id) &&
               io::bytes(serializer, &m_draw, sizeof m_draw);
    }

private:
    core::UniqueId m_id{};
    DrawParams m_draw;
};

class Geometry : public core::RefCounted<IGeometry> {
public:
    Geometry() : m_box(emptyBox()) { core::generateUniqueId(m_id); }
    ~Geometry() override
    {
        clearFragments();
        replace<render::IVertexDecl>(m_decl, nullptr);
        replace<render::IVertexStream>(m_stream, nullptr);
        replace<render::IIndexBuffer>(m_indices, nullptr);
    }

    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    void addFragment(IGeometryFragment* fragment) override
    {
        if (fragment) {
            fragment->addRef();
            m_fragments.push_back(fragment);
        }
    }
    const std::vector<IGeometryFragment*>& getFragments() override { return m_fragments; }

    bool bind() override
    {
        if (m_decl == nullptr || m_stream == nullptr) {
            return false;
        }
        m_decl->bind();
        m_stream->bind();
        if (m_indices) {
            m_indices->bind();
        }
        return true;
    }
    void unbind() override
    {
        if (m_decl && m_stream) {
            m_stream->unbind();
        }
    }

    render::IVertexDecl* getVertexDecl() override { return m_decl; }
    void setVertexDecl(render::IVertexDecl* decl) override { replace(m_decl, decl); }
    render::IVertexStream* getVertexStream() override { return m_stream; }
    void setVertexStream(render::IVertexStream* stream) override { replace(m_stream, stream); }
    render::IIndexBuffer* getIndexBuffer() override { return m_indices; }
    void setIndexBuffer(render::IIndexBuffer* buffer) override { replace(m_indices, buffer); }

    void computeBoundingBox() override
    {
        m_box = emptyBox();
        if (m_stream == nullptr || m_stream->getStreams().empty()) {
            return;
        }
        const render::VertexStreamEntry& first = m_stream->getStreams().front();
        if (first.buffer == nullptr || first.stride != kModelVertexSize) {
            return;
        }
        const auto* data = static_cast<const unsigned char*>(first.buffer->getData());
        const D3DVERTEXBUFFER_DESC* desc = first.buffer->getDesc();
        if (data == nullptr || desc == nullptr) {
            return;
        }
        const unsigned count = desc->Size / kModelVertexSize;
        for (unsigned i = 0; i < count; ++i) {
            D3DXVECTOR3 p;
            std::memcpy(&p, data + size_t(i) * kModelVertexSize, sizeof p);
            m_box.expand(p);
        }
    }
    const core::AxisAlignedBoundingBox& getBoundingBox() override { return m_box; }
    void setBoundingBox(const core::AxisAlignedBoundingBox& box) override { m_box = box; }

    void draw(RenderPass& pass, FragmentMaterialMap& materials, ShaderMap& shaders) override
    {
        bool any = false;
        for (IGeometryFragment* fragment : m_fragments) {
            IMaterial* material = nullptr;
            render::IShader* shader = chooseShader(pass, materials, shaders, fragment, material);
            if (material && material->takesPart(pass.technique, shader)) {
                any = true;
                break;
            }
        }
        if (!any) {
            return;
        }
        bind();
        for (IGeometryFragment* fragment : m_fragments) {
            IMaterial* material = nullptr;
            render::IShader* shader = chooseShader(pass, materials, shaders, fragment, material);
            if (material && material->takesPart(pass.technique, nullptr)) {
                fragment->draw(pass, material, shader);
            }
        }
        unbind();
    }

    IGeometry* clone() override
    {
        auto* copy = new Geometry();
        copy->m_box = m_box;
        if (m_decl) {
            copy->setVertexDecl(m_decl->clone());
        }
        if (m_stream) {
            copy->setVertexStream(m_stream->clone());
        }
        if (m_indices) {
            copy->setIndexBuffer(m_indices->clone());
        }
        for (IGeometryFragment* fragment : m_fragments) {
            copy->addFragment(fragment);
        }
        return copy;
    }

    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        if (!io::value(serializer, version) || !io::id(serializer, m_id)) {
            return false;
        }
        const bool storing = serializer->isStoring();
        if (!record(serializer, m_decl, render::createVertexDecl, [&](render::IVertexDecl* d) {
                return d->serialize(serializer);
            })) {
            return false;
        }
        const bool halves = storing && serializer->getOptions() != 0;
        if (!record(serializer, m_stream, render::createVertexStream, [&](render::IVertexStream* s) {
                return s->serialize(serializer, halves);
            })) {
            return false;
        }
        if (!record(serializer, m_indices, [] { return render::createIndexBuffer(); },
                [&](render::IIndexBuffer* b) { return b->serialize(serializer); })) {
            return false;
        }
        return serializeFragments(serializer);
    }

private:
    void clearFragments()
    {
        std::vector<IGeometryFragment*> fragments;
        fragments.swap(m_fragments);
        for (IGeometryFragment* fragment : fragments) {
            fragment->release();
        }
    }

    // A has-record byte and the record; a loaded record replaces the held object.
    template <class T, class Make, class Transfer>
    static bool record(Serializer* serializer, T*& slot, Make make, Transfer transfer)
    {
        uint8_t present = slot ? 1 : 0;
        if (!io::value(serializer, present)) {
            return false;
        }
        if (serializer->isStoring()) {
            return present == 0 || transfer(slot);
        }
        if (present == 0) {
            return true;
        }
        T* object = make();
        if (object == nullptr) {
            return false;
        }
        replace(slot, object);
        return transfer(object);
    }

    bool serializeFragments(Serializer* serializer)
    {
        uint32_t count = uint32_t(m_fragments.size());
        if (!io::count(serializer, count, kFragmentBytes)) {
            return false;
        }
        if (serializer->isStoring()) {
            for (IGeometryFragment* fragment : m_fragments) {
                if (!fragment->serialize(serializer)) {
                    return false;
                }
            }
            return true;
        }
        clearFragments();
        for (uint32_t i = 0; i < count; ++i) {
            IGeometryFragment* fragment = createGeometryFragment();
            addFragment(fragment);
            if (!fragment->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }

    // The effect for a fragment's material: a same-named entry of the pass's material list
    // (whose settings the material then takes), else the mesh's effect for the material.
    static render::IShader* chooseShader(RenderPass& pass, FragmentMaterialMap& materials, ShaderMap& shaders,
        IGeometryFragment* fragment, IMaterial*& material)
    {
        auto found = materials.find(fragment->getId());
        material = found == materials.end() ? nullptr : found->second.object;
        if (material == nullptr) {
            return nullptr;
        }
        for (const MaterialSettings& settings : pass.materials) {
            if (settings.name == material->getName()) {
                material->setSettings(settings);
                return settings.shader;
            }
        }
        auto shader = shaders.find(material->getId());
        return shader == shaders.end() ? nullptr : shader->second;
    }

    core::UniqueId m_id{};
    std::vector<IGeometryFragment*> m_fragments;
    render::IVertexDecl* m_decl = nullptr;
    render::IVertexStream* m_stream = nullptr;
    render::IIndexBuffer* m_indices = nullptr;
    core::AxisAlignedBoundingBox m_box;
};

}  // namespace

IGeometry* createGeometry() { return new Geometry(); }
IGeometryFragment* createGeometryFragment() { return new GeometryFragment(); }

}  // namespace tormakelin::kavro
