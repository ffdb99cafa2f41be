// Drawing with effects on the device: textures through sampler_state, pass states, several
// passes, parameters of every kind seen in pixels, and matrices as the D3DX math computes them.
#include <cmath>
#include <functional>

#include "d3d9sim.h"
#include "effect_device.h"

namespace {

TEST_F(EffectDeviceTest, TexturedQuadThroughSamplerState) {
    Compiled c;
    compile(c, withPixelShader(
                   "texture colorTexture;\n"
                   "sampler colorSampler = sampler_state { Texture = <colorTexture>; MinFilter = Point; MagFilter = Point;"
                   " MipFilter = None; AddressU = Clamp; AddressV = Clamp; };\n",
                   "tex2D(colorSampler, i.uv)"));
    IDirect3DTexture9* t = texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(c.effect->SetTexture("colorTexture", t), D3D_OK);
    // The parameter holds its own reference.
    EXPECT_EQ(t->Release(), 1u);
    drawAll(c.effect);
    EXPECT_EQ(pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(pixel(13, 2), 0xFF00FF00u);
    EXPECT_EQ(pixel(2, 13), 0xFF0000FFu);
    EXPECT_EQ(pixel(13, 13), 0xFFFFFFFFu);
    DWORD filter = 0;
    device->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
    EXPECT_EQ(filter, DWORD(D3DTEXF_POINT));
    IDirect3DBaseTexture9* got = nullptr;
    c.effect->GetTexture("colorTexture", &got);
    EXPECT_EQ(got, t);
    got->Release();
    c.effect->SetTexture("colorTexture", nullptr);
}

TEST_F(EffectDeviceTest, PassStatesReachTheDevice) {
    Compiled c;
    compile(c, withPixelShader("float4 color;\n", "color",
                               "AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; BlendOp = Add; CullMode = None;"
                               " ZEnable = false; ColorWriteEnable = Red | Green | Alpha;"));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102080, 1.0f, 0);
    D3DXVECTOR4 color(0.25f, 0.5f, 1.0f, 1.0f);
    c.effect->SetVector("color", &color);
    drawAll(c.effect);
    struct { D3DRENDERSTATETYPE state; DWORD value; } expected[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_ONE},
        {D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_ZENABLE, FALSE}, {D3DRS_COLORWRITEENABLE, 11}};
    for (const auto& e : expected) {
        DWORD v = 0;
        device->GetRenderState(e.state, &v);
        EXPECT_EQ(v, e.value) << e.state;
    }
    // Added red and green; blue is masked and keeps the cleared value.
    expectColor(pixel(8, 8), 0x10 + 64, 0x20 + 128, 0x80);
}

TEST_F(EffectDeviceTest, TwoPassesDrawInOrder) {
    const std::string text = kQuadVS + R"(
float4 red() : COLOR { return float4(1, 0, 0, 1); }
float4 green(uniform float level) : COLOR { return float4(0, level, 0, 1); }
technique Two
{
    pass Solid { AlphaBlendEnable = false; VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 red(); }
    pass Add { AlphaBlendEnable = true; SrcBlend = One; DestBlend = One;
               VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 green(0.5); }
})";
    Compiled c;
    compile(c, text);
    drawAll(c.effect);
    expectColor(pixel(5, 9), 255, 128, 0);
}

struct ParamCase {
    const char* name;
    const char* decl;
    const char* expr;
    std::function<void(ID3DXEffect*)> set;
    int r, g, b;
};

