#include "FxNumber.h"
#include "FxPreprocessor.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <set>

namespace fx {
namespace {

constexpr int kMaxIncludeDepth = 32;
constexpr size_t kMaxTokens = 4u << 20;
// Tokens read again after replacement, over the whole text: macros that expand to nothing
// make no output, yet a few lines of them can nest into hours of work.
constexpr size_t kMaxExpansionWork = 4 * kMaxTokens;

struct Macro {
    bool function = false;
    bool variadic = false;
    std::vector<std::string> params;
    Tokens body;
};

struct Cond {
    bool active;      // this branch emits
    bool taken;       // some branch of this group was taken
    bool parentActive;
    bool sawElse = false;
};

class Preprocessor {
public:
    Preprocessor(const IncludeFn& inc, Tokens& out, FileTable& files) : include_(inc), out_(out), files_(files) {}

    void define(const std::string& name, const std::string& value) {
        Macro m;
        tokenize(value.data(), value.size(), 0, m.body);
        for (auto& t : m.body) { t.bol = false; }
        macros_[name] = std::move(m);
    }

    void runFile(const std::string& text, uint16_t file, int depth) {
        Tokens toks;
        tokenize(text.data(), text.size(), file, toks);
        std::vector<Cond> conds;
        size_t i = 0;
        Tokens run;
        auto flush = [&] {
            if (!run.empty()) {
                std::set<std::string> active;
                Tokens expanded;
                size_t k = 0;
                expandList(run, k, run.size(), expanded, active, 0);
                for (auto& t : expanded) emit(std::move(t));
                run.clear();
            }
        };
        while (i < toks.size()) {
            const Token& t = toks[i];
            if (t.bol && t.kind == Tok::Punct && t.text == "#") {
                flush();
                size_t e = i + 1;
                while (e < toks.size() && !toks[e].bol) ++e;
                Tokens line(toks.begin() + static_cast<long>(i) + 1, toks.begin() + static_cast<long>(e));
                directive(line, conds, file, depth);
                i = e;
                continue;
            }
            if (conds.empty() || conds.back().active)
                run.push_back(t);
            ++i;
        }
        flush();
        if (!conds.empty())
            fail(toks.empty() ? Token{} : toks.back(), "unterminated #if at end of file");
    }

private:
    const IncludeFn& include_;
    Tokens& out_;
    FileTable& files_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> once_;
    size_t expansionWork_ = 0;

    [[noreturn]] void fail(const Token& at, const std::string& msg) {
        throw FxError(files_.where(at) + ": error: " + msg);
    }

    void emit(Token t) {
        if (out_.size() >= kMaxTokens)
            fail(t, "effect text too large");
        out_.push_back(std::move(t));
    }

    static std::string spell(const Tokens& ts) {
        std::string s;
        for (size_t i = 0; i < ts.size(); ++i) {
            if (i && ts[i].space) s += ' ';
            s += ts[i].text;
        }
        return s;
    }

    void directive(const Tokens& line, std::vector<Cond>& conds, uint16_t file, int depth) {
        if (line.empty()) return; // null directive
        const Token& name = line[0];
        const Tokens rest(line.begin() + 1, line.end());
        if (conditional(name, rest, conds)) return;
        if (conds.empty() || conds.back().active) command(name, rest, file, depth);
    }

    // Conditionals are tracked even inside skipped groups, so that their nesting stays right.
    bool conditional(const Token& name, const Tokens& rest, std::vector<Cond>& conds) {
        const std::string& d = name.text;
        if (d == "if" || d == "ifdef" || d == "ifndef") openGroup(name, rest, conds);
        else if (d == "elif") elifBranch(name, rest, conds);
        else if (d == "else") elseBranch(name, conds);
        else if (d == "endif") closeGroup(name, conds);
        else return false;
        return true;
    }

    void openGroup(const Token& name, const Tokens& rest, std::vector<Cond>& conds) {
        const bool active = conds.empty() || conds.back().active;
        bool v = false;
        if (active) v = name.text == "if" ? evalCondition(name, rest) : definedTest(name, rest);
        conds.push_back({active && v, v, active});
    }

    bool definedTest(const Token& name, const Tokens& rest) {
        const bool defined = macros_.count(macroName(name, rest)) != 0;
        return name.text == "ifndef" ? !defined : defined;
    }

