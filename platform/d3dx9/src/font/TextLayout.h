#pragma once
// Where the glyphs of a text go inside a rectangle, by the DT_ alignment flags.
#include <vector>

#include "GlyphAtlas.h"
#include "windef.h"

namespace d3dxfont {

struct PlacedGlyph {
    int x, y;  // top-left of the bitmap, in pixels
    const Glyph* glyph;
};

struct TextLayout {
    std::vector<PlacedGlyph> glyphs;
    RECT bounds{};  // the rectangle the lines cover
    int height = 0;
};

// Lines break at "\n" unless DT_SINGLELINE; "\r" is skipped; DT_EXPANDTABS makes tabs 8 cells.
TextLayout layoutText(const GlyphAtlas& atlas, const char* text, int count, const RECT& rect, DWORD format);

}  // namespace d3dxfont
