// Handles, descriptions and the typed value setters of an effect.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "FxEffect.h"

namespace fx {
namespace {

const GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

bool sameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }


bool isTexture(PType t) { return t >= PType::Texture && t <= PType::TextureCube; }
bool isSampler(PType t) { return t >= PType::Sampler && t <= PType::SamplerCube; }

// The matrix a setter addresses: the parameter itself or its first element.
Param* firstOf(Param* p) { return p && !p->elements.empty() ? p->elements[0].get() : p; }

bool isMatrix(const Param* p) { return p->type.cls == PClass::MatrixRows || p->type.cls == PClass::MatrixColumns; }

// The declared rows and columns of `q` from a 4x4 matrix. Float matrices take the values as
// they are; others convert each value to their type.
void storeMatrix(Param& q, const D3DXMATRIX& mx, bool transpose) {
    const uint32_t R = q.type.rows, C = q.type.cols;
    if (q.floats && !transpose && C == 4) {
        std::memcpy(q.data(), &mx.m[0][0], size_t{16} * R);
        return;
    }
    float v[16];
    if (transpose) {
        for (uint32_t r = 0; r < R; ++r)
            for (uint32_t c = 0; c < C; ++c) v[r * C + c] = mx.m[c][r];
    } else {
        for (uint32_t r = 0; r < R; ++r)
            for (uint32_t c = 0; c < C; ++c) v[r * C + c] = mx.m[r][c];
    }
    if (q.floats) std::memcpy(q.data(), v, size_t{4} * R * C);
    else writeFloats(q, v, R * C);
}

} // namespace

HRESULT Effect::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (sameGuid(iid, kIUnknown)) {
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Effect::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

// --- handles ---------------------------------------------------------------------------------

namespace {

Param* named(const std::vector<std::unique_ptr<Param>>& list, const std::string& name) {
    for (const auto& q : list)
        if (q->name == name) return q.get();
    return nullptr;
}

// "[n]" at `cut`: the element, with `cut` moved past the bracket (npos at the end of the path).
Param* elementAt(const Param& p, const std::string& path, size_t& cut) {
    size_t close = path.find(']', cut);
    if (close == std::string::npos) return nullptr;
    size_t idx = 0;
    const char* first = path.data() + cut + 1;
    const auto read = std::from_chars(first, path.data() + close, idx);
    if (read.ec != std::errc() || read.ptr != path.data() + close || idx >= p.elements.size()) return nullptr;
    cut = close + 1 < path.size() ? close + 1 : std::string::npos;
    return p.elements[idx].get();
}

// ".name" at `cut`: the member, with `cut` moved to what follows it.
Param* memberAt(const Param& p, const std::string& path, size_t& cut) {
    size_t next = path.find_first_of(".[", cut + 1);
    std::string name = path.substr(cut + 1, next == std::string::npos ? std::string::npos : next - cut - 1);
    cut = next;
    return named(p.members, name);
}

} // namespace

Param* Effect::findPath(const std::vector<std::unique_ptr<Param>>& list, const std::string& path) {
    size_t cut = path.find_first_of(".[");
    Param* p = named(list, path.substr(0, cut));
    while (p && cut != std::string::npos) p = path[cut] == '[' ? elementAt(*p, path, cut) : memberAt(*p, path, cut);
    return p;
}

bool Effect::inSlots(D3DXHANDLE h) const {
    const auto at = reinterpret_cast<std::uintptr_t>(h);
    const auto first = reinterpret_cast<std::uintptr_t>(slots_.data());
    return at >= first && at - first < slots_.size() * sizeof(HandleSlot);
}

// A handle that is no slot of ours is read as a name; one inside our table names nothing.
Param* Effect::paramNamed(D3DXHANDLE h) { return h && !inSlots(h) ? findPath(params_, h) : nullptr; }

TechniqueRt* Effect::findTechnique(D3DXHANDLE h) {
    if (const HandleSlot* s = slotOf(h))
        return s->kind == HandleKind::Technique ? static_cast<TechniqueRt*>(s->object) : nullptr;
    if (!h || inSlots(h)) return nullptr;
    for (auto& t : techniques_)
        if (t->name == h) return t.get();
    return nullptr;
}

PassRt* Effect::findPass(D3DXHANDLE h) {
    const HandleSlot* s = slotOf(h);
    return s && s->kind == HandleKind::Pass ? static_cast<PassRt*>(s->object) : nullptr;
}

const std::vector<std::unique_ptr<Param>>* Effect::annotations(D3DXHANDLE h) {
    if (!h) return nullptr;
    if (inSlots(h)) {
        const HandleSlot* s = slotOf(h);
        return s ? s->annotations : nullptr;
    }
    if (Param* p = findParam(h)) return &p->annotations;
    if (TechniqueRt* t = findTechnique(h)) return &t->annotations;
    return nullptr;
}

D3DXHANDLE Effect::GetParameter(D3DXHANDLE parent, UINT index) {
    if (!parent) return index < params_.size() ? handle(params_[index].get()) : nullptr;
    Param* p = findParam(parent);
    if (!p) return nullptr;
    const auto& list = p->elements.empty() ? p->members : p->elements;
    return index < list.size() ? handle(list[index].get()) : nullptr;
}

D3DXHANDLE Effect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
    if (!name) return nullptr;
    if (!parent) return handle(findPath(params_, name));
    Param* p = findParam(parent);
    return p ? handle(findPath(p->members, name)) : nullptr;
}

