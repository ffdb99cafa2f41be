// Glow and Blur: downsample into one target, blur between two more, compose full screen.

#include <tormakelin/fxcore/ImageEffects.h>

#include "RenderTargetInput.h"
#include "PluginDescs.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/VertexDecl.h>

#include <algorithm>

namespace tormakelin::fxcore {

PluginDesc Glow::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "70C0D550-18B0-11DE-95E2-830121C1AE93", "Effect/Texture/Glow", "Image glow effect");
PluginDesc Blur::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "77A825C0-18B1-11DE-B490-FE0E64559BFC", "Effect/Texture/Blur", "Texture blur effect");

namespace {

TextureEffect::SharedData& shared()
{
    return *TextureEffect::m_shared;
}

char const* const kSlotInputs[BlurChainBase::kSlotCount] = {"Blur/Downsample", "Blur/Horizontal", "Blur/Vertical"};

float ratio(float part, float whole)
{
    return whole > 0.0f ? part / whole : 0.0f;
}

} // namespace

BlurChainBase::BlurChainBase()
{
    addInput("Attributes/Texture", kParameterResource, "0", nullptr);
}

BlurChainBase::~BlurChainBase() = default;

void BlurChainBase::addTargetInputs()
{
    for (char const* name : kSlotInputs)
        addInput(name, kParameterResource, "0", nullptr)->linkable = false;
}

bool BlurChainBase::fetchChain(RenderContext const& context)
{
    static std::string const slotInputs[kSlotCount] = {kSlotInputs[0], kSlotInputs[1], kSlotInputs[2]};
    if (!TextureEffect::fetchTexture(*this, TextureEffect::textureInputName(), context, m_texture))
        return false;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_targets[slot] = renderTargetOn(*this, slotInputs[slot], context);
        if (!m_targets[slot] || !m_targets[slot]->getTexture())
            return false;
    }
    bool const shared = m_targets[kDownsample] == m_targets[kHorizontal] ||
        m_targets[kDownsample] == m_targets[kVertical] || m_targets[kHorizontal] == m_targets[kVertical];
    if (shared) {
        // A pass would read the texture it writes.
        if (!std::exchange(m_sharedSlotReported, true))
            core::Debug(core::DebugWarning, __FILE__, __LINE__, "ImageEffects")
                << getPluginDesc().name << ": one render target is linked to two of \"Blur/Downsample\", "
                << "\"Blur/Horizontal\" and \"Blur/Vertical\"; nothing is drawn";
        return false;
    }
    return true;
}

render::ITexture* BlurChainBase::slotTexture(Slot slot) const
{
    return m_targets[slot]->getTexture();
}

render::IShader* BlurChainBase::beginChain(float blurWidth)
{
    render::IShader* shader = TextureEffect::sharedShader();
    if (!shader)
        return nullptr;
    TextureEffect::SharedData& s = shared();
    s.vertexDecl->bind();
    render::applyBlendMode(render::BlendMode_Solid);
    TextureEffect::setQuadStates();
    if (m_texture)
        shader->setTexture(s.colorTexture.get(), m_texture);
    D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
    shader->setVector2(s.invViewportSize.get(), &inverse);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    shader->setMatrix(s.worldViewProjection.get(), &identity);
    D3DXVECTOR4 const white(1.0f, 1.0f, 1.0f, 1.0f);
    shader->setFloat4(s.color.get(), white);

    render::ITexture* downsample = slotTexture(kDownsample);
    float const width = static_cast<float>(downsample->getWidth());
    float const height = static_cast<float>(downsample->getHeight());
    D3DXVECTOR2 const size(width, height);
    shader->setVector2(s.textureSize.get(), &size);
    D3DXVECTOR2 scale(0.25f, 0.25f);
    if (m_texture)
        scale = D3DXVECTOR2(ratio(width, static_cast<float>(m_texture->getWidth())),
                            ratio(height, static_cast<float>(m_texture->getHeight())));
    shader->setVector2(s.downsampleScale.get(), &scale);
    shader->setFloat(s.blurWidth.get(), blurWidth);
    float horizontal[13], vertical[13];
    for (int i = 0; i < 13; ++i) {
        horizontal[i] = ratio(static_cast<float>(i - 6), width);
        vertical[i] = ratio(static_cast<float>(i - 6), height);
    }
    shader->setFloatArray(s.horizontalWeights.get(), horizontal, 13);
    shader->setFloatArray(s.verticalWeights.get(), vertical, 13);
    TextureEffect::fullscreenQuad(m_quad);
    return shader;
}

