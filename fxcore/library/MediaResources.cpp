#include <tormakelin/fxcore/Resources.h>

#include "PluginDescs.h"

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureData.h>
#include <tormakelin/sound/Sound.h>

namespace tormakelin::fxcore {

namespace {

// Holds `next` (one reference) in place of what `held` had.
template <class T>
void swapHeld(T*& held, T* next)
{
    if (next)
        next->addRef();
    if (held)
        held->release();
    held = next;
}

PluginDesc resourceDesc(char const* id, char const* name)
{
    return libraryPluginDesc(kPluginResource, id, name, name);
}

} // namespace

PluginDesc TextureResource::_pluginDesc = resourceDesc("1CF18094-BA19-11DD-83A8-8D9303237748", "Texture Resource");
PluginDesc SceneResource::_pluginDesc = resourceDesc("BD12FA3A-0D66-11DE-9658-A306579BAEC5", "Scene Resource");
PluginDesc SoundResource::_pluginDesc = resourceDesc("0A00B3E0-EA7E-11DD-B06F-A03A0823C824", "Sound Resource");
PluginDesc TextureAtlasResource::_pluginDesc =
    resourceDesc("7BBA3F63-3E5E-11DE-A50C-897DAB0361CA", "Texture Atlas Resource");

TextureResource::~TextureResource()
{
    swapHeld<render::ITexture>(m_texture, nullptr);
}

void TextureResource::setTexture(render::ITexture* texture)
{
    swapHeld(m_texture, texture);
}

SceneResource::~SceneResource()
{
    swapHeld<kavro::ISceneGraph>(m_scene, nullptr);
}

void SceneResource::setScene(kavro::ISceneGraph* scene)
{
    swapHeld(m_scene, scene);
}

void SceneResource::getDependantFiles(std::vector<std::string>& out) const
{
    Resource::getDependantFiles(out);
    if (!m_scene)
        return;
    for (kavro::ITexture* texture : m_scene->getTextures())
        // A texture made in memory has no file to list.
        if (texture && !texture->getFileName().empty())
            out.push_back(texture->getFileName());
}

SoundResource::~SoundResource()
{
    swapHeld<sound::ISound>(m_sound, nullptr);
}

void SoundResource::setSound(sound::ISound* sound)
{
    swapHeld(m_sound, sound);
}

TextureAtlasResource::~TextureAtlasResource()
{
    swapHeld<render::ITextureAtlas>(m_atlas, nullptr);
    swapHeld<render::ITexture>(m_texture, nullptr);
}

void TextureAtlasResource::setAtlas(render::ITextureAtlas* atlas)
{
    swapHeld(m_atlas, atlas);
}

void TextureAtlasResource::setTexture(render::ITexture* texture)
{
    swapHeld(m_texture, texture);
}

void TextureAtlasResource::getDependantFiles(std::vector<std::string>& out) const
{
    Resource::getDependantFiles(out);
    if (m_atlas)
        out.push_back(m_atlas->getData().textureFileName);
}

} // namespace tormakelin::fxcore
