#pragma once
// Additional swap chains, and a device on a hidden window for tools without a window.

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API ISwapChain {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // A windowed chain of one back buffer on the device's window, with its own depth surface.
    virtual bool create(unsigned width, unsigned height, D3DFORMAT format) = 0;
    // Sends drawing to the chain's back buffer; false without a chain or while begun (a begin
    // refused while begun still takes its end, which then changes nothing).
    virtual bool begin() = 0;
    virtual bool end() = 0;
    virtual bool present() = 0;
    virtual ~ISwapChain() = default;
};

TORMAKELIN_RENDER_API ISwapChain* createSwapChain();

class TORMAKELIN_RENDER_API IDeviceDummy {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Both the window and the device exist.
    virtual bool isValid() = 0;
    virtual ~IDeviceDummy() = default;
};

// A hidden 32 × 32 window with a render device on it; null on failure.
TORMAKELIN_RENDER_API IDeviceDummy* createDeviceDummy();

} // namespace tormakelin::render
