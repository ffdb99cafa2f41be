#pragma once
// A playing source as the mixer sees it: renders stereo float frames at the device's rate and
// keeps its position in frames of its own format.

#include "Spectrum.h"

#include <cstddef>
#include <cstdint>

namespace bass {

class Channel {
public:
    enum class Kind { Stream, Music };

    virtual ~Channel() = default;
    virtual Kind kind() const = 0;
    // Frames per second and bytes per frame of the channel's own format.
    virtual int frameRate() const = 0;
    virtual int bytesPerFrame() const = 0;
    // -1 when the length is not known.
    virtual int64_t lengthFrames() const = 0;
    virtual int64_t positionFrames() const = 0;
    virtual bool seekFrames(int64_t frame) = 0;
    // Renders up to `frames` stereo frames; fewer means the channel reached its end.
    virtual size_t render(float* stereo, size_t frames) = 0;
    // Playback rate in Hz; 0 is the channel's own rate.
    virtual void setPlaybackRate(int /*hz*/) {}

    bool playing = false;
    bool loop = false;
    int volume = -1;  // -1: full, whatever the maximum volume is
    int pan = 0;
    Spectrum spectrum;
};

}  // namespace bass
