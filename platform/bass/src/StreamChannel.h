#pragma once
// A stream decoded from memory (WAV, OGG Vorbis, MP3 and what else the decoder reads), resampled
// to the device's rate by linear interpolation.

#include "Channel.h"

#include <sndfile.h>

#include <memory>
#include <vector>

namespace bass {

// The decoder's view of the caller's bytes: reads never go past `size`.
struct MemoryFile {
    const unsigned char* data;
    sf_count_t size;
    sf_count_t pos;
};

class StreamChannel : public Channel {
public:
    // Null when the bytes are not a sound the decoder reads, or hold no frame.
    static std::unique_ptr<StreamChannel> open(const void* data, size_t size, bool prescan,
                                               int deviceRate);
    ~StreamChannel() override;

    Kind kind() const override { return Kind::Stream; }
    int frameRate() const override { return info_.samplerate; }
    int bytesPerFrame() const override { return info_.channels * 2; }
    int64_t lengthFrames() const override { return length_; }
    int64_t positionFrames() const override { return haveCur_ ? curIndex_ : length_; }
    bool seekFrames(int64_t frame) override;
    size_t render(float* stereo, size_t frames) override;
    void setPlaybackRate(int hz) override;

private:
    StreamChannel(const void* data, size_t size, int deviceRate);
    bool openDecoder();
    int64_t countFrames();
    bool pull(float* frame, int64_t& index);
    bool refill();
    bool rewindDecoder();
    bool skipTo(int64_t frame);

    MemoryFile mem_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    int deviceRate_;
    int64_t length_ = 0;
    double step_ = 1.0;  // source frames per output frame

    std::vector<float> raw_;    // one decoded block, the file's channels
    std::vector<float> block_;  // the same block as stereo
    size_t blockPos_ = 0;
    size_t blockFrames_ = 0;
    int64_t decodeIndex_ = 0;  // index of the next frame pull() returns
    int64_t decoderPos_ = 0;   // frames the decoder has returned since it was last rewound
    bool exactSeek_ = false;   // the decoder seeks to the frame (uncompressed data)

    float cur_[2] = {};
    float next_[2] = {};
    int64_t curIndex_ = 0;
    int64_t nextIndex_ = 0;
    bool haveCur_ = false;
    bool haveNext_ = false;
    double frac_ = 0.0;
};

}  // namespace bass
