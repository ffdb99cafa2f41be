#include <tormakelin/fxcore/SceneNodes.h>

#include <tormakelin/fxcore/Serializer.h>

#include "PluginDescs.h"

#include <tormakelin/core/Keyframe.h>

#include <algorithm>

namespace tormakelin::fxcore {

namespace {

// The track's first channels at `time`, at most `count` of them.
void evaluate(core::IKeyframe* track, float time, float* out, unsigned count)
{
    if (!track)
        return;
    float const* values = track->eval(time);
    if (!values)
        return;
    unsigned const channels = std::min(count, track->getDimension());
    std::copy(values, values + channels, out);
}

void serializeTrack(ISerializer* serializer, std::string const& name, core::SmartRef<core::IKeyframe>& track)
{
    if (serializer->isSaving()) {
        saveKeyframe(serializer, name, track.get());
        return;
    }
    forEachChildElement(serializer, name, [&](core::IXmlNode*) { track = loadKeyframe(serializer, name); });
}

} // namespace

PluginDesc Animation::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "C94EE51B-0E37-11DE-945C-D8B628B6A8A0", "Keyframe/Animation", "Animation");

Animation::Animation()
{
    addOutput("Position", kParameterVec3, &m_positionOut);
    addOutput("Rotation", kParameterVec4, &m_rotationOut);
    addOutput("Scale", kParameterVec3, &m_scaleOut);
}

Animation::~Animation() = default;

void Animation::eval(UpdateContext& context)
{
    float const time = static_cast<float>(context.time);
    m_positionOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_rotationOut = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    m_scaleOut = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    evaluate(m_position.get(), time, &m_positionOut.x, 3);
    evaluate(m_rotation.get(), time, &m_rotationOut.x, 4);
    evaluate(m_scale.get(), time, &m_scaleOut.x, 3);
}

bool Animation::serializeData(ISerializer* serializer)
{
    if (!serializer)
        return false;
    serializeTrack(serializer, "AnimationPosKeyframe", m_position);
    serializeTrack(serializer, "AnimationRotKeyframe", m_rotation);
    serializeTrack(serializer, "AnimationSclKeyframe", m_scale);
    return true;
}

void Animation::setPositionKeyframe(core::IKeyframe* keyframe) { m_position = keyframe; }
void Animation::setRotationKeyframe(core::IKeyframe* keyframe) { m_rotation = keyframe; }
void Animation::setScaleKeyframe(core::IKeyframe* keyframe) { m_scale = keyframe; }

} // namespace tormakelin::fxcore
