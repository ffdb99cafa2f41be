#include <gtest/gtest.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/StateManager.h>

#include <type_traits>
#include <utility>
#include <vector>

#include "CountingDevice.h"

using namespace tormakelin::render;

namespace {

// Remembers the render states that reached the device, in order.
class StateRecordingDevice : public CountingDevice {
public:
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override
    {
        ++calls["SetRenderState"];
        renderStates.emplace_back(state, value);
        return D3D_OK;
    }
};

class StateManagerTest : public ::testing::Test {
protected:
    void SetUp() override { states = new StateManager(&device); }
    void TearDown() override { states->Release(); }

    StateRecordingDevice device;
    StateManager* states = nullptr;
};

auto* fakePointer(uintptr_t value)
{
    return reinterpret_cast<IDirect3DVertexBuffer9*>(value);
}

} // namespace

TEST_F(StateManagerTest, RepeatedValuesAreAbsorbedAndChangesSent)
{
    EXPECT_EQ(g_stateManager, states);
    EXPECT_EQ(states->SetRenderState(D3DRS_ZENABLE, TRUE), D3D_OK);
    EXPECT_EQ(states->SetRenderState(D3DRS_ZENABLE, TRUE), D3D_OK);
    EXPECT_EQ(states->stateChanges, 2);
    EXPECT_EQ(states->stateChangesSent, 1);
    EXPECT_EQ(device.count("SetRenderState"), 1);

    states->SetRenderState(D3DRS_ZENABLE, FALSE);
    states->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(states->stateChangesSent, 3);
    EXPECT_EQ(device.count("SetRenderState"), 3);

    states->begin();
    EXPECT_EQ(states->stateChanges, 0);
    EXPECT_EQ(states->stateChangesSent, 0);
}

TEST_F(StateManagerTest, EachCachedSlotCompareItsOwnValues)
{
    auto* buffer = fakePointer(0x1000);
    states->SetStreamSource(0, buffer, 0, 20);
    states->SetStreamSource(0, buffer, 0, 20);
    states->SetStreamSource(0, buffer, 0, 32);
    states->SetStreamSource(0, buffer, 4, 32);
    states->SetStreamSource(1, buffer, 4, 32);
    EXPECT_EQ(device.count("SetStreamSource"), 4);

    states->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    states->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    states->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    states->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(device.count("SetSamplerState"), 3);

    states->SetTextureStageState(2, D3DTSS_COLOROP, 4);
    states->SetTextureStageState(2, D3DTSS_COLOROP, 4);
    EXPECT_EQ(device.count("SetTextureStageState"), 1);

    auto* texture = reinterpret_cast<IDirect3DBaseTexture9*>(0x2000);
    states->SetTexture(3, texture);
    states->SetTexture(3, texture);
    states->SetTexture(3, nullptr);
    EXPECT_EQ(device.count("SetTexture"), 2);

    states->SetIndices(nullptr);
    states->SetIndices(nullptr);
    states->SetVertexDeclaration(nullptr);
    states->SetVertexShader(nullptr);
    states->SetPixelShader(nullptr);
    states->SetPixelShader(nullptr);
    EXPECT_EQ(device.count("SetIndices"), 1);
    EXPECT_EQ(device.count("SetPixelShader"), 1);
}

TEST_F(StateManagerTest, OutOfRangeSlotsAlwaysPassThrough)
{
    const int before = states->stateChangesSent;
    for (int i = 0; i < 2; ++i) {
        states->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        states->SetTexture(StateManager::CachedStages, nullptr);
        states->SetTextureStageState(StateManager::CachedStages, D3DTSS_COLOROP, 1);
        states->SetStreamSource(StateManager::CachedStreams, nullptr, 0, 0);
        states->SetRenderTarget(StateManager::CachedTargets, nullptr);
    }
    EXPECT_EQ(device.count("SetSamplerState"), 2);
    EXPECT_EQ(device.count("SetTexture"), 2);
    EXPECT_EQ(device.count("SetTextureStageState"), 2);
    EXPECT_EQ(device.count("SetStreamSource"), 2);
    EXPECT_EQ(device.count("SetRenderTarget"), 2);
    EXPECT_EQ(states->stateChangesSent - before, 10);
}

TEST_F(StateManagerTest, UncachedCallsAreCountedAndSent)
{
    const float constants[4] = {1, 2, 3, 4};
    states->SetVertexShaderConstantF(0, constants, 1);
    states->SetVertexShaderConstantF(0, constants, 1);
    states->SetPixelShaderConstantF(0, constants, 1);
    states->SetFVF(0);
    states->SetFVF(0);
    states->LightEnable(0, TRUE);
    EXPECT_EQ(states->stateChanges, 6);
    EXPECT_EQ(states->stateChangesSent, 6);
    EXPECT_EQ(device.count("SetVertexShaderConstantF"), 2);
    EXPECT_EQ(device.count("SetFVF"), 2);
}

