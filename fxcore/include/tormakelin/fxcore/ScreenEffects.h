#pragma once
// Effects that steer where and what the render stack draws, without geometry of their own.

#include <tormakelin/fxcore/Nodes.h>

namespace tormakelin::fxcore {

// Clears the current target's viewport.
class TORMAKELIN_FXCORE_API ClearScreen : public Effect {
public:
    static PluginDesc _pluginDesc;
    ClearScreen();
    ~ClearScreen() override;
    void render(RenderContext& context) override;

private:
    D3DXVECTOR4 m_color{0.0f, 0.0f, 0.0f, 255.0f};
    float m_z = 1.0f;
    int m_stencil = 0;
    int m_flags = 7;
};

// Copies the current view's part of the back buffer over the whole of a render-target resource.
class TORMAKELIN_FXCORE_API BackBuffer2Screen : public Effect {
public:
    static PluginDesc _pluginDesc;
    BackBuffer2Screen();
    ~BackBuffer2Screen() override;
    void render(RenderContext& context) override;
};

// Renders the effects linked to it into a render-target resource.
class TORMAKELIN_FXCORE_API RenderTargetEffect : public Effect {
public:
    static PluginDesc _pluginDesc;
    RenderTargetEffect();
    ~RenderTargetEffect() override;
    void render(RenderContext& context) override;

private:
    // Kept between frames: filled and emptied by each render.
    std::vector<core::SmartRef<IGraphNode>> m_effects;
};

} // namespace tormakelin::fxcore
