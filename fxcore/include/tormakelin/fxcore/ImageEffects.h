#pragma once
// Image effects of the texture-effect family: each turns a texture into a processed image drawn
// into the current target through the shared image effect.

#include <tormakelin/fxcore/TextureEffect.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace tormakelin::render {
class IRenderTargetTexture;
}

namespace tormakelin::fxcore {

struct AnimatedTextureFrame;

// The common shape: texture inputs, blend mode, tint, channel, placement and UV inputs. The
// constructor adds them; the member adds its own inputs, then `finishInputs`.
class TORMAKELIN_FXCORE_API ImageEffectBase : public Effect {
public:
    ~ImageEffectBase() override;

    // The texture of the first texture or render-target resource on the input; false when none is
    // connected (then `texture` is null).
    bool fetchTexture(std::string const& input, RenderContext const& context, render::ITexture*& texture);

protected:
    explicit ImageEffectBase(std::initializer_list<char const*> textureInputs, char const* blendDefault = "0");
    void finishInputs();

    // States, technique by UV mode, declaration, texture (when not null), tint, half pixel,
    // placement and the context's time (when given): the shared effect ready for the member's own
    // values. Null when the shared effect is not there.
    render::IShader* beginModel(std::string const& wrap, std::string const& clamp, render::ITexture* texture,
                                RenderContext const* context);
    // The placed quad through every pass under the channel mask.
    void drawModel(render::IShader* shader);

    int m_blendMode = render::BlendMode_Solid;
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    int m_channel = kChannelRgba;
    int m_uvMode = kUvModeClamp;
    D3DXVECTOR4 m_uvRect{0.0f, 0.0f, 1.0f, 1.0f};

private:
    TextureEffect::SharedRef m_sharedRef;
};

// The gradients draw no texture: their own technique under the shared inputs.
class TORMAKELIN_FXCORE_API Gradient : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    Gradient();
    void render(RenderContext& context) override;

private:
    D3DXVECTOR4 m_topLeft{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_topRight{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_bottomLeft{0.0f, 0.0f, 0.0f, 255.0f};
    D3DXVECTOR4 m_bottomRight{0.0f, 0.0f, 0.0f, 255.0f};
};

class TORMAKELIN_FXCORE_API RadialGradient : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    RadialGradient();
    void render(RenderContext& context) override;

private:
    D3DXVECTOR4 m_inner{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_outer{0.0f, 0.0f, 0.0f, 255.0f};
};

class TORMAKELIN_FXCORE_API Wave : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    Wave();
    void render(RenderContext& context) override;

private:
    D3DXVECTOR2 m_frequency{1.0f, 1.0f};
    D3DXVECTOR2 m_difference{0.1f, 0.1f};
    D3DXVECTOR2 m_amplitude{0.01f, 0.01f};
    D3DXVECTOR2 m_offset{0.01f, 0.01f};
};

class TORMAKELIN_FXCORE_API SobelEdge : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    SobelEdge();
    void render(RenderContext& context) override;

private:
    float m_threshold = 0.5f;
    float m_brightness = 1.0f;
};

class TORMAKELIN_FXCORE_API RGBSeperation : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    RGBSeperation();
    void render(RenderContext& context) override;

private:
    float m_power = 1.0f;
    D3DXVECTOR3 m_frequency{5.0f, 5.0f, 5.0f};
    D3DXVECTOR3 m_amplitude{0.01f, 0.01f, 0.01f};
    D3DXVECTOR3 m_difference{0.1f, 0.1f, 0.1f};
};

class TORMAKELIN_FXCORE_API RadialBlur : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    static constexpr int kMaxCopies = 128;
    RadialBlur();
    void render(RenderContext& context) override;
    // Iterations clamped to 1..128.
    static int copies(int iterations);

private:
    int m_iterations = 16;
    D3DXVECTOR4 m_startColor{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_endColor{32.0f, 32.0f, 32.0f, 32.0f};
    float m_scale = 1.5f;
    int m_rotation = 0;
};

class TORMAKELIN_FXCORE_API Negative : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    Negative();
    void render(RenderContext& context) override;
};

class TORMAKELIN_FXCORE_API EdgeDetect : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    EdgeDetect();
    void render(RenderContext& context) override;