D3DXHANDLE Effect::GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic) {
    if (!semantic) return nullptr;
    const std::vector<std::unique_ptr<Param>>* list = &params_;
    if (parent) {
        Param* p = findParam(parent);
        if (!p) return nullptr;
        list = &p->members;
    }
    for (const auto& q : *list)
        if (!q->semantic.empty() && ieq(q->semantic, semantic)) return handle(q.get());
    return nullptr;
}

D3DXHANDLE Effect::GetParameterElement(D3DXHANDLE parameter, UINT index) {
    Param* p = findParam(parameter);
    return p && index < p->elements.size() ? handle(p->elements[index].get()) : nullptr;
}

D3DXHANDLE Effect::GetTechnique(UINT index) {
    return index < techniques_.size() ? handle(techniques_[index].get()) : nullptr;
}

D3DXHANDLE Effect::GetTechniqueByName(LPCSTR name) {
    if (!name) return nullptr;
    for (auto& t : techniques_)
        if (t->name == name) return handle(t.get());
    return nullptr;
}

D3DXHANDLE Effect::GetPass(D3DXHANDLE technique, UINT index) {
    TechniqueRt* t = findTechnique(technique);
    return t && index < t->passes.size() ? handle(t->passes[index].get()) : nullptr;
}

D3DXHANDLE Effect::GetPassByName(D3DXHANDLE technique, LPCSTR name) {
    TechniqueRt* t = findTechnique(technique);
    if (!t || !name) return nullptr;
    for (auto& p : t->passes)
        if (p->name == name) return handle(p.get());
    return nullptr;
}

D3DXHANDLE Effect::GetAnnotation(D3DXHANDLE object, UINT index) {
    const auto* list = annotations(object);
    return list && index < list->size() ? handle((*list)[index].get()) : nullptr;
}

D3DXHANDLE Effect::GetAnnotationByName(D3DXHANDLE object, LPCSTR name) {
    const auto* list = annotations(object);
    if (!list || !name) return nullptr;
    for (const auto& a : *list)
        if (a->name == name) return handle(a.get());
    return nullptr;
}

// --- descriptions ------------------------------------------------------------------------------

HRESULT Effect::GetDesc(D3DXEFFECT_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Creator = "";
    desc->Parameters = static_cast<UINT>(params_.size());
    desc->Techniques = static_cast<UINT>(techniques_.size());
    desc->Functions = static_cast<UINT>(module_->functions.size());
    return D3D_OK;
}

