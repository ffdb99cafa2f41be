// A frame of 36 draws shaped like the player's: meshes into a texture target, particles and
// sprites from user memory, then post-processing passes onto the back buffer, each pass setting
// its states whole as an effect pass does. Frames per second and GL calls per draw.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstring>
#include <vector>

#include <HeadlessD3DDevice.h>

#include "d3d9.h"
#include "d3d9gl.h"
#include "gl_call_counter.h"

namespace {

constexpr UINT kSize = 128;
constexpr int kMeshes = 20, kParticleBatches = 4, kPasses = 6, kSprites = 6;
constexpr int kDrawsPerFrame = kMeshes + kParticleBatches + kPasses + kSprites;

const char* kMeshVS =
    "#version 450 core\n"
    "layout(location = 0) in vec3 position;\n"
    "layout(location = 3) in vec3 normal;\n"
    "layout(location = 8) in vec2 uv;\n"
    "layout(location = 0) out vec2 vUv;\n"
    "layout(location = 1) out vec3 vNormal;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = mat4(c[0], c[1], c[2], c[3]) * vec4(position, 1.0);\n"
    "    vUv = uv;\n"
    "    vNormal = normal;\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";
const char* kMeshPS =
    "#version 450 core\n"
    "layout(location = 0) in vec2 vUv;\n"
    "layout(location = 1) in vec3 vNormal;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(binding = 0) uniform sampler2D image;\n"
    "layout(std140, binding = 1) uniform PSConstants { vec4 p[224]; };\n"
    "void main() { result = texture(image, vUv) * p[0] * max(vNormal.z, 0.2); }\n";
const char* kScreenVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 4) in vec4 color;\n"
    "layout(location = 8) in vec2 uv;\n"
    "layout(location = 0) out vec4 vColor;\n"
    "layout(location = 1) out vec2 vUv;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.xy, 0.5, 1.0);\n"
    "    vColor = color;\n"
    "    vUv = uv;\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";
const char* kPostPS[2] = {
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 1) in vec2 vUv;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(binding = 0) uniform sampler2D image;\n"
    "layout(std140, binding = 1) uniform PSConstants { vec4 p[224]; };\n"
    "void main() { result = texture(image, vUv) * vColor * p[0] + p[1]; }\n",
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 1) in vec2 vUv;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(binding = 0) uniform sampler2D image;\n"
    "layout(std140, binding = 1) uniform PSConstants { vec4 p[224]; };\n"
    "void main() { result = texture(image, vUv + p[2].xy) * p[0]; }\n",
};

struct MeshVertex {
    float x, y, z, nx, ny, nz, u, v;
};

struct ScreenVertex {
    float x, y, z, w;
    D3DCOLOR color;
    float u, v;
};

const D3DVERTEXELEMENT9 kMeshDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
const D3DVERTEXELEMENT9 kScreenDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 20, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

std::vector<ScreenVertex> quad(float x0, float y0, float x1, float y1, D3DCOLOR color) {
    return {{x0, y0, 0, 1, color, 0, 0}, {x1, y0, 0, 1, color, 1, 0}, {x0, y1, 0, 1, color, 0, 1},
        {x1, y1, 0, 1, color, 1, 1}};
}

struct Frame {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* meshVertices = nullptr;
    IDirect3DIndexBuffer9* meshIndices = nullptr;
    IDirect3DVertexDeclaration9 *meshDecl = nullptr, *screenDecl = nullptr;
    IDirect3DVertexShader9 *meshVS = nullptr, *screenVS = nullptr;
    IDirect3DPixelShader9 *meshPS = nullptr, *postPS[2] = {};
    IDirect3DTexture9 *image = nullptr, *scene = nullptr;
    IDirect3DSurface9 *sceneSurface = nullptr, *back = nullptr;
    std::vector<ScreenVertex> particles, fullScreen, sprite;

