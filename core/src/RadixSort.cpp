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
    for (unsigned int i = 0; i < count; ++i) {
        unsigned int key = keyAt(keys, i);
        for (int pass = 0; pass < 4; ++pass) {
            ++histograms[pass][byteOf(key, pass)];
        }
    }
    // Start from the identity: the passes below order everything from scratch.
    for (unsigned int i = 0; i < count; ++i) {
        m_ranks[i] = i;
    }
    unsigned int offsets[256];
    for (int pass = 0; pass < 4; ++pass) {
        const unsigned int* histogram = histograms[pass];
        bool top = pass == 3;
        unsigned int firstByte = byteOf(keyAt(keys, 0), pass);
        if (histogram[firstByte] == count) {
            // Every key shares this byte. Negative floats alone still need their order reversed.
            if (top && topPass == SignedFloat && firstByte >= 128) {
                std::reverse(m_ranks, m_ranks + count);
            }
            continue;
        }
        if (!top || topPass == Unsigned) {
            offsets[0] = 0;
            for (int b = 1; b < 256; ++b) {
                offsets[b] = offsets[b - 1] + histogram[b - 1];
            }
        } else {
            unsigned int negatives = 0;
            for (int b = 128; b < 256; ++b) {
                negatives += histogram[b];
            }
            offsets[0] = negatives;
            for (int b = 1; b < 128; ++b) {
                offsets[b] = offsets[b - 1] + histogram[b - 1];
            }
            if (topPass == SignedInteger) {
                offsets[128] = 0;
                for (int b = 129; b < 256; ++b) {
                    offsets[b] = offsets[b - 1] + histogram[b - 1];
                }
            } else {
                // Larger bit patterns are more negative floats: bucket 255 first, each bucket
                // filled back to front (offsets point one past the bucket's end).
                unsigned int end = 0;
                for (int b = 255; b >= 128; --b) {
                    end += histogram[b];
                    offsets[b] = end;
                }
            }
        }
        for (unsigned int i = 0; i < count; ++i) {
            unsigned int index = m_ranks[i];
            unsigned int b = byteOf(keyAt(keys, index), pass);
            if (top && topPass == SignedFloat && b >= 128) {
                m_ranks2[--offsets[b]] = index;
            } else {
                m_ranks2[offsets[b]++] = index;
            }
        }
        std::swap(m_ranks, m_ranks2);
    }
}

}  // namespace tormakelin::core
