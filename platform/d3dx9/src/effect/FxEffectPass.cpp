// Running passes: states, textures, shaders and constant registers, through the state manager
// when one is set and to the device otherwise.
#include <cmath>
#include <cstring>

#include "FxEffect.h"

namespace fx {
namespace {

constexpr DWORD kVertexSampler0 = 257;

DWORD toDword(double d, bool isFloat) {
    if (isFloat) {
        float f = static_cast<float>(d);
        DWORD w;
        std::memcpy(&w, &f, 4);
        return w;
    }
    if (!std::isfinite(d)) return 0;
    return static_cast<DWORD>(static_cast<int64_t>(std::fmax(-9.2e18, std::fmin(9.2e18, d))));
}

// One 4-byte word (at byte offsets), joined to the run before it when both sides continue it
// by the run's steps; a run's second word sets its steps.
void plan(std::vector<RegisterCopy>& out, Param& leaf, uint32_t fromByte, uint32_t toByte, size_t size) {
    if (static_cast<size_t>(toByte) + 4 > size) return;
    const uint32_t from = fromByte / 4, to = toByte / 4;
    if (!out.empty() && out.back().source == &leaf) {
        RegisterCopy& last = out.back();
        if (last.words == 1 && from > last.from && to > last.to) {
            last.fromStep = from - last.from;
            last.toStep = to - last.to;
            last.words = 2;
            return;
        }
        if (from == last.from + last.words * last.fromStep && to == last.to + last.words * last.toStep) {
            ++last.words;
            return;
        }
    }
    out.push_back({&leaf, from, to, 1, 1, 1});
}

// Words not covered by a copy stay as the binding made them (zero): every pass covers the same.
void copyRegisters(const std::vector<RegisterCopy>& copies, uint32_t* regs) {
    for (const RegisterCopy& c : copies) {
        const uint8_t* src = c.source->data() + size_t{4} * c.from;
        uint32_t* dst = regs + c.to;
        // Locals, as the stores could otherwise alias the plan and reload it per word.
        const uint32_t words = c.words, toStep = c.toStep;
        const size_t fromStep = size_t{4} * c.fromStep;
        if (words == 1) { // scalars: no call
            std::memcpy(dst, src, 4);
            continue;
        }
        if (fromStep == 4 && toStep == 1) {
            std::memcpy(dst, src, size_t{4} * words);
            continue;
        }
        if (words == 4) { // a transposed matrix column, unrolled
            for (size_t k = 0; k < 4; ++k) std::memcpy(dst + k * toStep, src + k * fromStep, 4);
            continue;
        }
        for (uint32_t k = 0; k < words; ++k, dst += toStep, src += fromStep) std::memcpy(dst, src, 4);
    }
}

// The program's matrix is the transpose of the declared one: its column i is row i.
void planMatrix(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out) {
    uint32_t R = p.type.rows, C = p.type.cols;
    for (uint32_t i = 0; i < l.columns && i < R; ++i)
        for (uint32_t j = 0; j < l.vecsize && j < C; ++j) {
            uint32_t off = l.rowMajor ? offset + j * l.matrixStride + i * 4 : offset + i * l.matrixStride + j * 4;
            plan(out, p, 4 * (i * C + j), off, size);
        }
}

void planVector(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out) {
    uint32_t n = std::min(l.vecsize, p.type.rows * p.type.cols);
    for (uint32_t k = 0; k < n; ++k) plan(out, p, 4 * k, offset + 4 * k, size);
}

void planElements(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out) {
    uint32_t n = std::min<uint32_t>(l.arraySize ? l.arraySize : 1, static_cast<uint32_t>(p.elements.size()));
    for (uint32_t k = 0; k < n; ++k) planRegisterCopies(l, offset + k * l.arrayStride, *p.elements[k], size, out);
}

void planMembers(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out) {
    for (const auto& [name, ml] : l.members)
        for (auto& m : p.members)
            if (m->name == name) {
                planRegisterCopies(ml, offset + ml.offset, *m, size, out);
                break;
            }
}

} // namespace

void planRegisterCopies(const Layout& l, uint32_t offset, Param& p, size_t size, std::vector<RegisterCopy>& out) {
    if (!p.elements.empty()) planElements(l, offset, p, size, out);
    else if (l.base == Layout::Struct) planMembers(l, offset, p, size, out);
    else if (l.columns > 1) planMatrix(l, offset, p, size, out);
    else planVector(l, offset, p, size, out);
}

HRESULT Effect::setRenderState(DWORD state, DWORD value) {
    if (manager_) return manager_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
    return device_ ? device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value) : D3DERR_INVALIDCALL;
}

HRESULT Effect::setSamplerState(DWORD sampler, DWORD type, DWORD value) {
    if (manager_) return manager_->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value);
    return device_ ? device_->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value) : D3DERR_INVALIDCALL;
}

HRESULT Effect::setTextureStageState(DWORD stage, DWORD type, DWORD value) {
    if (manager_) return manager_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value);
    return device_ ? device_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value)
                   : D3DERR_INVALIDCALL;
}

HRESULT Effect::setTexture(DWORD stage, IDirect3DBaseTexture9* t) {
    if (manager_) return manager_->SetTexture(stage, t);
    return device_ ? device_->SetTexture(stage, t) : D3DERR_INVALIDCALL;
}

HRESULT Effect::setVertexShader(IDirect3DVertexShader9* s) {
    if (manager_) return manager_->SetVertexShader(s);
    return device_ ? device_->SetVertexShader(s) : D3DERR_INVALIDCALL;
}

