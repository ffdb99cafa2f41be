// A frame's worth of render-target switches: eight texture targets drawn in turn, one small draw
// each, the way image effects chain their passes. Switches per second.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

#include "d3d9.h"
#include "d3d9gl.h"

namespace {

constexpr int kSwitches = 2000;
constexpr int kTargets = 8;

const char* kVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.xy * 0.1, 0.5, 1.0);\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

void BM_TargetSwitches(benchmark::State& state) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (!d3d || d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK) {
        if (d3d) d3d->Release();
        state.SkipWithError("no device");
        return;
    }
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    device->CreateVertexDeclaration(elements, &decl);
    d3dglCreateVertexShader(device, kVS, &vs);
    device->SetVertexDeclaration(decl);
    device->SetVertexShader(vs);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    std::vector<IDirect3DTexture9*> textures(kTargets);
    std::vector<IDirect3DSurface9*> surfaces(kTargets);
    for (int i = 0; i < kTargets; ++i) {
        device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &textures[i], nullptr);
        textures[i]->GetSurfaceLevel(0, &surfaces[i]);
    }
    const float quad[] = {0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1};
    for (auto _ : state) {
        for (int i = 0; i < kSwitches; ++i) {
            device->SetRenderTarget(0, surfaces[i % kTargets]);
            device->SetTexture(0, textures[(i + 1) % kTargets]);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad, 16);
        }
        glFinish();
    }
    state.counters["switches_per_second"] =
        benchmark::Counter(double(kSwitches) * double(state.iterations()), benchmark::Counter::kIsRate);
    device->SetTexture(0, nullptr);
    for (int i = 0; i < kTargets; ++i) {
        surfaces[i]->Release();
        textures[i]->Release();
    }
    vs->Release();
    decl->Release();
    device->Release();
    d3d->Release();
}

}  // namespace

BENCHMARK(BM_TargetSwitches)->Unit(benchmark::kMillisecond);
