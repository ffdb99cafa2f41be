#pragma once
// Textures that effects sample and render into.

#include <string>

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

enum TextureType : int {
    TextureType_2D = 0,
    TextureType_Volume = 1,
    TextureType_Cube = 2,
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
    virtual unsigned getDepth() = 0;
    virtual IDirect3DBaseTexture9* getD3DTexture() = 0;
    virtual const std::string& getFileName() = 0;
    virtual bool bind(unsigned stage) = 0;
    virtual bool reload() = 0;
    virtual ~ITexture() = default;
};

} // namespace tormakelin::render
