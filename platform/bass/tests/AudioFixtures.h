#pragma once
// Small sounds made on the spot: tones encoded by libsndfile into memory, and a tracker module
// written byte by byte.

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace audio_fixtures {

using Bytes = std::vector<unsigned char>;

namespace detail {

struct Sink {
    Bytes bytes;
    sf_count_t pos = 0;
};

inline Sink& sink(void* u) { return *static_cast<Sink*>(u); }
inline sf_count_t length(void* u) { return sf_count_t(sink(u).bytes.size()); }
inline sf_count_t seek(sf_count_t off, int whence, void* u) {
    Sink& s = sink(u);
    sf_count_t base = whence == SEEK_CUR ? s.pos : whence == SEEK_END ? length(u) : 0;
    if (base + off < 0)
        return -1;
    s.pos = base + off;
    return s.pos;
}
inline sf_count_t read(void* p, sf_count_t n, void* u) {
    Sink& s = sink(u);
    sf_count_t avail = std::max<sf_count_t>(0, length(u) - s.pos);
    n = std::min(n, avail);
    std::memcpy(p, s.bytes.data() + s.pos, size_t(n));
    s.pos += n;
    return n;
}
inline sf_count_t write(const void* p, sf_count_t n, void* u) {
    Sink& s = sink(u);
    if (size_t(s.pos + n) > s.bytes.size())
        s.bytes.resize(size_t(s.pos + n));
    std::memcpy(s.bytes.data() + s.pos, p, size_t(n));
    s.pos += n;
    return n;
}
inline sf_count_t tell(void* u) { return sink(u).pos; }

}  // namespace detail

constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr int kOgg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

// Encodes frames (interleaved) in `format`. Empty on failure.
inline Bytes encode(int format, int rate, int channels, const std::vector<float>& frames) {
    detail::Sink s;
    SF_VIRTUAL_IO io = {detail::length, detail::seek, detail::read, detail::write, detail::tell};
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, &s);
    if (!f)
        return {};
    sf_writef_float(f, frames.data(), sf_count_t(frames.size() / size_t(channels)));
    sf_close(f);
    return s.bytes;
}

inline std::vector<float> sine(int rate, int channels, double seconds, double hz, float amp) {
    size_t n = size_t(std::llround(seconds * rate));
    std::vector<float> v(n * size_t(channels));
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            v[i * size_t(channels) + size_t(c)] = amp * float(std::sin(2.0 * M_PI * hz * double(i) / rate));
    return v;
}

// A ramp: frame i holds i / n in every channel, so a rendered value tells which frame played.
inline std::vector<float> ramp(int channels, size_t n) {
    std::vector<float> v(n * size_t(channels));
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            v[i * size_t(channels) + size_t(c)] = float(i) / float(n);
    return v;
}

inline std::vector<float> constant(int channels, size_t n, float value) {
    return std::vector<float>(n * size_t(channels), value);
}

inline Bytes tone(int format, double seconds = 1.0, int rate = 44100, int channels = 2,
                  double hz = 1000.0, float amp = 0.5f) {
    return encode(format, rate, channels, sine(rate, channels, seconds, hz, amp));
}

// A four-channel module of one pattern: one looping square-wave note at speed 1, so the song
// lasts 64 rows of one tick at 125 BPM: 1.28 seconds.
inline Bytes module() {
    Bytes b(20, 0);
    std::memcpy(b.data(), "fixture", 7);
    auto u16 = [&](unsigned v) {
        b.push_back((unsigned char)(v >> 8));
        b.push_back((unsigned char)(v & 0xFF));
    };
    const unsigned sampleWords = 32;
    for (int i = 0; i < 31; ++i) {
        b.insert(b.end(), 22, 0);
        bool used = i == 0;
        u16(used ? sampleWords : 0);
        b.push_back(0);               // finetune
        b.push_back(used ? 64 : 0);   // volume
        u16(0);                       // loop start
        u16(used ? sampleWords : 1);  // loop length
    }
    b.push_back(1);    // song length
    b.push_back(127);  // restart
    b.insert(b.end(), 128, 0);
    for (char c : std::string("M.K."))
        b.push_back((unsigned char)c);
    Bytes pattern(64 * 4 * 4, 0);
    const unsigned period = 428;
    pattern[0] = (unsigned char)((1 & 0xF0) | (period >> 8));
    pattern[1] = (unsigned char)(period & 0xFF);
    pattern[2] = (unsigned char)(((1 & 0x0F) << 4) | 0xF);  // set speed
    pattern[3] = 1;
    b.insert(b.end(), pattern.begin(), pattern.end());
    for (unsigned i = 0; i < sampleWords * 2; ++i)
        b.push_back(i < sampleWords ? 100 : (unsigned char)(256 - 100));
    return b;
}

inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace audio_fixtures
