#pragma once
// A pair of bounds of one type, for ranges such as boxes.

namespace tormakelin::core {

template <class T>
struct MinMax {
    T min{};
    T max{};
};

}  // namespace tormakelin::core
