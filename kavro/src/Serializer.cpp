#include <tormakelin/kavro/Animated.h>
#include <tormakelin/kavro/RenderPass.h>
#include <tormakelin/kavro/Serializer.h>

#include <tormakelin/core/Stream.h>

namespace tormakelin::kavro {

bool Serializer::create(core::IStream* stream, const SerializerParams& params)
{
    if (!core::Serializer::create(stream, params.mode == SerializerMode_Store)) {
        return false;
    }
    m_mode = params.mode;
    m_options = params.options;
    return true;
}

uint64_t Serializer::remaining()
{
    core::IStream* stream = getStream();
    if (stream == nullptr) {
        return 0;
    }
    const uint64_t size = stream->getSize();
    const uint64_t at = stream->getPosition();
    return at < size ? size - at : 0;
}

bool Serializer::fits(uint64_t count, uint64_t minBytes)
{
    return isStoring() || count * minBytes <= remaining();
}

namespace io {
bool count(Serializer* serializer, uint32_t& count, uint64_t minRecordBytes)
{
    return value(serializer, count) && serializer->fits(count, minRecordBytes);
}
}  // namespace io

bool serializeTrack(Serializer* serializer, core::IKeyframe*& track)
{
    uint32_t hasTrack = track ? 1 : 0;
    if (!io::value(serializer, hasTrack)) {
        return false;
    }
    if (serializer->isStoring()) {
        return hasTrack == 0 || track->serialize(serializer);
    }
    if (hasTrack == 0) {
        return true;
    }
    core::IKeyframe* loaded = core::createKeyframe();
    loaded->addRef();
    if (!loaded->serialize(serializer)) {
        loaded->release();
        return false;
    }
    if (track) {
        track->release();
    }
    track = loaded;
    return true;
}

const char* getTechniqueName(int technique)
{
    switch (technique) {
    case RenderTechnique_Shadow:
        return "Shadow";
    case RenderTechnique_ZPass:
        return "ZPass";
    case RenderTechnique_Solid:
    case RenderTechnique_Blended:
    case RenderTechnique_Reflective:
        return "Solid";
    case RenderTechnique_ReflectiveMask:
        return "ReflectiveMask";
    default:
        return "invalid technique";
    }
}

}  // namespace tormakelin::kavro
