// Effect text through the whole compiler on a headless device: the front end, the shader
// compiler and translator, and the GL programs of every pass, which are made when a pass
// begins. Errors are fine, crashes and leaks are not. The shader compiler's front end is a
// package we cannot mend and dies on some malformed text: each input is first compiled without a
// device in a child, and one that kills the child is skipped.
#include <HeadlessDevice.h>
#include <tormakelin/core/ChildGuard.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3dx9effect.h"
#include "d3dx9effectgl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static IDirect3D9* d3d = nullptr;
    static IDirect3DDevice9* device = tormakelin::test::createHeadlessD3DDevice(&d3d);
    if (!device) return 0;
    std::vector<char> text(data, data + size);
    const bool survives = tormakelin::core::survivesInChild("effect", {text.data(), text.size()}, [&] {
        ID3DXEffect* effect = nullptr;
        d3dxglCreateEffectWithoutDevice(text.data(), UINT(text.size()), nullptr, nullptr, nullptr, &effect, nullptr);
        if (effect) effect->Release();
    });
    if (!survives) return 0;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (errors) errors->Release();
    if (!effect) return 0;
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
    effect->Release();
    return 0;
}
