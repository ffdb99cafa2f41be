#pragma once
// Surfaces and 2-D textures over GL textures, stored top-down as Direct3D stores them.

#include <cstdint>
#include <memory>
#include <vector>

#include "formats.h"
#include "resource.h"

namespace d3d9gl {

// What a sampler unit binds: every texture kind of the layer gives a GL name and target.
class TextureBinding {
public:
    virtual ~TextureBinding() = default;
    virtual GLuint glName() const = 0;
    virtual GLenum glTarget() const = 0;
};

// One image: a standalone surface owning its GL texture (render targets, depth stencils, back
// buffers), or a level of a texture, whose references go to the texture.
class Surface final : public IDirect3DSurface9 {
public:
    // Standalone; `counted` adds it to the default-pool objects of strict resets.
    static Surface* createStandalone(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, bool counted);
    Surface(std::shared_ptr<GLContext> context, const D3DSURFACE_DESC& desc, GLuint texture, GLint level,
        IDirect3DBaseTexture9* container, bool counted);
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

    GLuint glTexture() const { return texture_; }
    GLint glLevel() const { return level_; }
    // GL samples per pixel; 0 for a single-sampled surface.
    GLsizei samples() const { return samples_; }
    const D3DSURFACE_DESC& desc() const { return desc_; }
    const FormatInfo* format() const { return format_; }
    // New storage of another size (the back buffer after a reset); standalone surfaces only.
    void reallocate(UINT width, UINT height);

private:
    ContextRef context_;
    D3DSURFACE_DESC desc_;
    const FormatInfo* format_;
    GLuint texture_;
    GLint level_;
    GLsizei samples_;
    IDirect3DBaseTexture9* container_;  // not held: it owns this surface
    ULONG refs_ = 1;
    std::vector<uint8_t> locked_;
    bool lockedReadOnly_ = false;
    bool isLocked_ = false;
};

// Storage of a 2-D image; with samples > 0 a multisampled one (one level).
GLuint createTextureStorage(const FormatInfo& format, UINT width, UINT height, UINT levels, GLsizei samples = 0);
// GL samples of a Direct3D multisample type: 0 for none.
GLsizei samplesOf(D3DMULTISAMPLE_TYPE type);

class Texture final : public Resource<IDirect3DTexture9>, public TextureBinding {
public:
    static HRESULT create(std::shared_ptr<GLContext> context, UINT width, UINT height, UINT levels, DWORD usage,
        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);
    ~Texture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD lod) override;
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return DWORD(levels_.size()); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filterType) override;
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    GLuint glName() const override { return name_; }
    GLenum glTarget() const override { return GL_TEXTURE_2D; }
    // After level 0 changes: with auto-generated mipmaps the chain follows.
    void levelWritten(GLint level);

private:
    Texture(std::shared_ptr<GLContext> context, D3DPOOL pool, DWORD usage, GLuint name);
    GLuint name_;
    DWORD usage_;
    DWORD lod_ = 0;
    D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
    std::vector<std::unique_ptr<Surface>> levels_;
};

}  // namespace d3d9gl
