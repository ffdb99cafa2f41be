#pragma once
// DDS files: the header checked against the data, and where each face, level and slice lies.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3d9.h"

namespace d3dxtex {

// One stored image: a level of a face (2-D and cube) or a whole level with its slices (volume).
struct DdsLevel {
    UINT face = 0, level = 0;
    UINT width = 0, height = 0, depth = 1;
    size_t offset = 0;      // from the start of the file
    size_t rowPitch = 0;    // bytes per storage row (a row of blocks for DXT)
    size_t slicePitch = 0;  // bytes per slice
};

struct DdsFile {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
    UINT width = 0, height = 0, depth = 1, levels = 1;
    UINT faceMask = 0;  // cube faces present, bit i for face i
    std::vector<DdsLevel> images;

    const DdsLevel* find(UINT face, UINT level) const;
};

// Largest side a file may claim; larger headers are refused before anything is allocated.
constexpr UINT kMaxDdsSide = 16384;
constexpr UINT kMaxDdsDepth = 2048;

bool looksLikeDds(const void* data, size_t size);
// False for a bad magic or header, an unknown pixel format or data shorter than the header says.
bool readDds(const void* data, size_t size, DdsFile& file);

}  // namespace d3dxtex
