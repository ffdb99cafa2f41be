#include <tormakelin/core/Rotation.h>

#include <algorithm>
#include <cmath>

namespace tormakelin::core {

D3DXQUATERNION eulerToQuaternion(const D3DXVECTOR3& angles) {
    float sx = std::sin(angles.x * 0.5f), cx = std::cos(angles.x * 0.5f);
    float sy = std::sin(angles.y * 0.5f), cy = std::cos(angles.y * 0.5f);
    float sz = std::sin(angles.z * 0.5f), cz = std::cos(angles.z * 0.5f);
    return D3DXQUATERNION(sz * cy * sx + cz * sy * cx, cz * cy * sx - sz * sy * cx, sz * cy * cx - cz * sy * sx,
                          sz * sy * sx + cz * cy * cx);
}

D3DXVECTOR3 quaternionToEuler(const D3DXQUATERNION& rotation) {
    D3DXQUATERNION q;
    D3DXQuaternionNormalize(&q, &rotation);
    float test = q.z * q.w + q.x * q.y;
    D3DXVECTOR3 angles;
    angles.x = std::atan2(2 * (q.w * q.y - q.z * q.x), 1 - 2 * q.y * q.y - 2 * q.z * q.z);
    // Rounding can push the sine past 1 near the poles.
    angles.z = std::asin(std::clamp(2 * test, -1.0f, 1.0f));
    angles.y = std::atan2(2 * (q.w * q.x - q.z * q.y), 1 - 2 * q.x * q.x - 2 * q.z * q.z);
    if (test == 0.5f) {
        angles.x = 2 * std::atan2(q.x, q.w);
        angles.y = 0;
    } else if (test == -0.5f) {
        angles.x = -2 * std::atan2(q.x, q.w);
        angles.y = 0;
    }
    return angles;
}

}  // namespace tormakelin::core
