#include "ImageFile.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The decoder trusts sizes in the file for some buffers; no single one may pass what the largest
// accepted image needs.
constexpr size_t kMaxDecoderAllocation = size_t(8192) * 4096 * 4 + (size_t(1) << 20);

void* cappedMalloc(size_t bytes) { return bytes <= kMaxDecoderAllocation ? std::malloc(bytes) : nullptr; }
void* cappedRealloc(void* p, size_t bytes) { return bytes <= kMaxDecoderAllocation ? std::realloc(p, bytes) : nullptr; }

}  // namespace

#define STBI_MALLOC(bytes) cappedMalloc(bytes)
#define STBI_REALLOC(p, bytes) cappedRealloc(p, bytes)
#define STBI_FREE(p) std::free(p)

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
// The decoder copies zero bytes from null buffers on empty PNG chunks: harmless, but the
// sanitizer's nonnull check would stop on it.
#ifdef __clang__
#pragma clang attribute push(__attribute__((no_sanitize("nonnull-attribute"))), apply_to = function)
#endif
#include <stb/stb_image.h>
#ifdef __clang__
#pragma clang attribute pop
#endif

namespace d3dxtex {

namespace {

D3DXIMAGE_FILEFORMAT fileKind(const uint8_t* p, size_t size) {
    if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return D3DXIFF_PNG;
    if (size >= 2 && p[0] == 0xFF) {  // the decoder skips fill bytes before the start marker
        size_t at = 1;
        while (at < size && p[at] == 0xFF) ++at;
        if (at < size && p[at] == 0xD8) return D3DXIFF_JPG;
    }
    if (size >= 2 && p[0] == 'B' && p[1] == 'M') return D3DXIFF_BMP;
    return D3DXIFF_TGA;  // the one kind without a signature
}

// Most pixels a file of this kind can describe per byte (best-case compression), so a small
// file whose header claims a huge image is refused before its pixels are allocated.
uint64_t pixelsPerByte(D3DXIMAGE_FILEFORMAT kind) {
    switch (kind) {
    case D3DXIFF_PNG: return size_t{8} * 1032;  // 1-bit pixels through deflate's best ratio
    case D3DXIFF_JPG: return 4096;
    default: return 256;  // run-length packets of BMP and TGA
    }
}

// Every PNG chunk must lie inside the file: the decoder sizes its data buffer from the lengths.
bool pngChunksFit(const uint8_t* p, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        const uint32_t length = uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3];
        if (length > size - at - 12) return false;
        if (std::memcmp(p + at + 4, "IEND", 4) == 0) return true;
        at += 12 + size_t(length);
    }
    return false;
}

// Markers that carry no length: a stuffed zero, TEM, start of image and the restarts.
bool standaloneMarker(uint8_t m) { return m == 0x00 || m == 0x01 || m == 0xD8 || (m >= 0xD0 && m <= 0xD7); }

// Read as the decoder reads them: whole tables even past the segment's end.
bool huffmanCodesFit(const uint8_t* p, size_t size, size_t at, size_t length) {
    long remaining = long(length) - 2;
    for (size_t t = at + 4; remaining > 0;) {
        size_t codes = 0;
        for (size_t i = 1; i <= 16; ++i) codes += t + i < size ? p[t + i] : 0;
        if (codes > 256) return false;
        t += 17 + codes;
        remaining -= long(17 + codes);
    }
    return true;
}

// Huffman tables may hold at most 256 codes; the decoder would write past its table otherwise.
bool jpegTablesValid(const uint8_t* p, size_t size) {
    size_t at = 0;
    while (at + 4 <= size) {
        const uint8_t m = p[at + 1];
        if (p[at] != 0xFF || m == 0xFF) {  // entropy-coded data, or fill bytes
            ++at;
            continue;
        }
        if (standaloneMarker(m)) {
            at += 2;
            continue;
        }
        if (m == 0xD9) return true;
        const size_t length = size_t(p[at + 2]) << 8 | p[at + 3];
        if (length < 2 || length > size - at - 2) return false;
        if (m == 0xC4 && !huffmanCodesFit(p, size, at, length)) return false;
        at += 2 + length;
    }
    return true;
}

bool plausible(D3DXIMAGE_FILEFORMAT kind, size_t size, int width, int height) {
    if (width <= 0 || height <= 0 || UINT(width) > kMaxImageSide || UINT(height) > kMaxImageSide) return false;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    return pixels <= kMaxImagePixels && pixels <= uint64_t(size) * pixelsPerByte(kind);
}

D3DFORMAT formatOf(D3DXIMAGE_FILEFORMAT kind, int channels) {
    switch (channels) {
    case 1: return D3DFMT_L8;
    case 2: return D3DFMT_A8L8;
    case 3: return kind == D3DXIFF_JPG ? D3DFMT_X8R8G8B8 : D3DFMT_R8G8B8;
    default: return D3DFMT_A8R8G8B8;
    }
}

}  // namespace

bool imageFileInfo(const void* data, size_t size, D3DXIMAGE_INFO& info) {
    if (!data || size == 0 || size > size_t(std::numeric_limits<int>::max())) return false;
    const auto* p = static_cast<const stbi_uc*>(data);
    // The structure is checked before the decoder reads any of it.
    const D3DXIMAGE_FILEFORMAT kind = fileKind(p, size);
    if (kind == D3DXIFF_PNG && !pngChunksFit(p, size)) return false;
    if (kind == D3DXIFF_JPG && !jpegTablesValid(p, size)) return false;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(p, int(size), &width, &height, &channels)) return false;
    if (!plausible(kind, size, width, height)) return false;
    info.Width = UINT(width);
    info.Height = UINT(height);
    info.Depth = 1;
    info.MipLevels = 1;
    info.Format = formatOf(kind, channels);
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = kind;
    return true;
}

bool decodeImageFile(const void* data, size_t size, Rgba8Image& image) {
    D3DXIMAGE_INFO info;
    if (!imageFileInfo(data, size, info)) return false;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(static_cast<const stbi_uc*>(data), int(size), &width, &height, &channels, 4);
    if (!rgba) return false;
    image.width = UINT(width);
    image.height = UINT(height);
    image.pixels.reset(rgba);
    return true;
}

void Rgba8Image::rowToFloat(UINT y, Float4* out) const {
    const uint8_t* p = pixels.get() + size_t(y) * width * 4;
    for (UINT x = 0; x < width; ++x, p += 4) out[x] = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
}

FloatImage Rgba8Image::toFloat() const {
    FloatImage image(width, height);
    for (UINT y = 0; y < height; ++y) rowToFloat(y, &image.at(0, y));
    return image;
}

}  // namespace d3dxtex
