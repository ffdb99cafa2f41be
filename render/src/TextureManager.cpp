#include <tormakelin/render/TextureManager.h>

#include <algorithm>

#include "PathKey.h"

namespace tormakelin::render {

TextureManager* g_textureManager = nullptr;

TextureManager::~TextureManager()
{
    clear();
}

ITexture* TextureManager::findTexture(TextureType type, const std::string& path)
{
    for (ITexture* texture : m_textures) {
        if (texture->getTextureType() == type && samePath(texture->getFileName(), path)) {
            return texture;
        }
    }
    return nullptr;
}

bool TextureManager::addTexture(ITexture* texture)
{
    if (texture == nullptr || std::find(m_textures.begin(), m_textures.end(), texture) != m_textures.end()) {
        return false;
    }
    texture->addRef();
    m_textures.push_back(texture);
    return true;
}

bool TextureManager::removeTexture(ITexture* texture)
{
    auto it = std::find(m_textures.begin(), m_textures.end(), texture);
    if (it == m_textures.end()) {
        return false;
    }
    m_textures.erase(it);
    texture->release();
    return true;
}

void TextureManager::clear()
{
    // A texture's release may come back here (removeTexture), so work on a detached list.
    std::vector<ITexture*> held;
    held.swap(m_textures);
    for (ITexture* texture : held) {
        texture->release();
    }
}

} // namespace tormakelin::render
