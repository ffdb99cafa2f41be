#include "DeviceFixture.h"

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/DepthBuffer.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/SwapChain.h>
#include <tormakelin/render/Texture.h>

#include <functional>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

class TargetTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
    }

    D3DVIEWPORT9 viewport()
    {
        D3DVIEWPORT9 v{};
        d3d()->GetViewport(&v);
        return v;
    }

    static D3DSURFACE_DESC descOf(IDirect3DSurface9* surface)
    {
        D3DSURFACE_DESC desc{};
        if (surface != nullptr) {
            surface->GetDesc(&desc);
            surface->Release();
        }
        return desc;
    }

    void loseAndRecover()
    {
        d3dsimSetStrictReset(true);
        d3dsimLoseDevice(d3d(), 0);
        EXPECT_FALSE(device->present());
        ASSERT_TRUE(device->beginScene()) << "the strict reset passed: everything let go of default-pool memory";
        ASSERT_TRUE(device->endScene());
    }
};

bool operator==(const D3DVIEWPORT9& a, const D3DVIEWPORT9& b)
{
    return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height && a.MinZ == b.MinZ &&
        a.MaxZ == b.MaxZ;
}

} // namespace

TEST_F(TargetTest, NestedViewsRestoreTheirOuterViewports)
{
    SmartRef<IRenderView> outer = createRenderView();
    SmartRef<IRenderView> inner = createRenderView();
    EXPECT_TRUE(outer->getViewport() == (D3DVIEWPORT9{0, 0, 0, 0, 0.0f, 1.0f}));
    outer->getViewport() = {4, 4, 40, 30, 0.0f, 1.0f};
    inner->getViewport() = {10, 8, 8, 6, 0.25f, 0.75f};
    const D3DVIEWPORT9 full = viewport();
    ASSERT_TRUE(outer->begin());
    ASSERT_TRUE(inner->begin());
    EXPECT_TRUE(viewport() == inner->getViewport());
    EXPECT_EQ(device->getRenderView(), inner.get());
    inner->end();
    EXPECT_TRUE(viewport() == outer->getViewport());
    outer->end();
    EXPECT_TRUE(viewport() == full);
    outer->end();
    EXPECT_TRUE(viewport() == full) << "an end without a begin changes nothing";
}

TEST_F(TargetTest, TargetsAndDepthBuffersNestAndRestoreAttachments)
{
    IDirect3DSurface9* const backBuffer = target();
    IDirect3DSurface9* const backDepth = depth();
    ASSERT_NE(backDepth, nullptr);
    SmartRef<IRenderTarget> plain = createRenderTarget(40, 20, D3DFMT_A8R8G8B8);
    SmartRef<IRenderTargetTexture> texture = createRenderTargetTexture(16, 8, D3DFMT_A8R8G8B8,
        D3DMULTISAMPLE_NONE, 0, 0, true);
    SmartRef<IRenderTargetTexture> noDepth = createRenderTargetTexture(8, 8, D3DFMT_A8R8G8B8);
    SmartRef<IDepthBuffer> buffer = createDepthBuffer(8, 8, D3DFMT_D24S8);
    ASSERT_TRUE(plain && texture && noDepth && buffer);
    EXPECT_EQ(plain->getResourceType(), 0);
    EXPECT_EQ(texture->getResourceType(), 4);
    EXPECT_EQ(noDepth->getDepthSurface(), nullptr);

    IDirect3DSurface9* plainSurface = plain->getSurface();
    IDirect3DSurface9* plainDepth = plain->getDepthSurface();
    ASSERT_TRUE(plainSurface && plainDepth);
    plainSurface->Release();
    plainDepth->Release();

    ASSERT_TRUE(plain->begin());
    EXPECT_FALSE(plain->begin()) << "already the target";
    EXPECT_FALSE(plain->end()) << "the refused begin's own end";
    EXPECT_EQ(target(), plainSurface);
    EXPECT_EQ(depth(), plainDepth);
    EXPECT_EQ(viewport().Width, 40u);

    ASSERT_TRUE(texture->begin());
    EXPECT_NE(target(), plainSurface);
    EXPECT_EQ(viewport().Width, 16u);
    IDirect3DSurface9* textureDepth = texture->getDepthSurface();
    EXPECT_EQ(depth(), textureDepth);
    textureDepth->Release();

    ASSERT_TRUE(noDepth->begin());
    EXPECT_EQ(depth(), textureDepth) << "a target texture without depth leaves the depth surface alone";
    ASSERT_TRUE(buffer->bind());
    EXPECT_FALSE(buffer->bind());
    EXPECT_NE(depth(), textureDepth);
    EXPECT_TRUE(buffer->restore());
    EXPECT_FALSE(buffer->restore());
    EXPECT_EQ(depth(), textureDepth);
    EXPECT_TRUE(noDepth->end());
    EXPECT_FALSE(noDepth->end());

    EXPECT_TRUE(texture->end());
    EXPECT_EQ(target(), plainSurface);
    EXPECT_EQ(depth(), plainDepth);
    EXPECT_EQ(viewport().Width, 40u);
    EXPECT_TRUE(plain->end());
    EXPECT_EQ(target(), backBuffer);
    EXPECT_EQ(depth(), backDepth);
    EXPECT_EQ(viewport().Width, kWidth);
}

