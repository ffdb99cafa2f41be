#include "GlyphAtlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace d3dxfont {

namespace {

// Bytes 0x80..0x9F of Windows-1252; the others are Latin-1.
const uint16_t kCp1252[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                              0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
                              0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

unsigned codeOf(unsigned byte) { return byte >= 0x80 && byte < 0xA0 ? kCp1252[byte - 0x80] : byte; }

FT_Library library() {
    static FT_Library lib = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    });
    return lib;
}

struct Face {
    FT_Face face = nullptr;
    ~Face() {
        if (face) FT_Done_Face(face);
    }
};

// Sets the pixel size so that ascender - descender comes to the cell height.
bool setHeight(FT_Face face, int height) {
    const int wanted = std::max(1, std::abs(height));
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(wanted)) != 0) return false;
    if (height < 0) return true;
    const long cell = (face->size->metrics.ascender - face->size->metrics.descender) >> 6;
    if (cell <= 0 || cell == wanted) return true;
    return FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::max(1L, long{wanted} * wanted / cell))) == 0;
}

}  // namespace

std::string findFontFile(bool bold, bool italic) {
    const char* name = bold ? (italic ? "DejaVuSansMono-BoldOblique.ttf" : "DejaVuSansMono-Bold.ttf")
                            : (italic ? "DejaVuSansMono-Oblique.ttf" : "DejaVuSansMono.ttf");
    namespace fs = std::filesystem;
    for (const char* dir : {"/usr/share/fonts/truetype/dejavu", "/usr/local/share/fonts/truetype/dejavu"}) {
        const fs::path p = fs::path(dir) / name;
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p.string();
    }
    std::error_code ec;
    for (fs::recursive_directory_iterator it("/usr/share/fonts", ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename() == name) return it->path().string();
    return bold || italic ? findFontFile(false, false) : std::string();
}

bool buildGlyphAtlas(const std::string& file, int height, GlyphAtlas& atlas) {
    FT_Library lib = library();
    Face f;
    if (!lib || file.empty() || FT_New_Face(lib, file.c_str(), 0, &f.face) != 0) return false;
    if (!setHeight(f.face, height)) return false;
    atlas = GlyphAtlas{};
    atlas.ascender = int(f.face->size->metrics.ascender >> 6);
    atlas.lineHeight = int((f.face->size->metrics.ascender - f.face->size->metrics.descender) >> 6);

    // Rasterise, then place the cells on shelves 512 pixels wide with a 1-pixel gap.
    struct Bitmap {
        int w = 0, h = 0;
        std::vector<uint8_t> pixels;
    };
    std::array<Bitmap, 256> bitmaps;
    atlas.atlasWidth = 512;
    int x = 0, y = 0, shelf = 0;
    for (unsigned byte = 32; byte < 256; ++byte) {
        const unsigned code = codeOf(byte);
        if (!code || FT_Load_Char(f.face, code, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = f.face->glyph;
        Glyph& g = atlas.glyphs[byte];
        g.width = int(slot->bitmap.width);
        g.height = int(slot->bitmap.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = int((slot->advance.x + 63) >> 6);
        Bitmap& b = bitmaps[byte];
        b.w = g.width, b.h = g.height;
        for (int r = 0; r < g.height; ++r) {
            const uint8_t* row = slot->bitmap.buffer + std::ptrdiff_t{r} * slot->bitmap.pitch;
            b.pixels.insert(b.pixels.end(), row, row + g.width);
        }
        if (x + g.width + 1 > atlas.atlasWidth) x = 0, y += shelf + 1, shelf = 0;
        g.x = x, g.y = y;
        x += g.width + 1;
        shelf = std::max(shelf, g.height);
    }
    int rows = 1;
    while (rows < y + shelf + 1) rows <<= 1;
    atlas.atlasHeight = rows;
    atlas.coverage.assign(size_t(atlas.atlasWidth) * rows, 0);
    for (unsigned byte = 32; byte < 256; ++byte) {
        const Glyph& g = atlas.glyphs[byte];
        for (int r = 0; r < g.height; ++r)
            std::copy_n(&bitmaps[byte].pixels[size_t(r) * g.width], g.width,
                &atlas.coverage[size_t(g.y + r) * atlas.atlasWidth + g.x]);
    }
    return true;
}

}  // namespace d3dxfont
