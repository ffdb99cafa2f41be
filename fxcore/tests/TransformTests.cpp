#include <tormakelin/fxcore/Transform.h>

#include <tormakelin/render/RenderView.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

uint32_t g_authorWidth = 0;
uint32_t g_authorHeight = 0;

bool authorSize(uint32_t& width, uint32_t& height)
{
    width = g_authorWidth;
    height = g_authorHeight;
    return true;
}

class TransformTest : public ::testing::Test {
protected:
    TransformTest()
    {
        Transform::s_authorSizeQuery = authorSize;
        setAuthorSize(640, 480);
    }
    ~TransformTest() override { Transform::s_authorSizeQuery = nullptr; }

    static void setAuthorSize(uint32_t width, uint32_t height)
    {
        g_authorWidth = width;
        g_authorHeight = height;
    }

    static Transform make2d(uint32_t width, uint32_t height)
    {
        Transform t;
        t.type = kTransform2d;
        Viewport view;
        view.width = width;
        view.height = height;
        t.update2d(view, nullptr, nullptr, nullptr);
        return t;
    }
};

D3DXVECTOR3 apply(D3DXMATRIX const& m, float x, float y)
{
    D3DXVECTOR3 const in(x, y, 0.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &in, &m);
    return out;
}

void expectPoint(D3DXVECTOR3 const& p, float x, float y)
{
    EXPECT_NEAR(p.x, x, 1e-3f);
    EXPECT_NEAR(p.y, y, 1e-3f);
}

} // namespace

TEST_F(TransformTest, DefaultsMatchAnUnplacedNode)
{
    Transform t;
    EXPECT_EQ(t.type, kTransformNone);
    EXPECT_EQ(t.handles, 7);
    EXPECT_EQ(t.size2d.x, 1.0f);
    EXPECT_FALSE(t.anchorCenter);
    EXPECT_EQ(t.scale3d.z, 1.0f);
    EXPECT_EQ(t.rotation3d.w, 1.0f);
    EXPECT_EQ(t.viewport.maxZ, 1.0f);
    EXPECT_EQ(t.viewport.width, 0u);
}

