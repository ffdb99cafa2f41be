#include <tormakelin/fxcore/RenderTargetResource.h>

#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/Texture.h>

#include "DeviceTestSupport.h"

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

class RenderTargetResourceTest : public fxcore::test::DeviceTest {
protected:
    static int refCount(render::IRenderTargetTexture* target)
    {
        target->addRef();
        return target->release();
    }

    static render::TextureCreateParams params(D3DFORMAT format)
    {
        // Mip levels and usage are the loader's; the target takes only the format.
        return render::TextureCreateParams{5, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, format, D3DPOOL_MANAGED};
    }
};

TEST_F(RenderTargetResourceTest, MakesATargetOfTheSizeAndFormatWithOrWithoutDepth)
{
    struct Case {
        bool depth;
        D3DFORMAT format;
    };
    for (Case c : {Case{true, D3DFMT_A8R8G8B8}, Case{false, D3DFMT_X8R8G8B8}}) {
        core::SmartRef<IResource> const held = new RenderTargetResource();
        auto& resource = static_cast<RenderTargetResource&>(*held);
        ASSERT_TRUE(resource.create(32, 16, params(c.format), c.depth));
        EXPECT_EQ(resource.hasDepthBuffer(), c.depth);
        ASSERT_NE(resource.getRenderTarget(), nullptr);
        ASSERT_EQ(resource.getTexture(), resource.getRenderTarget()->getTexture());
        EXPECT_EQ(resource.getTexture()->getWidth(), 32u);
        EXPECT_EQ(resource.getTexture()->getHeight(), 16u);
        auto* texture = static_cast<IDirect3DTexture9*>(resource.getTexture()->getD3DTexture());
        D3DSURFACE_DESC level{};
        ASSERT_EQ(texture->GetLevelDesc(0, &level), D3D_OK);
        EXPECT_EQ(level.Format, c.format);
        EXPECT_EQ(texture->GetLevelCount(), 1u);
        IDirect3DSurface9* depth = resource.getRenderTarget()->getDepthSurface();
        EXPECT_EQ(depth != nullptr, c.depth);
        if (depth)
            depth->Release();
    }
}

TEST_F(RenderTargetResourceTest, BeginAndEndSendDrawingToTheTargetAndBack)
{
    core::SmartRef<IResource> const held = new RenderTargetResource();
    auto& resource = static_cast<RenderTargetResource&>(*held);
    auto* receiver = dynamic_cast<IRenderTargetReceiver*>(held.get());
    ASSERT_NE(receiver, nullptr) << "layers find the receiver through the resource";
    IDirect3DSurface9* const backBuffer = currentTarget();

    receiver->begin();
    receiver->end();
    EXPECT_EQ(currentTarget(), backBuffer) << "without a target nothing happens";

    ASSERT_TRUE(resource.create(32, 16, params(D3DFMT_A8R8G8B8), false));
    receiver->begin();
    EXPECT_NE(currentTarget(), backBuffer);
    D3DVIEWPORT9 viewport{};
    d3d()->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 32u);
    receiver->end();
    EXPECT_EQ(currentTarget(), backBuffer);
}

TEST_F(RenderTargetResourceTest, ACreateReplacesTheTargetAndAFailedOneLeavesNone)
{
    core::SmartRef<IResource> const held = new RenderTargetResource();
    auto& resource = static_cast<RenderTargetResource&>(*held);
    ASSERT_TRUE(resource.create(32, 16, params(D3DFMT_A8R8G8B8), true));
    core::SmartRef<render::IRenderTargetTexture> const first = resource.getRenderTarget();
    EXPECT_EQ(refCount(first.get()), 2);
    ASSERT_TRUE(resource.create(8, 8, params(D3DFMT_A8R8G8B8), true));
    EXPECT_NE(resource.getRenderTarget(), first.get());
    EXPECT_EQ(refCount(first.get()), 1) << "the resource let the first target go";

    EXPECT_FALSE(resource.create(8, 8, params(D3DFMT_UNKNOWN), false));
    EXPECT_EQ(resource.getRenderTarget(), nullptr);
    EXPECT_EQ(resource.getTexture(), nullptr);
    EXPECT_FALSE(resource.hasDepthBuffer());
    IDirect3DSurface9* const backBuffer = currentTarget();
    resource.begin();
    EXPECT_EQ(currentTarget(), backBuffer);
    resource.end();
}

} // namespace
