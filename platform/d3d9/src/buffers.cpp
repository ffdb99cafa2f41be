#include "buffers.h"

#include <algorithm>
#include <cstring>

namespace d3d9gl {

BufferStore::BufferStore(UINT size, DWORD usage) : data_(size, 0) {
    glCreateBuffers(1, &name_);
    (void)usage;
    glNamedBufferStorage(name_, size, data_.data(), GL_DYNAMIC_STORAGE_BIT);
}

BufferStore::~BufferStore() { glDeleteBuffers(1, &name_); }

HRESULT BufferStore::lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset == 0 && size == 0) size = UINT(data_.size());
    if (offset > data_.size() || size > data_.size() - offset) return D3DERR_INVALIDCALL;
    if (size == 0) size = UINT(data_.size()) - offset;
    if (!(flags & D3DLOCK_READONLY)) {
        if (dirtyEnd_ == dirtyBegin_) {
            dirtyBegin_ = offset;
            dirtyEnd_ = offset + size;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, offset);
            dirtyEnd_ = std::max(dirtyEnd_, offset + size);
        }
    }
    ++locks_;
    *data = data_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStore::unlock() {
    if (locks_ == 0) return D3DERR_INVALIDCALL;
    if (--locks_ == 0 && dirtyEnd_ > dirtyBegin_) {
        glNamedBufferSubData(name_, dirtyBegin_, dirtyEnd_ - dirtyBegin_, data_.data() + dirtyBegin_);
        dirtyBegin_ = dirtyEnd_ = 0;
    }
    return D3D_OK;
}

VertexBuffer::VertexBuffer(std::shared_ptr<GLContext> context, const D3DVERTEXBUFFER_DESC& desc)
    : Resource(std::move(context), desc.Pool), desc_(desc), store_((context_->makeCurrent(), desc.Size), desc.Usage) {}

VertexBuffer::~VertexBuffer() {
    context_->makeCurrent();
    ++context_->buffersDeleted;
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return store_.lock(offset, size, data, flags);
}

HRESULT VertexBuffer::Unlock() {
    context_->makeCurrent();
    return store_.unlock();
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

IndexBuffer::IndexBuffer(std::shared_ptr<GLContext> context, const D3DINDEXBUFFER_DESC& desc)
    : Resource(std::move(context), desc.Pool), desc_(desc), store_((context_->makeCurrent(), desc.Size), desc.Usage) {}

IndexBuffer::~IndexBuffer() {
    context_->makeCurrent();
    ++context_->buffersDeleted;
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return store_.lock(offset, size, data, flags);
}

HRESULT IndexBuffer::Unlock() {
    context_->makeCurrent();
    return store_.unlock();
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

}  // namespace d3d9gl
