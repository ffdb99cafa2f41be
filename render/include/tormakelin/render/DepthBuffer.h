#pragma once
// A depth-stencil surface that can be made current and restored.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API IDepthBuffer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Makes the surface current, keeping the one it replaces; false without a surface or while bound.
    virtual bool bind() = 0;
    // Makes the replaced surface current again; false without a bind.
    virtual bool restore() = 0;
    virtual ~IDepthBuffer() = default;
};

// Null on failure.
TORMAKELIN_RENDER_API IDepthBuffer* createDepthBuffer(unsigned width, unsigned height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE, DWORD quality = 0, bool discard = true);

} // namespace tormakelin::render
