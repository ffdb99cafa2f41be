#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::fxcore {

PluginDesc TextureEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "64F960A0-E9FF-11DD-93A8-89895ED7ACE3",
        "Effect/Texture/Texture", "Texture Effect");

namespace {

std::string const kWrapTechnique = "ColorTextureWrap";
std::string const kClampTechnique = "ColorTextureClamp";

D3DXVECTOR4 scaled(D3DXVECTOR4 const& bytes)
{
    return bytes / 255.0f;
}

} // namespace

void TextureEffect::addBlendModeOptions(NodeParameter* input)
{
    for (int mode = 0; mode < render::BlendMode_Count; ++mode)
        input->value->addOption(render::blendModeToString(static_cast<render::BlendMode>(mode)), mode);
}

void TextureEffect::addChannelOptions(NodeParameter* input)
{
    static char const* const names[kChannelCount] = {"RGBA", "R", "G", "B", "A"};
    for (int channel = kChannelRgba; channel < kChannelCount; ++channel)
        input->value->addOption(names[channel], channel);
}

void TextureEffect::addUvModeOptions(NodeParameter* input)
{
    input->value->addOption("Wrap", kUvModeWrap);
    input->value->addOption("Clamp", kUvModeClamp);
}

TextureEffect::TextureEffect()
{
    addInput("Attributes/Texture", kParameterResource, "0", nullptr);
    addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    addChannelOptions(addInput("Attributes/Channel", kParameterOption, "0", &m_channel));
    enableTransform(kTransform2d, kTransformHandleAll, 0);
    addUvModeOptions(addInput("UV/UV Mode", kParameterOption, "1", &m_uvMode));
    addInput("UV/UV Rect", kParameterVec4, "0,0,1,1", &m_uvRect);
    addInput("Shader/Shader", kParameterLink, "", nullptr);
    addInput("Shader/Parameters", kParameterLink, "", nullptr);
    enableScript();
    m_sharedRef.take();
}

TextureEffect::~TextureEffect() = default;

void TextureEffect::eval(UpdateContext&) {}

void TextureEffect::render(RenderContext& context)
{
    render::IShader* user = linkedUserShader();
    render::ITexture* texture = nullptr;
    bool const connected = fetchTexture(*this, textureInputName(), context, texture);
    if (!connected && !user)
        return;
    if (user)
        drawUserShader(user);
    else
        drawShared(texture);
}

void TextureEffect::setStatesAndQuad(QuadVertex (&quad)[4])
{
    m_shared->vertexDecl->bind();
    render::applyBlendMode(static_cast<render::BlendMode>(m_blendMode));
    setQuadStates();
    buildQuad(getTransform(), m_uvRect, quad);
}

void TextureEffect::drawShared(render::ITexture* texture)
{
    render::IShader* shader = sharedShader();
    if (!shader)
        return;
    SharedData& shared = *m_shared;
    shader->setTechnique(m_uvMode != kUvModeWrap ? kClampTechnique : kWrapTechnique);
    QuadVertex quad[4];
    setStatesAndQuad(quad);
    if (texture)
        shader->setTexture(shared.colorTexture.get(), texture);
    D3DXVECTOR4 const color = scaled(m_color);
    shader->setFloat4(shared.color.get(), color);
    D3DXVECTOR2 const inverse = invViewportSize();
    shader->setVector2(shared.invViewportSize.get(), &inverse);
    D3DXMATRIX const matrix = placedMatrix(*this);
    shader->setMatrix(shared.worldViewProjection.get(), &matrix);
    drawPassesMasked(shader, quad, m_channel);
}

void TextureEffect::drawUserShader(render::IShader* shader)
{
    // The quad's declaration belongs to the shared effect.
    if (!sharedShader())
        return;
    QuadVertex quad[4];
    setStatesAndQuad(quad);
    bindUserParameters(shader);
    drawPassesMasked(shader, quad, m_channel);
}

} // namespace tormakelin::fxcore
