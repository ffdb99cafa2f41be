#pragma once
// The device's cache of loaded textures, keyed by type and path.

#include <string>
#include <vector>

#include <tormakelin/render/Export.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API TextureManager {
public:
    TextureManager() = default;
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // The held texture of that type and path, or null.
    ITexture* findTexture(TextureType type, const std::string& path);
    // False when already held; else the manager takes a reference.
    bool addTexture(ITexture* texture);
    // False when not held; else its reference is dropped.
    bool removeTexture(ITexture* texture);
    // Drops every held texture.
    void clear();
    void enableCache(bool enable) { m_cacheEnabled = enable; }
    bool isCacheEnabled() const { return m_cacheEnabled; }

private:
    std::vector<ITexture*> m_textures;
    bool m_cacheEnabled = true;
};

TORMAKELIN_RENDER_API extern TextureManager* g_textureManager;

} // namespace tormakelin::render
