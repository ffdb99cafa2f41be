#include "Spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <mutex>
#include <vector>

namespace bass {

namespace {

struct FftPlan {
    kiss_fftr_cfg cfg = kiss_fftr_alloc(Spectrum::kSize, 0, nullptr, nullptr);
    std::vector<float> window = makeWindow();
    std::mutex mutex;  // kissfft's plan keeps scratch space

    ~FftPlan() { kiss_fftr_free(cfg); }

    static std::vector<float> makeWindow() {
        std::vector<float> w(Spectrum::kSize);
        for (size_t i = 0; i < w.size(); ++i)
            w[i] = 0.5f - 0.5f * std::cos(2.0f * float(M_PI) * float(i) / float(w.size()));
        return w;
    }
};

FftPlan& plan() {
    static FftPlan p;
    return p;
}

}  // namespace

void Spectrum::push(const float* stereo, size_t frames) {
    for (size_t i = 0; i < frames; ++i) {
        samples_[head_] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
        head_ = (head_ + 1) % kSize;
    }
}

void Spectrum::clear() {
    for (float& s : samples_)
        s = 0.0f;
    head_ = 0;
}

void Spectrum::magnitudes(float* out) const {
    FftPlan& p = plan();
    float in[kSize];
    for (size_t i = 0; i < kSize; ++i)
        in[i] = samples_[(head_ + i) % kSize] * p.window[i];
    kiss_fft_cpx bins[kSize / 2 + 1];
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        kiss_fftr(p.cfg, in, bins);
    }
    // The Hann window's coherent gain is 1/2, so a sine of amplitude A peaks at A * N / 4.
    const float scale = 4.0f / float(kSize);
    for (size_t k = 0; k < kBins; ++k)
        out[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i) * scale;
}

}  // namespace bass
