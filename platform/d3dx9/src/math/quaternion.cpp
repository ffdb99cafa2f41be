#include <d3dx9math.h>

#include <cmath>

#include "mathutil.h"

namespace {

// Hamilton product a * b: the rotation b, then a.
D3DXQUATERNION hamilton(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    return D3DXQUATERNION(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
                          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
}

D3DXQUATERNION ln(const D3DXQUATERNION& q) {
    D3DXQUATERNION r;
    D3DXQuaternionLn(&r, &q);
    return r;
}

D3DXQUATERNION exp(const D3DXQUATERNION& q) {
    D3DXQUATERNION r;
    D3DXQuaternionExp(&r, &q);
    return r;
}

D3DXQUATERNION inverse(const D3DXQUATERNION& q) {
    D3DXQUATERNION r;
    D3DXQuaternionInverse(&r, &q);
    return r;
}

// q2 or -q2, whichever lies on q1's side of the sphere.
D3DXQUATERNION nearSide(const D3DXQUATERNION& q1, const D3DXQUATERNION& q2) {
    D3DXQUATERNION sum = q1 + q2, difference = q1 - q2;
    return D3DXQuaternionLengthSq(&sum) < D3DXQuaternionLengthSq(&difference) ? -q2 : q2;
}

// Control point of q between its neighbours, all on one side of the sphere.
D3DXQUATERNION control(const D3DXQUATERNION& previous, const D3DXQUATERNION& q, const D3DXQUATERNION& next) {
    D3DXQUATERNION qInverse = inverse(q);
    D3DXQUATERNION sum = ln(hamilton(qInverse, next)) + ln(hamilton(qInverse, previous));
    return hamilton(q, exp(sum * -0.25f));
}

}  // namespace

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
    *this = hamilton(q, *this);
    return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const { return hamilton(q, *this); }

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0, 0, 0, 1);
    return out;
}

bool D3DXQuaternionIsIdentity(const D3DXQUATERNION* q) { return *q == D3DXQUATERNION(0, 0, 0, 1); }
float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionLengthSq(q)); }
float D3DXQuaternionLengthSq(const D3DXQUATERNION* q) { return D3DXQuaternionDot(q, q); }
float D3DXQuaternionDot(const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    return q1->x * q2->x + q1->y * q2->y + q1->z * q2->z + q1->w * q2->w;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    *out = hamilton(*q2, *q1);
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = *q * d3dxmath::inverseLength(D3DXQuaternionLengthSq(q));
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float lengthSq = D3DXQuaternionLengthSq(q);
    float scale = lengthSq > 0.0f ? 1.0f / lengthSq : 0.0f;
    *out = D3DXQUATERNION(-q->x * scale, -q->y * scale, -q->z * scale, q->w * scale);
    return out;
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float scale = 1.0f;
    if (std::fabs(q->w) < 1.0f) {
        float theta = std::acos(q->w);
        float s = std::sin(theta);
        if (s != 0.0f) {
            scale = theta / s;
        }
    } else {
        scale = 0.0f;
    }
    *out = D3DXQUATERNION(q->x * scale, q->y * scale, q->z * scale, 0.0f);
    return out;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float theta = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    float scale = theta > 0.0f ? std::sin(theta) / theta : 1.0f;
    *out = D3DXQUATERNION(q->x * scale, q->y * scale, q->z * scale, std::cos(theta));
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                    float t) {
    float cosine = D3DXQuaternionDot(q1, q2);
    float sign = 1.0f;
    if (cosine < 0.0f) {
        cosine = -cosine;
        sign = -1.0f;
    }
    float scale1 = 1.0f - t, scale2 = t;
    // Nearly equal rotations: linear blend, sin(theta) would vanish.
    if (1.0f - cosine > 0.001f) {
        float theta = std::acos(cosine);
        float s = std::sin(theta);
        scale1 = std::sin(scale1 * theta) / s;
        scale2 = std::sin(scale2 * theta) / s;
    }
    *out = *q1 * scale1 + *q2 * (scale2 * sign);
    return out;
}

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, const D3DXQUATERNION* c, float t) {
    D3DXQUATERNION outer, inner;
    D3DXQuaternionSlerp(&outer, q1, c, t);
    D3DXQuaternionSlerp(&inner, a, b, t);
    return D3DXQuaternionSlerp(out, &outer, &inner, 2.0f * t * (1.0f - t));
}

void D3DXQuaternionSquadSetup(D3DXQUATERNION* outA, D3DXQUATERNION* outB, D3DXQUATERNION* outC,
                              const D3DXQUATERNION* q0, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                              const D3DXQUATERNION* q3) {
    D3DXQUATERNION p1 = *q1;
    D3DXQUATERNION p0 = nearSide(p1, *q0);
    D3DXQUATERNION p2 = nearSide(p1, *q2);
    D3DXQUATERNION p3 = nearSide(p2, *q3);
    *outA = control(p0, p1, p2);
    *outB = control(p1, p2, p3);
    *outC = p2;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    float s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle * 0.5f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
    float trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;
        q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
    } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
        float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        q = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
    } else if (m->_22 >= m->_33) {
        float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        q = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    } else {
        float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
    }
    *out = q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
    D3DXQUATERNION qYaw(0, std::sin(yaw * 0.5f), 0, std::cos(yaw * 0.5f));
    D3DXQUATERNION qPitch(std::sin(pitch * 0.5f), 0, 0, std::cos(pitch * 0.5f));
    D3DXQUATERNION qRoll(0, 0, std::sin(roll * 0.5f), std::cos(roll * 0.5f));
    // Roll first, then pitch, then yaw, as the matrix form.
    *out = hamilton(qYaw, hamilton(qPitch, qRoll));
    return out;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle) {
    if (axis) {
        *axis = D3DXVECTOR3(q->x, q->y, q->z);
    }
    if (angle) {
        *angle = 2.0f * std::acos(std::fmax(-1.0f, std::fmin(1.0f, q->w)));
    }
}
