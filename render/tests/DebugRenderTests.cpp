#include "DeviceFixture.h"
#include "RecordingDevice.h"

#include <cmath>
#include <functional>

#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/Line.h>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

struct Vertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR colour;
};

struct Draw {
    D3DPRIMITIVETYPE type;
    uint32_t primitives;
    bool operator==(const Draw&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Draw& draw)
{
    return out << "(" << int(draw.type) << ", " << draw.primitives << ")";
}

class DebugRenderTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
        renderer = createDebugRender();
        ASSERT_NE(renderer.get(), nullptr);
        recorder = std::make_unique<RecordingDevice>(device);
    }

    void TearDown() override
    {
        g_renderDevice = device;
        renderer = nullptr;
        RenderDeviceTest::TearDown();
    }

    // Runs `drawing` inside a scene and a debug begin/end, recording the draws.
    void record(const std::function<void()>& drawing, const std::map<D3DRENDERSTATETYPE, DWORD>& states = {})
    {
        ASSERT_TRUE(device->beginScene());
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        renderer->begin(identity, states);
        recorder->draws.clear();
        g_renderDevice = recorder.get();
        drawing();
        g_renderDevice = device;
        renderer->end();
        device->endScene();
    }

    std::vector<Draw> draws() const
    {
        std::vector<Draw> result;
        for (const RecordedDraw& draw : recorder->draws) {
            result.push_back({draw.type, draw.primitives});
        }
        return result;
    }

    std::vector<Vertex> vertices(size_t draw) const
    {
        const RecordedDraw& recorded = recorder->draws.at(draw);
        EXPECT_EQ(recorded.stride, sizeof(Vertex));
        std::vector<Vertex> result(recorded.bytes.size() / sizeof(Vertex));
        std::memcpy(result.data(), recorded.bytes.data(), result.size() * sizeof(Vertex));
        return result;
    }

    SmartRef<IDebugRender> renderer;
    std::unique_ptr<RecordingDevice> recorder;
};

constexpr D3DPRIMITIVETYPE kList = D3DPT_TRIANGLELIST;
constexpr D3DPRIMITIVETYPE kFan = D3DPT_TRIANGLEFAN;
constexpr D3DPRIMITIVETYPE kStrip = D3DPT_TRIANGLESTRIP;
constexpr D3DPRIMITIVETYPE kLines = D3DPT_LINELIST;
constexpr D3DPRIMITIVETYPE kLineStrip = D3DPT_LINESTRIP;

} // namespace

TEST_F(DebugRenderTest, PrimitiveTypesDrawTheirCounts)
{
    struct Case {
        int type;
        int vertices;
        std::vector<Draw> expected;
    };
    const Case cases[] = {
        {0, 6, {{kList, 2}}},
        {0, 7, {{kList, 2}}},
        {0, 2, {}},
        {1, 5, {{kFan, 3}}},
        {8, 3, {{kFan, 1}}},
        {1, 2, {}},
        {2, 4, {{kStrip, 2}}},
        {3, 5, {{kStrip, 3}}},
        {3, 1, {}},
        {4, 9, {{kFan, 2}, {kFan, 2}}},
        {4, 3, {}},
        {5, 4, {{kLineStrip, 3}}},
        {5, 1, {}},
        {6, 5, {{kLines, 2}}},
        {7, 4, {{kLineStrip, 3}, {kLines, 1}}},
        {7, 2, {{kLines, 1}}},
        {7, 1, {}},
        {9, 6, {}},
        {0, 0, {}},
    };
    for (const Case& c : cases) {
        record([&] {
            renderer->beginPrimitive(c.type);
            for (int i = 0; i < c.vertices; ++i) {
                renderer->addVertex(float(i), 0.0f, 0.0f);
            }
            renderer->endPrimitive();
            // The list is emptied: a second end draws nothing more.
            renderer->endPrimitive();
        });
        EXPECT_EQ(draws(), c.expected) << "type " << c.type << " with " << c.vertices << " vertices";
    }
}

TEST_F(DebugRenderTest, ClosedLoopEndsWithALineFromTheLastVertexToTheFirst)
{
    record([&] {
        renderer->beginPrimitive(7);
        for (int i = 0; i < 4; ++i) {
            renderer->addVertex(float(i), 0.0f, 0.0f);
        }
        renderer->endPrimitive();
    });
    ASSERT_EQ(draws().size(), 2u);
    const auto closing = vertices(1);
    EXPECT_EQ(closing[0].x, 3.0f);
    EXPECT_EQ(closing[1].x, 0.0f);
}

