// The image effects that draw more than one quad: copies, passes through a target, frames.

#include <tormakelin/fxcore/ImageEffects.h>

#include "RenderTargetInput.h"
#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/VertexDecl.h>

#include <algorithm>
#include <cmath>

namespace tormakelin::fxcore {

PluginDesc RadialBlur::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "D342C6E2-3C96-11DE-80E7-CCCB6596A6AA", "Effect/Texture/Radial Blur", "Radial Blur");
PluginDesc CMYKDistort::_pluginDesc = libraryPluginDesc(kPluginGraphNode, "97AB42A4-55E4-11DE-AA78-9463349717FE",
    "Effect/Texture/CMYK Distort", "CMYK Distort Effect");
PluginDesc AnimatedTextureEffect::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "4893A6A0-0683-11DE-B5C0-F6EA650898F0", "Effect/Texture/Animated Texture", "Animated Texture");

namespace {

TextureEffect::SharedData& shared()
{
    return *TextureEffect::m_shared;
}

void setColorWrite(unsigned long mask)
{
    if (render::g_stateManager)
        render::g_stateManager->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
}

void drawOnePass(render::IShader* shader, unsigned pass, QuadVertex const (&quad)[4])
{
    shader->beginPass(pass);
    render::g_renderDevice->drawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
    shader->endPass();
}

} // namespace

RadialBlur::RadialBlur() : ImageEffectBase({"Attributes/Texture"})
{
    addInput("RadialBlur/Iterations", kParameterInt, "16", &m_iterations);
    addInput("RadialBlur/Start Color", kParameterColor, "255,255,255,255", &m_startColor);
    addInput("RadialBlur/End Color", kParameterColor, "32,32,32,32", &m_endColor);
    addInput("RadialBlur/Scale", kParameterFloat, "1.5", &m_scale);
    addInput("RadialBlur/Rotation", kParameterInt, "0", &m_rotation);
    finishInputs();
}

int RadialBlur::copies(int iterations)
{
    return std::clamp(iterations, 1, kMaxCopies);
}

void RadialBlur::render(RenderContext& context)
{
    static std::string const wrap = "RadialBlurWrap", clamp = "RadialBlurClamp";
    render::ITexture* texture = nullptr;
    fetchTexture(TextureEffect::textureInputName(), context, texture);
    render::IShader* shader = beginModel(wrap, clamp, texture, &context);
    if (!shader)
        return;
    int const n = copies(m_iterations);
    float const rotation = D3DXToRadian(static_cast<float>(m_rotation));
    QuadVertex base[4];
    TextureEffect::buildQuad(getTransform(), m_uvRect, base);
    D3DXVECTOR2 const centre((base[0].x + base[2].x) * 0.5f, (base[0].y + base[2].y) * 0.5f);
    D3DXVECTOR4 const tint = m_color / 255.0f;
    setColorWrite(TextureEffect::channelMask(m_channel));
    for (int k = 0; k < n; ++k) {
        float const t = static_cast<float>(k) / static_cast<float>(n);
        float const s = m_scale * t + (1.0f - t);
        D3DXVECTOR4 const blend = (m_startColor * (1.0f - t) + m_endColor * t) / 255.0f;
        D3DXVECTOR4 const color(tint.x * blend.x, tint.y * blend.y, tint.z * blend.z, tint.w * blend.w);
        shader->setFloat4(shared().color.get(), color);
        // About the quad's centre: there, scaled, turned, back.
        D3DXMATRIX to, scale, turn, back;
        D3DXMatrixTranslation(&to, -centre.x, -centre.y, 0.0f);
        D3DXMatrixScaling(&scale, s, s, 1.0f);
        D3DXMatrixRotationZ(&turn, t * rotation);
        D3DXMatrixTranslation(&back, centre.x, centre.y, 0.0f);
        D3DXMATRIX const about = to * scale * turn * back;
        QuadVertex quad[4];
        for (int corner = 0; corner < 4; ++corner) {
            D3DXVECTOR3 const p(base[corner].x, base[corner].y, base[corner].z);
            D3DXVECTOR3 moved;
            D3DXVec3TransformCoord(&moved, &p, &about);
            quad[corner] = {moved.x, moved.y, moved.z, base[corner].u, base[corner].v};
        }
        TextureEffect::drawPasses(shader, quad);
    }
    setColorWrite(15);
}

CMYKDistort::CMYKDistort() : ImageEffectBase({"Attributes/Render Target", "Attributes/Texture"})
{
    addInput("Distort/Center Point", kParameterVec2, "0.5,0.5", &m_center);
    addInput("Distort/Cyan Offset", kParameterVec2, "-0.024f,0", &m_offsets[0]);
    addInput("Distort/Magenta Offset", kParameterVec2, "0,0.001f", &m_offsets[1]);
    addInput("Distort/Yellow Offset", kParameterVec2, "-0.003f,-0.001f", &m_offsets[2]);
    addInput("Distort/Black (K) Offset", kParameterVec2, "0,-0.015f", &m_offsets[3]);
    addInput("Distort/Cyan Rotation", kParameterFloat, "-2.44f", &m_rotations[0]);
    addInput("Distort/Magenta Rotation", kParameterFloat, "0.0f", &m_rotations[1]);
    addInput("Distort/Yellow Rotation", kParameterFloat, "0", &m_rotations[2]);
    addInput("Distort/Black (K) Rotation", kParameterFloat, "0", &m_rotations[3]);
    finishInputs();
}

