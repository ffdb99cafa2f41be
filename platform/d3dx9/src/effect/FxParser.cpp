#include <cctype>
#include <cstring>
#include <set>

#include "FxNumber.h"
#include "FxModule.h"

namespace fx {
namespace {


// Far above the 256 constant registers a program can read; keeps hostile text from exhausting memory.
constexpr uint64_t kMaxBytes = uint64_t{64} * 1024;
constexpr uint64_t kMaxNodes = 4096;

const std::set<std::string>& storageWords() {
    static const std::set<std::string> s = {"static", "uniform", "extern", "shared", "const", "volatile",
                                            "row_major", "column_major", "inline", "precise", "groupshared"};
    return s;
}

const std::set<std::string>& interpWords() {
    static const std::set<std::string> s = {"linear", "centroid", "nointerpolation", "noperspective", "sample",
                                            "row_major", "column_major", "const", "uniform", "in", "out", "inout"};
    return s;
}

// glslang dies on a struct with a void member.
bool isVoid(const TypeDesc& t) { return t.cls == PClass::Scalar && t.type == PType::Void; }

class Parser {
public:
    explicit Parser(Module& m) : m_(m), t_(m.tokens) {}

    void run() {
        Token end;
        end.kind = Tok::End;
        if (!t_.empty()) { end.file = t_.back().file; end.line = t_.back().line; end.col = t_.back().col + 1; }
        t_.push_back(end);
        while (!atEnd()) top();
        t_.pop_back();
    }

private:
    Module& m_;
    Tokens& t_;
    size_t i_ = 0;

    bool atEnd() const { return t_[i_].kind == Tok::End; }
    const Token& cur() const { return t_[i_]; }
    const Token& peek(size_t k) const { return t_[std::min(i_ + k, t_.size() - 1)]; }
    bool is(const char* s) const { return cur().kind != Tok::String && cur().text == s; }
    bool accept(const char* s) { if (is(s)) { ++i_; return true; } return false; }
    [[noreturn]] void fail(const std::string& msg) const {
        if (atEnd()) m_.fail(i_, msg + " at end of text");
        m_.fail(i_, msg + " near '" + cur().text + "'");
    }
    void expect(const char* s) {
        if (!accept(s)) fail(std::string("expected '") + s + "'");
    }
    std::string ident(const char* what) {
        if (cur().kind != Tok::Ident) fail(std::string("expected ") + what);
        return t_[i_++].text;
    }

    // Skips a balanced group starting at an opening token.
    void skipGroup(const char* open, const char* close) {
        int level = 0;
        do {
            if (atEnd()) fail(std::string("missing '") + close + "'");
            if (is(open)) ++level;
            else if (is(close)) --level;
            ++i_;
        } while (level > 0);
    }

    void top() {
        if (accept(";")) return;
        if (ieq(cur().text, "technique") || ieq(cur().text, "technique9")) { technique(); return; }
        if (is("struct") && peek(1).kind == Tok::Ident && peek(2).text == "{") { structDecl(); return; }
        if (is("typedef")) { typedefDecl(); return; }
        if (is("cbuffer") || is("tbuffer")) fail("constant buffers are not part of Direct3D 9 effects");
        declaration();
    }

    // --- types ---------------------------------------------------------------------------

    // Reads a type at the cursor; returns its description, and the token span.
    TypeDesc type(size_t& begin, size_t& end) {
        begin = i_;
        accept("struct");
        std::string name = ident("a type name");
        TypeDesc td;
        if ((name == "vector" || name == "matrix") && is("<")) {
            ++i_;
            std::string base = ident("a component type");
            std::vector<uint32_t> n;
            while (accept(",")) {
                if (cur().kind != Tok::Number) fail("expected a size");
                n.push_back(static_cast<uint32_t>(readInteger(t_[i_++].text)));
            }
            expect(">");
            std::string full = base;
            if (name == "vector" && n.size() == 1 && n[0] >= 1 && n[0] <= 4) full += std::to_string(n[0]);
            else if (name == "matrix" && n.size() == 2 && n[0] >= 1 && n[0] <= 4 && n[1] >= 1 && n[1] <= 4)
                full += std::to_string(n[0]) + "x" + std::to_string(n[1]);
            else m_.fail(begin, "bad " + name + " type");
            if (!typeFromName(m_, full, td)) m_.fail(begin, "unknown type '" + full + "'");
        } else if (!typeFromName(m_, name, td)) {
            m_.fail(begin, "unknown type '" + name + "'");
        }
        end = i_;
        return td;
    }

