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

// The parser's white space: the C locale's.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isNameChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':' || c >= 127;
}

size_t skipPast(std::string_view text, size_t from, std::string_view end)
{
    const size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

size_t skipSpaces(std::string_view text, size_t i)
{
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    return i;
}

// One version, encoding or standalone pair of a declaration, read as the parser reads it: a
// name, '=' and a value in quotes, or unquoted up to a space, '/' or '>'. False where the
// parser gives up; `i` is moved past the pair.
bool declarationPair(std::string_view text, size_t& i)
{
    while (i < text.size() && isNameChar(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    i = skipSpaces(text, i);
    if (i >= text.size() || text[i] != '=') {
        return false;
    }
    i = skipSpaces(text, i + 1);
    if (i >= text.size()) {
        return false;
    }
    if (text[i] == '"' || text[i] == '\'') {
        const size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        i = close + 1;
        return true;
    }
    for (; i < text.size() && !isSpace(text[i]) && text[i] != '/' && text[i] != '>'; ++i) {
        if (text[i] == '"' || text[i] == '\'') {
            return false;
        }
    }
    return true;
}

// Anything the parser takes for a declaration, from its "<?xml" (any case, so "<?xml-stylesheet"
// too) to the first '>' outside the values of its version, encoding and standalone pairs; other
// words are stepped over whole, quotes and all, as the parser does. Read the same way here so
// that no '<' or '>' inside counts differently; `end` is set past it. False when the parser
// would stop inside it.
bool declaration(std::string_view text, size_t at, size_t& end)
{
    size_t i = at + 5;
    while (i < text.size()) {
        if (text[i] == '>') {
            end = i + 1;
            return true;
        }
        i = skipSpaces(text, i);
        if (startsWithIgnoringCase(text, i, "version") || startsWithIgnoringCase(text, i, "encoding") ||
            startsWithIgnoringCase(text, i, "standalone")) {
            if (!declarationPair(text, i)) {
                return false;
            }
        } else {
            while (i < text.size() && text[i] != '>' && !isSpace(text[i])) {
                ++i;
            }
        }
    }
    return false;
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
            if (!declaration(text, i, i)) {
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
