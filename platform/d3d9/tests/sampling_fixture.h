#pragma once
// Draws that sample a texture into a float target, so sampled values read back unclamped.

#include <array>

#include "device_fixture.h"

using Rgba = std::array<float, 4>;

// s0 (2-D), s1 (cube) or s2 (volume) sampled at the pixel's position: uv = fragment * c0.xy at
// level c0.z; the cube at direction c1.xyz, the volume at (uv, c0.w).
inline const char* kSamplingPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(std140, binding = 1) uniform PSConstants { vec4 c[224]; };\n"
    "layout(binding = 0) uniform sampler2D s0;\n"
    "layout(binding = 1) uniform samplerCube s1;\n"
    "layout(binding = 2) uniform sampler3D s2;\n"
    "void main() {\n"
    "    vec2 uv = gl_FragCoord.xy * c[0].xy;\n"
    "    if (c[2].x == 1.0) result = texture(s1, c[1].xyz);\n"
    "    else if (c[2].x == 2.0) result = texture(s2, vec3(uv, c[0].w));\n"
    "    else result = textureLod(s0, uv, c[0].z);\n"
    "}\n";

class SamplingTest : public DeviceTest {
protected:
    // A float render target of the size as target 0, with the screen pipeline and kSamplingPS.
    IDirect3DSurface9* useFloatTarget(UINT width, UINT height) {
        IDirect3DSurface9* target = nullptr;
        EXPECT_EQ(device->CreateRenderTarget(width, height, D3DFMT_A32B32G32R32F, D3DMULTISAMPLE_NONE, 0, TRUE, &target,
                      nullptr),
            D3D_OK);
        keep(target);
        device->SetRenderTarget(0, target);
        device->SetDepthStencilSurface(nullptr);
        useScreenPipeline(width, height);
        IDirect3DPixelShader9* ps = nullptr;
        std::string errors;
        EXPECT_EQ(d3dglCreatePixelShader(device, kSamplingPS, &ps, &errors), D3D_OK) << errors;
        keep(ps);
        device->SetPixelShader(ps);
        targetWidth = width, targetHeight = height;
        setConstants(0, 0, 0);
        return target;
    }

    // mode 0: 2-D at `lod`; 1: cube at c1; 2: volume at slice coordinate `w`.
    void setConstants(float lod, float mode, float w) {
        const float c0[4] = {1.0f / float(targetWidth), 1.0f / float(targetHeight), lod, w};
        const float c2[4] = {mode, 0, 0, 0};
        device->SetPixelShaderConstantF(0, c0, 1);
        device->SetPixelShaderConstantF(2, c2, 1);
    }

    void pointSampling(DWORD sampler, DWORD mip = D3DTEXF_POINT) {
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, mip);
    }

    void drawAll() { drawQuad(0, 0, float(targetWidth), float(targetHeight), 0xFFFFFFFF); }

    static std::vector<Rgba> readFloats(IDirect3DSurface9* surface) {
        D3DSURFACE_DESC desc;
        surface->GetDesc(&desc);
        std::vector<Rgba> pixels(size_t(desc.Width) * desc.Height);
        D3DLOCKED_RECT locked;
        if (surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return {};
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&pixels[size_t(y) * desc.Width], static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                desc.Width * 16);
        surface->UnlockRect();
        return pixels;
    }

    static void expectNear(const Rgba& got, const Rgba& want, float tolerance, const std::string& what) {
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(got[i], want[i], tolerance) << what << ", channel " << "rgba"[i];
    }

    // Fills a 2-D texture level (or cube face) with bytes per row.
    template <class Lockable, class... Where>
    static void fill(Lockable* texture, const void* bytes, UINT rowBytes, UINT rows, Where... where) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(where..., &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < rows; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                static_cast<const uint8_t*>(bytes) + size_t(y) * rowBytes, rowBytes);
        ASSERT_EQ(texture->UnlockRect(where...), D3D_OK);
    }

    static std::vector<uint32_t> solid(UINT count, uint32_t color) { return std::vector<uint32_t>(count, color); }

    UINT targetWidth = 0, targetHeight = 0;
};
