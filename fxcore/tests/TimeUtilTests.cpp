#include <tormakelin/fxcore/TimeUtil.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tormakelin::fxcore;

namespace {

// Restores the process-wide pixel scale.
class TimeUtilTest : public ::testing::Test {
protected:
    ~TimeUtilTest() override { TimeUtil::setPixelScale(2); }
};

} // namespace

TEST_F(TimeUtilTest, SecondsRoundHalfAwayFromZero)
{
    struct Case {
        double seconds;
        int units;
    };
    Case const cases[] = {
        {0.015, 2}, {-0.015, -2}, {0.0149, 1}, {-0.0149, -1}, {0.0, 0}, {-0.004, 0},
        {1.0, 100}, {12.345, 1235}, {-12.345, -1235}, {0.005, 1}, {21474836.47, 2147483647},
    };
    for (Case const& c : cases)
        EXPECT_EQ(TimeUtil::floatToTimeUnit(c.seconds), c.units) << c.seconds;
}

TEST_F(TimeUtilTest, TimesBeyondTheUnitClamp)
{
    int const max = std::numeric_limits<int>::max();
    int const min = std::numeric_limits<int>::min();
    EXPECT_EQ(TimeUtil::floatToTimeUnit(1e12), max);
    EXPECT_EQ(TimeUtil::floatToTimeUnit(-1e12), min);
    EXPECT_EQ(TimeUtil::floatToTimeUnit(std::numeric_limits<double>::infinity()), max);
    EXPECT_EQ(TimeUtil::floatToTimeUnit(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(TimeUtil::timeUnitToFloat(150), 1.5);
    EXPECT_DOUBLE_EQ(TimeUtil::timeUnitToFloat(-1), -0.01);
}

TEST_F(TimeUtilTest, PixelsUseTheProcessWideScale)
{
    EXPECT_EQ(TimeUtil::pixelToTimeUnit(5), 2);
    EXPECT_EQ(TimeUtil::timeUnitToPixel(3), 6);
    EXPECT_EQ(TimeUtil::pixelToTimeUnit(-5), -2);
    TimeUtil::setPixelScale(4);
    EXPECT_EQ(TimeUtil::timeUnitToPixel(3), 12);
    EXPECT_EQ(TimeUtil::pixelToTimeUnit(9), 2);
    EXPECT_EQ(TimeUtil::timeUnitToPixel(std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
}

TEST_F(TimeUtilTest, ZeroPixelScaleNeverDivides)
{
    TimeUtil::setPixelScale(0);
    EXPECT_EQ(TimeUtil::pixelToTimeUnit(100), 0);
    EXPECT_EQ(TimeUtil::timeUnitToPixel(100), 0);
    TimeUtil::setPixelScale(-1);
    EXPECT_EQ(TimeUtil::pixelToTimeUnit(std::numeric_limits<int>::min()), std::numeric_limits<int>::max());
}
