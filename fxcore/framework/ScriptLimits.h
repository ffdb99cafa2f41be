#pragma once

#include <string>

namespace tormakelin::fxcore::detail {

// The script compiler recurses once or more per nested bracket, statement and operator chain,
// and takes cubic time over nested conditionals, so deeply nested text is refused before it is
// compiled: a small hostile script must not overflow the stack or hang the load.
inline constexpr int kMaxScriptNesting = 256;

// Measures the nesting of the script's tokens (strings and comments skipped as the compiler
// skips them), erring towards more. False past kMaxScriptNesting, with the 1-based row and
// column of the token that went past it.
bool scriptNestingWithinLimit(std::string const& text, int& row, int& column);

} // namespace tormakelin::fxcore::detail
