#include <tormakelin/core/RadixSort.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace tormakelin::core;

namespace {

template <typename T>
void expectSortedByRanks(const RadixSort& sorter, const std::vector<T>& keys) {
    const unsigned int* ranks = sorter.getRanks();
    std::vector<unsigned int> seen(ranks, ranks + keys.size());
    std::sort(seen.begin(), seen.end());
    for (unsigned int i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(seen[i], i) << "ranks are a permutation";
    }
    for (size_t i = 1; i < keys.size(); ++i) {
        ASSERT_LE(keys[ranks[i - 1]], keys[ranks[i]]) << "at " << i;
    }
}

}  // namespace

TEST(RadixSort, FloatsIncludingNegatives) {
    const std::vector<std::vector<float>> cases = {
        {3.0f, -1.0f, 2.5f, -7.25f, 0.0f, 1e-30f, -1e30f, 42.0f},
        {-1.0f, -2.0f, -3.0f, -0.5f},           // all negative: one shared top byte
        {5.0f, 5.0f, 5.0f},                     // all equal
        {1.0f},
        {0.5f, -0.0f, 0.0f, -0.5f},
        {256.0f, 257.0f, 255.0f, 1.0f, 65536.0f, 3.0f},
    };
    for (const auto& keys : cases) {
        RadixSort sorter;
        sorter.sort(keys.data(), static_cast<unsigned int>(keys.size()));
        expectSortedByRanks(sorter, keys);
    }
}

TEST(RadixSort, UnsignedAndSignedIntegers) {
    std::vector<unsigned int> keys = {5, 0x80000000u, 3, 0xFFFFFFFFu, 0, 70000, 3};
    RadixSort sorter;
    sorter.sort(keys.data(), static_cast<unsigned int>(keys.size()), false);
    expectSortedByRanks(sorter, keys);
    // Stable: the two 3s keep their order.
    EXPECT_EQ(sorter.getRanks()[1], 2u);
    EXPECT_EQ(sorter.getRanks()[2], 6u);

    std::vector<int> signedKeys = {5, -2147483647 - 1, 3, -1, 0, 70000, -70000};
    RadixSort signedSorter;
    signedSorter.sort(reinterpret_cast<const unsigned int*>(signedKeys.data()),
                      static_cast<unsigned int>(signedKeys.size()), true);
    expectSortedByRanks(signedSorter, signedKeys);
}

TEST(RadixSort, LargeRandomInput) {
    std::vector<float> keys(10000);
    unsigned int state = 12345;
    for (float& k : keys) {
        state = state * 1664525u + 1013904223u;
        k = static_cast<float>(static_cast<int>(state >> 8) - (1 << 23)) / 97.0f;
    }
    RadixSort sorter;
    sorter.sort(keys.data(), static_cast<unsigned int>(keys.size()));
    expectSortedByRanks(sorter, keys);
    EXPECT_EQ(sorter.getUsedRam(), 10000u * 8u + 5152u);
}

TEST(RadixSort, TemporalCoherenceAndResets) {
    RadixSort sorter;
    EXPECT_EQ(sorter.getUsedRam(), 5152u);
    std::vector<float> keys = {3, 1, 2};
    sorter.sort(keys.data(), 3);
    std::vector<unsigned int> first(sorter.getRanks(), sorter.getRanks() + 3);
    EXPECT_EQ(first, (std::vector<unsigned int>{1, 2, 0}));
    // Keys that moved but keep the order: same ranks.
    keys = {30, 10, 20};
    sorter.sort(keys.data(), 3);
    EXPECT_EQ(std::vector<unsigned int>(sorter.getRanks(), sorter.getRanks() + 3), first);
    // Order changed: sorted again.
    keys = {1, 3, 2};
    sorter.sort(keys.data(), 3);
    EXPECT_EQ(std::vector<unsigned int>(sorter.getRanks(), sorter.getRanks() + 3),
              (std::vector<unsigned int>{0, 2, 1}));
    // Null keys and a zero count change nothing.
    sorter.sort(static_cast<const float*>(nullptr), 3);
    sorter.sort(keys.data(), 0);
    EXPECT_EQ(sorter.getRanks()[1], 2u);
    // A new count starts from the identity: sorted input keeps it.
    std::vector<float> longer = {1, 2, 3, 4};
    sorter.sort(longer.data(), 4);
    EXPECT_EQ(std::vector<unsigned int>(sorter.getRanks(), sorter.getRanks() + 4),
              (std::vector<unsigned int>{0, 1, 2, 3}));
    EXPECT_EQ(sorter.getUsedRam(), 4u * 8u + 5152u);
}