TEST_F(TransformTest, AtAuthorSizeTheScaleIsExactlyOneAndFlipped)
{
    Transform t = make2d(640, 480);
    D3DXMATRIX const w = t.getWorldMatrix(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(w._11, 1.0f);
    EXPECT_EQ(w._22, -1.0f);
    EXPECT_EQ(w._33, 1.0f);
    // (0, 0) of the author space lands on the view's top-left corner.
    EXPECT_EQ(w._41, -320.0f);
    EXPECT_EQ(w._42, 240.0f);
}

TEST_F(TransformTest, ScaledViewAndTruncatedOffsets)
{
    Transform t = make2d(1280, 720);
    D3DXMATRIX const w = t.getWorldMatrix(10.7f, 5.9f, 0.0f);
    EXPECT_FLOAT_EQ(w._11, 2.0f);
    EXPECT_FLOAT_EQ(w._22, -1.5f);
    EXPECT_EQ(w._41, static_cast<float>(static_cast<int>(10.7 - 640.0)));
    EXPECT_EQ(w._42, static_cast<float>(static_cast<int>(360.0 - 5.9)));
    expectPoint(apply(w, 100.0f, 100.0f), 100.0f * 2.0f - 629.0f, -100.0f * 1.5f + 354.0f);
}

TEST_F(TransformTest, RotationTurnsAboutThePivot)
{
    struct Case {
        bool anchorCenter;
        D3DXVECTOR2 anchorPoint;
        D3DXVECTOR2 corner;
        D3DXVECTOR2 expected; // author space, before the view mapping
    };
    // A 100 x 50 quad at (20, 10) turned by 90 degrees.
    Case const cases[] = {
        {true, D3DXVECTOR2(0, 0), D3DXVECTOR2(70, 35), D3DXVECTOR2(70, 35)},   // its centre stays
        {true, D3DXVECTOR2(0, 0), D3DXVECTOR2(120, 35), D3DXVECTOR2(70, 85)},  // right edge swings down
        {true, D3DXVECTOR2(0, 0), D3DXVECTOR2(20, 10), D3DXVECTOR2(95, -15)},  // top-left corner
        {true, D3DXVECTOR2(0, 0), D3DXVECTOR2(120, 60), D3DXVECTOR2(45, 85)},  // bottom-right corner
        {false, D3DXVECTOR2(0, 0), D3DXVECTOR2(0, 0), D3DXVECTOR2(0, 0)},      // local origin stays
        {false, D3DXVECTOR2(0, 0), D3DXVECTOR2(10, 0), D3DXVECTOR2(0, 10)},
        {false, D3DXVECTOR2(20, 10), D3DXVECTOR2(120, 10), D3DXVECTOR2(20, 110)},
    };
    for (Case const& c : cases) {
        Transform t = make2d(640, 480);
        D3DXVECTOR2 const position(20, 10), size(100, 50);
        float rotation = 90.0f;
        t.update2d(t.viewport, &position, &size, &rotation);
        t.anchorCenter = c.anchorCenter;
        t.anchorPoint = c.anchorPoint;
        D3DXVECTOR3 const p = apply(t.getWorldMatrix(0.0f, 0.0f, 0.0f), c.corner.x, c.corner.y);
        expectPoint(p, c.expected.x - 320.0f, 240.0f - c.expected.y);
    }
}

TEST_F(TransformTest, ProjectionAndTransformMatrix)
{
    Transform t = make2d(640, 480);
    D3DXMATRIX projection;
    t.getProjectionMatrix(projection);
    EXPECT_FLOAT_EQ(projection._11, 2.0f / 640.0f);
    EXPECT_FLOAT_EQ(projection._22, 2.0f / 480.0f);
    D3DXVECTOR3 const topLeft = apply(t.getTransformMatrix(0.0f, 0.0f, 0.0f), 0.0f, 0.0f);
    expectPoint(topLeft, -1.0f, 1.0f);
    D3DXVECTOR3 const bottomRight = apply(t.getTransformMatrix(0.0f, 0.0f, 0.0f), 640.0f, 480.0f);
    expectPoint(bottomRight, 1.0f, -1.0f);

    Transform three;
    three.type = kTransform3d;
    D3DXMATRIX untouched;
    D3DXMatrixScaling(&untouched, 3.0f, 3.0f, 3.0f);
    three.getProjectionMatrix(untouched);
    EXPECT_EQ(untouched._11, 3.0f);
}

TEST_F(TransformTest, ZeroSizesNeverDivide)
{
    setAuthorSize(0, 0);
    Transform t = make2d(640, 480);
    D3DXMATRIX const w = t.getWorldMatrix(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(w._11, 1.0f);
    EXPECT_EQ(w._22, -1.0f);

    setAuthorSize(640, 480);
    Transform empty = make2d(0, 0);
    D3DXMATRIX const m = empty.getTransformMatrix(5.0f, 5.0f, 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(reinterpret_cast<float const*>(&m)[i])) << i;
}

TEST_F(TransformTest, ThreeDimensionalWorldUsesScaleRotationAndPosition)
{
    Transform t;
    t.type = kTransform3d;
    t.scale3d = D3DXVECTOR3(2, 2, 2);
    D3DXQuaternionRotationYawPitchRoll(&t.rotation3d, 0.0f, 0.0f, D3DX_PI * 0.5f);
    t.position3d = D3DXVECTOR3(10, 0, 0);
    D3DXVECTOR3 const p = apply(t.getWorldMatrix(99.0f, 99.0f, 99.0f), 1.0f, 0.0f);
    expectPoint(p, 10.0f, 2.0f);
    D3DXMATRIX const view = t.getViewMatrix();
    EXPECT_EQ(view._11, 1.0f);
    EXPECT_EQ(view._41, 0.0f);
}

TEST_F(TransformTest, ViewportCopiesTheRenderView)
{
    render::IRenderView* view = render::createRenderView();
    view->addRef();
    view->getViewport() = D3DVIEWPORT9{10, 20, 300, 200, 0.25f, 0.75f};
    Viewport const copied(view);
    EXPECT_EQ(copied.x, 10u);
    EXPECT_EQ(copied.y, 20u);
    EXPECT_EQ(copied.width, 300u);
    EXPECT_EQ(copied.height, 200u);
    EXPECT_EQ(copied.minZ, 0.25f);
    EXPECT_EQ(copied.maxZ, 0.75f);
    view->release();
    Viewport const none(nullptr);
    EXPECT_EQ(none.width, 0u);
    EXPECT_EQ(none.maxZ, 1.0f);
}
