// D3DXCreateEffect, pools and buffers.
#include <atomic>
#include <cstring>
#include <map>

#include "FxEffect.h"
#include "FxPreprocessor.h"
#include "d3dx9effectgl.h"

namespace fx {
namespace {

const GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(DWORD bytes) : data_(bytes) {}
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        if (std::memcmp(&iid, &kIUnknown, sizeof(GUID)) == 0) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    LPVOID GetBufferPointer() override { return data_.empty() ? nullptr : data_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(data_.size()); }

private:
    std::atomic<ULONG> refs_{1};
    std::vector<char> data_;
};

void textBuffer(const std::string& text, ID3DXBuffer** out) {
    if (!out) return;
    auto* b = new Buffer(static_cast<DWORD>(text.size() + 1));
    std::memcpy(b->GetBufferPointer(), text.c_str(), text.size() + 1);
    *out = b;
}

// Include requests through the caller's handler; data stays open until the compile ends.
struct Includes {
    ID3DXInclude* handler;
    std::vector<LPCVOID> open;
    std::map<std::string, LPCVOID> dataOf; // include name -> its text, the parent of nested includes
    ~Includes() {
        for (LPCVOID d : open) handler->Close(d);
    }
    bool operator()(bool system, const std::string& name, const std::string& parent, std::string& text,
                    std::string& error) {
        if (!handler) {
            error = "no include handler was given";
            return false;
        }
        LPCVOID data = nullptr;
        UINT bytes = 0;
        auto p = dataOf.find(parent);
        LPCVOID parentData = p == dataOf.end() ? nullptr : p->second;
        HRESULT hr = handler->Open(system ? D3DXINC_SYSTEM : D3DXINC_LOCAL, name.c_str(), parentData, &data, &bytes);
        if (hr != S_OK) {
            error = "the include handler answered " + std::to_string(static_cast<long>(hr));
            return false;
        }
        if (!data && bytes) {
            error = "the include handler gave no data";
            return false;
        }
        if (data) {
            open.push_back(data);
            dataOf[name] = data;
        }
        text.assign(static_cast<const char*>(data ? data : ""), bytes);
        return true;
    }
};

} // namespace

HRESULT Pool::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (std::memcmp(&iid, &kIUnknown, sizeof(GUID)) == 0) {
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Pool::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

namespace {
bool sameType(const TypeDesc& a, const TypeDesc& b) {
    if (a.cls != b.cls || a.type != b.type || a.rows != b.rows || a.cols != b.cols || a.elements != b.elements ||
        a.members.size() != b.members.size())
        return false;
    for (size_t i = 0; i < a.members.size(); ++i)
        if (a.members[i].name != b.members[i].name || !sameType(a.members[i].type, b.members[i].type)) return false;
    return true;
}
} // namespace

std::shared_ptr<Storage> Pool::shared(const std::string& name, const TypeDesc& type, bool& created, bool& mismatch) {
    auto it = params_.find(name);
    created = false;
    mismatch = false;
    if (it != params_.end()) {
        mismatch = !sameType(it->second->type, type);
        return it->second;
    }
    auto s = std::make_shared<Storage>();
    s->type = type;
    params_[name] = s;
    created = true;
    return s;
}

} // namespace fx

using namespace fx;

HRESULT D3DXCreateBuffer(DWORD bytes, LPD3DXBUFFER* buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = new Buffer(bytes);
    return D3D_OK;
}

HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool) {
    if (!pool) return D3DERR_INVALIDCALL;
    *pool = new Pool();
    return D3D_OK;
}

namespace {

HRESULT createEffect(IDirect3DDevice9* device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                     ID3DXInclude* include, ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors) {
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!data || !length) {
        textBuffer("memory(1): error: the effect text is empty\n", errors);
        return D3DERR_INVALIDCALL;
    }
    Effect* e = nullptr;
    try {
        std::vector<MacroDef> macros;
        for (const D3DXMACRO* m = defines; m && m->Name; ++m) macros.push_back({m->Name, m->Definition ? m->Definition : ""});
        auto module = std::make_shared<Module>();
        // Text may end at a terminating zero before the length.
        const char* text = static_cast<const char*>(data);
        size_t size = strnlen(text, length);
        Includes inc{include, {}, {}};
        IncludeFn fn = [&inc](bool sys, const std::string& n, const std::string& parent, std::string& t, std::string& err) {
            return inc(sys, n, parent, t, err);
        };
        preprocess(text, size, "memory", macros, fn, module->tokens, module->files);
        checkIncrementOperands(module->tokens, module->files);
        parseModule(*module);
        e = new Effect(module, device, static_cast<Pool*>(pool));
        e->build();
        std::string deviceErrors;
        if (!e->createShaders(deviceErrors)) {
            e->Release();
            textBuffer(deviceErrors, errors);
            return E_FAIL;
        }
    } catch (const FxError& err) {
        if (e) e->Release();
        std::string msg = err.what();
        if (msg.empty() || msg.back() != '\n') msg += '\n';
        textBuffer(msg, errors);
        return E_FAIL;
    } catch (const std::bad_alloc&) {
        if (e) e->Release();
        textBuffer("memory(1): error: out of memory\n", errors);
        return E_OUTOFMEMORY;
    }
    *effect = e;
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD, ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors) {
    // Without a device the effect would parse but never draw; say so now rather than at Begin.
    if (!device) {
        if (errors) *errors = nullptr;
        if (effect) *effect = nullptr;
        textBuffer("memory(1): error: no device was given; an effect compiles against its device\n", errors);
        return D3DERR_INVALIDCALL;
    }
    return createEffect(device, data, length, defines, include, pool, effect, errors);
}

HRESULT d3dxglCreateEffectWithoutDevice(LPCVOID data, UINT length, const D3DXMACRO* defines, ID3DXInclude* include,
                                        ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors) {
    return createEffect(nullptr, data, length, defines, include, pool, effect, errors);
}

unsigned long long d3dxglProgramCompileCount() { return programCompileCount(); }

void d3dxglSetShaderCompilerGuard(D3DXGLCOMPILERGUARD guard) { setCompilerGuard(guard); }

BOOL d3dxglGetPassShaderText(ID3DXEffect* effect, D3DXHANDLE technique, UINT pass, BOOL pixel, std::string* glsl) {
    auto* e = dynamic_cast<Effect*>(effect);
    if (!e || !glsl) return FALSE;
    const Program* p = e->passProgram(technique, pass, pixel != FALSE);
    if (!p) return FALSE;
    *glsl = p->glsl;
    return TRUE;
}
