#pragma once
// Surfaces that drawing can be sent to.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class IRenderView;

class TORMAKELIN_RENDER_API IRenderTarget {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 0 for render targets.
    virtual int getResourceType() = 0;
    virtual bool begin() = 0;
    virtual bool end() = 0;
    virtual IRenderView* getRenderView() = 0;
    // The surface with a reference for the caller, or null.
    virtual IDirect3DSurface9* getSurface() = 0;
    // The depth-stencil surface with a reference for the caller, or null.
    virtual IDirect3DSurface9* getDepthSurface() = 0;
    virtual ~IRenderTarget() = default;
};

// The render device's back buffer seen as a render target (it cannot be begun).
TORMAKELIN_RENDER_API IRenderTarget* createBackBuffer();

} // namespace tormakelin::render
