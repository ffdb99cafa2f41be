#pragma once
// Internal helpers of the math layer.

#include <d3dx9math.h>

#include <cmath>

namespace d3dxmath {

// 1 / sqrt(lengthSq), or 0 for a zero length so that zero vectors stay zero.
inline float inverseLength(float lengthSq) { return lengthSq > 0.0f ? 1.0f / std::sqrt(lengthSq) : 0.0f; }

// The row vector (x, y, z, w) times m.
inline D3DXVECTOR4 transform(float x, float y, float z, float w, const D3DXMATRIX& m) {
    return D3DXVECTOR4(x * m._11 + y * m._21 + z * m._31 + w * m._41, x * m._12 + y * m._22 + z * m._32 + w * m._42,
                       x * m._13 + y * m._23 + z * m._33 + w * m._43, x * m._14 + y * m._24 + z * m._34 + w * m._44);
}

}  // namespace d3dxmath
