#pragma once
// Image files in memory decoded into Direct3D textures by the D3DX texture functions.

#include <d3d9.h>

#include <tormakelin/render/Texture.h>

namespace tormakelin::render {

HRESULT decodeTexture(const void* data, unsigned size, const TextureCreateParams* params, IDirect3DTexture9** out);
HRESULT decodeCubeTexture(const void* data, unsigned size, const TextureCreateParams* params,
    IDirect3DCubeTexture9** out);
HRESULT decodeVolumeTexture(const void* data, unsigned size, const TextureCreateParams* params,
    IDirect3DVolumeTexture9** out);
// One A8R8G8B8 level in the scratch pool, for reading on the CPU.
HRESULT decodeScratchImage(const void* data, unsigned size, IDirect3DTexture9** out);
bool imageIsCube(const void* data, unsigned size);

} // namespace tormakelin::render
