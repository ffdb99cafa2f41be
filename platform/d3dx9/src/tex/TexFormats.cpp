#include "TexFormats.h"

#include <vector>

#include "PixelFormat.h"

namespace d3dxtex {

namespace {

bool deviceTakes(IDirect3DDevice9* device, D3DFORMAT format, DWORD usage, D3DRESOURCETYPE type) {
    if (!isKnownFormat(format)) return false;
    IDirect3D9* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return false;
    D3DDEVICE_CREATION_PARAMETERS params{};
    D3DDISPLAYMODE mode{};
    device->GetCreationParameters(&params);
    device->GetDisplayMode(0, &mode);
    const D3DFORMAT adapterFormat = mode.Format == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : mode.Format;
    const HRESULT hr = d3d->CheckDeviceFormat(params.AdapterOrdinal, params.DeviceType, adapterFormat,
        usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL), type, format);
    d3d->Release();
    return SUCCEEDED(hr);
}

std::vector<D3DFORMAT> fallbacks(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R3G3B2:
    case D3DFMT_L8: return {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
    case D3DFMT_A4L4: return {D3DFMT_A8L8, D3DFMT_A8R8G8B8};
    case D3DFMT_L16:
    case D3DFMT_G16R16: return {D3DFMT_A16B16G16R16, D3DFMT_A32B32G32R32F};
    case D3DFMT_R16F: return {D3DFMT_R32F, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F};
    case D3DFMT_G16R16F: return {D3DFMT_G32R32F, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F};
    case D3DFMT_R32F: return {D3DFMT_G32R32F, D3DFMT_A32B32G32R32F};
    case D3DFMT_G32R32F:
    case D3DFMT_A16B16G16R16F: return {D3DFMT_A32B32G32R32F};
    case D3DFMT_A2R10G10B10:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A16B16G16R16: return {D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16F, D3DFMT_A8R8G8B8};
    default: return {D3DFMT_A8R8G8B8};
    }
}

}  // namespace

UINT nextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value && p < 0x80000000u) p <<= 1;
    return p;
}

D3DFORMAT supportedFormat(IDirect3DDevice9* device, D3DFORMAT format, DWORD usage, D3DRESOURCETYPE type) {
    if (deviceTakes(device, format, usage, type)) return format;
    for (D3DFORMAT f : fallbacks(format))
        if (deviceTakes(device, f, usage, type)) return f;
    return D3DFMT_UNKNOWN;
}

}  // namespace d3dxtex
