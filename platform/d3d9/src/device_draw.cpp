// Draw calls.
#include <algorithm>

#include "device.h"

namespace d3d9gl {

UINT verticesOf(D3DPRIMITIVETYPE type, UINT primitives) {
    switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
    }
}

GLenum glPrimitive(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

namespace {

bool validType(D3DPRIMITIVETYPE type) { return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN; }

GLenum indexType(D3DFORMAT format) { return format == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT; }
UINT indexSize(D3DFORMAT format) { return format == D3DFMT_INDEX32 ? 4 : 2; }

UINT elementSize(BYTE type) {
    static const UINT sizes[D3DDECLTYPE_UNUSED] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    return type < D3DDECLTYPE_UNUSED ? sizes[type] : 0;
}

}  // namespace

void Device::useFillRuleFor(D3DPRIMITIVETYPE type) {
    const bool lifted = type >= D3DPT_TRIANGLELIST && renderStates_[D3DRS_FILLMODE] == D3DFILL_SOLID;
    if (lifted == lifted_) return;
    lifted_ = lifted;
    dirty_ |= kDirtyViewport | kDirtyAlphaTest;
}

bool Device::streamsHold(uint64_t firstVertex, uint64_t vertices, UINT instances) const {
    if (!declaration_) return true;
    for (const D3DVERTEXELEMENT9& e : declaration_->elements()) {
        const StreamSlot& slot = streams_[e.Stream];
        if (!slot.buffer) continue;
        const bool instanced = (slot.frequency & D3DSTREAMSOURCE_INSTANCEDATA) != 0;
        const uint64_t divisor = std::max<uint64_t>(1, slot.frequency & 0x3FFFFFFF);
        const uint64_t last = instanced ? (instances - 1) / divisor : firstVertex + vertices - 1;
        const uint64_t end = slot.offset + last * slot.stride + e.Offset + elementSize(e.Type);
        if (end > slot.buffer->size()) return false;
    }
    return true;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    if (!validType(type)) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    // Reads past a buffer's end are refused: GL would fetch whatever lies beyond it.
    if (!streamsHold(startVertex, verticesOf(type, primitiveCount), 1)) return D3DERR_INVALIDCALL;
    useFillRuleFor(type);
    HRESULT hr = prepareDraw();
    if (FAILED(hr)) return hr;
    glDrawArrays(glPrimitive(type), GLint(startVertex), GLsizei(verticesOf(type, primitiveCount)));
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
    UINT numVertices, UINT startIndex, UINT primitiveCount) {
    if (!validType(type) || !indices_) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    const UINT count = verticesOf(type, primitiveCount);
    const UINT size = indexSize(indices_->format());
    D3DINDEXBUFFER_DESC desc;
    indices_->GetDesc(&desc);
    if (uint64_t(startIndex + uint64_t(count)) * size > desc.Size) return D3DERR_INVALIDCALL;
    const int64_t first = int64_t(baseVertexIndex) + minVertexIndex;
    if (first < 0 || numVertices == 0 || !streamsHold(uint64_t(first), numVertices, instanceCount()))
        return D3DERR_INVALIDCALL;
    useFillRuleFor(type);
    HRESULT hr = prepareDraw();
    if (FAILED(hr)) return hr;
    const void* offset = reinterpret_cast<const void*>(uintptr_t(startIndex) * size);
    glDrawElementsInstancedBaseVertex(glPrimitive(type), GLsizei(count), indexType(indices_->format()), offset,
        GLsizei(instanceCount()), baseVertexIndex);
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData, UINT stride) {
    if (!validType(type) || !vertexData || stride == 0) return D3DERR_INVALIDCALL;
    // Direct3D leaves stream 0 and the indices unset after a user-pointer draw.
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    if (primitiveCount == 0) return D3D_OK;
    if (!vertexShader_) return D3DERR_INVALIDCALL;
    const UINT vertices = verticesOf(type, primitiveCount);
    context_->makeCurrent();
    glNamedBufferData(streamVertices_, GLsizeiptr(vertices) * stride, vertexData, GL_STREAM_DRAW);
    useFillRuleFor(type);
    const UserArrays user{streamVertices_, stride, 0};
    HRESULT hr = prepareDraw(&user);
    if (FAILED(hr)) return hr;
    glDrawArrays(glPrimitive(type), 0, GLsizei(vertices));
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
    UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat, const void* vertexData, UINT stride) {
    if (!validType(type) || !vertexData || !indexData || stride == 0 ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    if (primitiveCount == 0) return D3D_OK;
    if (!vertexShader_) return D3DERR_INVALIDCALL;
    const UINT count = verticesOf(type, primitiveCount);
    // Indices beyond the vertices given would make GL read past the copied data.
    const uint64_t end = uint64_t(minVertexIndex) + numVertices;
    for (UINT i = 0; i < count; ++i) {
        const uint32_t index = indexFormat == D3DFMT_INDEX32 ? static_cast<const uint32_t*>(indexData)[i]
                                                              : static_cast<const uint16_t*>(indexData)[i];
        if (index >= end) return D3DERR_INVALIDCALL;
    }
    context_->makeCurrent();
    glNamedBufferData(streamVertices_, GLsizeiptr(end) * stride, vertexData, GL_STREAM_DRAW);
    glNamedBufferData(streamIndices_, GLsizeiptr(count) * indexSize(indexFormat), indexData, GL_STREAM_DRAW);
    useFillRuleFor(type);
    const UserArrays user{streamVertices_, stride, streamIndices_};
    HRESULT hr = prepareDraw(&user);
    if (FAILED(hr)) return hr;
    glDrawElements(glPrimitive(type), GLsizei(count), indexType(indexFormat), nullptr);
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

}  // namespace d3d9gl
