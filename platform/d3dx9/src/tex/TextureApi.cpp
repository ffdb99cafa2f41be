// Image information, texture requirements and empty textures.
#include <algorithm>

#include "DdsFile.h"
#include "ImageFile.h"
#include "PixelFormat.h"
#include "Resample.h"
#include "TexFormats.h"
#include "d3dx9tex.h"

using namespace d3dxtex;

#ifndef D3DPTEXTURECAPS_POW2
#define D3DPTEXTURECAPS_POW2 0x00000002L
#endif
#ifndef D3DPTEXTURECAPS_NONPOW2CONDITIONAL
#define D3DPTEXTURECAPS_NONPOW2CONDITIONAL 0x00000100L
#endif

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID srcData, UINT srcDataSize, D3DXIMAGE_INFO* srcInfo) {
    if (!srcData || srcDataSize == 0) return D3DERR_INVALIDCALL;
    D3DXIMAGE_INFO info{};
    if (looksLikeDds(srcData, srcDataSize)) {
        DdsFile dds;
        if (!readDds(srcData, srcDataSize, dds)) return D3DXERR_INVALIDDATA;
        info = {dds.width, dds.height, dds.depth, dds.levels, dds.format, dds.type, D3DXIFF_DDS};
    } else if (!imageFileInfo(srcData, srcDataSize, info)) {
        return D3DXERR_INVALIDDATA;
    }
    if (srcInfo) *srcInfo = info;
    return D3D_OK;
}

namespace {

// A side left out (0 or D3DX_DEFAULT) takes the other's size; both left out make 256 x 256.
void requestedSize(const UINT* width, const UINT* height, UINT& w, UINT& h) {
    w = width ? *width : 0;
    h = height ? *height : 0;
    if (w == D3DX_DEFAULT) w = 0;
    if (h == D3DX_DEFAULT) h = 0;
    if (w == 0 && h == 0) w = h = 256;
    if (w == 0) w = h;
    if (h == 0) h = w;
}

void fitSizeToDevice(const D3DCAPS9& caps, D3DFORMAT f, UINT& w, UINT& h) {
    if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) && !(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL))
        w = nextPowerOfTwo(w), h = nextPowerOfTwo(h);
    if (isBlockFormat(f)) w = (w + 3) & ~3u, h = (h + 3) & ~3u;
    if (caps.MaxTextureWidth) w = std::min<UINT>(w, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight) h = std::min<UINT>(h, caps.MaxTextureHeight);
}

}  // namespace

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* device, UINT* width, UINT* height, UINT* numMipLevels,
    DWORD usage, D3DFORMAT* format, D3DPOOL pool) {
    if (!device) return D3DERR_INVALIDCALL;
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    UINT w = 0, h = 0;
    requestedSize(width, height, w, h);

    D3DFORMAT f = format ? *format : D3DFMT_UNKNOWN;
    if (f == D3DFMT_UNKNOWN || f == D3DFORMAT(D3DX_DEFAULT)) f = D3DFMT_A8R8G8B8;
    f = supportedFormat(device, f, usage, D3DRTYPE_TEXTURE);
    if (f == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;

    fitSizeToDevice(caps, f, w, h);
    if (numMipLevels) *numMipLevels = chainLevels(*numMipLevels, fullChainLevels(w, h), usage);
    (void)pool;
    if (width) *width = w;
    if (height) *height = h;
    if (format) *format = f;
    return D3D_OK;
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
    D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    HRESULT hr = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(hr)) return hr;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture, nullptr);
}
