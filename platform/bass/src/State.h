#pragma once
// The audio layer's one global state: shared by the API (main thread) and the output's mixer
// thread under one lock.

#include "Channel.h"
#include "Output.h"

#include <bass.h>

#include <map>
#include <memory>
#include <mutex>

namespace bass {

struct State {
    std::mutex mutex;
    bool initialised = false;
    int rate = 0;
    int device = -1;
    DWORD maxVolume = 100;
    DWORD sampleVolume = 100;
    DWORD streamVolume = 100;
    DWORD musicVolume = 100;
    std::map<DWORD, std::unique_ptr<Channel>> channels;
    DWORD nextHandle = 0x10000;  // handles are never reused, so a stale one stays invalid
    std::unique_ptr<Output> output;
    bool manualOutput = false;
};

State& state();
void setError(int code);

// Mixes every playing channel into `frames` stereo frames. Takes the lock.
void mix(float* stereo, size_t frames);

// With the lock held: the channel of a handle, or null (error set).
Channel* findChannel(State& s, DWORD handle);

}  // namespace bass
