#include <tormakelin/fxcore/ImageEffects.h>

#include "PluginDescs.h"

#include <tormakelin/render/Shader.h>

namespace tormakelin::fxcore {

PluginDesc Gradient::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "9C8AE555-567B-11DE-95C2-EAC7C912CFB7",
        "Effect/Texture/Gradient", "Gradient Effect");
PluginDesc RadialGradient::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "96A70BD1-5683-11DE-86FC-C775518C9FBA",
        "Effect/Texture/Radial Gradient", "Radial Gradient Effect");

namespace {

// Each gradient has one technique, whatever the stored UV mode.
std::string const kGradientTechnique = "Gradient";
std::string const kRadialTechnique = "RadialGradient";

void setColor(render::IShader* shader, TextureEffect::SharedData::Param const& parameter, D3DXVECTOR4 const& bytes)
{
    D3DXVECTOR4 const color = bytes / 255.0f;
    shader->setFloat4(parameter.get(), color);
}

} // namespace

Gradient::Gradient()
    : ImageEffectBase({})
{
    addInput("Gradient/Top Left", kParameterColor, "255,255,255,255", &m_topLeft);
    addInput("Gradient/Top Right", kParameterColor, "255,255,255,255", &m_topRight);
    addInput("Gradient/Bottom Left", kParameterColor, "0,0,0,255", &m_bottomLeft);
    addInput("Gradient/Bottom Right", kParameterColor, "0,0,0,255", &m_bottomRight);
    finishInputs();
}

void Gradient::render(RenderContext& context)
{
    render::IShader* shader = beginModel(kGradientTechnique, kGradientTechnique, nullptr, &context);
    if (!shader)
        return;
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    setColor(shader, shared.gradientLowerLeft, m_bottomLeft);
    setColor(shader, shared.gradientLowerRight, m_bottomRight);
    setColor(shader, shared.gradientUpperLeft, m_topLeft);
    setColor(shader, shared.gradientUpperRight, m_topRight);
    drawModel(shader);
}

RadialGradient::RadialGradient()
    : ImageEffectBase({})
{
    addInput("Gradient/Inner", kParameterColor, "255,255,255,255", &m_inner);
    addInput("Gradient/Outer", kParameterColor, "0,0,0,255", &m_outer);
    finishInputs();
}

void RadialGradient::render(RenderContext& context)
{
    render::IShader* shader = beginModel(kRadialTechnique, kRadialTechnique, nullptr, &context);
    if (!shader)
        return;
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    setColor(shader, shared.gradientLowerLeft, m_outer);
    setColor(shader, shared.gradientLowerRight, m_inner);
    drawModel(shader);
}

} // namespace tormakelin::fxcore
