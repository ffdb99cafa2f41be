#pragma once
// Axis-aligned boxes and spheres that bound geometry.

#include <d3dx9math.h>
#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API AxisAlignedBoundingBox {
public:
    AxisAlignedBoundingBox() : min(0, 0, 0), max(0, 0, 0) {}

    void begin(const D3DXVECTOR3& minCorner, const D3DXVECTOR3& maxCorner);
    void expand(const D3DXVECTOR3& point);
    void expand(const AxisAlignedBoundingBox& box);
    void end() {}
    // x varies fastest, then y, then z: out[0] is (min, min, min), out[7] is (max, max, max).
    void getCorners(D3DXVECTOR3 out[8]) const;
    // The bounds of the eight transformed corners.
    void transform(const D3DXMATRIX& matrix);

    D3DXVECTOR3 min;
    D3DXVECTOR3 max;
};

class TORMAKELIN_CORE_API BoundingSphere {
public:
    BoundingSphere() = default;

    void setPosition(const D3DXVECTOR3& p) { position = p; }
    void setRadius(float r) { radius = r; }

    D3DXVECTOR3 position;
    float radius;
};

}  // namespace tormakelin::core
