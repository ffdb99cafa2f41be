#include <tormakelin/core/RectanglePacker.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;
using Data = RectanglePacker::RectangleData;
using Rect = RectanglePacker::Rectangle;

namespace {

std::vector<Data> squares(int count, int side) {
    std::vector<Data> list(count);
    for (Data& d : list) {
        d.width = side;
        d.height = side;
    }
    return list;
}

// Every rectangle inside the atlas and no two overlapping.
void expectValidPacking(const std::vector<Data>& list, const Rect& atlas) {
    for (size_t i = 0; i < list.size(); ++i) {
        const Data& a = list[i];
        Rect ra{a.x, a.y, a.width, a.height};
        EXPECT_TRUE(Rect({0, 0, atlas.width, atlas.height}).contains(ra)) << "rectangle " << i;
        for (size_t j = i + 1; j < list.size(); ++j) {
            const Data& b = list[j];
            EXPECT_FALSE(ra.intersects(Rect{b.x, b.y, b.width, b.height})) << i << " overlaps " << j;
        }
    }
}

}  // namespace

TEST(RectanglePacker, RectangleTests) {
    Rect a{0, 0, 10, 10};
    EXPECT_TRUE(a.intersects(Rect{5, 5, 10, 10}));
    EXPECT_FALSE(a.intersects(Rect{10, 0, 5, 5}));  // touching edges do not overlap
    EXPECT_TRUE(a.contains(Rect{2, 2, 8, 8}));
    EXPECT_TRUE(a.contains(a));
    EXPECT_FALSE(a.contains(Rect{2, 2, 9, 8}));
}

TEST(RectanglePacker, FourSquaresFillAPowerOfTwoAtlas) {
    for (bool pow2 : {true, false}) {
        PerimeterRectanglePacker packer;
        std::vector<Data> list = squares(4, 16);
        Rect solution;
        RectanglePacker::Statistics stats;
        ASSERT_TRUE(pow2 ? packer.packPow2(list, solution, stats) : packer.packLinear(list, solution, stats));
        EXPECT_EQ(solution.width, 32);
        EXPECT_EQ(solution.height, 32);
        EXPECT_EQ(stats.wastedArea, 0);
        EXPECT_EQ(stats.wastedPercentage, 0.0f);
        expectValidPacking(list, solution);
    }
}

TEST(RectanglePacker, LargestIsPlacedFirstAtTheOrigin) {
    PerimeterRectanglePacker packer;
    std::vector<Data> list = {{8, 8}, {4, 4}, {20, 12}, {8, 4}};
    Rect solution;
    RectanglePacker::Statistics stats;
    ASSERT_TRUE(packer.packPow2(list, solution, stats));
    EXPECT_EQ(list[2].x, 0);
    EXPECT_EQ(list[2].y, 0);
    expectValidPacking(list, solution);
}

TEST(RectanglePacker, RefusesWhatCannotFit) {
    PerimeterRectanglePacker packer;
    packer.setMaxWidth(32);
    packer.setMaxHeight(32);
    Rect solution;
    RectanglePacker::Statistics stats;
    std::vector<Data> tooWide = {{40, 8}};
    EXPECT_FALSE(packer.packPow2(tooWide, solution, stats));
    EXPECT_FALSE(packer.packLinear(tooWide, solution, stats));
    std::vector<Data> tooMany = squares(5, 16);
    EXPECT_FALSE(packer.packPow2(tooMany, solution, stats));
    EXPECT_FALSE(packer.packLinear(tooMany, solution, stats));
    std::vector<Data> negative = {{-1, 4}};
    EXPECT_FALSE(packer.packPow2(negative, solution, stats));
    // A packer without a metric packs nothing.
    GeneralRectanglePacker bare;
    std::vector<Data> one = squares(1, 4);
    EXPECT_FALSE(bare.packPow2(one, solution, stats));
}

