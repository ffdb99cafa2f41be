// Pass states as the state manager receives them.
#include "effect_support.h"

namespace {

const char* kStates = R"(
float alphaRef = 128;
bool blendOn = true;
int cull = 3;
texture colorTexture;
texture heightTexture;
sampler colorSampler = sampler_state {
    Texture = <colorTexture>;
    AddressU = Clamp; AddressV = MIRROR; MinFilter = Linear; MagFilter = Point; MipFilter = None;
    MaxAnisotropy = 4;
};
sampler2D heightSampler = sampler_state { Texture = (heightTexture); AddressU = Wrap; };
float4 vs(float4 p : POSITION, float2 uv : TEXCOORD0) : POSITION { return p + tex2Dlod(heightSampler, float4(uv, 0, 0)); }
float4 ps(float2 uv : TEXCOORD0) : COLOR { return tex2D(colorSampler, uv); }
technique Two
{
    pass First
    {
        ZEnable = false; ZWriteEnable = FALSE; CullMode = None;
        AlphaBlendEnable = <blendOn>; SrcBlend = SrcAlpha; DestBlend = D3DBLEND_INVSRCALPHA; BlendOp = RevSubtract;
        AlphaTestEnable = true; AlphaFunc = GreaterEqual; AlphaRef = (alphaRef);
        ColorWriteEnable = RED | GREEN | ALPHA;
        FogStart = 0.5;
        VertexShader = compile vs_3_0 vs();
        PixelShader = compile ps_3_0 ps();
    }
    pass Second
    {
        CullMode = cull;
        ZFunc = LessEqual;
        StencilEnable = true; StencilPass = Replace; StencilRef = 2 * 3;
        MinFilter[2] = Anisotropic;
        Texture[2] = <colorTexture>;
        ColorOp[0] = Modulate; ColorArg1[0] = Texture;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ps();
    }
}
)";

struct EffectStates : ::testing::Test {
    Compiled c;
    RecordingStateManager sm;
    void SetUp() override {
        compileEffect(c, kStates);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
        c.effect->SetStateManager(&sm);
    }
    void TearDown() override {
        if (c.effect) c.effect->SetStateManager(nullptr);
    }
    void pass(UINT i) {
        sm.calls.clear();
        UINT n = 0;
        ASSERT_EQ(c.effect->Begin(&n, 7), D3D_OK);
        ASSERT_EQ(n, 2u);
        ASSERT_EQ(c.effect->BeginPass(i), D3D_OK);
        c.effect->EndPass();
        c.effect->End();
    }
};

TEST_F(EffectStates, FirstPassSendsItsRenderStates) {
    pass(0);
    struct { DWORD state; long long value; } expected[] = {
        {7, 0}, {14, 0}, {22, 1}, {27, 1}, {19, 5}, {20, 6}, {171, 3}, {15, 1}, {25, 7}, {24, 128}, {168, 11},
    };
    for (const auto& e : expected) EXPECT_EQ(sm.renderState(e.state), e.value) << "state " << e.state;
    float fogStart = 0;
    long long bits = sm.renderState(36);
    DWORD w = static_cast<DWORD>(bits);
    std::memcpy(&fogStart, &w, 4);
    EXPECT_FLOAT_EQ(fogStart, 0.5f);
    EXPECT_EQ(sm.count("vs"), 1);
    EXPECT_EQ(sm.count("ps"), 1);
}

TEST_F(EffectStates, SamplersGetTheirStatesAtTheirUnits) {
    pass(0);
    // The pixel shader's only sampler is unit 0; the vertex shader's is the first vertex sampler.
    EXPECT_EQ(sm.samplerState(0, 1), 3);   // AddressU clamp
    EXPECT_EQ(sm.samplerState(0, 2), 2);   // AddressV mirror
    EXPECT_EQ(sm.samplerState(0, 6), 2);   // MinFilter linear
    EXPECT_EQ(sm.samplerState(0, 5), 1);   // MagFilter point
    EXPECT_EQ(sm.samplerState(0, 7), 0);   // MipFilter none
    EXPECT_EQ(sm.samplerState(0, 10), 4);
    EXPECT_EQ(sm.samplerState(257, 1), 1); // heightSampler wrap
    int textures = 0;
    for (const auto& call : sm.calls)
        if (call.what == "tex") {
            ++textures;
            EXPECT_TRUE(call.a == 0 || call.a == 257) << call.a;
        }
    EXPECT_EQ(textures, 2);
}

// A clone's stages find the sampler setups of the clone, which outlive the effect it came from.
TEST_F(EffectStates, ACloneSendsSamplerStatesAfterItsOriginalIsGone) {
    ID3DXEffect* clone = nullptr;
    ASSERT_EQ(c.effect->CloneEffect(nullptr, &clone), D3D_OK);
    c.effect->SetStateManager(nullptr);
    c.effect->Release();
    c.effect = clone;
    sm.calls.clear();
    UINT n = 0;
    ASSERT_EQ(clone->Begin(&n, 7), D3D_OK);
    ASSERT_EQ(clone->BeginPass(0), D3D_OK);
    clone->EndPass();
    clone->End();
    EXPECT_EQ(sm.samplerState(0, 1), 3);
    EXPECT_EQ(sm.samplerState(0, 10), 4);
    EXPECT_EQ(sm.samplerState(257, 1), 1);
    EXPECT_EQ(sm.count("tex"), 2);
}

TEST_F(EffectStates, SecondPassAndParameterValues) {
    pass(1);
    EXPECT_EQ(sm.renderState(22), 3);
    EXPECT_EQ(sm.renderState(23), 4);
    EXPECT_EQ(sm.renderState(52), 1);
    EXPECT_EQ(sm.renderState(55), 3);
    EXPECT_EQ(sm.renderState(57), 6);
    EXPECT_EQ(sm.samplerState(2, 6), 3);
    bool stage = false, tex2 = false;
    for (const auto& call : sm.calls) {
        stage |= call.what == "tss" && call.a == 0 && call.b == 1 && call.c == 4;
        tex2 |= call.what == "tex" && call.a == 2;
        if (call.what == "vs") {
            EXPECT_EQ(call.object, nullptr);
        }
    }
    EXPECT_TRUE(stage);
    EXPECT_TRUE(tex2);
    EXPECT_EQ(sm.renderState(27), -1); // not part of this pass

    // Values taken from parameters follow them.
    c.effect->SetInt("cull", 2);
    c.effect->SetBool("blendOn", FALSE);
    c.effect->SetFloat("alphaRef", 64.f);
    pass(1);
    EXPECT_EQ(sm.renderState(22), 2);
    pass(0);
    EXPECT_EQ(sm.renderState(27), 0);
    EXPECT_EQ(sm.renderState(24), 64);
}

TEST_F(EffectStates, PassCallsOutOfOrderAreRefused) {
    EXPECT_EQ(c.effect->BeginPass(0), D3DERR_INVALIDCALL);
    UINT n = 0;
    ASSERT_EQ(c.effect->Begin(&n, 0), D3D_OK);
    EXPECT_EQ(c.effect->Begin(&n, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->BeginPass(2), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->BeginPass(1), D3D_OK);
    EXPECT_EQ(c.effect->BeginPass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->EndPass(), D3D_OK);
    EXPECT_EQ(c.effect->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->End(), D3D_OK);
    EXPECT_EQ(c.effect->End(), D3DERR_INVALIDCALL);
    // Without a device or a state manager there is nothing to draw with.
    c.effect->SetStateManager(nullptr);
    EXPECT_EQ(c.effect->Begin(&n, 0), D3DERR_INVALIDCALL);
}

} // namespace