TEST_F(EffectDeviceTest, ParametersOfEveryKindReachThePixels) {
    const ParamCase cases[] = {
        {"float", "float v;", "float4(v, 0, 0, 1)", [](ID3DXEffect* e) { e->SetFloat("v", 0.5f); }, 128, 0, 0},
        {"float2", "float2 v;", "float4(v, 0, 1)",
         [](ID3DXEffect* e) { D3DXVECTOR4 x(0.25f, 0.75f, 9, 9); e->SetVector("v", &x); }, 64, 191, 0},
        {"float3", "float3 v;", "float4(v, 1)",
         [](ID3DXEffect* e) { float x[3] = {1, 0.5f, 0.25f}; e->SetFloatArray("v", x, 3); }, 255, 128, 64},
        {"float4", "float4 v;", "v.zyxw",
         [](ID3DXEffect* e) { D3DXVECTOR4 x(0.2f, 0.4f, 0.6f, 1); e->SetVector("v", &x); }, 153, 102, 51},
        {"int", "int v;", "float4(v / 4.0, 0, 0, 1)", [](ID3DXEffect* e) { e->SetInt("v", 3); }, 191, 0, 0},
        {"int from float", "int v;", "float4(0, v / 4.0, 0, 1)", [](ID3DXEffect* e) { e->SetFloat("v", 2.0f); }, 0, 128, 0},
        {"bool", "bool v;", "v ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1)", [](ID3DXEffect* e) { e->SetBool("v", TRUE); },
         0, 255, 0},
        {"bool false", "bool v = true;", "v ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1)",
         [](ID3DXEffect* e) { e->SetBool("v", FALSE); }, 255, 0, 0},
        {"initial value", "float4 v = {0, 0, 1, 1};", "v", [](ID3DXEffect*) {}, 0, 0, 255},
        {"float4x4", "float4x4 m;", "float4(m[1][2], m[3][0], m[0][3], 1)",
         [](ID3DXEffect* e) {
             D3DXMATRIX m;
             std::memset(&m, 0, sizeof(m));
             m.m[1][2] = 0.5f, m.m[3][0] = 0.25f, m.m[0][3] = 1.0f;
             e->SetMatrix("m", &m);
         },
         128, 64, 255},
        {"row_major float4x4", "row_major float4x4 m;", "float4(m[1][2], m[3][0], m[0][3], 1)",
         [](ID3DXEffect* e) {
             D3DXMATRIX m;
             std::memset(&m, 0, sizeof(m));
             m.m[1][2] = 0.5f, m.m[3][0] = 0.25f, m.m[0][3] = 1.0f;
             e->SetMatrix("m", &m);
         },
         128, 64, 255},
        {"float4 array", "float4 colors[3];", "colors[2]",
         [](ID3DXEffect* e) {
             D3DXVECTOR4 v[3] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0.5f, 1, 1}};
             e->SetVectorArray("colors", v, 3);
         },
         0, 128, 255},
        {"float array", "float w[4];", "float4(w[1], w[3], 0, 1)",
         [](ID3DXEffect* e) { float w[4] = {0, 0.5f, 0, 1}; e->SetFloatArray("w", w, 4); }, 128, 255, 0},
        {"array element handle", "float w[4];", "float4(w[2], 0, 0, 1)",
         [](ID3DXEffect* e) { e->SetFloat(e->GetParameterElement("w", 2), 0.25f); }, 64, 0, 0},
        {"struct by SetValue", "struct S { float a; float3 b; }; S s;", "float4(s.a, s.b.y, s.b.z, 1)",
         [](ID3DXEffect* e) { float v[4] = {1, 0, 0.5f, 0.25f}; e->SetValue("s", v, sizeof(v)); }, 255, 128, 64},
        {"struct member", "struct S { float a; float3 b; }; S s[2];", "float4(s[1].b, 1)",
         [](ID3DXEffect* e) {
             D3DXVECTOR4 v(0.25f, 0.5f, 1, 0);
             e->SetVector(e->GetParameterByName(e->GetParameterElement("s", 1), "b"), &v);
         },
         64, 128, 255},
        {"matrix array", "float4x4 bones[2];", "float4(bones[1][0][3], bones[0][2][1], 0, 1)",
         [](ID3DXEffect* e) {
             D3DXMATRIX m[2];
             std::memset(m, 0, sizeof(m));
             m[1].m[0][3] = 1.0f, m[0].m[2][1] = 0.5f;
             e->SetMatrixArray("bones", m, 2);
         },
         255, 128, 0},
        {"float4x3 array", "float4x3 bones[2];", "float4(bones[1][3], 1)",
         [](ID3DXEffect* e) {
             D3DXMATRIX m[2];
             std::memset(m, 0, sizeof(m));
             m[1].m[3][0] = 0.25f, m[1].m[3][1] = 0.5f, m[1].m[3][2] = 1.0f;
             e->SetMatrixArray("bones", m, 2);
         },
         64, 128, 255},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Compiled c;
        compile(c, withPixelShader(std::string(k.decl) + "\n", k.expr));
        if (!c.effect) continue;
        k.set(c.effect);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawAll(c.effect);
        expectColor(pixel(7, 7), k.r, k.g, k.b);
    }
}

