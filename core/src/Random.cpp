#include <tormakelin/core/Random.h>

#include <algorithm>
#include <cstdint>
#include <ctime>

namespace tormakelin::core {

namespace {

// Main thread only, as the rest of playback.
RandomSequence& processSequence() {
    static RandomSequence sequence;
    return sequence;
}

}  // namespace

void randomSeed(int seed) { processSequence().seed(static_cast<unsigned int>(seed)); }

void randomSeed() { randomSeed(static_cast<int>(std::time(nullptr))); }

int randomInt() { return processSequence().next(); }

int randomInt(int a, int b) {
    int64_t low = std::min(a, b), high = std::max(a, b);
    return static_cast<int>(low + randomInt() % (high - low + 1));
}

float randomFloat(float a, float b) {
    float low = std::min(a, b), high = std::max(a, b);
    return low + static_cast<float>(randomInt()) / 32767.0f * (high - low);
}

float randomFloat() { return static_cast<float>(randomInt()) / 32767.0f * 3.4028235e38f + 1.1754944e-38f; }

}  // namespace tormakelin::core
