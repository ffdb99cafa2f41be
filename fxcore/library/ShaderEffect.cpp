#include <tormakelin/fxcore/ShaderEffect.h>

#include "PluginDescs.h"

#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>

#include <tormakelin/core/ChildGuard.h>
#include <tormakelin/core/SmartRef.h>

namespace tormakelin::fxcore {

namespace {

// The text comes from a data pack, and the shader compiler's front end dies on some malformed
// text: it is compiled in a child first, once per distinct text.
bool compilerSurvives(std::string const& hlsl, render::IShaderPool* pool, render::IShaderInclude* include)
{
    return core::survivesInChild("effect", hlsl, [&] {
        render::compileShaderWithoutDevice(hlsl.data(), static_cast<unsigned>(hlsl.size()), pool, include);
    });
}

} // namespace

PluginDesc ShaderEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "5F044A2D-1485-11DE-8C43-884C9573DF09", "3D/Shader/Shader", "Shader Effect");

ShaderEffect::ShaderEffect()
{
    // Edited as a property only: a linked text would recompile on every change upstream.
    NodeParameter* hlsl = addInput("Attributes/Hlsl", kParameterText, "", &m_hlsl);
    hlsl->linkable = false;
    hlsl->visible = false;
    addOutput("Result", kParameterLink, nullptr);
    enableParameterChangedNotify(true);
}

ShaderEffect::~ShaderEffect()
{
    if (m_shader)
        m_shader->release();
}

void ShaderEffect::createShader()
{
    m_hlsl = findInput("Attributes/Hlsl")->value->getText();
    m_status = "Ok";
    render::IShader* compiled = nullptr;
    if (!m_hlsl.empty()) {
        core::SmartRef<render::IShader> const shader = render::createShader();
        render::ShaderManager const* manager = render::g_shaderManager;
        render::IShaderPool* const pool = manager ? manager->getPool() : nullptr;
        render::IShaderInclude* const include = manager ? manager->getInclude() : nullptr;
        if (!shader)
            m_status = "Unable to create shader.";
        else if (!compilerSurvives(m_hlsl, pool, include))
            m_status = "the shader compiler failed on this effect";
        else if (shader->compile(m_hlsl.data(), static_cast<unsigned>(m_hlsl.size()), pool, include))
            compiled = shader.get();
        else
            m_status = shader->getErrors();
        if (compiled)
            compiled->addRef();
    }
    // No fallback to the last good shader: users of the link then draw without one.
    if (m_shader)
        m_shader->release();
    m_shader = compiled;
}

void ShaderEffect::onParameterChanged(NodeParameter*)
{
    createShader();
}

void ShaderEffect::eval(UpdateContext&) {}

} // namespace tormakelin::fxcore
