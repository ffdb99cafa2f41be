#include "SharedEffect.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/VertexDecl.h>

#include <cstring>

namespace tormakelin::fxcore {

bool compileSharedEffect(render::IShader* shader, char const* text, char const* owner)
{
    if (!shader || !text)
        return false;
    render::ShaderManager* manager = render::g_shaderManager;
    unsigned const length = static_cast<unsigned>(std::strlen(text) + 1);
    if (shader->compile(text, length, manager ? manager->getPool() : nullptr, manager ? manager->getInclude() : nullptr))
        return true;
    // The nodes then draw nothing until the last of them is gone and a new one compiles again.
    core::Debug(core::DebugWarning, __FILE__, __LINE__, owner)
        << "the shared effect does not compile: " << shader->getErrors();
    return false;
}

render::IVertexDecl* buildPositionTexCoordDecl()
{
    render::VertexDeclBuilder builder;
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    builder.add({0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
    return builder.build();
}

void addSharedUser(unsigned int& count, void (*create)(), void (*release)())
{
    if (count == 0) {
        try {
            create();
        } catch (...) {
            release();
            throw;
        }
    }
    ++count;
}

} // namespace tormakelin::fxcore
