// Device, configuration and error calls.
#include "Devices.h"
#include "State.h"

#include <bass_test.h>

namespace bass {

namespace {

thread_local int t_error = BASS_OK;

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;
constexpr DWORD kDefaultRate = 44100;

DWORD* configSlot(State& s, DWORD option) {
    switch (option) {
    case BASS_CONFIG_MAXVOL: return &s.maxVolume;
    case BASS_CONFIG_GVOL_SAMPLE: return &s.sampleVolume;
    case BASS_CONFIG_GVOL_STREAM: return &s.streamVolume;
    case BASS_CONFIG_GVOL_MUSIC: return &s.musicVolume;
    default: return nullptr;
    }
}

std::unique_ptr<Output> openDevice(const Device& d, bool fallBackToNull, int rate, bool manual) {
    if (manual || d.kind == Device::Kind::Null)
        return openNullOutput(rate, manual);
    std::unique_ptr<Output> out = openSdlOutput(d.kind == Device::Kind::Named ? d.sdlName : "", rate);
    if (!out && fallBackToNull)
        return openNullOutput(rate, false);
    return out;
}

}  // namespace

State& state() {
    static State s;
    return s;
}

void setError(int code) { t_error = code; }

}  // namespace bass

using namespace bass;

BASSDEF(int) BASS_ErrorGetCode() { return t_error; }

BASSDEF(BOOL) BASS_SetConfig(DWORD option, DWORD value) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    DWORD* slot = configSlot(s, option);
    if (!slot) {
        setError(BASS_ERROR_ILLTYPE);
        return FALSE;
    }
    *slot = value;
    setError(BASS_OK);
    return TRUE;
}

BASSDEF(DWORD) BASS_GetConfig(DWORD option) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    DWORD* slot = configSlot(s, option);
    if (!slot) {
        setError(BASS_ERROR_ILLTYPE);
        return DWORD(-1);
    }
    setError(BASS_OK);
    return *slot;
}

BASSDEF(const char*) BASS_GetDeviceDescription(DWORD device) {
    Device d;
    if (!findDevice(int(device), d)) {
        setError(BASS_ERROR_DEVICE);
        return nullptr;
    }
    setError(BASS_OK);
    return d.description;
}

// The latency flag asks for a measurement this layer does not report: it is accepted and ignored.
BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD /*flags*/, HWND /*win*/, const GUID* /*clsid*/) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.initialised) {
        setError(BASS_ERROR_ALREADY);
        return FALSE;
    }
    if (freq == 0)
        freq = kDefaultRate;
    if (freq < DWORD(kMinRate) || freq > DWORD(kMaxRate)) {
        setError(BASS_ERROR_FREQ);
        return FALSE;
    }
    Device d{Device::Kind::Default, {}, nullptr};
    if (device != -1 && !findDevice(device, d)) {
        setError(BASS_ERROR_DEVICE);
        return FALSE;
    }
    // Only the default device falls back to silence; a chosen device that fails is an error.
    s.output = openDevice(d, device == -1, int(freq), s.manualOutput);
    if (!s.output) {
        setError(BASS_ERROR_DEVICE);
        return FALSE;
    }
    s.rate = int(freq);
    s.device = device == -1 ? 1 : device;
    s.initialised = true;
    setError(BASS_OK);
    return TRUE;
}

BASSDEF(DWORD) BASS_GetDevice() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised) {
        setError(BASS_ERROR_INIT);
        return DWORD(-1);
    }
    setError(BASS_OK);
    return DWORD(s.device);
}

BASSDEF(BOOL) BASS_Free() {
    State& s = state();
    std::unique_ptr<Output> output;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.initialised) {
            setError(BASS_ERROR_INIT);
            return FALSE;
        }
        s.initialised = false;
        output = std::move(s.output);
    }
    // The output's thread mixes under the lock, so it is stopped without holding it.
    output->stop();
    output.reset();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.channels.clear();
    setError(BASS_OK);
    return TRUE;
}

BASSDEF(void) BASS_TestSetManualOutput(BOOL manual) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.manualOutput = manual != FALSE;
}

BASSDEF(void) BASS_TestRender(float* stereo, DWORD frames) { mix(stereo, frames); }
