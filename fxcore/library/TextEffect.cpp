#include <tormakelin/fxcore/TextEffect.h>

#include "PluginDescs.h"
#include "SharedEffect.h"

#include <tormakelin/fxcore/Font.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

#include <cmath>
#include <utility>

namespace tormakelin::fxcore {

PluginDesc TextEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "F0CCF960-F7B1-11DD-89B0-8388B0DCA6D2", "Effect/Text/Text", "Text Effect");

namespace {

char const kTextEffectText[] = R"FX(// Glyphs from a font atlas, tinted.
float4x4 worldViewProjection;
float2 invViewportSize;
float4 color = {1, 1, 1, 1};
texture colorTexture;

sampler2D colorSampler = sampler_state {
    Texture = <colorTexture>;
    AddressU = Clamp;
    AddressV = Clamp;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
};

struct TextInput {
    float3 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

struct TextOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

TextOutput textVS(TextInput input)
{
    TextOutput output;
    output.position = mul(float4(input.position.xyz, 1), worldViewProjection);
    // Direct3D 9 samples at pixel centres: half a pixel back, so texels land on pixels.
    output.position.xy += invViewportSize * output.position.w;
    output.texCoord = input.texCoord;
    return output;
}

float4 textPS(float2 texCoord : TEXCOORD0) : COLOR
{
    // The atlas's one channel is the glyph's coverage.
    return float4(1, 1, 1, tex2D(colorSampler, texCoord).r) * color;
}

technique Normal
{
    pass Pass_0
    {
        VertexShader = compile vs_1_1 textVS();
        PixelShader = compile ps_2_0 textPS();
    }
}
)FX";

std::string const kTechnique = "Normal";

// Whole pixels toward zero, kept well inside int.
int wholePixels(float value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::fmax(-1.0e9f, std::fmin(1.0e9f, std::trunc(value))));
}

IFont* connectedFont(GraphNode& node, RenderContext const& context)
{
    static std::string const input = "Attributes/Font";
    static std::vector<core::UniqueId> const kinds = {FontResource::_pluginDesc.id};
    core::SmartRef<IResource> const resource = node.firstResourceConnectedToInput(input, kinds, context.instanceParameters);
    auto const* font = dynamic_cast<FontResource const*>(resource.get());
    return font ? font->getFont() : nullptr;
}

} // namespace

unsigned int TextEffect::m_refCount = 0;
TextEffect::SharedData* TextEffect::m_shared = nullptr;
char const* TextEffect::m_sharedEffectText = kTextEffectText;

TextEffect::TextEffect()
{
    // Which kinds it takes is decided where it is read: font resources only.
    addInput("Attributes/Font", kParameterResource, "0", nullptr);
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    addInput("Attributes/Tracking", kParameterInt, "0", &m_tracking);
    addInput("Attributes/Height Spacing", kParameterInt, "0", &m_heightSpacing);
    addInput("Attributes/Text", kParameterText, "Text", &m_text)->linkable = false;
    NodeParameter* align = addInput("Attributes/Align", kParameterOption, "0", &m_align);
    align->value->addOption("Left", kTextAlignLeft);
    align->value->addOption("Center", kTextAlignCenter);
    align->value->addOption("Right", kTextAlignRight);
    align->linkable = false;
    addInput("Shadow/Shadow Enabled", kParameterBool, "0", &m_shadowEnabled)->linkable = false;
    addInput("Shadow/Shadow Color", kParameterColor, "0,0,0,255", &m_shadowColor);
    addInput("Shadow/Shadow Offset", kParameterVec2, "2,2", &m_shadowOffset);
    addInput("Outline/Outline Enabled", kParameterBool, "0", &m_outlineEnabled)->linkable = false;
    addInput("Outline/Outline Color", kParameterColor, "0,0,0,255", &m_outlineColor);
    enableTransform(kTransform2d, kTransformHandlePosition | kTransformHandleRotation, 0);
    enableScript();
    addSharedUser(m_refCount, &createShared, &releaseShared);
}

TextEffect::~TextEffect()
{
    if (m_refCount > 0 && --m_refCount == 0)
        releaseShared();
}

void TextEffect::createShared()
{
    releaseShared();
    m_shared = new SharedData;
    m_shared->shader = render::createShader();
    render::IShader* shader = m_shared->shader.get();
    if (!compileSharedEffect(shader, m_sharedEffectText ? m_sharedEffectText : kTextEffectText, "TextEffect"))
        return;
    m_shared->colorTexture = shader->getParameter("colorTexture");
    m_shared->color = shader->getParameter("color");
    m_shared->worldViewProjection = shader->getParameter("worldViewProjection");
    m_shared->invViewportSize = shader->getParameter("invViewportSize");
    m_shared->vertexDecl = buildPositionTexCoordDecl();
}

void TextEffect::releaseShared()
{
    delete std::exchange(m_shared, nullptr);
}

void TextEffect::render(RenderContext& context)
{
    IFont* font = connectedFont(*this, context);
    if (!font || m_text.empty() || !render::g_renderDevice)
        return;
    render::IShader* shader = m_shared && m_shared->ready() ? m_shared->shader.get() : nullptr;
    if (!shader)
        return;

    shader->setTechnique(kTechnique);
    m_shared->vertexDecl->bind();
    render::applyBlendMode(render::BlendMode_Alpha);
    TextureEffect::setQuadStates();
    shader->setTexture(m_shared->colorTexture.get(), font->getTexture());
    D3DXVECTOR2 const inverse = TextureEffect::invViewportSize();
    shader->setVector2(m_shared->invViewportSize.get(), &inverse);

    Transform& transform = getTransform();
    TextStyle const style{m_tracking, m_heightSpacing, m_align};
    layoutText(*font, m_text, wholePixels(transform.position2d.x), wholePixels(transform.position2d.y), style,
        m_layout);
    // The anchor and rotation refer to the laid-out block.
    TextRect const& rect = m_layout.rect;
    D3DXVECTOR2 const size(static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top));
    transform.update2d(Viewport(render::g_renderDevice->getRenderView()), nullptr, &size, nullptr);

    if (m_shadowEnabled)
        drawPass(shader, m_shadowColor, static_cast<float>(wholePixels(m_shadowOffset.x)),
            static_cast<float>(wholePixels(m_shadowOffset.y)));
    if (m_outlineEnabled) {
        static float const offsets[4][2] = {{-1.0f, -1.0f}, {1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}};
        for (auto const& offset : offsets)
            drawPass(shader, m_outlineColor, offset[0], offset[1]);
    }
    drawPass(shader, m_color, 0.0f, 0.0f);
}

void TextEffect::drawPass(render::IShader* shader, D3DXVECTOR4 const& color, float dx, float dy)
{
    D3DXMATRIX const matrix = getTransform().getTransformMatrix(dx, dy, 0.0f);
    shader->setMatrix(m_shared->worldViewProjection.get(), &matrix);
    D3DXVECTOR4 const scaled = color / 255.0f;
    shader->setFloat4(m_shared->color.get(), scaled);
    for (size_t i = 0; i < m_layout.lineCount; ++i) {
        std::vector<QuadVertex> const& vertices = m_layout.lines[i].vertices;
        if (vertices.empty())
            continue;
        unsigned const passes = shader->begin();
        for (unsigned pass = 0; pass < passes; ++pass) {
            shader->beginPass(pass);
            render::g_renderDevice->drawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<uint32_t>(vertices.size() / 3),
                vertices.data(), sizeof(QuadVertex));
            shader->endPass();
        }
        shader->end();
    }
}

} // namespace tormakelin::fxcore
