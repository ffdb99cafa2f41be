#include "ScriptLimits.h"

#include <algorithm>
#include <vector>

namespace tormakelin::fxcore::detail {

namespace {

bool isIdentifierChar(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c >= 128; }

// Words whose statement nests the next statement inside it.
bool nestsStatement(std::string const& word)
{
    return word == "if" || word == "else" || word == "while" || word == "for" || word == "do" || word == "switch";
}

// A conditional costs far more to compile than its depth alone shows.
constexpr int kConditionalWeight = 2;

class NestingScan {
public:
    explicit NestingScan(std::string const& text) : m_text(text) {}

    bool run(int& row, int& column)
    {
        while (m_at < m_text.size()) {
            size_t const start = m_at;
            if (!step()) {
                locate(start, row, column);
                return false;
            }
        }
        return true;
    }

private:
    // Reads one token; false when it takes the nesting past the limit.
    bool step()
    {
        char const c = m_text[m_at];
        if (c == '/' && next(1) == '/') {
            skipPast("\n", 2);
        } else if (c == '/' && next(1) == '*') {
            skipPast("*/", 2);
        } else if (c == '"' && next(1) == '"' && next(2) == '"') {
            skipPast("\"\"\"", 3);
        } else if (c == '"' || c == '\'') {
            skipQuoted(c);
        } else if (isIdentifierChar(static_cast<unsigned char>(c))) {
            size_t const start = m_at;
            while (m_at < m_text.size() && isIdentifierChar(static_cast<unsigned char>(m_text[m_at])))
                ++m_at;
            return !nestsStatement(m_text.substr(start, m_at - start)) || chain(1);
        } else {
            ++m_at;
            return punctuation(c);
        }
        return true;
    }

    bool punctuation(char c)
    {
        switch (c) {
        case '(':
        case '[':
        case '{':
            m_saved.push_back(m_chain);
            m_base += m_chain + 1;
            m_chain = 0;
            return m_base <= kMaxScriptNesting;
        case ')':
        case ']':
        case '}':
            if (!m_saved.empty()) {
                m_chain = m_saved.back();
                m_saved.pop_back();
                m_base -= m_chain + 1;
            }
            // A block ends its statement unless an else carries the chain on.
            if (c == '}' && !elseFollows())
                m_chain = 0;
            return true;
        case ';':
            m_chain = 0;
            return true;
        case '?':
            return chain(kConditionalWeight);
        case '=':
            // "==" compares; a lone '=' (also ending "+=" and the like) assigns, right to left.
            if (next(0) == '=') {
                ++m_at;
                return true;
            }
            return chain(1);
        case '<':
            // A template's type list, or a comparison: counted alike.
            if (next(0) == '=')
                ++m_at;
            return chain(1);
        case '>':
        case '!':
            if (next(0) == '=')
                ++m_at;
            return true;
        default:
            return true;
        }
    }

    bool chain(int weight)
    {
        m_chain += weight;
        return m_base + m_chain <= kMaxScriptNesting;
    }

    bool elseFollows() const
    {
        size_t at = m_at;
        while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t' || m_text[at] == '\r' || m_text[at] == '\n'))
            ++at;
        return m_text.compare(at, 4, "else") == 0 &&
               (at + 4 >= m_text.size() || !isIdentifierChar(static_cast<unsigned char>(m_text[at + 4])));
    }

    char next(size_t offset) const { return m_at + offset < m_text.size() ? m_text[m_at + offset] : '\0'; }

    void skipPast(char const* end, size_t opening)
    {
        size_t const found = m_text.find(end, m_at + opening);
        m_at = found == std::string::npos ? m_text.size() : found + std::char_traits<char>::length(end);
    }

    // Strings run to the matching quote, across lines; a backslash escapes the next character.
    void skipQuoted(char quote)
    {
        for (++m_at; m_at < m_text.size(); ++m_at) {
            if (m_text[m_at] == '\\')
                ++m_at;
            else if (m_text[m_at] == quote)
                break;
        }
        m_at = std::min(m_at + 1, m_text.size());
    }

    void locate(size_t at, int& row, int& column) const
    {
        row = 1;
        column = 1;
        for (size_t i = 0; i < at; ++i) {
            if (m_text[i] == '\n') {
                ++row;
                column = 1;
            } else {
                ++column;
            }
        }
    }

    std::string const& m_text;
    size_t m_at = 0;
    int m_base = 0;
    int m_chain = 0;
    std::vector<int> m_saved;
};

} // namespace

bool scriptNestingWithinLimit(std::string const& text, int& row, int& column)
{
    return NestingScan(text).run(row, column);
}

} // namespace tormakelin::fxcore::detail
