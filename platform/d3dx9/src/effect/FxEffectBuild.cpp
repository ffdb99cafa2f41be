// Building an effect from its module: parameters with initial values, sampler setups,
// techniques, pass states and the programs of every pass.
#include <cstring>

#include "FxEffect.h"
#include "d3d9gl.h"

namespace fx {

Effect::Effect(std::shared_ptr<const Module> module, IDirect3DDevice9* device, Pool* pool)
    : module_(std::move(module)), device_(device), pool_(pool) {
    if (device_) device_->AddRef();
    if (pool_) pool_->AddRef();
}

Effect::~Effect() {
    for (auto& [stage, t] : saved_.textures)
        if (t) t->Release();
    if (saved_.vs) saved_.vs->Release();
    if (saved_.ps) saved_.ps->Release();
    for (auto& t : techniques_)
        for (auto& p : t->passes) {
            if (p->vs.shader) p->vs.shader->Release();
            if (p->ps.shader) p->ps.shader->Release();
        }
    if (manager_) manager_->Release();
    params_.clear();
    if (pool_) pool_->Release();
    if (device_) device_->Release();
}

void Effect::build() {
    buildParams();
    buildTechniques();
    for (auto& p : params_) addHandles(*p);
    pointHandles();
    current_ = techniques_.empty() ? nullptr : techniques_[0].get();
}

void Effect::addHandles(Param& p) {
    addSlot(HandleKind::Parameter, &p, p.annotations);
    for (auto& a : p.annotations) addHandles(*a);
    for (auto& m : p.members) addHandles(*m);
    for (auto& e : p.elements) addHandles(*e);
}

void Effect::addSlot(HandleKind kind, void* object, const std::vector<std::unique_ptr<Param>>& annotations) {
    slots_.push_back({kind, object, &annotations});
}

// Slots move while the table grows, so objects learn their handles only once it is complete.
void Effect::pointHandles() {
    for (HandleSlot& s : slots_) {
        if (s.kind == HandleKind::Parameter) static_cast<Param*>(s.object)->handle = &s;
        else if (s.kind == HandleKind::Technique) static_cast<TechniqueRt*>(s.object)->handle = &s;
        else static_cast<PassRt*>(s.object)->handle = &s;
    }
}

namespace {

using Params = std::vector<std::unique_ptr<Param>>;

bool isTextureType(PType t) { return t >= PType::Texture && t <= PType::TextureCube; }

// A shared parameter takes the pool's storage, which only its first declaration fills.
std::shared_ptr<Storage> storageOf(const Module& m, const Variable& v, Pool* pool, bool& created) {
    created = true;
    if (v.isShared && pool) {
        bool mismatch = false;
        std::shared_ptr<Storage> st = pool->shared(v.name, v.type, created, mismatch);
        if (mismatch) m.fail(v.at, "shared parameter '" + v.name + "' is declared with another type in the pool");
        return st;
    }
    auto st = std::make_shared<Storage>();
    st->type = v.type;
    return st;
}

void writeInitialValue(const Module& m, const Variable& v, Param& p, Storage& st) {
    Value val = evalConstant(m, v.initBegin, v.initEnd);
    if (v.type.cls == PClass::Object) {
        if (v.type.type != PType::String || !val.isString)
            m.fail(v.initBegin, "'" + v.name + "' cannot take this initial value");
        st.text = val.text;
    } else if (val.isString) {
        m.fail(v.initBegin, "'" + v.name + "' cannot take a string");
    } else {
        writeNumbers(p, val.numbers.data(), static_cast<uint32_t>(val.numbers.size()));
    }
}

std::unique_ptr<Param> makeTopParam(const Module& m, const Variable& v, Pool* pool) {
    bool created = true;
    std::shared_ptr<Storage> st = storageOf(m, v, pool, created);
    if (created) st->bytes.assign(v.type.isNumeric() || v.type.cls == PClass::Struct ? v.type.bytes() : 0, 0);
    auto p = makeParam(v.name, v.semantic, v.type, st, 0);
    p->var = &v;
    if (v.isShared) p->flags |= D3DXPARAMETER_SHARED;
    for (const auto& a : v.annotations) p->annotations.push_back(makeAnnotation(a));
    if (created && v.initEnd > v.initBegin) writeInitialValue(m, v, *p, *st);
    return p;
}

void checkSamplerTexture(const Module& m, const StateAssign& a, const PassState& s) {
    if (!s.value.ref && s.value.dynamic) m.fail(a.valBegin, "the texture of a sampler must be a texture parameter");
    if (s.value.ref && !isTextureType(s.value.ref->type.type))
        m.fail(a.valBegin, "'" + s.value.ref->name + "' is not a texture");
}

} // namespace

void Effect::buildParams() {
    const Module& m = *module_;
    for (const auto& d : m.decls) {
        if (d.kind != DeclKind::Variable) continue;
        const Variable& v = m.variables[static_cast<size_t>(d.index)];
        if (!v.isStatic) params_.push_back(makeTopParam(m, v, pool_));
    }
    samplerSetups_.resize(params_.size());
    for (size_t i = 0; i < params_.size(); ++i) {
        const Variable& v = *params_[i]->var;
        if (!v.samplerState) continue;
        for (const auto& a : v.samplerStates) {
            PassState s = makeState(a, true);
            if (s.info.kind != StateKind::Texture) {
                samplerSetups_[i].states.push_back(std::move(s));
                continue;
            }
            checkSamplerTexture(m, a, s);
            samplerSetups_[i].texture = s.value.ref;
        }
    }
}

namespace {

bool isTok(const Module& m, size_t k, size_t end, const char* s) { return k < end && m.tokens[k].text == s; }

// The parameter a value names: <name>, (name) or name.
const std::string* namedValue(const Module& m, size_t b, size_t e) {
    if (e - b == 3 && ((isTok(m, b, e, "<") && isTok(m, b + 2, e, ">")) || (isTok(m, b, e, "(") && isTok(m, b + 2, e, ")"))) &&
        m.tokens[b + 1].kind == Tok::Ident)
        return &m.tokens[b + 1].text;
    if (e - b == 1 && m.tokens[b].kind == Tok::Ident) return &m.tokens[b].text;
    return nullptr;
}

bool isNull(const std::string& name) { return name == "NULL" || name == "null"; }
bool isBoolWord(const std::string& name) {
    return name == "true" || name == "false" || name == "TRUE" || name == "FALSE";
}

Param* paramNamed(const Params& params, const std::string& name) {
    for (const auto& p : params)
        if (p->name == name) return p.get();
    return nullptr;
}

Compile parseCompile(const Module& m, size_t b, size_t e) {
    Compile c;
    c.at = b;
    size_t k = b + 1;
    if (k + 2 >= e || m.tokens[k].kind != Tok::Ident || m.tokens[k + 1].kind != Tok::Ident || m.tokens[k + 2].text != "(")
        m.fail(b, "expected 'compile <profile> <entry>(...)'");
    c.profile = m.tokens[k].text;
    c.entry = m.tokens[k + 1].text;
    k += 3;
    int level = 0;
    size_t argBegin = k;
    for (; k < e; ++k) {
        const std::string& t = m.tokens[k].text;
        if (m.tokens[k].kind != Tok::Punct) continue;
        if (t == "(" || t == "{" || t == "[") ++level;
        else if ((t == ")" || t == ",") && level == 0) {
            if (k > argBegin) c.args.emplace_back(argBegin, k);
            else if (t == "," || !c.args.empty()) m.fail(k, "expected an argument");
            argBegin = k + 1;
            if (t == ")") break;
        } else if (t == ")" || t == "}" || t == "]") --level;
    }
    if (k >= e) m.fail(b, "missing ')' after the compile arguments");
    if (k + 1 != e) m.fail(k + 1, "unexpected '" + m.tokens[k + 1].text + "' after the compile expression");
    return c;
}

// Finds the state, checks that it may stand where it does, and settles its index.
void lookUpState(const Module& m, const StateAssign& a, bool inSampler, PassState& s) {
    s.name = a.name;
    s.at = a.at;
    if (!findState(a.name, s.info)) m.fail(a.at, "unknown state '" + a.name + "'");
    if (inSampler && s.info.kind != StateKind::Sampler && s.info.kind != StateKind::Texture)
        m.fail(a.at, "'" + a.name + "' is not a sampler state");
    if (!inSampler && s.info.kind == StateKind::Sampler && a.index < 0)
        m.fail(a.at, "sampler state '" + a.name + "' needs a sampler index, as in " + a.name + "[0]");
    s.index = a.index < 0 ? 0 : a.index;
    if (s.info.kind == StateKind::Texture && !inSampler && s.index > 15 && (s.index < 257 || s.index > 260))
        m.fail(a.at, "texture stage out of range");
}

void bindParamValue(const Module& m, const StateAssign& a, Param& p, PassState& s) {
    s.value.ref = &p;
    s.value.dynamic = true;
    const bool texture = s.info.kind == StateKind::Texture;
    if (!texture && !p.type.isNumeric()) m.fail(a.valBegin, "'" + p.name + "' cannot be the value of '" + a.name + "'");
    if (texture && !isTextureType(p.type.type)) m.fail(a.valBegin, "'" + p.name + "' is not a texture");
}

// A value that is one name: NULL, or a parameter the state follows. True when that settles it;
// state value names and bools are left to the evaluation.
bool takeNamedValue(const Module& m, const StateAssign& a, const Params& params, PassState& s) {
    const std::string* n = namedValue(m, a.valBegin, a.valEnd);
    if (!n) return false;
    if (isNull(*n)) {
        s.value.constant = 0;
        return true;
    }
    uint32_t ev;
    if (findStateValue(s.info.enumTable, *n, ev) || isBoolWord(*n)) return false;
    if (Param* p = paramNamed(params, *n)) {
        bindParamValue(m, a, *p, s);
        return true;
    }
    if (s.info.kind == StateKind::Texture) m.fail(a.valBegin, "unknown texture '" + *n + "'");
    return false;
}

DWORD constantBits(double d, bool isFloat) {
    if (!isFloat) return static_cast<DWORD>(static_cast<int64_t>(d));
    const float f = static_cast<float>(d);
    DWORD bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// An expression value: constant when it names no numeric parameter, evaluated per pass otherwise.
void evaluateValue(const Module& m, const StateAssign& a, const Params& params, PassState& s) {
    bool usesParams = false;
    Resolver r = [&](const std::string& name, std::vector<double>& out) {
        uint32_t ev;
        if (findStateValue(s.info.enumTable, name, ev)) { out.assign(1, ev); return true; }
        for (const auto& p : params)
            if (p->name == name && p->type.isNumeric()) {
                usesParams = true;
                out.assign(1, 0.0);
                return true;
            }
        return false;
    };
    Value v = evalConstant(m, a.valBegin, a.valEnd, &r);
    if (v.isString || v.numbers.empty()) m.fail(a.valBegin, "'" + a.name + "' needs a number");
    s.value.begin = a.valBegin;
    s.value.end = a.valEnd;
    if (usesParams) s.value.dynamic = true;
    else s.value.constant = constantBits(v.numbers[0], s.info.isFloat);
}

} // namespace

PassState Effect::makeState(const StateAssign& a, bool inSampler) {
    const Module& m = *module_;
    PassState s;
    lookUpState(m, a, inSampler, s);
    if (takeNamedValue(m, a, params_, s)) return s;
    if (s.info.kind == StateKind::Texture) m.fail(a.valBegin, "the value of '" + a.name + "' must be a texture parameter");
    evaluateValue(m, a, params_, s);
    return s;
}
namespace {

bool isShaderState(const StateAssign& a, StateInfo& info) {
    return findState(a.name, info) && (info.kind == StateKind::VertexShader || info.kind == StateKind::PixelShader);
}

// The program a shader state sets: a compile expression, a shader variable, or none for NULL.
const Compile* shaderCompile(const Module& m, const StateAssign& a, Compile& parsed) {
    const std::string* n = namedValue(m, a.valBegin, a.valEnd);
    if (m.tokens[a.valBegin].text == "compile") {
        parsed = parseCompile(m, a.valBegin, a.valEnd);
        return &parsed;
    }
    if (n && isNull(*n)) return nullptr;
    const Variable* var = n ? m.findVariable(*n) : nullptr;
    if (var && var->hasCompile) return &var->compile;
    m.fail(a.valBegin, "'" + a.name + "' needs a compile expression or a shader variable");
}

} // namespace

PassState Effect::shaderState(PassRt& pass, const StateAssign& a, const StateInfo& info) {
    const Stage stage = info.kind == StateKind::VertexShader ? Stage::Vertex : Stage::Pixel;
    PassState ps;
    ps.info = info;
    ps.name = a.name;
    ps.at = a.at;
    (stage == Stage::Vertex ? pass.setsVertexShader : pass.setsPixelShader) = true;
    Compile parsed;
    if (const Compile* c = shaderCompile(*module_, a, parsed)) compileStage(pass, ps, *c, stage);
    else (stage == Stage::Vertex ? pass.vs : pass.ps) = StageBinding{};
    return ps;
}

std::unique_ptr<PassRt> Effect::buildPass(const Pass& p) {
    auto pr = std::make_unique<PassRt>();
    pr->name = p.name;
    for (const auto& a : p.annotations) pr->annotations.push_back(makeAnnotation(a));
    for (const auto& a : p.states) {
        StateInfo info;
        if (isShaderState(a, info)) pr->states.push_back(shaderState(*pr, a, info));
        else pr->states.push_back(makeState(a, false));
    }
    addSlot(HandleKind::Pass, pr.get(), pr->annotations);
    for (auto& an : pr->annotations) addHandles(*an);
    return pr;
}

void Effect::buildTechniques() {
    for (const auto& t : module_->techniques) {
        auto tr = std::make_unique<TechniqueRt>();
        tr->name = t.name;
        for (const auto& a : t.annotations) tr->annotations.push_back(makeAnnotation(a));
        for (const auto& p : t.passes) tr->passes.push_back(buildPass(p));
        addSlot(HandleKind::Technique, tr.get(), tr->annotations);
        for (auto& an : tr->annotations) addHandles(*an);
        techniques_.push_back(std::move(tr));
    }
}

void Effect::compileStage(PassRt& pass, PassState&, const Compile& c, Stage stage) {
    StageBinding& b = stage == Stage::Vertex ? pass.vs : pass.ps;
    b = StageBinding{};
    b.program = buildProgram(*module_, stage, c);
    bindStage(b);
}

void Effect::bindStage(StageBinding& b) {
    const size_t registerBytes = size_t{(b.program->registerBytes + 15) / 16} * 16;
    for (const auto& k : b.program->constants)
        for (auto& p : params_)
            if (p->name == k.name && p->type.cls != PClass::Object) {
                planRegisterCopies(k.layout, k.layout.offset, *p, registerBytes, b.copies);
                break;
            }
    for (const auto& s : b.program->samplers)
        for (size_t i = 0; i < params_.size(); ++i)
            if (params_[i]->name == s.name) {
                b.samplers.push_back({s.unit, params_[i].get(), &samplerSetups_[i]});
                break;
            }
    b.registers.assign(registerBytes / 4, 0);
}

namespace {

HRESULT createDeviceShader(IDirect3DDevice9* device, StageBinding& b, bool vertex, std::string& log) {
    HRESULT hr;
    if (vertex) {
        IDirect3DVertexShader9* s = nullptr;
        hr = d3dglCreateVertexShader(device, b.program->glsl.c_str(), &s, &log);
        b.shader = s;
    } else {
        IDirect3DPixelShader9* s = nullptr;
        hr = d3dglCreatePixelShader(device, b.program->glsl.c_str(), &s, &log);
        b.shader = s;
    }
    if (FAILED(hr) || !b.shader) {
        b.shader = nullptr;
        return FAILED(hr) ? hr : E_FAIL;
    }
    return D3D_OK;
}

// Passes that share a program share its device shader, one reference each.
bool reuseShader(const std::map<const Program*, IUnknown*>& made, StageBinding& b) {
    auto it = made.find(b.program.get());
    if (it == made.end()) return false;
    b.shader = it->second;
    b.shader->AddRef();
    return true;
}

std::string shaderFailure(const Module& m, bool vertex, const TechniqueRt& t, const PassRt& p, const std::string& log) {
    return m.files.where(0, 1) + ": error: the device cannot create the " + (vertex ? "vertex" : "pixel") +
           " shader of technique '" + t.name + "', pass '" + p.name + "': " + log + "\n";
}

} // namespace

bool Effect::createShaders(std::string& errors) {
    if (!device_) return true;
    std::map<const Program*, IUnknown*> made;
    for (auto& t : techniques_)
        for (auto& p : t->passes)
            for (int st = 0; st < 2; ++st) {
                StageBinding& b = st == 0 ? p->vs : p->ps;
                if (!b.program || reuseShader(made, b)) continue;
                std::string log;
                if (FAILED(createDeviceShader(device_, b, st == 0, log))) {
                    errors += shaderFailure(*module_, st == 0, *t, *p, log);
                    return false;
                }
                made[b.program.get()] = b.shader;
            }
    return true;
}

const Program* Effect::passProgram(D3DXHANDLE technique, UINT pass, bool pixel) {
    TechniqueRt* t = findTechnique(technique);
    if (!t || pass >= t->passes.size()) return nullptr;
    return (pixel ? t->passes[pass]->ps : t->passes[pass]->vs).program.get();
}

HRESULT Effect::CloneEffect(IDirect3DDevice9* device, ID3DXEffect** effect) {
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    auto* e = new Effect(module_, device, pool_);
    try {
        e->build();
    } catch (const std::exception&) {
        e->Release();
        return E_FAIL;
    }
    for (size_t i = 0; i < params_.size() && i < e->params_.size(); ++i) {
        Storage& from = *params_[i]->storage;
        Storage& to = *e->params_[i]->storage;
        if (&from == &to) continue;
        to.bytes = from.bytes;
        to.text = from.text;
        to.setTexture(from.texture);
    }
    for (size_t i = 0; i < techniques_.size(); ++i)
        if (techniques_[i].get() == current_) e->current_ = e->techniques_[i].get();
    e->SetStateManager(manager_);
    std::string errors;
    if (!e->createShaders(errors)) {
        e->Release();
        return E_FAIL;
    }
    *effect = e;
    return D3D_OK;
}

} // namespace fx
