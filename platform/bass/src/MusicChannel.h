#pragma once
// A tracker module (MOD, XM, S3M, IT and the other formats the renderer knows), rendered as
// 16-bit stereo at the device's rate.

#include "Channel.h"

#include <cstdint>
#include <memory>

struct openmpt_module;

namespace bass {

class MusicChannel : public Channel {
public:
    struct Options {
        bool prescan = false;  // without it the length is not known
        bool ramping = false;
        int rate = 44100;
    };

    // Null when the bytes are not a module.
    static std::unique_ptr<MusicChannel> open(const void* data, size_t size, const Options& opt);
    ~MusicChannel() override;

    Kind kind() const override { return Kind::Music; }
    int frameRate() const override { return rate_; }
    int bytesPerFrame() const override { return 4; }
    int64_t lengthFrames() const override { return length_; }
    int64_t positionFrames() const override { return position_; }
    bool seekFrames(int64_t frame) override;
    size_t render(float* stereo, size_t frames) override;

private:
    explicit MusicChannel(openmpt_module* mod, int rate) : mod_(mod), rate_(rate) {}

    openmpt_module* mod_;
    int rate_;
    int64_t length_ = -1;
    int64_t position_ = 0;
    bool ended_ = false;
};

}  // namespace bass
