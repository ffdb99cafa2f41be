#include "surfaces.h"

#include <algorithm>

namespace d3d9gl {

GLsizei samplesOf(D3DMULTISAMPLE_TYPE type) {
    if (type == D3DMULTISAMPLE_NONMASKABLE) return 4;
    return type >= D3DMULTISAMPLE_2_SAMPLES && type <= D3DMULTISAMPLE_16_SAMPLES ? GLsizei(type) : 0;
}

GLuint createTextureStorage(const FormatInfo& format, UINT width, UINT height, UINT levels, GLsizei samples) {
    GLuint name = 0;
    if (samples > 0) {
        // Contents start undefined, as Direct3D leaves them.
        glCreateTextures(GL_TEXTURE_2D_MULTISAMPLE, 1, &name);
        glTextureStorage2DMultisample(name, samples, format.internalFormat, GLsizei(width), GLsizei(height), GL_TRUE);
        return name;
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &name);
    glTextureStorage2D(name, GLsizei(levels), format.internalFormat, GLsizei(width), GLsizei(height));
    if (!format.depth) glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, GLint(levels) - 1);
    // GL leaves new storage undefined: start from black, and from the far plane for depth.
    const uint32_t farDepth = format.dataType == GL_UNSIGNED_INT_24_8 ? 0xFFFFFF00u : 0xFFFFFFFFu;
    for (UINT level = 0; level < levels; ++level)
        glClearTexImage(name, GLint(level), format.dataFormat, format.dataType, format.depth ? &farDepth : nullptr);
    return name;
}

// Surface ---------------------------------------------------------------------------------------

Surface* Surface::createStandalone(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, bool counted) {
    const FormatInfo* format = formatInfo(desc.Format);
    if (!format || desc.Width == 0 || desc.Height == 0) return nullptr;
    context->makeCurrent();
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    if (samplesOf(desc.MultiSampleType) > maxSamples) return nullptr;
    GLuint texture = createTextureStorage(*format, desc.Width, desc.Height, 1, samplesOf(desc.MultiSampleType));
    return new Surface(std::move(context), desc, texture, 0, nullptr, counted);
}

Surface::Surface(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, GLuint texture, GLint level,
    IDirect3DBaseTexture9* container, bool counted)
    : context_(std::move(context), counted),
      desc_(desc),
      format_(formatInfo(desc.Format)),
      texture_(texture),
      level_(level),
      samples_(container ? 0 : samplesOf(desc.MultiSampleType)),
      container_(container) {}

Surface::~Surface() {
    if (!container_) {
        context_->makeCurrent();
        glDeleteTextures(1, &texture_);
    }
}

HRESULT Surface::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_INVALIDARG;
    if (isUnknownIid(iid)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() { return container_ ? container_->AddRef() : ++refs_; }

ULONG Surface::Release() {
    if (container_) return container_->Release();
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Surface::GetContainer(REFIID iid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    *container = nullptr;
    if (container_) return container_->QueryInterface(iid, container);
    if (context_->device) return context_->device->QueryInterface(iid, container);
    return E_NOINTERFACE;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (!lockedRect || isLocked_ || !format_ || format_->depth || samples_ > 0) return D3DERR_INVALIDCALL;
    RECT all{0, 0, LONG(desc_.Width), LONG(desc_.Height)};
    RECT r = rect ? *rect : all;
    if (r.left < 0 || r.top < 0 || r.right > all.right || r.bottom > all.bottom || r.left >= r.right ||
        r.top >= r.bottom)
        return D3DERR_INVALIDCALL;
    const UINT pitch = desc_.Width * format_->bytesPerPixel;
    locked_.assign(size_t(pitch) * desc_.Height, 0);
    context_->makeCurrent();
    if (!(flags & D3DLOCK_DISCARD)) {
        glGetTextureImage(texture_, level_, format_->dataFormat, format_->dataType, GLsizei(locked_.size()),
            locked_.data());
    }
    isLocked_ = true;
    lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    lockedRect->Pitch = INT(pitch);
    lockedRect->pBits = locked_.data() + size_t(r.top) * pitch + size_t(r.left) * format_->bytesPerPixel;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!isLocked_) return D3DERR_INVALIDCALL;
    isLocked_ = false;
    if (!lockedReadOnly_) {
        context_->makeCurrent();
        glTextureSubImage2D(texture_, level_, 0, 0, GLsizei(desc_.Width), GLsizei(desc_.Height),
            format_->dataFormat, format_->dataType, locked_.data());
        if (auto* texture = dynamic_cast<Texture*>(container_)) texture->levelWritten(level_);
    }
    locked_.clear();
    locked_.shrink_to_fit();
    return D3D_OK;
}

void Surface::reallocate(UINT width, UINT height) {
    if (container_) return;
    context_->makeCurrent();
    glDeleteTextures(1, &texture_);
    desc_.Width = width;
    desc_.Height = height;
    texture_ = createTextureStorage(*format_, width, height, 1, samples_);
}

// Texture ---------------------------------------------------------------------------------------

namespace {

UINT fullChain(UINT width, UINT height) {
    UINT levels = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++levels;
    }
    return levels;
}

}  // namespace

Texture::Texture(std::shared_ptr<GLContext> context, D3DPOOL pool, DWORD usage, GLuint name)
    : Resource(std::move(context), pool), name_(name), usage_(usage) {}

HRESULT Texture::create(std::shared_ptr<GLContext> context, UINT width, UINT height, UINT levels, DWORD usage,
    D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const FormatInfo* info = formatInfo(format);
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    if (!info) return D3DERR_NOTAVAILABLE;
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && !info->renderable) return D3DERR_NOTAVAILABLE;
    UINT chain = fullChain(width, height);
    if (levels == 0 || levels > chain || (usage & D3DUSAGE_AUTOGENMIPMAP)) levels = chain;
    context->makeCurrent();
    GLuint name = createTextureStorage(*info, width, height, levels);
    auto* result = new Texture(context, pool, usage, name);
    // With auto-generated mipmaps Direct3D shows one level and keeps the rest itself.
    UINT visible = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : levels;
    for (UINT level = 0; level < visible; ++level) {
        D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0,
            std::max(1u, width >> level), std::max(1u, height >> level)};
        result->levels_.emplace_back(new Surface(context, desc, name, GLint(level), result, false));
    }
    *texture = result;
    return D3D_OK;
}

Texture::~Texture() {
    levels_.clear();
    context_->makeCurrent();
    glDeleteTextures(1, &name_);
}

DWORD Texture::SetLOD(DWORD lod) {
    DWORD old = lod_;
    if (pool_ == D3DPOOL_MANAGED) {
        lod_ = std::min<DWORD>(lod, DWORD(levels_.size()) - 1);
        context_->makeCurrent();
        glTextureParameteri(name_, GL_TEXTURE_BASE_LEVEL, GLint(lod_));
    }
    return old;
}

HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filterType) {
    if (filterType == D3DTEXF_NONE) return D3DERR_INVALIDCALL;
    autoGenFilter_ = filterType;
    return D3D_OK;
}

void Texture::GenerateMipSubLevels() {
    if (!(usage_ & D3DUSAGE_AUTOGENMIPMAP)) return;
    context_->makeCurrent();
    glGenerateTextureMipmap(name_);
}

void Texture::levelWritten(GLint level) {
    if (level == 0 && (usage_ & D3DUSAGE_AUTOGENMIPMAP)) glGenerateTextureMipmap(name_);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    *surface = levels_[level].get();
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->LockRect(lockedRect, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->UnlockRect();
}

}  // namespace d3d9gl
