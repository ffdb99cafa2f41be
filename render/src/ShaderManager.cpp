#include <tormakelin/render/ShaderManager.h>

namespace tormakelin::render {

ShaderManager* g_shaderManager = nullptr;
IShader* g_currentShader = nullptr;

ShaderManager::ShaderManager()
{
    g_shaderManager = this;
}

ShaderManager::~ShaderManager()
{
    if (g_shaderManager == this) {
        g_shaderManager = nullptr;
    }
}

} // namespace tormakelin::render
