// Effect compile time (cold and from the program cache), the per-draw cost of BeginPass and of
// setting parameters by handle.
#include <benchmark/benchmark.h>

#include <string>

#include "d3dx9.h"
#include "d3dx9effectgl.h"

namespace {

// About 300 lines: parameters, helpers and four techniques of two passes.
std::string bigEffect() {
    std::string s =
        "float4x4 worldViewProjection;\nfloat4x4 world;\nfloat3 cameraPosition;\nfloat4 color = {1, 1, 1, 1};\n"
        "float time;\ntexture colorTexture;\n"
        "sampler colorSampler = sampler_state { Texture = <colorTexture>; MinFilter = Linear; MagFilter = Linear; };\n"
        "struct VS_IN { float4 position : POSITION; float3 normal : NORMAL; float2 uv : TEXCOORD0; };\n"
        "struct VS_OUT { float4 position : POSITION; float2 uv : TEXCOORD0; float3 normal : TEXCOORD1; };\n";
    for (int i = 0; i < 40; ++i) {
        std::string n = std::to_string(i);
        s.append("float param").append(n).append(" = ").append(n).append(";\n");
        s.append("float3 helper").append(n).append("(float3 v)\n{\n    float3 r = v * param").append(n).append(
            ";\n    r = normalize(r + float3(1, 0, 0));\n    return r * SEED;\n}\n");
    }
    s += "VS_OUT vs(VS_IN i)\n{\n    VS_OUT o;\n    o.position = mul(i.position, worldViewProjection);\n    o.uv = i.uv;\n"
         "    float3 n = mul(i.normal, (float3x3)world);\n";
    for (int i = 0; i < 40; ++i) s += "    n = helper" + std::to_string(i) + "(n);\n";
    s += "    o.normal = n;\n    return o;\n}\n"
         "float4 ps(VS_OUT i) : COLOR\n{\n    float4 c = tex2D(colorSampler, i.uv) * color;\n"
         "    c.rgb *= saturate(dot(normalize(i.normal), float3(0, 1, 0))) + time;\n    return c;\n}\n";
    for (int t = 0; t < 4; ++t) {
        s += "technique T" + std::to_string(t) + "\n{\n";
        for (int p = 0; p < 2; ++p)
            s += "    pass P" + std::to_string(p) + "\n    {\n        VertexShader = compile vs_2_0 vs();\n"
                 "        PixelShader = compile ps_2_0 ps();\n        AlphaBlendEnable = " + (p ? "true" : "false") +
                 ";\n        CullMode = None;\n    }\n";
        s += "}\n";
    }
    return s;
}

ID3DXEffect* compile(const std::string& text, const char* seed) {
    D3DXMACRO macros[] = {{"SEED", seed}, {nullptr, nullptr}};
    ID3DXEffect* e = nullptr;
    d3dxglCreateEffectWithoutDevice(text.data(), static_cast<UINT>(text.size()), macros, nullptr, nullptr, &e, nullptr);
    return e;
}

void BM_EffectCompileCold(benchmark::State& state) {
    std::string text = bigEffect();
    int seed = 1000;
    for (auto _ : state) {
        std::string s = std::to_string(++seed) + ".0";
        ID3DXEffect* e = compile(text, s.c_str());
        if (!e) state.SkipWithError("compile failed");
        else e->Release();
    }
}
BENCHMARK(BM_EffectCompileCold)->Unit(benchmark::kMillisecond);

void BM_EffectCompileCached(benchmark::State& state) {
    std::string text = bigEffect();
    if (ID3DXEffect* e = compile(text, "1.0")) e->Release();
    for (auto _ : state) {
        ID3DXEffect* e = compile(text, "1.0");
        if (!e) state.SkipWithError("compile failed");
        else e->Release();
    }
}
BENCHMARK(BM_EffectCompileCached)->Unit(benchmark::kMillisecond);

class NullStateManager : public ID3DXEffectStateManager {
public:
    HRESULT QueryInterface(REFIID, void** o) override { *o = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return D3D_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return D3D_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return D3D_OK; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT SetNPatchMode(FLOAT) override { return D3D_OK; }
    HRESULT SetFVF(DWORD) override { return D3D_OK; }
    HRESULT SetVertexShader(IDirect3DVertexShader9*) override { return D3D_OK; }
    HRESULT SetVertexShaderConstantF(UINT, const FLOAT*, UINT) override { return D3D_OK; }
    HRESULT SetVertexShaderConstantI(UINT, const INT*, UINT) override { return D3D_OK; }
    HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShader(IDirect3DPixelShader9*) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantF(UINT, const FLOAT*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantI(UINT, const INT*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }
};

void BM_BeginPassTenChangedParameters(benchmark::State& state) {
    ID3DXEffect* e = compile(bigEffect(), "1.0");
    if (!e) {
        state.SkipWithError("compile failed");
        return;
    }
    NullStateManager sm;
    e->SetStateManager(&sm);
    D3DXHANDLE h[10];
    for (int i = 0; i < 10; ++i) h[i] = e->GetParameterByName(nullptr, ("param" + std::to_string(i)).c_str());
    float v = 0;
    UINT passes = 0;
    e->Begin(&passes, 7);
    for (auto _ : state) {
        v += 1;
        for (auto p : h) e->SetFloat(p, v);
        e->BeginPass(0);
        e->EndPass();
    }
    e->End();
    e->SetStateManager(nullptr);
    e->Release();
}
BENCHMARK(BM_BeginPassTenChangedParameters);

// A scene material's draw: its transforms, a few floats and vectors, then a two-pass technique.
std::string sceneMaterial() {
    return "float4x4 world;\nfloat4x4 view;\nfloat4x4 projection;\nfloat4 diffuse;\nfloat4 ambient;\n"
           "float4 lightDirection;\nfloat shininess;\nfloat opacity;\nfloat time;\ntexture colorTexture;\n"
           "sampler colorSampler = sampler_state { Texture = <colorTexture>; MinFilter = Linear; MagFilter = Linear;"
           " AddressU = Wrap; AddressV = Wrap; };\n"
           "struct VS_OUT { float4 position : POSITION; float2 uv : TEXCOORD0; float3 normal : TEXCOORD1; };\n"
           "VS_OUT vs(float4 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0)\n{\n    VS_OUT o;\n"
           "    float4 w = mul(p, world);\n    o.position = mul(mul(w, view), projection);\n    o.uv = uv;\n"
           "    o.normal = mul(n, (float3x3)world);\n    return o;\n}\n"
           "float4 ps(VS_OUT i) : COLOR\n{\n    float l = saturate(dot(normalize(i.normal), -lightDirection.xyz));\n"
           "    float4 c = tex2D(colorSampler, i.uv) * (diffuse * pow(l, shininess) + ambient);\n"
           "    c.a = opacity + time * 0;\n    return c;\n}\n"
           "technique Material\n{\n"
           "    pass Base\n    {\n        VertexShader = compile vs_2_0 vs();\n        PixelShader = compile ps_2_0 ps();\n"
           "        ZEnable = true;\n        AlphaBlendEnable = false;\n    }\n"
           "    pass Glow\n    {\n        VertexShader = compile vs_2_0 vs();\n        PixelShader = compile ps_2_0 ps();\n"
           "        AlphaBlendEnable = true;\n        SrcBlend = One;\n        DestBlend = One;\n    }\n}\n";
}

void BM_SceneMaterialDraw(benchmark::State& state) {
    ID3DXEffect* e = compile(sceneMaterial(), "1.0");
    if (!e) {
        state.SkipWithError("compile failed");
        return;
    }
    NullStateManager sm;
    e->SetStateManager(&sm);
    auto h = [&](const char* name) { return e->GetParameterByName(nullptr, name); };
    D3DXHANDLE world = h("world"), view = h("view"), projection = h("projection");
    D3DXHANDLE diffuse = h("diffuse"), ambient = h("ambient"), light = h("lightDirection");
    D3DXHANDLE shininess = h("shininess"), opacity = h("opacity"), time = h("time");
    D3DXMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1;
    D3DXVECTOR4 v{0.5f, 0.25f, 1, 1};
    float t = 0;
    for (auto _ : state) {
        t += 1;
        e->SetTechnique("Material");
        e->SetMatrix(world, &m);
        e->SetMatrix(view, &m);
        e->SetMatrixTranspose(projection, &m);
        e->SetVector(diffuse, &v);
        e->SetVector(ambient, &v);
        e->SetVector(light, &v);
        e->SetFloat(shininess, t);
        e->SetFloat(opacity, 1);
        e->SetFloat(time, t);
        UINT passes = 0;
        e->Begin(&passes, D3DXFX_DONOTSAVESTATE);
        for (UINT p = 0; p < passes; ++p) {
            e->BeginPass(p);
            e->CommitChanges();
            e->EndPass();
        }
        e->End();
    }
    e->SetStateManager(nullptr);
    e->Release();
}
BENCHMARK(BM_SceneMaterialDraw);

// The handle check alone: a node sets its parameters by handle before each draw.
void BM_SetParametersByHandle(benchmark::State& state) {
    ID3DXEffect* e = compile(bigEffect(), "1.0");
    if (!e) {
        state.SkipWithError("compile failed");
        return;
    }
    D3DXHANDLE h[40];
    for (int i = 0; i < 40; ++i) h[i] = e->GetParameterByName(nullptr, ("param" + std::to_string(i)).c_str());
    D3DXHANDLE wvp = e->GetParameterByName(nullptr, "worldViewProjection");
    D3DXMATRIX m{};
    float v = 0;
    for (auto _ : state) {
        v += 1;
        for (auto p : h) e->SetFloat(p, v);
        e->SetMatrix(wvp, &m);
    }
    state.SetItemsProcessed(state.iterations() * 41);
    e->Release();
}
BENCHMARK(BM_SetParametersByHandle);

} // namespace
