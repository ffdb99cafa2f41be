#pragma once
// Surfaces that drawing can be sent to. Every begin saves what it replaces and its end restores
// it, so begin/end pairs of different objects nest.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class IRenderView;
class ITexture;

class TORMAKELIN_RENDER_API IRenderTarget {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 0 for render targets.
    virtual int getResourceType() = 0;
    // False while already begun; such a begin still takes its end, which then changes nothing.
    virtual bool begin() = 0;
    // False for the end of a refused begin and for an end without a begin.
    virtual bool end() = 0;
    virtual IRenderView* getRenderView() = 0;
    // The surface with a reference for the caller, or null.
    virtual IDirect3DSurface9* getSurface() = 0;
    // The depth-stencil surface with a reference for the caller, or null.
    virtual IDirect3DSurface9* getDepthSurface() = 0;
    virtual ~IRenderTarget() = default;
};

// A texture with render-target usage, its own full-size view and optionally its own depth.
class TORMAKELIN_RENDER_API IRenderTargetTexture {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 4 for render-target textures.
    virtual int getResourceType() = 0;
    // False while already begun; such a begin still takes its end, which then changes nothing.
    virtual bool begin() = 0;
    // False for the end of a refused begin and for an end without a begin.
    virtual bool end() = 0;
    virtual IRenderView* getRenderView() = 0;
    virtual ITexture* getTexture() = 0;
    // The own depth-stencil surface with a reference for the caller; null without depth.
    virtual IDirect3DSurface9* getDepthSurface() = 0;
    virtual ~IRenderTargetTexture() = default;
};

// The render device's back buffer seen as a render target (it cannot be begun).
TORMAKELIN_RENDER_API IRenderTarget* createBackBuffer();
// Multisample, quality and flag are not used: a texture is never multisampled. Null on failure.
TORMAKELIN_RENDER_API IRenderTargetTexture* createRenderTargetTexture(unsigned width, unsigned height,
    D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE, DWORD quality = 0, DWORD flag = 0,
    bool useDepth = false);
// A render-target surface with a depth surface of the same size and samples. Null on failure.
TORMAKELIN_RENDER_API IRenderTarget* createRenderTarget(unsigned width, unsigned height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE, DWORD quality = 0, bool lockable = false);

} // namespace tormakelin::render