TEST_F(DebugRenderTest, VerticesCarryTheCurrentNormalAndPackedColour)
{
    record([&] {
        renderer->setColor(D3DXVECTOR4(1.5f, -1.0f, 0.5f, 1.0f));
        renderer->setNormal(0.0f, 0.0f, -1.0f);
        renderer->line(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 3));
    });
    const auto line = vertices(0);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].colour, 0xFFFF0080u);
    EXPECT_EQ(line[1].z, 3.0f);
    EXPECT_EQ(line[1].nz, -1.0f);
    // begin resets colour and normal.
    record([&] { renderer->line(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0)); });
    EXPECT_EQ(vertices(0)[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(vertices(0)[0].ny, 1.0f);

    const std::pair<D3DXVECTOR4, D3DCOLOR> packs[] = {
        {{0, 0, 0, 0}, 0x00000000u},
        {{1, 1, 1, 1}, 0xFFFFFFFFu},
        {{0.2f, 0.4f, 0.6f, 0.8f}, 0xCC336699u},
        {{2, -2, 1, 0.5f}, 0x80FF00FFu},
    };
    for (const auto& [colour, packed] : packs) {
        EXPECT_EQ(packColour(colour), packed);
    }
}

TEST_F(DebugRenderTest, ShapesDrawTheirPrimitives)
{
    const D3DXVECTOR3 a(0, 0, 0), b(1, 0, 0), c(1, 1, 0), d(0, 1, 0);
    tormakelin::core::AxisAlignedBoundingBox box;
    box.min = D3DXVECTOR3(-1, -1, -1);
    box.max = D3DXVECTOR3(1, 1, 1);
    struct Case {
        const char* name;
        std::function<void()> draw;
        std::vector<Draw> expected;
    };
    std::vector<Draw> outlinedBox;
    for (int i = 0; i < 6; ++i) {
        outlinedBox.insert(outlinedBox.end(), {{kLineStrip, 3}, {kLines, 1}});
    }
    const Case cases[] = {
        {"line", [&] { renderer->line(a, b); }, {{kLines, 1}}},
        {"filled triangle", [&] { renderer->triangle(a, b, c, 0); }, {{kList, 1}}},
        {"wire triangle", [&] { renderer->triangle(a, b, c, 1); }, {{kLines, 3}}},
        {"outlined triangle", [&] { renderer->triangle(a, b, c, 2); }, {{kLines, 3}}},
        {"filled quad", [&] { renderer->quad(a, b, c, d, 0); }, {{kStrip, 2}}},
        {"wire quad", [&] { renderer->quad(a, b, c, d, 1); }, {{kLineStrip, 3}, {kLines, 1}, {kLines, 1}}},
        {"outlined quad", [&] { renderer->quad(a, b, c, d, 2); }, {{kLineStrip, 3}, {kLines, 1}}},
        {"filled box", [&] { renderer->box(box, 0); }, std::vector<Draw>(6, {kStrip, 2})},
        {"outlined box", [&] { renderer->box(box, 2); }, outlinedBox},
        {"filled circle of two rings", [&] { renderer->circle(0.5f, 1.0f, 8, 2, 0); },
            {{kStrip, 16}, {kStrip, 16}}},
        {"outlined circle", [&] { renderer->circle(0.5f, 1.0f, 8, 3, 2); },
            {{kLineStrip, 7}, {kLines, 1}, {kLineStrip, 7}, {kLines, 1}}},
        {"filled sphere", [&] { renderer->sphere(1.0f, 6, 3, 0); }, {{kFan, 6}, {kStrip, 12}, {kFan, 6}}},
        {"filled cylinder", [&] { renderer->cylinder(1.0f, 0.0f, 2.0f, 6, 1, 0); }, {{kStrip, 12}, {kFan, 6}}},
    };
    for (const Case& shape : cases) {
        record(shape.draw);
        EXPECT_EQ(draws(), shape.expected) << shape.name;
    }
}

TEST_F(DebugRenderTest, FilledQuadIsAStripThroughTheOppositeCorner)
{
    record([&] { renderer->quad(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(1, 1, 0), D3DXVECTOR3(0, 1, 0), 0); });
    const auto strip = vertices(0);
    ASSERT_EQ(strip.size(), 4u);
    EXPECT_EQ(strip[2].x, 0.0f);
    EXPECT_EQ(strip[2].y, 1.0f);
    EXPECT_EQ(strip[3].x, 1.0f);
    EXPECT_EQ(strip[3].y, 1.0f);
}

TEST_F(DebugRenderTest, NegativeSweepStartsEarlierAndGetsOneMorePoint)
{
    record([&] { renderer->arc(0.0f, 2.0f, 6, 1, 45.0f, -90.0f, 2); });
    ASSERT_FALSE(draws().empty());
    EXPECT_EQ(draws()[0], (Draw{kLineStrip, 6}));
    const auto rim = vertices(0);
    ASSERT_EQ(rim.size(), 7u);
    const float s = 2.0f * std::sqrt(0.5f);
    EXPECT_NEAR(rim.front().x, s, 1e-5);
    EXPECT_NEAR(rim.front().z, -s, 1e-5);
    EXPECT_NEAR(rim.back().x, s, 1e-5);
    EXPECT_NEAR(rim.back().z, s, 1e-5);
    EXPECT_NEAR(rim[3].x, 2.0f, 1e-5);
}

TEST_F(DebugRenderTest, SegmentCountsAreCappedAt239)
{
    record([&] { renderer->sphere(1.0f, 500, 2, 2); });
    // One ring along the stack and a meridian per slice.
    const auto drawn = draws();
    ASSERT_EQ(drawn.size(), 1u + 239u);
    EXPECT_EQ(drawn[0], (Draw{kLineStrip, 239}));
    record([&] { renderer->circle(0.0f, 1.0f, 1000, 1, 2); });
    EXPECT_EQ(draws(), (std::vector<Draw>{{kLineStrip, 238}, {kLines, 1}}));
    EXPECT_EQ(recorder->draws[0].bytes.size(), 239 * sizeof(Vertex));
}

TEST_F(DebugRenderTest, ShapesOutsideTheirLimitsDrawNothing)
{
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"arc of one segment", [&] { renderer->arc(0, 1, 1, 1, 0, 90, 0); }},
        {"arc without rings", [&] { renderer->arc(0, 1, 8, 0, 0, 90, 0); }},
        {"arc of no outer radius", [&] { renderer->arc(0, 0, 8, 1, 0, 90, 2); }},
        {"arc of negative inner radius", [&] { renderer->arc(-1, 1, 8, 1, 0, 90, 2); }},
        {"arc inside out", [&] { renderer->arc(2, 1, 8, 1, 0, 90, 2); }},
        {"sphere of one slice", [&] { renderer->sphere(1, 1, 4, 0); }},
        {"sphere without stacks", [&] { renderer->sphere(1, 8, 0, 2); }},
        {"sphere of negative radius", [&] { renderer->sphere(-1, 8, 4, 2); }},
        {"cylinder of one segment", [&] { renderer->cylinder(1, 1, 1, 1, 1, 0); }},
        {"cylinder without rings", [&] { renderer->cylinder(1, 1, 1, 8, 0, 0); }},
        {"cylinder of negative height", [&] { renderer->cylinder(1, 1, -1, 8, 1, 2); }},
        {"cylinder of negative radius", [&] { renderer->cylinder(1, -1, 1, 8, 1, 2); }},
        {"unknown shape type", [&] { renderer->quad({}, {}, {}, {}, 5); }},
    };
    for (const auto& [name, draw] : cases) {
        record(draw);
        EXPECT_TRUE(draws().empty()) << name;
    }
}

