#pragma once
// IEEE binary16 halves as the keyframe records store them. Magnitudes too large for a half
// saturate to 0x7FFF; the exponent 31 is read back as an ordinary exponent.

#include <tormakelin/core/Export.h>

namespace tormakelin::core {

TORMAKELIN_CORE_API unsigned short convertFloatToHalf(float value);
TORMAKELIN_CORE_API float convertHalfToFloat(unsigned short value);

TORMAKELIN_CORE_API void convertFloatToHalf(unsigned short* out, const float* in, unsigned int count);
// Strides in bytes.
TORMAKELIN_CORE_API void convertFloatToHalf(unsigned short* out, unsigned int outStride, const float* in,
                                            unsigned int inStride, unsigned int count);
TORMAKELIN_CORE_API void convertHalfToFloat(float* out, const unsigned short* in, unsigned int count);
TORMAKELIN_CORE_API void convertHalfToFloat(float* out, unsigned int outStride, const unsigned short* in,
                                            unsigned int inStride, unsigned int count);

}  // namespace tormakelin::core
