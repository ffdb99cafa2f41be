#pragma once
// The device's shader registry: loaded effects by path, their pool and shared includes.

#include <string>
#include <vector>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class IShader;
class IShaderInclude;
class IShaderPool;

class TORMAKELIN_RENDER_API ShaderManager {
public:
    // Sets g_shaderManager.
    ShaderManager();
    ~ShaderManager();
    ShaderManager(const ShaderManager&) = delete;
    ShaderManager& operator=(const ShaderManager&) = delete;

    // The first held shader whose file name names `path`, drive, separators and case aside.
    IShader* findShader(const std::string& path);
    // False when already held; else the manager takes a reference.
    bool addShader(IShader* shader);
    // False when not held; else its reference is dropped.
    bool removeShader(IShader* shader);
    void clear();
    void enableCache(bool enable) { m_cacheEnabled = enable; }
    bool isCacheEnabled() const { return m_cacheEnabled; }
    IShaderPool* getPool() const { return m_pool; }
    // The registry that reload and loadShader compile with.
    IShaderInclude* getInclude() const { return m_include; }

private:
    std::vector<IShader*> m_shaders;
    bool m_cacheEnabled = true;
    IShaderPool* m_pool = nullptr;
    IShaderInclude* m_include = nullptr;
};

TORMAKELIN_RENDER_API extern ShaderManager* g_shaderManager;
// The shader between its begin and end, or null.
TORMAKELIN_RENDER_API extern IShader* g_currentShader;

} // namespace tormakelin::render
