#include "ImageFile.h"

#include <cstring>
#include <limits>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace d3dxtex {

namespace {

D3DXIMAGE_FILEFORMAT fileKind(const uint8_t* p, size_t size) {
    if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return D3DXIFF_PNG;
    if (size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return D3DXIFF_JPG;
    if (size >= 2 && p[0] == 'B' && p[1] == 'M') return D3DXIFF_BMP;
    return D3DXIFF_TGA;  // the one kind without a signature
}

// Most pixels a file of this kind can describe per byte (best-case compression), so a small
// file whose header claims a huge image is refused before its pixels are allocated.
uint64_t pixelsPerByte(D3DXIMAGE_FILEFORMAT kind) {
    switch (kind) {
    case D3DXIFF_PNG: return 8 * 1032;  // 1-bit pixels through deflate's best ratio
    case D3DXIFF_JPG: return 4096;
    default: return 256;  // run-length packets of BMP and TGA
    }
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
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(p, int(size), &width, &height, &channels)) return false;
    const D3DXIMAGE_FILEFORMAT kind = fileKind(p, size);
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

bool decodeImageFile(const void* data, size_t size, FloatImage& image) {
    D3DXIMAGE_INFO info;
    if (!imageFileInfo(data, size, info)) return false;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(static_cast<const stbi_uc*>(data), int(size), &width, &height, &channels, 4);
    if (!rgba) return false;
    image = FloatImage(UINT(width), UINT(height));
    const stbi_uc* p = rgba;
    for (Float4& c : image.pixels) {
        c = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
        p += 4;
    }
    stbi_image_free(rgba);
    return true;
}

}  // namespace d3dxtex
