#include "DdsFile.h"

#include <algorithm>
#include <cstring>

#include "PixelFormat.h"

namespace d3dxtex {

namespace {

constexpr size_t kHeaderBytes = 4 + 124;

constexpr DWORD DDSD_MIPMAPCOUNT = 0x20000;
constexpr DWORD DDSD_DEPTH = 0x800000;
constexpr DWORD DDPF_ALPHAPIXELS = 0x1;
constexpr DWORD DDPF_ALPHA = 0x2;
constexpr DWORD DDPF_FOURCC = 0x4;
constexpr DWORD DDPF_RGB = 0x40;
constexpr DWORD DDPF_LUMINANCE = 0x20000;
constexpr DWORD DDSCAPS2_CUBEMAP = 0x200;
constexpr DWORD DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr DWORD DDSCAPS2_VOLUME = 0x200000;

DWORD word(const uint8_t* p, size_t index) {
    DWORD v;
    std::memcpy(&v, p + 4 * index, 4);
    return v;
}

struct PixelFormatWords {
    DWORD size, flags, fourCC, bits, r, g, b, a;
};

struct MaskFormat {
    DWORD flags, bits, r, g, b, a;
    D3DFORMAT format;
};

const MaskFormat kMaskFormats[] = {
    {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_A8B8G8R8},
    {DDPF_RGB, 32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8B8G8R8},
    {DDPF_RGB, 32, 0xFFFF, 0xFFFF0000, 0, 0, D3DFMT_G16R16},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, D3DFMT_A2R10G10B10},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2B10G10R10},
    {DDPF_RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {DDPF_RGB, 16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {DDPF_RGB, 16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {DDPF_RGB, 16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
    {DDPF_RGB, 8, 0xE0, 0x1C, 0x3, 0, D3DFMT_R3G3B2},
    {DDPF_LUMINANCE, 8, 0xFF, 0, 0, 0, D3DFMT_L8},
    {DDPF_LUMINANCE, 16, 0xFFFF, 0, 0, 0, D3DFMT_L16},
    {DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 16, 0xFF, 0, 0, 0xFF00, D3DFMT_A8L8},
    {DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 8, 0xF, 0, 0, 0xF0, D3DFMT_A4L4},
    {DDPF_ALPHA, 8, 0, 0, 0, 0xFF, D3DFMT_A8},
};

D3DFORMAT formatOf(const PixelFormatWords& pf) {
    if (pf.flags & DDPF_FOURCC) {
        // Float and 16-bit formats are stored as their format number in place of a code.
        const D3DFORMAT f = D3DFORMAT(pf.fourCC);
        return isKnownFormat(f) ? f : D3DFMT_UNKNOWN;
    }
    const DWORD kinds = pf.flags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA | DDPF_ALPHAPIXELS);
    for (const MaskFormat& m : kMaskFormats) {
        if (m.flags != kinds || m.bits != pf.bits) continue;
        // Masks of channels the flags do not announce are not read.
        if ((kinds & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && m.a != pf.a) continue;
        if ((kinds & (DDPF_RGB | DDPF_LUMINANCE)) && m.r != pf.r) continue;
        if ((kinds & DDPF_RGB) && (m.g != pf.g || m.b != pf.b)) continue;
        return m.format;
    }
    return D3DFMT_UNKNOWN;
}

UINT mipSize(UINT size, UINT level) { return size >> level ? size >> level : 1; }

// A cube map, a volume or a plain texture; a cube map names the faces it stores.
bool readKind(DWORD flags, DWORD depth, DWORD caps2, DdsFile& file, UINT& faces) {
    if (caps2 & DDSCAPS2_CUBEMAP) {
        if (file.width != file.height || !(caps2 & DDSCAPS2_CUBEMAP_ALLFACES)) return false;
        file.type = D3DRTYPE_CUBETEXTURE;
        file.faceMask = (caps2 & DDSCAPS2_CUBEMAP_ALLFACES) >> 10;
        faces = 6;
    } else if ((caps2 & DDSCAPS2_VOLUME) && (flags & DDSD_DEPTH) && depth > 0) {
        if (depth > kMaxDdsDepth) return false;
        file.type = D3DRTYPE_VOLUMETEXTURE;
        file.depth = depth;
    }
    return true;
}

UINT maxLevels(const DdsFile& file) {
    UINT largest = std::max({file.width, file.height, file.depth});
    UINT n = 1;
    while (largest > 1) largest >>= 1, ++n;
    return n;
}

// Faces follow each other, each with its whole chain; every byte must lie inside the file.
bool layOutImages(size_t size, UINT faces, DdsFile& file) {
    uint64_t offset = kHeaderBytes;
    for (UINT face = 0; face < faces; ++face) {
        if (file.type == D3DRTYPE_CUBETEXTURE && !(file.faceMask & (1u << face))) continue;
        for (UINT level = 0; level < file.levels; ++level) {
            DdsLevel image;
            image.face = face;
            image.level = level;
            image.width = mipSize(file.width, level);
            image.height = mipSize(file.height, level);
            image.depth = mipSize(file.depth, level);
            image.rowPitch = rowBytes(file.format, image.width);
            image.slicePitch = size_t(imageBytes(file.format, image.width, image.height));
            image.offset = size_t(offset);
            offset += uint64_t(image.slicePitch) * image.depth;
            if (offset > size) return false;
            file.images.push_back(image);
        }
    }
    return true;
}

}  // namespace

const DdsLevel* DdsFile::find(UINT face, UINT level) const {
    for (const DdsLevel& image : images)
        if (image.face == face && image.level == level) return &image;
    return nullptr;
}

bool looksLikeDds(const void* data, size_t size) {
    return size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

bool readDds(const void* data, size_t size, DdsFile& file) {
    file = DdsFile{};
    if (!looksLikeDds(data, size) || size < kHeaderBytes) return false;
    const uint8_t* h = static_cast<const uint8_t*>(data) + 4;
    if (word(h, 0) != 124) return false;
    const DWORD flags = word(h, 1);
    file.height = word(h, 2);
    file.width = word(h, 3);
    const DWORD depth = word(h, 5);
    const DWORD mipCount = word(h, 6);
    const PixelFormatWords pf{word(h, 18), word(h, 19), word(h, 20), word(h, 21), word(h, 22), word(h, 23),
                              word(h, 24), word(h, 25)};
    const DWORD caps2 = word(h, 27);
    if (pf.size != 32) return false;
    if (file.width == 0 || file.height == 0 || file.width > kMaxDdsSide || file.height > kMaxDdsSide) return false;

    file.format = formatOf(pf);
    if (file.format == D3DFMT_UNKNOWN) return false;

    UINT faces = 1;
    if (!readKind(flags, depth, caps2, file, faces)) return false;
    file.levels = (flags & DDSD_MIPMAPCOUNT) && mipCount > 0 ? mipCount : 1;
    if (file.levels > maxLevels(file)) return false;
    return layOutImages(size, faces, file);
}

}  // namespace d3dxtex
