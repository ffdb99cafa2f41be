#pragma once
// Surfaces and textures over GL textures, stored top-down as Direct3D stores them.

#include <cstdint>
#include <memory>
#include <vector>

#include "formats.h"
#include "framebuffers.h"
#include "pixels.h"
#include "resource.h"

namespace d3d9gl {

// What a sampler unit binds: every texture kind of the layer.
class TextureBinding {
public:
    virtual ~TextureBinding() = default;
    virtual GLuint glName() const = 0;
    virtual GLenum glTarget() const = 0;
    virtual D3DPOOL pool() const = 0;
    // A level changed (drawn, copied or unlocked): automatic mipmaps follow before the next sampling.
    virtual void levelWritten(GLint level) = 0;
    // Brings automatic mipmaps up to date before a draw samples the texture.
    virtual void prepareForSampling() = 0;
};

// One image: a standalone surface owning its GL texture (render targets, depth stencils, plain
// surfaces, back buffers), or a level (and cube face) of a texture, whose references go to the texture.
class Surface final : public IDirect3DSurface9, public LosesContents {
public:
    // Standalone; `counted` adds it to the default-pool objects of strict resets.
    static Surface* createStandalone(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, bool counted);
    Surface(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, GLuint texture, GLenum target,
        GLint level, GLint face, IDirect3DBaseTexture9* container, TextureBinding* owner, bool counted = false);
    ~Surface();

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override { return context_.getDevice(device); }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetContainer(REFIID iid, void** container) override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;
    void contentsLost() override;

    GLuint glTexture() const { return texture_; }
    GLenum glTarget() const { return target_; }
    GLint glLevel() const { return level_; }
    // The cube face, or -1 for a 2-D image.
    GLint face() const { return face_; }
    Attachment attachment() const { return Attachment{texture_, level_, face_}; }
    // GL samples per pixel; 0 for a single-sampled surface.
    GLsizei samples() const { return samples_; }
    const D3DSURFACE_DESC& desc() const { return desc_; }
    const FormatInfo* format() const { return format_; }
    // Pixels changed behind the surface's back (draws, copies): its texture's mipmaps follow.
    void written() {
        if (owner_) owner_->levelWritten(level_);
    }
    // New storage of another size (the back buffer after a reset); standalone surfaces only.
    void reallocate(UINT width, UINT height);

private:
    ImageRef image() const;
    ContextRef context_;
    D3DSURFACE_DESC desc_;
    const FormatInfo* format_;
    GLuint texture_;
    GLenum target_;
    GLint level_;
    GLint face_;
    GLsizei samples_;
    IDirect3DBaseTexture9* container_;  // not held: it owns this surface
    TextureBinding* owner_;
    bool registered_;
    ULONG refs_ = 1;
    std::vector<uint8_t> locked_;
    RECT lockedRect_{};
    bool lockedReadOnly_ = false;
    bool isLocked_ = false;
};

// GL samples of a Direct3D multisample type: 0 for none.
GLsizei samplesOf(D3DMULTISAMPLE_TYPE type);
// Levels of a full chain down to 1 x 1 (x 1).
UINT fullChain(UINT width, UINT height, UINT depth = 1);

// The GL texture behind every texture kind: its levels, automatic mipmaps and loss.
class TextureGL : public TextureBinding, public LosesContents {
public:
    GLuint glName() const override { return name_; }
    GLenum glTarget() const override { return target_; }
    D3DPOOL pool() const override { return pool_; }
    void levelWritten(GLint level) override;
    void prepareForSampling() override;
    void contentsLost() override;
    DWORD usage() const { return usage_; }
    const FormatInfo* format() const { return format_; }

protected:
    TextureGL(std::shared_ptr<GLContext> context, GLenum target, const FormatInfo* format, DWORD usage, D3DPOOL pool,
        UINT width, UINT height, UINT depth, UINT levels);
    ~TextureGL() override;
    UINT glLevels() const { return chainLevels_; }
    // Levels Direct3D shows: one with automatic mipmaps, which it keeps itself.
    UINT visibleLevels() const { return (usage_ & D3DUSAGE_AUTOGENMIPMAP) ? 1 : chainLevels_; }
    DWORD setLOD(DWORD lod);
    void generateMips();
    // Checks shared by the three kinds; D3D_OK when the texture can be made.
    static HRESULT validate(const FormatInfo* format, UINT width, UINT height, DWORD usage, D3DPOOL pool,
        UINT& levels, UINT chain);

    std::shared_ptr<GLContext> gl_;
    GLenum target_;
    const FormatInfo* format_;
    DWORD usage_;
    D3DPOOL pool_;
    UINT width_, height_, depth_;
    UINT chainLevels_;
    GLuint name_ = 0;
    DWORD lod_ = 0;
    D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
    bool mipsStale_ = false;
};

// IDirect3DBaseTexture9 over TextureGL, for each texture interface.
template <class Interface>
class BaseTexture : public Resource<Interface>, public TextureGL {
public:
    DWORD SetLOD(DWORD lod) override { return setLOD(lod); }
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return DWORD(visibleLevels()); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filterType) override {
        if (filterType == D3DTEXF_NONE || filterType > D3DTEXF_ANISOTROPIC) return D3DERR_INVALIDCALL;
        autoGenFilter_ = filterType;
        return D3D_OK;
    }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
    void GenerateMipSubLevels() override { generateMips(); }

protected:
    BaseTexture(std::shared_ptr<GLContext> context, GLenum target, const FormatInfo* format, DWORD usage,
        D3DPOOL pool, UINT width, UINT height, UINT depth, UINT levels)
        : Resource<Interface>(context, pool),
          TextureGL(context, target, format, usage, pool, width, height, depth, levels) {}
};

class Texture final : public BaseTexture<IDirect3DTexture9> {
public:
    static HRESULT create(const std::shared_ptr<GLContext>& context, UINT width, UINT height, UINT levels, DWORD usage,
        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);
    ~Texture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }
    Surface* level(UINT level) const { return level < surfaces_.size() ? surfaces_[level].get() : nullptr; }

private:
    Texture(const std::shared_ptr<GLContext>& context, const FormatInfo* format, DWORD usage, D3DPOOL pool, UINT width,
        UINT height, UINT levels);
    std::vector<std::unique_ptr<Surface>> surfaces_;
};

}  // namespace d3d9gl