TEST_F(TargetTest, RenderTargetTextureWithDepthSurvivesAReset)
{
    SmartRef<IRenderTargetTexture> target = createRenderTargetTexture(512, 256, D3DFMT_A8R8G8B8,
        D3DMULTISAMPLE_4_SAMPLES, 2, 0, true);
    ASSERT_TRUE(target);
    SmartRef<IRenderTarget> plain = createRenderTarget(64, 32, D3DFMT_X8R8G8B8);
    SmartRef<IDepthBuffer> buffer = createDepthBuffer(32, 32, D3DFMT_D24S8);
    ITexture* texture = target->getTexture();
    ASSERT_NE(texture, nullptr);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(target->getTexture(), texture) << "the same texture object after a reset";
        EXPECT_NE(texture->getD3DTexture(), nullptr);
        EXPECT_EQ(texture->getWidth(), 512u);
        EXPECT_EQ(texture->getHeight(), 256u);
        const D3DVIEWPORT9& view = target->getRenderView()->getViewport();
        EXPECT_EQ(view.Width, 512u);
        EXPECT_EQ(view.Height, 256u);
        const D3DSURFACE_DESC depthDesc = descOf(target->getDepthSurface());
        EXPECT_EQ(depthDesc.Width, 512u);
        EXPECT_EQ(depthDesc.Height, 256u);
        EXPECT_EQ(depthDesc.Format, D3DFMT_D24S8);
        EXPECT_EQ(depthDesc.MultiSampleType, D3DMULTISAMPLE_NONE);
        EXPECT_EQ(descOf(plain->getSurface()).Width, 64u);
        EXPECT_EQ(descOf(plain->getDepthSurface()).Height, 32u);
        ASSERT_TRUE(target->begin());
        EXPECT_EQ(device->clear(Clear_Colour | Clear_Depth, D3DXVECTOR4(0, 1, 0, 1), 1.0f, 0), D3D_OK);
        EXPECT_TRUE(target->end());
        ASSERT_TRUE(buffer->bind());
        EXPECT_TRUE(buffer->restore());
        if (round == 0) {
            loseAndRecover();
        }
    }
}

// The device's loss ends the begins still in force, innermost first and refused ones included,
// so a strict reset succeeds without the callers' ends; those ends then change nothing.
TEST_F(TargetTest, ALossEndsTheTargetsBegunWhenTheDeviceIsLost)
{
    // Made in this order so each nesting ends an inner target made after the outer one and one
    // made before it.
    SmartRef<IRenderTarget> plain = createRenderTarget(40, 20, D3DFMT_A8R8G8B8);
    SmartRef<IRenderTargetTexture> texture = createRenderTargetTexture(16, 8, D3DFMT_A8R8G8B8,
        D3DMULTISAMPLE_NONE, 0, 0, true);
    ASSERT_TRUE(texture && plain);
    IDirect3DSurface9* const backBuffer = target();
    IDirect3DSurface9* const backDepth = depth();
    for (bool textureInside : {true, false}) {
        SCOPED_TRACE(textureInside ? "texture inside" : "texture outside");
        if (textureInside) {
            ASSERT_TRUE(plain->begin());
            ASSERT_TRUE(texture->begin());
        } else {
            ASSERT_TRUE(texture->begin());
            ASSERT_TRUE(plain->begin());
        }
        EXPECT_FALSE(texture->begin());
        loseAndRecover();
        EXPECT_EQ(target(), backBuffer);
        EXPECT_EQ(depth(), backDepth);
        EXPECT_EQ(viewport().Width, kWidth);
        EXPECT_FALSE(texture->end());
        EXPECT_FALSE(texture->end());
        EXPECT_FALSE(plain->end());
        EXPECT_EQ(target(), backBuffer);

        ASSERT_TRUE(texture->begin()) << "it begins again after the reset";
        EXPECT_EQ(viewport().Width, 16u);
        EXPECT_TRUE(texture->end());
        EXPECT_EQ(target(), backBuffer);
    }
}

