#include <tormakelin/core/MapVector.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;

namespace {

struct Point {
    float x, y;
};

TEST(MapVector, AddUniqueFindsEqualElementsAndAddAlwaysAppends)
{
    MapVector<Point> pool;
    EXPECT_EQ(pool.add({1, 2}), 0);
    EXPECT_EQ(pool.addUnique({3, 4}), 1);
    EXPECT_EQ(pool.addUnique({1, 2}), 0) << "an equal element is found";
    EXPECT_EQ(pool.addUnique({-0.0f, 4}), 2);
    EXPECT_EQ(pool.addUnique({0.0f, 4}), 2) << "-0 and 0 are one value";
    EXPECT_EQ(pool.add({1, 2}), 3) << "add does not look";
    EXPECT_EQ(pool.addUnique({1, 2}), 0) << "the first of equal elements stays the one found";
    EXPECT_EQ(pool.size(), 4u);
    ASSERT_NE(pool.get(1), nullptr);
    EXPECT_EQ(pool.get(1)->x, 3);
    EXPECT_EQ(pool.get(4), nullptr);
    EXPECT_EQ(pool.get(-1), nullptr);
}

TEST(MapVector, SetAndClearRebuildTheLookup)
{
    MapVector<Point> pool;
    pool.add({1, 1});
    pool.set({{5, 5}, {6, 6}});
    EXPECT_EQ(pool.addUnique({6, 6}), 1);
    EXPECT_EQ(pool.addUnique({1, 1}), 2) << "gone with the replaced list";
    pool.clear();
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_EQ(pool.addUnique({5, 5}), 0);
}

}  // namespace