TEST_F(EffectDeviceTest, MatricesTransformAsTheMathLibraryDoes) {
    const std::string text = R"(
float4x4 columnMatrix;
row_major float4x4 rowMatrix;
float4x3 affine;
static const float4 probe = float4(0.2, 0.4, 0.6, 1);
struct VS_OUT { float4 position : POSITION; float4 color : COLOR0; };
VS_OUT vs(float3 p : POSITION, uniform int which)
{
    VS_OUT o;
    o.position = float4(p, 1);
    if (which == 0) o.color = mul(probe, columnMatrix);
    else if (which == 1) o.color = mul(probe, rowMatrix);
    else o.color = float4(mul(probe, affine), 1);
    return o;
}
float4 ps(VS_OUT i) : COLOR { return i.color; }
technique Column { pass P { VertexShader = compile vs_2_0 vs(0); PixelShader = compile ps_2_0 ps(); } }
technique Row { pass P { VertexShader = compile vs_2_0 vs(1); PixelShader = compile ps_2_0 ps(); } }
technique Affine { pass P { VertexShader = compile vs_2_0 vs(2); PixelShader = compile ps_2_0 ps(); } }
)";
    Compiled c;
    compile(c, text);
    D3DXMATRIX rot, scale, move, m;
    D3DXMatrixRotationYawPitchRoll(&rot, 0.3f, 0.2f, 0.1f);
    D3DXMatrixScaling(&scale, 0.5f, 0.4f, 0.3f);
    D3DXMatrixTranslation(&move, 0.4f, 0.3f, 0.5f);
    D3DXMatrixMultiply(&m, &rot, &scale);
    D3DXMatrixMultiply(&m, &m, &move);
    m.m[0][3] = 0.1f; // a projective column the 4x4 forms must carry
    m.m[3][3] = 0.8f;
    c.effect->SetMatrix("columnMatrix", &m);
    c.effect->SetMatrix("rowMatrix", &m);
    c.effect->SetMatrix("affine", &m);
    D3DXVECTOR4 probe(0.2f, 0.4f, 0.6f, 1), want;
    D3DXVec4Transform(&want, &probe, &m);
    for (const char* t : {"Column", "Row", "Affine"}) {
        SCOPED_TRACE(t);
        ASSERT_EQ(c.effect->SetTechnique(t), D3D_OK);
        drawAll(c.effect);
        uint32_t got = pixel(8, 8);
        auto to8 = [](float f) { return int(std::lround(std::fmin(1.f, std::fmax(0.f, f)) * 255)); };
        bool affine = std::string(t) == "Affine";
        expectColor(got, to8(want.x), to8(want.y), to8(want.z), affine ? 255 : to8(want.w));
    }
}

TEST_F(EffectDeviceTest, IncludesAndMacrosInPixels) {
    TableInclude inc;
    inc.files["tint.fxh"] = "#define TINT float4(0, LEVEL, 0, 1)\n";
    D3DXMACRO macros[] = {{"LEVEL", "0.5"}, {nullptr, nullptr}};
    Compiled c;
    compile(c, "#include \"tint.fxh\"\n" + withPixelShader("", "TINT"), macros, &inc);
    drawAll(c.effect);
    expectColor(pixel(3, 3), 0, 128, 0);
}

