#include "GlyphCache.h"

#include <cstdlib>
#include <cstring>

namespace tormakelin::fxcore::detail {

const GlyphSlot& GlyphCache::lookup(uint16_t code)
{
    GlyphSlot& slot = code < 256 ? m_slots[code] : m_shared;
    if (code >= 256 && slot.code != code)
        slot.clear();
    if (slot.hasMetrics && slot.hasBitmap)
        return slot;
    render(slot, code);
    return slot;
}

void GlyphCache::render(GlyphSlot& slot, uint16_t code)
{
    slot.clear();
    slot.index = FT_Get_Char_Index(m_face, code);
    if (FT_Load_Glyph(m_face, slot.index, 0) != 0)
        return;
    FT_GlyphSlot glyph = m_face->glyph;
    FT_Glyph_Metrics const& m = glyph->metrics;
    slot.metrics.left = int(m.horiBearingX >> 6);
    slot.metrics.top = int(m.horiBearingY >> 6);
    slot.metrics.right = int((m.horiBearingX + m.width + 63) >> 6);
    slot.metrics.bottom = int((m.horiBearingY - m.height) >> 6);
    slot.metrics.advance = int((m.horiAdvance + 63) >> 6);
    slot.hasMetrics = true;
    slot.code = code;
    if (FT_Render_Glyph(glyph, FT_RENDER_MODE_NORMAL) != 0)
        return;
    slot.hasBitmap = copyBitmap(glyph->bitmap, slot);
}

// Copies top row first whatever the bitmap's row order, 1-bit rows as bytes of 0 or 255.
bool GlyphCache::copyBitmap(const FT_Bitmap& bitmap, GlyphSlot& slot)
{
    bool const mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return false;
    int const sourcePitch = std::abs(bitmap.pitch);
    int const rows = int(bitmap.rows);
    int const width = int(bitmap.width);
    if (rows < 0 || width < 0 || sourcePitch < (mono ? (width + 7) / 8 : width))
        return false;
    slot.rows = rows;
    slot.width = width;
    slot.pitch = mono ? sourcePitch * 8 : sourcePitch;
    if (rows == 0 || width == 0)
        return true;
    if (!bitmap.buffer)
        return false;
    slot.pixels.assign(size_t(slot.pitch) * size_t(rows), 0);
    for (int r = 0; r < rows; ++r) {
        int const sourceRow = bitmap.pitch >= 0 ? r : rows - 1 - r;
        unsigned char const* source = bitmap.buffer + size_t(sourceRow) * size_t(sourcePitch);
        uint8_t* target = &slot.pixels[size_t(r) * size_t(slot.pitch)];
        if (!mono) {
            std::memcpy(target, source, size_t(sourcePitch));
            continue;
        }
        for (int x = 0; x < slot.pitch; ++x)
            target[x] = (source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    }
    return true;
}

} // namespace tormakelin::fxcore::detail
