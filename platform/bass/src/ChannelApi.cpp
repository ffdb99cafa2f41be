// Stream, module and channel calls. Every call takes the state lock, which the mixer holds while
// it renders, so the main thread never sees a channel half-way through a mix.
#include "MusicChannel.h"
#include "State.h"
#include "StreamChannel.h"

#include <cmath>

namespace bass {

Channel* findChannel(State& s, DWORD handle) {
    auto it = s.channels.find(handle);
    if (it == s.channels.end()) {
        setError(BASS_ERROR_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

namespace {

constexpr QWORD kError = QWORD(-1);
constexpr DWORD kFftBytes = 1024;  // samples the FFT reads

DWORD addChannel(State& s, std::unique_ptr<Channel> c) {
    DWORD handle = s.nextHandle++;
    s.channels.emplace(handle, std::move(c));
    setError(BASS_OK);
    return handle;
}

BOOL freeChannel(DWORD handle, Channel::Kind kind) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.channels.find(handle);
    if (it == s.channels.end() || it->second->kind() != kind) {
        setError(BASS_ERROR_HANDLE);
        return FALSE;
    }
    s.channels.erase(it);
    setError(BASS_OK);
    return TRUE;
}

// Runs `f` on the channel under the lock; `fail` when the handle is unknown.
template <typename R, typename F> R withChannel(DWORD handle, R fail, F f) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Channel* c = findChannel(s, handle);
    if (!c)
        return fail;
    setError(BASS_OK);
    return f(*c);
}

void catchUpOutput() {
    State& s = state();
    Output* output = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        output = s.output.get();
    }
    if (output)
        output->catchUp();
}

double bytesPerSecond(const Channel& c) { return double(c.frameRate()) * c.bytesPerFrame(); }

bool checkMemory(BOOL mem, const void* file) {
    // Only memory is played: callers hand over the bytes, never a file name.
    if (!mem) {
        setError(BASS_ERROR_NOTAVAIL);
        return false;
    }
    if (!file) {
        setError(BASS_ERROR_ILLPARAM);
        return false;
    }
    return true;
}

}  // namespace

}  // namespace bass

using namespace bass;

BASSDEF(HSTREAM) BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                       DWORD flags) {
    if (!checkMemory(mem, file))
        return 0;
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised) {
        setError(BASS_ERROR_INIT);
        return 0;
    }
    auto c = StreamChannel::open(static_cast<const unsigned char*>(file) + offset, size_t(length),
                                 (flags & BASS_STREAM_PRESCAN) != 0, s.rate);
    if (!c) {
        setError(BASS_ERROR_FILEFORM);
        return 0;
    }
    c->loop = (flags & BASS_SAMPLE_LOOP) != 0;
    return addChannel(s, std::move(c));
}

BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle) { return freeChannel(handle, Channel::Kind::Stream); }

BASSDEF(HMUSIC) BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags,
                               DWORD freq) {
    if (!checkMemory(mem, file))
        return 0;
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised) {
        setError(BASS_ERROR_INIT);
        return 0;
    }
    MusicChannel::Options opt;
    opt.prescan = (flags & BASS_MUSIC_PRESCAN) != 0;
    opt.ramping = (flags & (BASS_MUSIC_RAMP | BASS_MUSIC_RAMPS)) != 0;
    opt.rate = freq ? int(freq) : s.rate;
    auto c = MusicChannel::open(static_cast<const unsigned char*>(file) + offset, length, opt);
    if (!c) {
        setError(BASS_ERROR_FILEFORM);
        return 0;
    }
    c->loop = (flags & BASS_MUSIC_LOOP) != 0;
    return addChannel(s, std::move(c));
}

BASSDEF(BOOL) BASS_MusicFree(HMUSIC handle) { return freeChannel(handle, Channel::Kind::Music); }

