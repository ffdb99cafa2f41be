#include <tormakelin/render/VertexBuffer.h>

#include <cstring>
#include <vector>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/ResourceType.h>
#include <tormakelin/render/StateManager.h>

#include "DeviceBuffer.h"
#include "RecordIo.h"

namespace tormakelin::render {

namespace {

unsigned indexSize(D3DFORMAT format)
{
    return format == D3DFMT_INDEX32 ? 4 : format == D3DFMT_INDEX16 ? 2 : 0;
}

class IndexBuffer final : public DeviceBuffer<IIndexBuffer, IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC> {
public:
    int getResourceType() override { return ResourceType_IndexBuffer; }

    bool create(unsigned size, DWORD usage, D3DFORMAT format, D3DPOOL pool) override
    {
        releaseBuffer();
        m_lost = false;
        // A copy of another size would be read past its end.
        if (size != m_desc.Size) {
            setData(nullptr);
        }
        IDirect3DIndexBuffer9* buffer = nullptr;
        if (g_d3d == nullptr || FAILED(g_d3d->CreateIndexBuffer(size, usage, format, pool, &buffer, nullptr))) {
            return false;
        }
        m_buffer = buffer;
        m_buffer->GetDesc(&m_desc);
        return true;
    }

    bool bind() override
    {
        return m_buffer != nullptr && g_stateManager != nullptr && g_stateManager->SetIndices(m_buffer) == D3D_OK;
    }

    IIndexBuffer* clone() override
    {
        auto* copy = new IndexBuffer();
        return finishClone(
            copy, m_buffer != nullptr && copy->create(m_desc.Size, m_desc.Usage, m_desc.Format, m_desc.Pool));
    }

    bool serialize(core::ISerializer* serializer) override
    {
        if (serializer == nullptr) {
            return false;
        }
        return serializer->isStoring() ? store(serializer) : load(serializer);
    }

    bool onResetDevice() override
    {
        if (!m_lost) {
            return true;
        }
        if (!create(m_desc.Size, m_desc.Usage, m_desc.Format, D3DPOOL_DEFAULT)) {
            m_lost = true;
            return false;
        }
        return m_data == nullptr || upload(0);
    }

private:
    static bool transferDesc(core::ISerializer* serializer, D3DINDEXBUFFER_DESC& desc)
    {
        uint32_t fields[5] = {uint32_t(desc.Format), uint32_t(desc.Type), desc.Usage, uint32_t(desc.Pool), desc.Size};
        for (uint32_t& field : fields) {
            if (!record::value(serializer, field)) {
                return false;
            }
        }
        desc = {D3DFORMAT(fields[0]), D3DRESOURCETYPE(fields[1]), fields[2], D3DPOOL(fields[3]), fields[4]};
        return true;
    }

    bool store(core::ISerializer* serializer)
    {
        D3DINDEXBUFFER_DESC desc = m_desc;
        return m_data != nullptr && transferDesc(serializer, desc) && record::transfer(serializer, m_data, m_desc.Size);
    }

    bool load(core::ISerializer* serializer)
    {
        D3DINDEXBUFFER_DESC desc{};
        if (!transferDesc(serializer, desc) || indexSize(desc.Format) == 0 || desc.Size == 0 ||
            desc.Size % indexSize(desc.Format) != 0) {
            return false;
        }
        std::vector<uint8_t> stored;
        if (!record::readBytes(serializer, desc.Size, stored) || !create(desc.Size, desc.Usage, desc.Format, desc.Pool)) {
            return false;
        }
        return keepAndUpload(stored.data());
    }
};

} // namespace

IIndexBuffer* createIndexBuffer(unsigned size, DWORD usage, D3DFORMAT format, D3DPOOL pool)
{
    auto* buffer = new IndexBuffer();
    if (!buffer->create(size, usage, format, pool)) {
        delete buffer;
        return nullptr;
    }
    return buffer;
}

IIndexBuffer* createIndexBuffer()
{
    return new IndexBuffer();
}

} // namespace tormakelin::render
