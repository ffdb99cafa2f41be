#include "FxToken.h"

#include <cctype>
#include <cstring>

namespace fx {

std::string FileTable::where(uint16_t file, uint32_t line, uint32_t col) const {
    std::string name = file < names.size() ? names[file] : std::string("memory");
    std::string s = name + "(" + std::to_string(line);
    if (col)
        s += "," + std::to_string(col);
    return s + ")";
}

std::string FileTable::where(const Token& t) const { return where(t.file, t.line, t.col); }

namespace {

bool identStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

const char* const kPunct3[] = {"<<=", ">>=", "..."};
const char* const kPunct2[] = {"++", "--", "+=", "-=", "*=", "/=", "%=", "==", "!=", "<=", ">=",
                               "&&", "||", "<<", ">>", "&=", "|=", "^=", "->", "::", "##"};

struct Lexer {
    const char* p;
    const char* end;
    uint16_t file;
    uint32_t line = 1;
    const char* lineStart;
    Tokens& out;
    bool bol = true;
    bool space = false;

    Lexer(const char* text, size_t size, uint16_t f, Tokens& o)
        : p(text), end(text + size), file(f), lineStart(text), out(o) {}

    char at(size_t k = 0) const { return p + k < end ? p[k] : '\0'; }
    void newline() { ++line; lineStart = p; bol = true; }

    // Skips white space, comments and backslash-newlines; stops before a token.
    void skip() {
        while (p < end && skipOne()) {}
    }

    bool skipOne() {
        const char c = *p;
        if (c == '\n') {
            ++p;
            newline();
            space = true;
        } else if (c == '\\' && (at(1) == '\n' || (at(1) == '\r' && at(2) == '\n'))) {
            // A continued line goes on the same logical line: no new line start for directives.
            p += at(1) == '\r' ? 3 : 2;
            ++line;
            lineStart = p;
        } else if (isBlank(c)) {
            ++p;
            space = true;
        } else if (c == '/' && at(1) == '/') {
            skipLineComment();
        } else if (c == '/' && at(1) == '*') {
            skipBlockComment();
        } else {
            return false;
        }
        return true;
    }

    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == '\0'; }

    void skipLineComment() {
        while (p < end && *p != '\n') ++p;
        space = true;
    }

    // A block comment spans lines without starting one: what follows it is not at a line start.
    void skipBlockComment() {
        p += 2;
        while (p < end && !(*p == '*' && at(1) == '/')) {
            if (*p == '\n') { ++p; ++line; lineStart = p; } else ++p;
        }
        p = p < end ? p + 2 : end;
        space = true;
    }

    void push(Tok kind, const char* b) {
        Token t;
        t.kind = kind;
        t.text.assign(b, p);
        t.file = file;
        t.line = line;
        t.col = static_cast<uint32_t>(b - lineStart) + 1;
        t.bol = bol;
        t.space = space;
        bol = false;
        space = false;
        out.push_back(std::move(t));
    }

    static bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

    void skipDigits() {
        while (p < end && isDigit(*p)) ++p;
    }

    void hexDigits() {
        p += 2;
        while (p < end && std::isxdigit(static_cast<unsigned char>(*p))) ++p;
    }

    // An 'e' with no digits after it is no exponent: it starts the next token.
    void exponent() {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (q < end && isDigit(*q)) {
            p = q;
            skipDigits();
        }
    }

    void decimal() {
        skipDigits();
        if (p < end && *p == '.') {
            ++p;
            skipDigits();
        }
        if (p < end && (*p == 'e' || *p == 'E')) exponent();
    }

    void number(const char* b) {
        if (*p == '0' && (at(1) == 'x' || at(1) == 'X')) hexDigits();
        else decimal();
        while (p < end && std::strchr("fFhHlLuU", *p) && *p) ++p;
        push(Tok::Number, b);
    }

    void identifier(const char* b) {
        while (p < end && identChar(*p)) ++p;
        push(Tok::Ident, b);
    }

    // A string without its closing quote ends at the line's end.
    void string(const char* b) {
        ++p;
        while (p < end && *p != '"' && *p != '\n') {
            if (*p == '\\' && p + 1 < end && p[1] != '\n') ++p;
            ++p;
        }
        if (p < end && *p == '"') ++p;
        push(Tok::String, b);
    }

    size_t punctLength() const {
        for (const char* s : kPunct3)
            if (end - p >= 3 && std::strncmp(p, s, 3) == 0) return 3;
        for (const char* s : kPunct2)
            if (end - p >= 2 && std::strncmp(p, s, 2) == 0) return 2;
        return 1;
    }

    void punct(const char* b) {
        p += punctLength();
        push(Tok::Punct, b);
    }

    bool startsNumber(char c) const { return isDigit(c) || (c == '.' && isDigit(at(1))); }

    void run() {
        for (skip(); p < end; skip()) {
            const char* b = p;
            const char c = *p;
            if (identStart(c)) identifier(b);
            else if (startsNumber(c)) number(b);
            else if (c == '"') string(b);
            else punct(b);
        }
    }
};

} // namespace

void tokenize(const char* text, size_t size, uint16_t file, Tokens& out) {
    Lexer lx(text, size, file, out);
    lx.run();
}

} // namespace fx