// Every drawing surface still begun at a loss is ended innermost first, whatever kind it is and
// whichever was made first, so a strict reset succeeds; the callers' ends then change nothing.
TEST_F(TargetTest, ALossEndsEveryDrawingSurfaceBegunInnermostFirst)
{
    // Each made after the one before it, so an inner surface is sometimes the older one.
    const TextureCreateParams params{1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT};
    SmartRef<Texture> first = new Texture();
    ASSERT_TRUE(first->create(8, 8, &params));
    SmartRef<IRenderTargetTexture> texture = createRenderTargetTexture(16, 8, D3DFMT_A8R8G8B8,
        D3DMULTISAMPLE_NONE, 0, 0, true);
    SmartRef<Texture> second = new Texture();
    ASSERT_TRUE(second->create(12, 4, &params));
    SmartRef<IRenderTarget> plain = createRenderTarget(40, 20, D3DFMT_A8R8G8B8);
    SmartRef<ISwapChain> chain = createSwapChain();
    SmartRef<IDepthBuffer> buffer = createDepthBuffer(12, 4, D3DFMT_D24S8);
    ASSERT_TRUE(texture && plain && chain && chain->create(24, 16, D3DFMT_X8R8G8B8) && buffer);

    struct Surface {
        const char* name;
        std::function<bool()> begin;
        std::function<bool()> end;
    };
    const Surface firstDrawn{"first texture", [&] { return first->begin(nullptr, nullptr); },
        [&] { return first->end(); }};
    const Surface secondDrawn{"second texture with a depth buffer", [&] { return second->begin(nullptr, buffer.get()); },
        [&] { return second->end(); }};
    const Surface targetTexture{"target texture", [&] { return texture->begin(); }, [&] { return texture->end(); }};
    const Surface renderTarget{"render target", [&] { return plain->begin(); }, [&] { return plain->end(); }};
    const Surface swapChain{"swap chain", [&] { return chain->begin(); }, [&] { return chain->end(); }};
    // Outermost first.
    const std::vector<std::vector<const Surface*>> nestings = {
        {&firstDrawn, &secondDrawn},
        {&secondDrawn, &firstDrawn},
        {&targetTexture, &firstDrawn},
        {&secondDrawn, &targetTexture},
        {&firstDrawn, &renderTarget},
        {&renderTarget, &secondDrawn},
        {&firstDrawn, &swapChain},
        {&swapChain, &secondDrawn},
        {&firstDrawn, &targetTexture, &secondDrawn},
    };
    IDirect3DSurface9* const backBuffer = target();
    IDirect3DSurface9* const backDepth = depth();
    for (const std::vector<const Surface*>& nesting : nestings) {
        std::string names;
        for (const Surface* surface : nesting) {
            names += std::string(names.empty() ? "" : " > ") + surface->name;
        }
        SCOPED_TRACE(names);
        for (const Surface* surface : nesting) {
            ASSERT_TRUE(surface->begin()) << surface->name;
        }
        EXPECT_FALSE(nesting.back()->begin()) << "a refused begin is ended too";
        loseAndRecover();
        EXPECT_EQ(target(), backBuffer);
        EXPECT_EQ(depth(), backDepth);
        EXPECT_EQ(viewport().Width, kWidth);
        for (auto it = nesting.rbegin(); it != nesting.rend(); ++it) {
            EXPECT_FALSE((*it)->end()) << (*it)->name;
        }
        EXPECT_FALSE(nesting.back()->end());
        EXPECT_EQ(target(), backBuffer);
        EXPECT_EQ(depth(), backDepth);

        for (const Surface* surface : nesting) {
            ASSERT_TRUE(surface->begin()) << surface->name << " begins again after the reset";
            EXPECT_NE(target(), backBuffer);
        }
        for (auto it = nesting.rbegin(); it != nesting.rend(); ++it) {
            EXPECT_TRUE((*it)->end()) << (*it)->name;
        }
        EXPECT_EQ(target(), backBuffer);
        EXPECT_EQ(depth(), backDepth);
    }
}

