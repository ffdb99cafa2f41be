#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FxNumber.h"
#include "FxModule.h"

namespace fx {
namespace {

using Nums = std::vector<double>;

class ConstEval {
public:
    ConstEval(const Module& m, size_t b, size_t e, int depth, const Resolver* r) : m_(m), i_(b), end_(e), depth_(depth), resolve_(r) {}

    Value run() {
        Value v;
        if (i_ < end_ && m_.tokens[i_].kind == Tok::String && i_ + 1 == end_) {
            v.isString = true;
            const std::string& s = m_.tokens[i_].text;
            v.text = s.size() >= 2 ? s.substr(1, s.size() - 2) : std::string();
            return v;
        }
        v.numbers = ternary();
        if (i_ != end_) fail("unexpected '" + m_.tokens[i_].text + "' in a constant");
        return v;
    }

private:
    const Module& m_;
    size_t i_, end_;
    int depth_;
    const Resolver* resolve_;
    int nest_ = 0;

    struct Nest {
        int& n;
        Nest(int& k, const ConstEval& e) : n(k) { if (++n > 256) e.fail("constant nested too deeply"); }
        ~Nest() { --n; }
    };

    [[noreturn]] void fail(const std::string& msg) const { m_.fail(std::min(i_, end_ ? end_ - 1 : 0), msg); }
    bool is(const char* s) const {
        return i_ < end_ && m_.tokens[i_].kind == Tok::Punct && m_.tokens[i_].text == s;
    }
    const Token& cur() const {
        if (i_ >= end_) fail("incomplete constant");
        return m_.tokens[i_];
    }

    static Nums apply(const Nums& a, const Nums& b, char op, bool& ok) {
        size_t n = std::max(a.size(), b.size());
        if (a.size() != n && a.size() != 1) { ok = false; return {}; }
        if (b.size() != n && b.size() != 1) { ok = false; return {}; }
        Nums r(n);
        for (size_t k = 0; k < n; ++k) {
            double x = a[a.size() == 1 ? 0 : k], y = b[b.size() == 1 ? 0 : k];
            switch (op) {
            case '+': r[k] = x + y; break;
            case '-': r[k] = x - y; break;
            case '*': r[k] = x * y; break;
            case '/': r[k] = y != 0 ? x / y : (x == 0 ? 0 : INFINITY); break;
            case '%': r[k] = y != 0 ? std::fmod(x, y) : 0; break;
            case '<': r[k] = x < y; break;
            case '>': r[k] = x > y; break;
            case 'l': r[k] = x <= y; break;
            case 'g': r[k] = x >= y; break;
            case '=': r[k] = x == y; break;
            case '!': r[k] = x != y; break;
            case '&': r[k] = (x != 0) && (y != 0); break;
            case '|': r[k] = (x != 0) || (y != 0); break;
            case 'A': r[k] = static_cast<double>(static_cast<long long>(x) & static_cast<long long>(y)); break;
            case 'O': r[k] = static_cast<double>(static_cast<long long>(x) | static_cast<long long>(y)); break;
            }
        }
        return r;
    }

    Nums ternary() {
        Nest guard(nest_, *this);
        Nums c = binary(0);
        if (is("?")) {
            ++i_;
            Nums a = ternary();
            if (!is(":")) fail("expected ':'");
            ++i_;
            Nums b = ternary();
            return (!c.empty() && c[0] != 0) ? a : b;
        }
        return c;
    }

    static int prec(const std::string& op, char& code) {
        static const struct { const char* s; int p; char c; } ops[] = {
            {"||", 1, '|'}, {"&&", 2, '&'}, {"|", 3, 'O'}, {"&", 4, 'A'}, {"==", 5, '='}, {"!=", 5, '!'},
            {"<", 6, '<'}, {">", 6, '>'}, {"<=", 6, 'l'}, {">=", 6, 'g'}, {"+", 7, '+'}, {"-", 7, '-'},
            {"*", 8, '*'}, {"/", 8, '/'}, {"%", 8, '%'}};
        for (const auto& o : ops)
            if (op == o.s) { code = o.c; return o.p; }
        return -1;
    }

