#pragma once
// Cube and volume textures: loaded from files or empty.

#include <string>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/ResourceType.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::render {

// What both kinds share: the file, the parameters and taking part in a reset.
class OtherTexture : public core::RefCounted<ITexture>, public RenderListener {
public:
    OtherTexture() : RenderListener(true) {}
    ~OtherTexture() override { releaseTexture(); }

    bool load(const std::string& path, const TextureCreateParams* params);
    IDirect3DBaseTexture9* getD3DTexture() override { return m_texture; }
    const std::string& getFileName() override { return m_fileName; }
    int getResourceType() override { return ResourceType_Texture; }
    bool bind(unsigned stage) override;
    bool reload() override;
    bool onLostDevice() override;
    bool onResetDevice() override;

protected:
    virtual bool decode(const void* data, unsigned size, const TextureCreateParams* params) = 0;
    virtual bool createEmpty() = 0;
    void adopt(IDirect3DBaseTexture9* texture, D3DPOOL pool);
    void releaseTexture();

    IDirect3DBaseTexture9* m_texture = nullptr;
    D3DPOOL m_pool = D3DPOOL_MANAGED;
    unsigned m_levels = 0;
    std::string m_fileName;
    TextureCreateParams m_params;
    bool m_hasParams = false;
    bool m_lost = false;
};

class CubeTexture final : public OtherTexture {
public:
    bool create(unsigned edge, const TextureCreateParams* params);
    TextureType getTextureType() override { return TextureType_Cube; }
    unsigned getWidth() override { return m_desc.Width; }
    unsigned getHeight() override { return m_desc.Height; }
    unsigned getDepth() override { return 0; }

private:
    bool decode(const void* data, unsigned size, const TextureCreateParams* params) override;
    bool createEmpty() override;
    void take(IDirect3DCubeTexture9* texture);

    D3DSURFACE_DESC m_desc{};
};

class VolumeTexture final : public OtherTexture {
public:
    bool create(unsigned width, unsigned height, unsigned depth, const TextureCreateParams* params);
    TextureType getTextureType() override { return TextureType_Volume; }
    unsigned getWidth() override { return m_desc.Width; }
    unsigned getHeight() override { return m_desc.Height; }
    unsigned getDepth() override { return m_desc.Depth; }

private:
    bool decode(const void* data, unsigned size, const TextureCreateParams* params) override;
    bool createEmpty() override;
    void take(IDirect3DVolumeTexture9* texture);

    D3DVOLUME_DESC m_desc{};
};

} // namespace tormakelin::render