    void dims(std::vector<std::pair<size_t, size_t>>& out, TypeDesc* td) {
        while (is("[")) {
            size_t b = ++i_;
            int level = 1;
            while (level > 0) {
                if (atEnd()) fail("missing ']'");
                if (is("[")) ++level;
                else if (is("]")) --level;
                if (level > 0) ++i_;
            }
            out.emplace_back(b, i_);
            ++i_;
            if (td) {
                if (td->elements) m_.fail(b, "arrays of arrays are not supported");
                Value v = evalConstant(m_, b, out.back().second);
                if (v.numbers.size() != 1 || v.numbers[0] < 1 || v.numbers[0] > 65536)
                    m_.fail(b, "array size must be a constant from 1 to 65536");
                td->elements = static_cast<uint32_t>(v.numbers[0]);
            }
        }
    }

    std::string semantic(size_t* tokIndex) {
        if (!is(":")) return {};
        ++i_;
        if (is("register") || is("packoffset")) {
            ++i_;
            if (is("(")) skipGroup("(", ")");
            return {};
        }
        if (tokIndex) *tokIndex = i_;
        return ident("a semantic");
    }

    // --- structs and typedefs ----------------------------------------------------------

    void structDecl() {
        StructDef s;
        s.begin = i_;
        ++i_;
        s.name = ident("a struct name");
        expect("{");
        while (!accept("}")) {
            if (atEnd()) fail("missing '}' of struct");
            memberDecl(s);
        }
        if (cur().kind == Tok::Ident) fail("variables declared with a struct definition are not supported");
        if (s.members.empty()) m_.fail(s.begin + 1, "struct '" + s.name + "' has no members");
        TypeDesc whole;
        whole.cls = PClass::Struct;
        whole.members = s.members;
        if (whole.nodes() > kMaxNodes || whole.bytes64() > kMaxBytes) m_.fail(s.begin + 1, "struct '" + s.name + "' is too large");
        expect(";");
        s.end = i_;
        for (const auto& o : m_.structs)
            if (o.name == s.name) m_.fail(s.begin + 1, "struct '" + s.name + "' redefined");
        m_.decls.push_back({DeclKind::Struct, s.begin, s.end, s.name, static_cast<int>(m_.structs.size())});
        m_.structs.push_back(std::move(s));
    }

    // One member declaration ("float4 a, b[2] : TEXCOORD0;"); its members share its tokens.
    void memberDecl(StructDef& s) {
        const size_t declBegin = i_, firstMember = s.members.size();
        while (cur().kind == Tok::Ident && interpWords().count(cur().text)) ++i_;
        size_t tb, te;
        TypeDesc base = type(tb, te);
        do {
            Member mem;
            mem.name = ident("a member name");
            mem.type = base;
            if (isVoid(base)) m_.fail(i_ - 1, "member '" + mem.name + "' cannot be void");
            std::vector<std::pair<size_t, size_t>> d;
            dims(d, &mem.type);
            if (mem.type.bytes64() > kMaxBytes) m_.fail(i_ - 1, "member '" + mem.name + "' is too large");
            size_t si = 0;
            mem.semantic = semantic(&si);
            mem.semanticToken = si;
            while (is(":")) semantic(nullptr);
            s.members.push_back(std::move(mem));
        } while (accept(","));
        expect(";");
        for (size_t k = firstMember; k < s.members.size(); ++k) {
            s.members[k].declBegin = declBegin;
            s.members[k].declEnd = i_;
        }
    }

    void typedefDecl() {
        size_t b = i_++;
        while (cur().kind == Tok::Ident && storageWords().count(cur().text)) ++i_;
        size_t tb, te;
        TypeDesc td = type(tb, te);
        std::string name = ident("a type name");
        std::vector<std::pair<size_t, size_t>> d;
        dims(d, &td);
        if (td.bytes64() > kMaxBytes) m_.fail(b + 1, "type '" + name + "' is too large");
        expect(";");
        m_.decls.push_back({DeclKind::Typedef, b, i_, name, static_cast<int>(m_.typedefs.size())});
        m_.typedefs.emplace_back(name, td);
    }

    // --- annotations and values ----------------------------------------------------------