    const std::string& macroName(const Token& name, const Tokens& rest) {
        if (rest.empty() || rest[0].kind != Tok::Ident) fail(name, "#" + name.text + " needs a macro name");
        return rest[0].text;
    }

    void elifBranch(const Token& name, const Tokens& rest, std::vector<Cond>& conds) {
        if (conds.empty() || conds.back().sawElse) fail(name, "#elif without #if");
        Cond& c = conds.back();
        if (c.parentActive && !c.taken && evalCondition(name, rest)) { c.active = true; c.taken = true; }
        else c.active = false;
    }

    void elseBranch(const Token& name, std::vector<Cond>& conds) {
        if (conds.empty() || conds.back().sawElse) fail(name, "#else without #if");
        Cond& c = conds.back();
        c.sawElse = true;
        c.active = c.parentActive && !c.taken;
        c.taken = true;
    }

    void closeGroup(const Token& name, std::vector<Cond>& conds) {
        if (conds.empty()) fail(name, "#endif without #if");
        conds.pop_back();
    }

    void command(const Token& name, const Tokens& rest, uint16_t file, int depth) {
        const std::string& d = name.text;
        if (d == "define") defineFrom(name, rest);
        else if (d == "undef") macros_.erase(macroName(name, rest));
        else if (d == "include") includeFrom(name, rest, file, depth);
        else if (d == "error") fail(name, "#error " + spell(rest));
        else if (d == "pragma") pragma(rest, file);
        else if (d == "line" || d == "warning") {
            // Line renumbering is not kept: messages name the real lines.
        } else {
            fail(name, "unknown preprocessor directive '#" + d + "'");
        }
    }

    void pragma(const Tokens& rest, uint16_t file) {
        if (!rest.empty() && rest[0].text == "once") once_.insert(files_.names[file]);
    }

    void defineFrom(const Token& at, const Tokens& rest) {
        if (rest.empty() || rest[0].kind != Tok::Ident) fail(at, "#define needs a macro name");
        Macro m;
        size_t i = 1;
        if (rest.size() > 1 && rest[1].text == "(" && !rest[1].space) {
            m.function = true;
            i = 2;
            for (;;) {
                if (i >= rest.size()) fail(rest[0], "unterminated macro parameter list");
                if (rest[i].text == ")") { ++i; break; }
                if (rest[i].text == "...") { m.variadic = true; m.params.push_back("__VA_ARGS__"); }
                else if (rest[i].kind == Tok::Ident) m.params.push_back(rest[i].text);
                else fail(rest[i], "bad macro parameter '" + rest[i].text + "'");
                ++i;
                if (i < rest.size() && rest[i].text == ",") ++i;
            }
        }
        m.body.assign(rest.begin() + static_cast<long>(i), rest.end());
        macros_[rest[0].text] = std::move(m);
    }

    void includeFrom(const Token& at, Tokens rest, uint16_t file, int depth) {
        if (!rest.empty() && rest[0].kind == Tok::Ident) {
            std::set<std::string> active;
            Tokens ex;
            size_t k = 0;
            expandList(rest, k, rest.size(), ex, active, 0);
            rest = ex;
        }
        std::string name;
        bool system = false;
        if (!rest.empty() && rest[0].kind == Tok::String && rest[0].text.size() >= 2) {
            name = rest[0].text.substr(1, rest[0].text.size() - 2);
        } else if (!rest.empty() && rest[0].text == "<") {
            system = true;
            size_t i = 1;
            for (; i < rest.size() && rest[i].text != ">"; ++i) name += rest[i].text;
            if (i >= rest.size()) fail(at, "#include <name> is missing its '>'");
        } else {
            fail(at, "#include expects \"name\" or <name>");
        }
        if (depth >= kMaxIncludeDepth) fail(at, "includes nested too deeply at '" + name + "'");
        if (once_.count(name)) return;
        std::string text, err;
        if (!include_ || !include_(system, name, files_.names[file], text, err))
            fail(at, "cannot open include file '" + name + "'" + (err.empty() ? "" : ": " + err));
        if (files_.names.size() >= 0xFFFF) fail(at, "too many include files");
        uint16_t idx = static_cast<uint16_t>(files_.names.size());
        files_.names.push_back(name);
        runFile(text, idx, depth + 1);
    }

    // --- macro expansion -------------------------------------------------------------