// A begin refused because the target is current already is matched by an end of its own: that
// end leaves the outer begin in force, and the outer end still restores.
TEST_F(TargetTest, TheEndOfARefusedBeginLeavesTheOuterBeginInForce)
{
    SmartRef<IRenderTarget> plain = createRenderTarget(40, 20, D3DFMT_A8R8G8B8);
    SmartRef<IRenderTargetTexture> texture = createRenderTargetTexture(16, 8, D3DFMT_A8R8G8B8);
    SmartRef<ISwapChain> chain = createSwapChain();
    ASSERT_TRUE(plain && texture && chain && chain->create(24, 16, D3DFMT_X8R8G8B8));
    SmartRef<Texture> drawn = new Texture();
    const TextureCreateParams params{1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT};
    ASSERT_TRUE(drawn->create(8, 8, &params));
    struct Case {
        const char* name;
        std::function<bool()> begin;
        std::function<bool()> end;
    };
    const Case cases[] = {
        {"render target", [&] { return plain->begin(); }, [&] { return plain->end(); }},
        {"render-target texture", [&] { return texture->begin(); }, [&] { return texture->end(); }},
        {"swap chain", [&] { return chain->begin(); }, [&] { return chain->end(); }},
        {"texture drawn into", [&] { return drawn->begin(nullptr, nullptr); }, [&] { return drawn->end(); }},
    };
    IDirect3DSurface9* const backBuffer = target();
    for (const Case& c : cases) {
        ASSERT_TRUE(c.begin()) << c.name;
        IDirect3DSurface9* const own = target();
        EXPECT_NE(own, backBuffer) << c.name;
        EXPECT_FALSE(c.begin()) << c.name;
        EXPECT_FALSE(c.begin()) << c.name;
        EXPECT_FALSE(c.end()) << c.name;
        EXPECT_FALSE(c.end()) << c.name;
        EXPECT_EQ(target(), own) << c.name;
        EXPECT_TRUE(c.end()) << c.name;
        EXPECT_EQ(target(), backBuffer) << c.name;
        EXPECT_FALSE(c.end()) << c.name << ": an end without a begin";
        EXPECT_EQ(target(), backBuffer) << c.name;
    }
}

TEST_F(TargetTest, SwapChainDrawsIntoItsOwnBufferAndSurvivesAReset)
{
    SmartRef<ISwapChain> chain = createSwapChain();
    EXPECT_FALSE(chain->begin()) << "nothing to begin before create";
    EXPECT_FALSE(chain->present());
    ASSERT_TRUE(chain->create(24, 16, D3DFMT_X8R8G8B8));
    IDirect3DSurface9* const backBuffer = target();
    IDirect3DSurface9* const backDepth = depth();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(chain->begin());
        EXPECT_FALSE(chain->begin());
        EXPECT_FALSE(chain->end());
        EXPECT_NE(target(), backBuffer);
        EXPECT_NE(depth(), backDepth);
        IDirect3DSurface9* surface = nullptr;
        d3d()->GetRenderTarget(0, &surface);
        EXPECT_EQ(descOf(surface).Width, 24u);
        EXPECT_TRUE(chain->end());
        EXPECT_EQ(target(), backBuffer);
        EXPECT_EQ(depth(), backDepth);
        EXPECT_TRUE(chain->present());
        if (round == 0) {
            loseAndRecover();
        }
    }
}

TEST(DeviceDummy, MakesAHiddenWindowAndADevice)
{
    SmartRef<IDeviceDummy> dummy = createDeviceDummy();
    ASSERT_TRUE(dummy);
    EXPECT_TRUE(dummy->isValid());
    ASSERT_NE(g_renderDevice, nullptr);
    EXPECT_EQ(g_renderDevice->getPresentParameters()->BackBufferWidth, 32u);
    dummy = nullptr;
    EXPECT_EQ(g_renderDevice, nullptr);
}
