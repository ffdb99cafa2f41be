#pragma once
// Scaling and mip levels of float images.
#include "PixelFormat.h"

namespace d3dxtex {

// Scales to width x height. Point sampling for D3DX_FILTER_NONE and _POINT, bilinear for _LINEAR,
// otherwise (box, triangle, default) an area average when shrinking and bilinear when growing.
FloatImage resample(const FloatImage& src, UINT width, UINT height, DWORD filter);
// The next mip level: half the size (at least 1), each texel the mean of the 2 x 2 below it.
FloatImage halve(const FloatImage& src);
// The next level of a volume: slices halved and each pair of slices averaged.
std::vector<FloatImage> halveVolume(const std::vector<FloatImage>& slices);
// The number of levels of a full mip chain down to 1 x 1 x 1.
UINT fullChainLevels(UINT width, UINT height, UINT depth = 1);
// The levels to make when `asked` are asked of a chain of `full`: 0, D3DX_DEFAULT and more than
// `full` make the full chain; with automatic mips the device owns all but the top level.
UINT chainLevels(UINT asked, UINT full, DWORD usage);

}  // namespace d3dxtex
