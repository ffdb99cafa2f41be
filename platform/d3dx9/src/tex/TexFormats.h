#pragma once
// Which format and size a texture ends up with on the device.
#include "d3d9.h"

namespace d3dxtex {

UINT nextPowerOfTwo(UINT value);
// The format itself when the device takes it, else the nearest one it takes (more bits and
// channels, never fewer), else D3DFMT_UNKNOWN.
D3DFORMAT supportedFormat(IDirect3DDevice9* device, D3DFORMAT format, DWORD usage, D3DRESOURCETYPE type);

}  // namespace d3dxtex
