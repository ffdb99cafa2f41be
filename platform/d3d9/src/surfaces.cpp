#include "surfaces.h"

#include <algorithm>

namespace d3d9gl {

GLsizei samplesOf(D3DMULTISAMPLE_TYPE type) {
    if (type == D3DMULTISAMPLE_NONMASKABLE) return 4;
    return type >= D3DMULTISAMPLE_2_SAMPLES && type <= D3DMULTISAMPLE_16_SAMPLES ? GLsizei(type) : 0;
}

UINT fullChain(UINT width, UINT height, UINT depth) {
    UINT levels = 1;
    while (width > 1 || height > 1 || depth > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        depth = std::max(1u, depth / 2);
        ++levels;
    }
    return levels;
}

// Surface ---------------------------------------------------------------------------------------

Surface* Surface::createStandalone(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, bool counted) {
    const FormatInfo* format = formatInfo(desc.Format);
    if (!format || desc.Width == 0 || desc.Height == 0) return nullptr;
    context->makeCurrent();
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    const GLsizei samples = samplesOf(desc.MultiSampleType);
    if (samples > maxSamples) return nullptr;
    GLuint texture = createStorage(GL_TEXTURE_2D, *format, desc.Width, desc.Height, 1, 1, samples);
    return new Surface(std::move(context), desc, texture, samples ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D, 0, -1,
        nullptr, nullptr, counted);
}

Surface::Surface(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, GLuint texture, GLenum target,
    GLint level, GLint face, IDirect3DBaseTexture9* container, TextureBinding* owner, bool counted)
    : context_(std::move(context), counted),
      desc_(desc),
      format_(formatInfo(desc.Format)),
      texture_(texture),
      target_(target),
      level_(level),
      face_(face),
      samples_(container ? 0 : samplesOf(desc.MultiSampleType)),
      container_(container),
      owner_(owner),
      registered_(counted) {
    if (registered_) context_->defaultPoolContents.insert(this);
}

Surface::~Surface() {
    if (registered_) context_->defaultPoolContents.erase(this);
    if (!container_) context_->deleteTexture(texture_);
}

HRESULT Surface::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_INVALIDARG;
    if (isUnknownIid(iid)) {
        *object = static_cast<IUnknown*>(static_cast<IDirect3DSurface9*>(this));
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

ImageRef Surface::image() const {
    const bool cube = face_ >= 0;
    return ImageRef{texture_, cube ? GLenum(GL_TEXTURE_CUBE_MAP) : GLenum(GL_TEXTURE_2D), level_, cube ? face_ : 0,
        desc_.Width, desc_.Height, 1, format_};
}

namespace {

// Block formats lock whole 4 x 4 blocks: edges on multiples of 4, or on the image's edge.
bool blockAligned(const RECT& r, const D3DSURFACE_DESC& d) {
    auto edge = [](LONG v, UINT size) { return v % 4 == 0 || v == LONG(size); };
    return r.left % 4 == 0 && r.top % 4 == 0 && edge(r.right, d.Width) && edge(r.bottom, d.Height);
}

}  // namespace

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (!lockedRect || isLocked_ || !format_ || format_->depth || samples_ > 0) return D3DERR_INVALIDCALL;
    RECT all{0, 0, LONG(desc_.Width), LONG(desc_.Height)};
    RECT r = rect ? *rect : all;
    if (r.left < 0 || r.top < 0 || r.right > all.right || r.bottom > all.bottom || r.left >= r.right ||
        r.top >= r.bottom)
        return D3DERR_INVALIDCALL;
    if (format_->compressed && !blockAligned(r, desc_)) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    const ImageRef im = image();
    if (flags & D3DLOCK_DISCARD) locked_.assign(slicePitch(im), 0);
    else readImage(im, locked_);
    isLocked_ = true;
    lockedRect_ = r;
    lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    const UINT pitch = rowPitch(*format_, desc_.Width);
    const size_t x = format_->compressed ? size_t(r.left / 4) * format_->bytesPerPixel
                                         : size_t(r.left) * format_->bytesPerPixel;
    const size_t y = format_->compressed ? size_t(r.top / 4) : size_t(r.top);
    lockedRect->Pitch = INT(pitch);
    lockedRect->pBits = locked_.data() + y * pitch + x;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!isLocked_) return D3DERR_INVALIDCALL;
    isLocked_ = false;
    if (!lockedReadOnly_) {
        context_->makeCurrent();
        const RECT& r = lockedRect_;
        writeImage(image(), locked_.data(), D3DBOX{UINT(r.left), UINT(r.top), UINT(r.right), UINT(r.bottom), 0, 1});
        written();
    }
    locked_.clear();
    locked_.shrink_to_fit();
    return D3D_OK;
}

void Surface::contentsLost() {
    if (samples_ > 0 || container_) return;
    context_->makeCurrent();
    clearImage(image());
}

