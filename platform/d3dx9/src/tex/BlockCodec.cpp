#include "BlockCodec.h"

#include <algorithm>
#include <cstring>

#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

namespace d3dxtex {

namespace {

uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void unpack565(uint16_t c, float rgb[3]) {
    rgb[0] = float((c >> 11) & 31) / 31.0f;
    rgb[1] = float((c >> 5) & 63) / 63.0f;
    rgb[2] = float(c & 31) / 31.0f;
}

// The colour part of a block; DXT1 allows the three-colour mode with transparent black.
void decodeColours(const uint8_t* p, bool allowTransparent, Float4 out[16]) {
    const uint16_t c0 = read16(p), c1 = read16(p + 2);
    Float4 palette[4];
    float a[3], b[3];
    unpack565(c0, a);
    unpack565(c1, b);
    palette[0] = {a[0], a[1], a[2], 1};
    palette[1] = {b[0], b[1], b[2], 1};
    if (c0 > c1 || !allowTransparent) {
        palette[2] = {(2 * a[0] + b[0]) / 3, (2 * a[1] + b[1]) / 3, (2 * a[2] + b[2]) / 3, 1};
        palette[3] = {(a[0] + 2 * b[0]) / 3, (a[1] + 2 * b[1]) / 3, (a[2] + 2 * b[2]) / 3, 1};
    } else {
        palette[2] = {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2, 1};
        palette[3] = {0, 0, 0, 0};
    }
    const uint32_t indices = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
    for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void decodeExplicitAlpha(const uint8_t* p, Float4 out[16]) {
    for (int i = 0; i < 16; ++i) out[i].a = float((p[i / 2] >> (4 * (i & 1))) & 15) / 15.0f;
}

void decodeInterpolatedAlpha(const uint8_t* p, Float4 out[16]) {
    const float a0 = p[0] / 255.0f, a1 = p[1] / 255.0f;
    float palette[8] = {a0, a1};
    if (p[0] > p[1]) {
        for (int i = 1; i < 7; ++i) palette[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (int i = 1; i < 5; ++i) palette[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        palette[6] = 0;
        palette[7] = 1;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(p[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i].a = palette[(bits >> (3 * i)) & 7];
}

uint8_t toByte(float v) { return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

unsigned blockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

void decodeBlocks(D3DFORMAT format, const uint8_t* src, size_t pitch, FloatImage& out) {
    const unsigned bytes = blockBytes(format);
    for (UINT by = 0; by < (out.height + 3) / 4; ++by)
        for (UINT bx = 0; bx < (out.width + 3) / 4; ++bx) {
            const uint8_t* block = src + by * pitch + size_t{bx} * bytes;
            Float4 texels[16];
            if (format == D3DFMT_DXT1) {
                decodeColours(block, true, texels);
            } else {
                decodeColours(block + 8, false, texels);
                if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) decodeExplicitAlpha(block, texels);
                else decodeInterpolatedAlpha(block, texels);
            }
            for (UINT i = 0; i < 16; ++i) {
                const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x < out.width && y < out.height) out.at(x, y) = texels[i];
            }
        }
}

void encodeBlocks(D3DFORMAT format, const FloatImage& image, uint8_t* dst, size_t pitch) {
    const unsigned bytes = blockBytes(format);
    for (UINT by = 0; by < (image.height + 3) / 4; ++by)
        for (UINT bx = 0; bx < (image.width + 3) / 4; ++bx) {
            uint8_t rgba[64];
            for (UINT i = 0; i < 16; ++i) {  // edge blocks repeat the last row and column
                const UINT x = std::min(bx * 4 + i % 4, image.width - 1), y = std::min(by * 4 + i / 4, image.height - 1);
                const Float4& c = image.at(x, y);
                rgba[size_t{4} * i] = toByte(c.r), rgba[size_t{4} * i + 1] = toByte(c.g), rgba[size_t{4} * i + 2] = toByte(c.b);
                rgba[size_t{4} * i + 3] = toByte(c.a);
            }
            uint8_t* block = dst + by * pitch + size_t{bx} * bytes;
            if (format == D3DFMT_DXT1) {
                stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
            } else if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
                for (int i = 0; i < 8; ++i)
                    block[i] = uint8_t((rgba[8 * i + 3] * 15 + 127) / 255 | ((rgba[8 * i + 7] * 15 + 127) / 255) << 4);
                stb_compress_dxt_block(block + 8, rgba, 0, STB_DXT_HIGHQUAL);
            } else {
                stb_compress_dxt_block(block, rgba, 1, STB_DXT_HIGHQUAL);
            }
        }
}

}  // namespace d3dxtex
