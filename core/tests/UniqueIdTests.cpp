#include <tormakelin/core/Random.h>
#include <tormakelin/core/UniqueId.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

using namespace tormakelin::core;

namespace {

std::string digestHex(const UniqueId& id)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&id);
    std::string hex;
    char pair[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
        hex += pair;
    }
    return hex;
}

uint64_t g_fakeTime = 0;
uint64_t fakeClock() { return g_fakeTime; }

} // namespace

TEST(UniqueId, TextRoundTripsAndPrintsUpperCase)
{
    const std::string text = "0123ABCD-4567-89EF-FEDC-BA9876543210";
    UniqueId id{};
    ASSERT_TRUE(stringToUniqueId(text, id));
    EXPECT_EQ(id.data1, 0x0123ABCDu);
    EXPECT_EQ(id.data2, 0x4567u);
    EXPECT_EQ(id.data3, 0x89EFu);
    EXPECT_EQ(id.data4[0], 0xFE);
    EXPECT_EQ(id.data4[7], 0x10);
    EXPECT_EQ(uniqueIdToString(id), text);
    EXPECT_EQ(uniqueIdToString(stringToUniqueId("0123abcd-4567-89ef-fedc-ba9876543210")), text);
    EXPECT_EQ(uniqueIdToString(UniqueId{}).size(), 36u);
}

TEST(UniqueId, ParseTable)
{
    struct Case {
        std::string text;
        bool ok;
        std::string expected;
    };
    const Case cases[] = {
        {"00000000-0000-0000-0000-000000000000", true, "00000000-0000-0000-0000-000000000000"},
        {"0123ABCD-4567-89EF-FEDC-BA987654321", false, ""},
        {"0123ABCD-4567-89EF-FEDC-BA98765432100", false, ""},
        {"", false, ""},
        // A stray character inside a group is skipped without shifting the value.
        {"0123ABCX-4567-89EF-FEDC-BA9876543210", true, "00123ABC-4567-89EF-FEDC-BA9876543210"},
        // The separators are not examined.
        {"0123ABCDx4567y89EFzFEDC_BA9876543210", true, "0123ABCD-4567-89EF-FEDC-BA9876543210"},
    };
    for (const Case& c : cases) {
        UniqueId id;
        std::memset(&id, 0x5A, sizeof(id));
        const UniqueId before = id;
        EXPECT_EQ(stringToUniqueId(c.text, id), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(uniqueIdToString(id), c.expected) << c.text;
        } else {
            EXPECT_EQ(id, before) << "untouched on failure: " << c.text;
            EXPECT_TRUE(isNullUniqueId(stringToUniqueId(c.text))) << c.text;
        }
    }
}

TEST(UniqueId, OrderIsByStoredBytes)
{
    // data1 is little-endian in memory: its least significant byte decides first.
    const UniqueId low = stringToUniqueId("FF000001-0000-0000-0000-000000000000");
    const UniqueId high = stringToUniqueId("00000002-0000-0000-0000-000000000000");
    EXPECT_TRUE(uniqueIdLess(low, high));
    EXPECT_FALSE(uniqueIdLess(high, low));
    EXPECT_FALSE(uniqueIdLess(low, low));
    const UniqueId lastByte = stringToUniqueId("00000000-0000-0000-0000-000000000080");
    EXPECT_TRUE(uniqueIdLess(UniqueId{}, lastByte)); // bytes compare unsigned
    std::map<UniqueId, int> byId{{high, 2}, {low, 1}};
    EXPECT_EQ(byId.begin()->second, 1);
}

TEST(UniqueId, Md5OfKnownInputs)
{
    EXPECT_EQ(digestHex(getMD5UniqueId("", 0)), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(digestHex(getMD5UniqueId("abc", 3)), "900150983cd24fb0d6963f7d28e17f72");
    const std::string fox = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(digestHex(getMD5UniqueId(fox.data(), unsigned(fox.size()))), "9e107d9d372bb6826bd81d3542a419d6");
    const std::string digits = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    EXPECT_EQ(digestHex(getMD5UniqueId(digits.data(), unsigned(digits.size()))),
              "57edf4a22be3c955ac49da2e2107b67a");
    const std::string million(1000000, 'a');
    EXPECT_EQ(digestHex(getMD5UniqueId(million.data(), unsigned(million.size()))),
              "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(UniqueId, GeneratedIdsAreVersionOneAndUnique)
{
    std::set<UniqueId> seen;
    UniqueId first{};
    generateUniqueId(first);
    for (int i = 0; i < 20000; ++i) {
        UniqueId id;
        generateUniqueId(id);
        EXPECT_EQ(id.data3 & 0xF000, 0x1000);
        EXPECT_EQ(id.data4[0] & 0xC0, 0x80);
        EXPECT_EQ(id.data4[2] & 0x80, 0x80);
        EXPECT_EQ(std::memcmp(id.data4, first.data4, 8), 0) << "clock sequence and node stay fixed";
        EXPECT_TRUE(seen.insert(id).second) << uniqueIdToString(id);
    }
}

TEST(UniqueId, TicksShareOneTimestamp)
{
    UniqueIdGenerator generator(fakeClock);
    g_fakeTime = 0x01D0000000000000ull;
    UniqueId a, b, c, d;
    generator.generate(a);
    generator.generate(b);
    generator.generate(c);
    EXPECT_EQ(b.data1 - a.data1, 1u);
    EXPECT_EQ(c.data1 - a.data1, 2u);
    g_fakeTime += 1024;
    generator.generate(d);
    EXPECT_EQ(d.data1 - a.data1, 1024u) << "a moved clock restarts the count";
    const uint64_t time = g_fakeTime + 0x146BF33E42C000ull;
    EXPECT_EQ(d.data1, uint32_t(time));
    EXPECT_EQ(d.data2, uint16_t(time >> 32));
    EXPECT_EQ(d.data3, uint16_t(((time >> 48) & 0x0FFF) | 0x1000));
}

TEST(UniqueId, ClockSetBackChangesClockSequence)
{
    UniqueIdGenerator generator(fakeClock);
    g_fakeTime = 0x01D0000000100000ull;
    UniqueId a, b;
    generator.generate(a);
    g_fakeTime -= 4096;
    generator.generate(b);
    EXPECT_NE(a.data4[1] | (a.data4[0] << 8), b.data4[1] | (b.data4[0] << 8));
}

TEST(UniqueId, GenerationLeavesTheProcessRandomSequenceAlone)
{
    randomSeed(666);
    const int expected[3] = {randomInt(), randomInt(), randomInt()};
    randomSeed(666);
    const int first = randomInt();
    UniqueIdGenerator fresh; // its first id draws the clock sequence
    UniqueId id;
    fresh.generate(id);
    generateUniqueId(id);
    const int second = randomInt();
    const int third = randomInt();
    EXPECT_EQ(first, expected[0]);
    EXPECT_EQ(second, expected[1]);
    EXPECT_EQ(third, expected[2]);
}