TEST_F(StateManagerTest, LostDeviceAndClearForgetTheCache)
{
    auto* surface = reinterpret_cast<IDirect3DSurface9*>(0x3000);
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    states->SetRenderTarget(0, surface);
    states->SetDepthStencilSurface(surface);
    EXPECT_TRUE(states->onLostDevice());
    EXPECT_TRUE(states->onLostDevice());
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    states->SetRenderTarget(0, surface);
    EXPECT_EQ(device.count("SetRenderState"), 2);
    EXPECT_EQ(device.count("SetRenderTarget"), 2);

    // Targets set behind the cache's back: only those slots are forgotten.
    states->invalidateRenderTargets();
    states->SetRenderTarget(0, surface);
    states->SetDepthStencilSurface(surface);
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    EXPECT_EQ(device.count("SetRenderTarget"), 3);
    EXPECT_EQ(device.count("SetDepthStencilSurface"), 2);
    EXPECT_EQ(device.count("SetRenderState"), 2);

    states->clear();
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    EXPECT_EQ(device.count("SetRenderState"), 3);
}

TEST_F(StateManagerTest, ComIdentityAndCount)
{
    const IID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    const IID other = {0x12345678, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(states->QueryInterface(other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(states->QueryInterface(unknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<IUnknown*>(states));
    EXPECT_EQ(states->Release(), 1u);
}

TEST_F(StateManagerTest, DetachedManagerOutlivesItsDevice)
{
    states->AddRef(); // an effect still holds it
    states->detach();
    EXPECT_EQ(g_stateManager, nullptr);
    EXPECT_EQ(states->SetRenderState(D3DRS_ZENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.count("SetRenderState"), 0);
    EXPECT_EQ(states->Release(), 1u);
}

TEST_F(StateManagerTest, BlendModesSetTheirStatesInOrder)
{
    struct Case {
        BlendMode mode;
        const char* name;
        DWORD op, source, destination;
    };
    const Case cases[] = {
        {BlendMode_Alpha, "Alpha", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
        {BlendMode_AlphaAdditive, "Alpha Additive", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
        {BlendMode_AlphaSubtractive, "Alpha Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_BOTHSRCALPHA,
            D3DBLEND_ONE},
        {BlendMode_Additive, "Additive", D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_AdditiveScreen, "Additive Screen", D3DBLENDOP_ADD, D3DBLEND_SRCCOLOR, D3DBLEND_ONE},
        {BlendMode_Subtractive, "Subtractive", D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_RevSubtractive, "Rev Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Screen, "Screen", D3DBLENDOP_ADD, D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE},
        {BlendMode_Lighten, "Lighten", D3DBLENDOP_MAX, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Darken, "Darken", D3DBLENDOP_MIN, D3DBLEND_ONE, D3DBLEND_ONE},
        {BlendMode_Multiply, "Multiply", D3DBLENDOP_ADD, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        states->clear();
        device.renderStates.clear();
        applyBlendMode(c.mode);
        const std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> expected = {
            {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_BLENDOP, c.op}, {D3DRS_SRCBLEND, c.source},
            {D3DRS_DESTBLEND, c.destination}};
        EXPECT_EQ(device.renderStates, expected);
        EXPECT_STREQ(blendModeToString(c.mode), c.name);
    }
}

TEST_F(StateManagerTest, SolidOnlyDisablesBlendingAndUnknownModesOnlyEnable)
{
    applyBlendMode(BlendMode_Multiply);
    device.renderStates.clear();
    applyBlendMode(BlendMode_Solid);
    using States = std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>;
    EXPECT_EQ(device.renderStates, (States{{D3DRS_ALPHABLENDENABLE, FALSE}}));
    device.renderStates.clear();
    applyBlendMode(static_cast<BlendMode>(12));
    EXPECT_EQ(device.renderStates, (States{{D3DRS_ALPHABLENDENABLE, TRUE}}));

    EXPECT_STREQ(blendModeToString(BlendMode_Solid), "Solid");
    for (int mode : {12, 13, -1, 1000}) {
        EXPECT_STREQ(blendModeToString(static_cast<BlendMode>(mode)), "Unknown") << mode;
    }
}

TEST(StateManagerType, IsTheEffectsStateManagerAndAListener)
{
    static_assert(std::is_base_of_v<ID3DXEffectStateManager, StateManager>);
    static_assert(std::is_base_of_v<RenderListener, StateManager>);
}
