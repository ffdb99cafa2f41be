#pragma once
// Pixels of every texture format we read or write, converted through four floats per pixel.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3d9.h"

namespace d3dxtex {

struct Float4 {
    float r = 0, g = 0, b = 0, a = 0;
};

// A CPU image of float pixels, row-major, top row first.
struct FloatImage {
    UINT width = 0, height = 0;
    std::vector<Float4> pixels;

    FloatImage() = default;
    FloatImage(UINT w, UINT h) : width(w), height(h), pixels(size_t(w) * h) {}
    Float4& at(UINT x, UINT y) { return pixels[size_t(y) * width + x]; }
    const Float4& at(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};

// True when we can read and write pixels of the format.
bool isKnownFormat(D3DFORMAT format);
// DXT1..DXT5: stored as 4 x 4 blocks.
bool isBlockFormat(D3DFORMAT format);
// Whether the format stores an alpha channel.
bool formatHasAlpha(D3DFORMAT format);
// Bytes of one row of pixels (of one row of blocks for block formats); 0 for unknown formats.
size_t rowBytes(D3DFORMAT format, UINT width);
// Rows of storage: the height, or the rows of blocks.
UINT storageRows(D3DFORMAT format, UINT height);
// Bytes of a whole width x height image, packed.
uint64_t imageBytes(D3DFORMAT format, UINT width, UINT height);

// Decodes a width x height image stored with `pitch` bytes per storage row.
void decodeImage(D3DFORMAT format, const uint8_t* src, size_t pitch, UINT width, UINT height, FloatImage& out);
// Encodes the image into storage of `pitch` bytes per storage row.
void encodeImage(D3DFORMAT format, const FloatImage& image, uint8_t* dst, size_t pitch);

// Half-precision floats as Direct3D stores them.
float halfToFloat(uint16_t h);
uint16_t floatToHalf(float f);

}  // namespace d3dxtex
