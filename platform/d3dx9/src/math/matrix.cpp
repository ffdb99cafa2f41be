#include <d3dx9math.h>

#include <cmath>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "mathutil.h"

namespace {

// Row i of the product is the rows of b weighted by row i of a. The four lanes add in the same
// order as the plain sum, so both give the same bits; scenes multiply matrices for every draw.
D3DXMATRIX product(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX r;
#if defined(__SSE__)
    const __m128 b0 = _mm_loadu_ps(b.m[0]), b1 = _mm_loadu_ps(b.m[1]);
    const __m128 b2 = _mm_loadu_ps(b.m[2]), b3 = _mm_loadu_ps(b.m[3]);
    for (int i = 0; i < 4; ++i) {
        __m128 row = _mm_mul_ps(_mm_set1_ps(a.m[i][0]), b0);
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a.m[i][1]), b1));
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a.m[i][2]), b2));
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a.m[i][3]), b3));
        _mm_storeu_ps(r.m[i], row);
    }
#else
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
#endif
    return r;
}

D3DXMATRIX identity() {
    D3DXMATRIX r;
    D3DXMatrixIdentity(&r);
    return r;
}

D3DXMATRIX translation(const D3DXVECTOR3& v) {
    D3DXMATRIX r;
    D3DXMatrixTranslation(&r, v.x, v.y, v.z);
    return r;
}

D3DXMATRIX rotation(const D3DXQUATERNION& q) {
    D3DXMATRIX r;
    D3DXMatrixRotationQuaternion(&r, &q);
    return r;
}

}  // namespace

D3DXMATRIX::D3DXMATRIX(const float* f) {
    for (int i = 0; i < 16; ++i) {
        m[i / 4][i % 4] = f[i];
    }
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
    *this = product(*this, mat);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
    for (int i = 0; i < 16; ++i) {
        m[i / 4][i % 4] += mat.m[i / 4][i % 4];
    }
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
    for (int i = 0; i < 16; ++i) {
        m[i / 4][i % 4] -= mat.m[i / 4][i % 4];
    }
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
    for (int i = 0; i < 16; ++i) {
        m[i / 4][i % 4] *= f;
    }
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float f) { return *this *= 1.0f / f; }

