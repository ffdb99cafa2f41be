#pragma once
// A value with an optional keyframe track that replaces it at update time.

#include <d3dx9math.h>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::kavro {

// Stores or loads a track: the has-track flag and, when set, the track's record. A loaded track
// replaces `track` (counted); false when the record is short.
TORMAKELIN_KAVRO_API bool serializeTrack(Serializer* serializer, core::IKeyframe*& track);

template <class T>
class Animated {
public:
    Animated() = default;
    explicit Animated(const T& v) : value(v) {}
    Animated(const Animated& other) : value(other.value), m_track(other.m_track) { grab(); }
    Animated& operator=(const Animated& other)
    {
        if (this != &other) {
            if (other.m_track) {
                other.m_track->addRef();
            }
            drop();
            value = other.value;
            m_track = other.m_track;
        }
        return *this;
    }
    ~Animated() { drop(); }

    core::IKeyframe* getTrack() const { return m_track; }
    void setTrack(core::IKeyframe* track)
    {
        if (track) {
            track->addRef();
        }
        drop();
        m_track = track;
    }
    // Replaces the value by the track's at the time; keeps it without a track.
    void update(float time)
    {
        if (m_track == nullptr) {
            return;
        }
        const float* result = m_track->eval(time);
        if (result == nullptr) {
            return;
        }
        const unsigned n = m_track->getDimension() < kFloats ? m_track->getDimension() : kFloats;
        float* out = reinterpret_cast<float*>(&value);
        for (unsigned i = 0; i < n; ++i) {
            out[i] = result[i];
        }
    }
    // The value's bytes, then the track flag and record.
    bool serialize(Serializer* serializer)
    {
        return io::bytes(serializer, &value, sizeof value) && serializeTrack(serializer, m_track);
    }

    T value{};

private:
    static constexpr unsigned kFloats = sizeof(T) / sizeof(float);
    void grab()
    {
        if (m_track) {
            m_track->addRef();
        }
    }
    void drop()
    {
        if (m_track) {
            m_track->release();
            m_track = nullptr;
        }
    }
    core::IKeyframe* m_track = nullptr;
};

using AnimatedFloat = Animated<float>;
using AnimatedVec3 = Animated<D3DXVECTOR3>;
using AnimatedVec4 = Animated<D3DXVECTOR4>;
using AnimatedQuaternion = Animated<D3DXQUATERNION>;

}  // namespace tormakelin::kavro
