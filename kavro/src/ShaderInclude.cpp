#include <tormakelin/kavro/ShaderInclude.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>

#include "EffectText.h"

namespace tormakelin::kavro {

bool setupShaderIncludes()
{
    render::ShaderManager* manager = render::g_shaderManager;
    if (!manager || !manager->getInclude()) {
        return false;
    }
    const std::string& text = embeddedEffectText();
    core::SmartRef<core::IStream> stream =
        core::createMemStream(const_cast<char*>(text.data()), unsigned(effectIncludeLength()), true, false);
    core::SmartRef<render::IShaderData> data = render::createShaderData(stream.get());
    return data && manager->getInclude()->addInclude("Tormakelin.fxh", data.get());
}

}  // namespace tormakelin::kavro
