#pragma once
// Filling the levels of a texture from a decoded image or from the levels a DDS file stores.
#include <vector>

#include "DdsFile.h"
#include "ImageFile.h"
#include "PixelFormat.h"

namespace d3dxtex {

// One lockable face of a texture (a 2-D texture, a cube face or a volume).
class LevelTarget {
public:
    virtual ~LevelTarget() = default;
    // Locks the whole level; RowPitch is per storage row, SlicePitch per slice (0 for 2-D).
    virtual HRESULT lock(UINT level, D3DLOCKED_BOX& box) = 0;
    virtual HRESULT unlock(UINT level) = 0;
};

// Where the pixels come from: the stored levels of one face of a DDS file, or a decoded file.
struct ChainSource {
    const uint8_t* file = nullptr;
    const DdsFile* dds = nullptr;
    UINT face = 0;
    const Rgba8Image* image = nullptr;  // the top level when there is no DDS file
};

struct ChainTarget {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0, height = 0, depth = 1, levels = 1;
};

// Writes every level: stored levels of the right size are copied (converted when the format
// differs); the top level is otherwise scaled with `filter`; the others are made from the level
// above with `mipFilter` (not at all with D3DX_FILTER_NONE). A non-zero colour key turns
// matching source pixels transparent black.
HRESULT fillChain(LevelTarget& target, const ChainTarget& dst, const ChainSource& src, DWORD filter,
    DWORD mipFilter, D3DCOLOR colorKey);

// Replaces pixels equal to the key (compared as 8-bit A8R8G8B8) with transparent black.
void applyColorKey(FloatImage& image, D3DCOLOR colorKey);
// The slices of a stored DDS level as float images.
std::vector<FloatImage> decodeStored(const uint8_t* file, D3DFORMAT format, const DdsLevel& level);

}  // namespace d3dxtex
