#include "Resample.h"

#include <algorithm>
#include <cmath>

#include "d3dx9tex.h"

namespace d3dxtex {

namespace {

Float4 mix(const Float4& a, const Float4& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

void accumulate(Float4& sum, const Float4& c, float w) {
    sum.r += c.r * w, sum.g += c.g * w, sum.b += c.b * w, sum.a += c.a * w;
}

Float4 bilinear(const FloatImage& src, float u, float v) {
    const float fx = std::clamp(u * float(src.width) - 0.5f, 0.0f, float(src.width - 1));
    const float fy = std::clamp(v * float(src.height) - 0.5f, 0.0f, float(src.height - 1));
    const UINT x0 = UINT(fx), y0 = UINT(fy);
    const UINT x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
    const float tx = fx - float(x0), ty = fy - float(y0);
    return mix(mix(src.at(x0, y0), src.at(x1, y0), tx), mix(src.at(x0, y1), src.at(x1, y1), tx), ty);
}

// Mean of the source area under the destination texel, weighted by coverage.
Float4 areaAverage(const FloatImage& src, float x0, float y0, float x1, float y1) {
    Float4 sum;
    float total = 0;
    for (UINT y = UINT(y0); y < src.height && float(y) < y1; ++y) {
        const float wy = std::min(float(y + 1), y1) - std::max(float(y), y0);
        for (UINT x = UINT(x0); x < src.width && float(x) < x1; ++x) {
            const float w = wy * (std::min(float(x + 1), x1) - std::max(float(x), x0));
            if (w <= 0) continue;
            accumulate(sum, src.at(x, y), w);
            total += w;
        }
    }
    if (total > 0) sum.r /= total, sum.g /= total, sum.b /= total, sum.a /= total;
    return sum;
}

}  // namespace

FloatImage resample(const FloatImage& src, UINT width, UINT height, DWORD filter) {
    if (src.width == width && src.height == height) return src;
    FloatImage out(width, height);
    if (src.width == 0 || src.height == 0) return out;
    const DWORD kind = filter & 0xFF;
    const float sx = float(src.width) / float(width), sy = float(src.height) / float(height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const float u = (float(x) + 0.5f) / float(width), v = (float(y) + 0.5f) / float(height);
            if (kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT) {
                out.at(x, y) = src.at(std::min(UINT(u * float(src.width)), src.width - 1),
                                      std::min(UINT(v * float(src.height)), src.height - 1));
            } else if (kind == D3DX_FILTER_LINEAR || (sx <= 1 && sy <= 1)) {
                out.at(x, y) = bilinear(src, u, v);
            } else {
                out.at(x, y) = areaAverage(src, float(x) * sx, float(y) * sy, float(x + 1) * sx, float(y + 1) * sy);
            }
        }
    return out;
}

FloatImage halve(const FloatImage& src) {
    FloatImage out(std::max(1u, src.width / 2), std::max(1u, src.height / 2));
    for (UINT y = 0; y < out.height; ++y)
        for (UINT x = 0; x < out.width; ++x) {
            const UINT x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const UINT y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
            Float4 sum;
            accumulate(sum, src.at(x0, y0), 0.25f);
            accumulate(sum, src.at(x1, y0), 0.25f);
            accumulate(sum, src.at(x0, y1), 0.25f);
            accumulate(sum, src.at(x1, y1), 0.25f);
            out.at(x, y) = sum;
        }
    return out;
}

std::vector<FloatImage> halveVolume(const std::vector<FloatImage>& slices) {
    std::vector<FloatImage> out;
    const size_t depth = std::max<size_t>(1, slices.size() / 2);
    for (size_t z = 0; z < depth; ++z) {
        FloatImage a = halve(slices[std::min(2 * z, slices.size() - 1)]);
        const FloatImage b = halve(slices[std::min(2 * z + 1, slices.size() - 1)]);
        for (size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = mix(a.pixels[i], b.pixels[i], 0.5f);
        out.push_back(std::move(a));
    }
    return out;
}

UINT fullChainLevels(UINT width, UINT height, UINT depth) {
    UINT largest = std::max({width, height, depth, 1u});
    UINT levels = 1;
    while (largest > 1) largest >>= 1, ++levels;
    return levels;
}

UINT chainLevels(UINT asked, UINT full, DWORD usage) {
    if (usage & D3DUSAGE_AUTOGENMIPMAP) return asked == 1 ? 1 : 0;
    return asked == 0 || asked == D3DX_DEFAULT || asked > full ? full : asked;
}

}  // namespace d3dxtex
