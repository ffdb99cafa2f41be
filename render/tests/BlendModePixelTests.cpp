#include "DeviceFixture.h"

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Query.h>
#include <tormakelin/render/StateManager.h>

#include <algorithm>
#include <cmath>

using namespace render_test;

namespace {

struct Rgba {
    float c[4]; // r, g, b, a
};

Rgba fromColour(uint32_t argb)
{
    return {{((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
        (argb >> 24) / 255.0f}};
}

float factor(D3DBLEND blend, const Rgba& s, const Rgba& d, int channel)
{
    switch (blend) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return s.c[channel];
    case D3DBLEND_SRCALPHA: return s.c[3];
    case D3DBLEND_INVSRCALPHA: return 1.0f - s.c[3];
    case D3DBLEND_DESTCOLOR: return d.c[channel];
    case D3DBLEND_INVDESTCOLOR: return 1.0f - d.c[channel];
    default: ADD_FAILURE() << "factor " << blend; return 0.0f;
    }
}

// What the blend unit makes of source s over destination d.
Rgba blend(D3DBLENDOP op, D3DBLEND source, D3DBLEND destination, const Rgba& s, const Rgba& d)
{
    Rgba out{};
    for (int i = 0; i < 4; ++i) {
        float sf = factor(source == D3DBLEND_BOTHSRCALPHA ? D3DBLEND_SRCALPHA : source, s, d, i);
        float df = source == D3DBLEND_BOTHSRCALPHA ? 1.0f - s.c[3] : factor(destination, s, d, i);
        float v = 0.0f;
        switch (op) {
        case D3DBLENDOP_ADD: v = s.c[i] * sf + d.c[i] * df; break;
        case D3DBLENDOP_SUBTRACT: v = s.c[i] * sf - d.c[i] * df; break;
        case D3DBLENDOP_REVSUBTRACT: v = d.c[i] * df - s.c[i] * sf; break;
        case D3DBLENDOP_MIN: v = std::min(s.c[i], d.c[i]); break;
        case D3DBLENDOP_MAX: v = std::max(s.c[i], d.c[i]); break;
        default: ADD_FAILURE() << "op " << op;
        }
        out.c[i] = std::clamp(v, 0.0f, 1.0f);
    }
    return out;
}

} // namespace

TEST_F(RenderDeviceTest, EachBlendModeDrawsItsFormula)
{
    struct Mode {
        BlendMode mode;
        D3DBLENDOP op;
        D3DBLEND source, destination;
    };
    const Mode modes[] = {
        {BlendMode_Alpha, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
        {BlendMode_AlphaAdditive, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
        {BlendMode_AlphaSubtractive, D3DBLENDOP_REVSUBTRACT, D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE},
        {BlendMode_Additive, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_AdditiveScreen, D3DBLENDOP_ADD, D3DBLEND_SRCCOLOR, D3DBLEND_ONE},
        {BlendMode_Subtractive, D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_RevSubtractive, D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Screen, D3DBLENDOP_ADD, D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE},
        {BlendMode_Lighten, D3DBLENDOP_MAX, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Darken, D3DBLENDOP_MIN, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Multiply, D3DBLENDOP_ADD, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
    };
    ASSERT_TRUE(createDevice());
    useScreenPipeline();
    const uint32_t sourceColour = 0x99CC8040;
    const D3DXVECTOR4 destination(0.2f, 0.4f, 0.6f, 0.5f);

    const auto drawWith = [&](BlendMode mode) {
        EXPECT_TRUE(device->beginScene());
        applyBlendMode(BlendMode_Solid);
        device->clear(Clear_Colour, destination, 1.0f, 0);
        applyBlendMode(mode);
        drawQuad(0, 0, 16, 16, sourceColour);
        EXPECT_TRUE(device->endScene());
        return backBufferPixels();
    };

    auto pixels = drawWith(BlendMode_Solid);
    EXPECT_EQ(pixels[8 * kWidth + 8], sourceColour) << "solid replaces";
    const uint32_t cleared = pixels[40 * kWidth + 40];
    const Rgba s = fromColour(sourceColour);
    const Rgba d = fromColour(cleared);
    for (const Mode& m : modes) {
        SCOPED_TRACE(blendModeToString(m.mode));
        pixels = drawWith(m.mode);
        const Rgba got = fromColour(pixels[8 * kWidth + 8]);
        const Rgba want = blend(m.op, m.source, m.destination, s, d);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(got.c[i], want.c[i], 2.5f / 255.0f) << "channel " << i;
        }
        EXPECT_EQ(pixels[40 * kWidth + 40], cleared) << "outside the quad";
    }
}

TEST_F(RenderDeviceTest, OcclusionQueryCountsTheDrawnPixels)
{
    EXPECT_EQ(createQuery(static_cast<QueryType>(1)), nullptr);
    EXPECT_EQ(createQuery(QueryType_Occlusion), nullptr) << "no device yet";
    ASSERT_TRUE(createDevice());
    IQuery* query = createQuery(QueryType_Occlusion);
    ASSERT_NE(query, nullptr);
    query->addRef();
    EXPECT_EQ(query->getQueryType(), QueryType_Occlusion);
    auto* occlusion = dynamic_cast<OcclusionQuery*>(query);
    ASSERT_NE(occlusion, nullptr);

    const auto countQuad = [&](float width, float height) {
        useScreenPipeline(device->getPresentParameters()->BackBufferWidth,
            device->getPresentParameters()->BackBufferHeight);
        EXPECT_TRUE(device->beginScene());
        occlusion->begin();
        EXPECT_FALSE(query->isComplete());
        drawQuad(2, 2, 2 + width, 2 + height, 0xFFFFFFFF);
        occlusion->end();
        EXPECT_TRUE(device->endScene());
        EXPECT_TRUE(query->isComplete());
        return occlusion->getPixelCount();
    };
    EXPECT_EQ(countQuad(10, 5), 50);
    EXPECT_EQ(countQuad(0, 0), 0);
    // Released with the device's reset and made again after it.
    ASSERT_TRUE(device->resize(32, 24));
    EXPECT_EQ(countQuad(4, 4), 16);
    EXPECT_EQ(query->release(), 0);
}

// Frames that must not stall ask, draw on, and read the count when it has come.
TEST_F(RenderDeviceTest, OcclusionQueryAnswersLaterWithoutWaiting)
{
    ASSERT_TRUE(createDevice());
    tormakelin::core::SmartRef<IQuery> query = createQuery(QueryType_Occlusion);
    ASSERT_TRUE(query);
    auto* occlusion = static_cast<OcclusionQuery*>(query.get());
    EXPECT_FALSE(occlusion->poll()) << "nothing asked";
    for (const float side : {6.0f, 3.0f}) {
        useScreenPipeline(device->getPresentParameters()->BackBufferWidth,
            device->getPresentParameters()->BackBufferHeight);
        EXPECT_TRUE(device->beginScene());
        occlusion->begin();
        drawQuad(2, 2, 2 + side, 2 + side, 0xFFFFFFFF);
        occlusion->endWithoutWaiting();
        EXPECT_TRUE(device->endScene());
        EXPECT_TRUE(occlusion->isPending());
        bool answered = false;
        for (int poll = 0; poll < 1000000 && !answered; ++poll) {
            answered = occlusion->poll();
        }
        ASSERT_TRUE(answered);
        EXPECT_FALSE(occlusion->isPending());
        EXPECT_TRUE(occlusion->poll()) << "the answer stays until the next question";
        EXPECT_EQ(occlusion->getPixelCount(), int(side * side));
    }
    EXPECT_TRUE(device->beginScene());
    occlusion->begin();
    occlusion->endWithoutWaiting();
    EXPECT_TRUE(device->endScene());
    ASSERT_TRUE(device->resize(32, 24));
    EXPECT_FALSE(occlusion->isPending()) << "a question out is dropped with the device's reset";
}
