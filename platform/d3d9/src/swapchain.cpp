#include "swapchain.h"

#include "device.h"

namespace d3d9gl {

SwapChain::SwapChain(Device* device, Surface* backBuffer, const D3DPRESENT_PARAMETERS& parameters,
    SDL_Window* window, bool additional)
    : device_(device), backBuffer_(backBuffer), parameters_(parameters), window_(window), additional_(additional) {
    backBuffer_->AddRef();
    if (additional_) count_ = std::make_unique<ContextRef>(device->sharedContext(), true);
}

SwapChain::~SwapChain() {
    if (device_ && additional_) device_->swapChainDestroyed(this);
    backBuffer_->Release();
}

HRESULT SwapChain::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
    const void* dirtyRegion, DWORD) {
    if (!device_) return D3DERR_INVALIDCALL;
    if (!additional_) return device_->Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
    if (!device_->operational()) return D3DERR_DEVICELOST;
    if (window_) device_->blitToWindow(*backBuffer_, window_);
    return D3D_OK;
}

HRESULT SwapChain::GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (backBuffer != 0) return D3DERR_INVALIDCALL;
    *surface = backBuffer_;
    backBuffer_->AddRef();
    return D3D_OK;
}

HRESULT SwapChain::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (!device_) return D3DERR_INVALIDCALL;
    return device_->GetDisplayMode(0, mode);
}

HRESULT SwapChain::GetDevice(IDirect3DDevice9** device) {
    if (!device || !device_) return D3DERR_INVALIDCALL;
    *device = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT SwapChain::GetPresentParameters(D3DPRESENT_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    *parameters = parameters_;
    return D3D_OK;
}

}  // namespace d3d9gl
