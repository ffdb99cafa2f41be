#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/Frustum.h>
#include <tormakelin/core/Ray.h>

#include <cmath>

namespace tormakelin::core {

void AxisAlignedBoundingBox::begin(const D3DXVECTOR3& minCorner, const D3DXVECTOR3& maxCorner) {
    min = minCorner;
    max = maxCorner;
}

void AxisAlignedBoundingBox::expand(const D3DXVECTOR3& point) {
    D3DXVec3Minimize(&min, &min, &point);
    D3DXVec3Maximize(&max, &max, &point);
}

void AxisAlignedBoundingBox::expand(const AxisAlignedBoundingBox& box) {
    D3DXVec3Minimize(&min, &min, &box.min);
    D3DXVec3Maximize(&max, &max, &box.max);
}

void AxisAlignedBoundingBox::getCorners(D3DXVECTOR3 out[8]) const {
    for (int i = 0; i < 8; ++i) {
        out[i] = D3DXVECTOR3(i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z);
    }
}

void AxisAlignedBoundingBox::transform(const D3DXMATRIX& matrix) {
    D3DXVECTOR3 corners[8];
    getCorners(corners);
    const float big = 3.4028235e38f;
    min = D3DXVECTOR3(big, big, big);
    max = D3DXVECTOR3(-big, -big, -big);
    for (D3DXVECTOR3& corner : corners) {
        D3DXVec3TransformCoord(&corner, &corner, &matrix);
        expand(corner);
    }
}

bool Ray::intersects(const D3DXPLANE& plane, float& t) const {
    float d = D3DXPlaneDotNormal(&plane, &direction);
    if (std::fabs(d) < 1.1920929e-7f) {
        return false;
    }
    t = -D3DXPlaneDotCoord(&plane, &origin) / d;
    return t >= 0.0f;
}

bool intersect(const Ray& ray, const AxisAlignedBoundingBox& box) {
    const float* origin = ray.origin;
    const float* direction = ray.direction;
    const float* lo = box.min;
    const float* hi = box.max;
    bool inside = true;
    float t[3] = {-1.0f, -1.0f, -1.0f};
    float face[3] = {0, 0, 0};
    for (int axis = 0; axis < 3; ++axis) {
        if (origin[axis] < lo[axis]) {
            face[axis] = lo[axis];
        } else if (origin[axis] > hi[axis]) {
            face[axis] = hi[axis];
        } else {
            continue;
        }
        inside = false;
        if (direction[axis] != 0.0f) {
            t[axis] = (face[axis] - origin[axis]) / direction[axis];
        }
    }
    if (inside) {
        return true;
    }
    int best = 0;
    for (int axis = 1; axis < 3; ++axis) {
        if (t[axis] > t[best]) {
            best = axis;
        }
    }
    if (t[best] < 0.0f) {
        return false;
    }
    const float epsilon = 1e-6f;
    for (int axis = 0; axis < 3; ++axis) {
        if (axis == best) {
            continue;
        }
        float hit = origin[axis] + t[best] * direction[axis];
        if (hit < lo[axis] - epsilon || hit > hi[axis] + epsilon) {
            return false;
        }
    }
    return true;
}

void Frustum::build(const D3DXMATRIX& view, const D3DXMATRIX& projection, bool normalise) {
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &view, &projection);
    auto column = [&m](int c) { return D3DXPLANE(m.m[0][c], m.m[1][c], m.m[2][c], m.m[3][c]); };
    auto add = [](const D3DXPLANE& a, const D3DXPLANE& b) { return D3DXPLANE(a.a + b.a, a.b + b.b, a.c + b.c, a.d + b.d); };
    auto sub = [](const D3DXPLANE& a, const D3DXPLANE& b) { return D3DXPLANE(a.a - b.a, a.b - b.b, a.c - b.c, a.d - b.d); };
    D3DXPLANE c1 = column(0), c2 = column(1), c3 = column(2), c4 = column(3);
    planes[Left] = add(c4, c1);
    planes[Right] = sub(c4, c1);
    planes[Top] = sub(c4, c2);
    planes[Bottom] = add(c4, c2);
    planes[Near] = c3;
    planes[Far] = sub(c4, c3);
    if (normalise) {
        for (D3DXPLANE& plane : planes) {
            D3DXPlaneNormalize(&plane, &plane);
        }
    }
}

bool Frustum::contains(const D3DXVECTOR3& point) const {
    for (const D3DXPLANE& plane : planes) {
        if (D3DXPlaneDotCoord(&plane, &point) <= 0.0f) {
            return false;
        }
    }
    return true;
}

bool Frustum::containsSphere(const D3DXVECTOR3& centre, float radius) const {
    for (const D3DXPLANE& plane : planes) {
        if (D3DXPlaneDotCoord(&plane, &centre) <= -radius) {
            return false;
        }
    }
    return true;
}

}  // namespace tormakelin::core
