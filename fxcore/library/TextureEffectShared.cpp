#include <tormakelin/fxcore/TextureEffect.h>

#include "SharedEffect.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/VertexDecl.h>

#include <cstring>
#include <utility>

namespace tormakelin::fxcore {

extern char const kImageEffectText[];

unsigned int TextureEffect::m_refCount = 0;
TextureEffect::SharedData* TextureEffect::m_shared = nullptr;
char const* TextureEffect::m_sharedEffectText = kImageEffectText;

namespace {

using Slot = TextureEffect::SharedData::Param TextureEffect::SharedData::*;
using Shared = TextureEffect::SharedData;

// The handles in the order the shared data keeps them, with the names the effect text gives them.
std::pair<char const*, Slot> const kParameterSlots[] = {
    {"colorTexture", &Shared::colorTexture}, {"worldViewProjection", &Shared::worldViewProjection},
    {"invViewportSize", &Shared::invViewportSize}, {"viewportSize", &Shared::viewportSize},
    {"color", &Shared::color}, {"downsampleTexture", &Shared::downsampleTexture},
    {"verticalBlurTexture", &Shared::verticalBlurTexture}, {"horizontalBlurTexture", &Shared::horizontalBlurTexture},
    {"textureSize", &Shared::textureSize}, {"downsampleScale", &Shared::downsampleScale},
    {"sceneIntensity", &Shared::sceneIntensity}, {"glowIntensity", &Shared::glowIntensity},
    {"highlightIntensity", &Shared::highlightIntensity}, {"highlightThreshold", &Shared::highlightThreshold},
    {"blurWidth", &Shared::blurWidth}, {"verticalWeights", &Shared::verticalWeights},
    {"horizontalWeights", &Shared::horizontalWeights}, {"blurCompositionAlpha", &Shared::blurCompositionAlpha},
    {"contrast", &Shared::contrast}, {"saturation", &Shared::saturation}, {"brightness", &Shared::brightness},
    {"hue", &Shared::hue}, {"frequency", &Shared::frequency}, {"amplitude", &Shared::amplitude},
    {"difference", &Shared::difference}, {"rgbDistortPower", &Shared::rgbDistortPower},
    {"compositeFade", &Shared::compositeFade}, {"compositeTexture", &Shared::compositeTexture},
    {"compositeAlphaTexture", &Shared::compositeAlphaTexture}, {"colorKeyColor", &Shared::colorKeyColor},
    {"colorKeyThreshold", &Shared::colorKeyThreshold}, {"waveOffset", &Shared::waveOffset},
    {"waveFrequency", &Shared::waveFrequency}, {"waveDiff", &Shared::waveDiff},
    {"waveAmplitude", &Shared::waveAmplitude}, {"edgeDetectThreshold", &Shared::edgeDetectThreshold},
    {"edgeDetectPixelSteps", &Shared::edgeDetectPixelSteps}, {"sobelEdgeBrightness", &Shared::sobelEdgeBrightness},
    {"sobelEdgeSamples", &Shared::sobelEdgeSamples}, {"centerPt", &Shared::centerPt}, {"cOffset", &Shared::cOffset},
    {"mOffset", &Shared::mOffset}, {"yOffset", &Shared::yOffset}, {"kOffset", &Shared::kOffset},
    {"cRot", &Shared::cRot}, {"mRot", &Shared::mRot}, {"yRot", &Shared::yRot}, {"kRot", &Shared::kRot},
    {"gradientLowerLeft", &Shared::gradientLowerLeft}, {"gradientLowerRight", &Shared::gradientLowerRight},
    {"gradientUpperLeft", &Shared::gradientUpperLeft}, {"gradientUpperRight", &Shared::gradientUpperRight},
    {"time", &Shared::time},
};
static_assert(std::size(kParameterSlots) == 53);

D3DVIEWPORT9 const* currentViewport()
{
    render::IRenderView* view = render::g_renderDevice ? render::g_renderDevice->getRenderView() : nullptr;
    return view ? &view->getViewport() : nullptr;
}

void setRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (render::g_stateManager)
        render::g_stateManager->SetRenderState(state, value);
}

} // namespace

void TextureEffect::addSharedRef()
{
    addSharedUser(m_refCount, &onStaticDataCreate, &onStaticDataRelease);
}

void TextureEffect::decSharedRef()
{
    if (m_refCount == 0)
        return;
    if (--m_refCount == 0)
        onStaticDataRelease();
}