// Without restart a stopped channel continues from where it stopped; a channel that played to
// its end stays there (and stops again at once) until it is moved or restarted.
BASSDEF(BOOL) BASS_ChannelPlay(DWORD handle, BOOL restart) {
    return withChannel(handle, FALSE, [&](Channel& c) {
        if (restart) {
            c.seekFrames(0);
            c.spectrum.clear();
        }
        c.playing = true;
        return TRUE;
    });
}

// Stop keeps the position; BASS_ChannelIsActive then reports stopped.
BASSDEF(BOOL) BASS_ChannelStop(DWORD handle) {
    return withChannel(handle, FALSE, [](Channel& c) {
        c.playing = false;
        return TRUE;
    });
}

BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle) {
    return withChannel(handle, DWORD(BASS_ACTIVE_STOPPED), [](Channel& c) {
        return DWORD(c.playing ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED);
    });
}

// Only the loop flag can change once a channel exists; a module keeps its ramping.
BASSDEF(BOOL) BASS_ChannelSetFlags(DWORD handle, DWORD flags) {
    return withChannel(handle, FALSE, [&](Channel& c) {
        c.loop = (flags & BASS_SAMPLE_LOOP) != 0;
        return TRUE;
    });
}

// Volumes above the maximum play at full volume. Modules render at their load rate, so `freq`
// changes only a stream's speed.
BASSDEF(BOOL) BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    return withChannel(handle, FALSE, [&](Channel& c) {
        if (freq < -1 || volume < -1 || pan < -101 || pan > 100) {
            setError(BASS_ERROR_ILLPARAM);
            return FALSE;
        }
        if (freq != -1)
            c.setPlaybackRate(freq);
        if (volume != -1)
            c.volume = volume;
        if (pan != -101)
            c.pan = pan;
        return TRUE;
    });
}

BASSDEF(QWORD) BASS_ChannelGetLength(DWORD handle) {
    return withChannel(handle, kError, [](Channel& c) {
        if (c.lengthFrames() < 0) {
            setError(BASS_ERROR_NOTAVAIL);
            return kError;
        }
        return QWORD(c.lengthFrames()) * QWORD(c.bytesPerFrame());
    });
}

BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle) {
    catchUpOutput();
    return withChannel(handle, kError, [](Channel& c) {
        return QWORD(c.positionFrames()) * QWORD(c.bytesPerFrame());
    });
}

// A position past the end moves to the end: the channel has finished, as a timeline that is
// past the music expects.
BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    return withChannel(handle, FALSE, [&](Channel& c) {
        QWORD frame = pos / QWORD(c.bytesPerFrame());
        if (frame > QWORD(INT64_MAX) || !c.seekFrames(int64_t(frame))) {
            setError(BASS_ERROR_POSITION);
            return FALSE;
        }
        return TRUE;
    });
}

BASSDEF(float) BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return withChannel(handle, -1.0f, [&](Channel& c) {
        if (pos == kError) {
            setError(BASS_ERROR_ILLPARAM);
            return -1.0f;
        }
        return float(double(pos) / bytesPerSecond(c));
    });
}

// Whole frames: the bytes of the frame playing at that time.
BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, float pos) {
    return withChannel(handle, kError, [&](Channel& c) {
        if (!(pos >= 0.0f)) {
            setError(BASS_ERROR_ILLPARAM);
            return kError;
        }
        return QWORD(std::floor(double(pos) * c.frameRate())) * QWORD(c.bytesPerFrame());
    });
}

// The FFT covers what the channel mixed last; a channel that is not playing gives zeros.
BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    return withChannel(handle, DWORD(-1), [&](Channel& c) {
        if (length != BASS_DATA_FFT1024 || !buffer) {
            setError(BASS_ERROR_ILLPARAM);
            return DWORD(-1);
        }
        float* out = static_cast<float*>(buffer);
        if (!c.playing) {
            for (size_t i = 0; i < Spectrum::kBins; ++i)
                out[i] = 0.0f;
            setError(BASS_ERROR_NOPLAY);
            return DWORD(-1);
        }
        c.spectrum.magnitudes(out);
        return kFftBytes * DWORD(c.bytesPerFrame());
    });
}
