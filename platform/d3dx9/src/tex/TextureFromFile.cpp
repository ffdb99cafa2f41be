// Textures, cube textures and volume textures from image files in memory.
#include <algorithm>

#include "DdsFile.h"
#include "ImageFile.h"
#include "Resample.h"
#include "TexFormats.h"
#include "TexUpload.h"
#include "d3dx9tex.h"

using namespace d3dxtex;

namespace {

// A parsed file: its information and either its DDS layout or its decoded pixels.
struct SourceFile {
    D3DXIMAGE_INFO info{};
    DdsFile dds;
    Rgba8Image image;
    ChainSource chain;

    HRESULT open(LPCVOID data, UINT size) {
        if (!data || size == 0) return D3DERR_INVALIDCALL;
        HRESULT hr = D3DXGetImageInfoFromFileInMemory(data, size, &info);
        if (FAILED(hr)) return hr;
        if (info.ImageFileFormat == D3DXIFF_DDS) {
            if (!readDds(data, size, dds)) return D3DXERR_INVALIDDATA;
            chain.file = static_cast<const uint8_t*>(data);
            chain.dds = &dds;
            return D3D_OK;
        }
        if (!decodeImageFile(data, size, image)) return D3DXERR_INVALIDDATA;
        chain.image = &image;
        return D3D_OK;
    }
};

// Sizes: D3DX_DEFAULT (or 0) is the file's size rounded up to a power of two,
// D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE the file's size.
UINT resolveSize(UINT asked, UINT fromFile) {
    if (asked == 0 || asked == D3DX_DEFAULT) return nextPowerOfTwo(fromFile);
    if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE) return fromFile;
    return asked;
}

UINT resolveLevels(UINT asked, const D3DXIMAGE_INFO& info) { return asked == D3DX_FROM_FILE ? info.MipLevels : asked; }

D3DFORMAT resolveFormat(D3DFORMAT asked, const D3DXIMAGE_INFO& info) {
    if (asked == D3DFMT_UNKNOWN || asked == D3DFMT_FROM_FILE || asked == D3DFORMAT(D3DX_DEFAULT)) return info.Format;
    return asked;
}

DWORD levelCountOf(IDirect3DBaseTexture9* texture, UINT asked) {
    const DWORD n = texture->GetLevelCount();
    return asked == 0 ? 1 : n;  // with automatic mips only the top level is ours to fill
}

// Discarding is only allowed on dynamic textures; the others are locked plainly.
template <class T>
DWORD writeLockFlags(T* texture) {
    D3DSURFACE_DESC desc{};
    return SUCCEEDED(texture->GetLevelDesc(0, &desc)) && (desc.Usage & D3DUSAGE_DYNAMIC) ? DWORD(D3DLOCK_DISCARD) : 0;
}

class Texture2DTarget final : public LevelTarget {
public:
    explicit Texture2DTarget(IDirect3DTexture9* t) : texture_(t), flags_(writeLockFlags(t)) {}
    HRESULT lock(UINT level, D3DLOCKED_BOX& box) override {
        D3DLOCKED_RECT r{};
        HRESULT hr = texture_->LockRect(level, &r, nullptr, flags_);
        box = {r.Pitch, 0, r.pBits};
        return hr;
    }
    HRESULT unlock(UINT level) override { return texture_->UnlockRect(level); }

private:
    IDirect3DTexture9* texture_;
    DWORD flags_;
};

class CubeFaceTarget final : public LevelTarget {
public:
    CubeFaceTarget(IDirect3DCubeTexture9* t, UINT face)
        : texture_(t), face_(D3DCUBEMAP_FACES(face)), flags_(writeLockFlags(t)) {}
    HRESULT lock(UINT level, D3DLOCKED_BOX& box) override {
        D3DLOCKED_RECT r{};
        HRESULT hr = texture_->LockRect(face_, level, &r, nullptr, flags_);
        box = {r.Pitch, 0, r.pBits};
        return hr;
    }
    HRESULT unlock(UINT level) override { return texture_->UnlockRect(face_, level); }

private:
    IDirect3DCubeTexture9* texture_;
    D3DCUBEMAP_FACES face_;
    DWORD flags_;
};

class VolumeTarget final : public LevelTarget {
public:
    explicit VolumeTarget(IDirect3DVolumeTexture9* t) : texture_(t) {}
    HRESULT lock(UINT level, D3DLOCKED_BOX& box) override { return texture_->LockBox(level, &box, nullptr, 0); }
    HRESULT unlock(UINT level) override { return texture_->UnlockBox(level); }

private:
    IDirect3DVolumeTexture9* texture_;
};

