#pragma once
// Glyph atlases of fonts: every glyph of a fixed character set rasterised once into one 8-bit
// texture, with each glyph's place and metrics and a table of kerning pairs.

#include <tormakelin/fxcore/Export.h>

#include <cstdint>
#include <string>

namespace tormakelin::core {
class IStream;
}

namespace tormakelin::render {
class ITexture;
}

namespace tormakelin::fxcore {

// The codes every atlas holds, in build order, ended by 0xFFFF.
TORMAKELIN_FXCORE_API extern const uint16_t fontCharacterSet[];
constexpr int fontCharacterCount = 328;

// One glyph, in pixels. Its cell in the atlas is (pitch + 4) x (rows + 4) with the bitmap 2
// pixels in from the cell's corner; a glyph without pixels has an empty cell.
struct FontGlyph {
    int x = 0;
    int y = 0;
    int width = 0;
    int pitch = 0;
    int rows = 0;
    int left = 0;
    int right = 0;
    int bottom = 0;
    int top = 0;
    // The glyph's top measured down from the line's top (0 for bitmap faces).
    int yOffset = 0;
    int advance = 0;
};

class TORMAKELIN_FXCORE_API IFont {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // No reference added.
    virtual render::ITexture* getTexture() = 0;
    // Null for codes the atlas does not hold.
    virtual const FontGlyph* getGlyph(unsigned short code) = 0;
    // Pixels to add between the two; 0 for pairs without kerning.
    virtual int getKerning(unsigned short left, unsigned short right) = 0;
    // The point size, or for a bitmap face the strike index used.
    virtual int getSize() = 0;
    virtual int getLineHeight() = 0;
    virtual ~IFont() = default;
};

// A font file opened at one size. All instances share one rasteriser library, released with
// the last of them. The file's stream stays open until the next load or destruction.
class TORMAKELIN_FXCORE_API FontFile {
public:
    FontFile();
    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    // Opens the file through the core file system and builds its atlas at `pointSize`. A file
    // that cannot be opened keeps the earlier font; a failed build drops it.
    bool load(const std::string& fileName, int pointSize);
    // Null before a successful load.
    IFont* getFont() const { return m_font; }
    // The face's family name while a font is held.
    const std::string& getFamilyName() const { return m_familyName; }

    // The number of instances alive, and whether the shared library exists.
    static int getInstanceCount();
    static bool hasLibrary();

private:
    void setFont(IFont* font);

    IFont* m_font = nullptr;
    std::string m_familyName;
    core::IStream* m_stream = nullptr;
};

} // namespace tormakelin::fxcore
