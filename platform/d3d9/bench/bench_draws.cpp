// 10,000 small draws with state changes between them, through the device and as the same GL
// calls made directly: draws per second and the share of the time spent in our layer.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstring>
#include <string>

#include "d3d9.h"
#include "d3d9gl.h"
#include "d3d9sim.h"
#include "gl_call_counter.h"

namespace {

constexpr int kDraws = 10000;

const char* kVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.xy * 0.05 + c[0].xy, 0.5, 1.0);\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";
const char* kPS =
    "#version 450 core\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(std140, binding = 1) uniform PSConstants { vec4 p[224]; };\n"
    "void main() { result = p[0]; }\n";

struct Scene {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;

    bool create() {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d) return false;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 256;
        pp.BackBufferHeight = 256;
        pp.BackBufferFormat = D3DFMT_A8R8G8B8;
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK)
            return false;
        const float quad[] = {0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1};
        device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr);
        void* data;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, quad, sizeof quad);
        vb->Unlock();
        const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
        device->CreateVertexDeclaration(elements, &decl);
        if (d3dglCreateVertexShader(device, kVS, &vs) != D3D_OK || d3dglCreatePixelShader(device, kPS, &ps) != D3D_OK)
            return false;
        device->SetVertexDeclaration(decl);
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        device->SetStreamSource(0, vb, 0, 16);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        return true;
    }

    ~Scene() {
        for (IUnknown* o : {static_cast<IUnknown*>(ps), static_cast<IUnknown*>(vs), static_cast<IUnknown*>(decl),
                 static_cast<IUnknown*>(vb), static_cast<IUnknown*>(device), static_cast<IUnknown*>(d3d)})
            if (o) o->Release();
    }
};

float position(int i, int axis) { return float((i * (axis ? 7 : 13)) % 37) / 20.0f - 0.95f; }

void drawThroughDevice(Scene& s) {
    for (int i = 0; i < kDraws; ++i) {
        const float offset[4] = {position(i, 0), position(i, 1), 0, 0};
        const float color[4] = {float(i & 1), 0.5f, float(i & 3) / 3.0f, 0.5f};
        s.device->SetRenderState(D3DRS_ALPHABLENDENABLE, i & 1);
        s.device->SetRenderState(D3DRS_CULLMODE, (i & 2) ? D3DCULL_NONE : D3DCULL_CW);
        s.device->SetVertexShaderConstantF(0, offset, 1);
        s.device->SetPixelShaderConstantF(0, color, 1);
        s.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    glFinish();
}

// The calls the device ends up making, made straight on its context and objects.
void drawDirectly(GLuint vsBlock, GLuint psBlock) {
    for (int i = 0; i < kDraws; ++i) {
        const float offset[4] = {position(i, 0), position(i, 1), 0, 0};
        const float color[4] = {float(i & 1), 0.5f, float(i & 3) / 3.0f, 0.5f};
        if (i & 1) glEnable(GL_BLEND);
        else glDisable(GL_BLEND);
        if (i & 2) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
        }
        glNamedBufferSubData(vsBlock, 0, sizeof offset, offset);
        glNamedBufferSubData(psBlock, 0, sizeof color, color);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    glFinish();
}

void BM_TenThousandDraws(benchmark::State& state) {
    Scene scene;
    if (!scene.create()) {
        state.SkipWithError("no device");
        return;
    }
    drawThroughDevice(scene);  // warm up and leave every object bound
    GLint vsBlock = 0, psBlock = 0;
    glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, D3DGL_VS_CONSTANTS, &vsBlock);
    glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, D3DGL_PS_CONSTANTS, &psBlock);
    using Clock = std::chrono::steady_clock;
    double deviceSeconds = 0, directSeconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        drawThroughDevice(scene);
        auto t1 = Clock::now();
        drawDirectly(GLuint(vsBlock), GLuint(psBlock));
        auto t2 = Clock::now();
        // The direct path changed GL behind the device's back: make it send everything again.
        d3dsimForgetGLState(scene.device);
        deviceSeconds += std::chrono::duration<double>(t1 - t0).count();
        directSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    {
        gl_calls::Counter counter;
        drawThroughDevice(scene);
        state.counters["gl_calls_per_draw"] = double(counter.total()) / kDraws;
    }
    const double iterations = double(state.iterations());
    state.counters["draws_per_second"] = kDraws * iterations / deviceSeconds;
    state.counters["direct_draws_per_second"] = kDraws * iterations / directSeconds;
    state.counters["layer_share"] = deviceSeconds > directSeconds ? (deviceSeconds - directSeconds) / deviceSeconds : 0.0;
}

}  // namespace

BENCHMARK(BM_TenThousandDraws)->UseManualTime()->Unit(benchmark::kMillisecond);
