#include <tormakelin/core/RadixSort.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tormakelin::core {

namespace {

// How the top byte orders its buckets.
enum TopPass { Unsigned, SignedInteger, SignedFloat };

unsigned int byteOf(unsigned int key, int pass) { return (key >> (pass * 8)) & 0xFFu; }

int32_t asSigned(unsigned int u) { return static_cast<int32_t>(u); }

float asFloat(unsigned int u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// The key's bit pattern, read without aliasing floats as integers.
unsigned int keyAt(const void* keys, unsigned int i) {
    unsigned int u;
    std::memcpy(&u, static_cast<const unsigned char*>(keys) + i * sizeof u, sizeof u);
    return u;
}

// One histogram per byte, all four filled in a single read of the keys.
void countBytes(const void* keys, unsigned int count, unsigned int (&histograms)[4][256]) {
    for (unsigned int i = 0; i < count; ++i) {
        unsigned int key = keyAt(keys, i);
        for (int pass = 0; pass < 4; ++pass) {
            ++histograms[pass][byteOf(key, pass)];
        }
    }
}

// Buckets first..last-1 laid out one after another from `start`.
void layOutBuckets(const unsigned int* histogram, unsigned int* offsets, int first, int last, unsigned int start) {
    offsets[first] = start;
    for (int b = first + 1; b < last; ++b) {
        offsets[b] = offsets[b - 1] + histogram[b - 1];
    }
}

unsigned int countNegatives(const unsigned int* histogram) {
    unsigned int negatives = 0;
    for (int b = 128; b < 256; ++b) {
        negatives += histogram[b];
    }
    return negatives;
}

// Larger bit patterns are more negative floats: bucket 255 first, each bucket filled back to
// front (offsets point one past the bucket's end).
void layOutNegativeFloats(const unsigned int* histogram, unsigned int* offsets) {
    unsigned int end = 0;
    for (int b = 255; b >= 128; --b) {
        end += histogram[b];
        offsets[b] = end;
    }
}

void layOutPass(const unsigned int* histogram, TopPass order, unsigned int* offsets) {
    if (order == Unsigned) {
        layOutBuckets(histogram, offsets, 0, 256, 0);
        return;
    }
    // Negative keys (top bit set) go before the positive ones.
    layOutBuckets(histogram, offsets, 0, 128, countNegatives(histogram));
    if (order == SignedInteger) {
        layOutBuckets(histogram, offsets, 128, 256, 0);
    } else {
        layOutNegativeFloats(histogram, offsets);
    }
}

void scatter(const void* keys, unsigned int count, int pass, const unsigned int* ranks, unsigned int* out,
             unsigned int* offsets) {
    for (unsigned int i = 0; i < count; ++i) {
        unsigned int index = ranks[i];
        out[offsets[byteOf(keyAt(keys, index), pass)]++] = index;
    }
}

// The float top byte: negative buckets fill back to front, which reverses their order.
void scatterFloatTop(const void* keys, unsigned int count, const unsigned int* ranks, unsigned int* out,
                     unsigned int* offsets) {
    for (unsigned int i = 0; i < count; ++i) {
        unsigned int index = ranks[i];
        unsigned int b = byteOf(keyAt(keys, index), 3);
        if (b >= 128) {
            out[--offsets[b]] = index;
        } else {
            out[offsets[b]++] = index;
        }
    }
}

// Orders `ranks` by one byte into `out`. False when every key shares that byte: then nothing is
// written and the ranks stay in place, with negative floats alone reversed.
bool distributePass(const void* keys, unsigned int count, int pass, const unsigned int* histogram, TopPass order,
                    unsigned int* ranks, unsigned int* out) {
    unsigned int firstByte = byteOf(keyAt(keys, 0), pass);
    if (histogram[firstByte] == count) {
        if (order == SignedFloat && firstByte >= 128) {
            std::reverse(ranks, ranks + count);
        }
        return false;
    }
    unsigned int offsets[256];
    layOutPass(histogram, order, offsets);
    if (order == SignedFloat) {
        scatterFloatTop(keys, count, ranks, out, offsets);
    } else {
        scatter(keys, count, pass, ranks, out, offsets);
    }
    return true;
}

}  // namespace

RadixSort::~RadixSort() {
    delete[] m_ranks;
    delete[] m_ranks2;
}

unsigned int RadixSort::getUsedRam() const { return m_capacity * 8u + 5152u; }

bool RadixSort::resize(unsigned int count) {
    if (count > m_capacity) {
        delete[] m_ranks;
        delete[] m_ranks2;
        m_ranks = new unsigned int[count];
        m_ranks2 = new unsigned int[count];
        m_capacity = count;
    }
    if (count == m_currentSize) {
        return false;
    }
    m_currentSize = count;
    for (unsigned int i = 0; i < count; ++i) {
        m_ranks[i] = i;
    }
    return true;
}

template <typename Less>
bool RadixSort::stillSorted(const void* keys, unsigned int count, Less less) const {
    for (unsigned int i = 1; i < count; ++i) {
        if (less(keyAt(keys, m_ranks[i]), keyAt(keys, m_ranks[i - 1]))) {
            return false;
        }
    }
    return true;
}

RadixSort& RadixSort::sort(const float* keys, unsigned int count) {
    if (!keys || count == 0) {
        return *this;
    }
    resize(count);
    if (!stillSorted(keys, count, [](unsigned int a, unsigned int b) { return asFloat(a) < asFloat(b); })) {
        radix(keys, count, SignedFloat);
    }
    return *this;
}

RadixSort& RadixSort::sort(const unsigned int* keys, unsigned int count, bool signedKeys) {
    if (!keys || count == 0) {
        return *this;
    }
    resize(count);
    bool sorted = signedKeys ? stillSorted(keys, count, [](unsigned int a, unsigned int b) { return asSigned(a) < asSigned(b); })
                             : stillSorted(keys, count, [](unsigned int a, unsigned int b) { return a < b; });
    if (!sorted) {
        radix(keys, count, signedKeys ? SignedInteger : Unsigned);
    }
    return *this;
}

void RadixSort::radix(const void* keys, unsigned int count, int topPass) {
    unsigned int histograms[4][256] = {};
    countBytes(keys, count, histograms);
    // Start from the identity: the passes below order everything from scratch.
    for (unsigned int i = 0; i < count; ++i) {
        m_ranks[i] = i;
    }
    for (int pass = 0; pass < 4; ++pass) {
        const TopPass order = pass == 3 ? static_cast<TopPass>(topPass) : Unsigned;
        if (distributePass(keys, count, pass, histograms[pass], order, m_ranks, m_ranks2)) {
            std::swap(m_ranks, m_ranks2);
        }
    }
}

}  // namespace tormakelin::core
