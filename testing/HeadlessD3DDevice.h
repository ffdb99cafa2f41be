#pragma once
// A small Direct3D 9 device of our GL layer for tests, benchmarks and fuzz targets. The device
// layer makes its own hidden window when none is given, so it runs on SDL's offscreen driver.

#include <d3d9.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tormakelin::test {

// One A8R8G8B8 back buffer presented at once, with a D24S8 depth buffer when `depth`.
inline D3DPRESENT_PARAMETERS headlessPresentParameters(UINT width = 64, UINT height = 64, bool depth = true)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    if (depth) {
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    }
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

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
    D3DPRESENT_PARAMETERS pp = headlessPresentParameters();
    IDirect3DDevice9* device = nullptr;
    if ((*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK) {
        return nullptr;
    }
    return device;
}

// The surfaces `device` draws into now, released at once: for comparing by address.
inline IDirect3DSurface9* currentTarget(IDirect3DDevice9* device)
{
    IDirect3DSurface9* surface = nullptr;
    device->GetRenderTarget(0, &surface);
    if (surface != nullptr) {
        surface->Release();
    }
    return surface;
}

inline IDirect3DSurface9* currentDepth(IDirect3DDevice9* device)
{
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(device->GetDepthStencilSurface(&surface))) {
        return nullptr;
    }
    surface->Release();
    return surface;
}

// Row by row, width words each; empty when the surface cannot be read.
inline std::vector<uint32_t> surfacePixels(IDirect3DSurface9* surface)
{
    std::vector<uint32_t> pixels;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (!surface || surface->GetDesc(&desc) != D3D_OK ||
        surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) {
        return pixels;
    }
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(&pixels[size_t(y) * desc.Width],
            static_cast<uint8_t const*>(locked.pBits) + size_t(y) * size_t(locked.Pitch), desc.Width * 4);
    }
    surface->UnlockRect();
    return pixels;
}

// The back buffer's A8R8G8B8 words, row by row; empty when it cannot be read.
inline std::vector<uint32_t> backBufferPixels(IDirect3DDevice9* device)
{
    IDirect3DSurface9* back = nullptr;
    if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) {
        return {};
    }
    std::vector<uint32_t> pixels = surfacePixels(back);
    back->Release();
    return pixels;
}

} // namespace tormakelin::test
