#include <tormakelin/fxcore/ResourceLoaders.h>

#include "LoaderSupport.h"
#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/TextureAtlasFile.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureData.h>
#include <tormakelin/sound/Sound.h>

#include <cstdio>

namespace tormakelin::fxcore {

using detail::createResourcePlugin;
using detail::failLoad;
using detail::finishLoad;

namespace {

PluginDesc loaderDesc(char const* id, char const* path, char const* name)
{
    return libraryPluginDesc(kPluginResourceLoader, id, path, name);
}

} // namespace

PluginDesc TextureResourceLoader::_pluginDesc =
    loaderDesc("A6A09A24-B71E-11DD-B744-EBAD6DC0932E", "Texture/Texture", "2d Texture Resource Loader");
PluginDesc CubeTextureResourceLoader::_pluginDesc =
    loaderDesc("DBE7028D-2274-11DE-9105-CA55D6869DA8", "Texture/Cubemap", "Cube Texture Resource Loader");
PluginDesc AnimatedTextureResourceLoader::_pluginDesc = loaderDesc(
    "D992F1B0-0683-11DE-B5EE-E18597D763F8", "Texture/Animated Texture", "Animated Texture Resource Loader");
PluginDesc TextureAtlasResourceLoader::_pluginDesc =
    loaderDesc("DC58A293-3E62-11DE-909D-9F1312BBD935", "Texture/Texture Atlas", "Texture Atlas Resource Loader");
PluginDesc SceneResourceLoader::_pluginDesc =
    loaderDesc("F802D9D0-0D66-11DE-9658-A306579BAEC5", "3D/Scene", "Scene Resource Loader");
PluginDesc SoundResourceLoader::_pluginDesc =
    loaderDesc("0EEDB060-EA7E-11DD-B06F-A03A0823C824", "Sound/Sound", "Image Resource Loader");

FileResourceLoader::FileResourceLoader(std::string description, std::string pattern)
    : m_description(std::move(description)), m_pattern(std::move(pattern))
{
    addParameter("Filename", kParameterText, "");
}

void FileResourceLoader::loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive,
    IResource** resource)
{
    *resource = nullptr;
    result = ResourceLoadResult{};
    if (interactive) {
        ResourceDialog dialog;
        dialog.addFileType(m_description, m_pattern);
        dialog.addFileType("All Files (*.*)", "*.*");
        if (!dialog.doModal(parentWindow, ResourceDialogOpenFile)) {
            result.status = kResourceLoadCancelled;
            return;
        }
        findParameter("Filename")->setText(dialog.getFileName());
    }
    load(result, findParameter("Filename")->getText(), resource);
}

TextureResourceLoader::TextureResourceLoader()
    : FileResourceLoader("Image Files (*.jpg;*.png;*.tga;*.bmp;*.dds)", "*.jpg;*.png;*.tga;*.bmp;*.dds")
{
}

namespace {

// The texture belongs to the texture cache; the resource adds its own reference.
void loadTextureResource(ResourceLoadResult& result, IResourceLoader* loader, std::string const& fileName,
    render::ITexture* texture, char const* typeLabel, IResource** resource)
{
    if (!texture) {
        failLoad(result, "Unable to load image: " + fileName + ".");
        return;
    }
    auto made = createResourcePlugin<TextureResource>(result, "TextureResource");
    if (!made)
        return;
    made->setTexture(texture);
    finishLoad(result, made.get(), loader, core::stripDrive(fileName), typeLabel, fileName, resource);
}

} // namespace

void TextureResourceLoader::load(ResourceLoadResult& result, std::string const& fileName, IResource** resource)
{
    loadTextureResource(result, this, fileName, render::loadTexture(fileName), "2d texture", resource);
}

CubeTextureResourceLoader::CubeTextureResourceLoader() : FileResourceLoader("Cubemap Files (*.dds)", "*.dds") {}

