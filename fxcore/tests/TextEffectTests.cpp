// The text effect against the metrics FreeType gives for the same face, and its pixels against the
// atlas's coverage; the spline effect through a layer's keyframe track.

#include "TextureEffectSupport.h"

#include <tormakelin/fxcore/Font.h>
#include <tormakelin/fxcore/TextEffect.h>

#include <QuietLog.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Keyframe.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <vector>

using namespace texture_test;
using fxcore::Spline2DEffect;
using fxcore::TextEffect;

namespace {

char const* const kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
char const* const kFontId = "7E470000-0000-0000-0000-000000000001";

// What FreeType says of one glyph of the face, in the atlas's whole-pixel terms.
struct FreeTypeGlyph {
    unsigned index = 0;
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
};

// The face at a point size, read straight through FreeType.
class FreeTypeFace {
public:
    explicit FreeTypeFace(int points)
    {
        EXPECT_EQ(FT_Init_FreeType(&m_library), 0);
        EXPECT_EQ(FT_New_Face(m_library, kSans, 0, &m_face), 0);
        EXPECT_EQ(FT_Set_Char_Size(m_face, 0, FT_F26Dot6(points) * 64, 0, 0), 0);
    }
    ~FreeTypeFace()
    {
        FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }

    int ascender() const { return int((m_face->size->metrics.ascender + 63) >> 6); }
    int lineHeight() const { return ascender() - int((m_face->size->metrics.descender + 63) >> 6) + 1; }

    FreeTypeGlyph glyph(unsigned long code) const
    {
        FreeTypeGlyph out;
        out.index = FT_Get_Char_Index(m_face, code);
        EXPECT_EQ(FT_Load_Glyph(m_face, out.index, 0), 0);
        EXPECT_EQ(FT_Render_Glyph(m_face->glyph, FT_RENDER_MODE_NORMAL), 0);
        FT_Glyph_Metrics const& m = m_face->glyph->metrics;
        out.left = int(m.horiBearingX >> 6);
        out.top = int(m.horiBearingY >> 6);
        out.width = m_face->glyph->bitmap.pitch;
        out.rows = int(m_face->glyph->bitmap.rows);
        out.advance = int((m.horiAdvance + 63) >> 6);
        return out;
    }

    int kerning(unsigned long left, unsigned long right) const
    {
        FT_Vector k{};
        FT_Get_Kerning(m_face, glyph(left).index, glyph(right).index, FT_KERNING_DEFAULT, &k);
        return int(k.x >> 6);
    }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

// A 128x64 device, the file system the font loads through, and a 32 pt DejaVu Sans resource.
class TextDeviceTest : public ::testing::Test {
protected:
    static constexpr unsigned kWidth = 128;
    static constexpr unsigned kHeight = 64;

