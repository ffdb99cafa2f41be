#pragma once
// CPU-side 32-bit images and named sub-rectangles of one texture.

#include <cstdint>
#include <map>
#include <string>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

// Width × height A8R8G8B8 words, row by row.
class TORMAKELIN_RENDER_API ITextureData {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual unsigned getWidth() = 0;
    virtual unsigned getHeight() = 0;
    virtual uint32_t* getPixels() = 0;
    // 0 outside the image.
    virtual uint32_t getPixel(unsigned x, unsigned y) = 0;
    // Ignored outside the image.
    virtual void setPixel(unsigned x, unsigned y, const uint32_t& value) = 0;
    virtual ~ITextureData() = default;
};

// Null when either size is 0 or the image would be larger than a texture can be.
TORMAKELIN_RENDER_API ITextureData* createTextureData(unsigned width, unsigned height);
// The decoded image, each row mirrored left to right; null on failure.
TORMAKELIN_RENDER_API ITextureData* loadTextureData(const std::string& path);

// Normalised to the atlas texture.
struct TextureAtlasRect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

struct TextureAtlasData {
    std::string textureFileName;
    int width = 0;
    int height = 0;
    int border = 0;
    std::map<std::string, TextureAtlasRect> rects;
};

class TORMAKELIN_RENDER_API ITextureAtlas {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual TextureAtlasData& getData() = 0;
    // False, and `rect` untouched, for an unknown name; names are exact.
    virtual bool getRect(const std::string& name, TextureAtlasRect& rect) = 0;
    virtual ~ITextureAtlas() = default;
};

TORMAKELIN_RENDER_API ITextureAtlas* createTextureAtlas();

} // namespace tormakelin::render