void CubeTextureResourceLoader::load(ResourceLoadResult& result, std::string const& fileName, IResource** resource)
{
    loadTextureResource(result, this, fileName, render::loadCubeTexture(fileName), "Cube texture", resource);
}

AnimatedTextureResourceLoader::AnimatedTextureResourceLoader()
    : FileResourceLoader("Animated Image Files (*.gif)", "*.gif")
{
}

void AnimatedTextureResourceLoader::load(ResourceLoadResult& result, std::string const& fileName,
    IResource** resource)
{
    auto made = createResourcePlugin<AnimatedTextureResource>(result, "AnimatedTextureResource");
    if (!made)
        return;
    if (!made->read(fileName)) {
        failLoad(result, "Unable to load animated image: " + fileName + ".");
        return;
    }
    finishLoad(result, made.get(), this, core::stripDrive(fileName), "Animated Texture", fileName, resource);
}

TextureAtlasResourceLoader::TextureAtlasResourceLoader()
    : FileResourceLoader("Tormakelin Texture Atlas Files (*.atl)", "*.atl")
{
}

void TextureAtlasResourceLoader::load(ResourceLoadResult& result, std::string const& fileName, IResource** resource)
{
    core::IStream* opened = core::g_fileSystem ? core::g_fileSystem->open(fileName) : nullptr;
    core::SmartRef<core::IStream> const stream(opened);
    // Held from here on, so that every way out releases it.
    core::SmartRef<render::ITextureAtlas> const atlas(stream ? readTextureAtlas(stream.get()) : nullptr);
    if (!atlas) {
        failLoad(result, "Unable to load atlas: " + fileName + ".");
        return;
    }
    std::string const& textureName = atlas->getData().textureFileName;
    render::ITexture* texture = render::loadTexture(textureName);
    if (!texture) {
        failLoad(result, "Unable to load atlas texture: " + textureName + ".");
        return;
    }
    auto made = createResourcePlugin<TextureAtlasResource>(result, "TextureAtlasResource");
    if (!made)
        return;
    made->setAtlas(atlas.get());
    made->setTexture(texture);
    char size[48];
    std::snprintf(size, sizeof(size), " (%dx%d)", atlas->getData().width, atlas->getData().height);
    finishLoad(result, made.get(), this, core::stripDrive(fileName) + size, "Texture Atlas", fileName, resource);
}

SceneResourceLoader::SceneResourceLoader() : FileResourceLoader("Scene Files (*.k3d)", "*.k3d") {}

void SceneResourceLoader::load(ResourceLoadResult& result, std::string const& fileName, IResource** resource)
{
    core::SmartRef<kavro::ISceneGraph> const scene(kavro::loadSceneGraph(fileName));
    if (!scene) {
        failLoad(result, "Unable to load scene: " + fileName + ".");
        return;
    }
    auto made = createResourcePlugin<SceneResource>(result, "SceneResource");
    if (!made)
        return;
    made->setScene(scene.get());
    finishLoad(result, made.get(), this, core::stripDrive(fileName), "Scene", fileName, resource);
}

SoundResourceLoader::SoundResourceLoader()
    : FileResourceLoader("Sound Files (*.mp3;*.ogg;*.wav;*.xm;*.mod)", "*.mp3;*.ogg;*.wav;*.xm;*.mod")
{
}

void SoundResourceLoader::load(ResourceLoadResult& result, std::string const& fileName, IResource** resource)
{
    core::SmartRef<sound::ISound> const sound(sound::createSound());
    if (!sound || !sound->load(fileName)) {
        failLoad(result, "Unable to load sound: " + fileName + ".");
        return;
    }
    auto made = createResourcePlugin<SoundResource>(result, "SoundResource");
    if (!made)
        return;
    made->setSound(sound.get());
    finishLoad(result, made.get(), this, core::stripDrive(fileName), "Sound", fileName, resource);
}

} // namespace tormakelin::fxcore
