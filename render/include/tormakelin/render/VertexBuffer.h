#pragma once
// Vertex and index buffers with a system-memory copy of their contents, so that default-pool
// buffers come back after a device reset and every buffer can be cloned and stored.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::core {
class ISerializer;
}

namespace tormakelin::render {

class TORMAKELIN_RENDER_API IVertexBuffer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 2 for vertex buffers.
    virtual int getResourceType() = 0;
    // Null on failure; valid until unlock.
    virtual void* lock(unsigned offset, unsigned size, DWORD flags) = 0;
    virtual HRESULT unlock() = 0;
    // The system-memory copy (getDesc()->Size bytes), or null.
    virtual void* getData() = 0;
    // Takes ownership of a byte array made with new unsigned char[]; frees the previous copy.
    virtual void setData(void* data) = 0;
    // Writes the copy into the buffer; false without buffer or copy.
    virtual bool upload(DWORD flags) = 0;
    virtual bool bind(unsigned stream, unsigned offset, unsigned stride) = 0;
    virtual D3DVERTEXBUFFER_DESC* getDesc() = 0;
    // Same size, FVF and pool with `usage`; the copy is copied and uploaded.
    virtual IVertexBuffer* clone(DWORD usage) = 0;
    // Stores or loads the buffer record; `halfFloats` stores every float as a half.
    virtual bool serialize(core::ISerializer* serializer, bool halfFloats) = 0;
    virtual ~IVertexBuffer() = default;
};

class TORMAKELIN_RENDER_API IIndexBuffer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 3 for index buffers.
    virtual int getResourceType() = 0;
    virtual bool create(unsigned size, DWORD usage, D3DFORMAT format, D3DPOOL pool) = 0;
    virtual void* lock(unsigned offset, unsigned size, DWORD flags) = 0;
    virtual HRESULT unlock() = 0;
    virtual void* getData() = 0;
    // Takes ownership of a byte array made with new unsigned char[].
    virtual void setData(void* data) = 0;
    virtual bool upload(DWORD flags) = 0;
    virtual bool bind() = 0;
    virtual D3DINDEXBUFFER_DESC* getDesc() = 0;
    virtual IIndexBuffer* clone() = 0;
    virtual bool serialize(core::ISerializer* serializer) = 0;
    virtual ~IIndexBuffer() = default;
};

// Null on failure; the count starts at 0.
TORMAKELIN_RENDER_API IVertexBuffer* createVertexBuffer(unsigned size, DWORD usage, DWORD fvf, D3DPOOL pool);
// An empty vertex buffer for serialize to fill.
TORMAKELIN_RENDER_API IVertexBuffer* createVertexBuffer();
TORMAKELIN_RENDER_API IIndexBuffer* createIndexBuffer(unsigned size, DWORD usage, D3DFORMAT format, D3DPOOL pool);
// An empty index buffer for create or serialize to fill.
TORMAKELIN_RENDER_API IIndexBuffer* createIndexBuffer();

} // namespace tormakelin::render