TEST_F(EffectDeviceTest, BeginSavesAndEndRestoresUnlessTold) {
    Compiled c;
    compile(c, withPixelShader("texture t;\nsampler s = sampler_state { Texture = <t>; AddressU = Clamp; };\n",
                               "tex2D(s, i.uv)", "CullMode = None; ZFunc = Always;"));
    for (DWORD flags : {DWORD(0), DWORD(D3DXFX_DONOTSAVESTATE)}) {
        SCOPED_TRACE(flags);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
        device->SetVertexShader(nullptr);
        UINT passes = 0;
        ASSERT_EQ(c.effect->Begin(&passes, flags), D3D_OK);
        c.effect->BeginPass(0);
        c.effect->EndPass();
        c.effect->End();
        DWORD cull = 0, zfunc = 0, address = 0;
        device->GetRenderState(D3DRS_CULLMODE, &cull);
        device->GetRenderState(D3DRS_ZFUNC, &zfunc);
        device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
        IDirect3DVertexShader9* vs = nullptr;
        device->GetVertexShader(&vs);
        if (flags == 0) {
            EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
            EXPECT_EQ(zfunc, DWORD(D3DCMP_LESS));
            EXPECT_EQ(address, DWORD(D3DTADDRESS_MIRROR));
            EXPECT_EQ(vs, nullptr);
        } else {
            EXPECT_EQ(cull, DWORD(D3DCULL_NONE));
            EXPECT_EQ(zfunc, DWORD(D3DCMP_ALWAYS));
            EXPECT_EQ(address, DWORD(D3DTADDRESS_CLAMP));
            EXPECT_NE(vs, nullptr);
        }
        if (vs) vs->Release();
    }
}

TEST_F(EffectDeviceTest, EffectsLiveThroughADeviceReset) {
    Compiled c;
    compile(c, withPixelShader("float4 color = {0, 1, 1, 1};\n", "color"));
    d3dsimSetStrictReset(true);
    EXPECT_EQ(d3dsimDefaultPoolObjects(device), 0u); // effects hold nothing that blocks a reset
    EXPECT_EQ(c.effect->OnLostDevice(), D3D_OK);
    D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters(kWidth, kHeight, false);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    d3dsimSetStrictReset(false);
    EXPECT_EQ(c.effect->OnResetDevice(), D3D_OK);
    device->SetVertexDeclaration(decl);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawAll(c.effect);
    expectColor(pixel(8, 8), 0, 255, 255);
}

TEST_F(EffectDeviceTest, DrawingThroughAStateManager) {
    Compiled c;
    compile(c, withPixelShader("float4 color = {1, 0, 1, 1};\n", "color", "CullMode = None;"));
    // A manager that forwards to the device, as the render library's does.
    struct Forward : RecordingStateManager {
        IDirect3DDevice9* d = nullptr;
        HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override {
            RecordingStateManager::SetRenderState(s, v);
            return d->SetRenderState(s, v);
        }
        HRESULT SetVertexShader(IDirect3DVertexShader9* s) override { return d->SetVertexShader(s); }
        HRESULT SetPixelShader(IDirect3DPixelShader9* s) override { return d->SetPixelShader(s); }
        HRESULT SetPixelShaderConstantF(UINT r, const FLOAT* f, UINT n) override {
            RecordingStateManager::SetPixelShaderConstantF(r, f, n);
            return d->SetPixelShaderConstantF(r, f, n);
        }
    } sm;
    sm.d = device;
    c.effect->SetStateManager(&sm);
    drawAll(c.effect);
    EXPECT_EQ(sm.renderState(D3DRS_CULLMODE), D3DCULL_NONE);
    EXPECT_EQ(sm.count("psf"), 1);
    expectColor(pixel(10, 4), 255, 0, 255);
    c.effect->SetStateManager(nullptr);
}

// An effect made without a device used to report success and then fail at Begin.
TEST_F(EffectDeviceTest, AnEffectNeedsItsDeviceWhenItIsCreated) {
    const std::string text = withPixelShader("", "float4(0, 1, 0, 1)");
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXCreateEffect(nullptr, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, nullptr,
                               &effect, &errors),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("no device"), std::string::npos);
    errors->Release();
    EXPECT_EQ(D3DXCreateEffect(nullptr, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, nullptr,
                               &effect, nullptr),
              D3DERR_INVALIDCALL);

    Compiled drawn;
    compile(drawn, text);
    drawAll(drawn.effect);
    expectColor(pixel(kWidth / 2, kHeight / 2), 0, 255, 0);
}

} // namespace
