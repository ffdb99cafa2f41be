#include "DeviceFixture.h"

#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/TextureManager.h>

#include <cmath>
#include <limits>

using namespace render_test;

namespace {

D3DSimAdapter adapterWith(std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes)
{
    D3DSimAdapter adapter = d3dsimDefaultAdapter();
    adapter.multiSampleTypes = std::move(multiSampleTypes);
    return adapter;
}

bool sameViewport(const D3DVIEWPORT9& a, const D3DVIEWPORT9& b)
{
    return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height && a.MinZ == b.MinZ &&
        a.MaxZ == b.MaxZ;
}

} // namespace

TEST_F(RenderDeviceTest, CreateRefusesWhatItCannotUse)
{
    EXPECT_FALSE(device->create(nullptr, smallParams()));
    d3dsimFailDirect3DCreate(true);
    EXPECT_FALSE(createDevice());
    d3dsimFailDirect3DCreate(false);
    d3dsimFailCreateDevice(true);
    EXPECT_FALSE(createDevice());
    EXPECT_EQ(g_d3d, nullptr);
    device->destroy();
    d3dsimFailCreateDevice(false);
    EXPECT_TRUE(createDevice());
}

TEST_F(RenderDeviceTest, CreateMakesTheManagersAndSetsTheGlobals)
{
    DeviceCreateParams params = smallParams();
    params.refreshRate = 75;
    params.vsync = true;
    ASSERT_TRUE(createDevice(params));
    EXPECT_EQ(g_renderDevice, device);
    EXPECT_EQ(g_d3d, d3d());
    EXPECT_NE(device->getDirect3D(), nullptr);
    EXPECT_EQ(g_stateManager, device->getStateManager());
    EXPECT_EQ(g_shaderManager, device->getShaderManager());
    EXPECT_EQ(g_textureManager, device->getTextureManager());
    ASSERT_NE(device->getPostProcessor(), nullptr);

    const D3DPRESENT_PARAMETERS* pp = device->getPresentParameters();
    EXPECT_EQ(pp->BackBufferWidth, kWidth);
    EXPECT_EQ(pp->BackBufferHeight, kHeight);
    EXPECT_EQ(pp->BackBufferFormat, D3DFMT_A8R8G8B8);
    EXPECT_EQ(pp->AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_TRUE(pp->Windowed);
    EXPECT_EQ(pp->BackBufferCount, 1u);
    EXPECT_EQ(pp->FullScreen_RefreshRateInHz, 0u) << "windowed devices take no refresh rate";
    EXPECT_EQ(pp->PresentationInterval, D3DPRESENT_INTERVAL_ONE);

    ASSERT_NE(device->getRenderView(), nullptr);
    EXPECT_TRUE(sameViewport(device->getRenderView()->getViewport(), {0, 0, kWidth, kHeight, 0.0f, 1.0f}));
    IRenderTarget* back = device->getBackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getResourceType(), 0);
    EXPECT_FALSE(back->begin());
    EXPECT_EQ(back->getRenderView(), nullptr);
    IDirect3DSurface9* surface = back->getSurface();
    ASSERT_NE(surface, nullptr);
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kWidth);
    surface->Release();
    EXPECT_EQ(device->getDeviceInfo()->shaderModel,
        getShaderModel(device->getDirect3D(), 0, D3DDEVTYPE_HAL));

    device->destroy();
    EXPECT_EQ(g_d3d, nullptr);
    EXPECT_EQ(g_stateManager, nullptr);
    EXPECT_EQ(g_shaderManager, nullptr);
    EXPECT_EQ(g_textureManager, nullptr);
    EXPECT_EQ(device->getD3DDevice(), nullptr);
    EXPECT_FALSE(device->beginScene());
    ASSERT_TRUE(createDevice()) << "a destroyed device can be created again";
}

TEST_F(RenderDeviceTest, VendorFromTheAdapter)
{
    const std::pair<DWORD, GpuVendor> cases[] = {{0x1002, GpuVendor_ATI}, {0x10DE, GpuVendor_NVIDIA},
        {0x8086, GpuVendor_Intel}, {0x1039, GpuVendor_SiS}, {0x1234, GpuVendor_Other}};
    for (const auto& [id, vendor] : cases) {
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        adapter.identifier.VendorId = id;
        adapter.caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
        d3dsimSetAdapters({adapter});
        ASSERT_TRUE(createDevice());
        EXPECT_EQ(device->getDeviceInfo()->vendor, vendor) << std::hex << id;
        EXPECT_EQ(device->getDeviceInfo()->shaderModel, static_cast<int>(D3DPS_VERSION(2, 0)));
        device->destroy();
    }
}

