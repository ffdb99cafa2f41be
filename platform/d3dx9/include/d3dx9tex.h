#pragma once
// Texture files and surface loading: image information, textures from image files in memory,
// empty textures with the library's size and format rules, and surface conversion.
#include "d3d9.h"

#ifndef D3DX9_API
#define D3DX9_API __attribute__((visibility("default")))
#endif

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)
#endif

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_DEFAULT_FLOAT 3.402823466e+38F
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DX_FILTER_DITHER_DIFFUSION (2 << 19)
#define D3DX_FILTER_SRGB_IN (1 << 21)
#define D3DX_FILTER_SRGB_OUT (2 << 21)
#define D3DX_FILTER_SRGB (3 << 21)

enum D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

D3DX9_API HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID srcData, UINT srcDataSize, D3DXIMAGE_INFO* srcInfo);

// Adjusts the asked size, level count and format to what the device can create.
D3DX9_API HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* device, UINT* width, UINT* height,
    UINT* numMipLevels, DWORD usage, D3DFORMAT* format, D3DPOOL pool);

D3DX9_API HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
    D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);

D3DX9_API HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    IDirect3DTexture9** texture);
D3DX9_API HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
    DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette, IDirect3DTexture9** texture);

D3DX9_API HRESULT D3DXCreateCubeTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData,
    UINT srcDataSize, IDirect3DCubeTexture9** cubeTexture);
D3DX9_API HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData,
    UINT srcDataSize, UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
    DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
    IDirect3DCubeTexture9** cubeTexture);

D3DX9_API HRESULT D3DXCreateVolumeTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData,
    UINT srcDataSize, IDirect3DVolumeTexture9** volumeTexture);
D3DX9_API HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData,
    UINT srcDataSize, UINT width, UINT height, UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format,
    D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
    IDirect3DVolumeTexture9** volumeTexture);

// Converts (and with a filter, scales) srcRect of the pixels into destRect of the surface; null
// rectangles mean the whole surface. colorKey, when not 0, turns matching source pixels into 0.
D3DX9_API HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* destSurface, const PALETTEENTRY* destPalette,
    const RECT* destRect, LPCVOID srcMemory, D3DFORMAT srcFormat, UINT srcPitch, const PALETTEENTRY* srcPalette,
    const RECT* srcRect, DWORD filter, D3DCOLOR colorKey);
