#pragma once
// A small headless device with shaders that draw in pixel coordinates, and read-back helpers.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "d3d9.h"
#include "d3d9gl.h"
#include "d3d9sim.h"

#include <HeadlessD3DDevice.h>

struct ScreenVertex {
    float x, y, z, w;
    D3DCOLOR color;
};

inline const D3DVERTEXELEMENT9 kScreenVertexDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END(),
};

// Positions in pixels of the render target (c0 = 2/width, -2/height); z and w pass through.
inline const char* kScreenVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 4) in vec4 color;\n"
    "layout(location = 1) in vec4 offset;\n"
    "layout(location = 0) out vec4 vColor;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    vec2 p = position.xy + offset.xy;\n"
    "    gl_Position = vec4((p.x * c[0].x - 1.0) * position.w, (p.y * c[0].y + 1.0) * position.w, position.z * "
    "position.w, position.w);\n"
    "    vColor = color;\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

inline const char* kColorPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 0) out vec4 result;\n"
    "void main() { result = vColor; }\n";

class DeviceTest : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 64, kHeight = 48;

    void SetUp() override {
        d3dsimEnableGLChecks(true);
        d3dsimTakeGLErrors();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        pp = presentParameters(kWidth, kHeight);
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
            D3D_OK);
    }

    void TearDown() override {
        for (IUnknown* o : owned) o->Release();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) d3d->Release();
        d3dsimSetStrictReset(false);
        d3dsimFailAutoDepthStencil(false);
        EXPECT_EQ(d3dsimTakeGLErrors(), 0u) << "our own GL calls raised errors";
    }

    static D3DPRESENT_PARAMETERS presentParameters(UINT width, UINT height) {
        return tormakelin::test::headlessPresentParameters(width, height);
    }

    template <class T>
    T* keep(T* object) {
        owned.push_back(object);
        return object;
    }

    // Screen-space shaders and declaration bound; c0 set for the current target size.
    void useScreenPipeline(UINT width = kWidth, UINT height = kHeight) {
        IDirect3DVertexShader9* vs = nullptr;
        IDirect3DPixelShader9* ps = nullptr;
        IDirect3DVertexDeclaration9* decl = nullptr;
        std::string errors;
        ASSERT_EQ(d3dglCreateVertexShader(device, kScreenVS, &vs, &errors), D3D_OK) << errors;
        ASSERT_EQ(d3dglCreatePixelShader(device, kColorPS, &ps, &errors), D3D_OK) << errors;
        ASSERT_EQ(device->CreateVertexDeclaration(kScreenVertexDecl, &decl), D3D_OK);
        keep(vs), keep(ps), keep(decl);
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        device->SetVertexDeclaration(decl);
        const float c0[4] = {2.0f / float(width), -2.0f / float(height), 0, 0};
        device->SetVertexShaderConstantF(0, c0, 1);
    }

    // Two triangles covering [x0, x1) x [y0, y1) with Direct3D 9's pixel centres.
    static std::vector<ScreenVertex> quad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
        x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
        return {{x0, y0, z, 1, color}, {x1, y0, z, 1, color}, {x0, y1, z, 1, color},
                {x0, y1, z, 1, color}, {x1, y0, z, 1, color}, {x1, y1, z, 1, color}};
    }

    void drawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
        auto v = quad(x0, y0, x1, y1, color, z);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(ScreenVertex)), D3D_OK);
    }

    // Pixels of a surface as D3DCOLOR values, row 0 at the top.
    static std::vector<uint32_t> readPixels(IDirect3DSurface9* surface) {
        return tormakelin::test::surfacePixels(surface);
    }

    std::vector<uint32_t> backBufferPixels() {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        auto pixels = readPixels(back);
        back->Release();
        return pixels;
    }

    uint32_t pixel(const std::vector<uint32_t>& pixels, UINT x, UINT y, UINT width = kWidth) {
        return pixels[size_t(y) * width + x];
    }

    // Pixels equal to `color` inside and outside the rectangle.
    static void expectRect(const std::vector<uint32_t>& pixels, UINT width, UINT height, RECT r, uint32_t inside,
        uint32_t outside) {
        int wrong = 0;
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) {
                bool in = LONG(x) >= r.left && LONG(x) < r.right && LONG(y) >= r.top && LONG(y) < r.bottom;
                uint32_t want = in ? inside : outside;
                if (pixels[size_t(y) * width + x] != want && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixels[size_t(y) * width + x]
                                  << ", want " << want;
            }
        EXPECT_EQ(wrong, 0);
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    std::vector<IUnknown*> owned;
};