TextureEffect::SharedRef::~SharedRef()
{
    if (m_taken)
        decSharedRef();
}

void TextureEffect::SharedRef::take()
{
    if (m_taken)
        return;
    addSharedRef();
    m_taken = true;
}

void TextureEffect::onStaticDataCreate()
{
    onStaticDataRelease();
    m_shared = new SharedData;
    m_shared->shader = render::createShader();
    render::IShader* shader = m_shared->shader.get();
    if (!shader)
        return;
    char const* text = m_sharedEffectText ? m_sharedEffectText : kImageEffectText;
    if (!compileSharedEffect(shader, text, "TextureEffect"))
        return;
    for (auto const& [name, slot] : kParameterSlots)
        m_shared->*slot = shader->getParameter(name);
    m_shared->vertexDecl = buildPositionTexCoordDecl();
}

void TextureEffect::onStaticDataRelease()
{
    if (!m_shared)
        return;
    delete std::exchange(m_shared, nullptr);
}

render::IShader* TextureEffect::sharedShader()
{
    return m_shared && m_shared->ready() ? m_shared->shader.get() : nullptr;
}

void TextureEffect::setQuadStates()
{
    setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    setRenderState(D3DRS_STENCILENABLE, FALSE);
    setRenderState(D3DRS_ZENABLE, FALSE);
    setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

D3DXVECTOR2 TextureEffect::invViewportSize()
{
    D3DVIEWPORT9 const* viewport = currentViewport();
    if (!viewport || viewport->Width == 0 || viewport->Height == 0)
        return D3DXVECTOR2(0.0f, 0.0f);
    return D3DXVECTOR2(-1.0f / static_cast<float>(viewport->Width), 1.0f / static_cast<float>(viewport->Height));
}

D3DXVECTOR2 TextureEffect::viewportSize()
{
    D3DVIEWPORT9 const* viewport = currentViewport();
    if (!viewport)
        return D3DXVECTOR2(0.0f, 0.0f);
    return D3DXVECTOR2(static_cast<float>(viewport->Width), static_cast<float>(viewport->Height));
}

unsigned long TextureEffect::channelMask(int channel)
{
    static unsigned long const masks[kChannelCount] = {15, 1, 2, 4, 8};
    return channel >= kChannelRgba && channel < kChannelCount ? masks[channel] : 0;
}

void TextureEffect::buildQuad(Transform const& transform, D3DXVECTOR4 const& uv, QuadVertex (&quad)[4])
{
    float const x = transform.position2d.x;
    float const y = transform.position2d.y;
    float const w = transform.size2d.x;
    float const h = transform.size2d.y;
    quad[0] = {x, y, 1.0f, uv.x, uv.y};
    quad[1] = {x + w, y, 1.0f, uv.z, uv.y};
    quad[2] = {x + w, y + h, 1.0f, uv.z, uv.w};
    quad[3] = {x, y + h, 1.0f, uv.x, uv.w};
}

void TextureEffect::fullscreenQuad(QuadVertex (&quad)[4])
{
    quad[0] = {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    quad[1] = {1.0f, 1.0f, 0.0f, 1.0f, 0.0f};
    quad[2] = {1.0f, -1.0f, 0.0f, 1.0f, 1.0f};
    quad[3] = {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f};
}

void TextureEffect::drawPasses(render::IShader* shader, QuadVertex const (&quad)[4])
{
    unsigned const passes = shader->begin();
    for (unsigned pass = 0; pass < passes; ++pass) {
        shader->beginPass(pass);
        render::g_renderDevice->drawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
        shader->endPass();
    }
    shader->end();
}

void TextureEffect::drawPassesMasked(render::IShader* shader, QuadVertex const (&quad)[4], int channel)
{
    setRenderState(D3DRS_COLORWRITEENABLE, channelMask(channel));
    drawPasses(shader, quad);
    setRenderState(D3DRS_COLORWRITEENABLE, 15);
}

D3DXMATRIX TextureEffect::placedMatrix(GraphNode& node)
{
    // The placement is measured on the viewport being drawn into.
    Transform& transform = node.getTransform();
    render::IRenderView* view = render::g_renderDevice ? render::g_renderDevice->getRenderView() : nullptr;
    transform.update2d(Viewport(view), nullptr, nullptr, nullptr);
    return transform.getTransformMatrix(0.0f, 0.0f, 0.0f);
}

} // namespace tormakelin::fxcore
