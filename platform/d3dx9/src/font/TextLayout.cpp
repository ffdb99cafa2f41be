#include "TextLayout.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace d3dxfont {

namespace {

std::vector<std::string> splitLines(const char* text, int count, DWORD format) {
    std::vector<std::string> lines(1);
    for (int i = 0; i < count; ++i) {
        const char c = text[i];
        if (c == '\r') continue;
        if (c == '\n') {
            if (!(format & DT_SINGLELINE)) lines.emplace_back();
            continue;
        }
        lines.back() += c;
    }
    return lines;
}

int advanceOf(const GlyphAtlas& atlas, unsigned char c, DWORD format) {
    if (c == '\t' && (format & DT_EXPANDTABS)) return 8 * atlas.glyphs[' '].advance;
    return atlas.glyphs[c].advance;
}

int lineWidth(const GlyphAtlas& atlas, const std::string& line, DWORD format) {
    int w = 0;
    for (unsigned char c : line) w += advanceOf(atlas, c, format);
    return w;
}

}  // namespace

TextLayout layoutText(const GlyphAtlas& atlas, const char* text, int count, const RECT& rect, DWORD format) {
    TextLayout layout;
    if (!text) return layout;
    if (count < 0) count = int(std::strlen(text));
    const std::vector<std::string> lines = splitLines(text, count, format);
    layout.height = int(lines.size()) * atlas.lineHeight;
    int top = rect.top;
    if (format & DT_VCENTER) top = rect.top + (rect.bottom - rect.top - layout.height) / 2;
    else if (format & DT_BOTTOM) top = rect.bottom - layout.height;
    layout.bounds = {rect.left, top, rect.left, top + layout.height};
    for (size_t i = 0; i < lines.size(); ++i) {
        const int width = lineWidth(atlas, lines[i], format);
        int x = rect.left;
        if (format & DT_CENTER) x = rect.left + (rect.right - rect.left - width) / 2;
        else if (format & DT_RIGHT) x = rect.right - width;
        layout.bounds.left = i == 0 ? x : std::min<LONG>(layout.bounds.left, x);
        layout.bounds.right = i == 0 ? x + width : std::max<LONG>(layout.bounds.right, x + width);
        const int baseline = top + int(i) * atlas.lineHeight + atlas.ascender;
        for (unsigned char c : lines[i]) {
            const Glyph& g = atlas.glyphs[c];
            if (g.width > 0 && g.height > 0) layout.glyphs.push_back({x + g.left, baseline - g.top, &g});
            x += advanceOf(atlas, c, format);
        }
    }
    return layout;
}

}  // namespace d3dxfont
