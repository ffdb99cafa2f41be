#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::fxcore {

PluginDesc Gradient::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "9C8AE555-567B-11DE-95C2-EAC7C912CFB7",
        "Effect/Texture/Gradient", "Gradient Effect");
PluginDesc RadialGradient::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "96A70BD1-5683-11DE-86FC-C775518C9FBA",
        "Effect/Texture/Radial Gradient", "Radial Gradient Effect");

namespace {

std::string const kGradientTechnique = "Gradient";
std::string const kRadialTechnique = "RadialGradient";

void setColor(render::IShader* shader, TextureEffect::SharedData::Param const& parameter, D3DXVECTOR4 const& bytes)
{
    D3DXVECTOR4 const color = bytes / 255.0f;
    shader->setFloat4(parameter.get(), color);
}

} // namespace

GradientBase::GradientBase()
{
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    TextureEffect::addChannelOptions(addInput("Attributes/Channel", kParameterOption, "0", &m_channel));
    enableTransform(kTransform2d, kTransformHandleAll, 0);
    // Stored for the editor; each gradient has one technique.
    TextureEffect::addUvModeOptions(addInput("UV/UV Mode", kParameterOption, "1", &m_uvMode));
    addInput("UV/UV Rect", kParameterVec4, "0,0,1,1", &m_uvRect);
}

void GradientBase::drawGradient(RenderContext& context, std::string const& technique)
{
    render::IShader* shader = TextureEffect::sharedShader();
    if (!shader)
        return;
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    render::applyBlendMode(render::BlendMode_Solid);
    TextureEffect::setQuadStates();
    render::applyBlendMode(static_cast<render::BlendMode>(m_blendMode));
    shader->setTechnique(technique);
    shared.vertexDecl->bind();
    setColor(shader, shared.color, m_color);
    D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
    shader->setVector2(shared.invViewportSize.get(), &inverse);
    D3DXMATRIX const matrix = TextureEffect::placedMatrix(*this);
    shader->setMatrix(shared.worldViewProjection.get(), &matrix);
    setCorners(shader);
    shader->setFloat(shared.time.get(), context.time);
    QuadVertex quad[4];
    TextureEffect::buildQuad(getTransform(), m_uvRect, quad);
    TextureEffect::drawPassesMasked(shader, quad, m_channel);
}

Gradient::Gradient()
{
    addInput("Gradient/Top Left", kParameterColor, "255,255,255,255", &m_topLeft);
    addInput("Gradient/Top Right", kParameterColor, "255,255,255,255", &m_topRight);
    addInput("Gradient/Bottom Left", kParameterColor, "0,0,0,255", &m_bottomLeft);
    addInput("Gradient/Bottom Right", kParameterColor, "0,0,0,255", &m_bottomRight);
    enableScript();
    TextureEffect::addSharedRef();
}

Gradient::~Gradient()
{
    TextureEffect::decSharedRef();
}

void Gradient::render(RenderContext& context)
{
    drawGradient(context, kGradientTechnique);
}

void Gradient::setCorners(render::IShader* shader)
{
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    setColor(shader, shared.gradientLowerLeft, m_bottomLeft);
    setColor(shader, shared.gradientLowerRight, m_bottomRight);
    setColor(shader, shared.gradientUpperLeft, m_topLeft);
    setColor(shader, shared.gradientUpperRight, m_topRight);
}

RadialGradient::RadialGradient()
{
    addInput("Gradient/Inner", kParameterColor, "255,255,255,255", &m_inner);
    addInput("Gradient/Outer", kParameterColor, "0,0,0,255", &m_outer);
    enableScript();
    TextureEffect::addSharedRef();
}

RadialGradient::~RadialGradient()
{
    TextureEffect::decSharedRef();
}

void RadialGradient::render(RenderContext& context)
{
    drawGradient(context, kRadialTechnique);
}

void RadialGradient::setCorners(render::IShader* shader)
{
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    setColor(shader, shared.gradientLowerLeft, m_outer);
    setColor(shader, shared.gradientLowerRight, m_inner);
}

} // namespace tormakelin::fxcore