    // Collects the arguments of a call whose '(' is at in[i]; i ends after ')'.
    bool collectArgs(const Tokens& in, size_t& i, size_t end, std::vector<Tokens>& args) {
        int level = 0;
        args.assign(1, {});
        for (++i; i < end; ++i) {
            const Token& t = in[i];
            if (t.kind == Tok::Punct) {
                if (t.text == "(") ++level;
                else if (t.text == ")") {
                    if (level == 0) { ++i; return true; }
                    --level;
                } else if (t.text == "," && level == 0) { args.emplace_back(); continue; }
            }
            args.back().push_back(t);
        }
        return false;
    }

    void expandList(const Tokens& in, size_t& i, size_t end, Tokens& out, std::set<std::string>& active, int depth) {
        if (depth > 200) fail(in.empty() ? Token{} : in[0], "macro expansion too deep");
        while (i < end) {
            if (out.size() > kMaxTokens) fail(in[i], "macro expansion too large");
            const Token& t = in[i];
            const Macro* m = expandable(t, active);
            size_t callEnd = i + 1;
            // A function-like macro's name without '(' after it is an ordinary name.
            if (!m || (m->function && (callEnd >= end || in[callEnd].text != "("))) {
                out.push_back(t);
                ++i;
                continue;
            }
            Tokens body;
            if (m->function) substitute(t, *m, callArguments(t, *m, in, callEnd, end), body, active, depth);
            else body = m->body;
            rescan(t, body, out, active, depth);
            i = callEnd;
        }
    }

    // A macro being expanded is not expanded again inside itself.
    const Macro* expandable(const Token& t, const std::set<std::string>& active) const {
        if (t.kind != Tok::Ident || active.count(t.text)) return nullptr;
        auto it = macros_.find(t.text);
        return it == macros_.end() ? nullptr : &it->second;
    }

    // The arguments of a call whose '(' is at in[callEnd], one for each parameter; callEnd ends after ')'.
    std::vector<Tokens> callArguments(const Token& call, const Macro& m, const Tokens& in, size_t& callEnd,
                                      size_t end) {
        std::vector<Tokens> args;
        if (!collectArgs(in, callEnd, end, args)) fail(call, "unterminated call of macro '" + call.text + "'");
        if (args.size() == 1 && args[0].empty() && m.params.empty()) args.clear();
        if (m.variadic && args.size() > m.params.size()) joinVariadic(call, m.params.size(), args);
        if (m.variadic && args.size() + 1 == m.params.size()) args.emplace_back();
        if (args.size() != m.params.size())
            fail(call, "macro '" + call.text + "' takes " + std::to_string(m.params.size()) + " arguments, given " +
                           std::to_string(args.size()));
        return args;
    }

    // The arguments from the last parameter on become one, commas kept.
    static void joinVariadic(const Token& call, size_t params, std::vector<Tokens>& args) {
        Tokens& va = args[params - 1];
        for (size_t k = params; k < args.size(); ++k) {
            Token comma = call;
            comma.kind = Tok::Punct;
            comma.text = ",";
            va.push_back(comma);
            va.insert(va.end(), args[k].begin(), args[k].end());
        }
        args.resize(params);
    }

    // The replacement takes the call's place and is scanned again with the macro masked.
    void rescan(const Token& call, Tokens& body, Tokens& out, std::set<std::string>& active, int depth) {
        expansionWork_ += body.size() + 1;
        if (expansionWork_ > kMaxExpansionWork) fail(call, "macro expansion too large");
        for (auto& b : body) { b.file = call.file; b.line = call.line; b.col = call.col; b.bol = false; }
        if (!body.empty()) body[0].space = call.space;
        const std::string name = call.text;
        active.insert(name);
        size_t k = 0;
        expandList(body, k, body.size(), out, active, depth + 1);
        active.erase(name);
    }

    int paramIndex(const Macro& m, const Token& t) const {
        if (t.kind != Tok::Ident) return -1;
        for (size_t k = 0; k < m.params.size(); ++k)
            if (m.params[k] == t.text) return static_cast<int>(k);
        return -1;
    }

