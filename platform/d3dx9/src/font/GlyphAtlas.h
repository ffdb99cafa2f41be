#pragma once
// The glyphs of one font size rasterised through FreeType into one 8-bit atlas.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace d3dxfont {

struct Glyph {
    int x = 0, y = 0;           // cell in the atlas
    int width = 0, height = 0;  // bitmap size
    int left = 0, top = 0;      // bitmap offset from the pen on the baseline (top is upwards)
    int advance = 0;
};

struct GlyphAtlas {
    int atlasWidth = 0, atlasHeight = 0;
    std::vector<uint8_t> coverage;  // atlasWidth x atlasHeight
    std::array<Glyph, 256> glyphs;  // by byte of the text (Windows-1252)
    int ascender = 0, lineHeight = 0;
};

// The monospace font file for a weight and slant; empty when none is installed.
std::string findFontFile(bool bold, bool italic);
// Rasterises bytes 32..255 at a cell height (height > 0) or character height (height < 0).
bool buildGlyphAtlas(const std::string& file, int height, GlyphAtlas& atlas);

}  // namespace d3dxfont
