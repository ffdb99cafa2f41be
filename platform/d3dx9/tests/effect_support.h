#pragma once
// Shared pieces of the effect tests: compiling text, a state manager that records what an
// effect sends, and an include handler over a table of texts.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "d3dx9.h"
#include "d3dx9effectgl.h"

struct RecordedCall {
    std::string what;   // "rs", "ss", "tss", "tex", "vs", "ps", "vsf", "psf"
    DWORD a = 0, b = 0, c = 0;
    const void* object = nullptr;
};

class RecordingStateManager : public ID3DXEffectStateManager {
public:
    std::vector<RecordedCall> calls;
    std::vector<float> vsRegisters, psRegisters;

    HRESULT QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return D3D_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return D3D_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override { return rec({"rs", DWORD(s), v}); }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* t) override { return rec({"tex", stage, 0, 0, t}); }
    HRESULT SetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD v) override { return rec({"tss", st, DWORD(t), v}); }
    HRESULT SetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD v) override { return rec({"ss", s, DWORD(t), v}); }
    HRESULT SetNPatchMode(FLOAT) override { return D3D_OK; }
    HRESULT SetFVF(DWORD) override { return D3D_OK; }
    HRESULT SetVertexShader(IDirect3DVertexShader9* s) override { return rec({"vs", 0, 0, 0, s}); }
    HRESULT SetVertexShaderConstantF(UINT r, const FLOAT* d, UINT n) override {
        vsRegisters.assign(d, d + 4 * n);
        return rec({"vsf", r, n});
    }
    HRESULT SetVertexShaderConstantI(UINT, const INT*, UINT) override { return D3D_OK; }
    HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShader(IDirect3DPixelShader9* s) override { return rec({"ps", 0, 0, 0, s}); }
    HRESULT SetPixelShaderConstantF(UINT r, const FLOAT* d, UINT n) override {
        psRegisters.assign(d, d + 4 * n);
        return rec({"psf", r, n});
    }
    HRESULT SetPixelShaderConstantI(UINT, const INT*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }

    // Value last sent for a render state, or -1.
    long long renderState(DWORD state) const {
        long long v = -1;
        for (const auto& c : calls)
            if (c.what == "rs" && c.a == state) v = c.b;
        return v;
    }
    long long samplerState(DWORD sampler, DWORD type) const {
        long long v = -1;
        for (const auto& c : calls)
            if (c.what == "ss" && c.a == sampler && c.b == type) v = c.c;
        return v;
    }
    int count(const char* what) const {
        int n = 0;
        for (const auto& c : calls) n += c.what == what;
        return n;
    }
    ULONG refs = 1;

private:
    HRESULT rec(RecordedCall c) {
        calls.push_back(c);
        return D3D_OK;
    }
};

class TableInclude : public ID3DXInclude {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> opened;
    std::vector<LPCVOID> parents;
    int open = 0;
    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID parent, LPCVOID* data, UINT* bytes) override {
        opened.push_back(name);
        parents.push_back(parent);
        auto it = files.find(name);
        if (it == files.end()) return 1;
        *data = it->second.data();
        *bytes = static_cast<UINT>(it->second.size());
        ++open;
        return S_OK;
    }
    HRESULT Close(LPCVOID) override {
        --open;
        return S_OK;
    }
};

struct Compiled {
    ID3DXEffect* effect = nullptr;
    HRESULT hr = E_FAIL;
    std::string errors;
    ~Compiled() { if (effect) effect->Release(); }
};

inline void compileEffect(Compiled& out, const std::string& text, const D3DXMACRO* macros = nullptr,
                          ID3DXInclude* include = nullptr, ID3DXEffectPool* pool = nullptr,
                          IDirect3DDevice9* device = nullptr) {
    ID3DXBuffer* errors = nullptr;
    out.hr = device ? D3DXCreateEffect(device, text.data(), static_cast<UINT>(text.size()), macros, include, 0,
                                       pool, &out.effect, &errors)
                    : d3dxglCreateEffectWithoutDevice(text.data(), static_cast<UINT>(text.size()), macros, include,
                                                      pool, &out.effect, &errors);
    if (errors) {
        out.errors.assign(static_cast<const char*>(errors->GetBufferPointer()));
        errors->Release();
    }
}

inline float regf(const std::vector<float>& r, size_t reg, size_t comp) { return r.at(reg * 4 + comp); }
inline int regi(const std::vector<float>& r, size_t reg, size_t comp) {
    int i;
    std::memcpy(&i, &r.at(reg * 4 + comp), 4);
    return i;
}
