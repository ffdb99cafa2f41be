#pragma once
// Long inputs made of one piece over and over.

#include <cstddef>
#include <string>

namespace tormakelin::test {

inline std::string repeated(const std::string& piece, int count)
{
    std::string out;
    out.reserve(piece.size() * size_t(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

} // namespace tormakelin::test
