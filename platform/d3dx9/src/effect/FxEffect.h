#pragma once
// The effect object: parameters, techniques and passes over a parsed module and its programs.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "FxParams.h"
#include "FxProgram.h"
#include "FxStates.h"
#include "d3dx9effect.h"

namespace fx {

class Pool final : public ID3DXEffectPool {
public:
    HRESULT QueryInterface(REFIID, void** out) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    // The shared store of a parameter: the existing one when its type matches, a new one otherwise.
    std::shared_ptr<Storage> shared(const std::string& name, const TypeDesc& type, bool& created, bool& mismatch);

private:
    std::atomic<ULONG> refs_{1};
    std::map<std::string, std::shared_ptr<Storage>> params_;
};

// A state value: constant, or an expression over parameters evaluated when the pass begins.
struct StateValue {
    bool dynamic = false;
    DWORD constant = 0;
    size_t begin = 0, end = 0;
    Param* ref = nullptr;       // "<name>" or a bare parameter name
};

struct PassState {
    StateInfo info;
    int index = 0;
    StateValue value;
    std::string name;
    size_t at = 0;
};

struct SamplerSetup {
    Param* texture = nullptr;   // from "Texture = <t>"
    std::vector<PassState> states;
};

// A run of 4-byte words copied from one parameter leaf into a stage's register image, placed
// once when the stage is bound so that a pass copies without walking layouts or matching names.
// Steps let one run carry a matrix column whose words lie a register apart.
struct RegisterCopy {
    Param* source = nullptr; // a leaf; its values are read at each pass
    uint32_t from = 0;       // words into the leaf's values
    uint32_t to = 0;         // words into the register image
    uint32_t words = 0;
    uint32_t fromStep = 1, toStep = 1; // words between successive values on either side
};

// The copies that place `p` into a register image of `size` bytes as the program's layout
// `l` reads it, `offset` bytes in; words past the image are left out.
void planRegisterCopies(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out);

// A sampler a program reads, with its sampler_state setup found once when the stage is bound.
struct StageSampler {
    uint32_t unit = 0;
    Param* sampler = nullptr;
    const SamplerSetup* setup = nullptr; // into the effect's setups, which never move once built
};

struct StageBinding {
    ProgramPtr program;
    IUnknown* shader = nullptr; // device shader object (one reference)
    std::vector<RegisterCopy> copies;
    std::vector<StageSampler> samplers;
    std::vector<uint32_t> registers;
};

struct PassRt {
    std::string name;
    std::vector<std::unique_ptr<Param>> annotations;
    std::vector<PassState> states;
    bool setsVertexShader = false, setsPixelShader = false;
    StageBinding vs, ps;
    const void* handle = nullptr;
};

// Device states a technique changes, read at Begin and put back at End.
struct SavedStates {
    std::map<DWORD, DWORD> render;
    std::map<std::pair<DWORD, DWORD>, DWORD> sampler, stage;
    std::map<DWORD, IDirect3DBaseTexture9*> textures; // one reference each
    bool shaders = false;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    bool active = false;
};

struct TechniqueRt {
    std::string name;
    std::vector<std::unique_ptr<Param>> annotations;
    std::vector<std::unique_ptr<PassRt>> passes;
    const void* handle = nullptr;
};

// What a handle stands for. Handles are addresses of these slots, so a handle is checked by a
// range test against the effect's own table instead of a lookup on every parameter set.
// A foreign slot read as a name starts with its kind, no identifier character, so it names nothing.
enum class HandleKind : char { Parameter = 1, Technique, Pass };

struct HandleSlot {
    HandleKind kind{};
    void* object = nullptr;
    const std::vector<std::unique_ptr<Param>>* annotations = nullptr;
};

class Effect final : public ID3DXEffect {
public:
    Effect(std::shared_ptr<const Module> module, IDirect3DDevice9* device, Pool* pool);
    ~Effect();

    // Builds parameters, techniques and programs; throws FxError.
    void build();
    // Makes the device's shader objects; false with messages when the device refuses one.
    bool createShaders(std::string& errors);
    // For diagnostics: the GLSL of a pass.
    const Program* passProgram(D3DXHANDLE technique, UINT pass, bool pixel);