    void substitute(const Token& call, const Macro& m, const std::vector<Tokens>& args, Tokens& out,
                    std::set<std::string>& active, int depth) {
        const Tokens& b = m.body;
        for (size_t k = 0; k < b.size(); ++k) {
            // A parameter used many times copies its argument as often: the budget holds here too.
            if (out.size() > kMaxTokens) fail(call, "macro expansion too large");
            if (b[k].text == "#" && k + 1 < b.size() && paramIndex(m, b[k + 1]) >= 0) {
                out.push_back(stringized(b[k], args[static_cast<size_t>(paramIndex(m, b[k + 1]))]));
                ++k;
                continue;
            }
            if (b[k].text == "##") continue;
            const bool pasteNext = k + 1 < b.size() && b[k + 1].text == "##";
            const bool pastePrev = k > 0 && b[k - 1].text == "##";
            const Tokens piece = replacement(m, b[k], args, pasteNext || pastePrev, active, depth);
            if (pastePrev && !out.empty() && !piece.empty()) pasteOnto(out, piece);
            else out.insert(out.end(), piece.begin(), piece.end());
        }
    }

    static Token stringized(const Token& hash, const Tokens& arg) {
        Token s = hash;
        s.kind = Tok::String;
        s.text = "\"";
        for (char c : spell(arg)) {
            if (c == '"' || c == '\\') s.text += '\\';
            s.text += c;
        }
        s.text += "\"";
        return s;
    }

    // A parameter stands for its argument, expanded first unless it is pasted.
    Tokens replacement(const Macro& m, const Token& t, const std::vector<Tokens>& args, bool pasted,
                       std::set<std::string>& active, int depth) {
        const int pi = paramIndex(m, t);
        if (pi < 0) return {t};
        const Tokens& a = args[static_cast<size_t>(pi)];
        Tokens piece;
        if (pasted) piece = a;
        else {
            size_t z = 0;
            expandList(a, z, a.size(), piece, active, depth + 1);
        }
        if (!piece.empty()) piece[0].space = t.space;
        return piece;
    }

    // The last token out and the first of piece are glued and read again as text.
    static void pasteOnto(Tokens& out, const Tokens& piece) {
        Tokens glued;
        const std::string text = out.back().text + piece[0].text;
        tokenize(text.data(), text.size(), 0, glued);
        const Token base = out.back();
        out.pop_back();
        for (auto& g : glued) {
            g.file = base.file;
            g.line = base.line;
            g.col = base.col;
            g.bol = false;
            g.space = false;
            out.push_back(g);
        }
        if (!out.empty() && !glued.empty()) out[out.size() - glued.size()].space = base.space;
        out.insert(out.end(), piece.begin() + 1, piece.end());
    }

    // --- #if expressions -------------------------------------------------------------

    bool evalCondition(const Token& at, const Tokens& rest) {
        Tokens pre;
        for (size_t i = 0; i < rest.size(); ++i) {
            if (rest[i].kind == Tok::Ident && rest[i].text == "defined") {
                size_t j = i + 1;
                bool paren = j < rest.size() && rest[j].text == "(";
                if (paren) ++j;
                if (j >= rest.size() || rest[j].kind != Tok::Ident) fail(at, "'defined' needs a macro name");
                Token n = rest[j];
                n.kind = Tok::Number;
                n.text = macros_.count(rest[j].text) ? "1" : "0";
                pre.push_back(n);
                i = j;
                if (paren) {
                    if (i + 1 >= rest.size() || rest[i + 1].text != ")") fail(at, "missing ')' after 'defined'");
                    ++i;
                }
                continue;
            }
            pre.push_back(rest[i]);
        }
        Tokens ex;
        std::set<std::string> active;
        size_t k = 0;
        expandList(pre, k, pre.size(), ex, active, 0);
        if (ex.empty()) fail(at, "#if with no expression");
        CondEval ev{ex, 0, this, at};
        long long v = ev.ternary();
        if (ev.pos != ex.size()) fail(ex[ev.pos], "unexpected '" + ex[ev.pos].text + "' in #if expression");
        return v != 0;
    }

    enum class Op { Or, And, BitOr, BitXor, BitAnd, Eq, Ne, Lt, Gt, Le, Ge, Shl, Shr, Add, Sub, Mul, Div, Mod };

    struct BinaryOp {
        int prec;
        Op op;
    };

