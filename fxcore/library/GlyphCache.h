#pragma once
// Rendered glyphs of one face: a slot for each code below 256 and one shared by all others.

#include <tormakelin/fxcore/Font.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstdint>
#include <vector>

namespace tormakelin::fxcore::detail {

struct GlyphSlot {
    FT_UInt index = 0;
    // 8-bit coverage, rows of pitch bytes, top row first.
    int rows = 0;
    int width = 0;
    int pitch = 0;
    std::vector<uint8_t> pixels;
    // Left, right, bottom, top and advance; yOffset is the builder's.
    FontGlyph metrics;
    uint16_t code = 0;
    bool hasMetrics = false;
    bool hasBitmap = false;

    void clear() { *this = GlyphSlot(); }
};

class GlyphCache {
public:
    explicit GlyphCache(FT_Face face) : m_face(face) {}

    // The slot of the code, loaded and rendered when it is not yet. A failed load leaves it
    // empty, a failed render leaves it with metrics only.
    const GlyphSlot& lookup(uint16_t code);

private:
    void render(GlyphSlot& slot, uint16_t code);
    static bool copyBitmap(const FT_Bitmap& bitmap, GlyphSlot& slot);

    FT_Face m_face;
    std::array<GlyphSlot, 256> m_slots;
    GlyphSlot m_shared;
};

} // namespace tormakelin::fxcore::detail
