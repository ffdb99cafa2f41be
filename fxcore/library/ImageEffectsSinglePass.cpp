// The image effects that draw their placed quad once.

#include <tormakelin/fxcore/ImageEffects.h>

#include "PluginDescs.h"

#include <tormakelin/render/Shader.h>

namespace tormakelin::fxcore {

PluginDesc Wave::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "CC2C7DF2-3BC4-11DE-BA16-BB9A34781423", "Effect/Texture/Wave", "Texture wave");
PluginDesc SobelEdge::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "CACA1382-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Sobel Edge", "Sobel edge");
PluginDesc RGBSeperation::_pluginDesc = libraryPluginDesc(kPluginGraphNode, "51B256CB-1A49-11DE-B180-EDCDBDFB8C64",
    "Effect/Texture/RGB Seperation", "Image rgb seperation effect");
PluginDesc Negative::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "6C2BF7F2-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Negative", "Image negative");
PluginDesc EdgeDetect::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "C06A21A2-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Edge Detect", "Edge detect");
PluginDesc Composite::_pluginDesc = libraryPluginDesc(kPluginGraphNode, "7BC23D26-3B16-11DE-9932-E391ABBE640B",
    "Effect/Texture/Composite", "Image composite effect");
PluginDesc ColorKey::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "F6204882-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Color Key", "Color Key");
PluginDesc ColorCorrection::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "FB4EEF3B-1A3B-11DE-A364-8202B22BFED5", "Effect/Texture/Color Correction", "Image color correction effect");

namespace {

using Shared = TextureEffect::SharedData;

Shared& shared()
{
    return *TextureEffect::m_shared;
}

std::string const& textureInput()
{
    return TextureEffect::textureInputName();
}

// The texture of "Attributes/Texture", or null; `connected` tells whether a resource is there.
render::ITexture* inputTexture(ImageEffectBase& node, RenderContext const& context, bool* connected = nullptr)
{
    render::ITexture* texture = nullptr;
    bool const found = node.fetchTexture(textureInput(), context, texture);
    if (connected)
        *connected = found;
    return texture;
}

// Fixed offsets, about one texel of a 128-wide image; the sixth v is 0.007 by design.
D3DXVECTOR2 const kSobelSamples[9] = {{-1 / 128.0f, 1 / 128.0f}, {0, 1 / 128.0f}, {1 / 128.0f, 1 / 128.0f},
    {-1 / 128.0f, 0}, {0, 0}, {1 / 128.0f, 0.007f}, {-1 / 128.0f, -1 / 128.0f}, {0, -1 / 128.0f},
    {1 / 128.0f, -1 / 128.0f}};

} // namespace

Wave::Wave() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("Wave/Frequency", kParameterVec2, "1,1", &m_frequency);
    addInput("Wave/Differance", kParameterVec2, "0.1,0.1", &m_difference);
    addInput("Wave/Amplitude", kParameterVec2, "0.01,0.01", &m_amplitude);
    addInput("Wave/Offset", kParameterVec2, "0.01,0.01", &m_offset);
    finishInputs();
}

void Wave::render(RenderContext& context)
{
    static std::string const wrap = "WaveWrap", clamp = "WaveClamp";
    render::IShader* shader = beginModel(wrap, clamp, inputTexture(*this, context), &context);
    if (!shader)
        return;
    shader->setVector2(shared().waveFrequency.get(), &m_frequency);
    shader->setVector2(shared().waveDiff.get(), &m_difference);
    shader->setVector2(shared().waveAmplitude.get(), &m_amplitude);
    shader->setVector2(shared().waveOffset.get(), &m_offset);
    drawModel(shader);
}

SobelEdge::SobelEdge() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("EdgeDetect/Threshold", kParameterFloat, "0.5", &m_threshold);
    addInput("EdgeDetect/Brightness", kParameterFloat, "1", &m_brightness);
    finishInputs();
}

void SobelEdge::render(RenderContext& context)
{
    static std::string const wrap = "SobelEdgeWrap", clamp = "SobelEdgeClamp";
    render::IShader* shader = beginModel(wrap, clamp, inputTexture(*this, context), &context);
    if (!shader)
        return;
    shader->setFloat(shared().edgeDetectThreshold.get(), m_threshold);
    shader->setFloat(shared().sobelEdgeBrightness.get(), m_brightness);
    shader->setVector2Array(shared().sobelEdgeSamples.get(), kSobelSamples, 9);
    drawModel(shader);
}

RGBSeperation::RGBSeperation() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("Attributes/Power", kParameterFloat, "1", &m_power);
    addInput("Attributes/Frequency", kParameterVec3, "5,5,5", &m_frequency);
    addInput("Attributes/Amplitude", kParameterVec3, "0.01,0.01,0.01", &m_amplitude);
    addInput("Attributes/Difference", kParameterVec3, "0.1,0.1,0.1", &m_difference);
    finishInputs();
}

