#include <tormakelin/fxcore/TimeUtil.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace tormakelin::fxcore {

namespace {

int g_pixelScale = 2;

int clampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace

double TimeUtil::timeUnitToFloat(int units)
{
    return units / 100.0;
}

int TimeUtil::floatToTimeUnit(double seconds)
{
    double const units = seconds * 100.0;
    return clampToInt(units >= 0.0 ? units + 0.5 : units - 0.5);
}

int TimeUtil::timeUnitToPixel(int units)
{
    return clampToInt(static_cast<double>(static_cast<int64_t>(units) * g_pixelScale));
}

int TimeUtil::pixelToTimeUnit(int pixels)
{
    if (g_pixelScale == 0)
        return 0;
    // INT_MIN / -1 does not fit.
    int64_t const units = static_cast<int64_t>(pixels) / g_pixelScale;
    return clampToInt(static_cast<double>(units));
}

void TimeUtil::setPixelScale(int scale)
{
    g_pixelScale = scale;
}

} // namespace tormakelin::fxcore
