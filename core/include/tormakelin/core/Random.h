#pragma once
// The process-wide random sequence: the Windows C runtime generator
// (state * 214013 + 2531011, values (state >> 16) & 0x7FFF), never the host C library's.

#include <tormakelin/core/Export.h>

namespace tormakelin::core {

inline constexpr int RandomMax = 32767;

TORMAKELIN_CORE_API void randomSeed(int seed);
// Seeds with the current time in seconds.
TORMAKELIN_CORE_API void randomSeed();
// 0 .. RandomMax.
TORMAKELIN_CORE_API int randomInt();
// Inclusive range, bounds in either order.
TORMAKELIN_CORE_API int randomInt(int a, int b);
// Between the bounds, in either order.
TORMAKELIN_CORE_API float randomFloat(float a, float b);
// Spread over the whole positive float range.
TORMAKELIN_CORE_API float randomFloat();

// One generator of the same sequence with its own state.
class TORMAKELIN_CORE_API RandomSequence {
public:
    explicit RandomSequence(unsigned int seed = 1) : m_state(seed) {}
    void seed(unsigned int seed) { m_state = seed; }
    int next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    unsigned int m_state;
};

}  // namespace tormakelin::core
