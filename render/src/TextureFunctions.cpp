#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureManager.h>

#include <vector>

#include "FileBytes.h"
#include "TextureDecode.h"
#include "TextureKinds.h"

namespace tormakelin::render {

namespace {

// A new object that `make` fills, or null (the object destroyed) when it fails.
template <class T, class Make>
ITexture* made(Make make)
{
    auto* texture = new T();
    if (!make(*texture)) {
        delete texture;
        return nullptr;
    }
    return texture;
}

template <class T>
ITexture* loadCached(TextureType type, const std::string& path, const TextureCreateParams* params)
{
    TextureManager* manager = g_textureManager;
    if (manager == nullptr) {
        return nullptr;
    }
    if (ITexture* found = manager->findTexture(type, path)) {
        if (!manager->isCacheEnabled()) {
            found->reload();
        }
        return found;
    }
    auto* texture = new T();
    texture->addRef();
    ITexture* result = nullptr;
    if (texture->load(path, params)) {
        manager->addTexture(texture);
        result = texture;
    }
    texture->release();
    return result;
}

} // namespace

ITexture* loadTexture(const std::string& path, const TextureCreateParams* params)
{
    return loadCached<Texture>(TextureType_2D, path, params);
}

ITexture* loadCubeTexture(const std::string& path, const TextureCreateParams* params)
{
    return loadCached<CubeTexture>(TextureType_Cube, path, params);
}

ITexture* loadVolumeTexture(const std::string& path, const TextureCreateParams* params)
{
    return loadCached<VolumeTexture>(TextureType_Volume, path, params);
}

ITexture* createTexture(unsigned width, unsigned height, const TextureCreateParams* params)
{
    return made<Texture>([&](Texture& t) { return t.create(width, height, params); });
}

ITexture* createTexture(const void* data, unsigned size, const TextureCreateParams* params)
{
    return made<Texture>([&](Texture& t) { return t.create(data, size, params); });
}

ITexture* createTextureRgb(unsigned width, unsigned height, const void* pixels, const TextureCreateParams* params)
{
    return made<Texture>([&](Texture& t) { return t.create(D3DFMT_R8G8B8, width * 3, width, height, pixels, params); });
}

ITexture* createTextureRgba(unsigned width, unsigned height, const void* pixels, const TextureCreateParams* params)
{
    return made<Texture>(
        [&](Texture& t) { return t.create(D3DFMT_A8R8G8B8, width * 4, width, height, pixels, params); });
}

ITexture* createTextureAlpha(unsigned width, unsigned height, const void* pixels, const TextureCreateParams* params)
{
    return made<Texture>([&](Texture& t) { return t.create(D3DFMT_A8, width, width, height, pixels, params); });
}

ITexture* createCubeTexture(unsigned edge, const TextureCreateParams* params)
{
    return made<CubeTexture>([&](CubeTexture& t) { return t.create(edge, params); });
}

ITexture* createVolumeTexture(unsigned width, unsigned height, unsigned depth, const TextureCreateParams* params)
{
    return made<VolumeTexture>([&](VolumeTexture& t) { return t.create(width, height, depth, params); });
}

bool isCubeTexture(const std::string& path)
{
    std::vector<char> bytes;
    return readFileBytes(path, bytes) && !bytes.empty() && imageIsCube(bytes.data(), unsigned(bytes.size()));
}

} // namespace tormakelin::render
