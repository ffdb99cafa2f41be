#pragma once
// One music stream or tracker module, read through the core file system and played from memory.

#include <tormakelin/sound/Export.h>

#include <string>

namespace tormakelin::sound {

class TORMAKELIN_SOUND_API ISound {
public:
    static constexpr int kDataBytes = 8192;

    virtual int addRef() = 0;
    virtual int release() = 0;
    // ".ogg", ".mp3" and ".wav" (any case) load as streams, anything else as a tracker module.
    virtual bool load(const std::string& path) = 0;
    virtual void unload() = 0;
    // Continues from the current position; `loop` replaces the previous choice.
    virtual void play(bool loop) = 0;
    // Keeps the position.
    virtual void stop() = 0;
    virtual void rewind() = 0;
    // 0..1; values outside are clamped.
    virtual void setVolume(float volume) = 0;
    virtual bool isPlaying() = 0;
    virtual const std::string& getFileName() = 0;
    // Seconds; 0 without a loaded sound.
    virtual float getPosition() = 0;
    // Negative times seek to 0, times past the end to the end.
    virtual void setPosition(float seconds) = 0;
    virtual float getLength() = 0;
    // Fills `buffer` (kDataBytes bytes) with the FFT magnitudes of what plays now, 512 floats;
    // zeros without a loaded sound.
    virtual void getData(void* buffer) = 0;
    virtual ~ISound() = default;
};

// A new, empty sound (count 0).
TORMAKELIN_SOUND_API ISound* createSound();

}  // namespace tormakelin::sound
