#pragma once
// Builds the glyph atlas of one face at one size; the face is read through the stream.

#include <tormakelin/fxcore/Font.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace tormakelin::fxcore::detail {

// A new font object (count 0), or null when the face cannot be opened or sized or its glyphs do
// not fit one atlas. familyName receives the face's family whenever the face opened.
IFont* buildFontAtlas(FT_Library library, core::IStream* stream, int size, std::string& familyName);

} // namespace tormakelin::fxcore::detail
