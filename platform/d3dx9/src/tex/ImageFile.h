#pragma once
// JPEG, PNG, TGA and BMP files: their information and their pixels.
#include <cstddef>

#include "PixelFormat.h"
#include "d3dx9tex.h"

namespace d3dxtex {

constexpr UINT kMaxImageSide = 16384;
// Decoding needs 20 bytes a pixel at its peak; larger images are refused.
constexpr uint64_t kMaxImagePixels = uint64_t(8192) * 4096;

// Size, format and file kind of an image file that is not a DDS file; false when unreadable.
bool imageFileInfo(const void* data, size_t size, D3DXIMAGE_INFO& info);
// The pixels of such a file, top row first; false when it is unreadable or implausibly large.
bool decodeImageFile(const void* data, size_t size, FloatImage& image);

}  // namespace d3dxtex
