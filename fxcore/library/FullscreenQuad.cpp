#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::fxcore {

PluginDesc FullscreenQuad::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "C0E625D2-F3A8-11DD-8057-8A02F6C56FE5",
        "Effect/Texture/Fullscreen Quad", "Fullscreen quad Effect");

namespace {

std::string const kTexturedTechnique = "FullscreenQuad";
std::string const kSolidTechnique = "FullscreenSolid";

} // namespace

FullscreenQuad::FullscreenQuad()
{
    addInput("Attributes/Texture", kParameterResource, "0", nullptr);
    NodeParameter* type = addInput("Attributes/Type", kParameterOption, "0", &m_type);
    type->value->addOption("Textured", kFullscreenQuadTextured);
    type->value->addOption("Solid", kFullscreenQuadSolid);
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    enableScript();
    m_sharedRef.take();
}

FullscreenQuad::~FullscreenQuad() = default;

void FullscreenQuad::render(RenderContext& context)
{
    render::ITexture* texture = nullptr;
    bool const connected = TextureEffect::fetchTexture(*this, TextureEffect::textureInputName(), context, texture);
    if (!connected && m_type != kFullscreenQuadSolid)
        return;
    render::IShader* shader = TextureEffect::sharedShader();
    if (!shader)
        return;
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    shader->setTechnique(m_type != kFullscreenQuadTextured ? kSolidTechnique : kTexturedTechnique);
    shared.vertexDecl->bind();
    render::applyBlendMode(static_cast<render::BlendMode>(m_blendMode));
    TextureEffect::setQuadStates();
    if (m_type == kFullscreenQuadTextured && texture)
        shader->setTexture(shared.colorTexture.get(), texture);
    D3DXVECTOR4 const color = m_color / 255.0f;
    shader->setFloat4(shared.color.get(), color);
    D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
    shader->setVector2(shared.invViewportSize.get(), &inverse);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    shader->setMatrix(shared.worldViewProjection.get(), &identity);
    QuadVertex quad[4];
    TextureEffect::fullscreenQuad(quad);
    TextureEffect::drawPasses(shader, quad);
}

} // namespace tormakelin::fxcore