    void annotations(std::vector<Annotation>& out) {
        if (!is("<")) return;
        ++i_;
        for (;;) {
            if (is(">")) { ++i_; return; }
            if (is(">=")) { t_[i_].text = "="; return; } // "<...>= value"
            if (atEnd()) fail("missing '>' after annotations");
            Annotation a;
            size_t tb, te;
            a.type = type(tb, te);
            a.name = ident("an annotation name");
            std::vector<std::pair<size_t, size_t>> d;
            dims(d, &a.type);
            if (a.type.bytes64() > kMaxBytes) m_.fail(i_ - 1, "annotation '" + a.name + "' is too large");
            expect("=");
            size_t vb = i_, ve = valueEnd();
            if (a.type.cls == PClass::Object && a.type.type == PType::String) {
                if (ve != vb + 1 || t_[vb].kind != Tok::String) m_.fail(vb, "annotation '" + a.name + "' needs a string");
                a.value.isString = true;
                a.value.text = unquote(t_[vb].text);
            } else if (a.type.isNumeric()) {
                a.value = evalConstant(m_, vb, ve);
            } else {
                m_.fail(vb, "annotation '" + a.name + "' has a type annotations cannot hold");
            }
            i_ = ve;
            expect(";");
            out.push_back(std::move(a));
        }
    }

    // End of a value: the ';' or ',' at nesting level 0 (not consumed).
    size_t valueEnd() {
        size_t k = i_;
        int level = 0;
        for (;; ++k) {
            const Token& t = t_[k];
            if (t.kind == Tok::End) m_.fail(k, "missing ';'");
            if (t.kind == Tok::Punct) {
                if (t.text == "(" || t.text == "{" || t.text == "[") ++level;
                else if (t.text == ")" || t.text == "}" || t.text == "]") { if (--level < 0) m_.fail(k, "unbalanced '" + t.text + "'"); }
                else if (level == 0 && (t.text == ";" || t.text == ",")) return k;
            }
        }
    }

    static std::string unquote(const std::string& s) {
        std::string r;
        for (size_t i = 1; i + 1 < s.size(); ++i) {
            if (s[i] == '\\' && i + 2 < s.size()) {
                char c = s[++i];
                r += c == 'n' ? '\n' : c == 't' ? '\t' : c;
            } else r += s[i];
        }
        return r;
    }

    void stateList(std::vector<StateAssign>& out) {
        expect("{");
        while (!accept("}")) {
            if (atEnd()) fail("missing '}'");
            StateAssign s;
            s.at = i_;
            s.name = ident("a state name");
            if (accept("[")) {
                if (cur().kind != Tok::Number) fail("expected a state index");
                s.index = static_cast<int>(std::clamp<int64_t>(readInteger(t_[i_++].text), -1, 256));
                if (s.index < 0 || s.index > 255) m_.fail(i_ - 1, "state index out of range");
                expect("]");
            }
            expect("=");
            s.valBegin = i_;
            if (is("asm")) fail("assembly shaders are not supported");
            s.valEnd = valueEnd();
            if (s.valEnd == s.valBegin) fail("expected a state value");
            i_ = s.valEnd;
            expect(";");
            out.push_back(s);
        }
    }

    void compileExpr(Compile& c) {
        c.at = i_;
        expect("compile");
        c.profile = ident("a shader profile");
        c.entry = ident("an entry point");
        expect("(");
        if (!accept(")")) {
            for (;;) {
                size_t b = i_;
                size_t e = valueEndIn(")");
                if (e == b) fail("expected an argument");
                c.args.emplace_back(b, e);
                i_ = e;
                if (accept(")")) break;
                expect(",");
            }
        }
    }

    size_t valueEndIn(const char* close) {
        size_t k = i_;
        int level = 0;
        for (;; ++k) {
            const Token& t = t_[k];
            if (t.kind == Tok::End) m_.fail(k, std::string("missing '") + close + "'");
            if (t.kind != Tok::Punct) continue;
            if (t.text == "(" || t.text == "{" || t.text == "[") ++level;
            else if (level == 0 && (t.text == close || t.text == ",")) return k;
            else if (t.text == ")" || t.text == "}" || t.text == "]") --level;
        }
    }

    // --- declarations --------------------------------------------------------------------

