#include "XmlLimits.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace tormakelin::core {

namespace {

constexpr size_t npos = std::string_view::npos;

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

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isNameChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(char(c)) || c == '_' || c == '-' || c == '.' ||
           c == ':' || c >= 127;
}

size_t skipPast(std::string_view text, size_t from, std::string_view end)
{
    const size_t at = text.find(end, from);
    return at == npos ? text.size() : at + end.size();
}

// Where the parser skips white space it also skips these byte order marks whole.
size_t skipSpaces(std::string_view text, size_t i)
{
    while (i < text.size()) {
        if (startsWith(text, i, "\xEF\xBB\xBF") || startsWith(text, i, "\xEF\xBF\xBE") ||
            startsWith(text, i, "\xEF\xBF\xBF")) {
            i += 3;
        } else if (isSpace(text[i])) {
            ++i;
        } else {
            break;
        }
    }
    return i;
}

// Past a character reference from its '&', read as the parser reads one: "&#" runs to the next
// ';' whatever lies between, and holds only when the characters before that ';', back to the
// last '#' (or 'x' when hexadecimal), are digits; npos where the parser gives up. A known name
// is stepped over whole, any other '&' is a character of its own.
size_t pastReference(std::string_view text, size_t at)
{
    if (at + 2 < text.size() && text[at + 1] == '#') {
        const bool hex = text[at + 2] == 'x';
        const size_t from = at + (hex ? 3 : 2);
        const size_t end = from < text.size() ? text.find(';', from) : npos;
        if (end == npos) {
            return npos;
        }
        const char mark = hex ? 'x' : '#';
        for (size_t i = end - 1; text[i] != mark; --i) {
            if (!(hex ? isHexDigit(text[i]) : isDigit(text[i]))) {
                return npos;
            }
        }
        return end + 1;
    }
    for (const std::string_view name : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        if (startsWith(text, at, name)) {
            return at + name.size();
        }
    }
    return at + 1;
}

// Past the character at `at` of text or a quoted value, stepped as the parser steps: a UTF-8
// lead byte takes as many bytes as it claims, whatever they are, and a reference is taken whole.
size_t pastCharacter(std::string_view text, size_t at)
{
    if (text[at] == '&') {
        return pastReference(text, at);
    }
    const int length = TiXmlBase::utf8ByteTable[static_cast<unsigned char>(text[at])];
    return length > 0 ? at + size_t(length) : npos;
}

// The first `end` the parser meets reading text or a quoted value from `at`; npos where it runs
// off the text or gives up first.
size_t findInText(std::string_view text, size_t at, char end)
{
    while (at < text.size() && text[at] != end) {
        at = pastCharacter(text, at);
    }
    return at < text.size() ? at : npos;
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
        const size_t close = findInText(text, i + 1, text[i]);
        if (close == npos) {
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

// An element's start tag from its '<': quoted values are read as the parser reads them, '='
// outside them counts the attributes. Sets `empty` for a tag closed by "/>"; returns the
// position past the '>'.
size_t scanStartTag(std::string_view text, size_t at, bool& empty, int& attributes)
{
    attributes = 0;
    empty = false;
    for (size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t close = findInText(text, i + 1, c);
            if (close == npos) {
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

XmlExtent measureXml(const char* data, size_t size)
{
    const std::string_view text(data, strnlen(data, size));
    XmlExtent extent;
    int depth = 0;
    // Between tags the parser reads text, so a '<' counts only where a character starts.
    for (size_t i = findInText(text, 0, '<'); i != npos; i = findInText(text, i, '<')) {
        if (startsWithIgnoringCase(text, i, "<?xml")) {
            if (!declaration(text, i, i)) {
                extent.brokenDeclaration = true;
                return extent;
            }
        } else if (startsWith(text, i, "<!--")) {
            i = skipPast(text, i + 4, "-->");
        } else if (startsWith(text, i, "<![CDATA[")) {
            i = skipPast(text, i + 9, "]]>");
        } else if (i + 1 < text.size() && opensElement(static_cast<unsigned char>(text[i + 1]))) {
            bool empty = false;
            int attributes = 0;
            i = scanStartTag(text, i, empty, attributes);
            extent.attributes = std::max(extent.attributes, attributes);
            extent.depth = std::max(extent.depth, depth + 1);
            if (!empty) {
                ++depth;
            }
        } else {
            // An end tag, or anything the parser reads up to the next '>' unquoted.
            if (startsWith(text, i, "</") && depth > 0) {
                --depth;
            }
            i = skipPast(text, i + 1, ">");
        }
    }
    return extent;
}

bool xmlWithinLimits(const char* text, size_t size)
{
    const XmlExtent extent = measureXml(text, size);
    return !extent.brokenDeclaration && extent.depth <= kMaxXmlDepth && extent.attributes <= kMaxXmlAttributes;
}

} // namespace tormakelin::core
