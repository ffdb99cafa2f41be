#include "TextureDecode.h"

#include <tormakelin/render/RenderDevice.h>

#if __has_include(<d3dx9tex.h>)
#include <d3dx9tex.h>
#define TORMAKELIN_HAVE_D3DX_TEXTURES 1
#endif

namespace tormakelin::render {

#if defined(TORMAKELIN_HAVE_D3DX_TEXTURES)

namespace {

bool imageInfo(const void* data, unsigned size, D3DXIMAGE_INFO& info)
{
    return SUCCEEDED(D3DXGetImageInfoFromFileInMemory(data, size, &info));
}

} // namespace

HRESULT decodeTexture(const void* data, unsigned size, const TextureCreateParams* params, IDirect3DTexture9** out)
{
    if (params != nullptr) {
        return D3DXCreateTextureFromFileInMemoryEx(g_d3d, data, size, D3DX_DEFAULT, D3DX_DEFAULT, params->levels,
            params->usage, params->format, params->pool, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, out);
    }
    D3DXIMAGE_INFO info{};
    if (!imageInfo(data, size, info)) {
        return D3DERR_INVALIDCALL;
    }
    if (info.ImageFileFormat != D3DXIFF_DDS) {
        return D3DXCreateTextureFromFileInMemory(g_d3d, data, size, out);
    }
    // Float depth maps are render targets' company: they live in the default pool.
    const D3DPOOL pool = info.Format == D3DFMT_R32F ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    return D3DXCreateTextureFromFileInMemoryEx(g_d3d, data, size, info.Width, info.Height, info.MipLevels, 0,
        D3DFMT_UNKNOWN, pool, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, out);
}

HRESULT decodeCubeTexture(const void* data, unsigned size, const TextureCreateParams* params,
    IDirect3DCubeTexture9** out)
{
    if (params != nullptr) {
        return D3DXCreateCubeTextureFromFileInMemoryEx(g_d3d, data, size, D3DX_DEFAULT, params->levels,
            params->usage, params->format, params->pool, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, out);
    }
    D3DXIMAGE_INFO info{};
    if (!imageInfo(data, size, info)) {
        return D3DERR_INVALIDCALL;
    }
    if (info.ImageFileFormat != D3DXIFF_DDS) {
        return D3DXCreateCubeTextureFromFileInMemory(g_d3d, data, size, out);
    }
    return D3DXCreateCubeTextureFromFileInMemoryEx(g_d3d, data, size, info.Width, info.MipLevels, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, out);
}

HRESULT decodeVolumeTexture(const void* data, unsigned size, const TextureCreateParams* params,
    IDirect3DVolumeTexture9** out)
{
    if (params != nullptr) {
        return D3DXCreateVolumeTextureFromFileInMemoryEx(g_d3d, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
            params->levels, params->usage, params->format, params->pool, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
            nullptr, out);
    }
    return D3DXCreateVolumeTextureFromFileInMemory(g_d3d, data, size, out);
}

HRESULT decodeScratchImage(const void* data, unsigned size, IDirect3DTexture9** out)
{
    return D3DXCreateTextureFromFileInMemoryEx(g_d3d, data, size, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
        D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, out);
}

bool imageIsCube(const void* data, unsigned size)
{
    D3DXIMAGE_INFO info{};
    return imageInfo(data, size, info) && info.ResourceType == D3DRTYPE_CUBETEXTURE;
}

#else

// Without the D3DX texture functions no image file can be decoded.
HRESULT decodeTexture(const void*, unsigned, const TextureCreateParams*, IDirect3DTexture9** out)
{
    *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT decodeCubeTexture(const void*, unsigned, const TextureCreateParams*, IDirect3DCubeTexture9** out)
{
    *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT decodeVolumeTexture(const void*, unsigned, const TextureCreateParams*, IDirect3DVolumeTexture9** out)
{
    *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT decodeScratchImage(const void*, unsigned, IDirect3DTexture9** out)
{
    *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

bool imageIsCube(const void*, unsigned)
{
    return false;
}

#endif

} // namespace tormakelin::render
