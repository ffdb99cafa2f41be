#include <tormakelin/fxcore/SoundEffect.h>

#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/sound/Sound.h>

#include <utility>

namespace tormakelin::fxcore {

PluginDesc SoundEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "FB00D410-EA7D-11DD-B06F-A03A0823C824", "Effect/Sound/Sound", "Sound Effect");

SoundEffect::SoundEffect()
{
    addInput("Sound", kParameterResource, "0", nullptr);
    addInput("Volume", kParameterFloat, "1", &m_volume);
}

SoundEffect::~SoundEffect()
{
    stopSound();
}

sound::ISound* SoundEffect::getSound() const
{
    return m_resource ? m_resource->getSound() : nullptr;
}

void SoundEffect::stopSound()
{
    sound::ISound* sound = getSound();
    if (sound && sound->isPlaying())
        sound->stop();
    rewind();
}

void SoundEffect::rewind()
{
    m_started = false;
}

// A sound that is no longer linked must not play on with nothing left to stop it.
void SoundEffect::holdResource(SoundResource* resource)
{
    if (resource == m_resource.get())
        return;
    stopSound();
    m_resource = resource;
}

// Stopped at its end: it ran out by itself. Stopped anywhere else, another node stopped it.
bool SoundEffect::ranOut(sound::ISound* sound)
{
    constexpr float kEndMargin = 0.001f;
    return sound->getPosition() >= sound->getLength() - kEndMargin;
}

// Past its end a start would cost a seek and play nothing. A sound that ran out by itself ends a
// moment early by the play clock, as the mixer runs ahead of it; a loop that began again or a
// seek back starts it again.
bool SoundEffect::staysQuiet(sound::ISound* sound, float time, float previous) const
{
    constexpr float kMixerLead = 0.25f;
    float const length = sound->getLength();
    if (time >= length)
        return true;
    return m_started && time >= previous && time >= length - kMixerLead && ranOut(sound);
}

void SoundEffect::eval(UpdateContext& context)
{
    // Made once: the frame path builds no lists it can keep.
    static std::vector<core::UniqueId> const soundTypes{SoundResource::_pluginDesc.id};
    core::SmartRef<IResource> const linked = firstResourceConnectedToInput("Sound", soundTypes, context.instanceParameters);
    holdResource(dynamic_cast<SoundResource*>(linked.get()));
    sound::ISound* sound = getSound();
    if (!sound || !context.playing)
        return;
    // Set before a start too, so a new volume is heard in the frame it is set.
    sound->setVolume(m_volume);
    if (sound->isPlaying()) {
        m_started = true;
        m_lastTime = float(context.time);
        return;
    }
    // The context's time: inside a layer's graph the layer's own, wrapped by a looping layer, so
    // its sound starts with it and with every loop of it.
    float const time = float(context.time);
    if (staysQuiet(sound, time, std::exchange(m_lastTime, time)))
        return;
    sound->setPosition(time);
    sound->play(false);
    m_started = true;
}

void SoundEffect::onDeactivated()
{
    stopSound();
}

void SoundEffect::onPlaybackStop()
{
    stopSound();
}

void SoundEffect::onPlaybackSetTime(UpdateContext& context)
{
    sound::ISound* sound = getSound();
    // A looping layer hands on its unwrapped time, which may lie past the sound's end: stopped
    // there rather than sought to its end, the sound starts again at the wrapped time next frame.
    float const time = float(context.time);
    if (sound && sound->isPlaying()) {
        if (time >= sound->getLength())
            sound->stop();
        else
            sound->setPosition(time);
    }
    rewind();
}

} // namespace tormakelin::fxcore
