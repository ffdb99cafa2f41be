#include "KeyframeTrack.h"

#include <algorithm>
#include <cstring>

namespace tormakelin::core {

Keyframe::~Keyframe() { clearKeys(); }

void Keyframe::clearKeys() {
    for (Key* key : m_keys) {
        delete key;
    }
    m_keys.clear();
}

bool Keyframe::create(unsigned int dimension, bool quaternion) {
    if (dimension == 0 || dimension > kMaxKeyframeDimension || (quaternion && dimension != 4)) {
        return false;
    }
    clearKeys();
    m_dimension = dimension;
    m_quaternion = quaternion;
    m_result.assign(dimension, 0.0f);
    return true;
}

Key* Keyframe::createKey() {
    Key* key = new Key;
    key->values = new float[m_dimension > 0 ? m_dimension : 1];
    return key;
}

void Keyframe::addKey(Key* key, bool sortNow) {
    if (!key) {
        return;
    }
    m_keys.push_back(key);
    if (sortNow) {
        sort();
    }
}

void Keyframe::removeKey(Key* key, bool sortNow) {
    auto it = std::find(m_keys.begin(), m_keys.end(), key);
    if (it == m_keys.end()) {
        return;
    }
    delete *it;
    m_keys.erase(it);
    if (sortNow) {
        sort();
    }
}

void Keyframe::sort() {
    std::stable_sort(m_keys.begin(), m_keys.end(), [](const Key* a, const Key* b) { return a->time < b->time; });
    for (size_t i = 0; i < m_keys.size(); ++i) {
        m_keys[i]->prev = i > 0 ? m_keys[i - 1] : nullptr;
        m_keys[i]->next = i + 1 < m_keys.size() ? m_keys[i + 1] : nullptr;
    }
}

IKeyframe* Keyframe::clone() {
    auto* copy = new Keyframe;
    if (m_dimension > 0) {
        copy->create(m_dimension, m_quaternion);
    }
    copy->m_pre = m_pre;
    copy->m_post = m_post;
    for (const Key* key : m_keys) {
        Key* k = copy->createKey();
        k->time = key->time;
        k->kind = key->kind;
        std::copy(key->values, key->values + m_dimension, k->values);
        k->turns = key->turns;
        k->easeTo = key->easeTo;
        k->easeFrom = key->easeFrom;
        std::memcpy(k->inControl, key->inControl, sizeof k->inControl);
        std::memcpy(k->outControl, key->outControl, sizeof k->outControl);
        k->tension = key->tension;
        k->continuity = key->continuity;
        k->bias = key->bias;
        copy->m_keys.push_back(k);
    }
    copy->sort();
    return copy;
}

IKeyframe* createKeyframe(unsigned int dimension, bool quaternion) {
    auto* track = new Keyframe;
    track->create(dimension, quaternion);
    return track;
}

IKeyframe* createKeyframe() { return new Keyframe; }

}  // namespace tormakelin::core