HRESULT Effect::GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) {
    Param* p = findParam(parameter);
    if (!p || !desc) return D3DERR_INVALIDCALL;
    const TypeDesc& t = p->type;
    desc->Name = p->name.c_str();
    desc->Semantic = p->semantic.empty() ? nullptr : p->semantic.c_str();
    desc->Class = static_cast<D3DXPARAMETER_CLASS>(t.cls);
    desc->Type = static_cast<D3DXPARAMETER_TYPE>(t.type);
    bool numeric = t.isNumeric();
    desc->Rows = numeric ? t.rows : 0;
    desc->Columns = numeric ? t.cols : 0;
    desc->Elements = t.elements;
    desc->Annotations = static_cast<UINT>(p->annotations.size());
    desc->StructMembers = t.cls == PClass::Struct ? static_cast<UINT>(t.members.size()) : 0;
    desc->Flags = p->flags;
    desc->Bytes = t.bytes();
    return D3D_OK;
}

HRESULT Effect::GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) {
    TechniqueRt* t = findTechnique(technique);
    if (!t || !desc) return D3DERR_INVALIDCALL;
    desc->Name = t->name.c_str();
    desc->Passes = static_cast<UINT>(t->passes.size());
    desc->Annotations = static_cast<UINT>(t->annotations.size());
    return D3D_OK;
}

HRESULT Effect::GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) {
    PassRt* p = findPass(pass);
    if (!p || !desc) return D3DERR_INVALIDCALL;
    desc->Name = p->name.c_str();
    desc->Annotations = static_cast<UINT>(p->annotations.size());
    desc->pVertexShaderFunction = nullptr;
    desc->pPixelShaderFunction = nullptr;
    return D3D_OK;
}

// --- values --------------------------------------------------------------------------------

HRESULT Effect::SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) {
    Param* p = findParam(parameter);
    if (!p || !data) return D3DERR_INVALIDCALL;
    if (p->type.cls == PClass::Object) {
        if (bytes < sizeof(void*) || p->type.elements) return D3DERR_INVALIDCALL;
        if (p->type.type == PType::String) return SetString(parameter, *static_cast<const LPCSTR*>(data));
        return SetTexture(parameter, *static_cast<IDirect3DBaseTexture9* const*>(data));
    }
    if (bytes > p->type.bytes()) return D3DERR_INVALIDCALL;
    std::memcpy(p->data(), data, bytes);
    return D3D_OK;
}

HRESULT Effect::GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) {
    Param* p = findParam(parameter);
    if (!p || !data) return D3DERR_INVALIDCALL;
    if (p->type.cls == PClass::Object) {
        if (bytes < sizeof(void*) || p->type.elements) return D3DERR_INVALIDCALL;
        if (p->type.type == PType::String) return GetString(parameter, static_cast<LPCSTR*>(data));
        return GetTexture(parameter, static_cast<IDirect3DBaseTexture9**>(data));
    }
    if (bytes < p->type.bytes()) return D3DERR_INVALIDCALL;
    std::memcpy(data, p->data(), p->type.bytes());
    return D3D_OK;
}

#define NUMERIC_OR_FAIL(p)                                         \
    if (!(p) || (p)->type.cls == PClass::Object) return D3DERR_INVALIDCALL

HRESULT Effect::SetBool(D3DXHANDLE parameter, BOOL value) { return SetBoolArray(parameter, &value, 1); }

HRESULT Effect::SetBoolArray(D3DXHANDLE parameter, const BOOL* values, UINT count) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!values) return D3DERR_INVALIDCALL;
    writeInts(*p, values, count, true);
    return D3D_OK;
}

HRESULT Effect::GetBool(D3DXHANDLE parameter, BOOL* value) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!value || !readInts(*p, value, 1)) return D3DERR_INVALIDCALL;
    *value = *value != 0;
    return D3D_OK;
}

