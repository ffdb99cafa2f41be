// Effect text through the whole compiler on a headless device: the front end, the shader
// compiler and translator, parameter writes and the GL programs of every pass, which are made
// when a pass begins. Errors are fine, crashes and leaks are not. The shader compiler's front
// end is a package we cannot mend and dies on some text: the effect asks before each program,
// and the text is first given to that front end alone in a child; one that kills the child is
// refused. Everything else runs here, so a fault in our own code is found. Inputs that start
// with kLayoutEffectMark are choices for a generated effect of structs and arrays, which is
// also drawn: one whose shader reads a value other than the one set stops the run.
#include <HeadlessDevice.h>
#include <tormakelin/core/ChildGuard.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FxGlslang.h"
#include "d3dx9effect.h"
#include "d3dx9effectgl.h"
#include "effect_layouts.h"

namespace {

// A program's text takes glslang well under a second: a child that hangs (forked, it seems,
// while another thread held a lock it needs) is given up sooner than by default.
BOOL glslangSurvives(const char* hlsl, UINT length, BOOL pixel) {
    using namespace std::chrono_literals;
    const auto work = [&] {
        std::vector<uint32_t> spirv;
        std::string log;
        fx::glslangToSpirv(pixel ? fx::Stage::Pixel : fx::Stage::Vertex, std::string(hlsl, length), spirv, log);
    };
    return tormakelin::core::survivesInChild(pixel ? "pixel program" : "vertex program", {hlsl, length}, work, 5s)
               ? TRUE
               : FALSE;
}

// Every numeric parameter gets values, so that the register copies of each pass carry them.
void setParameters(ID3DXEffect* effect) {
    D3DXEFFECT_DESC desc{};
    effect->GetDesc(&desc);
    std::vector<float> values;
    for (UINT i = 0; i < desc.Parameters && i < 64; ++i) {
        D3DXHANDLE p = effect->GetParameter(nullptr, i);
        D3DXPARAMETER_DESC pd{};
        if (!p || FAILED(effect->GetParameterDesc(p, &pd)) || pd.Class == D3DXPC_OBJECT) continue;
        values.resize(pd.Bytes / 4);
        for (UINT k = 0; k < values.size(); ++k) values[k] = layoutValue(i, k);
        effect->SetFloatArray(p, values.data(), static_cast<UINT>(values.size()));
    }
}

// A generated effect drawn over the target is white where every number it checks held.
void expectLayoutHolds(IDirect3DDevice9* device, ID3DXEffect* effect, const std::string& text) {
    struct Vertex {
        float x, y, z;
    };
    static const Vertex quad[4] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {1, -1, 0.5f}, {-1, -1, 0.5f}};
    static IDirect3DVertexDeclaration9* decl = [device] {
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
        IDirect3DVertexDeclaration9* made = nullptr;
        device->CreateVertexDeclaration(elements, &made);
        return made;
    }();
    device->SetVertexDeclaration(decl);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0)) || passes != 1) return;
    if (SUCCEEDED(effect->BeginPass(0))) {
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex));
        effect->EndPass();
    }
    effect->End();
    const std::vector<uint32_t> pixels = tormakelin::test::backBufferPixels(device);
    if (pixels.empty() || (pixels[pixels.size() / 2 + 8] & 0xFFFFFFu) == 0xFFFFFFu) return;
    std::fprintf(stderr, "a generated effect read values it was not given (pixel %08x):\n%s\n",
                 static_cast<unsigned>(pixels[pixels.size() / 2 + 8]), text.c_str());
    __builtin_trap();
}

void runPasses(ID3DXEffect* effect) {
    D3DXEFFECT_DESC desc{};
    effect->GetDesc(&desc);
    for (UINT t = 0; t < desc.Techniques && t < 4; ++t) {
        D3DXHANDLE technique = effect->GetTechnique(t);
        if (FAILED(effect->SetTechnique(technique))) continue;
        UINT passes = 0;
        if (FAILED(effect->Begin(&passes, 0))) continue;
        for (UINT p = 0; p < passes && p < 4; ++p) {
            if (SUCCEEDED(effect->BeginPass(p))) {
                effect->CommitChanges();
                effect->EndPass();
            }
        }
        effect->End();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static IDirect3D9* d3d = nullptr;
    static IDirect3DDevice9* device = [] {
        d3dxglSetShaderCompilerGuard(glslangSurvives);
        return tormakelin::test::createHeadlessD3DDevice(&d3d);
    }();
    if (!device) return 0;
    const std::string text = size && data[0] == kLayoutEffectMark ? layoutEffect(data + 1, size - 1)
                                                                   : std::string(reinterpret_cast<const char*>(data), size);
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (errors) errors->Release();
    if (!effect) return 0;
    setParameters(effect);
    if (size && data[0] == kLayoutEffectMark) expectLayoutHolds(device, effect, text);
    runPasses(effect);
    effect->Release();
    return 0;
}