D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }
D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const { return product(*this, mat); }

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const {
    D3DXMATRIX r(*this);
    return r += mat;
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const {
    D3DXMATRIX r(*this);
    return r -= mat;
}

D3DXMATRIX D3DXMATRIX::operator*(float f) const {
    D3DXMATRIX r(*this);
    return r *= f;
}

D3DXMATRIX D3DXMATRIX::operator/(float f) const {
    D3DXMATRIX r(*this);
    return r /= f;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
    for (int i = 0; i < 16; ++i) {
        if (m[i / 4][i % 4] != mat.m[i / 4][i % 4]) {
            return false;
        }
    }
    return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return *m == identity(); }

namespace {

// Cofactor expansion over 2x2 minors of the upper and lower row pairs.
struct Minors {
    float s[6];
    float c[6];
    explicit Minors(const D3DXMATRIX& a) {
        s[0] = a._11 * a._22 - a._21 * a._12;
        s[1] = a._11 * a._23 - a._21 * a._13;
        s[2] = a._11 * a._24 - a._21 * a._14;
        s[3] = a._12 * a._23 - a._22 * a._13;
        s[4] = a._12 * a._24 - a._22 * a._14;
        s[5] = a._13 * a._24 - a._23 * a._14;
        c[5] = a._33 * a._44 - a._43 * a._34;
        c[4] = a._32 * a._44 - a._42 * a._34;
        c[3] = a._32 * a._43 - a._42 * a._33;
        c[2] = a._31 * a._44 - a._41 * a._34;
        c[1] = a._31 * a._43 - a._41 * a._33;
        c[0] = a._31 * a._42 - a._41 * a._32;
    }
    float determinant() const {
        return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
    }
};

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return Minors(*m).determinant(); }

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    *out = product(*m1, *m2);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMATRIX r = product(*m1, *m2);
    return D3DXMatrixTranspose(out, &r);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = m->m[j][i];
        }
    }
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    const D3DXMATRIX& a = *m;
    Minors k(a);
    float det = k.determinant();
    if (determinant) {
        *determinant = det;
    }
    if (det == 0.0f || !std::isfinite(det)) {
        return nullptr;
    }
    const float* s = k.s;
    const float* c = k.c;
    float inv = 1.0f / det;
    D3DXMATRIX r;
    r._11 = (a._22 * c[5] - a._23 * c[4] + a._24 * c[3]) * inv;
    r._12 = (-a._12 * c[5] + a._13 * c[4] - a._14 * c[3]) * inv;
    r._13 = (a._42 * s[5] - a._43 * s[4] + a._44 * s[3]) * inv;
    r._14 = (-a._32 * s[5] + a._33 * s[4] - a._34 * s[3]) * inv;
    r._21 = (-a._21 * c[5] + a._23 * c[2] - a._24 * c[1]) * inv;
    r._22 = (a._11 * c[5] - a._13 * c[2] + a._14 * c[1]) * inv;
    r._23 = (-a._41 * s[5] + a._43 * s[2] - a._44 * s[1]) * inv;
    r._24 = (a._31 * s[5] - a._33 * s[2] + a._34 * s[1]) * inv;
    r._31 = (a._21 * c[4] - a._22 * c[2] + a._24 * c[0]) * inv;
    r._32 = (-a._11 * c[4] + a._12 * c[2] - a._14 * c[0]) * inv;
    r._33 = (a._41 * s[4] - a._42 * s[2] + a._44 * s[0]) * inv;
    r._34 = (-a._31 * s[4] + a._32 * s[2] - a._34 * s[0]) * inv;
    r._41 = (-a._21 * c[3] + a._22 * c[1] - a._23 * c[0]) * inv;
    r._42 = (a._11 * c[3] - a._12 * c[1] + a._13 * c[0]) * inv;
    r._43 = (-a._41 * s[3] + a._42 * s[1] - a._43 * s[0]) * inv;
    r._44 = (a._31 * s[3] - a._32 * s[1] + a._33 * s[0]) * inv;
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    *out = D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0,
                      t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0,
                      t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                      2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                      2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    *out = rz * rx * ry;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 xaxis, yaxis, zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,
                      xaxis.y, yaxis.y, zaxis.y, 0,
                      xaxis.z, yaxis.z, zaxis.z, 0,
                      -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar) {
    float yScale = 1.0f / std::tan(fovY * 0.5f);
    float xScale = yScale / aspect;
    float q = zFar / (zFar - zNear);
    *out = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zNear * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zNear, float zFar) {
    *out = D3DXMATRIX(2 / width, 0, 0, 0, 0, 2 / height, 0, 0, 0, 0, 1 / (zFar - zNear), 0,
                      0, 0, zNear / (zNear - zFar), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float left, float right, float bottom, float top,
                                       float zNear, float zFar) {
    *out = D3DXMATRIX(2 / (right - left), 0, 0, 0, 0, 2 / (top - bottom), 0, 0, 0, 0, 1 / (zFar - zNear), 0,
                      (left + right) / (left - right), (top + bottom) / (bottom - top), zNear / (zNear - zFar), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation) {
    D3DXMATRIX r = identity();
    if (scaling) {
        D3DXVECTOR3 sc = scalingCenter ? *scalingCenter : D3DXVECTOR3(0, 0, 0);
        D3DXQUATERNION sr = scalingRotation ? *scalingRotation : D3DXQUATERNION(0, 0, 0, 1);
        D3DXQUATERNION srInverse;
        D3DXQuaternionInverse(&srInverse, &sr);
        D3DXMATRIX s;
        D3DXMatrixScaling(&s, scaling->x, scaling->y, scaling->z);
        r = ::translation(-sc) * ::rotation(srInverse) * s * ::rotation(sr) * ::translation(sc);
    }
    if (rotation) {
        D3DXVECTOR3 rc = rotationCenter ? *rotationCenter : D3DXVECTOR3(0, 0, 0);
        r = r * ::translation(-rc) * ::rotation(*rotation) * ::translation(rc);
    }
    if (translation) {
        r = r * ::translation(*translation);
    }
    *out = r;
    return out;
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* outScale, D3DXQUATERNION* outRotation, D3DXVECTOR3* outTranslation,
                            const D3DXMATRIX* m) {
    const HRESULT invalidCall = static_cast<HRESULT>(0x8876086Cu);
    D3DXVECTOR3 rows[3] = {D3DXVECTOR3(m->_11, m->_12, m->_13), D3DXVECTOR3(m->_21, m->_22, m->_23),
                           D3DXVECTOR3(m->_31, m->_32, m->_33)};
    D3DXVECTOR3 scale(D3DXVec3Length(&rows[0]), D3DXVec3Length(&rows[1]), D3DXVec3Length(&rows[2]));
    *outTranslation = D3DXVECTOR3(m->_41, m->_42, m->_43);
    *outScale = scale;
    if (scale.x == 0.0f || scale.y == 0.0f || scale.z == 0.0f) {
        return invalidCall;
    }
    D3DXMATRIX pure(rows[0].x / scale.x, rows[0].y / scale.x, rows[0].z / scale.x, 0,
                    rows[1].x / scale.y, rows[1].y / scale.y, rows[1].z / scale.y, 0,
                    rows[2].x / scale.z, rows[2].y / scale.z, rows[2].z / scale.z, 0,
                    0, 0, 0, 1);
    D3DXQuaternionRotationMatrix(outRotation, &pure);
    return 0;
}