    HRESULT QueryInterface(REFIID, void** out) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT GetDesc(D3DXEFFECT_DESC* desc) override;
    HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) override;
    HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) override;
    HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) override;
    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) override;
    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override;
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic) override;
    D3DXHANDLE GetParameterElement(D3DXHANDLE parameter, UINT index) override;
    D3DXHANDLE GetTechnique(UINT index) override;
    D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
    D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) override;
    D3DXHANDLE GetPassByName(D3DXHANDLE technique, LPCSTR name) override;
    D3DXHANDLE GetAnnotation(D3DXHANDLE object, UINT index) override;
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE object, LPCSTR name) override;

    HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) override;
    HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) override;
    HRESULT SetBool(D3DXHANDLE parameter, BOOL value) override;
    HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) override;
    HRESULT SetBoolArray(D3DXHANDLE parameter, const BOOL* values, UINT count) override;
    HRESULT SetInt(D3DXHANDLE parameter, INT value) override;
    HRESULT GetInt(D3DXHANDLE parameter, INT* value) override;
    HRESULT SetIntArray(D3DXHANDLE parameter, const INT* values, UINT count) override;
    HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) override;
    HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) override;
    HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) override;
    HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) override;
    HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
    HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) override;
    HRESULT SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* vectors, UINT count) override;
    HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
    HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) override;
    HRESULT SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) override;
    HRESULT SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrices, UINT count) override;
    HRESULT SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
    HRESULT SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) override;
    HRESULT SetString(D3DXHANDLE parameter, LPCSTR string) override;
    HRESULT GetString(D3DXHANDLE parameter, LPCSTR* string) override;
    HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) override;

    HRESULT GetPool(ID3DXEffectPool** pool) override;
    HRESULT SetTechnique(D3DXHANDLE technique) override;
    D3DXHANDLE GetCurrentTechnique() override;
    HRESULT ValidateTechnique(D3DXHANDLE technique) override;
    HRESULT FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) override;
    HRESULT Begin(UINT* passes, DWORD flags) override;
    HRESULT BeginPass(UINT pass) override;
    HRESULT CommitChanges() override;
    HRESULT EndPass() override;
    HRESULT End() override;

    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT OnLostDevice() override;
    HRESULT OnResetDevice() override;
    HRESULT SetStateManager(ID3DXEffectStateManager* manager) override;
    HRESULT GetStateManager(ID3DXEffectStateManager** manager) override;
    HRESULT CloneEffect(IDirect3DDevice9* device, ID3DXEffect** effect) override;

private:
    std::atomic<ULONG> refs_{1};
    std::shared_ptr<const Module> module_;
    IDirect3DDevice9* device_ = nullptr;
    Pool* pool_ = nullptr;
    ID3DXEffectStateManager* manager_ = nullptr;
    std::vector<std::unique_ptr<Param>> params_;
    std::vector<SamplerSetup> samplerSetups_; // by top-level parameter index
    std::vector<std::unique_ptr<TechniqueRt>> techniques_;
    std::vector<HandleSlot> slots_; // never resized once built: handles point into it
    TechniqueRt* current_ = nullptr;
    bool inBegin_ = false;
    PassRt* activePass_ = nullptr;
    SavedStates saved_;

    template <class T> static D3DXHANDLE handle(const T* p) { return p ? static_cast<D3DXHANDLE>(p->handle) : nullptr; }
    void addHandles(Param& p);
    void addSlot(HandleKind kind, void* object, const std::vector<std::unique_ptr<Param>>& annotations);
    void pointHandles();
    // The slot a handle of ours stands at, or null: one subtraction and one range test, as a
    // handle is checked on every parameter set.
    const HandleSlot* slotOf(D3DXHANDLE h) const {
        const auto offset = reinterpret_cast<std::uintptr_t>(h) - reinterpret_cast<std::uintptr_t>(slots_.data());
        if (offset >= slots_.size() * sizeof(HandleSlot) || offset % sizeof(HandleSlot)) return nullptr;
        return &slots_[offset / sizeof(HandleSlot)];
    }
    bool inSlots(D3DXHANDLE h) const;
    Param* findParam(D3DXHANDLE h) {
        if (const HandleSlot* s = slotOf(h))
            return s->kind == HandleKind::Parameter ? static_cast<Param*>(s->object) : nullptr;
        return paramNamed(h);
    }
    Param* paramNamed(D3DXHANDLE h);
    Param* findPath(const std::vector<std::unique_ptr<Param>>& list, const std::string& path);
    TechniqueRt* findTechnique(D3DXHANDLE h);
    PassRt* findPass(D3DXHANDLE h);
    const std::vector<std::unique_ptr<Param>>* annotations(D3DXHANDLE h);

    void buildParams();
    void buildTechniques();
    std::unique_ptr<PassRt> buildPass(const Pass& p);
    PassState shaderState(PassRt& pass, const StateAssign& a, const StateInfo& info);
    void compileStage(PassRt& pass, PassState& st, const Compile& c, Stage stage);
    void bindStage(StageBinding& b);
    PassState makeState(const StateAssign& a, bool inSampler);
    DWORD evalState(const PassState& s);
    // Most states are constants: those are read without a call.
    DWORD stateValue(const PassState& s) { return s.value.dynamic ? evalState(s) : s.value.constant; }
    HRESULT applyState(const PassState& s, int samplerOverride);
    HRESULT applyStage(StageBinding& b, bool pixel);
    // Matrix i is pointers[i], or without pointers contiguous[i].
    HRESULT setMatrices(Param* p, const D3DXMATRIX* const* pointers, const D3DXMATRIX* contiguous, UINT count,
                        bool transpose);

    HRESULT setRenderState(DWORD state, DWORD value);
    HRESULT setSamplerState(DWORD sampler, DWORD type, DWORD value);
    HRESULT setTextureStageState(DWORD stage, DWORD type, DWORD value);
    HRESULT setTexture(DWORD stage, IDirect3DBaseTexture9* t);
    HRESULT setVertexShader(IDirect3DVertexShader9* s);
    HRESULT setPixelShader(IDirect3DPixelShader9* s);
    HRESULT setConstants(bool pixel, const std::vector<uint32_t>& regs);
    void saveStates(DWORD flags);
    void restoreStates();
};

} // namespace fx
