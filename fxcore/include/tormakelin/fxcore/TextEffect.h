#pragma once
// Text drawn from a font's glyph atlas, and a polyline through a layer's keyframe track. Each class
// shares one compiled effect and one vertex declaration among all its living nodes.

#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/core/SmartRef.h>

#include <string>
#include <string_view>
#include <vector>

namespace tormakelin::fxcore {

class IFont;

// Pixels; x grows to the right and y downward.
struct TextRect {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// One line of laid-out text: two triangles per glyph, and the box over its vertices (all 0 when empty).
struct TextLine {
    TextRect box;
    std::vector<QuadVertex> vertices;
};

enum TextAlign : int { kTextAlignLeft = 0, kTextAlignCenter = 1, kTextAlignRight = 2 };

struct TextStyle {
    int tracking = 0;
    int heightSpacing = 0;
    int align = kTextAlignLeft;
};

// A layout kept between renders so that its lines keep their memory.
struct TextLayout {
    // The first `lineCount` lines are the text; the rest are spare.
    std::vector<TextLine> lines;
    size_t lineCount = 0;
    // The block; an empty text has an empty one at the start point.
    TextRect rect;
};

// The character code of a text byte: Windows-1252, read unsigned.
TORMAKELIN_FXCORE_API unsigned short textCharacterCode(unsigned char byte);

// Lays `text` out from (x, y) with the font's glyphs, kerning and line height.
TORMAKELIN_FXCORE_API void layoutText(IFont& font, std::string_view text, int x, int y, TextStyle const& style,
                                      TextLayout& layout);

class TORMAKELIN_FXCORE_API TextEffect : public Effect {
public:
    struct TORMAKELIN_FXCORE_API SharedData {
        using Param = core::SmartRef<render::IShaderParameter>;
        core::SmartRef<render::IShader> shader;
        Param colorTexture, color, worldViewProjection, invViewportSize;
        core::SmartRef<render::IVertexDecl> vertexDecl;
        bool ready() const { return shader && vertexDecl; }
    };

    static PluginDesc _pluginDesc;
    static unsigned int m_refCount;
    static SharedData* m_shared;
    // What the first node compiles; starts as the built-in text (tests swap it).
    static char const* m_sharedEffectText;

    TextEffect();
    ~TextEffect() override;
    void render(RenderContext& context) override;

    // The block of the last layout.
    TextRect const& getTextRect() const { return m_layout.rect; }
    TextLayout const& getTextLayout() const { return m_layout; }

private:
    static void createShared();
    static void releaseShared();
    void drawPass(render::IShader* shader, D3DXVECTOR4 const& color, float dx, float dy);

    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    int m_tracking = 0;
    int m_heightSpacing = 0;
    std::string m_text = "Text";
    int m_align = kTextAlignLeft;
    bool m_shadowEnabled = false;
    D3DXVECTOR4 m_shadowColor{0.0f, 0.0f, 0.0f, 255.0f};
    D3DXVECTOR2 m_shadowOffset{2.0f, 2.0f};
    bool m_outlineEnabled = false;
    D3DXVECTOR4 m_outlineColor{0.0f, 0.0f, 0.0f, 255.0f};
    TextLayout m_layout;
};

// One point of a spline: its key's time and where it is drawn.
struct SplinePoint {
    float time;
    float x, y, z;
};

// The drawn position of a point (12 bytes).
struct SplineVertex {
    float x, y, z;
};

class TORMAKELIN_FXCORE_API Spline2DEffect : public Effect {
public:
    struct TORMAKELIN_FXCORE_API SharedData {
        core::SmartRef<render::IShader> shader;
        core::SmartRef<render::IShaderParameter> worldViewProjection;
        core::SmartRef<render::IVertexDecl> vertexDecl;
        bool ready() const { return shader && vertexDecl; }
    };

    static PluginDesc _pluginDesc;
    static unsigned int m_refCount;
    static SharedData* m_shared;
    static char const* m_sharedEffectText;

    Spline2DEffect();
    ~Spline2DEffect() override;
    void eval(UpdateContext& context) override;
    void render(RenderContext& context) override;

    std::vector<SplinePoint> const& getPoints() const { return m_points; }
    D3DXVECTOR2 const& getBoundsMin() const { return m_boundsMin; }
    D3DXVECTOR2 const& getBoundsMax() const { return m_boundsMax; }

private:
    static void createShared();
    static void releaseShared();
    // The points of the track on "Points" for this render; false when it has fewer than two keys.
    bool gatherPoints(RenderContext const& context);

    // Its id keys the layer's track in the instance map (a loaded project may change the id).
    NodeParameter* m_pointsInput = nullptr;
    float m_pointCount = 300.0f;
    D3DXVECTOR2 m_pointScale{1.0f, 1.0f};
    float m_timeScale = 1.0f;
    std::vector<SplinePoint> m_points;
    std::vector<SplineVertex> m_vertices;
    D3DXVECTOR2 m_boundsMin{0.0f, 0.0f};
    D3DXVECTOR2 m_boundsMax{0.0f, 0.0f};
};

} // namespace tormakelin::fxcore