void BlurChainBase::drawInto(render::IShader* shader, std::string const& technique, Slot slot)
{
    shader->setTechnique(technique);
    m_targets[slot]->begin();
    TextureEffect::drawPasses(shader, m_quad);
    m_targets[slot]->end();
}

void BlurChainBase::drawComposed(render::IShader* shader, std::string const& technique, Slot source)
{
    render::applyBlendMode(static_cast<render::BlendMode>(m_blendMode));
    shader->setTexture(shared().verticalBlurTexture.get(), slotTexture(source));
    shader->setTechnique(technique);
    TextureEffect::drawPasses(shader, m_quad);
}

Glow::Glow()
{
    addInput("Attributes/Glow Intensity", kParameterFloat, "0.5", &m_glowIntensity);
    addInput("Attributes/Highlight Intensity", kParameterFloat, "1", &m_highlightIntensity);
    addInput("Attributes/Highlight Threshold", kParameterFloat, "0.5", &m_highlightThreshold);
    addInput("Blur/Width", kParameterFloat, "1.5", &m_width);
    addTargetInputs();
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    enableScript();
    m_sharedRef.take();
}

void Glow::render(RenderContext& context)
{
    static std::string const downsample = "Downsample", horizontal = "HBlur", vertical = "VBlur", glow = "Glow";
    if (!fetchChain(context))
        return;
    render::IShader* shader = beginChain(m_width);
    if (!shader)
        return;
    TextureEffect::SharedData& s = shared();
    shader->setFloat(s.glowIntensity.get(), m_glowIntensity);
    shader->setFloat(s.highlightIntensity.get(), m_highlightIntensity);
    shader->setFloat(s.highlightThreshold.get(), m_highlightThreshold);
    drawInto(shader, downsample, kDownsample);
    shader->setTexture(s.downsampleTexture.get(), slotTexture(kDownsample));
    drawInto(shader, horizontal, kHorizontal);
    shader->setTexture(s.horizontalBlurTexture.get(), slotTexture(kHorizontal));
    drawInto(shader, vertical, kVertical);
    drawComposed(shader, glow, kVertical);
}

Blur::Blur()
{
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "0", &m_blendMode));
    addInput("Blur/Alpha", kParameterFloat, "1", &m_alpha);
    addInput("Blur/Vertical Iterations", kParameterInt, "1", &m_verticalIterations);
    addInput("Blur/Horizontal Iterations", kParameterInt, "1", &m_horizontalIterations);
    addInput("Blur/Width", kParameterFloat, "1.5", &m_width);
    addTargetInputs();
    enableScript();
    m_sharedRef.take();
}

void Blur::plan(int horizontal, int vertical, Plan& out)
{
    int const nh = std::clamp(horizontal, 0, kMaxIterations);
    int const nv = std::clamp(vertical, 0, kMaxIterations);
    out.count = nh + nv;
    // Horizontal then vertical passes ping-pong between the two blur targets, starting with H.
    for (int i = 0; i < out.count; ++i)
        out.writes[i] = i % 2 == 0 ? kHorizontal : kVertical;
    // Without horizontal passes the downsampled image is composed; otherwise the last one written,
    // so horizontal passes alone are not thrown away.
    out.composedFrom = nh == 0 ? kDownsample : out.writes[out.count - 1];
}

void Blur::render(RenderContext& context)
{
    static std::string const downsample = "BlurDownsample", horizontal = "HBlur", vertical = "VBlur",
                             composition = "BlurComposition";
    if (!fetchChain(context))
        return;
    render::IShader* shader = beginChain(m_width);
    if (!shader)
        return;
    TextureEffect::SharedData& s = shared();
    shader->setFloat(s.blurCompositionAlpha.get(), m_alpha);
    drawInto(shader, downsample, kDownsample);
    Plan passes;
    plan(m_horizontalIterations, m_verticalIterations, passes);
    int const nh = std::clamp(m_horizontalIterations, 0, kMaxIterations);
    Slot last = kDownsample;
    for (int i = 0; i < passes.count; ++i) {
        bool const isHorizontal = i < nh;
        shader->setTexture(isHorizontal ? s.downsampleTexture.get() : s.horizontalBlurTexture.get(), slotTexture(last));
        drawInto(shader, isHorizontal ? horizontal : vertical, passes.writes[i]);
        last = passes.writes[i];
    }
    drawComposed(shader, composition, passes.composedFrom);
}

} // namespace tormakelin::fxcore
