#include <tormakelin/core/Keyframe.h>

#include <d3dx9math.h>

#include <cmath>

namespace tormakelin::core {

namespace {

constexpr float TwoPi = 6.28318530718f;

D3DXQUATERNION quaternionOf(const float* v) { return D3DXQUATERNION(v[0], v[1], v[2], v[3]); }

void store(float* out, const D3DXQUATERNION& q) {
    out[0] = q.x;
    out[1] = q.y;
    out[2] = q.z;
    out[3] = q.w;
}

// Hamilton products, written out so the order reads as in the formulas: a * b.
D3DXQUATERNION times(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    D3DXQUATERNION r;
    return *D3DXQuaternionMultiply(&r, &b, &a);
}

D3DXQUATERNION inverse(const D3DXQUATERNION& q) {
    D3DXQUATERNION r;
    return *D3DXQuaternionInverse(&r, &q);
}

// log(from^-1 * to), the short way round.
D3DXQUATERNION logTo(const D3DXQUATERNION& from, const D3DXQUATERNION& to) {
    D3DXQUATERNION r = times(inverse(from), to), l;
    D3DXQuaternionNormalize(&r, &r);
    if (r.w < 0) {
        r = -r;
    }
    return *D3DXQuaternionLn(&l, &r);
}

D3DXQUATERNION exponential(const D3DXQUATERNION& q) {
    D3DXQUATERNION r;
    return *D3DXQuaternionExp(&r, &q);
}

float spanRatio(float span, float total) { return total > 0 ? span / total : 0.5f; }

}  // namespace

IKeyframe* KeyframeUtil::simplify(IKeyframe* track, const SimplifyParams& params) {
    if (!track) {
        return nullptr;
    }
    IKeyframe* result = track->clone();
    std::vector<Key*>& keys = result->getKeys();
    unsigned int dimension = result->getDimension();
    for (size_t i = 1; keys.size() >= 3 && i + 1 < keys.size();) {
        const Key* before = keys[i - 1];
        const Key* key = keys[i];
        const Key* after = keys[i + 1];
        float span = after->time - before->time;
        float u = span > 0 ? (key->time - before->time) / span : 0.0f;
        bool redundant = true;
        for (unsigned int c = 0; c < dimension && redundant; ++c) {
            float line = before->values[c] + (after->values[c] - before->values[c]) * u;
            redundant = std::fabs(key->values[c] - line) <= params.tolerance;
        }
        if (redundant) {
            result->removeKey(keys[i], true);
        } else {
            ++i;
        }
    }
    return result;
}

void KeyframeUtil::convertKeysFromAxisAngleToQuaternion(IKeyframe* track) {
    if (!track || !track->isQuaternion()) {
        return;
    }
    D3DXQUATERNION previous(0, 0, 0, 1);
    bool first = true;
    for (Key* key : track->getKeys()) {
        float* v = key->values;
        if (v[3] < 0) {
            for (int c = 0; c < 4; ++c) {
                v[c] = -v[c];
            }
        }
        float angle = v[3];
        if (!first) {
            float turns = std::floor(angle / TwoPi);
            key->turns = static_cast<int32_t>(std::fmax(std::fmin(turns, 2147483520.0f), -2147483520.0f));
            angle -= turns * TwoPi;
        }
        D3DXVECTOR3 axis(v[0], v[1], v[2]);
        D3DXQUATERNION rotation(0, 0, 0, 1);
        // A zero axis turns about nothing.
        if (D3DXVec3LengthSq(&axis) > 0) {
            D3DXQuaternionRotationAxis(&rotation, &axis, angle);
        }
        D3DXQUATERNION absolute;
        if (first) {
            absolute = rotation;
        } else {
            D3DXQuaternionMultiply(&absolute, &previous, &rotation);
        }
        store(v, absolute);
        previous = absolute;
        first = false;
    }
    computeQuaternionControls(track);
}

void KeyframeUtil::computeQuaternionControls(IKeyframe* track) {
    if (!track || !track->isQuaternion()) {
        return;
    }
    std::vector<Key*>& keys = track->getKeys();
    for (size_t i = 0; i < keys.size(); ++i) {
        Key* key = keys[i];
        D3DXQUATERNION q = quaternionOf(key->values);
        D3DXQuaternionNormalize(&q, &q);
        const Key* prev = i > 0 ? keys[i - 1] : nullptr;
        const Key* next = i + 1 < keys.size() ? keys[i + 1] : nullptr;
        // Log-space steps to the neighbours, g1 back to the previous key, g2 on to the next.
        D3DXQUATERNION zero(0, 0, 0, 0);
        D3DXQUATERNION g1 = prev ? logTo(q, quaternionOf(prev->values)) : zero;
        D3DXQUATERNION g2 = next ? logTo(q, quaternionOf(next->values)) : zero;
        if (!prev) {
            g1 = -g2;
        }
        if (!next) {
            g2 = -g1;
        }
        float t = key->tension, c = key->continuity, b = key->bias;
        D3DXQUATERNION back = -g1;
        D3DXQUATERNION outgoing = back * ((1 - t) * (1 + c) * (1 + b)) + g2 * ((1 - t) * (1 - c) * (1 - b));
        D3DXQUATERNION incoming = back * ((1 - t) * (1 - c) * (1 + b)) + g2 * ((1 - t) * (1 + c) * (1 - b));
        if (prev && next) {
            float total = next->time - prev->time;
            outgoing *= spanRatio(next->time - key->time, total);
            incoming *= spanRatio(key->time - prev->time, total);
        } else {
            // An end key has one side only: the tangent is that step, halved as the two-sided
            // form averages two steps.
            outgoing *= 0.5f;
            incoming *= 0.5f;
        }
        // Squad controls: q exp((TS - g2) / 2) after the key, q exp(-(TD + g1) / 2) before it.
        store(key->outControl, times(q, exponential((outgoing - g2) * 0.5f)));
        store(key->inControl, times(q, exponential((incoming + g1) * -0.5f)));
    }
}

}  // namespace tormakelin::core
