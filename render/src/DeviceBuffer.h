#pragma once
// What vertex and index buffers share: the device buffer, its system-memory copy, locks and
// uploads, clones and loss. Each kind adds its own creation, binding, records and reset.

#include <cstring>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderListener.h>

#include <d3d9.h>

namespace tormakelin::render {

template <class Interface, class D3DBuffer, class Desc>
class DeviceBuffer : public core::RefCounted<Interface>, public RenderListener {
public:
    DeviceBuffer() : RenderListener(true) {}

    ~DeviceBuffer() override
    {
        releaseBuffer();
        delete[] m_data;
    }

    void* lock(unsigned offset, unsigned size, DWORD flags) override
    {
        void* data = nullptr;
        if (m_buffer == nullptr || FAILED(m_buffer->Lock(offset, size, &data, flags))) {
            return nullptr;
        }
        return data;
    }

    HRESULT unlock() override { return m_buffer != nullptr ? m_buffer->Unlock() : D3DERR_INVALIDCALL; }
    void* getData() override { return m_data; }

    void setData(void* data) override
    {
        if (data != m_data) {
            delete[] m_data;
            m_data = static_cast<unsigned char*>(data);
        }
    }

    bool upload(DWORD flags) override
    {
        if (m_buffer == nullptr || m_data == nullptr) {
            return false;
        }
        void* target = lock(0, m_desc.Size, flags);
        if (target == nullptr) {
            return false;
        }
        std::memcpy(target, m_data, m_desc.Size);
        return unlock() == D3D_OK;
    }

    Desc* getDesc() override { return &m_desc; }

    // A default-pool buffer goes with the device; the system-memory copy makes it again on reset.
    bool onLostDevice() override
    {
        if (m_buffer != nullptr && m_desc.Pool == D3DPOOL_DEFAULT) {
            releaseBuffer();
            m_lost = true;
        }
        return true;
    }

protected:
    // Keeps its own copy of `bytes`, as many as the buffer holds, and uploads it.
    bool keepAndUpload(const void* bytes)
    {
        auto* copy = new unsigned char[m_desc.Size];
        std::memcpy(copy, bytes, m_desc.Size);
        setData(copy);
        return upload(0);
    }

    // Finishes a clone made at this buffer's size: the same bytes, or null (the clone deleted)
    // when it could not be made or filled.
    template <class Buffer>
    Buffer* finishClone(Buffer* clone, bool made)
    {
        if (made && m_data != nullptr) {
            made = clone->keepAndUpload(m_data);
        }
        if (!made) {
            delete clone;
            return nullptr;
        }
        return clone;
    }

    void releaseBuffer()
    {
        if (m_buffer != nullptr) {
            m_buffer->Release();
            m_buffer = nullptr;
        }
    }

    Desc m_desc{};
    D3DBuffer* m_buffer = nullptr;
    unsigned char* m_data = nullptr;
    bool m_lost = false;
};

} // namespace tormakelin::render
