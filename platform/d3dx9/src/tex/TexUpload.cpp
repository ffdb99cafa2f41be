#include "TexUpload.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Resample.h"
#include "d3dx9tex.h"

namespace d3dxtex {

namespace {

UINT mipSize(UINT size, UINT level) { return std::max(1u, size >> level); }

uint8_t toByte(float v) { return uint8_t(std::lround(std::clamp(std::isnan(v) ? 0.0f : v, 0.0f, 1.0f) * 255.0f)); }

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
            out.reserve(above.size());
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
    if (next) {
        next->clear();
        next->push_back(std::move(below));
    }
    return target.unlock(0);
}

// Where one level's pixels come from, in the order the sources are preferred.
enum class LevelFill {
    ImageRows,   // the decoded file, straight into level 0 (and the level below, when halving)
    Pending,     // the level made while the one above was written
    CopyStored,  // the file's own level, byte for byte
    FromSource,  // the file's own level, or its top one, scaled to size
    FromAbove,   // made from the level above with the mip filter
    Stop,        // no mip filter: the rest of the chain is left as it is
};

struct LevelShape {
    UINT level, width, height, depth;
    const DdsLevel* stored;  // the file's own level when it has this size
};

class ChainFill {
public:
    ChainFill(LevelTarget& target, const ChainTarget& dst, const ChainSource& src, DWORD filter, DWORD mipFilter,
        D3DCOLOR colorKey)
        : target_(target), dst_(dst), src_(src), filter_(filter), mipFilter_(mipFilter), colorKey_(colorKey) {}

    HRESULT run() {
        for (UINT level = 0; level < dst_.levels; ++level) {
            const LevelShape at = shape(level);
            const LevelFill how = choose(at);
            if (how == LevelFill::Stop) break;
            const HRESULT hr = fill(how, at);
            if (FAILED(hr)) return hr;
        }
        return D3D_OK;
    }

private:
    LevelTarget& target_;
    const ChainTarget& dst_;
    const ChainSource& src_;
    const DWORD filter_, mipFilter_;
    const D3DCOLOR colorKey_;
    std::vector<FloatImage> above_;  // the level written last, as floats (empty when copied raw)
    const DdsLevel* aboveStored_ = nullptr;
    bool aboveIsNext_ = false;  // `above_` already holds the next level

    DWORD mipKind() const { return mipFilter_ & 0xFF; }
    bool halving() const { return dst_.levels > 1 && mipKind() != D3DX_FILTER_NONE && mipKind() != D3DX_FILTER_POINT; }

    LevelShape shape(UINT level) const {
        LevelShape at{level, mipSize(dst_.width, level), mipSize(dst_.height, level), mipSize(dst_.depth, level),
            src_.dds ? src_.dds->find(src_.face, level) : nullptr};
        if (at.stored && (at.stored->width != at.width || at.stored->height != at.height || at.stored->depth != at.depth))
            at.stored = nullptr;
        return at;
    }

    // The decoded file is written a row at a time only where no other filter must see it whole.
    bool rowsFromImage(const LevelShape& at) const {
        const bool wholeImage = at.level == 0 && src_.image && at.depth == 1 && at.width == src_.image->width &&
                                at.height == src_.image->height;
        return wholeImage && (halving() || dst_.levels == 1 || mipKind() == D3DX_FILTER_NONE);
    }

    LevelFill choose(const LevelShape& at) const {
        if (rowsFromImage(at)) return LevelFill::ImageRows;
        if (aboveIsNext_) return LevelFill::Pending;
        if (at.stored && src_.dds->format == dst_.format && colorKey_ == 0) return LevelFill::CopyStored;
        if (at.stored || at.level == 0) return LevelFill::FromSource;
        if (mipKind() == D3DX_FILTER_NONE) return LevelFill::Stop;
        return LevelFill::FromAbove;
    }

    HRESULT fill(LevelFill how, const LevelShape& at) {
        switch (how) {
        case LevelFill::ImageRows: return fromImageRows();
        case LevelFill::Pending: return fromPending(at);
        case LevelFill::CopyStored: return copyLevel(at);
        case LevelFill::FromSource: return fromSource(at);
        case LevelFill::FromAbove: return fromAbove(at);
        case LevelFill::Stop: break;
        }
        return D3D_OK;
    }

    HRESULT fromImageRows() {
        const bool next = halving();
        const HRESULT hr = writeImageRows(target_, dst_.format, *src_.image, colorKey_, next ? &above_ : nullptr);
        aboveIsNext_ = next;
        return hr;
    }

    HRESULT fromPending(const LevelShape& at) {
        const HRESULT hr = writeSlices(target_, at.level, dst_.format, above_);
        aboveIsNext_ = false;
        return hr;
    }

    HRESULT copyLevel(const LevelShape& at) {
        const HRESULT hr = copyStored(target_, at.level, dst_.format, src_.file, *at.stored);
        above_.clear();
        aboveStored_ = at.stored;
        return hr;
    }

    HRESULT fromSource(const LevelShape& at) {
        std::vector<FloatImage> slices;
        if (src_.dds) {
            const DdsLevel* top = src_.dds->find(src_.face, 0);
            if (!top) return D3DXERR_INVALIDDATA;
            slices = decodeStored(src_.file, src_.dds->format, at.stored ? *at.stored : *top);
        } else if (src_.image) {
            slices.push_back(src_.image->toFloat());
        }
        if (slices.empty()) return D3DXERR_INVALIDDATA;
        for (FloatImage& s : slices) applyColorKey(s, colorKey_);
        above_ = scaleSlices(slices, at.width, at.height, at.depth, filter_);
        return writeSlices(target_, at.level, dst_.format, above_);
    }

    HRESULT fromAbove(const LevelShape& at) {
        if (above_.empty() && aboveStored_) above_ = decodeStored(src_.file, src_.dds->format, *aboveStored_);
        if (above_.empty()) return D3DXERR_INVALIDDATA;
        above_ = nextLevel(above_, at.width, at.height, at.depth, mipFilter_);
        return writeSlices(target_, at.level, dst_.format, above_);
    }
};

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
    return ChainFill(target, dst, src, filter, mipFilter, colorKey).run();
}

}  // namespace d3dxtex