template <class T>
HRESULT finish(HRESULT hr, T* created, T** out) {
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *out = created;
    return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize, UINT width,
    UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
    D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    SourceFile file;
    HRESULT hr = file.open(srcData, srcDataSize);
    if (FAILED(hr)) return hr;
    UINT w = resolveSize(width, file.info.Width), h = resolveSize(height, file.info.Height);
    UINT levels = resolveLevels(mipLevels, file.info);
    D3DFORMAT f = resolveFormat(format, file.info);
    hr = D3DXCheckTextureRequirements(device, &w, &h, &levels, usage, &f, pool);
    if (FAILED(hr)) return hr;
    IDirect3DTexture9* created = nullptr;
    hr = device->CreateTexture(w, h, levels, usage, f, pool, &created, nullptr);
    if (FAILED(hr)) return hr;
    Texture2DTarget target(created);
    const ChainTarget dst{f, w, h, 1, levelCountOf(created, levels)};
    hr = fillChain(target, dst, file.chain, filter, mipFilter, colorKey);
    if (SUCCEEDED(hr) && (usage & D3DUSAGE_AUTOGENMIPMAP)) created->GenerateMipSubLevels();
    if (SUCCEEDED(hr) && srcInfo) *srcInfo = file.info;
    return finish(hr, created, texture);
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT,
        D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
    D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*, IDirect3DCubeTexture9** cubeTexture) {
    if (!device || !cubeTexture) return D3DERR_INVALIDCALL;
    *cubeTexture = nullptr;
    SourceFile file;
    HRESULT hr = file.open(srcData, srcDataSize);
    if (FAILED(hr)) return hr;
    if (file.info.ResourceType != D3DRTYPE_CUBETEXTURE) return D3DXERR_INVALIDDATA;
    const UINT edge = resolveSize(size, file.info.Width);
    const UINT levels = chainLevels(resolveLevels(mipLevels, file.info), fullChainLevels(edge, edge), usage);
    const D3DFORMAT f = supportedFormat(device, resolveFormat(format, file.info), usage, D3DRTYPE_CUBETEXTURE);
    if (f == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
    IDirect3DCubeTexture9* created = nullptr;
    hr = device->CreateCubeTexture(edge, levels, usage, f, pool, &created, nullptr);
    if (FAILED(hr)) return hr;
    const ChainTarget dst{f, edge, edge, 1, levelCountOf(created, levels)};
    for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        if (!(file.dds.faceMask & (1u << face))) continue;  // absent faces stay as created
        CubeFaceTarget target(created, face);
        ChainSource chain = file.chain;
        chain.face = face;
        hr = fillChain(target, dst, chain, filter, mipFilter, colorKey);
    }
    if (SUCCEEDED(hr) && (usage & D3DUSAGE_AUTOGENMIPMAP)) created->GenerateMipSubLevels();
    if (SUCCEEDED(hr) && srcInfo) *srcInfo = file.info;
    return finish(hr, created, cubeTexture);
}

HRESULT D3DXCreateCubeTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    IDirect3DCubeTexture9** cubeTexture) {
    return D3DXCreateCubeTextureFromFileInMemoryEx(device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, cubeTexture);
}

HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    UINT width, UINT height, UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
    DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*, IDirect3DVolumeTexture9** volumeTexture) {
    if (!device || !volumeTexture) return D3DERR_INVALIDCALL;
    *volumeTexture = nullptr;
    SourceFile file;
    HRESULT hr = file.open(srcData, srcDataSize);
    if (FAILED(hr)) return hr;
    if (file.info.ResourceType == D3DRTYPE_CUBETEXTURE) return D3DXERR_INVALIDDATA;
    const UINT w = resolveSize(width, file.info.Width), h = resolveSize(height, file.info.Height);
    const UINT d = resolveSize(depth, file.info.Depth);
    const UINT levels = chainLevels(resolveLevels(mipLevels, file.info), fullChainLevels(w, h, d), usage);
    const D3DFORMAT f = supportedFormat(device, resolveFormat(format, file.info), usage, D3DRTYPE_VOLUMETEXTURE);
    if (f == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
    IDirect3DVolumeTexture9* created = nullptr;
    hr = device->CreateVolumeTexture(w, h, d, levels, usage, f, pool, &created, nullptr);
    if (FAILED(hr)) return hr;
    VolumeTarget target(created);
    const ChainTarget dst{f, w, h, d, levelCountOf(created, levels)};
    hr = fillChain(target, dst, file.chain, filter, mipFilter, colorKey);
    if (SUCCEEDED(hr) && srcInfo) *srcInfo = file.info;
    return finish(hr, created, volumeTexture);
}

HRESULT D3DXCreateVolumeTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID srcData, UINT srcDataSize,
    IDirect3DVolumeTexture9** volumeTexture) {
    return D3DXCreateVolumeTextureFromFileInMemoryEx(device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT,
        D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
        nullptr, volumeTexture);
}
