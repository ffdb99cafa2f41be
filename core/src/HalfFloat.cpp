#include <tormakelin/core/HalfFloat.h>

#include <cstdint>
#include <cstring>

namespace tormakelin::core {

namespace {

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float floatOf(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

}  // namespace

unsigned short convertFloatToHalf(float value) {
    uint32_t bits = bitsOf(value);
    uint32_t sign = (bits >> 16) & 0x8000u;
    uint32_t m = bits & 0x7FFFFFFFu;
    if (m > 0x47FFEFFFu) {
        return static_cast<unsigned short>(sign | 0x7FFFu);
    }
    if (m > 0x387FFFFFu) {
        m -= 0x38000000u;
    } else {
        uint32_t shift = 113u - (m >> 23);
        // Too small even for a denormal half: signed zero.
        if (shift >= 32u) {
            return static_cast<unsigned short>(sign);
        }
        m = ((m & 0x7FFFFFu) | 0x800000u) >> shift;
    }
    return static_cast<unsigned short>(((m + 0x0FFFu + ((m >> 13) & 1u)) >> 13) | sign);
}

float convertHalfToFloat(unsigned short value) {
    uint32_t sign = (static_cast<uint32_t>(value) & 0x8000u) << 16;
    uint32_t exponent = (value >> 10) & 0x1Fu;
    uint32_t mantissa = value & 0x3FFu;
    if (exponent == 0) {
        if (mantissa == 0) {
            return floatOf(sign);
        }
        // Denormal: shift the leading one up into the implicit bit.
        int shifted = 0;
        while ((mantissa & 0x400u) == 0) {
            mantissa <<= 1;
            ++shifted;
        }
        uint32_t biased = static_cast<uint32_t>(113 - shifted);
        return floatOf(sign | (biased << 23) | ((mantissa & 0x3FFu) << 13));
    }
    return floatOf(sign | ((exponent + 112u) << 23) | (mantissa << 13));
}

void convertFloatToHalf(unsigned short* out, const float* in, unsigned int count) {
    convertFloatToHalf(out, sizeof(unsigned short), in, sizeof(float), count);
}

void convertFloatToHalf(unsigned short* out, unsigned int outStride, const float* in, unsigned int inStride,
                        unsigned int count) {
    auto* target = reinterpret_cast<unsigned char*>(out);
    auto* source = reinterpret_cast<const unsigned char*>(in);
    for (unsigned int i = 0; i < count; ++i, target += outStride, source += inStride) {
        float f;
        std::memcpy(&f, source, sizeof f);
        unsigned short h = convertFloatToHalf(f);
        std::memcpy(target, &h, sizeof h);
    }
}

void convertHalfToFloat(float* out, const unsigned short* in, unsigned int count) {
    convertHalfToFloat(out, sizeof(float), in, sizeof(unsigned short), count);
}

void convertHalfToFloat(float* out, unsigned int outStride, const unsigned short* in, unsigned int inStride,
                        unsigned int count) {
    auto* target = reinterpret_cast<unsigned char*>(out);
    auto* source = reinterpret_cast<const unsigned char*>(in);
    for (unsigned int i = 0; i < count; ++i, target += outStride, source += inStride) {
        unsigned short h;
        std::memcpy(&h, source, sizeof h);
        float f = convertHalfToFloat(h);
        std::memcpy(target, &f, sizeof f);
    }
}

}  // namespace tormakelin::core