HRESULT Effect::SetInt(D3DXHANDLE parameter, INT value) { return SetIntArray(parameter, &value, 1); }

HRESULT Effect::SetIntArray(D3DXHANDLE parameter, const INT* values, UINT count) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!values) return D3DERR_INVALIDCALL;
    writeInts(*p, values, count, false);
    return D3D_OK;
}

HRESULT Effect::GetInt(D3DXHANDLE parameter, INT* value) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    return value && readInts(*p, value, 1) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Effect::SetFloat(D3DXHANDLE parameter, FLOAT value) { return SetFloatArray(parameter, &value, 1); }

HRESULT Effect::SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!values) return D3DERR_INVALIDCALL;
    writeFloats(*p, values, count);
    return D3D_OK;
}

HRESULT Effect::GetFloat(D3DXHANDLE parameter, FLOAT* value) { return GetFloatArray(parameter, value, 1); }

HRESULT Effect::GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!values) return D3DERR_INVALIDCALL;
    readFloats(*p, values, count);
    return D3D_OK;
}

HRESULT Effect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) { return SetVectorArray(parameter, vector, 1); }

HRESULT Effect::SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* vectors, UINT count) {
    Param* p = findParam(parameter);
    NUMERIC_OR_FAIL(p);
    if (!vectors || isMatrix(firstOf(p)) || p->type.cls == PClass::Struct) return D3DERR_INVALIDCALL;
    if (p->elements.empty()) {
        if (count) writeFloats(*p, &vectors[0].x, 4);
        return D3D_OK;
    }
    const size_t n = std::min<size_t>(count, p->elements.size());
    if (p->floats && p->elements[0]->floats == 4) {
        std::memcpy(p->data(), vectors, sizeof(D3DXVECTOR4) * n); // float4 elements: the caller's layout
        return D3D_OK;
    }
    for (size_t i = 0; i < n; ++i) writeFloats(*p->elements[i], &vectors[i].x, 4);
    return D3D_OK;
}

HRESULT Effect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
    Param* p = firstOf(findParam(parameter));
    NUMERIC_OR_FAIL(p);
    if (!vector) return D3DERR_INVALIDCALL;
    float v[4] = {0, 0, 0, 0};
    readFloats(*p, v, 4);
    vector->x = v[0];
    vector->y = v[1];
    vector->z = v[2];
    vector->w = v[3];
    return D3D_OK;
}

HRESULT Effect::setMatrices(Param* p, const D3DXMATRIX* const* pointers, const D3DXMATRIX* contiguous, UINT count,
                            bool transpose) {
    NUMERIC_OR_FAIL(p);
    if ((!pointers && !contiguous) || !isMatrix(firstOf(p))) return D3DERR_INVALIDCALL;
    auto at = [&](UINT i) { return pointers ? pointers[i] : &contiguous[i]; };
    if (p->elements.empty()) {
        if (count && at(0)) storeMatrix(*p, *at(0), transpose);
        return D3D_OK;
    }
    for (UINT i = 0; i < count && i < p->elements.size(); ++i) {
        if (!at(i)) return D3DERR_INVALIDCALL;
        storeMatrix(*p->elements[i], *at(i), transpose);
    }
    return D3D_OK;
}

HRESULT Effect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
    return setMatrices(findParam(parameter), &matrix, nullptr, 1, false);
}

HRESULT Effect::SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
    return setMatrices(findParam(parameter), &matrix, nullptr, 1, true);
}

// Bone palettes are set on every draw: no list of pointers is made for them.
HRESULT Effect::SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) {
    if (!matrices) return D3DERR_INVALIDCALL;
    return setMatrices(findParam(parameter), nullptr, matrices, count, false);
}

HRESULT Effect::SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) {
    if (!matrices) return D3DERR_INVALIDCALL;
    return setMatrices(findParam(parameter), nullptr, matrices, count, true);
}

HRESULT Effect::SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrices, UINT count) {
    return setMatrices(findParam(parameter), matrices, nullptr, count, false);
}