    Nums binary(int minPrec) {
        Nums l = unary();
        for (;;) {
            if (i_ >= end_ || m_.tokens[i_].kind != Tok::Punct) return l;
            char code;
            int p = prec(m_.tokens[i_].text, code);
            if (p < 0 || p < minPrec) return l;
            ++i_;
            Nums r = binary(p + 1);
            bool ok = true;
            l = apply(l, r, code, ok);
            if (!ok) fail("operands of different sizes in a constant");
        }
    }

    Nums unary() {
        Nest guard(nest_, *this);
        const Token& t = cur();
        if (t.kind == Tok::Punct) return punctOperand(t);
        if (t.kind == Tok::Number) {
            ++i_;
            return {readNumber(t.text)};
        }
        if (t.kind == Tok::Ident) {
            ++i_;
            return namedOperand(t.text);
        }
        fail("unexpected '" + t.text + "' in a constant");
    }

    Nums punctOperand(const Token& t) {
        if (t.text == "-" || t.text == "+" || t.text == "!") {
            ++i_;
            Nums v = unary();
            for (auto& x : v) x = t.text == "-" ? -x : t.text == "!" ? (x == 0) : x;
            return v;
        }
        if (t.text == "(") {
            ++i_;
            return castOrGroup();
        }
        if (t.text == "{") return list("{", "}");
        fail("unexpected '" + t.text + "' in a constant");
    }

    // After "(": a cast such as "(float) x" or a bracketed expression.
    Nums castOrGroup() {
        TypeDesc td;
        if (i_ + 1 < end_ && m_.tokens[i_].kind == Tok::Ident && m_.tokens[i_ + 1].text == ")" &&
            typeFromName(m_, m_.tokens[i_].text, td)) {
            i_ += 2;
            return unary();
        }
        Nums v = ternary();
        if (!is(")")) fail("expected ')'");
        ++i_;
        return v;
    }

    Nums namedOperand(const std::string& name) {
        if (name == "true" || name == "TRUE") return {1};
        if (name == "false" || name == "FALSE") return {0};
        TypeDesc td;
        if (is("(") && typeFromName(m_, name, td)) return constructed(td);
        if (is("(")) fail("'" + name + "' cannot be evaluated in a constant");
        Nums resolved;
        if (resolve_ && (*resolve_)(name, resolved)) return resolved;
        Nums r = variableValue(name);
        if (is(".")) {
            ++i_;
            r = swizzled(r);
        }
        return r;
    }

    // "float4(1)" fills every component with its one value.
    Nums constructed(const TypeDesc& td) {
        Nums v = list("(", ")");
        uint32_t n = td.rows * td.cols;
        if (v.size() == 1 && n > 1) v.assign(n, v[0]);
        return v;
    }

    Nums variableValue(const std::string& name) const {
        const Variable* var = m_.findVariable(name);
        if (!var || var->initEnd <= var->initBegin) fail("'" + name + "' is not a constant");
        if (depth_ > 32) fail("constant refers to itself");
        ConstEval sub(m_, var->initBegin, var->initEnd, depth_ + 1, nullptr);
        Value v = sub.run();
        if (v.isString) fail("'" + name + "' is a string");
        return std::move(v.numbers);
    }

    Nums swizzled(const Nums& r) {
        std::string sw = cur().text;
        ++i_;
        static const std::string letters = "xyzwrgba";
        Nums s;
        for (char c : sw) {
            size_t at = letters.find(c);
            if (at == std::string::npos || at % 4 >= r.size()) fail("bad swizzle '" + sw + "'");
            s.push_back(r[at % 4]);
        }
        return s;
    }

    Nums list(const char* open, const char* close) {
        if (!is(open)) fail(std::string("expected '") + open + "'");
        ++i_;
        Nums all;
        if (is(close)) { ++i_; return all; }
        for (;;) {
            Nums v = ternary();
            all.insert(all.end(), v.begin(), v.end());
            if (all.size() > (1u << 20)) fail("constant too large");
            if (is(",")) { ++i_; if (is(close)) { ++i_; return all; } continue; }
            if (is(close)) { ++i_; return all; }
            fail(std::string("expected ',' or '") + close + "'");
        }
    }
};

} // namespace

Value evalConstant(const Module& m, size_t begin, size_t end, const Resolver* resolve) {
    if (begin >= end) m.fail(begin, "expected a constant");
    ConstEval e(m, begin, end, 0, resolve);
    return e.run();
}

} // namespace fx
