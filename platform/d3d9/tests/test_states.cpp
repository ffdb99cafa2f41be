#include <algorithm>
#include <cmath>
#include <cstring>

#include "device_fixture.h"

namespace {

struct Rgba {
    float c[4];  // r, g, b, a in 0..1
};

Rgba unpack(D3DCOLOR color) {
    return Rgba{{float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f, float(color & 0xFF) / 255.0f,
        float(color >> 24) / 255.0f}};
}

// Factor for channel i, with the colour factors applied to alpha as Direct3D does.
float factor(DWORD blend, int i, const Rgba& s, const Rgba& d) {
    switch (blend) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return s.c[i];
    case D3DBLEND_INVSRCCOLOR: return 1.0f - s.c[i];
    case D3DBLEND_SRCALPHA: return s.c[3];
    case D3DBLEND_INVSRCALPHA: return 1.0f - s.c[3];
    case D3DBLEND_DESTALPHA: return d.c[3];
    case D3DBLEND_INVDESTALPHA: return 1.0f - d.c[3];
    case D3DBLEND_DESTCOLOR: return d.c[i];
    case D3DBLEND_INVDESTCOLOR: return 1.0f - d.c[i];
    default: return 1.0f;
    }
}

struct BlendCase {
    const char* name;
    DWORD op, src, dst;  // op 0: blending disabled
};

// The equations of the render library's blend modes.
const BlendCase kBlendModes[] = {
    {"Solid", 0, 0, 0},
    {"Alpha", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {"Alpha Additive", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
    {"Alpha Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE},
    {"Additive", D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Additive Screen", D3DBLENDOP_ADD, D3DBLEND_SRCCOLOR, D3DBLEND_ONE},
    {"Subtractive", D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Rev Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Screen", D3DBLENDOP_ADD, D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE},
    {"Lighten", D3DBLENDOP_MAX, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Darken", D3DBLENDOP_MIN, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Multiply", D3DBLENDOP_ADD, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
};

D3DCOLOR expectedBlend(const BlendCase& b, D3DCOLOR source, D3DCOLOR dest) {
    if (b.op == 0) return source;
    Rgba s = unpack(source), d = unpack(dest);
    DWORD src = b.src, dst = b.dst;
    // Source factor As, destination factor 1 - As.
    if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
    int out[4];
    for (int i = 0; i < 4; ++i) {
        float a = s.c[i] * factor(src, i, s, d), c = d.c[i] * factor(dst, i, s, d), r = 0;
        switch (b.op) {
        case D3DBLENDOP_ADD: r = a + c; break;
        case D3DBLENDOP_SUBTRACT: r = a - c; break;
        case D3DBLENDOP_REVSUBTRACT: r = c - a; break;
        case D3DBLENDOP_MIN: r = std::min(s.c[i], d.c[i]); break;
        case D3DBLENDOP_MAX: r = std::max(s.c[i], d.c[i]); break;
        }
        out[i] = int(std::lround(std::clamp(r, 0.0f, 1.0f) * 255.0f));
    }
    return D3DCOLOR_ARGB(out[3], out[0], out[1], out[2]);
}

bool near(D3DCOLOR a, D3DCOLOR b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1) return false;
    return true;
}

}  // namespace

TEST_F(DeviceTest, BlendModesMatchTheirEquations) {
    useScreenPipeline();
    const D3DCOLOR dest = 0x80C04020, source = 0x6040A0F0;
    for (const BlendCase& b : kBlendModes) {
        SCOPED_TRACE(b.name);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, dest, 1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, b.op != 0);
        if (b.op) {
            device->SetRenderState(D3DRS_BLENDOP, b.op);
            device->SetRenderState(D3DRS_SRCBLEND, b.src);
            device->SetRenderState(D3DRS_DESTBLEND, b.dst);
        }
        drawQuad(0, 0, 4, 4, source);
        D3DCOLOR got = pixel(backBufferPixels(), 1, 1);
        D3DCOLOR want = expectedBlend(b, source, dest);
        EXPECT_TRUE(near(got, want)) << std::hex << "got " << got << ", want " << want;
    }
}

TEST_F(DeviceTest, AlphaTestDiscardsFailingPixels) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    drawQuad(0, 0, 4, 4, 0x40FFFFFF);
    drawQuad(4, 0, 8, 4, 0xC0FFFFFF);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    drawQuad(8, 0, 12, 4, 0x40FFFFFF);
    drawQuad(12, 0, 16, 4, 0xC0FFFFFF);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    drawQuad(16, 0, 20, 4, 0x40FFFFFF);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 5, 1), 0xC0FFFFFFu);
    EXPECT_EQ(pixel(pixels, 9, 1), 0x40FFFFFFu);
    EXPECT_EQ(pixel(pixels, 13, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 17, 1), 0x40FFFFFFu);
}

