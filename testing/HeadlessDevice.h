#pragma once
// Headless devices for tests, benchmarks and fuzz targets: a small Direct3D 9 device of our GL
// layer, a render window without a handle, and the render library's device over it. The device
// layer makes its own hidden window when none is given, so all run on SDL's offscreen driver.

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderWindow.h>

#include <d3d9.h>

#include <cstdlib>
#include <string>

namespace tormakelin::test {

inline void useHeadlessDrivers()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LC_ALL", "C", 0);
}

// Null when the device cannot be made.
inline IDirect3DDevice9* createHeadlessD3DDevice(IDirect3D9** d3d)
{
    useHeadlessDrivers();
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!*d3d) {
        return nullptr;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if ((*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK) {
        return nullptr;
    }
    return device;
}

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
