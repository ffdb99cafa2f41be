#pragma once
// Keyframe tracks: sorted keys of one to four floats (or a rotation quaternion) evaluated at any
// time by linear, step or cubic Hermite (Kochanek-Bartels) segments, repeated outside the key
// range by a chosen behaviour.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <vector>

namespace tormakelin::core {

class ISerializer;

// The interpolation of the segment that ends at a key.
enum KeyKind : int32_t { KeyTcb = 0, KeyLinear = 1, KeyStep = 2, KeyHermite = 3 };

// Before the first key / after the last: hold the end key, cycle, ping-pong; any other value
// clamps the time into the key range.
enum KeyframeOOR : int32_t { KeyframeHold = 0, KeyframeCycle = 1, KeyframePingPong = 2, KeyframeClamp = 3 };

// One key; made by IKeyframe::createKey. A key that is never added is freed with delete.
struct TORMAKELIN_CORE_API Key {
    Key() = default;
    ~Key() { delete[] values; }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    Key* next = nullptr;
    Key* prev = nullptr;
    float time = 0;
    int32_t kind = KeyTcb;
    float* values = nullptr;  // dimension floats, not initialised by createKey
    int32_t turns = 0;        // rotation tracks: whole turns into this key
    float easeTo = 0;
    float easeFrom = 0;
    // Rotation tracks: control quaternions. Hermite keys: the stored tangents, one per component.
    float inControl[4] = {0, 0, 0, 0};
    float outControl[4] = {0, 0, 0, 0};
    float tension = 0;
    float continuity = 0;
    float bias = 0;
};

class TORMAKELIN_CORE_API IKeyframe {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual Key* createKey() = 0;
    // The track takes the key over.
    virtual void addKey(Key* key, bool sortNow) = 0;
    // Frees the key; a key not in the track is ignored.
    virtual void removeKey(Key* key, bool sortNow) = 0;
    // Stable by ascending time; relinks next and prev.
    virtual void sort() = 0;
    virtual float getStartTime() = 0;
    virtual float getEndTime() = 0;
    virtual KeyframeOOR getPreOORBehavior() = 0;
    virtual void setPreOORBehavior(KeyframeOOR behavior) = 0;
    virtual KeyframeOOR getPostOORBehavior() = 0;
    virtual void setPostOORBehavior(KeyframeOOR behavior) = 0;
    virtual unsigned int getDimension() = 0;
    virtual bool isQuaternion() = 0;
    virtual Key* getFirstKey() = 0;
    virtual std::vector<Key*>& getKeys() = 0;
    // A deep copy (count 0), sorted.
    virtual IKeyframe* clone() = 0;
    // The track's result buffer, valid until the next eval; null for a track of dimension 0.
    virtual float* eval(float time) = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IKeyframe() = default;
};

// Channels a track may carry: far more than any value has, and few enough that a stored track
// cannot claim much memory by its dimension alone.
constexpr unsigned int kMaxKeyframeDimension = 256;

// A new track (count 0); dimension 0 gives an empty track for serialize to fill.
TORMAKELIN_CORE_API IKeyframe* createKeyframe(unsigned int dimension, bool quaternion);
TORMAKELIN_CORE_API IKeyframe* createKeyframe();

class TORMAKELIN_CORE_API KeyframeUtil {
public:
    struct SimplifyParams {
        float tolerance = 0;
    };

    // A clone (count 0) without the keys that lie within the tolerance of the line through
    // their neighbours; null for a null track.
    static IKeyframe* simplify(IKeyframe* track, const SimplifyParams& params);
    // Rotation tracks: relative axis-angle keys (x, y, z, radians) become absolute quaternions
    // with whole turns and control quaternions.
    static void convertKeysFromAxisAngleToQuaternion(IKeyframe* track);
    // The control quaternions of every key from its neighbours, times and TCB parameters.
    static void computeQuaternionControls(IKeyframe* track);
};

}  // namespace tormakelin::core
