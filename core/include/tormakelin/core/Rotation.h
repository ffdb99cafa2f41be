#pragma once
// Euler angles (radians, x y z) to and from rotation quaternions.

#include <d3dx9math.h>
#include <tormakelin/core/Export.h>

namespace tormakelin::core {

TORMAKELIN_CORE_API D3DXQUATERNION eulerToQuaternion(const D3DXVECTOR3& angles);
TORMAKELIN_CORE_API D3DXVECTOR3 quaternionToEuler(const D3DXQUATERNION& rotation);

}  // namespace tormakelin::core
