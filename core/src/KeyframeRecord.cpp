#include "KeyframeTrack.h"

#include <tormakelin/core/HalfFloat.h>
#include <tormakelin/core/Serializer.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace tormakelin::core {

namespace {

constexpr uint32_t RecordVersion = 1001;

// Floats as halves or as full floats, by the record's flag.
class FloatCodec {
public:
    FloatCodec(ISerializer* serializer, bool halves) : m_serializer(serializer), m_halves(halves) {}

    bool value(float& f) {
        if (!m_halves) {
            return serializeValue(m_serializer, f);
        }
        uint16_t h = m_serializer->isStoring() ? convertFloatToHalf(f) : 0;
        if (!serializeValue(m_serializer, h)) {
            return false;
        }
        f = convertHalfToFloat(h);
        return true;
    }

    bool values(float* f, unsigned int count) {
        for (unsigned int i = 0; i < count; ++i) {
            if (!value(f[i])) {
                return false;
            }
        }
        return true;
    }

private:
    ISerializer* m_serializer;
    bool m_halves;
};

// One key record, either direction. When storing, the floats are written as halves but the
// key itself is left as it was.
bool serializeKey(ISerializer* serializer, FloatCodec& codec, Key& key, unsigned int dimension, bool quaternion) {
    if (!serializeValue(serializer, key.time) || !serializeValue(serializer, key.kind)) {
        return false;
    }
    std::vector<float> scratch;
    float* values = key.values;
    if (serializer->isStoring()) {
        scratch.assign(key.values, key.values + dimension);
        values = scratch.data();
    }
    if (!codec.values(values, dimension)) {
        return false;
    }
    if (key.kind == KeyTcb) {
        float tcb[3] = {key.tension, key.continuity, key.bias};
        if (!codec.values(tcb, 3)) {
            return false;
        }
        if (!serializer->isStoring()) {
            key.tension = tcb[0];
            key.continuity = tcb[1];
            key.bias = tcb[2];
        }
    }
    if (quaternion) {
        float easing[2] = {key.easeTo, key.easeFrom};
        if (!codec.values(easing, 2) || !serializeValue(serializer, key.turns)) {
            return false;
        }
        if (!serializer->isStoring()) {
            key.easeTo = easing[0];
            key.easeFrom = easing[1];
        }
    }
    return true;
}

}  // namespace

bool Keyframe::serialize(ISerializer* serializer) {
    if (!serializer) {
        return false;
    }
    return serializer->isStoring() ? store(serializer) : load(serializer);
}

bool Keyframe::store(ISerializer* serializer) {
    uint32_t header[7] = {RecordVersion, 1, m_dimension, m_quaternion ? 1u : 0u, static_cast<uint32_t>(m_pre),
                          static_cast<uint32_t>(m_post), static_cast<uint32_t>(m_keys.size())};
    for (uint32_t& field : header) {
        if (!serializeValue(serializer, field)) {
            return false;
        }
    }
    FloatCodec codec(serializer, true);
    for (Key* key : m_keys) {
        if (!serializeKey(serializer, codec, *key, m_dimension, m_quaternion)) {
            return false;
        }
    }
    return true;
}

bool Keyframe::load(ISerializer* serializer) {
    uint32_t version = 0, halfFlag = 0, dimension = 0, quaternion = 0, keyCount = 0;
    int32_t pre = 0, post = 0;
    if (!serializeValue(serializer, version) || !serializeValue(serializer, halfFlag) ||
        !serializeValue(serializer, dimension) || !serializeValue(serializer, quaternion) ||
        !serializeValue(serializer, pre) || !serializeValue(serializer, post) ||
        !serializeValue(serializer, keyCount)) {
        return false;
    }
    if (dimension == 0 || dimension > kMaxKeyframeDimension || quaternion > 1 || (quaternion && dimension != 4)) {
        return false;
    }
    // Built aside, so that a short record leaves this track as it was. Keys are read one by
    // one: a count beyond the bytes that remain fails at the first short read.
    auto loaded = std::make_unique<Keyframe>();
    loaded->create(dimension, quaternion != 0);
    FloatCodec codec(serializer, halfFlag != 0);
    for (uint32_t i = 0; i < keyCount; ++i) {
        std::unique_ptr<Key> key(loaded->createKey());
        if (!serializeKey(serializer, codec, *key, dimension, quaternion != 0)) {
            return false;
        }
        loaded->m_keys.push_back(key.release());
    }
    loaded->sort();
    clearKeys();
    m_dimension = loaded->m_dimension;
    m_quaternion = loaded->m_quaternion;
    m_result = loaded->m_result;
    m_keys.swap(loaded->m_keys);
    m_pre = static_cast<KeyframeOOR>(pre);
    m_post = static_cast<KeyframeOOR>(post);
    // The record holds no control quaternions.
    if (m_quaternion) {
        KeyframeUtil::computeQuaternionControls(this);
    }
    return true;
}

}  // namespace tormakelin::core