private:
    float m_threshold = 0.5f;
    float m_pixelSteps = 1.5f;
};

// Keys of the Composite "Composite/Alpha Mode" option list.
enum CompositeAlphaMode : int { kCompositeAlpha = 0, kCompositeRgb = 1 };

class TORMAKELIN_FXCORE_API Composite : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    Composite();
    void render(RenderContext& context) override;

private:
    int m_alphaMode = kCompositeAlpha;
    float m_fade = 0.0f;
};

class TORMAKELIN_FXCORE_API ColorKey : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    ColorKey();
    void render(RenderContext& context) override;

private:
    D3DXVECTOR4 m_key{255.0f, 255.0f, 255.0f, 255.0f};
    float m_threshold = 1.0f;
};

class TORMAKELIN_FXCORE_API ColorCorrection : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    ColorCorrection();
    void render(RenderContext& context) override;

private:
    float m_brightness = 1.0f;
    float m_contrast = 1.0f;
    float m_saturation = 1.0f;
    float m_hue = 0.0f;
};

class TORMAKELIN_FXCORE_API CMYKDistort : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    CMYKDistort();
    void render(RenderContext& context) override;

private:
    D3DXVECTOR2 m_center{0.5f, 0.5f};
    D3DXVECTOR2 m_offsets[4] = {};
    float m_rotations[4] = {};
};

class TORMAKELIN_FXCORE_API AnimatedTextureEffect : public ImageEffectBase {
public:
    static PluginDesc _pluginDesc;
    AnimatedTextureEffect();
    void render(RenderContext& context) override;

private:
    // Reused every frame.
    std::vector<AnimatedTextureFrame const*> m_frames;
};

// Glow and Blur: a texture downsampled into one target and blurred through two more, then
// composed full screen into the current target.
class TORMAKELIN_FXCORE_API BlurChainBase : public Effect {
public:
    ~BlurChainBase() override;

    // The three targets, in slot order.
    enum Slot { kDownsample, kHorizontal, kVertical, kSlotCount };

protected:
    BlurChainBase();
    // Adds the three target inputs (render targets only, not linkable).
    void addTargetInputs();
    // The texture and the three targets; false (nothing to draw) when any is missing or one
    // target fills two slots.
    bool fetchChain(RenderContext const& context);
    // Steps shared before the passes: states, parameters, weights; the full clip square.
    render::IShader* beginChain(float blurWidth);
    // The technique drawn into the target, which is current only for the draw.
    void drawInto(render::IShader* shader, std::string const& technique, Slot slot);
    // The technique drawn into the current target with the node's blend mode.
    void drawComposed(render::IShader* shader, std::string const& technique, Slot source);
    render::ITexture* slotTexture(Slot slot) const;

    int m_blendMode = render::BlendMode_Solid;
    float m_width = 1.5f;
    render::ITexture* m_texture = nullptr;
    render::IRenderTargetTexture* m_targets[kSlotCount] = {};
    QuadVertex m_quad[4];

    // Taken by the member's constructor as its last step.
    TextureEffect::SharedRef m_sharedRef;

private:
    bool m_sharedSlotReported = false;
};

class TORMAKELIN_FXCORE_API Glow : public BlurChainBase {
public:
    static PluginDesc _pluginDesc;
    Glow();
    void render(RenderContext& context) override;

private:
    float m_glowIntensity = 0.5f;
    float m_highlightIntensity = 1.0f;
    float m_highlightThreshold = 0.5f;
};

class TORMAKELIN_FXCORE_API Blur : public BlurChainBase {
public:
    static PluginDesc _pluginDesc;
    static constexpr int kMaxIterations = 32;
    Blur();
    void render(RenderContext& context) override;

    // The targets the blur passes write, in order, and the one the composition reads.
    struct Plan {
        Slot writes[2 * kMaxIterations];
        int count = 0;
        Slot composedFrom = kDownsample;
    };
    static void plan(int horizontal, int vertical, Plan& out);

private:
    float m_alpha = 1.0f;
    int m_verticalIterations = 1;
    int m_horizontalIterations = 1;
};

} // namespace tormakelin::fxcore
