#pragma once
// Several vertex buffers bound to their stream indices in one call, with instancing frequencies.

#include <vector>

#include <tormakelin/render/Export.h>

namespace tormakelin::core {
class ISerializer;
}

namespace tormakelin::render {

class IVertexBuffer;

struct VertexStreamEntry {
    unsigned stream = 0;
    unsigned stride = 0;
    // Holds a reference.
    IVertexBuffer* buffer = nullptr;
    // 0: not instanced.
    unsigned frequency = 0;
};

class TORMAKELIN_RENDER_API IVertexStream {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // False for a null buffer; else appends.
    virtual bool addStream(unsigned stream, unsigned stride, IVertexBuffer* buffer, unsigned frequency) = 0;
    // Replaces the entry at `position`, whose stream index becomes the position.
    virtual bool setStream(unsigned position, unsigned stride, IVertexBuffer* buffer, unsigned frequency) = 0;
    virtual const std::vector<VertexStreamEntry>& getStreams() = 0;
    virtual bool bind() = 0;
    virtual void unbind() = 0;
    virtual IVertexStream* clone() = 0;
    // Loading appends the stored entries.
    virtual bool serialize(core::ISerializer* serializer, bool halfFloats) = 0;
    virtual ~IVertexStream() = default;
};

TORMAKELIN_RENDER_API IVertexStream* createVertexStream();

} // namespace tormakelin::render
