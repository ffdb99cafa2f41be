#pragma once

#include <cstddef>

namespace tormakelin::core {

// The parser recurses once per nested element and checks each new attribute against all before
// it, so a small hostile text could overflow the stack or take hours; such texts are refused
// before parsing. Documents the system writes stay far below both.
constexpr int kMaxXmlDepth = 256;
constexpr int kMaxXmlAttributes = 256;

// What the parser would build from a text, as far as it gets: how deep its elements nest (an
// empty element counts as a level of its own) and the most attributes one element carries,
// never less than the parser makes. `brokenDeclaration` marks a declaration the parser stops
// inside.
struct XmlExtent {
    int depth = 0;
    int attributes = 0;
    bool brokenDeclaration = false;
};

// Reads the zero-terminated text (at most `size` bytes) as the parser does: a UTF-8 lead byte
// takes the bytes its value claims whatever they are, and a character reference runs to its ';'.
// Only where the parser reads byte by byte (names, comments, CDATA) is it read so here too.
XmlExtent measureXml(const char* text, size_t size);

// False when the text nests elements deeper than kMaxXmlDepth, carries more than
// kMaxXmlAttributes on one element, or holds a declaration the parser stops inside. The parser
// must see the same bytes: nothing after the first zero (it can step over a zero inside a
// multi-byte sequence, so what follows one must be zeroed too).
bool xmlWithinLimits(const char* text, size_t size);

} // namespace tormakelin::core
