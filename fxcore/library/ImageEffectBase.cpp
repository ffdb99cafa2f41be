#include <tormakelin/fxcore/ImageEffects.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

#include <cstdlib>

namespace tormakelin::fxcore {

ImageEffectBase::ImageEffectBase(std::initializer_list<char const*> textureInputs, char const* blendDefault)
{
    for (char const* name : textureInputs)
        addInput(name, kParameterResource, "0", nullptr);
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, blendDefault, &m_blendMode));
    m_blendMode = std::atoi(blendDefault);
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    TextureEffect::addChannelOptions(addInput("Attributes/Channel", kParameterOption, "0", &m_channel));
    enableTransform(kTransform2d, kTransformHandleAll, 0);
    TextureEffect::addUvModeOptions(addInput("UV/UV Mode", kParameterOption, "1", &m_uvMode));
    addInput("UV/UV Rect", kParameterVec4, "0,0,1,1", &m_uvRect);
}

ImageEffectBase::~ImageEffectBase() = default;

void ImageEffectBase::finishInputs()
{
    enableScript();
    m_sharedRef.take();
}

bool ImageEffectBase::fetchTexture(std::string const& input, RenderContext const& context, render::ITexture*& texture)
{
    return TextureEffect::fetchTexture(*this, input, context, texture);
}

render::IShader* ImageEffectBase::beginModel(std::string const& wrap, std::string const& clamp,
                                             render::ITexture* texture, RenderContext const* context)
{
    render::IShader* shader = TextureEffect::sharedShader();
    if (!shader)
        return nullptr;
    TextureEffect::SharedData& shared = *TextureEffect::m_shared;
    TextureEffect::setQuadStates();
    render::applyBlendMode(static_cast<render::BlendMode>(m_blendMode));
    shader->setTechnique(m_uvMode != kUvModeWrap ? clamp : wrap);
    shared.vertexDecl->bind();
    if (texture)
        shader->setTexture(shared.colorTexture.get(), texture);
    D3DXVECTOR4 const color = m_color / 255.0f;
    shader->setFloat4(shared.color.get(), color);
    D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
    shader->setVector2(shared.invViewportSize.get(), &inverse);
    D3DXMATRIX const matrix = TextureEffect::placedMatrix(*this);
    shader->setMatrix(shared.worldViewProjection.get(), &matrix);
    if (context)
        shader->setFloat(shared.time.get(), context->time);
    return shader;
}

void ImageEffectBase::drawModel(render::IShader* shader)
{
    QuadVertex quad[4];
    TextureEffect::buildQuad(getTransform(), m_uvRect, quad);
    TextureEffect::drawPassesMasked(shader, quad, m_channel);
}

} // namespace tormakelin::fxcore
