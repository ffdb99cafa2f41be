#include "PixelFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "BlockCodec.h"

namespace d3dxtex {

namespace {

// Integer formats as channel masks over a little-endian word of `bytes` bytes.
struct MaskLayout {
    D3DFORMAT format;
    unsigned bytes;
    uint64_t r, g, b, a;
    bool luminance;  // r holds the luminance
};

const MaskLayout kMasks[] = {
    {D3DFMT_R8G8B8, 3, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {D3DFMT_A8R8G8B8, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false},
    {D3DFMT_X8R8G8B8, 4, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {D3DFMT_A8B8G8R8, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, false},
    {D3DFMT_X8B8G8R8, 4, 0xFF, 0xFF00, 0xFF0000, 0, false},
    {D3DFMT_R5G6B5, 2, 0xF800, 0x07E0, 0x001F, 0, false},
    {D3DFMT_X1R5G5B5, 2, 0x7C00, 0x03E0, 0x001F, 0, false},
    {D3DFMT_A1R5G5B5, 2, 0x7C00, 0x03E0, 0x001F, 0x8000, false},
    {D3DFMT_A4R4G4B4, 2, 0x0F00, 0x00F0, 0x000F, 0xF000, false},
    {D3DFMT_X4R4G4B4, 2, 0x0F00, 0x00F0, 0x000F, 0, false},
    {D3DFMT_R3G3B2, 1, 0xE0, 0x1C, 0x03, 0, false},
    {D3DFMT_A8R3G3B2, 2, 0xE0, 0x1C, 0x03, 0xFF00, false},
    {D3DFMT_A2B10G10R10, 4, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, false},
    {D3DFMT_A2R10G10B10, 4, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, false},
    {D3DFMT_G16R16, 4, 0xFFFF, 0xFFFF0000, 0, 0, false},
    {D3DFMT_A16B16G16R16, 8, 0xFFFF, 0xFFFF0000, 0xFFFF00000000ull, 0xFFFF000000000000ull, false},
    {D3DFMT_A8, 1, 0, 0, 0, 0xFF, false},
    {D3DFMT_L8, 1, 0xFF, 0, 0, 0, true},
    {D3DFMT_A8L8, 2, 0xFF, 0, 0, 0xFF00, true},
    {D3DFMT_A4L4, 1, 0x0F, 0, 0, 0xF0, true},
    {D3DFMT_L16, 2, 0xFFFF, 0, 0, 0, true},
};

// Float formats: channels r, g, b, a in that order, 2 or 4 bytes each.
struct FloatLayout {
    D3DFORMAT format;
    unsigned channels, channelBytes;
};

const FloatLayout kFloats[] = {
    {D3DFMT_R16F, 1, 2}, {D3DFMT_G16R16F, 2, 2}, {D3DFMT_A16B16G16R16F, 4, 2},
    {D3DFMT_R32F, 1, 4}, {D3DFMT_G32R32F, 2, 4}, {D3DFMT_A32B32G32R32F, 4, 4},
};

const MaskLayout* maskLayout(D3DFORMAT format) {
    for (const MaskLayout& m : kMasks)
        if (m.format == format) return &m;
    return nullptr;
}

const FloatLayout* floatLayout(D3DFORMAT format) {
    for (const FloatLayout& f : kFloats)
        if (f.format == format) return &f;
    return nullptr;
}

float readChannel(uint64_t word, uint64_t mask) {
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    return float((word & mask) >> shift) / float(max);
}

uint64_t writeChannel(float value, uint64_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    const float v = std::clamp(std::isnan(value) ? 0.0f : value, 0.0f, 1.0f);
    return (uint64_t(v * float(max) + 0.5f) & max) << shift;
}

// Missing colour channels read as 1 (as the device samples them); A8 reads black.
Float4 decodeMasked(const MaskLayout& m, const uint8_t* p) {
    uint64_t word = 0;
    for (unsigned i = 0; i < m.bytes; ++i) word |= uint64_t(p[i]) << (8 * i);
    Float4 c;
    if (m.luminance) {
        c.r = c.g = c.b = readChannel(word, m.r);
    } else if (m.format == D3DFMT_A8) {
        c.r = c.g = c.b = 0;
    } else {
        c.r = m.r ? readChannel(word, m.r) : 1.0f;
        c.g = m.g ? readChannel(word, m.g) : 1.0f;
        c.b = m.b ? readChannel(word, m.b) : 1.0f;
    }
    c.a = m.a ? readChannel(word, m.a) : 1.0f;
    return c;
}

// The unused bits of the X formats are written as ones, as an opaque alpha would be.
uint64_t unusedBits(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_X8B8G8R8: return 0xFF000000;
    case D3DFMT_X1R5G5B5: return 0x8000;
    case D3DFMT_X4R4G4B4: return 0xF000;
    default: return 0;
    }
}

void encodeMasked(const MaskLayout& m, const Float4& c, uint8_t* p) {
    uint64_t word = writeChannel(c.a, m.a) | unusedBits(m.format);
    if (m.luminance)
        word |= writeChannel(0.2125f * c.r + 0.7154f * c.g + 0.0721f * c.b, m.r);
    else
        word |= writeChannel(c.r, m.r) | writeChannel(c.g, m.g) | writeChannel(c.b, m.b);
    for (unsigned i = 0; i < m.bytes; ++i) p[i] = uint8_t(word >> (8 * i));
}

Float4 decodeFloat(const FloatLayout& f, const uint8_t* p) {
    float v[4] = {1, 1, 1, 1};
    for (unsigned i = 0; i < f.channels; ++i) {
        if (f.channelBytes == 2) {
            uint16_t h;
            std::memcpy(&h, p + size_t{2} * i, 2);
            v[i] = halfToFloat(h);
        } else {
            std::memcpy(&v[i], p + size_t{4} * i, 4);
        }
    }
    return {v[0], v[1], v[2], v[3]};
}

void encodeFloat(const FloatLayout& f, const Float4& c, uint8_t* p) {
    const float v[4] = {c.r, c.g, c.b, c.a};
    for (unsigned i = 0; i < f.channels; ++i) {
        if (f.channelBytes == 2) {
            const uint16_t h = floatToHalf(v[i]);
            std::memcpy(p + size_t{2} * i, &h, 2);
        } else {
            std::memcpy(p + size_t{4} * i, &v[i], 4);
        }
    }
}

unsigned pixelBytes(D3DFORMAT format) {
    if (const MaskLayout* m = maskLayout(format)) return m->bytes;
    if (const FloatLayout* f = floatLayout(format)) return f->channels * f->channelBytes;
    return 0;
}

}  // namespace

bool isBlockFormat(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

bool isKnownFormat(D3DFORMAT format) { return isBlockFormat(format) || pixelBytes(format) != 0; }

bool formatHasAlpha(D3DFORMAT format) {
    if (isBlockFormat(format)) return true;
    if (const MaskLayout* m = maskLayout(format)) return m->a != 0;
    if (const FloatLayout* f = floatLayout(format)) return f->channels == 4;
    return false;
}

size_t rowBytes(D3DFORMAT format, UINT width) {
    if (isBlockFormat(format)) return size_t((width + 3) / 4) * blockBytes(format);
    return size_t(width) * pixelBytes(format);
}

UINT storageRows(D3DFORMAT format, UINT height) { return isBlockFormat(format) ? (height + 3) / 4 : height; }

uint64_t imageBytes(D3DFORMAT format, UINT width, UINT height) {
    return uint64_t(rowBytes(format, width)) * storageRows(format, height);
}

void decodeImage(D3DFORMAT format, const uint8_t* src, size_t pitch, UINT width, UINT height, FloatImage& out) {
    out = FloatImage(width, height);
    if (isBlockFormat(format)) {
        decodeBlocks(format, src, pitch, out);
        return;
    }
    const MaskLayout* m = maskLayout(format);
    const FloatLayout* f = floatLayout(format);
    const unsigned bytes = pixelBytes(format);
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = src + y * pitch;
        for (UINT x = 0; x < width; ++x)
            out.at(x, y) = m ? decodeMasked(*m, row + size_t{x} * bytes) : f ? decodeFloat(*f, row + size_t{x} * bytes) : Float4{};
    }
}

void encodeImage(D3DFORMAT format, const FloatImage& image, uint8_t* dst, size_t pitch) {
    if (isBlockFormat(format)) {
        encodeBlocks(format, image, dst, pitch);
        return;
    }
    const MaskLayout* m = maskLayout(format);
    const FloatLayout* f = floatLayout(format);
    const unsigned bytes = pixelBytes(format);
    for (UINT y = 0; y < image.height; ++y) {
        uint8_t* row = dst + y * pitch;
        for (UINT x = 0; x < image.width; ++x) {
            if (m) encodeMasked(*m, image.at(x, y), row + size_t{x} * bytes);
            else if (f) encodeFloat(*f, image.at(x, y), row + size_t{x} * bytes);
        }
    }
}

float halfToFloat(uint16_t h) {
    const uint32_t sign = uint32_t(h & 0x8000) << 16;
    const uint32_t exponent = (h >> 10) & 0x1F;
    uint32_t mantissa = h & 0x3FF;
    uint32_t bits;
    if (exponent == 0) {
        if (mantissa == 0) {
            bits = sign;
        } else {  // subnormal: normalise
            int e = -1;
            do {
                ++e;
                mantissa <<= 1;
            } while (!(mantissa & 0x400));
            bits = sign | uint32_t(127 - 15 - e) << 23 | (mantissa & 0x3FF) << 13;
        }
    } else if (exponent == 31) {
        bits = sign | 0x7F800000 | mantissa << 13;
    } else {
        bits = sign | (exponent + 127 - 15) << 23 | mantissa << 13;
    }
    return std::bit_cast<float>(bits);
}

uint16_t floatToHalf(float f) {
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    const uint16_t sign = uint16_t((bits >> 16) & 0x8000);
    const int exponent = int((bits >> 23) & 0xFF) - 127 + 15;
    const uint32_t mantissa = bits & 0x7FFFFF;
    if (((bits >> 23) & 0xFF) == 0xFF) return uint16_t(sign | 0x7C00 | (mantissa ? 0x200 : 0));
    if (exponent >= 31) return uint16_t(sign | 0x7C00);
    if (exponent <= 0) {
        if (exponent < -10) return sign;
        const uint32_t m = mantissa | 0x800000;
        const int shift = 14 - exponent;
        uint32_t half = m >> shift;
        if ((m >> (shift - 1)) & 1) ++half;  // round half up
        return uint16_t(sign | half);
    }
    uint32_t half = uint32_t(exponent) << 10 | mantissa >> 13;
    if (mantissa & 0x1000) ++half;  // round half up; a carry moves into the exponent correctly
    return uint16_t(sign | half);
}

}  // namespace d3dxtex
