#include <tormakelin/fxcore/SoundEffect.h>

#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/sound/Sound.h>

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
    if (sound->isPlaying())
        return;
    // A sound we started that stopped by itself has run out: restarting it past its end every frame
    // would cost a seek per frame and play nothing. It waits until the play time moves.
    if (m_started)
        return;
    // The timeline's time, not the layer's: music stays in step wherever its layer starts.
    sound->setPosition(float(context.playTime));
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
    if (sound && sound->isPlaying())
        sound->setPosition(float(context.playTime));
    else
        rewind();
}

} // namespace tormakelin::fxcore
