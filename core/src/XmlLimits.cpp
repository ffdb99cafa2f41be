#include "XmlLimits.h"

#include <cstring>
#include <string_view>

namespace tormakelin::core {

namespace {

bool startsWith(std::string_view text, size_t at, std::string_view prefix)
{
    return text.compare(at, prefix.size(), prefix) == 0;
}

bool startsWithIgnoringCase(std::string_view text, size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Where the parser starts an element: a letter, '_' or any byte from 127 up after the '<'.
bool opensElement(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 127; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isPlainValueChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

size_t skipPast(std::string_view text, size_t from, std::string_view end)
{
    const size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

// `<?xml` followed by version, encoding or standalone="plain value" pairs and `?>`. The parser
// reads some of these values quoted and skips others word by word, so only a declaration on
// which both readings agree is let through; `end` is set past it.
bool plainDeclaration(std::string_view text, size_t at, size_t& end)
{
    size_t i = at + 5;
    for (;;) {
        while (i < text.size() && isSpace(text[i])) {
            ++i;
        }
        if (startsWith(text, i, "?>")) {
            end = i + 2;
            return true;
        }
        size_t name = i;
        while (i < text.size() && text[i] >= 'a' && text[i] <= 'z') {
            ++i;
        }
        const std::string_view word = text.substr(name, i - name);
        if ((word != "version" && word != "encoding" && word != "standalone") || i + 1 >= text.size() ||
            text[i] != '=' || (text[i + 1] != '"' && text[i + 1] != '\'')) {
            return false;
        }
        const char quote = text[i + 1];
        i += 2;
        while (i < text.size() && isPlainValueChar(text[i])) {
            ++i;
        }
        if (i >= text.size() || text[i] != quote) {
            return false;
        }
        ++i;
    }
}

// An element's start tag from its '<': quoted values are skipped, '=' outside them counts the
// attributes. Sets `empty` for a tag closed by "/>"; returns the position past the '>'.
size_t scanStartTag(std::string_view text, size_t at, bool& empty, int& attributes)
{
    attributes = 0;
    empty = false;
    for (size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t close = text.find(c, i + 1);
            if (close == std::string_view::npos) {
                return text.size();
            }
            i = close;
        } else if (c == '=') {
            ++attributes;
        } else if (c == '>') {
            empty = text[i - 1] == '/';
            return i + 1;
        }
    }
    return text.size();
}

} // namespace

bool xmlWithinLimits(const char* data, size_t size)
{
    const std::string_view text(data, strnlen(data, size));
    int depth = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (startsWithIgnoringCase(text, i, "<?xml")) {
            if (!plainDeclaration(text, i, i)) {
                return false;
            }
        } else if (startsWith(text, i, "<!--")) {
            i = skipPast(text, i + 4, "-->");
        } else if (startsWith(text, i, "<![CDATA[")) {
            i = skipPast(text, i + 9, "]]>");
        } else if (i + 1 < text.size() && opensElement(static_cast<unsigned char>(text[i + 1]))) {
            bool empty = false;
            int attributes = 0;
            i = scanStartTag(text, i, empty, attributes);
            if (attributes > kMaxXmlAttributes || (!empty && ++depth > kMaxXmlDepth)) {
                return false;
            }
        } else {
            // An end tag, or anything the parser reads up to the next '>' unquoted.
            if (startsWith(text, i, "</") && depth > 0) {
                --depth;
            }
            i = skipPast(text, i + 1, ">");
        }
    }
    return true;
}

} // namespace tormakelin::core
