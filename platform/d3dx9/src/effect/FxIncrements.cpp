// The shader compiler's HLSL front end dereferences null when ++ or -- is applied after a value
// that is not a variable ("f(x)--", "1--", "x----", "(a + b)++"). Effect text comes from data packs,
// so such text is refused here with an error instead of reaching it.
#include "FxModule.h"

#include <array>

namespace fx {

namespace {

bool isStep(const Token& t) { return t.kind == Tok::Punct && (t.text == "++" || t.text == "--"); }
bool isPunct(const Token& t, const char* text) { return t.kind == Tok::Punct && t.text == text; }

// Words after which ++ and -- begin a new operand.
bool isPrefixWord(const Token& t) {
    static const std::array<const char*, 4> words = {"return", "else", "do", "case"};
    for (const char* w : words)
        if (t.text == w) return true;
    return false;
}

// Index of the "(" or "[" that `close` closes, or npos.
size_t openerOf(const Tokens& toks, size_t close) {
    const char* open = toks[close].text == ")" ? "(" : "[";
    const char* shut = toks[close].text.c_str();
    size_t depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
        if (isPunct(toks[i], shut)) ++depth;
        else if (isPunct(toks[i], open) && --depth == 0) return i;
    }
    return std::string::npos;
}

bool isStatementWord(const Token& t) {
    return t.kind == Tok::Ident && (t.text == "if" || t.text == "while" || t.text == "for" || t.text == "switch");
}

// A group "( ... )" holding only a variable path (names, members, indices) or a type name.
bool holdsVariable(const Tokens& toks, size_t open, size_t close) {
    if (close == open + 1) return false;
    for (size_t i = open + 1; i < close; ++i) {
        const Token& t = toks[i];
        if (t.kind == Tok::Ident || isPunct(t, ".")) continue;
        if (isPunct(t, "[")) {
            size_t depth = 0;
            for (; i < close; ++i) {
                if (isPunct(toks[i], "[")) ++depth;
                else if (isPunct(toks[i], "]") && --depth == 0) break;
            }
            continue;
        }
        if (isPunct(t, "(") || isPunct(t, ")")) continue;
        return false;
    }
    return true;
}

// Whether the group that `close` ends makes a value: a call (after a name, a call or an index),
// or a bracket around anything but a variable.
bool groupIsValue(const Tokens& toks, size_t close) {
    const size_t open = openerOf(toks, close);
    if (open == std::string::npos) return true;
    const bool call = open > 0 && ((toks[open - 1].kind == Tok::Ident && !isPrefixWord(toks[open - 1])) ||
                                   isPunct(toks[open - 1], ")") || isPunct(toks[open - 1], "]"));
    return call || !holdsVariable(toks, open, close);
}

// Whether the operand that ends at `end` is a value rather than a variable: a call, a literal,
// an earlier postfix step or a bracketed expression, anywhere along its member and index path.
bool endsInValue(const Tokens& toks, size_t end, const std::vector<bool>& postfix) {
    size_t pos = end;
    for (;;) {
        const Token& t = toks[pos];
        if (t.kind == Tok::Ident) {
            if (pos < 2 || !isPunct(toks[pos - 1], ".")) return false;
            pos -= 2;
        } else if (isPunct(t, "]")) {
            const size_t open = openerOf(toks, pos);
            if (open == std::string::npos || open == 0) return true;
            pos = open - 1;
        } else if (isStep(t)) {
            return postfix[pos];
        } else {
            return !isPunct(t, ")") || groupIsValue(toks, pos);
        }
    }
}

} // namespace

void checkIncrementOperands(const Tokens& toks, const FileTable& files) {
    std::vector<bool> postfix(toks.size(), false);
    for (size_t i = 1; i < toks.size(); ++i) {
        if (!isStep(toks[i])) continue;
        const Token& prev = toks[i - 1];
        bool operandEnds = false;
        if (prev.kind == Tok::Ident) operandEnds = !isPrefixWord(prev);
        else if (prev.kind == Tok::Number || prev.kind == Tok::String || isPunct(prev, "]")) operandEnds = true;
        else if (isStep(prev)) operandEnds = postfix[i - 1];
        else if (isPunct(prev, ")")) {
            // "if (x) --y" starts a statement; any other ")" ends an operand.
            const size_t open = openerOf(toks, i - 1);
            operandEnds = !(open != std::string::npos && open > 0 && isStatementWord(toks[open - 1]));
        }
        postfix[i] = operandEnds;
        if (operandEnds && endsInValue(toks, i - 1, postfix))
            throw FxError(files.where(toks[i]) + ": error: '" + toks[i].text + "' needs a variable to change");
    }
}

} // namespace fx
