#include <tormakelin/fxcore/Resources.h>

#include "PluginDescs.h"

#include <tormakelin/fxcore/GifDecoder.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/render/Texture.h>

#include <algorithm>
#include <cmath>

namespace tormakelin::fxcore {

PluginDesc AnimatedTextureResource::_pluginDesc = libraryPluginDesc(kPluginResource,
    "095C32A8-0689-11DE-8B8C-FBA208CCE8DA", "Animated Texture Resource", "Animated Texture Resource");

AnimatedTextureFrame::~AnimatedTextureFrame()
{
    if (texture)
        texture->release();
}

AnimatedTextureResource::~AnimatedTextureResource()
{
    for (AnimatedTextureFrame* frame : m_frames)
        delete frame;
    m_frames.clear();
    m_maxWidth = 0;
    m_maxHeight = 0;
}

void AnimatedTextureResource::addFrame(AnimatedTextureFrame* frame)
{
    if (!frame)
        return;
    m_frames.push_back(frame);
    m_maxWidth = std::max(m_maxWidth, frame->width);
    m_maxHeight = std::max(m_maxHeight, frame->height);
}

bool AnimatedTextureResource::read(std::string const& fileName)
{
    core::IStream* opened = core::g_fileSystem ? core::g_fileSystem->open(fileName) : nullptr;
    if (!opened)
        return false;
    core::SmartRef<core::IStream> const stream(opened);
    GifDecoder decoder;
    if (!decoder.decode(stream.get())) {
        if (!decoder.getError().empty())
            core::Debug(core::DebugWarning, __FILE__, __LINE__, "resources") << fileName << ": " << decoder.getError();
        return false;
    }
    bool added = false;
    for (GifFrame const& source : decoder.getImage().frames) {
        // A frame without pixels has nothing to show; it must not sink the others.
        if (source.width <= 0 || source.height <= 0)
            continue;
        render::TextureCreateParams params;
        params.levels = 1;
        params.usage = 0;
        params.format = D3DFMT_A8R8G8B8;
        render::ITexture* texture =
            render::createTextureRgba(unsigned(source.width), unsigned(source.height), source.pixels.data(), &params);
        if (!texture)
            return false;
        auto* frame = new AnimatedTextureFrame();
        texture->addRef();
        frame->texture = texture;
        frame->disposal = source.disposal;
        frame->left = source.left;
        frame->top = source.top;
        frame->width = source.width;
        frame->height = source.height;
        frame->delay = float(source.delay);
        addFrame(frame);
        added = true;
    }
    return added;
}

void AnimatedTextureResource::getFrame(float seconds, std::vector<AnimatedTextureFrame const*>& out) const
{
    out.clear();
    if (m_frames.empty())
        return;
    float total = 0.0f;
    for (AnimatedTextureFrame const* frame : m_frames)
        total += frame->delay / 100.0f;
    // No delay at all gives no cycle to place the time in.
    if (!(total > 0.0f)) {
        out.push_back(m_frames.front());
        return;
    }
    float u = std::fmod(seconds, total);
    if (u < 0.0f)
        u += total;
    float start = 0.0f;
    for (AnimatedTextureFrame const* frame : m_frames) {
        float const end = start + frame->delay / 100.0f;
        if ((u > end && frame->disposal == kDisposalKeep) || (start <= u && u <= end))
            out.push_back(frame);
        start = end;
    }
}

} // namespace tormakelin::fxcore
