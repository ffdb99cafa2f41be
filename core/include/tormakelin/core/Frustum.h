#pragma once
// View frustum planes for culling; the planes face inward.

#include <d3dx9math.h>
#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API Frustum {
public:
    enum PlaneIndex { Left, Right, Top, Bottom, Near, Far, PlaneCount };

    void build(const D3DXMATRIX& view, const D3DXMATRIX& projection, bool normalise);
    bool contains(const D3DXVECTOR3& point) const;
    bool containsSphere(const D3DXVECTOR3& centre, float radius) const;

    D3DXPLANE planes[PlaneCount];
};

}  // namespace tormakelin::core
