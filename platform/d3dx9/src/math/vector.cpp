#include <d3dx9math.h>

#include <cmath>

#include "mathutil.h"

float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
float D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
float D3DXVec2Dot(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) { return v1->x * v2->x + v1->y * v2->y; }
float D3DXVec2CCW(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) { return v1->x * v2->y - v1->y * v2->x; }

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(v1->x + v2->x, v1->y + v2->y);
    return out;
}

D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(v1->x - v2->x, v1->y - v2->y);
    return out;
}

D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2) {
    *out = D3DXVECTOR2(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, float s) {
    *out = D3DXVECTOR2(v->x * s, v->y * s);
    return out;
}

D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, float s) {
    *out = D3DXVECTOR2(v1->x + s * (v2->x - v1->x), v1->y + s * (v2->y - v1->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
    float scale = d3dxmath::inverseLength(D3DXVec2LengthSq(v));
    *out = D3DXVECTOR2(v->x * scale, v->y * scale);
    return out;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    *out = d3dxmath::transform(v->x, v->y, 0.0f, 1.0f, *m);
    return out;
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = d3dxmath::transform(v->x, v->y, 0.0f, 1.0f, *m);
    *out = D3DXVECTOR2(r.x / r.w, r.y / r.w);
    return out;
}

D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = d3dxmath::transform(v->x, v->y, 0.0f, 0.0f, *m);
    *out = D3DXVECTOR2(r.x, r.y);
    return out;
}

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
float D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(v1->y * v2->z - v1->z * v2->y, v1->z * v2->x - v1->x * v2->z, v1->x * v2->y - v1->y * v2->x);
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(v1->x + v2->x, v1->y + v2->y, v1->z + v2->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(v1->x - v2->x, v1->y - v2->y, v1->z - v2->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y), std::fmin(v1->z, v2->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
    *out = D3DXVECTOR3(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y), std::fmax(v1->z, v2->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
    *out = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, float s) {
    *out = D3DXVECTOR3(v1->x + s * (v2->x - v1->x), v1->y + s * (v2->y - v1->y), v1->z + s * (v2->z - v1->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float scale = d3dxmath::inverseLength(D3DXVec3LengthSq(v));
    *out = D3DXVECTOR3(v->x * scale, v->y * scale, v->z * scale);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    *out = d3dxmath::transform(v->x, v->y, v->z, 1.0f, *m);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = d3dxmath::transform(v->x, v->y, v->z, 1.0f, *m);
    *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = d3dxmath::transform(v->x, v->y, v->z, 0.0f, *m);
    *out = D3DXVECTOR3(r.x, r.y, r.z);
    return out;
}

float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4LengthSq(v)); }
float D3DXVec4LengthSq(const D3DXVECTOR4* v) { return D3DXVec4Dot(v, v); }
float D3DXVec4Dot(const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z + v1->w * v2->w;
}

D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = *v1 + *v2;
    return out;
}

D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = *v1 - *v2;
    return out;
}

D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = D3DXVECTOR4(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y), std::fmin(v1->z, v2->z),
                       std::fmin(v1->w, v2->w));
    return out;
}

D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2) {
    *out = D3DXVECTOR4(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y), std::fmax(v1->z, v2->z),
                       std::fmax(v1->w, v2->w));
    return out;
}

D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, float s) {
    *out = *v * s;
    return out;
}

D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, float s) {
    *out = *v1 + (*v2 - *v1) * s;
    return out;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    *out = *v * d3dxmath::inverseLength(D3DXVec4LengthSq(v));
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    *out = d3dxmath::transform(v->x, v->y, v->z, v->w, *m);
    return out;
}
