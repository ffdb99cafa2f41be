#pragma once
// The one sound device of the process: opens the audio output and turns the spectrum of a
// playing sound into 28 band levels.

#include <tormakelin/sound/Export.h>

#include <list>
#include <string>

namespace tormakelin::sound {

struct SoundDeviceDesc {
    int device = 0;  // the audio layer's device number, from 1
    std::string description;
};

class TORMAKELIN_SOUND_API ISoundDevice {
public:
    static constexpr int kSpectrumSize = 2048;
    static constexpr int kBandCount = 28;

    virtual int addRef() = 0;
    virtual int release() = 0;
    // device -1 is the default output. False leaves the device uninitialised.
    virtual bool init(int device, int frequency) = 0;
    virtual void shutdown() = 0;
    virtual bool isInitialised() = 0;
    // kSpectrumSize floats, filled by ISound::getData.
    virtual float* getSpectrumBuffer() = 0;
    // trunc(hz * 512 / sample rate), clamped to 0..255; 0 before init.
    virtual int frequencyToBin(int hz) = 0;
    // Zeroes the bands; with `compute`, recomputes them from the spectrum buffer.
    virtual void updateBands(bool compute) = 0;
    // 0 for an index outside 0..27.
    virtual float getBand(int index) = 0;
    virtual ~ISoundDevice() = default;
};

// The last device constructed; cleared when that device is destroyed.
TORMAKELIN_SOUND_API extern ISoundDevice* g_soundDevice;

// A new device (count 0), not initialised.
TORMAKELIN_SOUND_API ISoundDevice* createSoundDevice();

// Appends every output device from number 1 on; true.
TORMAKELIN_SOUND_API bool enumDevices(std::list<SoundDeviceDesc>& devices);

}  // namespace tormakelin::sound
