#include "KeyframeTrack.h"

#include <d3dx9math.h>

#include <algorithm>
#include <cmath>

namespace tormakelin::core {

namespace {

constexpr float TwoPi = 6.28318530718f;

D3DXQUATERNION quaternionOf(const float* v) { return D3DXQUATERNION(v[0], v[1], v[2], v[3]); }

// Time adjustment of a tangent: span over the two neighbouring spans.
float spanRatio(float span, float total) { return total > 0 ? span / total : 0.5f; }

// The eased segment fraction of a rotation segment.
float ease(float w, float easeFrom, float easeTo) {
    if (w == 0.0f || w == 1.0f) {
        return w;
    }
    float e1 = easeFrom, e2 = easeTo, sum = e1 + e2;
    if (sum > 1.0f) {
        e1 /= sum;
        e2 /= sum;
        sum = 1.0f;
    }
    if (sum == 0.0f) {
        return w;
    }
    float f = 1.0f / (2.0f - e1 - e2);
    if (w < e1) {
        return f / e1 * w * w;
    }
    if (w < 1.0f - e2 || e2 <= 0.0f) {
        return (2.0f * w - e1) * f;
    }
    return 1.0f - f / e2 * (1.0f - w) * (1.0f - w);
}

}  // namespace

float* Keyframe::eval(float time) {
    if (m_dimension == 0) {
        return nullptr;
    }
    float* result = m_result.data();
    if (m_keys.empty()) {
        std::fill(m_result.begin(), m_result.end(), 0.0f);
        if (m_quaternion) {
            result[3] = 1.0f;
        }
        return result;
    }
    if (m_keys.size() == 1) {
        std::copy(m_keys[0]->values, m_keys[0]->values + m_dimension, result);
        return result;
    }
    float start = getStartTime(), end = getEndTime();
    if ((time < start && m_pre == KeyframeHold) || (time >= end && m_post == KeyframeHold)) {
        const Key* key = time < start ? m_keys.front() : m_keys.back();
        std::copy(key->values, key->values + m_dimension, result);
        return result;
    }
    float t = rangeTime(time);
    if (m_quaternion) {
        evalQuaternion(t);
    } else {
        evalScalar(t);
    }
    return result;
}

float Keyframe::rangeTime(float time) const {
    float start = startTime(), end = endTime(), length = end - start;
    float t = time;
    KeyframeOOR behavior = time < start ? m_pre : (time >= end ? m_post : KeyframeClamp);
    if (behavior == KeyframeCycle || behavior == KeyframePingPong) {
        if (!(length > 0) || !std::isfinite(time)) {
            t = start;
        } else {
            double k = std::floor((static_cast<double>(time) - start) / length);
            t = static_cast<float>(time - k * length);
            if (behavior == KeyframePingPong && std::fmod(std::fabs(k), 2.0) == 1.0) {
                t = start + end - t;
            }
        }
    }
    if (!(t >= start)) {  // also catches NaN
        t = start;
    }
    return std::min(t, end);
}

namespace {

// A key stores tangents for four channels; those past them have none.
float storedTangent(const float (&controls)[4], unsigned int c) { return c < 4 ? controls[c] : 0.0f; }

}  // namespace

size_t Keyframe::segmentAt(float time) const {
    auto after = std::upper_bound(m_keys.begin(), m_keys.end(), time,
                                  [](float t, const Key* key) { return t < key->time; });
    size_t index = after == m_keys.begin() ? 0 : static_cast<size_t>(after - m_keys.begin()) - 1;
    // The last key starts no segment: its time ends the last one.
    return std::min(index, m_keys.size() - 2);
}

float Keyframe::outgoingTangent(size_t i, unsigned int c) const {
    const Key* key = m_keys[i];
    const Key* next = m_keys[i + 1];
    const Key* prev = i > 0 ? m_keys[i - 1] : nullptr;
    float p = key->values[c], pNext = next->values[c];
    switch (key->kind) {
    case KeyTcb: {
        float out = (1 - key->tension) * (1 - key->continuity) * (1 - key->bias) * (pNext - p);
        if (!prev) {
            return out;
        }
        float in = (1 - key->tension) * (1 + key->continuity) * (1 + key->bias) * (p - prev->values[c]);
        return (in + out) * spanRatio(next->time - key->time, next->time - prev->time);
    }
    case KeyLinear:
        if (!prev) {
            return pNext - p;
        }
        return (pNext - prev->values[c]) * spanRatio(next->time - key->time, next->time - prev->time);
    case KeyHermite: return storedTangent(key->outControl, c);
    default: return 0;
    }
}

float Keyframe::incomingTangent(size_t i, unsigned int c) const {
    const Key* key = m_keys[i];
    const Key* prev = m_keys[i - 1];
    const Key* next = i + 1 < m_keys.size() ? m_keys[i + 1] : nullptr;
    float p = key->values[c], pPrev = prev->values[c];
    switch (key->kind) {
    case KeyTcb: {
        float in = (1 - key->tension) * (1 - key->continuity) * (1 + key->bias) * (p - pPrev);
        if (!next) {
            return in;
        }
        float out = (1 - key->tension) * (1 + key->continuity) * (1 - key->bias) * (next->values[c] - p);
        return (in + out) * spanRatio(key->time - prev->time, next->time - prev->time);
    }
    case KeyLinear:
        if (!next) {
            return p - pPrev;
        }
        return (next->values[c] - pPrev) * spanRatio(key->time - prev->time, next->time - prev->time);
    case KeyHermite: return storedTangent(key->inControl, c);
    default: return 0;
    }
}

void Keyframe::evalScalar(float time) {
    size_t i = segmentAt(time);
    const Key* a = m_keys[i];
    const Key* b = m_keys[i + 1];
    float* result = m_result.data();
    float span = b->time - a->time;
    // Keys at one time: the later one holds.
    if (!(span > 0)) {
        std::copy(b->values, b->values + m_dimension, result);
        return;
    }
    float u = std::clamp((time - a->time) / span, 0.0f, 1.0f);
    switch (b->kind) {
    case KeyLinear:
        for (unsigned int c = 0; c < m_dimension; ++c) {
            result[c] = a->values[c] + (b->values[c] - a->values[c]) * u;
        }
        break;
    case KeyStep:
        std::copy(a->values, a->values + m_dimension, result);
        break;
    case KeyTcb:
    case KeyHermite: {
        float u2 = u * u, u3 = u2 * u;
        float h2 = 3 * u2 - 2 * u3, h1 = 1 - h2, h3 = u3 - 2 * u2 + u, h4 = u3 - u2;
        for (unsigned int c = 0; c < m_dimension; ++c) {
            result[c] = h1 * a->values[c] + h2 * b->values[c] + h3 * outgoingTangent(i, c) +
                        h4 * incomingTangent(i + 1, c);
        }
        break;
    }
    default: std::fill(m_result.begin(), m_result.end(), 0.0f);
    }
}

void Keyframe::evalQuaternion(float time) {
    float* result = m_result.data();
    if (time >= getEndTime()) {
        std::copy(m_keys.back()->values, m_keys.back()->values + 4, result);
        return;
    }
    size_t i = segmentAt(time);
    const Key* a = m_keys[i];
    const Key* b = m_keys[i + 1];
    float span = b->time - a->time;
    if (!(span > 0)) {
        std::copy(b->values, b->values + 4, result);
        return;
    }
    float w = ease(std::clamp((time - a->time) / span, 0.0f, 1.0f), a->easeFrom, b->easeTo);
    D3DXQUATERNION qa = quaternionOf(a->values), qb = quaternionOf(b->values), q;
    if (m_keys.front()->kind == KeyLinear) {
        D3DXQuaternionSlerp(&q, &qa, &qb, w);
    } else {
        // The rotation from a toward b: b's relative rotation (b = a then r) by a fraction of
        // its angle, whole turns included. r keeps its sign: its vector part points along the
        // key's axis, so angles past a half turn keep their direction.
        D3DXQUATERNION aInverse, r;
        D3DXQuaternionInverse(&aInverse, &qa);
        D3DXQuaternionMultiply(&r, &aInverse, &qb);
        D3DXQuaternionNormalize(&r, &r);
        D3DXVECTOR3 axis(r.x, r.y, r.z);
        float angle = 2.0f * std::acos(std::clamp(r.w, -1.0f, 1.0f)) + std::fabs(static_cast<float>(b->turns)) * TwoPi;
        D3DXQUATERNION partial, q1;
        if (D3DXVec3LengthSq(&axis) > 0) {
            D3DXQuaternionRotationAxis(&partial, &axis, angle * w);
        } else {
            D3DXQuaternionIdentity(&partial);
        }
        D3DXQuaternionMultiply(&q1, &qa, &partial);
        if (b->turns != 0) {
            // Spinning through whole turns: the axis rotation itself, which the control
            // quaternions (made without turns) would pull toward the short way.
            q = q1;
        } else {
            D3DXQUATERNION c1 = quaternionOf(a->outControl), c2 = quaternionOf(b->inControl), q2;
            D3DXQuaternionSlerp(&q2, &c1, &c2, w);
            D3DXQuaternionSlerp(&q, &q1, &q2, 2.0f * w * (1.0f - w));
        }
    }
    result[0] = q.x;
    result[1] = q.y;
    result[2] = q.z;
    result[3] = q.w;
}

}  // namespace tormakelin::core
