#include <tormakelin/fxcore/ScreenEffects.h>

#include "PluginDescs.h"
#include "RenderTargetInput.h"

#include <tormakelin/fxcore/RenderTargetResource.h>

#include <tormakelin/render/PostProcessor.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>

#include <tormakelin/core/UniqueId.h>

#include <vector>

namespace tormakelin::fxcore {

namespace {

PluginDesc screenDesc(char const* id, char const* path, char const* name)
{
    return libraryPluginDesc(kPluginGraphNode, id, path, name);
}

} // namespace

PluginDesc ClearScreen::_pluginDesc =
    screenDesc("DCF42380-B253-11DD-9288-F17C82B47B41", "Effect/Screen/ClearScreen", "Clear Screen Effect");
PluginDesc BackBuffer2Screen::_pluginDesc =
    screenDesc("1FCBF8EB-F1E7-11DD-A30D-F7A0FD545234", "Effect/Screen/BackBuffer To RT", "Back buffer to screen effect");
PluginDesc RenderTargetEffect::_pluginDesc =
    screenDesc("E23B2FD8-DE5C-11DE-8AD3-C7B13CD9BE0B", "Effect/Screen/Render Target", "Render target effect");

ClearScreen::ClearScreen()
{
    addInput("Color", kParameterColor, "0,0,0,255", &m_color);
    addInput("Clear/Z", kParameterFloat, "1", &m_z);
    addInput("Clear/Stencil", kParameterInt, "0", &m_stencil);
    // The option values are the device's clear flags themselves.
    IParameter* flags = addInput("Flags", kParameterOption, "7", &m_flags)->value;
    flags->addOption("Target", render::Clear_Colour);
    flags->addOption("Stencil", render::Clear_Stencil);
    flags->addOption("Z-Buffer", render::Clear_Depth);
    flags->addOption("All", render::Clear_Colour | render::Clear_Stencil | render::Clear_Depth);
}

ClearScreen::~ClearScreen() = default;

void ClearScreen::render(RenderContext&)
{
    if (render::g_renderDevice)
        render::g_renderDevice->clear(static_cast<uint32_t>(m_flags), m_color / 255.0f, m_z, m_stencil);
}

BackBuffer2Screen::BackBuffer2Screen()
{
    addInput("Render Target", kParameterResource, "0", nullptr);
}

BackBuffer2Screen::~BackBuffer2Screen() = default;

void BackBuffer2Screen::render(RenderContext& context)
{
    render::IRenderTargetTexture* target = renderTargetOn(*this, "Render Target", context);
    render::IRenderDevice* device = render::g_renderDevice;
    if (!target || !device || !device->getBackBuffer() || !device->getPostProcessor())
        return;
    D3DXVECTOR4 source;
    D3DXVECTOR4 const* sourceRect = nullptr;
    if (render::IRenderView* view = device->getRenderView()) {
        D3DVIEWPORT9 const& viewport = view->getViewport();
        source = D3DXVECTOR4(float(viewport.X), float(viewport.Y), float(viewport.X + viewport.Width),
            float(viewport.Y + viewport.Height));
        sourceRect = &source;
    }
    device->getPostProcessor()->stretchRect(device->getBackBuffer(), sourceRect, target, nullptr);
}

RenderTargetEffect::RenderTargetEffect()
{
    addInput("Attributes/Render Target", kParameterResource, "0", nullptr);
    addInput("Effects/Effects", kParameterLink, "0", nullptr);
}

RenderTargetEffect::~RenderTargetEffect() = default;

void RenderTargetEffect::render(RenderContext& context)
{
    render::IRenderTargetTexture* target = renderTargetOn(*this, "Attributes/Render Target", context);
    // Without a target the effects would draw into whatever is current.
    if (!target)
        return;
    // A target that is rendering already refuses the begin, which also ends a chain of effects
    // that leads back to it. The refused begin still takes its end, which then changes nothing.
    // The kept list is not re-entered: a chain back to this node stops at the refused begin.
    if (target->begin()) {
        collectNodesConnectedToInput("Effects/Effects", {}, m_effects);
        for (auto const& node : m_effects)
            if (node->getNodeType() == kGraphNodeEffect)
                if (auto* effect = dynamic_cast<Effect*>(node.get()))
                    effect->render(context);
        m_effects.clear();
    }
    target->end();
}

} // namespace tormakelin::fxcore
