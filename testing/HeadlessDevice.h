#pragma once
// Headless render devices for tests, benchmarks and fuzz targets: a render window without a
// handle, and the render library's device over it.

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderWindow.h>

#include "HeadlessD3DDevice.h"

#include <string>

namespace tormakelin::test {

// A render window without a handle.
class HiddenWindow : public render::IRenderWindow {
public:
    bool create(void*) override { return false; }
    bool create(unsigned, unsigned, const std::string&, render::RenderWindowStyle, render::IRenderWindow*) override
    {
        return false;
    }
    void close() override {}
    bool isActive() override { return true; }
    bool hasFocus() override { return true; }
    void setFocus() override {}
    void center() override {}
    bool isFullscreen() override { return false; }
    bool setFullscreen(bool) override { return true; }
    bool toggleFullscreen() override { return true; }
    LRESULT messageHandler(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    HWND getHandle() const override { return nullptr; }
};

// The render device, made once and kept for the process (one reference held); null on failure.
inline render::IRenderDevice* headlessRenderDevice()
{
    static HiddenWindow window;
    static render::IRenderDevice* device = [] {
        useHeadlessDrivers();
        render::IRenderDevice* made = render::createRenderDevice();
        made->addRef();
        render::DeviceCreateParams params;
        params.width = 64;
        params.height = 64;
        if (!made->create(&window, params)) {
            made->release();
            return static_cast<render::IRenderDevice*>(nullptr);
        }
        return made;
    }();
    return device;
}

} // namespace tormakelin::test
