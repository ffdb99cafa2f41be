#pragma once
// Textures that effects sample and render into.

#include <string>

#include <d3d9.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/BeginState.h>
#include <tormakelin/render/Export.h>
#include <tormakelin/render/RenderListener.h>

namespace tormakelin::render {

class IDepthBuffer;
class IRenderView;
class SavedTargets;

enum TextureType : int {
    TextureType_2D = 0,
    TextureType_Volume = 1,
    TextureType_Cube = 2,
};

// A null pointer in place of these means the defaults.
struct TextureCreateParams {
    // 0: the full mip chain.
    unsigned levels = 0;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    D3DPOOL pool = D3DPOOL_MANAGED;
};

class TORMAKELIN_RENDER_API ITexture {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // 1 for textures.
    virtual int getResourceType() = 0;
    virtual TextureType getTextureType() = 0;
    virtual unsigned getWidth() = 0;
    virtual unsigned getHeight() = 0;
    // 0 for 2-D and cube textures.
    virtual unsigned getDepth() = 0;
    virtual IDirect3DBaseTexture9* getD3DTexture() = 0;
    // Empty for textures not loaded from a file.
    virtual const std::string& getFileName() = 0;
    virtual bool bind(unsigned stage) = 0;
    // Reads the file again; false for textures without one.
    virtual bool reload() = 0;
    virtual ~ITexture() = default;
};

// A 2-D texture; with render-target usage it can be drawn into between begin and end.
class TORMAKELIN_RENDER_API Texture : public core::RefCounted<ITexture>, public RenderListener {
public:
    Texture();
    ~Texture() override;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // An image file through the core file system.
    bool load(const std::string& path, const TextureCreateParams* params);
    // An image file in memory.
    bool create(const void* data, unsigned size, const TextureCreateParams* params);
    // An empty texture.
    bool create(unsigned width, unsigned height, const TextureCreateParams* params);
    // One level of raw pixels (R8G8B8, A8R8G8B8 or A8) rows of `pitch` bytes; params are not used.
    bool create(D3DFORMAT format, unsigned pitch, unsigned width, unsigned height, const void* pixels,
        const TextureCreateParams* params);

    int getResourceType() override { return 1; }
    TextureType getTextureType() override { return TextureType_2D; }
    unsigned getWidth() override { return m_desc.Width; }
    unsigned getHeight() override { return m_desc.Height; }
    unsigned getDepth() override { return 0; }
    IDirect3DBaseTexture9* getD3DTexture() override { return m_texture; }
    const std::string& getFileName() override { return m_fileName; }
    bool bind(unsigned stage) override;
    bool reload() override;

    // Sends drawing into level 0 through `view` (or the texture's own) and `depthBuffer` (or
    // none); false without render-target usage or while already begun (such a begin still takes
    // its end, which then changes nothing).
    bool begin(IRenderView* view, IDepthBuffer* depthBuffer);
    // Restores what begin replaced; false without a begin and for the end of a refused one.
    bool end();

    IDirect3DTexture9* getTexture() const { return m_texture; }
    const D3DSURFACE_DESC& getDesc() const { return m_desc; }
    unsigned getLevelCount() const { return m_levels; }
    // The texture's own full-size view; null without render-target usage.
    IRenderView* getRenderView() const { return m_view; }

    bool onLostDevice() override;
    bool onResetDevice() override;

private:
    bool adopt(IDirect3DTexture9* texture);
    bool recreate();
    void releaseTexture();
    // Ends a begin in force, refused ones included (device loss, destruction).
    void endDrawing();
    // Sets back what begin replaced.
    void restoreTargets();

    IDirect3DTexture9* m_texture = nullptr;
    D3DSURFACE_DESC m_desc{};
    unsigned m_levels = 0;
    std::string m_fileName;
    // What the texture was made with, for making it again after a reset.
    TextureCreateParams m_params;
    bool m_hasParams = false;
    bool m_lost = false;
    IRenderView* m_view = nullptr;
    BeginState m_beginState;
    IRenderView* m_usedView = nullptr;
    IDepthBuffer* m_depthBuffer = nullptr;
    SavedTargets* m_saved = nullptr;
};

// Cached textures: the manager holds the only reference. Null on failure.
TORMAKELIN_RENDER_API ITexture* loadTexture(const std::string& path, const TextureCreateParams* params = nullptr);
TORMAKELIN_RENDER_API ITexture* loadCubeTexture(const std::string& path, const TextureCreateParams* params = nullptr);
TORMAKELIN_RENDER_API ITexture* loadVolumeTexture(const std::string& path, const TextureCreateParams* params = nullptr);
// Uncached textures with a count of 0. Null on failure.
TORMAKELIN_RENDER_API ITexture* createTexture(unsigned width, unsigned height, const TextureCreateParams* params = nullptr);
TORMAKELIN_RENDER_API ITexture* createTexture(const void* data, unsigned size, const TextureCreateParams* params = nullptr);
// Rows of width × 3 bytes.
TORMAKELIN_RENDER_API ITexture* createTextureRgb(unsigned width, unsigned height, const void* pixels,
    const TextureCreateParams* params = nullptr);
// Rows of width 32-bit A8R8G8B8 words.
TORMAKELIN_RENDER_API ITexture* createTextureRgba(unsigned width, unsigned height, const void* pixels,
    const TextureCreateParams* params = nullptr);
// Rows of width alpha bytes.
TORMAKELIN_RENDER_API ITexture* createTextureAlpha(unsigned width, unsigned height, const void* pixels,
    const TextureCreateParams* params = nullptr);
TORMAKELIN_RENDER_API ITexture* createCubeTexture(unsigned edge, const TextureCreateParams* params = nullptr);
TORMAKELIN_RENDER_API ITexture* createVolumeTexture(unsigned width, unsigned height, unsigned depth,
    const TextureCreateParams* params = nullptr);
// The image file holds a cube texture.
TORMAKELIN_RENDER_API bool isCubeTexture(const std::string& path);

} // namespace tormakelin::render
