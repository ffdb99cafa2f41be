#pragma once

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/sound/SoundDevice.h>

namespace tormakelin::sound {

class SoundDevice : public core::RefCounted<ISoundDevice> {
public:
    SoundDevice();
    ~SoundDevice() override;

    bool init(int device, int frequency) override;
    void shutdown() override;
    bool isInitialised() override { return m_initialised; }
    float* getSpectrumBuffer() override { return m_spectrum; }
    int frequencyToBin(int hz) override;
    void updateBands(bool compute) override;
    float getBand(int index) override;

private:
    bool m_initialised = false;
    float m_spectrum[kSpectrumSize] = {};
    float m_bands[kBandCount] = {};
    int m_sampleRate = 0;
};

}  // namespace tormakelin::sound
