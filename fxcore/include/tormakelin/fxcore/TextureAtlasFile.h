#pragma once
// Texture-atlas files (".atl"): an XML document naming rectangles of one image.

#include <tormakelin/fxcore/Export.h>

namespace tormakelin::core {
class IStream;
}

namespace tormakelin::render {
class ITextureAtlas;
}

namespace tormakelin::fxcore {

// A new atlas (count 0) read from the stream's document, or null when the document cannot be
// parsed, its root is not "Tormakelin.TextureAtlas" or its Width or Height is not positive.
// Entries whose "Rect" holds fewer than four numbers are skipped.
TORMAKELIN_FXCORE_API render::ITextureAtlas* readTextureAtlas(core::IStream* stream);

} // namespace tormakelin::fxcore
