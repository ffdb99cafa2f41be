// The HLSL text of one entry point: only what it reaches, with what glslang cannot read removed
// and the Direct3D 9 semantics it does not know rewritten.
#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "FxNumber.h"
#include "FxProgram.h"

namespace fx {
namespace {

bool profileOk(const std::string& p, Stage stage) {
    static const char* const vs[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw", "vs_3_0", "vs_3_sw"};
    static const char* const ps[] = {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_0", "ps_2_a", "ps_2_b",
                                     "ps_2_sw", "ps_3_0", "ps_3_sw"};
    std::string l = p;
    for (auto& ch : l) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (stage == Stage::Vertex) return std::find(std::begin(vs), std::end(vs), l) != std::end(vs);
    return std::find(std::begin(ps), std::end(ps), l) != std::end(ps);
}

std::string upper(std::string s) {
    for (auto& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

bool isPositionSemantic(const std::string& s) {
    std::string u = upper(s);
    return u == "POSITION" || u == "POSITION0";
}

// glslang crashes on some uses of one-component vectors ("float1 a[2]; a[1].x", or spelled
// "vector<float, 1>"): they are given as scalars, which take the same register and swizzle
// alike. The spelling of token k, and in `used` the tokens it stands for.
std::string glslangSpelling(const Tokens& t, size_t k, size_t end, size_t& used) {
    used = 1;
    const std::string& s = t[k].text;
    if (t[k].kind != Tok::Ident) return s;
    if (s == "vector" && k + 5 < end && t[k + 1].text == "<" && t[k + 2].kind == Tok::Ident && t[k + 3].text == "," &&
        t[k + 4].kind == Tok::Number && readInteger(t[k + 4].text) == 1 && t[k + 5].text == ">") {
        used = 6;
        return t[k + 2].text;
    }
    if (s.size() < 4 || s.back() != '1' || s[s.size() - 2] == 'x') return s;
    static const char* const scalars[] = {"float", "half", "double", "int", "uint", "bool", "dword",
                                          "min16float", "min10float", "min16int", "min16uint"};
    std::string base = s.substr(0, s.size() - 1);
    for (const char* name : scalars)
        if (base == name) return base;
    return s;
}

class SourceBuilder {
public:
    SourceBuilder(const Module& m, Stage stage, const Compile& c) : m_(m), stage_(stage), c_(c) {}

    std::string build(std::vector<std::pair<uint16_t, uint32_t>>* lines) {
        if (!profileOk(c_.profile, stage_))
            m_.fail(c_.at + 1, "'" + c_.profile + "' is not a " + (stage_ == Stage::Vertex ? "vertex" : "pixel") +
                                   " shader profile");
        entry_ = pickEntry();
        for (const auto& a : c_.args) checkObjectReads(a.first, a.second);
        reach();
        markIoStructs();
        markUniformStructs();
        for (const auto& d : m_.decls) {
            if (!used(d)) continue;
            switch (d.kind) {
            case DeclKind::Struct: emitStruct(m_.structs[static_cast<size_t>(d.index)]); break;
            case DeclKind::Typedef: emitRange(d.begin, d.end); break;
            case DeclKind::Variable: emitVariable(m_.variables[static_cast<size_t>(d.index)]); break;
            case DeclKind::Function:
                checkObjectReads(d.begin, d.end);
                emitRange(d.begin, d.end);
                break;
            case DeclKind::Technique: break;
            }
        }
        emitWrapper();
        if (lines) *lines = lines_;
        return out_;
    }

private:
    const Module& m_;
    Stage stage_;
    const Compile& c_;
    const Function* entry_ = nullptr;
    std::set<std::string> names_;
    std::set<std::string> outStructs_, inStructs_, uniformStructs_;
    std::string out_;
    std::vector<std::pair<uint16_t, uint32_t>> lines_;
    uint16_t curFile_ = 0xFFFF;
    uint32_t curLine_ = 0;

    std::vector<size_t> uniformParams(const Function& f) const {
        std::vector<size_t> u;
        for (size_t k = 0; k < f.params.size(); ++k) {
            const FuncParam& p = f.params[k];
            if (p.isUniform() || (p.semantic.empty() && !p.isOut() && !m_.findStruct(p.typeName))) u.push_back(k);
        }
        return u;
    }

    const Function* pickEntry() const {
        const Function* any = nullptr;
        for (const auto& f : m_.functions) {
            if (f.name != c_.entry || !f.hasBody) continue;
            if (!any) any = &f;
            if (uniformParams(f).size() == c_.args.size()) return &f;
        }
        if (!any) m_.fail(c_.at, "entry point '" + c_.entry + "' not found");
        m_.fail(c_.at, "entry point '" + c_.entry + "' takes " + std::to_string(uniformParams(*any).size()) +
                           " uniform arguments, " + std::to_string(c_.args.size()) + " given");
    }

    bool used(const Decl& d) const {
        if (d.kind == DeclKind::Technique) return false;
        return names_.count(d.name) != 0;
    }

    void scan(size_t b, size_t e, std::vector<std::string>& work) {
        for (size_t k = b; k < e && k < m_.tokens.size(); ++k)
            if (m_.tokens[k].kind == Tok::Ident && !names_.count(m_.tokens[k].text)) {
                names_.insert(m_.tokens[k].text);
                work.push_back(m_.tokens[k].text);
            }
    }

    // Every declaration reachable from the entry point and the compile arguments.
    void reach() {
        std::vector<std::string> work{entry_->name};
        names_.insert(entry_->name);
        for (const auto& a : c_.args) scan(a.first, a.second, work);
        while (!work.empty()) {
            std::string n = work.back();
            work.pop_back();
            for (const auto& d : m_.decls) {
                if (d.name != n || d.kind == DeclKind::Technique) continue;
                if (d.kind == DeclKind::Variable) {
                    const Variable& v = m_.variables[static_cast<size_t>(d.index)];
                    scan(v.typeBegin, v.typeEnd, work);
                    for (const auto& dim : v.dims) scan(dim.first, dim.second, work);
                    if (v.isStatic) scan(v.initBegin, v.initEnd, work);
                } else {
                    scan(d.begin, d.end, work);
                }
            }
        }
    }

    // The struct and every struct nested in it.
    void addStructs(std::set<std::string>& s, const std::string& n) const {
        std::vector<std::string> todo{n};
        while (!todo.empty()) {
            std::string x = todo.back();
            todo.pop_back();
            const StructDef* sd = m_.findStruct(x);
            if (!sd || !s.insert(x).second) continue;
            for (const auto& mem : sd->members)
                if (mem.type.cls == PClass::Struct) todo.push_back(mem.type.structName);
        }
    }

    void markIoStructs() {
        addStructs(outStructs_, entry_->returnType);
        for (const auto& p : entry_->params) {
            addStructs(p.isOut() ? outStructs_ : inStructs_, p.typeName);
            if (std::find(p.mods.begin(), p.mods.end(), "inout") != p.mods.end()) addStructs(inStructs_, p.typeName);
        }
    }

    // Structs that parameters the program reads are made of.
    void markUniformStructs() {
        for (const auto& v : m_.variables)
            if (!v.isStatic && v.type.cls == PClass::Struct && names_.count(v.name)) addStructs(uniformStructs_, v.type.structName);
    }

    std::string rewriteSemantic(const std::string& s, bool output) const {
        std::string u = upper(s);
        if (stage_ == Stage::Vertex) {
            if (output && isPositionSemantic(u)) return "SV_Position";
        } else if (!output) {
            if (isPositionSemantic(u) || u == "VPOS") return "SV_Position";
            if (u == "VFACE") return "SV_IsFrontFace";
        } else if (u == "DEPTH" || u == "DEPTH0") {
            return "SV_Depth";
        }
        return s;
    }

    // --- text ------------------------------------------------------------------------------

    void place(const Token& t) {
        if (t.file != curFile_ || t.line != curLine_ || out_.empty()) {
            if (!out_.empty()) out_ += '\n';
            lines_.emplace_back(t.file, t.line);
            curFile_ = t.file;
            curLine_ = t.line;
        } else if (t.space) {
            out_ += ' ';
        }
    }

    void word(const Token& at, const std::string& text) {
        place(at);
        if (!out_.empty() && out_.back() != '\n' && out_.back() != ' ') out_ += ' ';
        out_ += text;
    }

    void emitRange(size_t b, size_t e, const std::map<size_t, std::string>* replace = nullptr) {
        for (size_t k = b; k < e; ++k) {
            const Token& t = m_.tokens[k];
            place(t);
            if (!out_.empty() && out_.back() != '\n' && out_.back() != ' ' && needsGap(out_.back(), t.text))
                out_ += ' ';
            if (replace) {
                auto it = replace->find(k);
                if (it != replace->end()) { out_ += it->second; continue; }
            }
            size_t used = 1;
            out_ += glslangSpelling(m_.tokens, k, e, used);
            k += used - 1;
        }
    }

    static bool needsGap(char prev, const std::string& next) {
        auto w = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        return !next.empty() && w(prev) && w(next[0]);
    }

    void emitStruct(const StructDef& s) {
        std::map<size_t, std::string> rep;
        bool isOut = outStructs_.count(s.name) != 0;
        bool isIn = inStructs_.count(s.name) != 0;
        for (const auto& mem : s.members) {
            if (!mem.semanticToken) continue;
            std::string u = upper(mem.semantic);
            if (stage_ == Stage::Pixel && isIn && (u == "VPOS" || u == "VFACE"))
                m_.fail(mem.semanticToken, u + " must be a parameter of the pixel shader, not a struct member");
            std::string r = mem.semantic;
            if (isOut) r = rewriteSemantic(r, true);
            else if (isIn) r = rewriteSemantic(r, false);
            if (r != mem.semantic) rep[mem.semanticToken] = r;
        }
        if (uniformStructs_.count(s.name)) emitNumericMembers(s, rep);
        else emitRange(s.begin, s.end, &rep);
    }

    // Objects in a parameter's struct take no register: left in, they make glslang split the
    // struct into loose uniforms that nothing sets, or fail on it, so only the numbers are given.
    // Structs that only locals are made of keep theirs.
    void emitNumericMembers(const StructDef& s, const std::map<size_t, std::string>& rep) {
        size_t from = s.begin;
        bool kept = false;
        for (const auto& mem : s.members) {
            if (mem.type.cls != PClass::Object) {
                kept = true;
                continue;
            }
            if (mem.declBegin < from) continue; // a later name of the same declaration
            emitRange(from, mem.declBegin, &rep);
            from = mem.declEnd;
        }
        if (!kept) {
            emitRange(from, s.end - 2, &rep); // up to the closing "};"
            out_ += " float fx_empty;";
            from = s.end - 2;
        }
        emitRange(from, s.end, &rep);
    }

    // A read of an object member of a struct parameter ("s[1].sampler"), which the struct as
    // given to glslang no longer has: refused here, naming the parameter.
    void checkObjectReads(size_t b, size_t e) const {
        const Tokens& t = m_.tokens;
        for (size_t k = b; k < e && k < t.size(); ++k) {
            if (t[k].kind != Tok::Ident || (k > b && t[k - 1].text == ".")) continue;
            const Variable* v = m_.findVariable(t[k].text);
            if (v && !v->isStatic && v->type.cls == PClass::Struct) checkMemberChain(*v, k, e);
        }
    }

    // Follows "[...]" and ".member" after the variable at token k.
    void checkMemberChain(const Variable& v, size_t k, size_t e) const {
        const Tokens& t = m_.tokens;
        const TypeDesc* type = &v.type;
        size_t j = k + 1;
        while (j + 1 < e && type) {
            if (t[j].text == "[") {
                j = closing(j, e) + 1;
                continue;
            }
            if (t[j].text != "." || t[j + 1].kind != Tok::Ident) return;
            const Member* mem = memberNamed(*type, t[j + 1].text);
            if (!mem) return;
            if (mem->type.cls == PClass::Object)
                m_.fail(j + 1, "parameter '" + v.name + "': a shader cannot read '" + spell(k, j + 2) +
                                   "', an object held in a struct");
            type = mem->type.cls == PClass::Struct ? &mem->type : nullptr;
            j += 2;
        }
    }

    // glslang makes matrices of one row or column into types no GLSL block can hold.
    void checkMatrixShapes(const TypeDesc& type, const std::string& path, size_t at) const {
        if ((type.cls == PClass::MatrixRows || type.cls == PClass::MatrixColumns) && (type.rows == 1 || type.cols == 1))
            m_.fail(at, "'" + path + "' is a matrix of one row or column (" + std::to_string(type.rows) + "x" +
                            std::to_string(type.cols) + "), which the shader compiler cannot read");
        for (const auto& mem : type.members) checkMatrixShapes(mem.type, path + "." + mem.name, at);
    }

    size_t closing(size_t open, size_t e) const {
        int level = 0;
        for (size_t j = open; j < e; ++j) {
            if (m_.tokens[j].text == "[") ++level;
            else if (m_.tokens[j].text == "]" && --level == 0) return j;
        }
        return e;
    }

    static const Member* memberNamed(const TypeDesc& type, const std::string& name) {
        for (const auto& mem : type.members)
            if (mem.name == name) return &mem;
        return nullptr;
    }

    void emitVariable(const Variable& v) {
        const Token& at = m_.tokens[v.at];
        if (v.type.cls == PClass::Object) {
            if (v.type.type < PType::Sampler || v.type.type > PType::SamplerCube) return; // textures, strings, shaders
            if (v.type.elements) m_.fail(v.at, "arrays of samplers are not supported");
            static const char* const names[] = {"sampler2D", "sampler1D", "sampler2D", "sampler3D", "samplerCUBE"};
            word(at, v.type.type == PType::Sampler ? samplerKind(v.name)
                                                   : names[static_cast<int>(v.type.type) - static_cast<int>(PType::Sampler)]);
            word(at, v.name);
            out_ += ";";
            return;
        }
        checkMatrixShapes(v.type, v.name, v.at);
        if (v.isStatic) word(at, "static");
        if (v.isStatic && v.isConst) word(at, "const");
        if (v.rowMajor) word(at, "row_major");
        if (v.columnMajor) word(at, "column_major");
        emitRange(v.typeBegin, v.typeEnd);
        word(at, v.name);
        for (const auto& d : v.dims) {
            out_ += "[";
            emitRange(d.first, d.second);
            out_ += "]";
        }
        if (v.isStatic && v.initEnd > v.initBegin) {
            checkObjectReads(v.initBegin, v.initEnd);
            out_ += " =";
            emitRange(v.initBegin, v.initEnd);
        }
        out_ += ";";
    }

    // A plain "sampler" takes the kind of the lookups that read it.
    const char* samplerKind(const std::string& name) const {
        const Tokens& t = m_.tokens;
        for (size_t k = 0; k + 2 < t.size(); ++k) {
            if (t[k].kind != Tok::Ident || t[k + 1].text != "(" || t[k + 2].text != name) continue;
            const std::string& f = t[k].text;
            if (f.compare(0, 7, "texCUBE") == 0) return "samplerCUBE";
            if (f.compare(0, 5, "tex3D") == 0) return "sampler3D";
            if (f.compare(0, 5, "tex1D") == 0) return "sampler1D";
        }
        return "sampler2D";
    }

    std::string spell(size_t b, size_t e) const {
        std::string s;
        for (size_t k = b; k < e; ++k) {
            if (!s.empty() && needsGap(s.back(), m_.tokens[k].text)) s += ' ';
            size_t used = 1;
            s += glslangSpelling(m_.tokens, k, e, used);
            k += used - 1;
        }
        return s;
    }

    // The compile expression's arguments, spelled in place of the uniform parameters they fill.
    std::vector<std::string> literalArguments(const Function& f) const {
        std::vector<size_t> uni = uniformParams(f);
        std::vector<std::string> argText(f.params.size());
        for (size_t k = 0; k < uni.size(); ++k)
            argText[uni[k]] = "(" + spell(c_.args[k].first, c_.args[k].second) + ")";
        return argText;
    }

    // Pixel inputs the new profiles spell otherwise: the pixel position without the half-pixel
    // offset, and the face sign from the front-facing flag.
    bool wrapPixelInput(const FuncParam& p, const std::string& pname, const std::string& type, std::string& params,
                        std::string& call) const {
        if (stage_ != Stage::Pixel || p.isOut()) return false;
        const std::string u = upper(p.semantic);
        if (u == "VPOS") {
            params.append("float4 ").append(pname).append(" : SV_Position");
            call.append("(").append(type).append(")(").append(pname).append(" - float4(0.5, 0.5, 0.0, 0.0))");
            return true;
        }
        if (u == "VFACE") {
            params.append("bool ").append(pname).append(" : SV_IsFrontFace");
            call.append("(").append(pname).append(" ? 1.0 : -1.0)");
            return true;
        }
        return false;
    }

    void wrapParam(size_t k, const FuncParam& p, std::string& params, std::string& call) const {
        std::string pname = "fx_arg" + std::to_string(k);
        std::string type = spell(p.typeBegin, p.typeEnd);
        if (wrapPixelInput(p, pname, type, params, call)) return;
        for (const auto& mo : p.mods)
            if (mo != "uniform" && mo != "const") params.append(mo).append(" ");
        params.append(type).append(" ").append(pname);
        for (const auto& d : p.dims) params.append("[").append(spell(d.first, d.second)).append("]");
        if (!p.semantic.empty()) params.append(" : ").append(rewriteSemantic(p.semantic, p.isOut()));
        call += pname;
    }

    void emitWrapper() {
        const Function& f = *entry_;
        std::vector<std::string> argText = literalArguments(f);
        std::string params, call;
        for (size_t k = 0; k < f.params.size(); ++k) {
            if (!call.empty()) call += ", ";
            if (!argText[k].empty()) { call += argText[k]; continue; }
            if (!params.empty()) params += ", ";
            wrapParam(k, f.params[k], params, call);
        }
        std::string ret = spell(f.retBegin, f.retEnd);
        std::string rs = f.semantic.empty() ? "" : " : " + rewriteSemantic(f.semantic, true);
        out_ += "\n";
        lines_.emplace_back(0xFFFF, 0);
        out_ += ret + " fx_main(" + params + ")" + rs + " { " + (ret == "void" ? "" : "return ") + f.name + "(" + call +
                "); }\n";
        lines_.emplace_back(0xFFFF, 0);
    }
};

} // namespace

std::string programSource(const Module& m, Stage stage, const Compile& c, std::vector<std::pair<uint16_t, uint32_t>>* lines) {
    SourceBuilder b(m, stage, c);
    return b.build(lines);
}

} // namespace fx