    bool create() {
        tormakelin::test::useHeadlessDrivers();
        device = tormakelin::test::createHeadlessD3DDevice(&d3d);
        if (!device) return false;
        D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters(kSize, kSize);
        if (device->Reset(&pp) != D3D_OK) return false;
        const MeshVertex cube[] = {{-1, -1, 0, 0, 0, 1, 0, 0}, {1, -1, 0, 0, 0, 1, 1, 0}, {-1, 1, 0, 0, 0, 1, 0, 1},
            {1, 1, 0, 0, 0, 1, 1, 1}};
        const WORD indices[] = {0, 1, 2, 2, 1, 3};
        void* data = nullptr;
        device->CreateVertexBuffer(sizeof cube, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &meshVertices, nullptr);
        meshVertices->Lock(0, 0, &data, 0);
        std::memcpy(data, cube, sizeof cube);
        meshVertices->Unlock();
        device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &meshIndices, nullptr);
        meshIndices->Lock(0, 0, &data, 0);
        std::memcpy(data, indices, sizeof indices);
        meshIndices->Unlock();
        device->CreateVertexDeclaration(kMeshDecl, &meshDecl);
        device->CreateVertexDeclaration(kScreenDecl, &screenDecl);
        if (d3dglCreateVertexShader(device, kMeshVS, &meshVS) != D3D_OK ||
            d3dglCreateVertexShader(device, kScreenVS, &screenVS) != D3D_OK ||
            d3dglCreatePixelShader(device, kMeshPS, &meshPS) != D3D_OK ||
            d3dglCreatePixelShader(device, kPostPS[0], &postPS[0]) != D3D_OK ||
            d3dglCreatePixelShader(device, kPostPS[1], &postPS[1]) != D3D_OK)
            return false;
        device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &image, nullptr);
        device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &scene, nullptr);
        scene->GetSurfaceLevel(0, &sceneSurface);
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        for (int i = 0; i < 16; ++i) {
            auto q = quad(-0.9f + 0.1f * float(i), -0.5f, -0.85f + 0.1f * float(i), -0.45f, 0x80FFC040);
            particles.insert(particles.end(), {q[0], q[1], q[2], q[2], q[1], q[3]});
        }
        fullScreen = quad(-1, -1, 1, 1, 0xFFFFFFFF);
        sprite = quad(-0.2f, -0.2f, 0.2f, 0.2f, 0xC0FFFFFF);
        return true;
    }

    ~Frame() {
        IUnknown* objects[] = {back, sceneSurface, scene, image, postPS[1], postPS[0], meshPS, screenVS, meshVS,
            screenDecl, meshDecl, meshIndices, meshVertices, device, d3d};
        for (IUnknown* o : objects)
            if (o) o->Release();
    }

    // The sampler and render states an effect pass sets, whether or not they changed.
    void passStates(bool blend, bool depth, D3DBLEND dest) {
        device->SetRenderState(D3DRS_ZENABLE, depth ? D3DZB_TRUE : D3DZB_FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, depth);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, dest);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    }

    void meshes(int frame) {
        device->SetRenderTarget(0, sceneSurface);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetVertexDeclaration(meshDecl);
        device->SetVertexShader(meshVS);
        device->SetPixelShader(meshPS);
        device->SetStreamSource(0, meshVertices, 0, sizeof(MeshVertex));
        device->SetIndices(meshIndices);
        device->SetTexture(0, image);
        for (int i = 0; i < kMeshes; ++i) {
            passStates(false, true, D3DBLEND_ZERO);
            const float s = 0.1f, x = -0.9f + 0.09f * float(i), y = 0.01f * float(frame % 10);
            const float matrix[16] = {s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1, 0, x, y, 0.5f, 1};
            const float colour[4] = {1, float(i & 1), 0.5f, 1};
            device->SetVertexShaderConstantF(0, matrix, 4);
            device->SetPixelShaderConstantF(0, colour, 1);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        }
    }

    void screenDraws() {
        device->SetVertexDeclaration(screenDecl);
        device->SetVertexShader(screenVS);
        for (int i = 0; i < kParticleBatches; ++i) {
            passStates(true, false, D3DBLEND_ONE);
            device->SetPixelShader(postPS[0]);
            const float p[8] = {1, 1, 1, 1, 0, 0, 0, 0};
            device->SetPixelShaderConstantF(0, p, 2);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(particles.size() / 3), particles.data(), sizeof(ScreenVertex));
        }
        device->SetRenderTarget(0, back);
        device->SetTexture(0, scene);
        for (int i = 0; i < kPasses; ++i) {
            passStates(i > 0, false, D3DBLEND_INVSRCALPHA);
            device->SetPixelShader(postPS[i & 1]);
            const float p[12] = {1, 1, 1, 0.5f, 0, 0, 0, 0, 0.01f * float(i), 0, 0, 0};
            device->SetPixelShaderConstantF(0, p, 3);
            device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, fullScreen.data(), sizeof(ScreenVertex));
        }
        device->SetTexture(0, image);
        for (int i = 0; i < kSprites; ++i) {
            passStates(true, false, D3DBLEND_INVSRCALPHA);
            device->SetPixelShader(postPS[0]);
            const float p[8] = {1, 1, 1, 1, 0, 0, 0, 0};
            device->SetPixelShaderConstantF(0, p, 2);
            device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, sprite.data(), sizeof(ScreenVertex));
        }
    }

    void draw(int frame) {
        device->BeginScene();
        meshes(frame);
        screenDraws();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

void BM_SceneLikeFrames(benchmark::State& state) {
    Frame frame;
    if (!frame.create()) {
        state.SkipWithError("no device");
        return;
    }
    int n = 0;
    frame.draw(n++);
    glFinish();
    for (auto _ : state) {
        frame.draw(n++);
        glFinish();
    }
    gl_calls::Counter counter;
    frame.draw(n++);
    state.counters["gl_calls_per_draw"] = double(counter.total()) / kDrawsPerFrame;
    state.counters["gl_calls_per_frame"] = double(counter.total());
    state.counters["draws_made"] = double(counter.total() - counter.beyondDraws());
}

}  // namespace

// A fixed count, so that instruction counts of runs compare.
BENCHMARK(BM_SceneLikeFrames)->Iterations(100)->Unit(benchmark::kMillisecond);
