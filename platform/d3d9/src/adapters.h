#pragma once
// The adapters the Direct3D object reports: injected by tests, or read once from SDL and GL.

#include <vector>

#include "d3d9sim.h"

namespace d3d9gl {

// The current adapter list (never empty).
std::vector<D3DSimAdapter> currentAdapters();
// Caps our GL device gives, with the adapter ordinal and device type filled in by the caller.
D3DCAPS9 defaultCaps();

}  // namespace d3d9gl
