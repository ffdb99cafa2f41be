#include "State.h"

#include <algorithm>
#include <vector>

namespace bass {

namespace {

constexpr size_t kChunk = 1024;

float volumeGain(DWORD value, DWORD maxVolume) {
    if (maxVolume == 0)
        return 0.0f;
    return float(std::min(value, maxVolume)) / float(maxVolume);
}

float channelGain(const State& s, const Channel& c) {
    DWORD global = c.kind() == Channel::Kind::Music ? s.musicVolume : s.streamVolume;
    float own = c.volume < 0 ? 1.0f : volumeGain(DWORD(c.volume), s.maxVolume);
    return own * volumeGain(global, s.maxVolume);
}

void mixChannel(const State& s, Channel& c, float* out, size_t frames, float* scratch) {
    const float gain = channelGain(s, c);
    const float left = gain * std::min(1.0f, 1.0f - c.pan / 100.0f);
    const float right = gain * std::min(1.0f, 1.0f + c.pan / 100.0f);
    size_t n = c.render(scratch, frames);
    c.spectrum.push(scratch, n);
    for (size_t i = 0; i < n; ++i) {
        out[2 * i] += scratch[2 * i] * left;
        out[2 * i + 1] += scratch[2 * i + 1] * right;
    }
    // A channel that runs out stops by itself, keeping its end position.
    if (n < frames)
        c.playing = false;
}

}  // namespace

void mix(float* stereo, size_t frames) {
    std::fill(stereo, stereo + frames * 2, 0.0f);
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    float scratch[kChunk * 2];
    for (size_t done = 0; done < frames; done += kChunk) {
        size_t n = std::min(kChunk, frames - done);
        for (auto& [handle, channel] : s.channels) {
            if (channel->playing)
                mixChannel(s, *channel, stereo + done * 2, n, scratch);
        }
    }
    for (size_t i = 0; i < frames * 2; ++i)
        stereo[i] = std::clamp(stereo[i], -1.0f, 1.0f);
}

}  // namespace bass