HRESULT Effect::GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) {
    Param* p = firstOf(findParam(parameter));
    NUMERIC_OR_FAIL(p);
    if (!matrix || !isMatrix(p)) return D3DERR_INVALIDCALL;
    float v[16] = {};
    readFloats(*p, v, 16);
    std::memset(matrix, 0, sizeof(*matrix));
    for (uint32_t r = 0; r < p->type.rows; ++r)
        for (uint32_t c = 0; c < p->type.cols; ++c) matrix->m[r][c] = v[r * p->type.cols + c];
    return D3D_OK;
}

HRESULT Effect::SetString(D3DXHANDLE parameter, LPCSTR string) {
    Param* p = findParam(parameter);
    if (!p || !string || p->type.cls != PClass::Object || p->type.type != PType::String) return D3DERR_INVALIDCALL;
    p->storage->text = string;
    return D3D_OK;
}

HRESULT Effect::GetString(D3DXHANDLE parameter, LPCSTR* string) {
    Param* p = findParam(parameter);
    if (!p || !string || p->type.cls != PClass::Object || p->type.type != PType::String) return D3DERR_INVALIDCALL;
    *string = p->storage->text.c_str();
    return D3D_OK;
}

HRESULT Effect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
    Param* p = findParam(parameter);
    if (!p || p->type.cls != PClass::Object || p->type.elements || !(isTexture(p->type.type) || isSampler(p->type.type)))
        return D3DERR_INVALIDCALL;
    p->storage->setTexture(texture);
    return D3D_OK;
}

HRESULT Effect::GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) {
    Param* p = findParam(parameter);
    if (!p || !texture || p->type.cls != PClass::Object || !(isTexture(p->type.type) || isSampler(p->type.type)))
        return D3DERR_INVALIDCALL;
    *texture = p->storage->texture;
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

// --- techniques ------------------------------------------------------------------------------

HRESULT Effect::GetPool(ID3DXEffectPool** pool) {
    if (!pool) return D3DERR_INVALIDCALL;
    *pool = pool_;
    if (pool_) pool_->AddRef();
    return D3D_OK;
}

HRESULT Effect::SetTechnique(D3DXHANDLE technique) {
    TechniqueRt* t = findTechnique(technique);
    if (!t) return D3DERR_INVALIDCALL;
    current_ = t;
    return D3D_OK;
}

D3DXHANDLE Effect::GetCurrentTechnique() { return handle(current_); }

HRESULT Effect::ValidateTechnique(D3DXHANDLE technique) { return findTechnique(technique) ? D3D_OK : D3DERR_INVALIDCALL; }

HRESULT Effect::FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) {
    if (!next) return D3DERR_INVALIDCALL;
    *next = nullptr;
    size_t from = 0;
    if (technique) {
        TechniqueRt* t = findTechnique(technique);
        if (!t) return D3DERR_INVALIDCALL;
        for (size_t i = 0; i < techniques_.size(); ++i)
            if (techniques_[i].get() == t) from = i + 1;
    }
    if (from < techniques_.size()) *next = handle(techniques_[from].get());
    return *next ? D3D_OK : S_FALSE;
}

HRESULT Effect::GetDevice(IDirect3DDevice9** device) {
    if (!device || !device_) return D3DERR_INVALIDCALL;
    *device = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT Effect::OnLostDevice() { return D3D_OK; }
HRESULT Effect::OnResetDevice() { return D3D_OK; }

HRESULT Effect::SetStateManager(ID3DXEffectStateManager* manager) {
    if (manager) manager->AddRef();
    if (manager_) manager_->Release();
    manager_ = manager;
    return D3D_OK;
}

HRESULT Effect::GetStateManager(ID3DXEffectStateManager** manager) {
    if (!manager) return D3DERR_INVALIDCALL;
    *manager = manager_;
    if (manager_) manager_->AddRef();
    return D3D_OK;
}

} // namespace fx
