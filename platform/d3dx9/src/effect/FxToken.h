#pragma once
// Tokens of effect text and where they came from.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace fx {

enum class Tok : uint8_t { Ident, Number, String, Punct, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    uint16_t file = 0;     // index into the file table
    uint32_t line = 1;
    uint32_t col = 1;
    bool bol = false;      // first token of a line (directives)
    bool space = false;    // preceded by white space
};

using Tokens = std::vector<Token>;

// Effect keywords, state names and semantics compare ignoring ASCII case.
inline bool ieq(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == 0;
}

// A compile error at a token; the message is final text for the error buffer.
struct FxError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Source file names for messages; index 0 is the main text.
struct FileTable {
    std::vector<std::string> names;
    std::string where(const Token& t) const;
    std::string where(uint16_t file, uint32_t line, uint32_t col = 0) const;
};

// Splits text into tokens; comments and line continuations are removed.
void tokenize(const char* text, size_t size, uint16_t file, Tokens& out);

} // namespace fx
