#pragma once

#include <cstddef>

namespace tormakelin::core {

// The parser recurses once per nested element and checks each new attribute against all before
// it, so a small hostile text could overflow the stack or take hours; such texts are refused
// before parsing. Documents the system writes stay far below both.
constexpr int kMaxXmlDepth = 256;
constexpr int kMaxXmlAttributes = 256;

// False when the zero-terminated text nests elements deeper than kMaxXmlDepth, carries more
// than kMaxXmlAttributes on one element, or holds a declaration the parser stops inside. The
// scan reads tags as the parser does and errs towards counting more, never less.
bool xmlWithinLimits(const char* text, size_t size);

} // namespace tormakelin::core