    void SetUp() override
    {
        fileSystem = core::createFileSystem();
        device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = kWidth;
        params.height = kHeight;
        ASSERT_TRUE(device->create(&window, params));
        ASSERT_TRUE(device->beginScene());
        device->clear(render::Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    }

    void TearDown() override
    {
        if (device)
            device->endScene();
        device = nullptr;
        fileSystem = nullptr;
    }

    fxcore::IFont* addFont(int points = 32)
    {
        auto* resource = new fxcore::FontResource;
        resource->setPluginDesc(fxcore::FontResource::_pluginDesc);
        EXPECT_TRUE(resource->load(kSans, points));
        lookup.add(resource, kFontId);
        return resource->getFont();
    }

    core::SmartRef<TextEffect> textNode(char const* text, std::vector<std::pair<char const*, char const*>> more = {})
    {
        core::SmartRef<TextEffect> node(new TextEffect);
        more.insert(more.begin(), {{"Attributes/Font", kFontId}, {"Attributes/Text", text}});
        setInputs(*node, more);
        return node;
    }

    std::vector<uint32_t> pixels() { return fxcore::test::backBufferPixels(device->getD3DDevice()); }

    int drawCalls() { return device->getStatistics()->drawCalls; }

    HiddenWindow window;
    core::SmartRef<core::IFileSystem> fileSystem;
    core::SmartRef<render::IRenderDevice> device;
    ResourceLookup lookup;
    fxcore::RenderContext context;
};

// The smallest x of a line's vertices.
float lineLeft(fxcore::TextLine const& line)
{
    float left = line.vertices.front().x;
    for (auto const& vertex : line.vertices)
        left = std::min(left, vertex.x);
    return left;
}

std::vector<uint8_t> atlasCoverage(render::ITexture* texture)
{
    std::vector<uint8_t> out;
    auto* d3dTexture = static_cast<IDirect3DTexture9*>(texture->getD3DTexture());
    D3DLOCKED_RECT locked;
    if (d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
        return out;
    unsigned const width = texture->getWidth();
    out.resize(size_t(width) * texture->getHeight());
    for (unsigned y = 0; y < texture->getHeight(); ++y)
        std::memcpy(&out[size_t(y) * width], static_cast<uint8_t const*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
            width);
    d3dTexture->UnlockRect(0);
    return out;
}

} // namespace

TEST_F(TextDeviceTest, KernedPairMatchesFreeTypesMetrics)
{
    fxcore::IFont* font = addFont();
    ASSERT_NE(font, nullptr);
    FreeTypeFace const face(32);
    FreeTypeGlyph const a = face.glyph('A');
    FreeTypeGlyph const v = face.glyph('V');
    int const kern = face.kerning('A', 'V');
    ASSERT_NE(kern, 0) << "the pair should kern in this face";

    auto node = textNode("AV", {{"Transform/Position", "10.7,20.2"}});
    node->render(context);

    fxcore::TextLayout const& layout = node->getTextLayout();
    ASSERT_EQ(layout.lineCount, 1u);
    std::vector<fxcore::QuadVertex> const& vertices = layout.lines[0].vertices;
    ASSERT_EQ(vertices.size(), 12u);
    // The pen starts at the truncated position; V follows A's advance and the pair's kerning.
    int const aLeft = 10 + a.left;
    int const vLeft = 10 + a.advance + kern + v.left;
    EXPECT_EQ(vertices[0].x, float(aLeft));
    EXPECT_EQ(vertices[0].y, float(20 + face.ascender() - a.top));
    EXPECT_EQ(vertices[6].x, float(vLeft));
    EXPECT_EQ(vertices[7].x, float(vLeft + v.width));
    EXPECT_EQ(vertices[8].y, float(20 + face.ascender() - v.top + v.rows));

    int const right = std::max(aLeft + a.width, vLeft + v.width);
    int const bottom = 20 + face.ascender() + std::max(a.rows - a.top, v.rows - v.top);
    fxcore::TextRect const& rect = node->getTextRect();
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
    EXPECT_EQ(node->getTransform().size2d, D3DXVECTOR2(float(right - 10), float(bottom - 20)));
    EXPECT_EQ(font->getLineHeight(), face.lineHeight());
}

// Lines: a line feed drops one line height plus the spacing; a leading one leaves an empty line,
// a trailing one none; characters the font lacks take no room and keep the pair around them.
TEST_F(TextDeviceTest, LinesAndMissingCharacters)
{
    fxcore::IFont* font = addFont();
    ASSERT_NE(font, nullptr);
    int const lineHeight = font->getLineHeight();
    struct Case {
        char const* text;
        char const* spacing;
        size_t lines;
    } const cases[] = {{"A\nV", "0", 2}, {"A\nV", "5", 2}, {"\nA", "0", 2}, {"A\n", "0", 1}, {"A\n\nV", "0", 3}};
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" spacing " << c.spacing);
        auto node = textNode(c.text, {{"Attributes/Height Spacing", c.spacing}});
        node->render(context);
        fxcore::TextLayout const& layout = node->getTextLayout();
        ASSERT_EQ(layout.lineCount, c.lines);
        int const step = lineHeight + std::atoi(c.spacing);
        auto const top = [&](size_t i) { return layout.lines[i].box.top; };
        if (std::strcmp(c.text, "\nA") == 0) {
            fxcore::TextRect const& empty = layout.lines[0].box;
            EXPECT_TRUE(layout.lines[0].vertices.empty());
            EXPECT_EQ(empty.left | empty.right | empty.top | empty.bottom, 0);
        } else if (c.lines > 1) {
            fxcore::FontGlyph const* a = font->getGlyph('A');
            fxcore::FontGlyph const* v = font->getGlyph('V');
            EXPECT_EQ(top(c.lines - 1) - v->yOffset - (top(0) - a->yOffset), int(c.lines - 1) * step);
        }
    }

