#pragma once

#include <tormakelin/fxcore/Export.h>

namespace tormakelin::fxcore {

// Timeline time units are 1/100 s.
class TORMAKELIN_FXCORE_API TimeUtil {
public:
    static double timeUnitToFloat(int units);
    // Rounds half away from zero; times beyond the unit's range clamp to its ends, NaN gives 0.
    static int floatToTimeUnit(double seconds);
    static int timeUnitToPixel(int units);
    // 0 when the pixel scale is 0.
    static int pixelToTimeUnit(int pixels);
    static void setPixelScale(int scale);
};

} // namespace tormakelin::fxcore
