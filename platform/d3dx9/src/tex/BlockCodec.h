#pragma once
// DXT1..DXT5 blocks: decoding to float pixels and encoding from them.
#include "PixelFormat.h"

namespace d3dxtex {

// Bytes of one 4 x 4 block: 8 for DXT1, 16 for the others.
unsigned blockBytes(D3DFORMAT format);
// Fills `out` (sized already) from rows of blocks `pitch` bytes apart.
void decodeBlocks(D3DFORMAT format, const uint8_t* src, size_t pitch, FloatImage& out);
void encodeBlocks(D3DFORMAT format, const FloatImage& image, uint8_t* dst, size_t pitch);

}  // namespace d3dxtex