TEST_F(RenderDeviceTest, MultisampleLadderStepsDownToWhatTheAdapterHas)
{
    struct Case {
        int wanted;
        std::vector<D3DMULTISAMPLE_TYPE> supported;
        D3DMULTISAMPLE_TYPE expected;
    };
    const Case cases[] = {
        {8, {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_4_SAMPLES},
        {4, {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_4_SAMPLES},
        {1, {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_NONE},
        {16, {}, D3DMULTISAMPLE_NONE},
        {0, {D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_NONE},
        {17, {D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_NONE},
        {-3, {D3DMULTISAMPLE_4_SAMPLES}, D3DMULTISAMPLE_NONE},
    };
    for (const Case& c : cases) {
        d3dsimSetAdapters({adapterWith(c.supported)});
        DeviceCreateParams params = smallParams();
        params.multiSampleType = c.wanted;
        params.multiSampleQuality = 3;
        ASSERT_TRUE(createDevice(params)) << c.wanted;
        EXPECT_EQ(device->getPresentParameters()->MultiSampleType, c.expected) << c.wanted;
        // The layer reports one quality level per supported type: only level 0 exists.
        EXPECT_EQ(device->getPresentParameters()->MultiSampleQuality, 0u) << c.wanted;
        device->destroy();
    }
}

TEST_F(RenderDeviceTest, GammaRampIsSetOnlyAboveOneAndWhenTheCapsAllow)
{
    D3DGAMMARAMP untouched{};
    {
        ASSERT_TRUE(createDevice());
        d3d()->GetGammaRamp(0, &untouched);
        device->destroy();
    }
    D3DGAMMARAMP expected{};
    calculateGammaRamp(2.2f, expected.red);
    ASSERT_NE(std::memcmp(expected.red, untouched.red, sizeof(expected.red)), 0);

    struct Case {
        float gamma;
        bool fullscreenGammaCap;
        bool set;
    };
    const Case cases[] = {{1.0f, true, false}, {1.000001f, true, false}, {0.5f, true, false},
        {std::numeric_limits<float>::quiet_NaN(), true, false}, {2.2f, true, true}, {2.2f, false, false}};
    for (const Case& c : cases) {
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        if (c.fullscreenGammaCap) {
            adapter.caps.Caps2 |= D3DCAPS2_FULLSCREENGAMMA;
        } else {
            adapter.caps.Caps2 &= ~static_cast<DWORD>(D3DCAPS2_FULLSCREENGAMMA);
        }
        d3dsimSetAdapters({adapter});
        DeviceCreateParams params = smallParams();
        params.gamma = c.gamma;
        ASSERT_TRUE(createDevice(params));
        D3DGAMMARAMP ramp{};
        d3d()->GetGammaRamp(0, &ramp);
        const D3DGAMMARAMP& want = c.set ? expected : untouched;
        EXPECT_EQ(std::memcmp(ramp.red, want.red, sizeof(ramp.red)), 0) << c.gamma;
        EXPECT_EQ(std::memcmp(ramp.blue, want.red, sizeof(ramp.blue)), 0) << c.gamma;
        device->destroy();
    }
}

TEST_F(RenderDeviceTest, ClearPacksAndClampsTheColour)
{
    ASSERT_TRUE(createDevice());
    struct Case {
        D3DXVECTOR4 colour;
        uint32_t expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{1.5f, -0.2f, 0.5f, 1.0f}, 0xFFFF0080},
        {{0.0f, 1.0f, 0.0f, 0.5f}, 0x8000FF00},
        {{nan, 0.25f, nan, 1.0f}, 0xFF004000},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(device->beginScene());
        EXPECT_EQ(device->clear(Clear_Colour | Clear_Depth | Clear_Stencil, c.colour, 1.0f, 0), D3D_OK);
        EXPECT_TRUE(device->endScene());
        const auto pixels = backBufferPixels();
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(pixels[0], c.expected) << std::hex << pixels[0];
        EXPECT_EQ(pixels.back(), c.expected);
    }
}

TEST_F(RenderDeviceTest, ListenersAreToldOnceEachInRegistrationOrder)
{
    std::vector<std::string> log;
    LoggingListener a(log, "a");
    LoggingListener b(log, "b", false);
    LoggingListener c(log, "c");
    EXPECT_FALSE(device->addListener(&a)) << "already registered by its constructor";
    EXPECT_FALSE(device->addListener(nullptr));
    // b answers false: the others are told all the same, and the result says it failed.
    EXPECT_FALSE(device->notifyLostDevice());
    EXPECT_FALSE(device->notifyResetDevice());
    EXPECT_EQ(log, (std::vector<std::string>{"a lost", "b lost", "c lost", "a reset", "b reset", "c reset"}));
    EXPECT_TRUE(device->removeListener(&b));
    EXPECT_FALSE(device->removeListener(&b));
    log.clear();
    EXPECT_TRUE(device->notifyLostDevice());
    EXPECT_EQ(log, (std::vector<std::string>{"a lost", "c lost"}));
}

TEST_F(RenderDeviceTest, ListenersLeavingDuringANotificationAreNeitherSkippedNorCalledAfter)
{
    std::vector<std::string> log;
    struct Leaver : RenderListener {
        std::vector<std::string>& log;
        RenderListener* alsoRemove = nullptr;
        explicit Leaver(std::vector<std::string>& l) : RenderListener(true), log(l) {}
        bool onLostDevice() override
        {
            log.push_back("leaver lost");
            g_renderDevice->removeListener(this);
            if (alsoRemove) {
                g_renderDevice->removeListener(alsoRemove);
            }
            return true;
        }
        bool onResetDevice() override { return true; }
    };
    Leaver leaver(log);
    LoggingListener gone(log, "gone");
    LoggingListener stays(log, "stays");
    leaver.alsoRemove = &gone;
    EXPECT_TRUE(device->notifyLostDevice());
    EXPECT_EQ(log, (std::vector<std::string>{"leaver lost", "stays lost"}));
}

TEST_F(RenderDeviceTest, ListenersWorkWithoutADevice)
{
    device->release();
    ASSERT_EQ(g_renderDevice, nullptr);
    {
        std::vector<std::string> log;
        LoggingListener orphan(log, "orphan");
    }
    device = createRenderDevice();
    device->addRef();
}

TEST_F(RenderDeviceTest, LossIsRecoveredOnceTheDeviceCanBeReset)
{
    ASSERT_TRUE(createDevice());
    std::vector<std::string> log;
    LoggingListener a(log, "a");
    LoggingListener b(log, "b");
    StateManager* states = device->getStateManager();
    states->SetRenderState(D3DRS_ZENABLE, TRUE);

    ASSERT_TRUE(device->beginScene());
    ASSERT_TRUE(device->endScene());
    d3dsimLoseDevice(d3d(), 2);
    EXPECT_FALSE(device->present());
    EXPECT_FALSE(device->beginScene());
    EXPECT_FALSE(device->endScene());
    EXPECT_FALSE(device->present());
    EXPECT_FALSE(device->beginScene());
    EXPECT_TRUE(log.empty()) << "nobody is told while the device cannot be reset";

    ASSERT_TRUE(device->beginScene());
    EXPECT_EQ(log, (std::vector<std::string>{"a lost", "b lost", "a reset", "b reset"}));
    // The reset returned every state to its default: the cache sends the old value again.
    const int sent = states->stateChangesSent;
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    EXPECT_EQ(states->stateChangesSent, sent + 1);
    EXPECT_TRUE(device->endScene());
    EXPECT_TRUE(device->present());
}

TEST_F(RenderDeviceTest, ResizeResetsAndTheDefaultViewFollows)
{
    ASSERT_TRUE(createDevice());
    std::vector<std::string> log;
    LoggingListener a(log, "a");
    ASSERT_TRUE(device->resize(32, 24));
    EXPECT_EQ(log, (std::vector<std::string>{"a lost", "a reset"}));
    EXPECT_EQ(device->getPresentParameters()->BackBufferWidth, 32u);
    EXPECT_EQ(device->getPresentParameters()->BackBufferHeight, 24u);
    ASSERT_TRUE(device->beginScene());
    EXPECT_TRUE(sameViewport(device->getRenderView()->getViewport(), {0, 0, 32, 24, 0.0f, 1.0f}));
    EXPECT_TRUE(device->endScene());
}

TEST_F(RenderDeviceTest, AFailedResizeLeavesTheDeviceLostUntilItRecovers)
{
    ASSERT_TRUE(createDevice());
    d3dsimSetStrictReset(true);
    // Holds default-pool memory and lets it go only when told a second time.
    struct Stubborn : RenderListener {
        IDirect3DVertexBuffer9* buffer = nullptr;
        int told = 0;
        Stubborn() : RenderListener(true)
        {
            g_d3d->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, nullptr);
        }
        ~Stubborn() override
        {
            if (buffer) {
                buffer->Release();
            }
        }
        bool onLostDevice() override
        {
            if (++told >= 2 && buffer) {
                buffer->Release();
                buffer = nullptr;
            }
            return true;
        }
        bool onResetDevice() override { return true; }
    } stubborn;
    ASSERT_NE(stubborn.buffer, nullptr);

    EXPECT_FALSE(device->resize(32, 24));
    EXPECT_EQ(device->getPresentParameters()->BackBufferWidth, kWidth) << "the old record is kept";
    EXPECT_FALSE(device->present()) << "lost after the failed reset";
    ASSERT_TRUE(device->beginScene()) << "recovery tells the listeners again and resets";
    EXPECT_EQ(stubborn.told, 2);
    EXPECT_TRUE(device->endScene());
    EXPECT_TRUE(device->present());
    EXPECT_TRUE(device->resize(32, 24));
    EXPECT_EQ(device->getPresentParameters()->BackBufferWidth, 32u);
}

TEST_F(RenderDeviceTest, GoingWindowedResetsAndCentresTheWindow)
{
    DeviceCreateParams params = smallParams();
    params.refreshRate = 60;
    params.backBufferCount = 2;
    ASSERT_TRUE(createDevice(params));
    ASSERT_TRUE(device->setFullscreen(false));
    EXPECT_EQ(window.fullscreenCalls, 1);
    EXPECT_FALSE(window.fullscreen);
    EXPECT_EQ(window.centerCalls, 1);
    const D3DPRESENT_PARAMETERS* pp = device->getPresentParameters();
    EXPECT_TRUE(pp->Windowed);
    EXPECT_EQ(pp->BackBufferCount, 1u);
    EXPECT_EQ(pp->FullScreen_RefreshRateInHz, 0u);
}

TEST_F(RenderDeviceTest, ScissorStackNestsAndSwitchesTheTestOff)
{
    ASSERT_TRUE(createDevice());
    StateManager* states = device->getStateManager();
    const int changes = states->stateChanges;
    device->popScissorRect();
    EXPECT_EQ(states->stateChanges, changes) << "popping an empty stack changes nothing";
    EXPECT_EQ(renderState(D3DRS_SCISSORTESTENABLE), DWORD{FALSE});

    const RECT outer{0, 0, 32, 32};
    const RECT inner{4, 4, 8, 8};
    RECT current{};
    device->pushScissorRect(outer);
    device->pushScissorRect(inner);
    EXPECT_EQ(renderState(D3DRS_SCISSORTESTENABLE), DWORD{TRUE});
    d3d()->GetScissorRect(&current);
    EXPECT_EQ(current.right, inner.right);
    device->popScissorRect();
    d3d()->GetScissorRect(&current);
    EXPECT_EQ(current.right, outer.right);
    EXPECT_EQ(renderState(D3DRS_SCISSORTESTENABLE), DWORD{TRUE});

    // A target change resets the rectangle on the device; the state manager puts ours back.
    IDirect3DSurface9* back = device->getBackBuffer()->getSurface();
    states->SetRenderTarget(0, nullptr);
    states->SetRenderTarget(0, back);
    back->Release();
    d3d()->GetScissorRect(&current);
    EXPECT_EQ(current.right, outer.right);

    device->popScissorRect();
    EXPECT_EQ(renderState(D3DRS_SCISSORTESTENABLE), DWORD{FALSE});
}

TEST_F(RenderDeviceTest, DrawsAreCountedAndUserPointerDrawsForgetStreamZero)
{
    ASSERT_TRUE(createDevice());
    useScreenPipeline();
    StateManager* states = device->getStateManager();
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(d3d()->CreateVertexBuffer(6 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &buffer,
                  nullptr),
        D3D_OK);
    owned.push_back(buffer);

    ASSERT_TRUE(device->beginScene());
    states->SetStreamSource(0, buffer, 0, sizeof(ScreenVertex));
    EXPECT_EQ(device->drawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(device->getStatistics()->drawCalls, 2);
    EXPECT_EQ(device->getStatistics()->primitives, 4);
    const int sent = states->stateChangesSent;
    states->SetStreamSource(0, buffer, 0, sizeof(ScreenVertex));
    EXPECT_EQ(states->stateChangesSent, sent + 1) << "stream 0 was unbound by the user-pointer draw";
    // A failed draw is counted all the same.
    device->drawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 5);
    EXPECT_EQ(device->getStatistics()->drawCalls, 3);
    EXPECT_EQ(device->getStatistics()->primitives, 9);
    EXPECT_TRUE(device->endScene());

    ASSERT_TRUE(device->beginScene());
    EXPECT_EQ(device->getStatistics()->drawCalls, 0);
    EXPECT_EQ(states->stateChanges, 0);
    EXPECT_TRUE(device->endScene());
}

TEST_F(RenderDeviceTest, ViewsNestAndRestoreWhatTheyReplaced)
{
    ASSERT_TRUE(createDevice());
    IRenderView* outer = createRenderView();
    IRenderView* inner = createRenderView();
    outer->addRef();
    inner->addRef();
    outer->getViewport() = {0, 0, 32, 32, 0.0f, 1.0f};
    inner->getViewport() = {8, 8, 8, 8, 0.0f, 1.0f};
    IRenderView* defaultView = device->getRenderView();

    inner->end(); // without a begin: nothing happens
    EXPECT_EQ(device->getRenderView(), defaultView);
    EXPECT_NE(device->setRenderView(nullptr), D3D_OK);
    EXPECT_EQ(device->getRenderView(), defaultView);

    D3DVIEWPORT9 viewport{};
    EXPECT_TRUE(outer->begin());
    EXPECT_TRUE(inner->begin());
    d3d()->GetViewport(&viewport);
    EXPECT_TRUE(sameViewport(viewport, inner->getViewport()));
    inner->end();
    d3d()->GetViewport(&viewport);
    EXPECT_TRUE(sameViewport(viewport, outer->getViewport()));
    outer->end();
    d3d()->GetViewport(&viewport);
    EXPECT_TRUE(sameViewport(viewport, {0, 0, kWidth, kHeight, 0.0f, 1.0f}));
    EXPECT_EQ(device->getRenderView(), defaultView);
    EXPECT_EQ(inner->release(), 0);
    EXPECT_EQ(outer->release(), 0);
}

TEST_F(RenderDeviceTest, FullScreenUsesTheFullScreenRecord)
{
    DeviceCreateParams params = smallParams();
    params.fullscreen = true;
    params.refreshRate = 60;
    params.backBufferCount = 2;
    ASSERT_TRUE(createDevice(params));
    EXPECT_EQ(window.fullscreenCalls, 1);
    EXPECT_TRUE(window.fullscreen);
    const D3DPRESENT_PARAMETERS* pp = device->getPresentParameters();
    EXPECT_FALSE(pp->Windowed);
    EXPECT_EQ(pp->BackBufferCount, 2u);
    EXPECT_EQ(pp->FullScreen_RefreshRateInHz, 60u);

    ASSERT_TRUE(device->setFullscreen(false));
    EXPECT_TRUE(pp->Windowed);
    EXPECT_EQ(pp->FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(window.centerCalls, 1);
    ASSERT_TRUE(device->setFullscreen(true));
    EXPECT_FALSE(pp->Windowed);
    EXPECT_EQ(pp->BackBufferCount, 2u);
    EXPECT_EQ(pp->FullScreen_RefreshRateInHz, 60u);
    EXPECT_TRUE(window.fullscreen);
    EXPECT_EQ(window.centerCalls, 1) << "only going windowed centres";
}

TEST_F(RenderDeviceTest, ADeviceThatAnswersSuccessIsNoLongerLost)
{
    ASSERT_TRUE(createDevice());
    std::vector<std::string> log;
    LoggingListener a(log, "a");
    d3dsimLoseDevice(d3d(), 0);
    EXPECT_FALSE(device->present());
    // Someone else resets the device: the next frame finds it working and tells nobody.
    D3DPRESENT_PARAMETERS pp = *device->getPresentParameters();
    ASSERT_EQ(d3d()->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(d3d()->Reset(&pp), D3D_OK);
    ASSERT_TRUE(device->beginScene());
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(device->endScene());
    EXPECT_TRUE(device->present());
}

TEST_F(RenderDeviceTest, TheStateManagerOutlivesTheDeviceWhileHeld)
{
    ASSERT_TRUE(createDevice());
    StateManager* states = device->getStateManager();
    states->AddRef(); // as an effect does
    device->destroy();
    EXPECT_EQ(g_stateManager, nullptr);
    EXPECT_EQ(states->SetRenderState(D3DRS_ZENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_TRUE(device->notifyLostDevice()) << "no longer a listener of the device";
    EXPECT_EQ(states->Release(), 0u);
}

TEST_F(RenderDeviceTest, ShaderSettingsAreCopiedWhole)
{
    EXPECT_EQ(device->getShaderSettings()->shaderModel, 2);
    EXPECT_EQ(device->getShaderSettings()->shadowMapSize, 2048);
    EXPECT_EQ(device->getShaderSettings()->shadowMapPcf, 0);
    device->setShaderSettings({3, 1024, 1});
    EXPECT_EQ(device->getShaderSettings()->shaderModel, 3);
    EXPECT_EQ(device->getShaderSettings()->shadowMapSize, 1024);
    EXPECT_EQ(device->getShaderSettings()->shadowMapPcf, 1);
}