    struct CondEval {
        const Tokens& t;
        size_t pos;
        Preprocessor* pp;
        const Token& at;
        bool is(const char* s) const { return pos < t.size() && t[pos].kind == Tok::Punct && t[pos].text == s; }
        long long ternary() {
            struct Guard {
                int& n;
                ~Guard() { --n; }
            } guard{++nest};
            if (nest > 256) pp->fail(at, "#if expression nested too deeply");
            long long c = binary(0);
            if (is("?")) {
                ++pos;
                long long a = ternary();
                if (!is(":")) pp->fail(at, "missing ':' in #if expression");
                ++pos;
                long long b = ternary();
                return c ? a : b;
            }
            return c;
        }
        static const BinaryOp* binaryOp(const std::string& text) {
            static const std::map<std::string, BinaryOp> ops = {
                {"||", {1, Op::Or}},  {"&&", {2, Op::And}}, {"|", {3, Op::BitOr}}, {"^", {4, Op::BitXor}},
                {"&", {5, Op::BitAnd}}, {"==", {6, Op::Eq}}, {"!=", {6, Op::Ne}},  {"<", {7, Op::Lt}},
                {">", {7, Op::Gt}},   {"<=", {7, Op::Le}},  {">=", {7, Op::Ge}},  {"<<", {8, Op::Shl}},
                {">>", {8, Op::Shr}}, {"+", {9, Op::Add}},  {"-", {9, Op::Sub}},  {"*", {10, Op::Mul}},
                {"/", {10, Op::Div}}, {"%", {10, Op::Mod}}};
            auto it = ops.find(text);
            return it == ops.end() ? nullptr : &it->second;
        }
        long long binary(int minPrec) {
            long long l = unary();
            for (;;) {
                if (pos >= t.size() || t[pos].kind != Tok::Punct) return l;
                const BinaryOp* op = binaryOp(t[pos].text);
                if (!op || op->prec < minPrec) return l;
                ++pos;
                const long long r = binary(op->prec + 1);
                l = apply(op->op, l, r);
            }
        }
        // Arithmetic wraps as unsigned numbers do and wide shifts give 0: no input is undefined behaviour.
        static long long wrap(unsigned long long v) { return static_cast<long long>(v); }
        static unsigned long long bits(long long v) { return static_cast<unsigned long long>(v); }
        long long apply(Op op, long long l, long long r) {
            switch (op) {
            case Op::Or: return l || r;
            case Op::And: return l && r;
            case Op::BitOr: return l | r;
            case Op::BitXor: return l ^ r;
            case Op::BitAnd: return l & r;
            case Op::Eq: return l == r;
            case Op::Ne: return l != r;
            case Op::Lt: return l < r;
            case Op::Gt: return l > r;
            case Op::Le: return l <= r;
            case Op::Ge: return l >= r;
            case Op::Shl: return (r >= 0 && r < 63) ? wrap(bits(l) << r) : 0;
            case Op::Shr: return (r >= 0 && r < 63) ? l >> r : 0;
            case Op::Add: return wrap(bits(l) + bits(r));
            case Op::Sub: return wrap(bits(l) - bits(r));
            case Op::Mul: return wrap(bits(l) * bits(r));
            case Op::Div:
            case Op::Mod: break;
            }
            if (r == 0) pp->fail(at, "division by zero in #if expression");
            if (l == INT64_MIN && r == -1) return 0;
            return op == Op::Div ? l / r : l % r;
        }
        int nest = 0;
        long long unary() {
            struct Guard {
                int& n;
                ~Guard() { --n; }
            } guard{++nest};
            if (nest > 256) pp->fail(at, "#if expression nested too deeply");
            if (pos >= t.size()) pp->fail(at, "incomplete #if expression");
            const Token& k = t[pos];
            if (k.kind == Tok::Punct) {
                ++pos;
                if (k.text == "!") return !unary();
                if (k.text == "~") return ~unary();
                if (k.text == "-") return static_cast<long long>(0ull - static_cast<unsigned long long>(unary()));
                if (k.text == "+") return unary();
                if (k.text == "(") {
                    long long v = ternary();
                    if (!is(")")) pp->fail(at, "missing ')' in #if expression");
                    ++pos;
                    return v;
                }
                pp->fail(k, "unexpected '" + k.text + "' in #if expression");
            }
            ++pos;
            if (k.kind == Tok::Number) return readInteger(k.text);
            if (k.kind == Tok::Ident) return k.text == "true" ? 1 : 0;
            pp->fail(k, "unexpected '" + k.text + "' in #if expression");
        }
    };
};

} // namespace

void preprocess(const char* text, size_t size, const std::string& mainName, const std::vector<MacroDef>& macros,
                const IncludeFn& include, Tokens& out, FileTable& files) {
    files.names.assign(1, mainName);
    Preprocessor pp(include, out, files);
    for (const auto& m : macros)
        if (!m.name.empty()) pp.define(m.name, m.value);
    pp.runFile(std::string(text, size), 0, 0);
}

} // namespace fx