HRESULT Effect::setPixelShader(IDirect3DPixelShader9* s) {
    if (manager_) return manager_->SetPixelShader(s);
    return device_ ? device_->SetPixelShader(s) : D3DERR_INVALIDCALL;
}

HRESULT Effect::setConstants(bool pixel, const std::vector<uint32_t>& regs) {
    if (regs.empty()) return D3D_OK;
    const FLOAT* f = reinterpret_cast<const FLOAT*>(regs.data());
    UINT n = static_cast<UINT>(regs.size() / 4);
    if (manager_)
        return pixel ? manager_->SetPixelShaderConstantF(0, f, n) : manager_->SetVertexShaderConstantF(0, f, n);
    if (!device_) return D3DERR_INVALIDCALL;
    return pixel ? device_->SetPixelShaderConstantF(0, f, n) : device_->SetVertexShaderConstantF(0, f, n);
}

DWORD Effect::evalState(const PassState& s) {
    if (!s.value.dynamic) return s.value.constant;
    if (s.value.ref) {
        float f = 0;
        readFloats(*s.value.ref, &f, 1);
        if (s.value.ref->type.type == PType::Float && !s.info.isFloat) {
            return toDword(f, false);
        }
        if (s.value.ref->type.type != PType::Float && !s.info.isFloat) {
            int i = 0;
            readInts(*s.value.ref, &i, 1);
            return static_cast<DWORD>(i);
        }
        return toDword(f, true);
    }
    Resolver r = [&](const std::string& name, std::vector<double>& out) {
        uint32_t ev;
        if (findStateValue(s.info.enumTable, name, ev)) { out.assign(1, ev); return true; }
        for (auto& p : params_)
            if (p->name == name && p->type.isNumeric()) {
                std::vector<float> v(p->components());
                readFloats(*p, v.data(), static_cast<uint32_t>(v.size()));
                out.assign(v.begin(), v.end());
                return true;
            }
        return false;
    };
    try {
        Value v = evalConstant(*module_, s.value.begin, s.value.end, &r);
        return v.numbers.empty() ? 0 : toDword(v.numbers[0], s.info.isFloat);
    } catch (const std::exception&) {
        return 0;
    }
}

HRESULT Effect::applyState(const PassState& s, int) {
    switch (s.info.kind) {
    case StateKind::Render: return setRenderState(s.info.id, stateValue(s));
    case StateKind::Sampler: return setSamplerState(static_cast<DWORD>(s.index), s.info.id, stateValue(s));
    case StateKind::TextureStage: return setTextureStageState(static_cast<DWORD>(s.index), s.info.id, stateValue(s));
    case StateKind::Texture:
        return setTexture(static_cast<DWORD>(s.index), s.value.ref ? s.value.ref->storage->texture : nullptr);
    case StateKind::VertexShader:
    case StateKind::PixelShader: break;
    }
    return D3D_OK;
}

HRESULT Effect::applyStage(StageBinding& b, bool pixel) {
    HRESULT hr = D3D_OK;
    for (const StageSampler& s : b.samplers) {
        const SamplerSetup& setup = *s.setup;
        IDirect3DBaseTexture9* tex = setup.texture ? setup.texture->storage->texture : s.sampler->storage->texture;
        DWORD stage = pixel ? s.unit : kVertexSampler0 + s.unit;
        HRESULT r = setTexture(stage, tex);
        if (FAILED(r)) hr = r;
        for (const auto& st : setup.states) {
            r = setSamplerState(stage, st.info.id, stateValue(st));
            if (FAILED(r)) hr = r;
        }
    }
    if (!b.registers.empty()) {
        copyRegisters(b.copies, b.registers.data());
        HRESULT r = setConstants(pixel, b.registers);
        if (FAILED(r)) hr = r;
    }
    return hr;
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
    if (!current_ || inBegin_) return D3DERR_INVALIDCALL;
    if (!device_ && !manager_) return D3DERR_INVALIDCALL;
    if (passes) *passes = static_cast<UINT>(current_->passes.size());
    inBegin_ = true;
    saveStates(flags);
    return D3D_OK;
}

HRESULT Effect::BeginPass(UINT pass) {
    if (!inBegin_ || activePass_ || pass >= current_->passes.size()) return D3DERR_INVALIDCALL;
    PassRt& p = *current_->passes[pass];
    HRESULT hr = D3D_OK;
    for (const auto& s : p.states) {
        HRESULT r = D3D_OK;
        if (s.info.kind == StateKind::VertexShader)
            r = setVertexShader(static_cast<IDirect3DVertexShader9*>(p.vs.shader));
        else if (s.info.kind == StateKind::PixelShader)
            r = setPixelShader(static_cast<IDirect3DPixelShader9*>(p.ps.shader));
        else
            r = applyState(s, -1);
        if (FAILED(r)) hr = r;
    }
    activePass_ = &p;
    HRESULT r = CommitChanges();
    return FAILED(hr) ? hr : r;
}

HRESULT Effect::CommitChanges() {
    if (!activePass_) return D3DERR_INVALIDCALL;
    HRESULT hr = D3D_OK;
    if (activePass_->vs.program) hr = applyStage(activePass_->vs, false);
    if (activePass_->ps.program) {
        HRESULT r = applyStage(activePass_->ps, true);
        if (FAILED(r)) hr = r;
    }
    return hr;
}

HRESULT Effect::EndPass() {
    if (!activePass_) return D3DERR_INVALIDCALL;
    activePass_ = nullptr;
    return D3D_OK;
}

HRESULT Effect::End() {
    if (!inBegin_) return D3DERR_INVALIDCALL;
    inBegin_ = false;
    activePass_ = nullptr;
    restoreStates();
    return D3D_OK;
}

} // namespace fx
