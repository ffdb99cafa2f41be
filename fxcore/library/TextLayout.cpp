#include <tormakelin/fxcore/Font.h>
#include <tormakelin/fxcore/TextEffect.h>

#include <tormakelin/render/Texture.h>

#include <algorithm>
#include <limits>

namespace tormakelin::fxcore {

namespace {

// Windows-1252 between 0x80 and 0x9F; the rest of the bytes are their own codes. Holes stay
// control codes, which no font atlas holds.
unsigned short const kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

TextLine& openLine(TextLayout& layout)
{
    if (layout.lineCount == layout.lines.size())
        layout.lines.emplace_back();
    TextLine& line = layout.lines[layout.lineCount++];
    line.vertices.clear();
    line.box = TextRect{};
    return line;
}

void closeLine(TextLine& line)
{
    if (line.vertices.empty())
        return;
    // Glyph corners sit on whole pixels, so the box is exact in ints.
    auto const [minX, maxX] = std::minmax_element(line.vertices.begin(), line.vertices.end(),
        [](QuadVertex const& a, QuadVertex const& b) { return a.x < b.x; });
    auto const [minY, maxY] = std::minmax_element(line.vertices.begin(), line.vertices.end(),
        [](QuadVertex const& a, QuadVertex const& b) { return a.y < b.y; });
    line.box = {static_cast<int>(minX->x), static_cast<int>(maxX->x), static_cast<int>(minY->y),
        static_cast<int>(maxY->y)};
}

void appendGlyph(TextLine& line, FontGlyph const& glyph, int penX, int penY, float atlasWidth, float atlasHeight)
{
    float const left = static_cast<float>(penX + glyph.left);
    float const right = left + static_cast<float>(glyph.pitch);
    float const top = static_cast<float>(penY + glyph.yOffset);
    float const bottom = top + static_cast<float>(glyph.rows);
    float const uLeft = static_cast<float>(glyph.x + 2) / atlasWidth;
    float const uRight = uLeft + static_cast<float>(glyph.pitch) / atlasWidth;
    float const vTop = static_cast<float>(glyph.y + 2) / atlasHeight;
    float const vBottom = vTop + static_cast<float>(glyph.rows) / atlasHeight;
    QuadVertex const corners[6] = {
        {left, top, 1.0f, uLeft, vTop}, {right, top, 1.0f, uRight, vTop}, {left, bottom, 1.0f, uLeft, vBottom},
        {right, top, 1.0f, uRight, vTop}, {right, bottom, 1.0f, uRight, vBottom}, {left, bottom, 1.0f, uLeft, vBottom},
    };
    line.vertices.insert(line.vertices.end(), std::begin(corners), std::end(corners));
}

void alignLines(TextLayout& layout, int align)
{
    if (align != kTextAlignCenter && align != kTextAlignRight)
        return;
    int const width = layout.rect.right - layout.rect.left;
    for (size_t i = 0; i < layout.lineCount; ++i) {
        TextLine& line = layout.lines[i];
        int shift = width - (line.box.right - line.box.left);
        if (align == kTextAlignCenter)
            shift /= 2;
        for (QuadVertex& vertex : line.vertices)
            vertex.x += static_cast<float>(shift);
    }
}

// The atlas's size in texels; 1 where it has none, so that coordinates stay finite.
void atlasSize(IFont& font, float& width, float& height)
{
    width = height = 1.0f;
    render::ITexture* texture = font.getTexture();
    if (!texture)
        return;
    width = static_cast<float>(std::max(1u, texture->getWidth()));
    height = static_cast<float>(std::max(1u, texture->getHeight()));
}

} // namespace

unsigned short textCharacterCode(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

void layoutText(IFont& font, std::string_view text, int x, int y, TextStyle const& style, TextLayout& layout)
{
    float atlasWidth, atlasHeight;
    atlasSize(font, atlasWidth, atlasHeight);
    layout.lineCount = 0;
    int penX = x;
    int penY = y;
    unsigned short previous = 0;
    int maxRight = std::numeric_limits<int>::min();
    int maxBottom = std::numeric_limits<int>::min();
    TextLine* line = &openLine(layout);
    for (char const byte : text) {
        unsigned short const code = textCharacterCode(static_cast<unsigned char>(byte));
        if (code == '\n') {
            closeLine(*line);
            line = &openLine(layout);
            penY += font.getLineHeight() + style.heightSpacing;
            penX = x;
            previous = 0;
            continue;
        }
        FontGlyph const* glyph = font.getGlyph(code);
        if (!glyph)
            continue;
        penX += font.getKerning(previous, code);
        appendGlyph(*line, *glyph, penX, penY, atlasWidth, atlasHeight);
        maxRight = std::max(maxRight, penX + glyph->left + glyph->pitch);
        maxBottom = std::max(maxBottom, penY + glyph->yOffset + glyph->rows);
        previous = code;
        penX += style.tracking + glyph->advance;
    }
    closeLine(*line);
    // The last line counts only with glyphs: a trailing line feed adds none.
    if (line->vertices.empty())
        --layout.lineCount;
    // Nothing drawn: an empty block at the start rather than one reaching to the smallest int.
    bool const drawn = maxRight != std::numeric_limits<int>::min();
    layout.rect = {x, drawn ? maxRight : x, y, drawn ? maxBottom : y};
    alignLines(layout, style.align);
}

} // namespace tormakelin::fxcore
