#pragma once
// The last 1024 frames a channel produced (mono, before its volume), and their FFT.

#include <cstddef>

namespace bass {

class Spectrum {
public:
    static constexpr size_t kSize = 1024;
    static constexpr size_t kBins = kSize / 2;

    void push(const float* stereo, size_t frames);
    void clear();
    // 512 magnitudes: Hann window, scaled so a full-scale sine reads about 1 in its bin.
    void magnitudes(float* out) const;

private:
    float samples_[kSize] = {};
    size_t head_ = 0;  // index of the oldest sample
};

}  // namespace bass
