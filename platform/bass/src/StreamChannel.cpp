#include "StreamChannel.h"

#include <algorithm>
#include <cstring>

namespace bass {

namespace {

constexpr size_t kBlockFrames = 1024;
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

MemoryFile& memOf(void* user) { return *static_cast<MemoryFile*>(user); }

sf_count_t memLength(void* user) { return memOf(user).size; }

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    MemoryFile& m = memOf(user);
    sf_count_t base = whence == SEEK_CUR ? m.pos : whence == SEEK_END ? m.size : 0;
    sf_count_t to = base + offset;
    if (to < 0 || to > m.size)
        return -1;
    m.pos = to;
    return m.pos;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user) {
    MemoryFile& m = memOf(user);
    sf_count_t n = std::clamp<sf_count_t>(count, 0, m.size - m.pos);
    std::memcpy(ptr, m.data + m.pos, size_t(n));
    m.pos += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memTell(void* user) { return memOf(user).pos; }

SF_VIRTUAL_IO g_memoryIo = {memLength, memSeek, memRead, memWrite, memTell};

bool isMpeg(const SF_INFO& info) { return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG; }

// The decoder lands on the wrong frame when it seeks in compressed data, so only uncompressed
// data is seeked directly; compressed data is decoded forward from the start.
bool seeksExactly(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE: return !isMpeg(info);
    default: return false;
    }
}

}  // namespace

StreamChannel::StreamChannel(const void* data, size_t size, int deviceRate)
    : mem_{static_cast<const unsigned char*>(data), sf_count_t(size), 0}, deviceRate_(deviceRate) {}

StreamChannel::~StreamChannel() {
    if (file_)
        sf_close(file_);
}

std::unique_ptr<StreamChannel> StreamChannel::open(const void* data, size_t size, bool prescan,
                                                   int deviceRate) {
    if (!data || size == 0)
        return nullptr;
    std::unique_ptr<StreamChannel> c(new StreamChannel(data, size, deviceRate));
    if (!c->openDecoder())
        return nullptr;
    // An MP3's frame count is an estimate until the whole stream has been decoded once.
    if (prescan && isMpeg(c->info_))
        c->length_ = c->countFrames();
    else
        c->length_ = c->info_.frames;
    if (c->length_ <= 0 || !c->seekFrames(0) || !c->haveCur_)
        return nullptr;
    c->setPlaybackRate(0);
    return c;
}

bool StreamChannel::openDecoder() {
    file_ = sf_open_virtual(&g_memoryIo, SFM_READ, &info_, &mem_);
    if (!file_)
        return false;
    if (info_.channels < 1 || info_.channels > kMaxChannels || info_.samplerate < kMinRate ||
        info_.samplerate > kMaxRate)
        return false;
    exactSeek_ = seeksExactly(info_);
    raw_.resize(kBlockFrames * size_t(info_.channels));
    block_.resize(kBlockFrames * 2);
    return true;
}

int64_t StreamChannel::countFrames() {
    int64_t total = 0;
    sf_count_t n;
    while ((n = sf_readf_float(file_, raw_.data(), sf_count_t(kBlockFrames))) > 0)
        total += n;
    decoderPos_ = total;
    return total;
}

void StreamChannel::setPlaybackRate(int hz) {
    int rate = hz > 0 ? std::clamp(hz, kMinRate, kMaxRate) : info_.samplerate;
    step_ = double(rate) / double(deviceRate_);
}

bool StreamChannel::refill() {
    sf_count_t n = sf_readf_float(file_, raw_.data(), sf_count_t(kBlockFrames));
    if (n <= 0)
        return false;
    decoderPos_ += n;
    const int ch = info_.channels;
    for (sf_count_t i = 0; i < n; ++i) {
        const float* f = &raw_[size_t(i) * size_t(ch)];
        block_[size_t(i) * 2] = f[0];
        block_[size_t(i) * 2 + 1] = ch > 1 ? f[1] : f[0];
    }
    blockFrames_ = size_t(n);
    blockPos_ = 0;
    return true;
}

bool StreamChannel::pull(float* frame, int64_t& index) {
    if (blockPos_ == blockFrames_) {
        if (decodeIndex_ >= length_ || !refill()) {
            // A file shorter than its header says ends where its data ends.
            length_ = std::min(length_, decodeIndex_);
            if (!loop || length_ <= 0 || !rewindDecoder())
                return false;
            decodeIndex_ = 0;
            if (!refill())
                return false;
        }
    }
    frame[0] = block_[blockPos_ * 2];
    frame[1] = block_[blockPos_ * 2 + 1];
    ++blockPos_;
    index = decodeIndex_++;
    return true;
}

bool StreamChannel::rewindDecoder() {
    if (sf_seek(file_, 0, SEEK_SET) != 0)
        return false;
    decoderPos_ = 0;
    blockPos_ = blockFrames_ = 0;
    return true;
}

bool StreamChannel::skipTo(int64_t frame) {
    if (exactSeek_) {
        if (sf_seek(file_, frame, SEEK_SET) < 0)
            return false;
        decoderPos_ = frame;
        return true;
    }
    if (frame < decoderPos_ && !rewindDecoder())
        return false;
    while (decoderPos_ < frame) {
        sf_count_t want = std::min<sf_count_t>(sf_count_t(kBlockFrames), frame - decoderPos_);
        sf_count_t n = sf_readf_float(file_, raw_.data(), want);
        if (n <= 0)
            return false;
        decoderPos_ += n;
    }
    return true;
}

bool StreamChannel::seekFrames(int64_t frame) {
    if (frame < 0)
        return false;
    frame = std::min(frame, length_);
    blockPos_ = blockFrames_ = 0;
    if (!skipTo(frame)) {
        // The data ended early: it is shorter than it claimed. Start the decoder over so the
        // next seek is exact.
        if (!exactSeek_)
            length_ = std::min(length_, decoderPos_);
        rewindDecoder();
        decodeIndex_ = 0;
        haveCur_ = false;
        return false;
    }
    decodeIndex_ = frame;
    frac_ = 0.0;
    haveCur_ = pull(cur_, curIndex_);
    haveNext_ = haveCur_ && pull(next_, nextIndex_);
    return true;
}

size_t StreamChannel::render(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames && haveCur_) {
        const float* nxt = haveNext_ ? next_ : cur_;
        float f = float(frac_);
        stereo[done * 2] = cur_[0] + (nxt[0] - cur_[0]) * f;
        stereo[done * 2 + 1] = cur_[1] + (nxt[1] - cur_[1]) * f;
        ++done;
        frac_ += step_;
        while (frac_ >= 1.0 && haveCur_) {
            frac_ -= 1.0;
            if (!haveNext_) {
                haveCur_ = false;
                break;
            }
            cur_[0] = next_[0];
            cur_[1] = next_[1];
            curIndex_ = nextIndex_;
            haveNext_ = pull(next_, nextIndex_);
        }
    }
    return done;
}

}  // namespace bass