void Surface::reallocate(UINT width, UINT height) {
    if (container_) return;
    context_->deleteTexture(texture_);
    desc_.Width = width;
    desc_.Height = height;
    texture_ = createStorage(GL_TEXTURE_2D, *format_, width, height, 1, 1, samples_);
}

// Textures of every kind ------------------------------------------------------------------------------

TextureGL::TextureGL(std::shared_ptr<GLContext> context, GLenum target, const FormatInfo* format, DWORD usage,
    D3DPOOL pool, UINT width, UINT height, UINT depth, UINT levels)
    : gl_(std::move(context)),
      target_(target),
      format_(format),
      usage_(usage),
      pool_(pool),
      width_(width),
      height_(height),
      depth_(depth),
      chainLevels_(levels) {
    gl_->makeCurrent();
    name_ = createStorage(target, *format, width, height, depth, levels);
    if (pool_ == D3DPOOL_DEFAULT) gl_->defaultPoolContents.insert(this);
}

TextureGL::~TextureGL() {
    gl_->defaultPoolContents.erase(this);
    gl_->deleteTexture(name_);
}

HRESULT TextureGL::validate(const FormatInfo* format, UINT width, UINT height, DWORD usage, D3DPOOL pool,
    UINT& levels, UINT chain) {
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    if (pool < D3DPOOL_DEFAULT || pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if (!format) return D3DERR_NOTAVAILABLE;
    const bool target = (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    if (target && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (((usage & D3DUSAGE_DEPTHSTENCIL) != 0) != format->depth) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && !format->renderable) return D3DERR_NOTAVAILABLE;
    // GL cannot build mipmaps of block or depth formats.
    if ((usage & D3DUSAGE_AUTOGENMIPMAP) && (format->compressed || format->depth)) return D3DERR_NOTAVAILABLE;
    if (levels == 0 || levels > chain || (usage & D3DUSAGE_AUTOGENMIPMAP)) levels = chain;
    return D3D_OK;
}

DWORD TextureGL::setLOD(DWORD lod) {
    DWORD old = lod_;
    if (pool_ == D3DPOOL_MANAGED) {
        lod_ = std::min<DWORD>(lod, DWORD(visibleLevels()) - 1);
        gl_->makeCurrent();
        glTextureParameteri(name_, GL_TEXTURE_BASE_LEVEL, GLint(lod_));
    }
    return old;
}

void TextureGL::generateMips() {
    if (!(usage_ & D3DUSAGE_AUTOGENMIPMAP)) return;
    gl_->makeCurrent();
    glGenerateTextureMipmap(name_);
    mipsStale_ = false;
}

void TextureGL::levelWritten(GLint level) {
    if (level == 0 && (usage_ & D3DUSAGE_AUTOGENMIPMAP)) mipsStale_ = true;
}

void TextureGL::prepareForSampling() {
    if (mipsStale_) generateMips();
}

void TextureGL::contentsLost() {
    gl_->makeCurrent();
    const UINT layers = target_ == GL_TEXTURE_CUBE_MAP ? 6 : 1;
    for (UINT level = 0; level < chainLevels_; ++level) {
        const UINT w = std::max(1u, width_ >> level), h = std::max(1u, height_ >> level);
        const UINT d = target_ == GL_TEXTURE_3D ? std::max(1u, depth_ >> level) : layers;
        clearImage(ImageRef{name_, target_, GLint(level), 0, w, h, d, format_});
    }
    mipsStale_ = false;
}

// 2-D textures ---------------------------------------------------------------------------------------

Texture::Texture(const std::shared_ptr<GLContext>& context, const FormatInfo* format, DWORD usage, D3DPOOL pool,
    UINT width, UINT height, UINT levels)
    : BaseTexture(context, GL_TEXTURE_2D, format, usage, pool, width, height, 1, levels) {
    for (UINT level = 0; level < visibleLevels(); ++level) {
        D3DSURFACE_DESC desc{format->format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0,
            std::max(1u, width >> level), std::max(1u, height >> level)};
        surfaces_.emplace_back(new Surface(context, desc, name_, GL_TEXTURE_2D, GLint(level), -1, this, this));
    }
}

HRESULT Texture::create(const std::shared_ptr<GLContext>& context, UINT width, UINT height, UINT levels, DWORD usage,
    D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const FormatInfo* info = formatInfo(format);
    HRESULT hr = validate(info, width, height, usage, pool, levels, fullChain(width, height));
    if (FAILED(hr)) return hr;
    *texture = new Texture(context, info, usage, pool, width, height, levels);
    return D3D_OK;
}

Texture::~Texture() { surfaces_.clear(); }

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    *surface = surfaces_[level].get();
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->LockRect(lockedRect, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->UnlockRect();
}

}  // namespace d3d9gl
