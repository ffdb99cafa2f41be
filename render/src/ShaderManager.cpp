#include <tormakelin/render/ShaderManager.h>

#include <algorithm>

#include <tormakelin/render/Shader.h>

#include "PathKey.h"
#include "ShaderParts.h"

namespace tormakelin::render {

ShaderManager* g_shaderManager = nullptr;
IShader* g_currentShader = nullptr;

ShaderManager::ShaderManager() : m_pool(createEmptyShaderPool()), m_include(createShaderInclude())
{
    m_pool->addRef();
    m_include->addRef();
    g_shaderManager = this;
}

ShaderManager::~ShaderManager()
{
    clear();
    m_pool->release();
    m_include->release();
    if (g_shaderManager == this) {
        g_shaderManager = nullptr;
    }
}

IShader* ShaderManager::findShader(const std::string& path)
{
    for (IShader* shader : m_shaders) {
        if (samePath(shader->getFileName(), path)) {
            return shader;
        }
    }
    return nullptr;
}

bool ShaderManager::addShader(IShader* shader)
{
    if (shader == nullptr || std::find(m_shaders.begin(), m_shaders.end(), shader) != m_shaders.end()) {
        return false;
    }
    shader->addRef();
    m_shaders.push_back(shader);
    return true;
}

bool ShaderManager::removeShader(IShader* shader)
{
    auto it = std::find(m_shaders.begin(), m_shaders.end(), shader);
    if (it == m_shaders.end()) {
        return false;
    }
    m_shaders.erase(it);
    shader->release();
    return true;
}

void ShaderManager::clear()
{
    std::vector<IShader*> held;
    held.swap(m_shaders);
    for (IShader* shader : held) {
        shader->release();
    }
}

IShader* loadShader(const std::string& path)
{
    ShaderManager* manager = g_shaderManager;
    if (manager == nullptr) {
        return nullptr;
    }
    if (IShader* found = manager->findShader(path)) {
        // A failed reload still answers the shader: it is empty, and its errors say why, for
        // the caller to show.
        if (!manager->isCacheEnabled()) {
            found->reload();
        }
        return found;
    }
    IShader* shader = createShader();
    shader->addRef();
    IShader* result = nullptr;
    if (shader->load(path, manager->getPool(), manager->getInclude())) {
        manager->addShader(shader);
        result = shader;
    }
    shader->release();
    return result;
}

} // namespace tormakelin::render
