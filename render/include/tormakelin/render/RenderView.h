#pragma once
// A viewport that can be made current and restored; begin/end pairs nest.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API IRenderView {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Makes this view current, keeping the one it replaces.
    virtual bool begin() = 0;
    // Makes the replaced view current again; nothing without a begin.
    virtual void end() = 0;
    virtual D3DVIEWPORT9& getViewport() = 0;
    virtual ~IRenderView() = default;
};

// Viewport 0, 0, 0, 0, MinZ 0, MaxZ 1; the caller fills it.
TORMAKELIN_RENDER_API IRenderView* createRenderView();

} // namespace tormakelin::render
