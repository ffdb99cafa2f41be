#pragma once
// The object behind IFont: glyph records, kerning pairs and the atlas texture.

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/fxcore/Font.h>

#include <cstdint>
#include <map>
#include <memory>

namespace tormakelin::fxcore::detail {

class FontAtlas : public core::RefCounted<IFont> {
public:
    // Takes one reference to the texture.
    FontAtlas(render::ITexture* texture, int size, int lineHeight);
    ~FontAtlas() override;
    FontAtlas(const FontAtlas&) = delete;
    FontAtlas& operator=(const FontAtlas&) = delete;

    void addGlyph(uint16_t code, const FontGlyph& glyph);
    // Only non-zero kerning is kept.
    void addKerning(uint16_t left, uint16_t right, int pixels);

    render::ITexture* getTexture() override { return m_texture; }
    const FontGlyph* getGlyph(unsigned short code) override;
    int getKerning(unsigned short left, unsigned short right) override;
    int getSize() override { return m_size; }
    int getLineHeight() override { return m_lineHeight; }

    static uint32_t kerningKey(uint16_t left, uint16_t right) { return uint32_t(left) | uint32_t(right) << 16; }

private:
    std::map<uint16_t, std::unique_ptr<FontGlyph>> m_glyphs;
    std::map<uint32_t, int> m_kerning;
    int m_size;
    int m_lineHeight;
    render::ITexture* m_texture;
};

} // namespace tormakelin::fxcore::detail
