#include "TexUpload.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Resample.h"
#include "d3dx9tex.h"

namespace d3dxtex {

namespace {

UINT mipSize(UINT size, UINT level) { return std::max(1u, size >> level); }

uint8_t toByte(float v) { return uint8_t(std::clamp(std::isnan(v) ? 0.0f : v, 0.0f, 1.0f) * 255.0f + 0.5f); }

// Slices scaled to width x height x depth; depth by nearest slice.
std::vector<FloatImage> scaleSlices(const std::vector<FloatImage>& slices, UINT width, UINT height, UINT depth,
    DWORD filter) {
    std::vector<FloatImage> out;
    for (UINT z = 0; z < depth; ++z) {
        const size_t from = std::min(slices.size() - 1, size_t(z) * slices.size() / depth);
        out.push_back(resample(slices[from], width, height, filter));
    }
    return out;
}

std::vector<FloatImage> nextLevel(const std::vector<FloatImage>& above, UINT width, UINT height, UINT depth,
    DWORD mipFilter) {
    const DWORD kind = mipFilter & 0xFF;
    const bool exactHalf = above[0].width / 2 == width || (above[0].width == 1 && width == 1);
    const bool exactHalfH = above[0].height / 2 == height || (above[0].height == 1 && height == 1);
    if (kind != D3DX_FILTER_POINT && exactHalf && exactHalfH) {
        if (above.size() > 1 && depth == std::max<size_t>(1, above.size() / 2)) return halveVolume(above);
        if (above.size() == depth) {
            std::vector<FloatImage> out;
            for (const FloatImage& s : above) out.push_back(halve(s));
            return out;
        }
    }
    return scaleSlices(above, width, height, depth, mipFilter);
}

HRESULT writeSlices(LevelTarget& target, UINT level, D3DFORMAT format, const std::vector<FloatImage>& slices) {
    D3DLOCKED_BOX box{};
    HRESULT hr = target.lock(level, box);
    if (FAILED(hr)) return hr;
    for (size_t z = 0; z < slices.size(); ++z)
        encodeImage(format, slices[z], static_cast<uint8_t*>(box.pBits) + z * size_t(box.SlicePitch),
            size_t(box.RowPitch));
    return target.unlock(level);
}

HRESULT copyStored(LevelTarget& target, UINT level, D3DFORMAT format, const uint8_t* file, const DdsLevel& stored) {
    D3DLOCKED_BOX box{};
    HRESULT hr = target.lock(level, box);
    if (FAILED(hr)) return hr;
    const size_t bytes = std::min(stored.rowPitch, size_t(box.RowPitch));
    const UINT rows = storageRows(format, stored.height);
    for (UINT z = 0; z < stored.depth; ++z)
        for (UINT y = 0; y < rows; ++y)
            std::memcpy(static_cast<uint8_t*>(box.pBits) + z * size_t(box.SlicePitch) + y * size_t(box.RowPitch),
                file + stored.offset + z * stored.slicePitch + y * stored.rowPitch, bytes);
    return target.unlock(level);
}

// Level 0 from a decoded file of the level's own size, a row at a time, so the file's pixels are
// never held as floats whole. With `next`, the level below is made too, from pairs of rows as
// halve() makes it from the whole level.
HRESULT writeImageRows(LevelTarget& target, D3DFORMAT format, const Rgba8Image& image, D3DCOLOR colorKey,
    std::vector<FloatImage>* next) {
    D3DLOCKED_BOX box{};
    HRESULT hr = target.lock(0, box);
    if (FAILED(hr)) return hr;
    FloatImage row(image.width, 1);
    // Block formats store four rows in one row of blocks: rows are encoded a band of four at a time.
    const UINT band = isBlockFormat(format) ? 4 : 1;
    FloatImage rows(image.width, band);
    FloatImage pair(image.width, 2);
    FloatImage below;
    if (next) below = FloatImage(std::max(1u, image.width / 2), std::max(1u, image.height / 2));
    for (UINT y = 0; y < image.height; ++y) {
        image.rowToFloat(y, row.pixels.data());
        applyColorKey(row, colorKey);
        std::copy(row.pixels.begin(), row.pixels.end(), rows.pixels.begin() + std::ptrdiff_t(y % band) * image.width);
        const UINT filled = y % band + 1;
        if (filled == band || y + 1 == image.height) {
            // A short last band: the block encoder repeats its last row.
            rows.height = filled;
            encodeImage(format, rows, static_cast<uint8_t*>(box.pBits) + (y / band) * size_t(box.RowPitch),
                size_t(box.RowPitch));
        }
        if (!next) continue;
        // Rows 2k and 2k+1 (the last row again at an odd end) make row k below.
        const UINT k = y / 2;
        if (k >= below.height) continue;
        std::copy(row.pixels.begin(), row.pixels.end(), pair.pixels.begin() + std::ptrdiff_t(y % 2) * image.width);
        const bool last = y + 1 == image.height;
        if (y % 2 == 0 && !last) continue;
        if (y % 2 == 0) std::copy(row.pixels.begin(), row.pixels.end(), pair.pixels.begin() + image.width);
        const FloatImage half = halve(pair);
        std::copy(half.pixels.begin(), half.pixels.end(), below.pixels.begin() + std::ptrdiff_t(k) * below.width);
    }
    if (next) next->assign(1, std::move(below));
    return target.unlock(0);
}

}  // namespace

void applyColorKey(FloatImage& image, D3DCOLOR colorKey) {
    if (colorKey == 0) return;
    for (Float4& c : image.pixels) {
        const D3DCOLOR packed = D3DCOLOR(toByte(c.a)) << 24 | D3DCOLOR(toByte(c.r)) << 16 |
                                D3DCOLOR(toByte(c.g)) << 8 | toByte(c.b);
        if (packed == colorKey) c = Float4{};
    }
}

std::vector<FloatImage> decodeStored(const uint8_t* file, D3DFORMAT format, const DdsLevel& level) {
    std::vector<FloatImage> slices(level.depth);
    for (UINT z = 0; z < level.depth; ++z)
        decodeImage(format, file + level.offset + z * level.slicePitch, level.rowPitch, level.width, level.height,
            slices[z]);
    return slices;
}

HRESULT fillChain(LevelTarget& target, const ChainTarget& dst, const ChainSource& src, DWORD filter,
    DWORD mipFilter, D3DCOLOR colorKey) {
    std::vector<FloatImage> above;  // the level written last, as floats (empty when copied raw)
    const DdsLevel* aboveStored = nullptr;
    bool aboveIsNext = false;  // `above` already holds the next level
    for (UINT level = 0; level < dst.levels; ++level) {
        const UINT w = mipSize(dst.width, level), h = mipSize(dst.height, level), d = mipSize(dst.depth, level);
        const DdsLevel* stored = src.dds ? src.dds->find(src.face, level) : nullptr;
        const bool fits = stored && stored->width == w && stored->height == h && stored->depth == d;
        HRESULT hr;
        const bool wholeImage = level == 0 && src.image && d == 1 && w == src.image->width && h == src.image->height;
        const bool halving = dst.levels > 1 && (mipFilter & 0xFF) != D3DX_FILTER_NONE &&
                             (mipFilter & 0xFF) != D3DX_FILTER_POINT;
        if (wholeImage && (halving || dst.levels == 1 || (mipFilter & 0xFF) == D3DX_FILTER_NONE)) {
            hr = writeImageRows(target, dst.format, *src.image, colorKey, halving ? &above : nullptr);
            aboveIsNext = halving;
        } else if (aboveIsNext) {
            hr = writeSlices(target, level, dst.format, above);
            aboveIsNext = false;
        } else if (fits && src.dds->format == dst.format && colorKey == 0) {
            hr = copyStored(target, level, dst.format, src.file, *stored);
            above.clear();
            aboveStored = stored;
        } else if (fits || level == 0) {
            std::vector<FloatImage> slices;
            if (src.dds) {
                const DdsLevel* top = src.dds->find(src.face, 0);
                if (!top) return D3DXERR_INVALIDDATA;
                slices = decodeStored(src.file, src.dds->format, fits ? *stored : *top);
            } else if (src.image) {
                slices.push_back(src.image->toFloat());
            }
            if (slices.empty()) return D3DXERR_INVALIDDATA;
            for (FloatImage& s : slices) applyColorKey(s, colorKey);
            above = scaleSlices(slices, w, h, d, filter);
            hr = writeSlices(target, level, dst.format, above);
        } else {
            if ((mipFilter & 0xFF) == D3DX_FILTER_NONE) break;
            if (above.empty() && aboveStored) above = decodeStored(src.file, src.dds->format, *aboveStored);
            if (above.empty()) return D3DXERR_INVALIDDATA;
            above = nextLevel(above, w, h, d, mipFilter);
            hr = writeSlices(target, level, dst.format, above);
        }
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

}  // namespace d3dxtex