    void declaration() {
        size_t declBegin = i_;
        std::set<std::string> words;
        while (cur().kind == Tok::Ident && storageWords().count(cur().text)) words.insert(t_[i_++].text);
        size_t tb, te;
        TypeDesc base = type(tb, te);
        size_t nameAt = i_;
        std::string name = ident("a name");
        if (is("(")) { function(declBegin, tb, te, name); return; }
        i_ = nameAt;
        for (;;) {
            Variable v;
            v.at = i_;
            v.name = ident("a name");
            v.type = base;
            if (isVoid(base)) m_.fail(v.at, "'" + v.name + "' cannot be void");
            v.typeBegin = tb;
            v.typeEnd = te;
            v.isStatic = words.count("static") != 0;
            v.isShared = words.count("shared") != 0;
            v.isConst = words.count("const") != 0;
            v.rowMajor = words.count("row_major") != 0;
            v.columnMajor = words.count("column_major") != 0;
            if (v.type.cls == PClass::MatrixColumns && v.rowMajor) v.type.cls = PClass::MatrixRows;
            dims(v.dims, &v.type);
            if (v.type.bytes64() > kMaxBytes) m_.fail(v.at, "'" + v.name + "' is too large");
            while (is(":")) {
                std::string s = semantic(nullptr);
                if (!s.empty()) v.semantic = s;
            }
            annotations(v.annotations);
            if (accept("=")) initializer(v);
            for (const auto& o : m_.variables)
                if (o.name == v.name) m_.fail(v.at, "redefinition of '" + v.name + "'");
            m_.decls.push_back({DeclKind::Variable, declBegin, i_, v.name, static_cast<int>(m_.variables.size())});
            m_.variables.push_back(std::move(v));
            if (accept(",")) continue;
            expect(";");
            m_.decls.back().end = i_;
            return;
        }
    }

    void initializer(Variable& v) {
        if (is("sampler_state")) {
            if (v.type.cls != PClass::Object || v.type.type < PType::Sampler || v.type.type > PType::SamplerCube)
                fail("sampler_state given to a variable that is not a sampler");
            ++i_;
            v.samplerState = true;
            stateList(v.samplerStates);
            return;
        }
        if (is("compile")) {
            v.hasCompile = true;
            compileExpr(v.compile);
            return;
        }
        v.initBegin = i_;
        v.initEnd = valueEnd();
        if (v.initEnd == v.initBegin) fail("expected an initial value");
        i_ = v.initEnd;
    }

    void function(size_t declBegin, size_t tb, size_t te, const std::string& name) {
        Function f;
        f.name = name;
        f.retBegin = tb;
        f.retEnd = te;
        f.returnType = t_[te - 1].text;
        expect("(");
        if (!accept(")")) paramList(f.params);
        semantics(f.semantic);
        if (accept(";")) {
            f.hasBody = false;
        } else {
            if (!is("{")) fail("expected a function body");
            skipGroup("{", "}");
            f.hasBody = true;
        }
        m_.decls.push_back({DeclKind::Function, declBegin, i_, name, static_cast<int>(m_.functions.size())});
        m_.functions.push_back(std::move(f));
    }

    // After "(": "void)" or the parameters up to and past ")".
    void paramList(std::vector<FuncParam>& params) {
        if (is("void") && peek(1).text == ")") {
            i_ += 2;
            return;
        }
        for (;;) {
            params.push_back(funcParam());
            if (accept(")")) return;
            expect(",");
        }
    }

    FuncParam funcParam() {
        FuncParam p;
        while (cur().kind == Tok::Ident && interpWords().count(cur().text)) p.mods.push_back(t_[i_++].text);
        size_t pb, pe;
        type(pb, pe);
        p.typeBegin = pb;
        p.typeEnd = pe;
        p.typeName = t_[pe - 1].text;
        p.name = ident("a parameter name");
        dims(p.dims, nullptr);
        semantics(p.semantic);
        if (accept("=")) i_ = valueEndIn(")");
        return p;
    }

    // ": SEMANTIC" parts; the last one that names a semantic holds.
    void semantics(std::string& out) {
        while (is(":")) {
            std::string s = semantic(nullptr);
            if (!s.empty()) out = s;
        }
    }

    // --- techniques ----------------------------------------------------------------------

    void technique() {
        size_t b = i_++;
        Technique t;
        if (cur().kind == Tok::Ident) t.name = t_[i_++].text;
        annotations(t.annotations);
        expect("{");
        while (!accept("}")) {
            if (atEnd()) fail("missing '}' of technique");
            if (!ieq(cur().text, "pass")) fail("expected 'pass'");
            ++i_;
            Pass p;
            if (cur().kind == Tok::Ident) p.name = t_[i_++].text;
            annotations(p.annotations);
            stateList(p.states);
            t.passes.push_back(std::move(p));
        }
        accept(";");
        m_.decls.push_back({DeclKind::Technique, b, i_, t.name, static_cast<int>(m_.techniques.size())});
        m_.techniques.push_back(std::move(t));
    }
};

} // namespace

void parseModule(Module& m) {
    Parser p(m);
    p.run();
}

} // namespace fx
