#pragma once
// The device's shader registry: loaded effects by path, their pool and shared includes.

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class IShader;

class TORMAKELIN_RENDER_API ShaderManager {
public:
    // Sets g_shaderManager.
    ShaderManager();
    ~ShaderManager();
    ShaderManager(const ShaderManager&) = delete;
    ShaderManager& operator=(const ShaderManager&) = delete;

    void enableCache(bool enable) { m_cacheEnabled = enable; }
    bool isCacheEnabled() const { return m_cacheEnabled; }

private:
    bool m_cacheEnabled = true;
};

TORMAKELIN_RENDER_API extern ShaderManager* g_shaderManager;
// The shader between its begin and end, or null.
TORMAKELIN_RENDER_API extern IShader* g_currentShader;

} // namespace tormakelin::render
