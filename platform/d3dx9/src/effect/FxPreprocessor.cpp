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
                directive(t, line, conds, file, depth);
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

    void directive(const Token& hash, Tokens& line, std::vector<Cond>& conds, uint16_t file, int depth) {
        if (line.empty()) return; // null directive
        const std::string& d = line[0].text;
        bool active = conds.empty() || conds.back().active;
        Tokens rest(line.begin() + 1, line.end());
        if (d == "if" || d == "ifdef" || d == "ifndef") {
            bool v = false;
            if (active) {
                if (d == "if") v = evalCondition(line[0], rest);
                else {
                    if (rest.empty() || rest[0].kind != Tok::Ident) fail(line[0], "#" + d + " needs a macro name");
                    v = macros_.count(rest[0].text) != 0;
                    if (d == "ifndef") v = !v;
                }
            }
            conds.push_back({active && v, v, active});
            return;
        }
        if (d == "elif") {
            if (conds.empty() || conds.back().sawElse) fail(line[0], "#elif without #if");
            Cond& c = conds.back();
            if (c.parentActive && !c.taken && evalCondition(line[0], rest)) { c.active = true; c.taken = true; }
            else c.active = false;
            return;
        }
        if (d == "else") {
            if (conds.empty() || conds.back().sawElse) fail(line[0], "#else without #if");
            Cond& c = conds.back();
            c.sawElse = true;
            c.active = c.parentActive && !c.taken;
            c.taken = true;
            return;
        }
        if (d == "endif") {
            if (conds.empty()) fail(line[0], "#endif without #if");
            conds.pop_back();
            return;
        }
        if (!active) return;
        if (d == "define") defineFrom(line[0], rest);
        else if (d == "undef") {
            if (rest.empty() || rest[0].kind != Tok::Ident) fail(line[0], "#undef needs a macro name");
            macros_.erase(rest[0].text);
        } else if (d == "include") includeFrom(line[0], rest, file, depth);
        else if (d == "error") fail(line[0], "#error " + spell(rest));
        else if (d == "pragma") {
            if (!rest.empty() && rest[0].text == "once") once_.insert(files_.names[file]);
        } else if (d == "line" || d == "warning") {
            // Line renumbering is not kept: messages name the real lines.
        } else {
            (void)hash;
            fail(line[0], "unknown preprocessor directive '#" + d + "'");
        }
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
            auto it = t.kind == Tok::Ident ? macros_.find(t.text) : macros_.end();
            if (it == macros_.end() || active.count(t.text)) {
                out.push_back(t);
                ++i;
                continue;
            }
            const Macro& m = it->second;
            Tokens body;
            size_t callEnd = i + 1;
            if (m.function) {
                if (callEnd >= end || in[callEnd].text != "(") { out.push_back(t); ++i; continue; }
                std::vector<Tokens> args;
                if (!collectArgs(in, callEnd, end, args)) fail(t, "unterminated call of macro '" + t.text + "'");
                if (args.size() == 1 && args[0].empty() && m.params.empty()) args.clear();
                if (m.variadic && args.size() > m.params.size()) {
                    Tokens& va = args[m.params.size() - 1];
                    for (size_t k = m.params.size(); k < args.size(); ++k) {
                        Token comma = t;
                        comma.kind = Tok::Punct;
                        comma.text = ",";
                        va.push_back(comma);
                        va.insert(va.end(), args[k].begin(), args[k].end());
                    }
                    args.resize(m.params.size());
                }
                if (m.variadic && args.size() + 1 == m.params.size()) args.emplace_back();
                if (args.size() != m.params.size())
                    fail(t, "macro '" + t.text + "' takes " + std::to_string(m.params.size()) + " arguments, given " +
                                std::to_string(args.size()));
                substitute(m, args, body, active, depth);
            } else {
                body = m.body;
            }
            for (auto& b : body) { b.file = t.file; b.line = t.line; b.col = t.col; b.bol = false; }
            if (!body.empty()) body[0].space = t.space;
            std::string name = t.text;
            active.insert(name);
            size_t k = 0;
            expandList(body, k, body.size(), out, active, depth + 1);
            active.erase(name);
            i = callEnd;
        }
    }

    int paramIndex(const Macro& m, const Token& t) const {
        if (t.kind != Tok::Ident) return -1;
        for (size_t k = 0; k < m.params.size(); ++k)
            if (m.params[k] == t.text) return static_cast<int>(k);
        return -1;
    }

    void substitute(const Macro& m, const std::vector<Tokens>& args, Tokens& out, std::set<std::string>& active, int depth) {
        const Tokens& b = m.body;
        for (size_t k = 0; k < b.size(); ++k) {
            if (b[k].text == "#" && k + 1 < b.size() && paramIndex(m, b[k + 1]) >= 0) {
                Token s = b[k];
                s.kind = Tok::String;
                std::string v = spell(args[static_cast<size_t>(paramIndex(m, b[k + 1]))]);
                s.text = "\"";
                for (char c : v) { if (c == '"' || c == '\\') s.text += '\\'; s.text += c; }
                s.text += "\"";
                out.push_back(s);
                ++k;
                continue;
            }
            bool pasteNext = k + 1 < b.size() && b[k + 1].text == "##";
            bool pastePrev = k > 0 && b[k - 1].text == "##";
            if (b[k].text == "##") continue;
            int pi = paramIndex(m, b[k]);
            Tokens piece;
            if (pi >= 0) {
                const Tokens& a = args[static_cast<size_t>(pi)];
                if (pasteNext || pastePrev) piece = a;
                else {
                    size_t z = 0;
                    expandList(a, z, a.size(), piece, active, depth + 1);
                }
                if (!piece.empty()) piece[0].space = b[k].space;
            } else {
                piece.push_back(b[k]);
            }
            if (pastePrev && !out.empty() && !piece.empty()) {
                Tokens glued;
                std::string text = out.back().text + piece[0].text;
                tokenize(text.data(), text.size(), 0, glued);
                Token base = out.back();
                out.pop_back();
                for (auto& g : glued) { g.file = base.file; g.line = base.line; g.col = base.col; g.bol = false; g.space = false; out.push_back(g); }
                if (!out.empty() && !glued.empty()) out[out.size() - glued.size()].space = base.space;
                out.insert(out.end(), piece.begin() + 1, piece.end());
            } else {
                out.insert(out.end(), piece.begin(), piece.end());
            }
        }
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
        static int prec(const std::string& op) {
            static const std::map<std::string, int> p = {
                {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4}, {"&", 5}, {"==", 6}, {"!=", 6}, {"<", 7}, {">", 7},
                {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9}, {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
            auto it = p.find(op);
            return it == p.end() ? -1 : it->second;
        }
        long long binary(int minPrec) {
            long long l = unary();
            for (;;) {
                if (pos >= t.size() || t[pos].kind != Tok::Punct) return l;
                int p = prec(t[pos].text);
                if (p < 0 || p <= minPrec - 1 || p < minPrec) return l;
                std::string op = t[pos++].text;
                long long r = binary(p + 1);
                if (op == "||") l = l || r;
                else if (op == "&&") l = l && r;
                else if (op == "|") l |= r;
                else if (op == "^") l ^= r;
                else if (op == "&") l &= r;
                else if (op == "==") l = l == r;
                else if (op == "!=") l = l != r;
                else if (op == "<") l = l < r;
                else if (op == ">") l = l > r;
                else if (op == "<=") l = l <= r;
                else if (op == ">=") l = l >= r;
                else if (op == "<<") l = (r >= 0 && r < 63) ? static_cast<long long>(static_cast<unsigned long long>(l) << r) : 0;
                else if (op == ">>") l = (r >= 0 && r < 63) ? l >> r : 0;
                else if (op == "+") l = static_cast<long long>(static_cast<unsigned long long>(l) + static_cast<unsigned long long>(r));
                else if (op == "-") l = static_cast<long long>(static_cast<unsigned long long>(l) - static_cast<unsigned long long>(r));
                else if (op == "*") l = static_cast<long long>(static_cast<unsigned long long>(l) * static_cast<unsigned long long>(r));
                else {
                    if (r == 0) pp->fail(at, "division by zero in #if expression");
                    if (l == INT64_MIN && r == -1) l = 0;
                    else l = op == "/" ? l / r : l % r;
                }
            }
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
