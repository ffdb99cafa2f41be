// Ranks of 100,000 floats: the radix sorter against std::sort of an index array, and the
// radix sorter on input already in its previous order.

#include <tormakelin/core/RadixSort.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace tormakelin::core;

namespace {

constexpr unsigned int Count = 100000;

std::vector<float> randomKeys() {
    std::vector<float> keys(Count);
    unsigned int state = 2024;
    for (float& k : keys) {
        state = state * 214013u + 2531011u;
        k = static_cast<float>(static_cast<int>(state >> 4) - (1 << 27)) / 1000.0f;
    }
    return keys;
}

void BM_RadixSortFloats(benchmark::State& state) {
    std::vector<float> keys = randomKeys();
    RadixSort sorter;
    for (auto _ : state) {
        // Moving one key each time defeats the coherence shortcut.
        keys[0] = -keys[0];
        benchmark::DoNotOptimize(sorter.sort(keys.data(), Count).getRanks());
    }
}

void BM_StdSortFloatRanks(benchmark::State& state) {
    std::vector<float> keys = randomKeys();
    std::vector<unsigned int> ranks(Count);
    for (auto _ : state) {
        keys[0] = -keys[0];
        std::iota(ranks.begin(), ranks.end(), 0u);
        std::sort(ranks.begin(), ranks.end(), [&](unsigned int a, unsigned int b) { return keys[a] < keys[b]; });
        benchmark::DoNotOptimize(ranks.data());
    }
}

void BM_StdSortFloats(benchmark::State& state) {
    const std::vector<float> keys = randomKeys();
    std::vector<float> work(Count);
    for (auto _ : state) {
        work = keys;
        std::sort(work.begin(), work.end());
        benchmark::DoNotOptimize(work.data());
    }
}

void BM_RadixSortCoherent(benchmark::State& state) {
    std::vector<float> keys = randomKeys();
    RadixSort sorter;
    sorter.sort(keys.data(), Count);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sorter.sort(keys.data(), Count).getRanks());
    }
}

}  // namespace

BENCHMARK(BM_RadixSortFloats);
BENCHMARK(BM_StdSortFloatRanks);
BENCHMARK(BM_StdSortFloats);
BENCHMARK(BM_RadixSortCoherent);
