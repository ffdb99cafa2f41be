#include <tormakelin/render/VertexStream.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/VertexBuffer.h>

#include "RecordIo.h"

namespace tormakelin::render {

namespace {

class VertexStream final : public core::RefCounted<IVertexStream> {
public:
    ~VertexStream() override { dropFrom(0); }

    bool addStream(unsigned stream, unsigned stride, IVertexBuffer* buffer, unsigned frequency) override
    {
        if (buffer == nullptr) {
            return false;
        }
        buffer->addRef();
        m_entries.push_back({stream, stride, buffer, frequency});
        return true;
    }

    bool setStream(unsigned position, unsigned stride, IVertexBuffer* buffer, unsigned frequency) override
    {
        if (buffer == nullptr || position >= m_entries.size()) {
            return false;
        }
        buffer->addRef();
        VertexStreamEntry& entry = m_entries[position];
        entry.buffer->release();
        entry = {position, stride, buffer, frequency};
        return true;
    }

    const std::vector<VertexStreamEntry>& getStreams() override { return m_entries; }

    bool bind() override
    {
        bool ok = true;
        for (const VertexStreamEntry& entry : m_entries) {
            ok = entry.buffer->bind(entry.stream, 0, entry.stride) && ok;
            if (entry.frequency != 0) {
                const unsigned kind = entry.stream == 0 ? D3DSTREAMSOURCE_INDEXEDDATA : D3DSTREAMSOURCE_INSTANCEDATA;
                ok = g_d3d != nullptr && g_d3d->SetStreamSourceFreq(entry.stream, entry.frequency | kind) == D3D_OK &&
                    ok;
            }
        }
        return ok;
    }

    void unbind() override
    {
        for (const VertexStreamEntry& entry : m_entries) {
            if (entry.frequency != 0 && g_d3d != nullptr) {
                g_d3d->SetStreamSourceFreq(entry.stream, 1);
            }
        }
    }

    IVertexStream* clone() override
    {
        auto* copy = new VertexStream();
        for (const VertexStreamEntry& entry : m_entries) {
            DWORD usage = entry.buffer->getDesc()->Usage;
            // Stream 0 is rewritten often; only default-pool buffers can be dynamic.
            if (entry.stream == 0 && entry.buffer->getDesc()->Pool == D3DPOOL_DEFAULT) {
                usage |= D3DUSAGE_DYNAMIC;
            }
            IVertexBuffer* buffer = entry.buffer->clone(usage);
            if (buffer == nullptr) {
                delete copy;
                return nullptr;
            }
            copy->addStream(entry.stream, entry.stride, buffer, entry.frequency);
        }
        return copy;
    }

    bool serialize(core::ISerializer* serializer, bool halfFloats) override
    {
        if (serializer == nullptr) {
            return false;
        }
        return serializer->isStoring() ? store(serializer, halfFloats) : load(serializer);
    }

private:
    void dropFrom(size_t first)
    {
        for (size_t i = first; i < m_entries.size(); ++i) {
            m_entries[i].buffer->release();
        }
        m_entries.resize(first);
    }

    bool store(core::ISerializer* serializer, bool halfFloats)
    {
        uint32_t count = uint32_t(m_entries.size());
        if (!record::value(serializer, count)) {
            return false;
        }
        for (const VertexStreamEntry& entry : m_entries) {
            uint32_t fields[3] = {entry.stream, entry.frequency, entry.stride};
            for (uint32_t& field : fields) {
                if (!record::value(serializer, field)) {
                    return false;
                }
            }
            if (!entry.buffer->serialize(serializer, halfFloats && entry.stream == 0)) {
                return false;
            }
        }
        return true;
    }

    // A record that breaks off leaves the set as it was.
    bool load(core::ISerializer* serializer)
    {
        const size_t before = m_entries.size();
        if (!loadEntries(serializer)) {
            dropFrom(before);
            return false;
        }
        return true;
    }

    bool loadEntries(core::ISerializer* serializer)
    {
        uint32_t count = 0;
        if (!record::value(serializer, count)) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t stream = 0, frequency = 0, stride = 0;
            if (!record::value(serializer, stream) || !record::value(serializer, frequency) ||
                !record::value(serializer, stride)) {
                return false;
            }
            IVertexBuffer* buffer = createVertexBuffer();
            buffer->addRef();
            // The buffer must hold whole vertices of the stride; a stride of 0 reads one vertex
            // for all, which any buffer holds.
            const bool ok = buffer->serialize(serializer, false) &&
                (stride == 0 || buffer->getDesc()->Size % stride == 0) &&
                addStream(stream, stride, buffer, frequency);
            buffer->release();
            if (!ok) {
                return false;
            }
        }
        return true;
    }

    std::vector<VertexStreamEntry> m_entries;
};

} // namespace

IVertexStream* createVertexStream()
{
    return new VertexStream();
}

} // namespace tormakelin::render
