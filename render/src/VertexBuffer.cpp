#include <tormakelin/render/VertexBuffer.h>

#include <cstring>
#include <vector>

#include <tormakelin/core/HalfFloat.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/ResourceType.h>
#include <tormakelin/render/StateManager.h>

#include "DeviceBuffer.h"
#include "RecordIo.h"

namespace tormakelin::render {

namespace {

// The first byte of a stored vertex buffer: how its data follows the description.
enum VertexRecordEncoding : uint8_t { VertexRecord_Floats = 0, VertexRecord_Halves = 1 };

class VertexBuffer final : public DeviceBuffer<IVertexBuffer, IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC> {
public:
    bool create(unsigned size, DWORD usage, DWORD fvf, D3DPOOL pool)
    {
        releaseBuffer();
        if (size != m_desc.Size) {
            setData(nullptr);
        }
        IDirect3DVertexBuffer9* buffer = nullptr;
        if (g_d3d == nullptr || FAILED(g_d3d->CreateVertexBuffer(size, usage, fvf, pool, &buffer, nullptr))) {
            return false;
        }
        m_buffer = buffer;
        m_buffer->GetDesc(&m_desc);
        return true;
    }

    int getResourceType() override { return ResourceType_VertexBuffer; }

    bool bind(unsigned stream, unsigned offset, unsigned stride) override
    {
        return m_buffer != nullptr && g_stateManager != nullptr &&
            g_stateManager->SetStreamSource(stream, m_buffer, offset, stride) == D3D_OK;
    }

    IVertexBuffer* clone(DWORD usage) override
    {
        auto* copy = new VertexBuffer();
        return finishClone(copy, m_buffer != nullptr && copy->create(m_desc.Size, usage, m_desc.FVF, m_desc.Pool));
    }

    bool serialize(core::ISerializer* serializer, bool halfFloats) override
    {
        if (serializer == nullptr) {
            return false;
        }
        return serializer->isStoring() ? store(serializer, halfFloats) : load(serializer);
    }

    bool onResetDevice() override
    {
        if (!m_lost) {
            return true;
        }
        if (!create(m_desc.Size, m_desc.Usage, m_desc.FVF, D3DPOOL_DEFAULT)) {
            return false;
        }
        m_lost = false;
        return m_data == nullptr || upload(0);
    }

private:
    static bool transferDesc(core::ISerializer* serializer, D3DVERTEXBUFFER_DESC& desc)
    {
        uint32_t fields[6] = {uint32_t(desc.Format), uint32_t(desc.Type), desc.Usage, uint32_t(desc.Pool), desc.Size,
            desc.FVF};
        for (uint32_t& field : fields) {
            if (!record::value(serializer, field)) {
                return false;
            }
        }
        desc = {D3DFORMAT(fields[0]), D3DRESOURCETYPE(fields[1]), fields[2], D3DPOOL(fields[3]), fields[4], fields[5]};
        return true;
    }

    bool store(core::ISerializer* serializer, bool halfFloats)
    {
        // Halves stand for whole floats only.
        if (m_data == nullptr || (halfFloats && m_desc.Size % 4 != 0)) {
            return false;
        }
        uint8_t flag = halfFloats ? VertexRecord_Halves : VertexRecord_Floats;
        D3DVERTEXBUFFER_DESC desc = m_desc;
        if (!record::value(serializer, flag) || !transferDesc(serializer, desc)) {
            return false;
        }
        if (!halfFloats) {
            return record::transfer(serializer, m_data, m_desc.Size);
        }
        const unsigned count = m_desc.Size / 4;
        std::vector<float> floats(count);
        std::memcpy(floats.data(), m_data, m_desc.Size);
        std::vector<unsigned short> halves(count);
        core::convertFloatToHalf(halves.data(), floats.data(), count);
        for (unsigned short& half : halves) {
            if (!record::value(serializer, half)) {
                return false;
            }
        }
        return true;
    }

    bool load(core::ISerializer* serializer)
    {
        uint8_t flag = 0;
        D3DVERTEXBUFFER_DESC desc{};
        if (!record::value(serializer, flag) || flag > VertexRecord_Halves || !transferDesc(serializer, desc) ||
            desc.Size == 0 || (flag == VertexRecord_Halves && desc.Size % 4 != 0)) {
            return false;
        }
        std::vector<uint8_t> stored;
        if (!record::readBytes(serializer, flag == VertexRecord_Halves ? desc.Size / 2 : desc.Size, stored)) {
            return false;
        }
        auto* bytes = new unsigned char[desc.Size];
        if (flag == VertexRecord_Halves) {
            const unsigned count = desc.Size / 4;
            std::vector<unsigned short> halves(count);
            std::memcpy(halves.data(), stored.data(), stored.size());
            std::vector<float> floats(count);
            core::convertHalfToFloat(floats.data(), halves.data(), count);
            std::memcpy(bytes, floats.data(), desc.Size);
        } else {
            std::memcpy(bytes, stored.data(), desc.Size);
        }
        if (!create(desc.Size, desc.Usage, desc.FVF, desc.Pool)) {
            delete[] bytes;
            return false;
        }
        setData(bytes);
        return upload(0);
    }
};

} // namespace

IVertexBuffer* createVertexBuffer(unsigned size, DWORD usage, DWORD fvf, D3DPOOL pool)
{
    auto* buffer = new VertexBuffer();
    if (!buffer->create(size, usage, fvf, pool)) {
        delete buffer;
        return nullptr;
    }
    return buffer;
}

IVertexBuffer* createVertexBuffer()
{
    return new VertexBuffer();
}

} // namespace tormakelin::render