TEST_F(DeviceTest, ColorWriteMaskKeepsMaskedChannels) {
    useScreenPipeline();
    const struct {
        DWORD mask;
        D3DCOLOR want;
    } cases[] = {
        {D3DCOLORWRITEENABLE_GREEN, 0x1122FF44},
        {D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA, 0xFFFF3344},
        {0, 0x11223344},
        {0xF, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x11223344, 1.0f, 0);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, c.mask);
        drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
        EXPECT_EQ(pixel(backBufferPixels(), 2, 2), c.want) << "mask " << c.mask;
    }
}

TEST_F(DeviceTest, DepthRunsFromZeroToOne) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
    drawQuad(0, 0, 4, 4, 0xFFFF0000, 0.25f);   // nearer than the cleared depth: drawn
    drawQuad(4, 0, 8, 4, 0xFFFF0000, 0.75f);   // farther: hidden
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    drawQuad(8, 0, 12, 4, 0xFF00FF00, -0.25f);  // in front of the near plane: clipped
    drawQuad(12, 0, 16, 4, 0xFF00FF00, 0.0f);   // on the near plane: drawn
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawQuad(16, 0, 20, 4, 0xFF0000FF, 0.1f);
    drawQuad(16, 0, 20, 4, 0xFFFFFFFF, 0.4f);  // the first wrote no depth, so this one passes too
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawQuad(20, 0, 24, 4, 0xFFFFFF00, 0.9f);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 5, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 9, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 13, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(pixels, 17, 1), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 21, 1), 0xFFFFFF00u);
}

TEST_F(DeviceTest, CullModesCullTheirWinding) {
    useScreenPipeline();
    // Clockwise on screen (Direct3D's front faces), then the same triangle counter-clockwise.
    const ScreenVertex cw[] = {{0, 0, 0.5f, 1, 0xFFFFFFFF}, {8, 0, 0.5f, 1, 0xFFFFFFFF}, {0, 8, 0.5f, 1, 0xFFFFFFFF}};
    const ScreenVertex ccw[] = {cw[0], cw[2], cw[1]};
    const struct {
        DWORD cull;
        bool cwShown, ccwShown;
    } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
    for (const auto& c : cases) {
        device->SetRenderState(D3DRS_CULLMODE, c.cull);
        for (int winding = 0; winding < 2; ++winding) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, winding ? ccw : cw, sizeof(ScreenVertex));
            bool shown = pixel(backBufferPixels(), 1, 1) == 0xFFFFFFFF;
            EXPECT_EQ(shown, winding ? c.ccwShown : c.cwShown) << "cull " << c.cull << " winding " << winding;
        }
    }
}

TEST_F(DeviceTest, StencilMasksDrawing) {
    useScreenPipeline();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    drawQuad(0, 0, 8, 8, 0xFF00FF00);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(pixels, 6, 6), 0xFF000000u);
}