void CMYKDistort::render(RenderContext& context)
{
    static std::string const targetInput = "Attributes/Render Target";
    static std::string const wrap = "CMYKDistortWrap", clamp = "CMYKDistortClamp";
    render::IRenderTargetTexture* target = renderTargetOn(*this, targetInput, context);
    render::ITexture* texture = nullptr;
    if (!target || !fetchTexture(TextureEffect::textureInputName(), context, texture))
        return;
    render::IShader* shader = beginModel(wrap, clamp, texture, nullptr);
    if (!shader)
        return;
    TextureEffect::SharedData& s = shared();
    shader->setVector2(s.centerPt.get(), &m_center);
    TextureEffect::SharedData::Param const* offsets[4] = {&s.cOffset, &s.mOffset, &s.yOffset, &s.kOffset};
    TextureEffect::SharedData::Param const* rotations[4] = {&s.cRot, &s.mRot, &s.yRot, &s.kRot};
    for (int i = 0; i < 4; ++i) {
        float const r = D3DXToRadian(m_rotations[i]);
        D3DXVECTOR2 const turn(std::cos(r), std::sin(r));
        shader->setVector2(offsets[i]->get(), &m_offsets[i]);
        shader->setVector2(rotations[i]->get(), &turn);
    }
    setColorWrite(TextureEffect::channelMask(m_channel));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    shader->setMatrix(s.worldViewProjection.get(), &identity);
    QuadVertex quad[4];
    TextureEffect::fullscreenQuad(quad);
    if (shader->begin() >= 2) {
        // Separated into the intermediate target, then recombined with each ink misregistered.
        target->begin();
        drawOnePass(shader, 0, quad);
        target->end();
        D3DXMATRIX const placed = TextureEffect::placedMatrix(*this);
        shader->setMatrix(s.worldViewProjection.get(), &placed);
        shader->setTexture(s.colorTexture.get(), target->getTexture());
        TextureEffect::buildQuad(getTransform(), m_uvRect, quad);
        drawOnePass(shader, 1, quad);
    }
    shader->end();
    setColorWrite(15);
}

AnimatedTextureEffect::AnimatedTextureEffect() : ImageEffectBase({"Attributes/Texture"}, "1")
{
    finishInputs();
}

void AnimatedTextureEffect::render(RenderContext& context)
{
    static std::vector<core::UniqueId> const kinds = {AnimatedTextureResource::_pluginDesc.id};
    static std::string const wrap = "ColorTextureWrap", clamp = "ColorTextureClamp";
    core::SmartRef<IResource> const resource =
        firstResourceConnectedToInput(TextureEffect::textureInputName(), kinds, context.instanceParameters);
    auto const* animation = dynamic_cast<AnimatedTextureResource const*>(resource.get());
    if (!animation)
        return;
    float const canvasWidth = static_cast<float>(animation->getMaxWidth());
    float const canvasHeight = static_cast<float>(animation->getMaxHeight());
    // Frames are placed as fractions of the canvas.
    if (canvasWidth <= 0.0f || canvasHeight <= 0.0f)
        return;
    animation->getFrame(context.time, m_frames);
    if (m_frames.empty())
        return;
    // Every frame draws under the same states; only its texture and rectangle differ.
    render::IShader* shader = beginModel(wrap, clamp, nullptr, nullptr);
    if (!shader)
        return;
    Transform const& transform = getTransform();
    for (AnimatedTextureFrame const* frame : m_frames) {
        if (frame->texture)
            shader->setTexture(shared().colorTexture.get(), frame->texture);
        float const x0 = transform.position2d.x, y0 = transform.position2d.y;
        float const w0 = transform.size2d.x, h0 = transform.size2d.y;
        float const left = x0 + w0 * static_cast<float>(frame->left) / canvasWidth;
        float const top = y0 + h0 * static_cast<float>(frame->top) / canvasHeight;
        float const right = left + w0 * static_cast<float>(frame->width) / canvasWidth;
        float const bottom = top + h0 * static_cast<float>(frame->height) / canvasHeight;
        QuadVertex const quad[4] = {{left, top, 1.0f, m_uvRect.x, m_uvRect.y},
            {right, top, 1.0f, m_uvRect.z, m_uvRect.y}, {right, bottom, 1.0f, m_uvRect.z, m_uvRect.w},
            {left, bottom, 1.0f, m_uvRect.x, m_uvRect.w}};
        TextureEffect::drawPassesMasked(shader, quad, m_channel);
    }
}

} // namespace tormakelin::fxcore