void RGBSeperation::render(RenderContext& context)
{
    static std::string const wrap = "RGBSeperationWrap", clamp = "RGBSeperationClamp";
    bool connected = false;
    render::ITexture* texture = inputTexture(*this, context, &connected);
    if (!connected)
        return;
    render::IShader* shader = beginModel(wrap, clamp, texture, &context);
    if (!shader)
        return;
    shader->setFloat(shared().rgbDistortPower.get(), m_power);
    shader->setVector3(shared().frequency.get(), &m_frequency);
    shader->setVector3(shared().amplitude.get(), &m_amplitude);
    shader->setVector3(shared().difference.get(), &m_difference);
    drawModel(shader);
}

Negative::Negative() : ImageEffectBase({"Attributes/Texture"})
{
    finishInputs();
}

void Negative::render(RenderContext& context)
{
    static std::string const wrap = "NegativeWrap", clamp = "NegativeClamp";
    if (render::IShader* shader = beginModel(wrap, clamp, inputTexture(*this, context), &context))
        drawModel(shader);
}

EdgeDetect::EdgeDetect() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("EdgeDetect/Threshold", kParameterFloat, "0.5", &m_threshold);
    addInput("EdgeDetect/Pixelsteps", kParameterFloat, "1.5", &m_pixelSteps);
    finishInputs();
}

void EdgeDetect::render(RenderContext& context)
{
    static std::string const wrap = "EdgeDetectWrap", clamp = "EdgeDetectClamp";
    render::IShader* shader = beginModel(wrap, clamp, inputTexture(*this, context), &context);
    if (!shader)
        return;
    D3DXVECTOR2 const size = TextureEffect::viewportSize();
    // An empty viewport draws nothing; the shader divides by its size.
    if (size.x <= 0.0f || size.y <= 0.0f)
        return;
    shader->setFloat(shared().edgeDetectThreshold.get(), m_threshold);
    shader->setFloat(shared().edgeDetectPixelSteps.get(), m_pixelSteps);
    shader->setVector2(shared().viewportSize.get(), &size);
    drawModel(shader);
}

Composite::Composite() : ImageEffectBase({"Attributes/Texture-1", "Attributes/Texture-2", "Attributes/Alpha Texture"})
{
    NodeParameter* mode = addInput("Composite/Alpha Mode", kParameterOption, "0", &m_alphaMode);
    mode->value->addOption("Alpha", kCompositeAlpha);
    mode->value->addOption("RGB", kCompositeRgb);
    addInput("Composite/Fade", kParameterFloat, "0", &m_fade);
    finishInputs();
}

void Composite::render(RenderContext& context)
{
    static std::string const first = "Attributes/Texture-1", second = "Attributes/Texture-2",
                             alpha = "Attributes/Alpha Texture";
    static std::string const wrap = "CompositeWrap", clamp = "CompositeClamp", rgbWrap = "CompositeRGBWrap",
                             rgbClamp = "CompositeRGBClamp";
    render::ITexture* texture = nullptr;
    fetchTexture(first, context, texture);
    bool const rgb = m_alphaMode == kCompositeRgb;
    render::IShader* shader = beginModel(rgb ? rgbWrap : wrap, rgb ? rgbClamp : clamp, texture, &context);
    if (!shader)
        return;
    if (fetchTexture(second, context, texture) && texture)
        shader->setTexture(shared().compositeTexture.get(), texture);
    if (fetchTexture(alpha, context, texture) && texture)
        shader->setTexture(shared().compositeAlphaTexture.get(), texture);
    shader->setFloat(shared().compositeFade.get(), m_fade);
    drawModel(shader);
}

ColorKey::ColorKey() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("ColorKey/Color", kParameterColor, "255,255,255,255", &m_key);
    addInput("ColorKey/Threshold", kParameterFloat, "1", &m_threshold);
    finishInputs();
}

void ColorKey::render(RenderContext& context)
{
    static std::string const wrap = "ColorKeyWrap", clamp = "ColorKeyClamp";
    render::IShader* shader = beginModel(wrap, clamp, inputTexture(*this, context), &context);
    if (!shader)
        return;
    D3DXVECTOR4 const key = m_key / 255.0f;
    shader->setFloat4(shared().colorKeyColor.get(), key);
    shader->setFloat(shared().colorKeyThreshold.get(), m_threshold);
    drawModel(shader);
}

ColorCorrection::ColorCorrection() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("Attributes/Brightness", kParameterFloat, "1", &m_brightness);
    addInput("Attributes/Contrast", kParameterFloat, "1", &m_contrast);
    addInput("Attributes/Saturation", kParameterFloat, "1", &m_saturation);
    addInput("Attributes/Hue", kParameterFloat, "0", &m_hue);
    finishInputs();
}

void ColorCorrection::render(RenderContext& context)
{
    static std::string const wrap = "ColorCorrectionWrap", clamp = "ColorCorrectionClamp";
    bool connected = false;
    render::ITexture* texture = inputTexture(*this, context, &connected);
    if (!connected)
        return;
    render::IShader* shader = beginModel(wrap, clamp, texture, nullptr);
    if (!shader)
        return;
    shader->setFloat(shared().brightness.get(), m_brightness);
    shader->setFloat(shared().contrast.get(), m_contrast);
    shader->setFloat(shared().saturation.get(), m_saturation);
    shader->setFloat(shared().hue.get(), m_hue);
    drawModel(shader);
}

} // namespace tormakelin::fxcore
