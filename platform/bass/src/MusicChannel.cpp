#include "MusicChannel.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>

namespace bass {

namespace {

// Linear interpolation between sample points, as the API's default mixing does.
constexpr int kLinearInterpolation = 2;
constexpr int kNoRamping = 0;
constexpr int kDefaultRamping = -1;

}  // namespace

std::unique_ptr<MusicChannel> MusicChannel::open(const void* data, size_t size, const Options& opt) {
    if (!data || size == 0)
        return nullptr;
    int error = 0;
    const char* message = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        data, size, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, &error,
        &message, nullptr);
    if (message)
        openmpt_free_string(message);
    if (!mod)
        return nullptr;
    std::unique_ptr<MusicChannel> c(new MusicChannel(mod, opt.rate));
    openmpt_module_set_repeat_count(mod, 0);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    kLinearInterpolation);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                    opt.ramping ? kDefaultRamping : kNoRamping);
    double duration = openmpt_module_get_duration_seconds(mod);
    if (!(duration > 0.0))
        return nullptr;
    if (opt.prescan)
        c->length_ = std::llround(duration * opt.rate);
    return c;
}

MusicChannel::~MusicChannel() { openmpt_module_destroy(mod_); }

bool MusicChannel::seekFrames(int64_t frame) {
    if (frame < 0)
        return false;
    if (length_ >= 0)
        frame = std::min(frame, length_);
    double at = openmpt_module_set_position_seconds(mod_, double(frame) / rate_);
    position_ = std::llround(at * rate_);
    ended_ = false;
    return true;
}

size_t MusicChannel::render(float* stereo, size_t frames) {
    size_t done = 0;
    bool rewound = false;
    while (done < frames && !ended_) {
        size_t want = frames - done;
        // The renderer plays a short tail past the song's end; the song ends at its length.
        if (length_ >= 0)
            want = size_t(std::clamp<int64_t>(length_ - position_, 0, int64_t(want)));
        size_t n = want ? openmpt_module_read_interleaved_float_stereo(mod_, rate_, want,
                                                                       stereo + done * 2)
                        : 0;
        done += n;
        position_ += int64_t(n);
        if (done == frames)
            break;
        // The song ended: start over when looping, unless it has nothing to play at all.
        if (!loop || (rewound && n == 0)) {
            ended_ = true;
            if (length_ >= 0)
                position_ = length_;
            break;
        }
        openmpt_module_set_position_seconds(mod_, 0.0);
        position_ = 0;
        rewound = true;
    }
    return done;
}

}  // namespace bass
