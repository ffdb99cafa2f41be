#pragma once
// A render device for tests that make textures: the device layer makes its own hidden window
// when the render window has no handle.

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderWindow.h>

namespace tormakelin::fxcore::test {

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

// Null when the device cannot be made.
inline core::SmartRef<render::IRenderDevice> createHeadlessDevice(HiddenWindow& window, unsigned size = 32)
{
    core::SmartRef<render::IRenderDevice> device(render::createRenderDevice());
    render::DeviceCreateParams params;
    params.width = size;
    params.height = size;
    if (!device || !device->create(&window, params))
        return nullptr;
    return device;
}

} // namespace tormakelin::fxcore::test
