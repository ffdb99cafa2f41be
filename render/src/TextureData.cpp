#include <tormakelin/render/TextureData.h>

#include <vector>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>

#include "FileBytes.h"
#include "TextureDecode.h"

namespace tormakelin::render {

namespace {

// As large as a texture can be.
constexpr unsigned kMaxEdge = 16384;

class TextureData final : public core::RefCounted<ITextureData> {
public:
    TextureData(unsigned width, unsigned height) : m_width(width), m_height(height), m_pixels(size_t(width) * height)
    {
    }

    unsigned getWidth() override { return m_width; }
    unsigned getHeight() override { return m_height; }
    uint32_t* getPixels() override { return m_pixels.data(); }

    uint32_t getPixel(unsigned x, unsigned y) override
    {
        return x < m_width && y < m_height ? m_pixels[size_t(y) * m_width + x] : 0;
    }

    void setPixel(unsigned x, unsigned y, const uint32_t& value) override
    {
        if (x < m_width && y < m_height) {
            m_pixels[size_t(y) * m_width + x] = value;
        }
    }

private:
    unsigned m_width;
    unsigned m_height;
    std::vector<uint32_t> m_pixels;
};

class TextureAtlas final : public core::RefCounted<ITextureAtlas> {
public:
    TextureAtlasData& getData() override { return m_data; }

    bool getRect(const std::string& name, TextureAtlasRect& rect) override
    {
        auto it = m_data.rects.find(name);
        if (it == m_data.rects.end()) {
            return false;
        }
        rect = it->second;
        return true;
    }

private:
    TextureAtlasData m_data;
};

// Copies level 0 into `data`, each row mirrored left to right.
bool copyMirrored(IDirect3DTexture9* texture, ITextureData* data)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
        return false;
    }
    const unsigned width = data->getWidth();
    for (unsigned y = 0; y < data->getHeight(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
        uint32_t* out = data->getPixels() + size_t(y) * width;
        for (unsigned x = 0; x < width; ++x) {
            out[width - 1 - x] = row[x];
        }
    }
    texture->UnlockRect(0);
    return true;
}

} // namespace

ITextureData* createTextureData(unsigned width, unsigned height)
{
    if (width == 0 || height == 0 || width > kMaxEdge || height > kMaxEdge) {
        return nullptr;
    }
    return new TextureData(width, height);
}

ITextureData* loadTextureData(const std::string& path)
{
    std::vector<char> bytes;
    IDirect3DTexture9* texture = nullptr;
    if (g_d3d == nullptr || !readFileBytes(path, bytes) || bytes.empty() ||
        FAILED(decodeScratchImage(bytes.data(), unsigned(bytes.size()), &texture)) || texture == nullptr) {
        return nullptr;
    }
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    ITextureData* data = createTextureData(desc.Width, desc.Height);
    if (data != nullptr && !copyMirrored(texture, data)) {
        delete data;
        data = nullptr;
    }
    texture->Release();
    return data;
}

ITextureAtlas* createTextureAtlas()
{
    return new TextureAtlas();
}

} // namespace tormakelin::render