TEST_F(DebugRenderTest, ModesGiveShapesNormals)
{
    for (int mode : {0, 1, 2}) {
        record([&] {
            renderer->setMode(mode);
            renderer->setNormal(0.0f, 0.0f, 1.0f);
            renderer->sphere(2.0f, 4, 2, 2);
            renderer->setMode(0);
        });
        // The first ring lies on the equator: its first point is (2, 0, 0).
        const Vertex v = vertices(0)[0];
        const float expected[3][3] = {{0, 0, 1}, {1, 0, 0}, {-1, 0, 0}};
        EXPECT_NEAR(v.x, 2.0f, 1e-5) << mode;
        EXPECT_NEAR(v.nx, expected[mode][0], 1e-5) << mode;
        EXPECT_NEAR(v.ny, expected[mode][1], 1e-5) << mode;
        EXPECT_NEAR(v.nz, expected[mode][2], 1e-5) << mode;
    }
}

TEST_F(DebugRenderTest, BeginSetsDepthAndCullingThenTheCallersStates)
{
    record([] {});
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(renderState(D3DRS_ZWRITEENABLE), DWORD(TRUE));
    EXPECT_EQ(renderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    record([] {}, {{D3DRS_ZENABLE, FALSE}, {D3DRS_CULLMODE, D3DCULL_CW}});
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
}

TEST_F(DebugRenderTest, FilledQuadColoursItsPixels)
{
    ASSERT_TRUE(device->beginScene());
    device->clear(Clear_Colour | Clear_Depth, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    renderer->begin(identity, {});
    renderer->setColor(D3DXVECTOR4(1, 0, 0, 1));
    renderer->quad(D3DXVECTOR3(-0.5f, -0.5f, 0.5f), D3DXVECTOR3(0.5f, -0.5f, 0.5f), D3DXVECTOR3(0.5f, 0.5f, 0.5f),
        D3DXVECTOR3(-0.5f, 0.5f, 0.5f), 0);
    renderer->end();
    device->endScene();
    const auto pixels = backBufferPixels();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight);
    EXPECT_EQ(pixels[(kHeight / 2) * kWidth + kWidth / 2], 0xFFFF0000u);
    EXPECT_EQ(pixels[2 * kWidth + 2], 0xFF000000u);
}

TEST_F(DebugRenderTest, TextStaysInsideItsRectangle)
{
    ASSERT_TRUE(device->beginScene());
    device->clear(Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    renderer->drawText(20, 10, D3DXVECTOR4(1, 1, 1, 1), "WWWWWWWWWWWWWWWWWWWW\nWWWW");
    device->endScene();
    const auto pixels = backBufferPixels();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight);
    int lit = 0;
    for (unsigned y = 0; y < kHeight; ++y) {
        for (unsigned x = 0; x < kWidth; ++x) {
            if (pixels[y * kWidth + x] != 0xFF000000u) {
                ++lit;
                ASSERT_GE(x, 20u) << y;
                ASSERT_GE(y, 10u) << x;
                ASSERT_LT(y, 10u + 20u) << "one line only, 20 pixels high";
            }
        }
    }
    EXPECT_GT(lit, 0);
}

TEST_F(DebugRenderTest, LineDrawsAcrossTheTarget)
{
    SmartRef<ILine> line = createLine();
    ASSERT_NE(line.get(), nullptr);
    ASSERT_TRUE(device->beginScene());
    device->clear(Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    line->setWidth(3.0f);
    ASSERT_TRUE(line->begin());
    const D3DXVECTOR3 points[2] = {{-1.0f, 0.0f, 0.5f}, {1.0f, 0.0f, 0.5f}};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    line->draw(points, 2, identity, D3DXVECTOR4(0, 1, 0, 1));
    EXPECT_TRUE(line->end());
    device->endScene();
    const auto pixels = backBufferPixels();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight);
    EXPECT_NE(pixels[(kHeight / 2) * kWidth + kWidth / 2] & 0x0000FF00u, 0u) << "the middle row is drawn";
    EXPECT_EQ(pixels[2 * kWidth + kWidth / 2], 0xFF000000u) << "rows away from the line are not";
}

TEST_F(DebugRenderTest, FontAndLineSurviveADeviceReset)
{
    SmartRef<ILine> line = createLine();
    ASSERT_NE(line.get(), nullptr);
    d3dsimSetStrictReset(true);
    d3dsimLoseDevice(d3d(), 0);
    EXPECT_FALSE(device->present());
    ASSERT_TRUE(device->beginScene()) << "the font and the line let go of their device memory";
    device->clear(Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    renderer->drawText(0, 0, D3DXVECTOR4(1, 1, 1, 1), "WWWW");
    device->endScene();
    int lit = 0;
    for (uint32_t pixel : backBufferPixels()) {
        lit += pixel != 0xFF000000u;
    }
    EXPECT_GT(lit, 0);
}
