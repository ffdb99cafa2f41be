#pragma once
// Rays for picking against planes and boxes.

#include <d3dx9math.h>
#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API Ray {
public:
    Ray() : origin(0, 0, 0), direction(0, 0, 0) {}
    Ray(const Ray&) = default;
    Ray(const D3DXVECTOR3& o, const D3DXVECTOR3& d) : origin(o), direction(d) {}
    Ray& operator=(const Ray&) = default;

    void set(const D3DXVECTOR3& o, const D3DXVECTOR3& d) {
        origin = o;
        direction = d;
    }

    // t receives the ray parameter of the hit; false when parallel or behind the origin.
    bool intersects(const D3DXPLANE& plane, float& t) const;

    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
};

TORMAKELIN_CORE_API bool intersect(const Ray& ray, const AxisAlignedBoundingBox& box);

}  // namespace tormakelin::core
