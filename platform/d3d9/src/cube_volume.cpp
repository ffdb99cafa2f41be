#include "cube_volume.h"

#include <algorithm>

namespace d3d9gl {

// Cube textures -------------------------------------------------------------------------------------

CubeTexture::CubeTexture(const std::shared_ptr<GLContext>& context, const FormatInfo* format, DWORD usage, D3DPOOL pool,
    UINT edge, UINT levels)
    : BaseTexture(context, GL_TEXTURE_CUBE_MAP, format, usage, pool, edge, edge, 1, levels) {
    for (UINT level = 0; level < visibleLevels(); ++level) {
        const UINT size = std::max(1u, edge >> level);
        D3DSURFACE_DESC desc{format->format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, size, size};
        for (GLint face = 0; face < 6; ++face)
            surfaces_.emplace_back(new Surface(context, desc, name_, GL_TEXTURE_CUBE_MAP, GLint(level), face, this, this));
    }
}

HRESULT CubeTexture::create(const std::shared_ptr<GLContext>& context, UINT edge, UINT levels, DWORD usage,
    D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture9** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const FormatInfo* info = formatInfo(format);
    HRESULT hr = validate(info, edge, edge, usage, pool, levels, fullChain(edge, edge));
    if (FAILED(hr)) return hr;
    if (info->depth) return D3DERR_NOTAVAILABLE;
    *texture = new CubeTexture(context, info, usage, pool, edge, levels);
    return D3D_OK;
}

CubeTexture::~CubeTexture() { surfaces_.clear(); }

Surface* CubeTexture::surface(DWORD face, UINT level) const {
    if (face > D3DCUBEMAP_FACE_NEGATIVE_Z || level >= visibleLevels()) return nullptr;
    return surfaces_[size_t(level) * 6 + face].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    Surface* s = surface(0, level);
    return s ? s->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** result) {
    if (!result) return D3DERR_INVALIDCALL;
    *result = surface(face, level);
    if (!*result) return D3DERR_INVALIDCALL;
    (*result)->AddRef();
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
    DWORD flags) {
    Surface* s = surface(face, level);
    return s ? s->LockRect(lockedRect, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    Surface* s = surface(face, level);
    return s ? s->UnlockRect() : D3DERR_INVALIDCALL;
}

// Volume levels -------------------------------------------------------------------------------------

HRESULT Volume::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_INVALIDARG;
    if (isUnknownIid(iid)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Volume::AddRef() { return container_->AddRef(); }
ULONG Volume::Release() { return container_->Release(); }
HRESULT Volume::GetDevice(IDirect3DDevice9** device) { return container_->GetDevice(device); }

HRESULT Volume::GetContainer(REFIID iid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    *container = nullptr;
    return container_->QueryInterface(iid, container);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

ImageRef Volume::image() const {
    return ImageRef{container_->glName(), GL_TEXTURE_3D, level_, 0, desc_.Width, desc_.Height, desc_.Depth,
        container_->format()};
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
    if (!lockedVolume || isLocked_) return D3DERR_INVALIDCALL;
    D3DBOX b = box ? *box : D3DBOX{0, 0, desc_.Width, desc_.Height, 0, desc_.Depth};
    if (b.Left >= b.Right || b.Top >= b.Bottom || b.Front >= b.Back || b.Right > desc_.Width ||
        b.Bottom > desc_.Height || b.Back > desc_.Depth)
        return D3DERR_INVALIDCALL;
    container_->gl().makeCurrent();
    const ImageRef im = image();
    if (flags & D3DLOCK_DISCARD) locked_.assign(slicePitch(im) * im.depth, 0);
    else readImage(im, locked_);
    isLocked_ = true;
    lockedBox_ = b;
    lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    const UINT pitch = rowPitch(*im.format, desc_.Width);
    lockedVolume->RowPitch = INT(pitch);
    lockedVolume->SlicePitch = INT(slicePitch(im));
    lockedVolume->pBits = locked_.data() + b.Front * slicePitch(im) + size_t(b.Top) * pitch +
                          size_t(b.Left) * im.format->bytesPerPixel;
    return D3D_OK;
}

HRESULT Volume::UnlockBox() {
    if (!isLocked_) return D3DERR_INVALIDCALL;
    isLocked_ = false;
    if (!lockedReadOnly_) {
        container_->gl().makeCurrent();
        writeImage(image(), locked_.data(), lockedBox_);
        container_->levelWritten(level_);
    }
    locked_.clear();
    locked_.shrink_to_fit();
    return D3D_OK;
}

// Volume textures -----------------------------------------------------------------------------------

VolumeTexture::VolumeTexture(std::shared_ptr<GLContext> context, const FormatInfo* format, DWORD usage, D3DPOOL pool,
    UINT width, UINT height, UINT depth, UINT levels)
    : BaseTexture(std::move(context), GL_TEXTURE_3D, format, usage, pool, width, height, depth, levels) {
    for (UINT level = 0; level < visibleLevels(); ++level) {
        D3DVOLUME_DESC desc{format->format, D3DRTYPE_VOLUME, usage, pool, std::max(1u, width >> level),
            std::max(1u, height >> level), std::max(1u, depth >> level)};
        volumes_.emplace_back(new Volume(this, desc, GLint(level)));
    }
}

HRESULT VolumeTexture::create(std::shared_ptr<GLContext> context, UINT width, UINT height, UINT depth, UINT levels,
    DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (depth == 0 || depth > 2048 || width > 2048 || height > 2048) return D3DERR_INVALIDCALL;
    // Volumes are never targets.
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    const FormatInfo* info = formatInfo(format);
    HRESULT hr = validate(info, width, height, usage, pool, levels, fullChain(width, height, depth));
    if (FAILED(hr)) return hr;
    // S3TC has no 3-D form in GL.
    if (info->compressed || info->depth) return D3DERR_NOTAVAILABLE;
    *texture = new VolumeTexture(std::move(context), info, usage, pool, width, height, depth, levels);
    return D3D_OK;
}

VolumeTexture::~VolumeTexture() { volumes_.clear(); }

HRESULT VolumeTexture::GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) {
    if (level >= volumes_.size()) return D3DERR_INVALIDCALL;
    return volumes_[level]->GetDesc(desc);
}

HRESULT VolumeTexture::GetVolumeLevel(UINT level, IDirect3DVolume9** volume) {
    if (!volume) return D3DERR_INVALIDCALL;
    *volume = nullptr;
    if (level >= volumes_.size()) return D3DERR_INVALIDCALL;
    *volume = volumes_[level].get();
    (*volume)->AddRef();
    return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
    if (level >= volumes_.size()) return D3DERR_INVALIDCALL;
    return volumes_[level]->LockBox(lockedVolume, box, flags);
}

HRESULT VolumeTexture::UnlockBox(UINT level) {
    if (level >= volumes_.size()) return D3DERR_INVALIDCALL;
    return volumes_[level]->UnlockBox();
}

}  // namespace d3d9gl
