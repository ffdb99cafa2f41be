#pragma once
// The keyframe track behind IKeyframe.

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/RefCounted.h>

#include <cstddef>
#include <vector>

namespace tormakelin::core {

class Keyframe : public RefCounted<IKeyframe> {
public:
    Keyframe() = default;
    ~Keyframe() override;
    Keyframe(const Keyframe&) = delete;
    Keyframe& operator=(const Keyframe&) = delete;

    // Sizes the result buffer (zeros); false for dimension 0, one past kMaxKeyframeDimension, or
    // a rotation track of other than 4.
    bool create(unsigned int dimension, bool quaternion);

    Key* createKey() override;
    void addKey(Key* key, bool sortNow) override;
    void removeKey(Key* key, bool sortNow) override;
    void sort() override;
    float getStartTime() override { return startTime(); }
    float getEndTime() override { return endTime(); }
    KeyframeOOR getPreOORBehavior() override { return m_pre; }
    void setPreOORBehavior(KeyframeOOR behavior) override { m_pre = behavior; }
    KeyframeOOR getPostOORBehavior() override { return m_post; }
    void setPostOORBehavior(KeyframeOOR behavior) override { m_post = behavior; }
    unsigned int getDimension() override { return m_dimension; }
    bool isQuaternion() override { return m_quaternion; }
    Key* getFirstKey() override { return m_keys.empty() ? nullptr : m_keys.front(); }
    std::vector<Key*>& getKeys() override { return m_keys; }
    IKeyframe* clone() override;
    float* eval(float time) override;
    bool serialize(ISerializer* serializer) override;

private:
    float startTime() const { return m_keys.empty() ? 0.0f : m_keys.front()->time; }
    float endTime() const { return m_keys.empty() ? 0.0f : m_keys.back()->time; }
    void clearKeys();
    // The time moved into the key range by the out-of-range behaviours.
    float rangeTime(float time) const;
    void evalScalar(float time);
    void evalQuaternion(float time);
    // Index of the segment start for a time inside the range: the last key at or before it,
    // stepping back from the last key so that every time has a segment.
    size_t segmentAt(float time) const;
    float outgoingTangent(size_t i, unsigned int c) const;
    float incomingTangent(size_t i, unsigned int c) const;
    bool load(ISerializer* serializer);
    bool store(ISerializer* serializer);

    KeyframeOOR m_pre = KeyframeHold;
    KeyframeOOR m_post = KeyframeHold;
    unsigned int m_dimension = 0;
    std::vector<float> m_result;
    bool m_quaternion = false;
    std::vector<Key*> m_keys;
};

}  // namespace tormakelin::core
