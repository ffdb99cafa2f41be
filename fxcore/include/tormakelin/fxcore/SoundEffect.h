#pragma once
// Plays a sound resource in step with the timeline while its layer is active during playback.

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/SmartRef.h>

namespace tormakelin::sound {
class ISound;
}

namespace tormakelin::fxcore {

class SoundResource;

class TORMAKELIN_FXCORE_API SoundEffect : public Effect {
public:
    static PluginDesc _pluginDesc;

    SoundEffect();
    ~SoundEffect() override;

    void eval(UpdateContext& context) override;
    void onDeactivated() override;
    void onPlaybackStop() override;
    void onPlaybackSetTime(UpdateContext& context) override;

    // The sound of the held resource, or null.
    sound::ISound* getSound() const;

private:
    void stopSound();
    void holdResource(SoundResource* resource);
    static bool ranOut(sound::ISound* sound);
    bool staysQuiet(sound::ISound* sound, float time, float previous) const;
    // Forgets that the sound ran out, so the next frame of playback starts it again.
    void rewind();

    float m_volume = 1.0f;
    core::SmartRef<SoundResource> m_resource;
    // Started or heard playing by this node since its layer began or the play time moved.
    bool m_started = false;
    // The context's time at the last evaluation during playback: a loop's wrap goes back.
    float m_lastTime = 0.0f;
};

} // namespace tormakelin::fxcore