    auto plain = textNode("AV");
    plain->render(context);
    auto gapped = textNode("A\x81V\x7F");
    gapped->render(context);
    ASSERT_EQ(gapped->getTextLayout().lineCount, 1u);
    EXPECT_EQ(gapped->getTextLayout().lines[0].vertices.size(), plain->getTextLayout().lines[0].vertices.size());
    EXPECT_EQ(gapped->getTextLayout().lines[0].vertices[6].x, plain->getTextLayout().lines[0].vertices[6].x);
}

// Each line moves by its difference to the block's width: none, half of it (toward zero), all of it.
TEST_F(TextDeviceTest, AlignmentShiftsEachLineWithinTheBlock)
{
    addFont();
    char const* const text = "AVAVA\nVi";
    auto left = textNode(text);
    left->render(context);
    fxcore::TextLayout const& base = left->getTextLayout();
    ASSERT_EQ(base.lineCount, 2u);
    int const blockWidth = base.rect.right - base.rect.left;
    auto difference = [&](size_t line) { return blockWidth - (base.lines[line].box.right - base.lines[line].box.left); };
    ASSERT_GT(difference(1), difference(0));
    for (char const* align : {"1", "2"}) {
        SCOPED_TRACE(align);
        auto node = textNode(text, {{"Attributes/Align", align}});
        node->render(context);
        fxcore::TextLayout const& layout = node->getTextLayout();
        for (size_t line = 0; line < 2; ++line) {
            int const shift = align[0] == '1' ? difference(line) / 2 : difference(line);
            EXPECT_EQ(lineLeft(layout.lines[line]), lineLeft(base.lines[line]) + float(shift)) << "line " << line;
        }
        // The block itself stays where it was laid out.
        EXPECT_EQ(layout.rect.left, base.rect.left);
        EXPECT_EQ(layout.rect.right, base.rect.right);
    }
}

// White on black with Alpha blending: each pixel is the coverage of the glyphs over it.
TEST_F(TextDeviceTest, WhiteTextShowsTheAtlasCoverage)
{
    fxcore::IFont* font = addFont();
    ASSERT_NE(font, nullptr);
    auto node = textNode("AV\xE9", {{"Transform/Position", "6,8"}});
    node->render(context);
    fxcore::TextLayout const& layout = node->getTextLayout();
    ASSERT_EQ(layout.lineCount, 1u);
    ASSERT_EQ(layout.lines[0].vertices.size(), 18u) << "the byte 0xE9 draws its glyph";

    std::vector<uint8_t> const atlas = atlasCoverage(font->getTexture());
    unsigned const atlasWidth = font->getTexture()->getWidth();
    std::vector<float> expected(size_t(kWidth) * kHeight, 0.0f);
    for (unsigned short const code : {0x41, 0x56, 0xE9}) {
        fxcore::FontGlyph const* glyph = font->getGlyph(code);
        ASSERT_NE(glyph, nullptr);
        std::vector<fxcore::QuadVertex> const& v = layout.lines[0].vertices;
        size_t const first = code == 0x41 ? 0 : code == 0x56 ? 6 : 12;
        int const left = int(v[first].x);
        int const top = int(v[first].y);
        for (int j = 0; j < glyph->rows; ++j)
            for (int i = 0; i < glyph->pitch; ++i) {
                float const a = atlas[size_t(glyph->y + 2 + j) * atlasWidth + size_t(glyph->x + 2 + i)] / 255.0f;
                float& dst = expected[size_t(top + j) * kWidth + size_t(left + i)];
                dst = a + dst * (1.0f - a);
            }
    }
    std::vector<uint32_t> const drawn = pixels();
    ASSERT_EQ(drawn.size(), expected.size());
    int lit = 0;
    for (unsigned y = 0; y < kHeight; ++y)
        for (unsigned x = 0; x < kWidth; ++x) {
            Rgba const got = unpack(drawn[size_t(y) * kWidth + x]);
            int const want = int(expected[size_t(y) * kWidth + x] * 255.0f + 0.5f);
            ASSERT_NEAR(got.r, want, 1) << "at " << x << "," << y;
            ASSERT_EQ(got.r, got.b);
            lit += want > 0;
        }
    EXPECT_GT(lit, 200);
}

TEST_F(TextDeviceTest, ShadowAndOutlineDrawSixPassesPerLine)
{
    addFont();
    struct Case {
        char const* shadow;
        char const* outline;
        char const* text;
        int draws;
    } const cases[] = {
        {"0", "0", "AV", 1}, {"1", "0", "AV", 2}, {"0", "1", "AV", 5}, {"1", "1", "AV", 6}, {"1", "1", "A\nV", 12},
        {"1", "1", "\nA", 6}, {"1", "1", "", 0}, {"1", "1", "\x81", 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shadow << c.outline << " \"" << c.text << '"');
        auto node = textNode(c.text, {{"Shadow/Shadow Enabled", c.shadow}, {"Outline/Outline Enabled", c.outline}});
        int const before = drawCalls();
        node->render(context);
        EXPECT_EQ(drawCalls() - before, c.draws);
    }
}

// The shadow lands at its offset in its colour, under the outline and the text.
TEST_F(TextDeviceTest, ShadowIsOffsetAndOutlineSurroundsTheText)
{
    addFont();
    auto node = textNode("I", {{"Transform/Position", "20,4"}, {"Attributes/Color", "255,0,0,255"},
                                  {"Shadow/Shadow Enabled", "1"}, {"Shadow/Shadow Color", "0,0,255,255"},
                                  {"Shadow/Shadow Offset", "9.9,0"}, {"Outline/Outline Enabled", "1"},
                                  {"Outline/Outline Color", "0,255,0,255"}});
    node->render(context);
    fxcore::TextRect const rect = node->getTextLayout().lines[0].box;
    std::vector<uint32_t> const drawn = pixels();
    int const midY = (rect.top + rect.bottom) / 2;
    auto at = [&](int x) { return unpack(drawn[size_t(midY) * kWidth + size_t(x)]); };
    int const midX = (rect.left + rect.right) / 2;
    EXPECT_GT(at(midX).r, 200);
    EXPECT_EQ(at(midX).b, 0);
    EXPECT_GT(at(rect.left - 1).g, 100) << "outline one pixel out";
    EXPECT_GT(at(midX + 9).b, 200) << "shadow 9 pixels right";
}

// Nothing drawn: an empty block at the start point, not one reaching to the smallest int.
TEST_F(TextDeviceTest, TextWithoutGlyphsHasAnEmptyBlock)
{
    addFont();
    for (char const* text : {"\x81", "\n\n", "\x81\n\x90"}) {
        SCOPED_TRACE(text);
        auto node = textNode(text, {{"Transform/Position", "30,12"}});
        node->render(context);
        fxcore::TextRect const& rect = node->getTextRect();
        EXPECT_EQ(rect.left, 30);
        EXPECT_EQ(rect.right, 30);
        EXPECT_EQ(rect.top, 12);
        EXPECT_EQ(rect.bottom, 12);
        EXPECT_EQ(node->getTransform().size2d, D3DXVECTOR2(0.0f, 0.0f));
    }
}

TEST(TextCharacterCodes, BytesReadUnsignedAsWindows1252)
{
    struct Case {
        unsigned char byte;
        unsigned short code;
    } const cases[] = {{'A', 'A'}, {0x0A, 0x0A}, {0x7F, 0x7F}, {0x80, 0x20AC}, {0x81, 0x81}, {0x83, 0x0192},
        {0x8C, 0x0152}, {0x99, 0x2122}, {0x9F, 0x0178}, {0xA0, 0xA0}, {0xE9, 0xE9}, {0xFF, 0xFF}};
    for (Case const& c : cases)
        EXPECT_EQ(fxcore::textCharacterCode(c.byte), c.code) << int(c.byte);
}

namespace {

// Swaps in a text for the next first node, with reports collected; puts both back.
struct BrokenEffectText {
    char const* const textBefore = TextEffect::m_sharedEffectText;
    char const* const splineBefore = Spline2DEffect::m_sharedEffectText;
    tormakelin::test::LogCatcher const log;
    BrokenEffectText()
    {
        TextEffect::m_sharedEffectText = Spline2DEffect::m_sharedEffectText =
            "technique Normal { pass Pass_0 { PixelShader = compile ps_2_0 missing(); } }\n";
    }
    ~BrokenEffectText()
    {
        TextEffect::m_sharedEffectText = textBefore;
        Spline2DEffect::m_sharedEffectText = splineBefore;
    }
};

} // namespace

// One compile per class while any node lives; a failed one is reported once and draws nothing.
TEST_F(TextDeviceTest, SharedEffectsLiveWithTheirNodesAndFailOnce)
{
    addFont();
    {
        auto first = textNode("A");
        auto second = textNode("V");
        core::SmartRef<Spline2DEffect> spline(new Spline2DEffect);
        ASSERT_NE(TextEffect::m_shared, nullptr);
        EXPECT_TRUE(TextEffect::m_shared->ready());
        EXPECT_TRUE(Spline2DEffect::m_shared->ready());
        EXPECT_EQ(TextEffect::m_refCount, 2u);
    }
    EXPECT_EQ(TextEffect::m_shared, nullptr);
    EXPECT_EQ(Spline2DEffect::m_shared, nullptr);

    BrokenEffectText const broken;
    auto text = textNode("AV", {{"Shadow/Shadow Enabled", "1"}});
    auto again = textNode("AV");
    core::SmartRef<Spline2DEffect> spline(new Spline2DEffect);
    EXPECT_FALSE(TextEffect::m_shared->ready());
    int const before = drawCalls();
    for (int frame = 0; frame < 3; ++frame) {
        text->render(context);
        again->render(context);
        spline->render(context);
    }
    EXPECT_EQ(drawCalls(), before);
    EXPECT_EQ(broken.log.messages().size(), 2u) << "one report per class";
    std::vector<uint32_t> const drawn = pixels();
    EXPECT_TRUE(std::all_of(drawn.begin(), drawn.end(), [](uint32_t p) { return p == 0xFF000000u; }));
}

namespace {

// A track of 2-D keys, one per second.
core::SmartRef<core::IKeyframe> track(std::vector<std::vector<float>> const& keys, unsigned components = 2)
{
    core::SmartRef<core::IKeyframe> out(core::createKeyframe(components, false));
    float time = 0.0f;
    for (auto const& values : keys) {
        core::Key* key = out->createKey();
        key->time = time++;
        key->kind = core::KeyLinear;
        for (unsigned i = 0; i < components; ++i)
            key->values[i] = values[i];
        out->addKey(key, true);
    }
    return out;
}

} // namespace

TEST_F(TextDeviceTest, SplineDrawsThroughTheLayersKeys)
{
    core::SmartRef<Spline2DEffect> node(new Spline2DEffect);
    setInputs(*node, {{"Transform/Position", "10,10"}});
    core::SmartRef<core::IKeyframe> const keys = track({{0, 0}, {100, 0}, {100, 50}});
    context.instanceParameters[node->findInput("Points")->getId()] = {nullptr, keys.get()};
    int const before = drawCalls();
    node->render(context);
    EXPECT_EQ(drawCalls() - before, 1);

    std::vector<uint32_t> const drawn = pixels();
    auto at = [&](unsigned x, unsigned y) { return unpack(drawn[size_t(y) * kWidth + x]); };
    EXPECT_EQ(at(60, 10).r, 255);
    EXPECT_EQ(at(60, 10).g, 255);
    EXPECT_EQ(at(110, 35).b, 255);
    EXPECT_EQ(at(60, 40).r, 0);
    EXPECT_EQ(at(60, 12).r, 0);
    EXPECT_EQ(at(108, 35).r, 0);
    ASSERT_EQ(node->getPoints().size(), 3u);
    EXPECT_EQ(node->getPoints()[2].time, 2.0f);
    EXPECT_EQ(node->getBoundsMin(), D3DXVECTOR2(10, 10));
    EXPECT_EQ(node->getBoundsMax(), D3DXVECTOR2(110, 60));
    EXPECT_EQ(node->getTransform().size2d, D3DXVECTOR2(100, 50));
}

TEST_F(TextDeviceTest, SplinePointsScaleAndBoundTheirOwnExtent)
{
    struct Case {
        char const* name;
        std::vector<std::vector<float>> keys;
        unsigned components;
        char const* scale;
        int draws;
        D3DXVECTOR2 min, max;
    } const cases[] = {
        {"one key", {{5, 5}}, 2, "1,1", 0, {0, 0}, {0, 0}},
        {"one component", {{0}, {50}}, 1, "1,1", 1, {20, 30}, {70, 30}},
        {"scaled", {{0, 0}, {10, 4}}, 2, "3,2", 1, {20, 30}, {50, 38}},
        {"behind the position", {{0, 0}, {-15, -5}, {10, 20}}, 2, "1,1", 1, {5, 25}, {30, 50}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        core::SmartRef<Spline2DEffect> node(new Spline2DEffect);
        setInputs(*node, {{"Transform/Position", "20,30"}, {"Point Scale", c.scale}});
        core::SmartRef<core::IKeyframe> const keys = track(c.keys, c.components);
        fxcore::RenderContext local;
        local.instanceParameters[node->findInput("Points")->getId()] = {nullptr, keys.get()};
        int const before = drawCalls();
        node->render(local);
        EXPECT_EQ(drawCalls() - before, c.draws);
        EXPECT_EQ(node->getBoundsMin(), c.min);
        EXPECT_EQ(node->getBoundsMax(), c.max);
        EXPECT_EQ(node->getTransform().size2d, c.max - c.min);
    }

    core::SmartRef<Spline2DEffect> unbound(new Spline2DEffect);
    int const before = drawCalls();
    unbound->render(context);
    EXPECT_EQ(drawCalls(), before) << "no track in the instance map";
    EXPECT_EQ(unbound->getTransform().size2d, D3DXVECTOR2(0, 0));
}