TEST_F(DeviceTest, InstancedDrawReadsPerInstanceStreams) {
    const D3DVERTEXELEMENT9 decl[] = {
        {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
        {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
        D3DDECL_END(),
    };
    useScreenPipeline();
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(decl, &declaration), D3D_OK);
    keep(declaration);
    device->SetVertexDeclaration(declaration);

    const ScreenVertex corners[] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF}, {3.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF},
        {-0.5f, 3.5f, 0.5f, 1, 0xFFFFFFFF}, {3.5f, 3.5f, 0.5f, 1, 0xFFFFFFFF}};
    const float offsets[] = {0, 0, 10, 0, 20, 5};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    IDirect3DVertexBuffer9 *geometry = nullptr, *instances = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof corners, 0, 0, D3DPOOL_MANAGED, &geometry, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(sizeof offsets, 0, 0, D3DPOOL_MANAGED, &instances, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    keep(geometry), keep(instances), keep(ib);
    void* data;
    geometry->Lock(0, 0, &data, 0), std::memcpy(data, corners, sizeof corners), geometry->Unlock();
    instances->Lock(0, 0, &data, 0), std::memcpy(data, offsets, sizeof offsets), instances->Unlock();
    ib->Lock(0, 0, &data, 0), std::memcpy(data, indices, sizeof indices), ib->Unlock();
    device->SetStreamSource(0, geometry, 0, sizeof(ScreenVertex));
    device->SetStreamSource(1, instances, 0, 8);
    device->SetIndices(ib);
    ASSERT_EQ(device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 3), D3D_OK);
    ASSERT_EQ(device->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    auto pixels = backBufferPixels();
    int lit = 0;
    for (uint32_t p : pixels) lit += p == 0xFFFFFFFF;
    EXPECT_EQ(lit, 3 * 16);
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 11, 1), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 21, 6), 0xFFFFFFFFu);

    EXPECT_EQ(device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetStreamSourceFreq(1, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, OcclusionQueryCountsTheQuadsPixelsExactly) {
    useScreenPipeline();
    IDirect3DQuery9* query = nullptr;
    ASSERT_EQ(device->CreateQuery(D3DQUERYTYPE_OCCLUSION, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query), D3D_OK);
    keep(query);
    EXPECT_EQ(query->GetDataSize(), 4u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    auto count = [&](float x0, float y0, float x1, float y1) {
        EXPECT_EQ(query->Issue(D3DISSUE_BEGIN), D3D_OK);
        DWORD pixels = 0xFFFFFFFF;
        EXPECT_EQ(query->GetData(&pixels, sizeof pixels, 0), S_FALSE);
        drawQuad(x0, y0, x1, y1, 0xFFFFFFFF, 0.5f);
        EXPECT_EQ(query->Issue(D3DISSUE_END), D3D_OK);
        HRESULT hr;
        while ((hr = query->GetData(&pixels, sizeof pixels, D3DGETDATA_FLUSH)) == S_FALSE) {
        }
        EXPECT_EQ(hr, S_OK);
        return pixels;
    };
    EXPECT_EQ(count(3, 5, 13, 12), 70u);
    // Behind what is there now: no pixel passes.
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    EXPECT_EQ(count(3, 5, 13, 12), 0u);
    EXPECT_EQ(count(60, 40, 70, 50), 4u * 8u);  // clipped by the target's edge
}

// The test reads the location-0 output, whatever else the text declares around it.
TEST_F(DeviceTest, AlphaTestFindsTheColourOutputOfGeneratedText) {
    useScreenPipeline();
    const char* text =
        "#version 450 core\n"
        "// void main() { } in a comment, and a second target first\n"
        "layout(location = 1) out vec4 other;\n"
        "layout(location = 0) in vec4 vColor;\n"
        "layout(location = 0) out highp vec4 _entryPointOutput;\n"
        "/* out vec4 fake; */\n"
        "void main(void) { _entryPointOutput = vColor; other = vec4(1.0); }\n";
    IDirect3DPixelShader9* ps = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreatePixelShader(device, text, &ps, &errors), D3D_OK) << errors;
    keep(ps);
    device->SetPixelShader(ps);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    drawQuad(0, 0, 4, 4, 0x40FFFFFF);
    drawQuad(4, 0, 8, 4, 0xC0FFFFFF);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 5, 1), 0xC0FFFFFFu);
}
