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

void Effect::buildParams() {
    const Module& m = *module_;
    for (const auto& d : m.decls) {
        if (d.kind != DeclKind::Variable) continue;
        const Variable& v = m.variables[static_cast<size_t>(d.index)];
        if (v.isStatic) continue;
        bool created = true, mismatch = false;
        std::shared_ptr<Storage> st;
        if (v.isShared && pool_) {
            st = pool_->shared(v.name, v.type, created, mismatch);
            if (mismatch) m.fail(v.at, "shared parameter '" + v.name + "' is declared with another type in the pool");
        } else {
            st = std::make_shared<Storage>();
            st->type = v.type;
        }
        if (created) st->bytes.assign(v.type.isNumeric() || v.type.cls == PClass::Struct ? v.type.bytes() : 0, 0);
        auto p = makeParam(v.name, v.semantic, v.type, st, 0);
        p->var = &v;
        if (v.isShared) p->flags |= D3DXPARAMETER_SHARED;
        for (const auto& a : v.annotations) p->annotations.push_back(makeAnnotation(a));
        if (created && v.initEnd > v.initBegin) {
            Value val = evalConstant(m, v.initBegin, v.initEnd);
            if (v.type.cls == PClass::Object) {
                if (v.type.type != PType::String || !val.isString)
                    m.fail(v.initBegin, "'" + v.name + "' cannot take this initial value");
                st->text = val.text;
            } else if (val.isString) {
                m.fail(v.initBegin, "'" + v.name + "' cannot take a string");
            } else {
                writeNumbers(*p, val.numbers.data(), static_cast<uint32_t>(val.numbers.size()));
            }
        }
        params_.push_back(std::move(p));
    }
    samplerSetups_.resize(params_.size());
    for (size_t i = 0; i < params_.size(); ++i) {
        const Variable& v = *params_[i]->var;
        if (!v.samplerState) continue;
        for (const auto& a : v.samplerStates) {
            StateInfo info;
            if (findState(a.name, info) && info.kind == StateKind::Texture) {
                PassState s = makeState(a, true);
                if (!s.value.ref && s.value.dynamic)
                    m.fail(a.valBegin, "the texture of a sampler must be a texture parameter");
                if (s.value.ref && (s.value.ref->type.type < PType::Texture || s.value.ref->type.type > PType::TextureCube))
                    m.fail(a.valBegin, "'" + s.value.ref->name + "' is not a texture");
                samplerSetups_[i].texture = s.value.ref;
                continue;
            }
            samplerSetups_[i].states.push_back(makeState(a, true));
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

} // namespace

PassState Effect::makeState(const StateAssign& a, bool inSampler) {
    const Module& m = *module_;
    PassState s;
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
    size_t b = a.valBegin, e = a.valEnd;
    if (const std::string* n = namedValue(m, b, e)) {
        uint32_t ev;
        if (*n == "NULL" || *n == "null") {
            s.value.constant = 0;
            return s;
        }
        if (!findStateValue(s.info.enumTable, *n, ev) && *n != "true" && *n != "false" && *n != "TRUE" && *n != "FALSE") {
            for (auto& p : params_)
                if (p->name == *n) {
                    s.value.ref = p.get();
                    s.value.dynamic = true;
                    if (s.info.kind != StateKind::Texture && !p->type.isNumeric())
                        m.fail(b, "'" + *n + "' cannot be the value of '" + a.name + "'");
                    if (s.info.kind == StateKind::Texture &&
                        (p->type.type < PType::Texture || p->type.type > PType::TextureCube))
                        m.fail(b, "'" + *n + "' is not a texture");
                    return s;
                }
            if (s.info.kind == StateKind::Texture) m.fail(b, "unknown texture '" + *n + "'");
        }
    }
    if (s.info.kind == StateKind::Texture) m.fail(b, "the value of '" + a.name + "' must be a texture parameter");
    bool usesParams = false;
    Resolver r = [&](const std::string& name, std::vector<double>& out) {
        uint32_t ev;
        if (findStateValue(s.info.enumTable, name, ev)) { out.assign(1, ev); return true; }
        for (auto& p : params_)
            if (p->name == name && p->type.isNumeric()) {
                usesParams = true;
                out.assign(1, 0.0);
                return true;
            }
        return false;
    };
    Value v = evalConstant(m, b, e, &r);
    if (v.isString || v.numbers.empty()) m.fail(b, "'" + a.name + "' needs a number");
    s.value.begin = b;
    s.value.end = e;
    if (usesParams) {
        s.value.dynamic = true;
        return s;
    }
    double d = v.numbers[0];
    if (s.info.isFloat) {
        float f = static_cast<float>(d);
        std::memcpy(&s.value.constant, &f, 4);
    } else {
        s.value.constant = static_cast<DWORD>(static_cast<int64_t>(d));
    }
    return s;
}

void Effect::buildTechniques() {
    const Module& m = *module_;
    for (const auto& t : m.techniques) {
        auto tr = std::make_unique<TechniqueRt>();
        tr->name = t.name;
        for (const auto& a : t.annotations) tr->annotations.push_back(makeAnnotation(a));
        for (const auto& p : t.passes) {
            auto pr = std::make_unique<PassRt>();
            pr->name = p.name;
            for (const auto& a : p.annotations) pr->annotations.push_back(makeAnnotation(a));
            for (const auto& a : p.states) {
                StateInfo info;
                if (findState(a.name, info) && (info.kind == StateKind::VertexShader || info.kind == StateKind::PixelShader)) {
                    Stage stage = info.kind == StateKind::VertexShader ? Stage::Vertex : Stage::Pixel;
                    PassState ps;
                    ps.info = info;
                    ps.name = a.name;
                    ps.at = a.at;
                    (stage == Stage::Vertex ? pr->setsVertexShader : pr->setsPixelShader) = true;
                    const std::string* n = namedValue(m, a.valBegin, a.valEnd);
                    if (m.tokens[a.valBegin].text == "compile") {
                        compileStage(*pr, ps, parseCompile(m, a.valBegin, a.valEnd), stage);
                    } else if (n && (*n == "NULL" || *n == "null")) {
                        (stage == Stage::Vertex ? pr->vs : pr->ps) = StageBinding{};
                    } else if (n && m.findVariable(*n) && m.findVariable(*n)->hasCompile) {
                        compileStage(*pr, ps, m.findVariable(*n)->compile, stage);
                    } else {
                        m.fail(a.valBegin, "'" + a.name + "' needs a compile expression or a shader variable");
                    }
                    pr->states.push_back(ps);
                    continue;
                }
                pr->states.push_back(makeState(a, false));
            }
            addSlot(HandleKind::Pass, pr.get(), pr->annotations);
            for (auto& an : pr->annotations) addHandles(*an);
            tr->passes.push_back(std::move(pr));
        }
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
    for (const auto& k : b.program->constants)
        for (auto& p : params_)
            if (p->name == k.name && p->type.cls != PClass::Object) {
                b.constants.emplace_back(k.layout, p.get());
                break;
            }
    for (const auto& s : b.program->samplers)
        for (auto& p : params_)
            if (p->name == s.name) {
                b.samplers.emplace_back(s.unit, p.get());
                break;
            }
    b.registers.assign(size_t{(b.program->registerBytes + 15) / 16} * 4, 0);
}

bool Effect::createShaders(std::string& errors) {
    if (!device_) return true;
    std::map<const Program*, IUnknown*> made;
    for (auto& t : techniques_)
        for (auto& p : t->passes)
            for (int st = 0; st < 2; ++st) {
                StageBinding& b = st == 0 ? p->vs : p->ps;
                if (!b.program) continue;
                auto it = made.find(b.program.get());
                if (it != made.end()) {
                    b.shader = it->second;
                    b.shader->AddRef();
                    continue;
                }
                std::string log;
                HRESULT hr;
                if (st == 0) {
                    IDirect3DVertexShader9* s = nullptr;
                    hr = d3dglCreateVertexShader(device_, b.program->glsl.c_str(), &s, &log);
                    b.shader = s;
                } else {
                    IDirect3DPixelShader9* s = nullptr;
                    hr = d3dglCreatePixelShader(device_, b.program->glsl.c_str(), &s, &log);
                    b.shader = s;
                }
                if (FAILED(hr) || !b.shader) {
                    b.shader = nullptr;
                    errors += module_->files.where(0, 1) + ": error: the device cannot create the " +
                              (st == 0 ? "vertex" : "pixel") + " shader of technique '" + t->name + "', pass '" +
                              p->name + "': " + log + "\n";
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