// The largest candidate is the maximum rounded up: to a power of two, or to the alignment.
TEST(RectanglePacker, TheMaximumIsRoundedUpAsTheFormRounds) {
    struct Case {
        bool pow2;
        int alignment;
        Data rectangle;
        bool packs;
        int width;
    };
    const Case cases[] = {
        {true, 1, {600, 600}, true, 1024},
        {true, 1, {1024, 8}, true, 1024},
        {true, 1, {1025, 8}, false, 0},
        {false, 64, {990, 8}, true, 1024},
        {false, 64, {1024, 8}, true, 1024},
        {false, 64, {1025, 8}, false, 0},
        {false, 1, {1001, 8}, false, 0},
    };
    for (const Case& c : cases) {
        PerimeterRectanglePacker packer;
        packer.setMaxWidth(1000);
        packer.setMaxHeight(1000);
        packer.setLinearAlignment(c.alignment, c.alignment);
        std::vector<Data> list = {c.rectangle};
        Rect solution;
        RectanglePacker::Statistics stats;
        const bool packed = c.pow2 ? packer.packPow2(list, solution, stats) : packer.packLinear(list, solution, stats);
        EXPECT_EQ(packed, c.packs) << c.pow2 << " " << c.rectangle.width;
        if (packed) {
            EXPECT_EQ(solution.width, c.width) << c.rectangle.width;
        }
    }
}

TEST(RectanglePacker, ZeroAreaRectanglesTakeNoSpace) {
    PerimeterRectanglePacker packer;
    std::vector<Data> list = squares(4, 16);
    list.push_back({0, 300, 7, 7});
    list.push_back({0, 0, 7, 7});
    Rect solution;
    RectanglePacker::Statistics stats;
    ASSERT_TRUE(packer.packPow2(list, solution, stats));
    EXPECT_EQ(solution.width, 32);
    EXPECT_EQ(solution.height, 32);
    EXPECT_EQ(list[4].x, 0);
    EXPECT_EQ(list[4].y, 0);
    EXPECT_EQ(list[5].x, 0);
    EXPECT_EQ(stats.wastedArea, 0);
}

TEST(RectanglePacker, MixedSizesStayInsideAndApart) {
    std::vector<Data> list;
    list.reserve(60);
    for (int i = 0; i < 60; ++i) {
        list.push_back({4 + (i * 7) % 23, 5 + (i * 11) % 17});
    }
    int64_t area = 0;
    for (const Data& d : list) {
        area += static_cast<int64_t>(d.width) * d.height;
    }
    PerimeterRectanglePacker packer;
    packer.setOptimizationLevel(3);
    Rect solution;
    RectanglePacker::Statistics stats;
    std::vector<Data> pow2 = list;
    ASSERT_TRUE(packer.packPow2(pow2, solution, stats));
    expectValidPacking(pow2, solution);
    EXPECT_EQ((solution.width & (solution.width - 1)), 0);
    EXPECT_EQ((solution.height & (solution.height - 1)), 0);
    EXPECT_EQ(stats.wastedArea, static_cast<int64_t>(solution.width) * solution.height - area);

    packer.setLinearAlignment(8, 4);
    std::vector<Data> linear = list;
    ASSERT_TRUE(packer.packLinear(linear, solution, stats));
    expectValidPacking(linear, solution);
    EXPECT_EQ(solution.width % 8, 0);
    EXPECT_EQ(solution.height % 4, 0);
    EXPECT_NEAR(stats.wastedPercentage, stats.wastedArea * 100.0f / (solution.width * solution.height), 1e-3f);
}

TEST(RectanglePacker, TesterYieldsSmallerAreasFirst) {
    Pow2RectanglePackerTester tester;
    Rect base{0, 0, 10, 3}, maxCase{0, 0, 64, 64}, first, next;
    tester.setBaseCase(base);
    tester.setMinArea(200);
    tester.setMaxCase(maxCase);
    tester.deriveTestCases(first);
    EXPECT_EQ(first.width * first.height, 256);
    int64_t previous = 0;
    int count = 0;
    while (tester.getNextTestCase(next)) {
        EXPECT_GE(next.area(), previous);
        EXPECT_GE(next.width, 16);
        EXPECT_GE(next.height, 4);
        EXPECT_GE(next.area(), 200);
        previous = next.area();
        ++count;
    }
    EXPECT_GT(count, 3);
}
