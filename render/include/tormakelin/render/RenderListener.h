#pragma once
// Base of every object that owns default-pool device memory: told around a device reset.

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API RenderListener {
public:
    virtual ~RenderListener();
    // Release default-pool memory before the device resets; false when that failed.
    virtual bool onLostDevice() = 0;
    // Make it again after a successful reset.
    virtual bool onResetDevice() = 0;

protected:
    // With `registerNow`, joins the listeners of the current render device (when there is one).
    explicit RenderListener(bool registerNow);
    RenderListener(const RenderListener&) = delete;
    RenderListener& operator=(const RenderListener&) = delete;
};

} // namespace tormakelin::render
