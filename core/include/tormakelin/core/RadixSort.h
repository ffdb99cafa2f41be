#pragma once
// Least-significant-byte radix sort that yields ranks (key indices in ascending key order) and
// keeps the previous order when the keys still arrive sorted in it.

#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API RadixSort {
public:
    RadixSort() = default;
    ~RadixSort();
    RadixSort(const RadixSort&) = delete;
    RadixSort& operator=(const RadixSort&) = delete;

    RadixSort& sort(const float* keys, unsigned int count);
    RadixSort& sort(const unsigned int* keys, unsigned int count, bool signedKeys);

    // count entries, valid until the next sort.
    const unsigned int* getRanks() const { return m_ranks; }
    unsigned int getUsedRam() const;

private:
    bool resize(unsigned int count);
    template <typename Less>
    bool stillSorted(const void* keys, unsigned int count, Less less) const;
    void radix(const void* keys, unsigned int count, int topPass);

    unsigned int* m_ranks = nullptr;
    unsigned int* m_ranks2 = nullptr;
    unsigned int m_capacity = 0;
    // Count of the last sort; the ranks are reset to the identity when it changes.
    unsigned int m_currentSize = 0;
};

}  // namespace tormakelin::core
