#pragma once
// Swap chains: the device's implicit one (its back buffer) and additional ones with their own
// back buffer, presented to their own window.

#include "com_object.h"
#include "surfaces.h"

struct SDL_Window;

namespace d3d9gl {

class Device;

class SwapChain final : public ComObject<IDirect3DSwapChain9> {
public:
    // The implicit chain shows the device's back buffer; additional chains own theirs.
    SwapChain(Device* device, Surface* backBuffer, const D3DPRESENT_PARAMETERS& parameters, SDL_Window* window,
        bool additional);
    ~SwapChain() override;

    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const void* dirtyRegion,
        DWORD flags) override;
    HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* parameters) override;

    void setParameters(const D3DPRESENT_PARAMETERS& parameters) { parameters_ = parameters; }
    void deviceGone() { device_ = nullptr; }

private:
    Device* device_;  // not held; told when the device goes
    Surface* backBuffer_;
    D3DPRESENT_PARAMETERS parameters_;
    SDL_Window* window_;
    bool additional_;
    std::unique_ptr<ContextRef> count_;
};

}  // namespace d3d9gl
