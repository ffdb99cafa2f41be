#pragma once
// A small headless device for drawing with effects, with a full-target quad and read-back.
#include <cstdint>
#include <string>
#include <vector>

#include "effect_support.h"

#include <HeadlessD3DDevice.h>

struct QuadVertex {
    float x, y, z;
    float u, v;
};

class EffectDeviceTest : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 16, kHeight = 16;

    void SetUp() override {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters(kWidth, kHeight, false);
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END(),
        };
        ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
        device->SetVertexDeclaration(decl);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }

    void TearDown() override {
        if (decl) decl->Release();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) d3d->Release();
    }

    void compile(Compiled& c, const std::string& text, const D3DXMACRO* macros = nullptr, ID3DXInclude* inc = nullptr) {
        compileEffect(c, text, macros, inc, nullptr, device);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    }

    // Draws the full target (clip -1..1, uv 0..1 from the top left) with every pass of the technique.
    void drawAll(ID3DXEffect* e) {
        static const QuadVertex quad[4] = {
            {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
        UINT passes = 0;
        ASSERT_EQ(e->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
        for (UINT p = 0; p < passes; ++p) {
            ASSERT_EQ(e->BeginPass(p), D3D_OK);
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex)), D3D_OK);
            e->EndPass();
        }
        e->End();
    }

    std::vector<uint32_t> pixels() {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        std::vector<uint32_t> out = tormakelin::test::surfacePixels(back);
        if (back) back->Release();
        return out;
    }

    uint32_t pixel(UINT x, UINT y) {
        auto p = pixels();
        return p.empty() ? 0 : p[size_t(y) * kWidth + x];
    }

    // A managed A8R8G8B8 texture filled with the given texels, row by row.
    IDirect3DTexture9* texture(UINT w, UINT h, const std::vector<uint32_t>& texels) {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        if (!t) return nullptr;
        D3DLOCKED_RECT locked;
        EXPECT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, &texels[size_t(y) * w], w * 4);
        t->UnlockRect(0);
        return t;
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
};

// Channel of a D3DCOLOR as 0..255.
inline int channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }

inline const std::string kQuadVS = R"(
struct VS_OUT { float4 position : POSITION; float2 uv : TEXCOORD0; };
VS_OUT vs(float3 p : POSITION, float2 uv : TEXCOORD0) { VS_OUT o; o.position = float4(p, 1); o.uv = uv; return o; }
)";

// An effect of one pass: the quad's vertex shader and a pixel shader returning `expr`.
inline std::string withPixelShader(const std::string& decls, const std::string& expr, const std::string& states = "") {
    return decls + kQuadVS + "float4 ps(VS_OUT i) : COLOR { return " + expr + "; }\n" +
           "technique T { pass P { " + states +
           " VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }\n";
}

inline void expectColor(uint32_t got, int r, int g, int b, int a = 255, int tolerance = 2) {
    EXPECT_NEAR(channel(got, 16), r, tolerance) << std::hex << got;
    EXPECT_NEAR(channel(got, 8), g, tolerance) << std::hex << got;
    EXPECT_NEAR(channel(got, 0), b, tolerance) << std::hex << got;
    EXPECT_NEAR(channel(got, 24), a, tolerance) << std::hex << got;
}
