#pragma once
// Vertex and index buffers: a GL buffer written through a locked system-memory copy.

#include <cstdint>
#include <vector>

#include "resource.h"

namespace d3d9gl {

// The storage behind both buffer kinds.
class BufferStore {
public:
    BufferStore(UINT size, DWORD usage);
    ~BufferStore();
    BufferStore(const BufferStore&) = delete;
    BufferStore& operator=(const BufferStore&) = delete;

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT unlock();
    GLuint name() const { return name_; }
    UINT size() const { return UINT(data_.size()); }

private:
    GLuint name_ = 0;
    std::vector<uint8_t> data_;
    unsigned locks_ = 0;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
};

class VertexBuffer final : public Resource<IDirect3DVertexBuffer9> {
public:
    VertexBuffer(std::shared_ptr<GLContext> context, const D3DVERTEXBUFFER_DESC& desc);
    ~VertexBuffer() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
    GLuint name() const { return store_.name(); }
    UINT size() const { return store_.size(); }

private:
    D3DVERTEXBUFFER_DESC desc_;
    BufferStore store_;
};

class IndexBuffer final : public Resource<IDirect3DIndexBuffer9> {
public:
    IndexBuffer(std::shared_ptr<GLContext> context, const D3DINDEXBUFFER_DESC& desc);
    ~IndexBuffer() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
    GLuint name() const { return store_.name(); }
    D3DFORMAT format() const { return desc_.Format; }

private:
    D3DINDEXBUFFER_DESC desc_;
    BufferStore store_;
};

}  // namespace d3d9gl
