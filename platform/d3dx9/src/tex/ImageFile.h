#pragma once
// JPEG, PNG, TGA and BMP files: their information and their pixels.
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "PixelFormat.h"
#include "d3dx9tex.h"

namespace d3dxtex {

constexpr UINT kMaxImageSide = 16384;
// Larger images are refused.
constexpr uint64_t kMaxImagePixels = uint64_t(8192) * 4096;

// A decoded file's pixels as the decoder gives them, 4 bytes each (red, green, blue, alpha), top
// row first: a quarter of what float pixels would take, converted a row at a time.
struct Rgba8Image {
    UINT width = 0, height = 0;
    std::unique_ptr<uint8_t, void (*)(void*)> pixels{nullptr, std::free};

    void rowToFloat(UINT y, Float4* out) const;
    FloatImage toFloat() const;
};

// Size, format and file kind of an image file that is not a DDS file; false when unreadable.
bool imageFileInfo(const void* data, size_t size, D3DXIMAGE_INFO& info);
// The pixels of such a file, top row first; false when it is unreadable or implausibly large.
bool decodeImageFile(const void* data, size_t size, Rgba8Image& image);

}  // namespace d3dxtex
