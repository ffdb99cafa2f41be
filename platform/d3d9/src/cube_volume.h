#pragma once
// Cube textures (six faces of square levels) and volume textures (levels of slices).

#include "surfaces.h"

namespace d3d9gl {

class CubeTexture final : public BaseTexture<IDirect3DCubeTexture9> {
public:
    static HRESULT create(const std::shared_ptr<GLContext>& context, UINT edge, UINT levels, DWORD usage,
        D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture9** texture);
    ~CubeTexture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
        DWORD flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES, const RECT*) override { return D3D_OK; }
    // Null outside the faces and visible levels.
    Surface* surface(DWORD face, UINT level) const;

private:
    CubeTexture(const std::shared_ptr<GLContext>& context, const FormatInfo* format, DWORD usage, D3DPOOL pool,
        UINT edge, UINT levels);
    std::vector<std::unique_ptr<Surface>> surfaces_;  // level-major: level * 6 + face
};

class VolumeTexture;

// One level of a volume texture; its references go to the texture.
class Volume final : public IDirect3DVolume9 {
public:
    Volume(VolumeTexture* container, const D3DVOLUME_DESC& desc, GLint level) : container_(container), desc_(desc),
        level_(level) {}
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT GetContainer(REFIID iid, void** container) override;
    HRESULT GetDesc(D3DVOLUME_DESC* desc) override;
    HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
    HRESULT UnlockBox() override;
    const D3DVOLUME_DESC& desc() const { return desc_; }
    GLint glLevel() const { return level_; }

private:
    ImageRef image() const;
    VolumeTexture* container_;
    D3DVOLUME_DESC desc_;
    GLint level_;
    std::vector<uint8_t> locked_;
    D3DBOX lockedBox_{};
    bool lockedReadOnly_ = false;
    bool isLocked_ = false;
};

class VolumeTexture final : public BaseTexture<IDirect3DVolumeTexture9> {
public:
    static HRESULT create(std::shared_ptr<GLContext> context, UINT width, UINT height, UINT depth, UINT levels,
        DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture);
    ~VolumeTexture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) override;
    HRESULT GetVolumeLevel(UINT level, IDirect3DVolume9** volume) override;
    HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
    HRESULT UnlockBox(UINT level) override;
    HRESULT AddDirtyBox(const D3DBOX*) override { return D3D_OK; }
    Volume* volume(UINT level) const { return level < volumes_.size() ? volumes_[level].get() : nullptr; }
    GLContext& gl() const { return *gl_; }

private:
    VolumeTexture(std::shared_ptr<GLContext> context, const FormatInfo* format, DWORD usage, D3DPOOL pool, UINT width,
        UINT height, UINT depth, UINT levels);
    std::vector<std::unique_ptr<Volume>> volumes_;
};

}  // namespace d3d9gl
