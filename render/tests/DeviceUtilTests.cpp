#include <gtest/gtest.h>

#include <tormakelin/render/DeviceUtil.h>

#include <cmath>
#include <limits>

using namespace tormakelin::render;

TEST(GammaRamp, EntriesFollowTheCurve)
{
    uint16_t ramp[256];
    calculateGammaRamp(1.0f, ramp);
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[128], 32896);
    EXPECT_EQ(ramp[255], 65535);

    calculateGammaRamp(2.0f, ramp);
    EXPECT_EQ(ramp[64], 32832);
    EXPECT_EQ(ramp[255], 65535);
    for (int i = 1; i < 256; ++i) {
        ASSERT_GE(ramp[i], ramp[i - 1]);
    }

    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        std::fill(std::begin(ramp), std::end(ramp), uint16_t{7});
        calculateGammaRamp(bad, ramp);
        for (uint16_t entry : ramp) {
            ASSERT_EQ(entry, 0) << bad;
        }
    }
}

TEST(AspectRatio, ClassesOfCommonModes)
{
    struct Case {
        uint32_t width, height;
        AspectRatio expected;
    };
    const Case cases[] = {
        {1024, 768, AspectRatio_4x3}, {640, 480, AspectRatio_4x3}, {1280, 720, AspectRatio_16x9},
        {1920, 1080, AspectRatio_16x9}, {1280, 800, AspectRatio_16x10}, {1680, 1050, AspectRatio_16x10},
        {1280, 1024, AspectRatio_Other}, {0, 0, AspectRatio_4x3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(getAspectRatio({c.width, c.height, 60}), c.expected) << c.width << "x" << c.height;
    }
}

TEST(NearestViewport, FitsTheDocumentInsideTheBackBuffer)
{
    struct Case {
        uint32_t backWidth, backHeight, docWidth, docHeight;
        bool result;
        uint32_t width, height;
    };
    const Case cases[] = {
        {1280, 1024, 1920, 1080, true, 1280, 720},
        {1024, 768, 800, 600, true, 1024, 768},
        {1280, 720, 600, 800, false, 1280, 720},
        // A 4:3 document on a wide screen: full height, bars at the sides.
        {1920, 1080, 1024, 768, true, 1440, 1080},
        {0, 768, 800, 600, false, 0, 768},
        {1024, 768, 0, 600, false, 1024, 768},
        {1024, 768, 800, 0, false, 1024, 768},
    };
    for (const Case& c : cases) {
        uint32_t width = 12345;
        uint32_t height = 12345;
        EXPECT_EQ(getNearestViewport(c.backWidth, c.backHeight, c.docWidth, c.docHeight, width, height), c.result);
        EXPECT_EQ(width, c.width) << c.backWidth << "x" << c.backHeight << " " << c.docWidth << "x" << c.docHeight;
        EXPECT_EQ(height, c.height) << c.backWidth << "x" << c.backHeight << " " << c.docWidth << "x" << c.docHeight;
        EXPECT_LE(width, c.backWidth);
        EXPECT_LE(height, c.backHeight);
    }
}

TEST(FormatNames, TableAndBounds)
{
    EXPECT_EQ(formatToString(D3DFMT_D24S8), "D24S8");
    EXPECT_EQ(formatToString(D3DFMT_A8R8G8B8), "A8R8G8B8");
    EXPECT_EQ(formatToString(D3DFMT_D16_LOCKABLE), "D16 Lockable");
    EXPECT_EQ(formatToString(D3DFMT_R8G8_B8G8), "RGBG");
    EXPECT_EQ(formatToString(D3DFMT_MULTI2_ARGB8), "MET1");
    EXPECT_EQ(formatToString(D3DFMT_INDEX16), "I16");
    EXPECT_EQ(formatToString(D3DFMT_A32B32G32R32F), "A32B32G32R32F");
    EXPECT_EQ(formatToString(D3DFMT_UNKNOWN), "Unknown Format");
    EXPECT_EQ(formatToString(static_cast<D3DFORMAT>(12345)), "Unknown Format");

    EXPECT_FALSE(isFloatingPointFormat(D3DFMT_Q16W16V16U16));
    EXPECT_TRUE(isFloatingPointFormat(D3DFMT_R16F));
    EXPECT_TRUE(isFloatingPointFormat(D3DFMT_A32B32G32R32F));
    EXPECT_FALSE(isFloatingPointFormat(D3DFMT_CxV8U8));

    EXPECT_EQ(multiSampleToString(D3DMULTISAMPLE_NONE), "D3DMULTISAMPLE_NONE");
    EXPECT_EQ(multiSampleToString(D3DMULTISAMPLE_2_SAMPLES), "D3DMULTISAMPLE_2_SAMPLES");
    EXPECT_EQ(multiSampleToString(D3DMULTISAMPLE_16_SAMPLES), "D3DMULTISAMPLE_16_SAMPLES");
}

TEST(ScreenCoord, RibbonFacesTheCamera)
{
    // Camera at the origin looking down +z: view and its inverse are the identity.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    struct Vertex {
        float position[3];
        float uv[2];
    } vertices[4]{};
    computeScreenCoord(identity, identity, identity, vertices[0].position, vertices[0].uv, sizeof(Vertex),
        D3DXVECTOR3(0, 0, 5), D3DXVECTOR3(2, 0, 5), 0.5f, false);
    // A segment along x gets offsets along y, half the width each way.
    const float expected[4][3] = {{0, 0.5f, 5}, {0, -0.5f, 5}, {2, -0.5f, 5}, {2, 0.5f, 5}};
    const float uvs[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(vertices[i].position[k], expected[i][k], 1e-6f) << i << "," << k;
        }
        EXPECT_EQ(vertices[i].uv[0], uvs[i][0]);
        EXPECT_EQ(vertices[i].uv[1], uvs[i][1]);
    }
}
