#include "SoundDevice.h"

#include <bass.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tormakelin::sound {

ISoundDevice* g_soundDevice = nullptr;

namespace {

constexpr int kLastBin = 1023;
constexpr float kBandGain = 1.7f;

}  // namespace

SoundDevice::SoundDevice() { g_soundDevice = this; }

SoundDevice::~SoundDevice() {
    shutdown();
    // A newer device may have taken the global over; it stays.
    if (g_soundDevice == this)
        g_soundDevice = nullptr;
}

bool SoundDevice::init(int device, int frequency) {
    BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 255);
    BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 255);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 255);
    BASS_SetConfig(BASS_CONFIG_MAXVOL, 255);
    if (BASS_Init(device, DWORD(frequency), BASS_DEVICE_LATENCY, nullptr, nullptr) != TRUE)
        return false;
    m_sampleRate = frequency;
    std::fill(std::begin(m_spectrum), std::end(m_spectrum), 0.0f);
    m_initialised = true;
    return true;
}

void SoundDevice::shutdown() {
    if (m_initialised)
        BASS_Free();
    m_initialised = false;
}

int SoundDevice::frequencyToBin(int hz) {
    if (m_sampleRate <= 0)
        return 0;
    int64_t bin = int64_t(hz) * 512 / m_sampleRate;
    return int(std::clamp<int64_t>(bin, 0, 255));
}

void SoundDevice::updateBands(bool compute) {
    std::fill(std::begin(m_bands), std::end(m_bands), 0.0f);
    if (!compute)
        return;
    int b0 = 0;
    for (int i = 0; i < kBandCount; ++i) {
        int b1 = std::min(int(std::pow(2.0, i * 2.0 / 3.0)), kLastBin);
        if (b1 <= b0)
            b1 = b0 + 1;
        float sum = 0.0f;
        for (int b = b0 + 1; b <= b1; ++b)
            sum += m_spectrum[b];
        float level = std::sqrt(std::max(0.0f, sum) / std::log10(float(b1 - b0 + 10))) * kBandGain;
        m_bands[i] = std::clamp(level, 0.0f, 1.0f);
        b0 = b1;
    }
}

float SoundDevice::getBand(int index) {
    if (index < 0 || index >= kBandCount)
        return 0.0f;
    return m_bands[index];
}

ISoundDevice* createSoundDevice() { return new SoundDevice(); }

bool enumDevices(std::list<SoundDeviceDesc>& devices) {
    for (DWORD n = 1;; ++n) {
        const char* text = BASS_GetDeviceDescription(n);
        if (!text)
            break;
        devices.push_back({int(n), text});
    }
    return true;
}

}  // namespace tormakelin::sound
