#pragma once
// The effect that draws 3-D content: it gathers what is linked to it into one scene render
// record and hands it to the renderer all instances share.

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/kavro/SceneRender.h>

namespace tormakelin::fxcore {

class TORMAKELIN_FXCORE_API SceneRenderEffect : public Effect {
public:
    static PluginDesc _pluginDesc;
    SceneRenderEffect();
    ~SceneRenderEffect() override;
    SceneRenderEffect(SceneRenderEffect const&) = delete;
    SceneRenderEffect& operator=(SceneRenderEffect const&) = delete;

    void render(RenderContext& context) override;

    // The renderer every instance shares; null while no instance lives.
    static kavro::ISceneRender* sharedRenderer();
    // Fills `state` as render would draw it; false when there is nothing to draw.
    bool buildState(RenderContext const& context, kavro::SceneRenderState& state);

private:
    void takeSettings(RenderContext const& context, kavro::SceneSettings& settings);
    void takeEntries(kavro::SceneRenderState& state);

    float m_ambientPower = 0.1f;
    bool m_fogEnabled = false;
    D3DXVECTOR4 m_fogColor{255.0f, 255.0f, 255.0f, 255.0f};
    float m_fogStart = 0.0f;
    float m_fogEnd = 128.0f;
    bool m_shadowEnabled = false;
    D3DXVECTOR3 m_shadowPosition{0.0f, 200.0f, 0.0f};
    D3DXVECTOR3 m_shadowTargetPosition{2.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_shadowColor{0.0f, 0.0f, 0.0f, 255.0f};
    float m_shadowZMin = 1.0f;
    float m_shadowZMax = 256.0f;
    float m_shadowDistance = 128.0f;
    float m_shadowExp = 30.0f;
    float m_shadowSmoothstepMin = 0.5f;
    float m_shadowSmoothstepMax = 1.0f;
    bool m_shadowBlur = false;
    bool m_reflectionEnabled = false;
    float m_reflectionY = 0.0f;
    bool m_reflectionBlur = false;
    float m_reflectionBlurWidth = 1.0f;
    bool m_dofEnabled = false;
    float m_dofNear = 0.1f;
    float m_dofFar = 0.9f;
    float m_dofBlurWidth = 1.0f;
    bool m_zPassEnabled = false;

    // The inputs a frame reads links from, found once.
    struct Inputs {
        // Particle systems, flares, lens flares and scene graphs, in the order they are drawn.
        NodeParameter* entries[4] = {};
        NodeParameter *lights = nullptr, *materials = nullptr, *shaderParameters = nullptr;
        NodeParameter *shadow = nullptr, *shadowDownsample = nullptr, *shadowVertical = nullptr,
                      *shadowHorizontal = nullptr, *reflection = nullptr, *reflectionVertical = nullptr,
                      *reflectionHorizontal = nullptr, *dof = nullptr, *dofVertical = nullptr,
                      *dofHorizontal = nullptr, *zPass = nullptr;
    } m_inputs;

    // Kept between frames only for its capacity.
    kavro::SceneRenderState m_state;
};

} // namespace tormakelin::fxcore
