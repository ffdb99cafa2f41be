#pragma once
// The texture-effect family: nodes that draw one placed quad through the one shared image effect.

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/BlendMode.h>

namespace tormakelin::render {
class IShader;
class IShaderParameter;
class ITexture;
class IVertexDecl;
} // namespace tormakelin::render

namespace tormakelin::fxcore {

// One corner of the family's quads: position, then texture coordinate (20 bytes).
struct QuadVertex {
    float x, y, z;
    float u, v;
};

// Keys of the "Attributes/Channel" option list: the colour channels a quad writes.
enum TextureChannel : int {
    kChannelRgba = 0,
    kChannelRed = 1,
    kChannelGreen = 2,
    kChannelBlue = 3,
    kChannelAlpha = 4,
    kChannelCount = 5,
};

// Keys of the "UV/UV Mode" option list.
enum UvMode : int { kUvModeWrap = 0, kUvModeClamp = 1 };

class TORMAKELIN_FXCORE_API TextureEffect : public Effect {
public:
    // The compiled image effect, its parameter handles and the quad's declaration.
    struct TORMAKELIN_FXCORE_API SharedData {
        using Param = core::SmartRef<render::IShaderParameter>;

        core::SmartRef<render::IShader> shader;
        Param colorTexture, worldViewProjection, invViewportSize, viewportSize, color;
        core::SmartRef<render::IVertexDecl> vertexDecl;
        Param downsampleTexture, verticalBlurTexture, horizontalBlurTexture, textureSize, downsampleScale,
            sceneIntensity, glowIntensity, highlightIntensity, highlightThreshold, blurWidth, verticalWeights,
            horizontalWeights, blurCompositionAlpha, contrast, saturation, brightness, hue, frequency, amplitude,
            difference, rgbDistortPower, compositeFade, compositeTexture, compositeAlphaTexture, colorKeyColor,
            colorKeyThreshold, waveOffset, waveFrequency, waveDiff, waveAmplitude, edgeDetectThreshold,
            edgeDetectPixelSteps, sobelEdgeBrightness, sobelEdgeSamples, centerPt, cOffset, mOffset, yOffset,
            kOffset, cRot, mRot, yRot, kRot, gradientLowerLeft, gradientLowerRight, gradientUpperLeft,
            gradientUpperRight, time;

        // The effect compiled: every slot a draw needs is there.
        bool ready() const { return shader && vertexDecl; }
    };

    // A node's one count in `m_refCount`: taken as its constructor's last step, given back by
    // its destructor only when it was taken, so a construction that fails half-way leaves the
    // count as it found it.
    class TORMAKELIN_FXCORE_API SharedRef {
    public:
        SharedRef() = default;
        ~SharedRef();
        SharedRef(SharedRef const&) = delete;
        SharedRef& operator=(SharedRef const&) = delete;
        void take();

    private:
        bool m_taken = false;
    };

    static PluginDesc _pluginDesc;
    // Living nodes of the whole family, and what they share while there is one.
    static unsigned int m_refCount;
    static SharedData* m_shared;

    static void addSharedRef();
    static void decSharedRef();
    static void onStaticDataCreate();
    static void onStaticDataRelease();
    // What onStaticDataCreate compiles; starts as the built-in text every family member draws
    // with (tests swap it).
    static char const* m_sharedEffectText;

    TextureEffect();
    ~TextureEffect() override;
    void eval(UpdateContext& context) override;
    void render(RenderContext& context) override;

    // Drawing steps every family member shares.
    // The compiled shared effect, or null (nothing can be drawn then).
    static render::IShader* sharedShader();
    // Alpha test, stencil, depth test, depth writes off; no culling.
    static void setQuadStates();
    // (-1/width, 1/height) of the current viewport: Direct3D 9's half-pixel correction.
    static D3DXVECTOR2 invViewportSize();
    static D3DXVECTOR2 viewportSize();
    // RGBA 15, R 1, G 2, B 4, A 8, any other channel 0.
    static unsigned long channelMask(int channel);
    // The quad at the transform's position and size, z = 1, corners clockwise from the top left.
    static void buildQuad(Transform const& transform, D3DXVECTOR4 const& uvRect, QuadVertex (&quad)[4]);
    // The clip square, for members that fill the whole viewport.
    static void fullscreenQuad(QuadVertex (&quad)[4]);
    // Every pass of the shader's current technique, one fan of two triangles each.
    static void drawPasses(render::IShader* shader, QuadVertex const (&quad)[4]);
    // The same, writing only the channel's colour components; all four are writable after.
    static void drawPassesMasked(render::IShader* shader, QuadVertex const (&quad)[4], int channel);
    // The node's transform on the current viewport, projected.
    static D3DXMATRIX placedMatrix(GraphNode& node);
    // False when no texture or render-target resource is on the input; else `texture` is the
    // first one's texture (which may be null).
    static bool fetchTexture(GraphNode& node, std::string const& input, RenderContext const& context,
                             render::ITexture*& texture);
    // "Attributes/Texture", made once.
    static std::string const& textureInputName();
    // Texture and render-target resources: the kinds a family member draws.
    static std::vector<core::UniqueId> const& textureKinds();
    // The texture a texture or render-target resource holds, or null for other resources.
    static render::ITexture* resourceTexture(IResource* resource);
    // The option names of the blend-mode and channel inputs.
    static void addBlendModeOptions(NodeParameter* input);
    static void addChannelOptions(NodeParameter* input);
    static void addUvModeOptions(NodeParameter* input);
    // Draws with the shared effect; a null texture keeps what "colorTexture" last held.
    void drawShared(render::ITexture* texture);

protected:
    int m_blendMode = render::BlendMode_Solid;
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    int m_channel = kChannelRgba;
    int m_uvMode = kUvModeClamp;
    D3DXVECTOR4 m_uvRect{0.0f, 0.0f, 1.0f, 1.0f};

private:
    SharedRef m_sharedRef;
    // The compiled shader of a shader-effect node on "Shader/Shader", or null.
    render::IShader* linkedUserShader();
    void drawUserShader(render::IShader* shader);
    void bindUserParameters(render::IShader* shader);
    void setStatesAndQuad(QuadVertex (&quad)[4]);

    // Kept between frames so that binding the linked parameters allocates nothing.
    std::vector<core::SmartRef<IGraphNode>> m_connected;
};

// Keys of the FullscreenQuad "Attributes/Type" option list.
enum FullscreenQuadType : int { kFullscreenQuadTextured = 0, kFullscreenQuadSolid = 1 };

class TORMAKELIN_FXCORE_API FullscreenQuad : public Effect {
public:
    static PluginDesc _pluginDesc;
    FullscreenQuad();
    ~FullscreenQuad() override;
    void render(RenderContext& context) override;

private:
    TextureEffect::SharedRef m_sharedRef;
    int m_type = kFullscreenQuadTextured;
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    int m_blendMode = render::BlendMode_Solid;
};

} // namespace tormakelin::fxcore
