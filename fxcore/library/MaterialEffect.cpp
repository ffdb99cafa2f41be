#include <tormakelin/fxcore/SceneNodes.h>

#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"
#include "SceneShader.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/Shader.h>

#include <utility>

namespace tormakelin::fxcore {

namespace detail {

render::IShader* linkedShader(IGraphNode& node, std::string const& input)
{
    static std::vector<core::UniqueId> const kinds = {ShaderEffect::_pluginDesc.id};
    render::IShader* shader = nullptr;
    bool first = true;
    forEachLinkedNode(node.findInput(input), kinds, [&](IGraphNode* linked) {
        if (std::exchange(first, false))
            if (auto const* shaderNode = dynamic_cast<ShaderEffect const*>(linked))
                shader = shaderNode->getShader();
    });
    return shader;
}

void checkSceneTechniques(IGraphNode& node, render::IShader* shader, render::IShader*& reported)
{
    if (shader == reported)
        return;
    reported = shader;
    if (!shader)
        return;
    for (int technique : {kavro::RenderTechnique_Shadow, kavro::RenderTechnique_ZPass, kavro::RenderTechnique_Solid,
             kavro::RenderTechnique_ReflectiveMask})
        if (shader->hasTechnique(kavro::getTechniqueName(technique)))
            return;
    std::string const message =
        "the linked shader has none of the techniques \"Solid\", \"Shadow\", \"ZPass\", \"ReflectiveMask\": "
        "nothing is drawn with it";
    core::Debug(core::DebugWarning, __FILE__, __LINE__, "SceneRender") << node.getInstanceName() << ": " << message;
    node.setErrorString(message);
}

} // namespace detail

void collectShaderParameters(IGraphNode& node, std::string const& input, std::vector<kavro::IShaderParameter*>& out)
{
    collectShaderParameters(node.findInput(input), out);
}

void collectShaderParameters(NodeParameter const* input, std::vector<kavro::IShaderParameter*>& out)
{
    out.clear();
    static std::vector<core::UniqueId> const anyKind;
    forEachLinkedNode(input, anyKind, [&](IGraphNode* linked) {
        if (auto* parameterNode = dynamic_cast<ShaderParameterNode*>(linked))
            if (kavro::IShaderParameter* parameter = parameterNode->getShaderParameter())
                out.push_back(parameter);
    });
}

PluginDesc MaterialEffect::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "064B4B3F-1412-11DE-A36D-B9C63559994F", "3D/Shader/Material", "Material Effect");

MaterialEffect::MaterialEffect()
{
    addInput("Attributes/Name", kParameterText, "", &m_name);
    addInput("Attributes/Doublesided", kParameterBool, "0", &m_doubleSided);
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    NodeParameter* type = addInput("Attributes/Type", kParameterOption, "0", &m_type);
    type->value->addOption("Solid", kavro::MaterialType_Solid);
    type->value->addOption("Reflective", kavro::MaterialType_Reflective);
    addInput("Parameters/Ambient", kParameterColor, "0,0,0,255", &m_ambient);
    addInput("Parameters/Diffuse", kParameterColor, "255,255,255,255", &m_diffuse);
    addInput("Parameters/Specular", kParameterColor, "255,255,255,255", &m_specular);
    addInput("Parameters/Emissive", kParameterColor, "0,0,0,255", &m_emissive);
    addInput("Parameters/Specular Level", kParameterFloat, "0", &m_specularLevel);
    addInput("Parameters/Glossiness", kParameterFloat, "32", &m_glossiness);
    addInput("Parameters/Opacity", kParameterFloat, "1", &m_opacity);
    addInput("Parameters/Embm", kParameterVec4, "0.25,0.25,0.75,0.75", &m_embm);
    addInput("Shader/Shader Parameters", kParameterLink, "", nullptr);
    addInput("Shader/Shader", kParameterLink, "", nullptr);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

void MaterialEffect::eval(UpdateContext&)
{
    static std::string const shaderInput = "Shader/Shader";
    static std::string const parametersInput = "Shader/Shader Parameters";
    if (m_settings.name != m_name)
        m_settings.name = m_name;
    m_settings.twoSided = m_doubleSided ? 1 : 0;
    m_settings.blendMode = m_blendMode;
    m_settings.type = static_cast<uint32_t>(m_type);
    m_settings.ambient = m_ambient / 255.0f;
    m_settings.diffuse = m_diffuse / 255.0f;
    m_settings.specular = m_specular / 255.0f;
    m_settings.emissive = m_emissive / 255.0f;
    m_settings.specularLevel = m_specularLevel;
    m_settings.glossiness = m_glossiness;
    m_settings.opacity = m_opacity;
    m_settings.embm = m_embm;
    m_settings.shader = detail::linkedShader(*this, shaderInput);
    detail::checkSceneTechniques(*this, m_settings.shader, m_reportedShader);
    collectShaderParameters(*this, parametersInput, m_settings.shaderParameters);
}

} // namespace tormakelin::fxcore
