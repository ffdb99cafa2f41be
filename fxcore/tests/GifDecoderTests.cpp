#include <tormakelin/fxcore/GifDecoder.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "GifWriter.h"

#include <ResourceBudget.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using giftest::GifWriter;
using giftest::Image;

namespace {

const std::vector<GifColor> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

bool decodeBytes(GifDecoder& decoder, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> copy = bytes;
    core::SmartRef<core::IStream> stream(
        core::createMemStream(copy.empty() ? nullptr : copy.data(), unsigned(copy.size()), true, false));
    return decoder.decode(stream.get());
}

Image solid(int width, int height, uint8_t index)
{
    Image image;
    image.width = width;
    image.height = height;
    image.indices.assign(size_t(width) * size_t(height), index);
    return image;
}

// The indices of a 10-row image: row r holds r in every pixel.
Image rowNumbers(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    for (int row = 0; row < height; ++row)
        image.indices.insert(image.indices.end(), size_t(width), uint8_t(row));
    return image;
}

std::vector<GifColor> grayRamp(int count)
{
    std::vector<GifColor> colors;
    colors.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        colors.push_back(GifColor{uint8_t(i), uint8_t(i), uint8_t(i)});
    return colors;
}

// A three-frame animation touching every block kind: global and local palettes, graphic control
// extensions, a loop block, a comment, interlacing and offsets.
std::vector<uint8_t> sampleAnimation()
{
    Image first = solid(4, 3, 1);
    first.indices[5] = 3;
    Image second = rowNumbers(3, 10);
    second.left = 2;
    second.top = 1;
    second.interlaced = true;
    second.localColors = grayRamp(16);
    second.minimumSize = 4;
    Image third = solid(2, 2, 2);
    third.minimumSize = 2;
    return GifWriter()
        .screen(8, 12, kPalette, 3)
        .netscape(1, 7)
        .extension(0xFE, "made by the test")
        .control(2, 25, 3)
        .image(first)
        .image(second)
        .control(1, 4)
        .image(third)
        .trailer()
        .bytes();
}

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

} // namespace

TEST(GifDecoder, SignatureIsCheckedByteByByte)
{
    struct Case {
        const char* signature;
        bool accepted;
    } const cases[] = {
        {"GIF87a", true}, {"GIF89a", true}, {"GIF89b", false}, {"GIF88a", false},
        {"GIF97a", false}, {"gif89a", false}, {"GIF8", false}, {"", false},
    };
    for (const Case& c : cases) {
        std::string const signature = c.signature;
        GifWriter writer(signature);
        if (signature.size() == 6)
            writer.screen(1, 1, kPalette).image(solid(1, 1, 1)).trailer();
        GifDecoder decoder;
        EXPECT_EQ(decodeBytes(decoder, writer.bytes()), c.accepted) << signature;
        EXPECT_EQ(decoder.getImage().frames.size(), c.accepted ? 1u : 0u) << signature;
    }
}

TEST(GifDecoder, AnimationFramesKeepTheirOwnValues)
{
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(decoder, sampleAnimation()));
    const GifImage& image = decoder.getImage();
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ(image.height, 12);
    EXPECT_EQ(image.backgroundIndex, 3);
    EXPECT_EQ(image.loopCount, 7);
    EXPECT_EQ(image.globalColors.count, 4);
    ASSERT_EQ(image.frames.size(), 3u);

    const GifFrame& first = image.frames[0];
    EXPECT_EQ(first.delay, 25);
    EXPECT_EQ(first.disposal, 2);
    EXPECT_EQ(first.transparentIndex, 3);
    EXPECT_EQ(first.localColors.count, 0);
    ASSERT_EQ(first.pixels.size(), 12u);
    EXPECT_EQ(first.pixels[0], argb(255, 255, 0, 0));
    EXPECT_EQ(first.pixels[5], argb(0, 0, 0, 255)) << "the transparent index keeps the table's colour";

    const GifFrame& second = image.frames[1];
    EXPECT_EQ(second.delay, 0) << "no graphic control extension precedes it";
    EXPECT_EQ(second.disposal, 0);
    EXPECT_EQ(second.transparentIndex, -1);
    EXPECT_EQ(second.left, 2);
    EXPECT_EQ(second.top, 1);
    EXPECT_EQ(second.width, 3);
    EXPECT_EQ(second.height, 10);
    EXPECT_EQ(second.localColors.count, 16);
    ASSERT_EQ(second.pixels.size(), 30u);
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(second.pixels[size_t(row) * 3 + 1], argb(255, row, row, row)) << "interlaced row " << row;
    EXPECT_EQ(second.pixels[size_t{3} * 3], argb(255, 3, 3, 3)) << "index 3 is opaque: the local frame has no transparency";

    const GifFrame& third = image.frames[2];
    EXPECT_EQ(third.delay, 4);
    EXPECT_EQ(third.disposal, 1);
    EXPECT_EQ(third.transparentIndex, -1);
    EXPECT_EQ(third.pixels, std::vector<uint32_t>(4, argb(255, 0, 255, 0)));
}

TEST(GifDecoder, TheCommonOnePixelTransparentFile)
{
    std::string const file("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00"
                           "!\xF9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                           "\x02\x02\x44\x01\x00;",
        43);
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(decoder, std::vector<uint8_t>(file.begin(), file.end())));
    ASSERT_EQ(decoder.getImage().frames.size(), 1u);
    EXPECT_EQ(decoder.getImage().frames[0].pixels, std::vector<uint32_t>{argb(0, 255, 255, 255)});
}

TEST(GifDecoder, LoopBlockVariants)
{
    struct Case {
        int subId;
        int loops;
        int expected;
    } const cases[] = {{1, 5, 5}, {1, 0, 0}, {2, 9, 0}, {1, 65535, 65535}};
    for (const Case& c : cases) {
        GifDecoder decoder;
        auto bytes = GifWriter().screen(1, 1, kPalette).netscape(c.subId, c.loops).image(solid(1, 1, 0)).trailer().bytes();
        ASSERT_TRUE(decodeBytes(decoder, bytes));
        EXPECT_EQ(decoder.getImage().loopCount, c.expected) << c.subId << " " << c.loops;
    }
    // Other application blocks and unknown extensions are skipped whole.
    GifDecoder decoder;
    auto bytes = GifWriter()
                     .screen(1, 1, kPalette)
                     .extension(0xFF, "XMP DataXMP;\x21\x2C\x3B inside")
                     .extension(0x01, std::string(600, '\x2C'))
                     .image(solid(1, 1, 2))
                     .trailer()
                     .bytes();
    ASSERT_TRUE(decodeBytes(decoder, bytes));
    EXPECT_EQ(decoder.getImage().loopCount, 0);
    ASSERT_EQ(decoder.getImage().frames.size(), 1u);
    EXPECT_EQ(decoder.getImage().frames[0].pixels[0], argb(255, 0, 255, 0));
}

TEST(GifDecoder, LzwRoundTripsAcrossCodeWidthsAndSubBlocks)
{
    struct Case {
        const char* what;
        int width, height, minimumSize, subBlockSize, colors;
    } const cases[] = {
        {"code size 1: two colours", 17, 9, 1, 255, 2},
        {"code size 1 across a table refill", 160, 120, 1, 255, 2},
        {"code size 2", 17, 9, 2, 255, 4},
        {"largest code size", 60, 50, 11, 255, 256},
        {"every width up to 12, table refills", 160, 120, 8, 255, 256},
        {"one-byte sub-blocks", 64, 40, 8, 1, 256},
        {"odd sub-blocks", 90, 33, 5, 7, 32},
        {"runs make codes not yet in the table", 300, 2, 3, 255, 1},
    };
    for (const Case& c : cases) {
        Image image;
        image.width = c.width;
        image.height = c.height;
        image.minimumSize = c.minimumSize;
        uint32_t state = 12345;
        for (int i = 0; i < c.width * c.height; ++i) {
            state = state * 214013u + 2531011u;
            // Mostly noise with some runs, so that both long and fresh strings appear.
            int const value = (i / 7) % 3 == 0 ? 0 : int((state >> 16) % uint32_t(c.colors));
            image.indices.push_back(uint8_t(value));
        }
        std::vector<GifColor> const palette = grayRamp(c.colors < 4 ? 4 : c.colors);
        image.subBlockSize = c.subBlockSize;
        GifDecoder decoder;
        ASSERT_TRUE(decodeBytes(decoder, GifWriter().screen(c.width, c.height, palette).image(image).trailer().bytes()))
            << c.what;
        const GifFrame& frame = decoder.getImage().frames.at(0);
        ASSERT_EQ(frame.pixels.size(), image.indices.size()) << c.what;
        size_t wrong = 0;
        for (size_t i = 0; i < frame.pixels.size(); ++i)
            wrong += frame.pixels[i] != argb(255, image.indices[i], image.indices[i], image.indices[i]);
        EXPECT_EQ(wrong, 0u) << c.what;
    }
}

// Code size 1 by hand: clear and the first pixel at two bits, then three bits, since the second
// code may already be the next free one (here 4, the string 1,1).
TEST(GifDecoder, CodeSizeOneReadsTheSecondCodeAtThreeBits)
{
    Image const image = solid(4, 1, 1);
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(
        decoder, GifWriter().screen(4, 1, {{0, 0, 0}, {255, 255, 255}}).imageHeader(image).lzw(1, {0x46, 0x0C}).trailer().bytes()));
    std::vector<uint32_t> const white = {argb(255, 255, 255, 255)}, black = {argb(255, 0, 0, 0)};
    EXPECT_EQ(decoder.getImage().frames.at(0).pixels,
              (std::vector<uint32_t>{white[0], white[0], white[0], black[0]}));
}

TEST(GifDecoder, ShortAndLongPixelDataFitTheImage)
{
    // Two pixels for a 2x2 image: the rest keeps index 0. Six pixels: the extra ones are dropped.
    std::vector<uint8_t> const shortData = giftest::lzwEncode({1, 2}, 2);
    std::vector<uint8_t> const longData = giftest::lzwEncode({1, 2, 3, 1, 2, 3}, 2);
    Image header = solid(2, 2, 0);
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(decoder, GifWriter()
                                         .screen(2, 2, kPalette)
                                         .imageHeader(header)
                                         .lzw(2, shortData)
                                         .imageHeader(header)
                                         .lzw(2, longData)
                                         .trailer()
                                         .bytes()));
    const auto& frames = decoder.getImage().frames;
    ASSERT_EQ(frames.size(), 2u);
    uint32_t const black = argb(255, 0, 0, 0), red = argb(255, 255, 0, 0), green = argb(255, 0, 255, 0),
                   blue = argb(255, 0, 0, 255);
    EXPECT_EQ(frames[0].pixels, (std::vector<uint32_t>{red, green, black, black}));
    EXPECT_EQ(frames[1].pixels, (std::vector<uint32_t>{red, green, blue, red}));
}

TEST(GifDecoder, IndicesOutsideTheTableAreBlack)
{
    Image image = solid(2, 1, 0);
    image.indices = {1, 7};
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(decoder, GifWriter().screen(2, 1, {{9, 9, 9}, {10, 20, 30}}).image(image).trailer().bytes()));
    EXPECT_EQ(decoder.getImage().frames[0].pixels, (std::vector<uint32_t>{argb(255, 10, 20, 30), argb(255, 0, 0, 0)}));

    GifDecoder noTable;
    ASSERT_TRUE(decodeBytes(noTable, GifWriter().screen(2, 1).image(image).trailer().bytes()));
    EXPECT_EQ(noTable.getImage().frames[0].pixels, (std::vector<uint32_t>(2, argb(255, 0, 0, 0))));
}

TEST(GifDecoder, EmptyFramesAreKept)
{
    // Zero-sized frames, interlaced or not, decode to no pixels; their data are still skipped.
    Image noWidth = rowNumbers(0, 3);
    noWidth.interlaced = true;
    Image noHeight = solid(4, 0, 0);
    GifDecoder decoder;
    ASSERT_TRUE(decodeBytes(decoder, GifWriter()
                                         .screen(4, 4, kPalette)
                                         .imageHeader(noWidth)
                                         .lzw(2, giftest::lzwEncode({1, 2, 3}, 2))
                                         .image(noHeight)
                                         .image(solid(1, 1, 3))
                                         .trailer()
                                         .bytes()));
    const auto& frames = decoder.getImage().frames;
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].pixels.empty());
    EXPECT_EQ(frames[0].height, 3);
    EXPECT_TRUE(frames[1].pixels.empty());
    EXPECT_EQ(frames[2].pixels, std::vector<uint32_t>{argb(255, 0, 0, 255)});
}

TEST(GifDecoder, StrayBytesBetweenBlocksAreSkippedAndAPendingControlIsDropped)
{
    GifDecoder decoder;
    auto bytes = GifWriter()
                     .screen(1, 1, kPalette)
                     .raw({0x00, 0x42, 0x99})
                     .image(solid(1, 1, 1))
                     .raw({0x00})
                     .control(3, 50, 0)
                     .trailer()
                     .bytes();
    ASSERT_TRUE(decodeBytes(decoder, bytes));
    ASSERT_EQ(decoder.getImage().frames.size(), 1u);
    EXPECT_EQ(decoder.getImage().frames[0].delay, 0);
}

TEST(GifDecoder, MalformedFilesFailCleanly)
{
    Image const pixel = solid(1, 1, 1);
    auto start = [] { return GifWriter().screen(1, 1, kPalette); };
    std::vector<uint8_t> const noEndCode = giftest::lzwEncode({1}, 2, false);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } const cases[] = {
        {"no trailer", start().image(pixel).bytes()},
        {"control block of size 3", start().raw({0x21, 0xF9, 3, 0, 0, 0, 0}).image(pixel).trailer().bytes()},
        {"control block of size 5", start().raw({0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}).image(pixel).trailer().bytes()},
        {"LZW data without an end code", start().imageHeader(pixel).lzw(2, noEndCode).trailer().bytes()},
        {"minimum code size 0", start().imageHeader(pixel).lzw(0, {0x01, 0x01}).trailer().bytes()},
        {"minimum code size 12", start().imageHeader(pixel).lzw(12, giftest::lzwEncode({1}, 11)).trailer().bytes()},
        {"a code beyond the table", start().imageHeader(pixel).lzw(2, {0xCC, 0x01}).trailer().bytes()},
        {"a first code that is no pixel", start().imageHeader(pixel).lzw(2, {0x34}).trailer().bytes()},
    };
    for (const Case& c : cases) {
                GifDecoder decoder;
        ASSERT_TRUE(decodeBytes(decoder, sampleAnimation()));
        EXPECT_FALSE(decodeBytes(decoder, c.bytes)) << c.what;
        EXPECT_TRUE(decoder.getImage().frames.empty()) << c.what;
        EXPECT_EQ(decoder.getImage().width, 0) << c.what;
    }
    GifDecoder decoder;
    EXPECT_FALSE(decoder.decode(nullptr));
}

TEST(GifDecoder, EveryTruncationFails)
{
    std::vector<uint8_t> const whole = sampleAnimation();
    for (size_t length = 0; length < whole.size(); ++length) {
        GifDecoder decoder;
        EXPECT_FALSE(decodeBytes(decoder, std::vector<uint8_t>(whole.begin(), whole.begin() + long(length))))
            << "cut at " << length;
    }
}

TEST(GifDecoder, EmptyInterlacedFramesDecode)
{
    // A frame of no pixels has no rows to reorder.
    for (auto [width, height] : {std::pair{0, 10}, std::pair{5, 0}}) {
        Image frame;
        frame.width = width;
        frame.height = height;
        frame.interlaced = true;
        GifDecoder decoder;
        ASSERT_TRUE(decodeBytes(decoder, GifWriter().screen(5, 10, kPalette).imageHeader(frame)
            .lzw(2, giftest::lzwEncode({}, 2)).trailer().bytes())) << width << "x" << height;
        EXPECT_TRUE(decoder.getImage().frames.at(0).pixels.empty());
    }
}

TEST(GifDecoder, FramesBeyondTheLimitsAreRefused)
{
    // Frames that claim a size with no more data than the clear and end codes.
    auto empty = [](int width, int height, int count) {
        GifWriter writer;
        writer.screen(width, height, kPalette);
        Image frame;
        frame.width = width;
        frame.height = height;
        for (int i = 0; i < count; ++i)
            writer.imageHeader(frame).lzw(2, giftest::lzwEncode({}, 2));
        return writer.trailer().bytes();
    };
    GifDecoder decoder;
    EXPECT_FALSE(decodeBytes(decoder, empty(65535, 65535, 1)));
    EXPECT_FALSE(decodeBytes(decoder, empty(4097, 4096, 1)));
    EXPECT_FALSE(decodeBytes(decoder, empty(4096, 4096, 2))) << "a few bytes may not claim two full frames";
    ASSERT_TRUE(decodeBytes(decoder, empty(4096, 4096, 1)));
    EXPECT_EQ(decoder.getImage().frames[0].pixels.size(), size_t(4096) * 4096);
    EXPECT_EQ(decoder.getImage().frames[0].pixels.back(), argb(255, 0, 0, 0));

    // Large frames with their data are fine.
    Image full = solid(2048, 1024, 2);
    GifWriter writer;
    writer.screen(2048, 1024, kPalette);
    for (int i = 0; i < 4; ++i)
        writer.image(full);
    ASSERT_TRUE(decodeBytes(decoder, writer.trailer().bytes()));
    ASSERT_EQ(decoder.getImage().frames.size(), 4u);
    EXPECT_EQ(decoder.getImage().frames[3].pixels.back(), argb(255, 0, 255, 0));
}

TEST(GifDecoder, ReadsThroughTheFileSystem)
{
    std::filesystem::path const folder = std::filesystem::temp_directory_path() / ("tormakelin_gif_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> const bytes = sampleAnimation();
    std::ofstream(folder / "Anim.gif", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    {
        core::SmartRef<core::IFileSystem> fileSystem(core::createFileSystem());
        fileSystem->addSearchPath(folder.string() + "\\");
        core::SmartRef<core::IStream> stream(fileSystem->open("anim.GIF"));
        ASSERT_NE(stream.get(), nullptr);
        GifDecoder decoder;
        ASSERT_TRUE(decoder.decode(stream.get()));
        EXPECT_EQ(decoder.getImage().frames.size(), 3u);
    }
    std::filesystem::remove_all(folder);
}

// Not a check: with TORMAKELIN_GIF_CORPUS set to a folder, writes the fuzzer's seed files there
// (scripts/gif_corpus.sh).
TEST(GifDecoder, WritesFuzzSeeds)
{
    const char* folder = std::getenv("TORMAKELIN_GIF_CORPUS");
    if (!folder)
        GTEST_SKIP() << "TORMAKELIN_GIF_CORPUS not set";
    Image noisy;
    noisy.width = 24;
    noisy.height = 16;
    for (int i = 0; i < noisy.width * noisy.height; ++i)
        noisy.indices.push_back(uint8_t((i * 37 + i / 5) % 64));
    Image interlaced = rowNumbers(5, 10);
    interlaced.interlaced = true;
    interlaced.localColors = grayRamp(16);
    interlaced.minimumSize = 4;
    Image twoColors = noisy;
    twoColors.minimumSize = 1;
    for (uint8_t& index : twoColors.indices)
        index &= 1;
    std::pair<const char*, std::vector<uint8_t>> const seeds[] = {
        {"code-size-1.gif", GifWriter().screen(24, 16, grayRamp(2)).image(twoColors).trailer().bytes()},
        {"animation.gif", sampleAnimation()},
        {"gif87a.gif", GifWriter("GIF87a").screen(2, 2, kPalette).image(solid(2, 2, 3)).trailer().bytes()},
        {"noise.gif", GifWriter().screen(24, 16, grayRamp(64)).control(0, 10).image(noisy).trailer().bytes()},
        {"interlaced.gif", GifWriter().screen(5, 10).netscape(1, 0).control(1, 3, 2).image(interlaced).trailer().bytes()},
    };
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::filesystem::path(folder) / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        GifDecoder decoder;
        EXPECT_TRUE(decodeBytes(decoder, bytes)) << name;
    }
}

TEST(GifDecoder, FilesBeyondThePixelBudgetAreRefusedCheaply)
{
    auto frames = [](int width, int height, int count, int minimumSize) {
        GifWriter writer;
        writer.screen(width, height, kPalette);
        Image frame;
        frame.width = width;
        frame.height = height;
        for (int i = 0; i < count; ++i)
            writer.imageHeader(frame).lzw(minimumSize, giftest::lzwRuns(int64_t(width) * height, minimumSize));
        return writer.trailer().bytes();
    };
    struct Case {
        int width, height, count;
        bool decodes;
        int minimumSize = 2;
    };
    const Case cases[] = {
        {4096, 4096, 2, true},
        {4096, 4096, 3, false},
        {256, 256, 1000, false},
        {640, 480, 100, true},
        {4096, 4096, 3, false, 1},
        {640, 480, 100, true, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> const bytes = frames(c.width, c.height, c.count, c.minimumSize);
        tormakelin::test::ResourceBudget budget;
        GifDecoder decoder;
        EXPECT_EQ(decodeBytes(decoder, bytes), c.decodes) << c.count << " frames of " << c.width;
        if (c.decodes) {
            ASSERT_EQ(decoder.getImage().frames.size(), size_t(c.count));
            EXPECT_EQ(decoder.getImage().frames.back().pixels.back(), argb(255, 0, 0, 0));
            EXPECT_TRUE(decoder.getError().empty());
        } else {
            EXPECT_LT(bytes.size(), 400000u);
            EXPECT_EQ(decoder.getError(), "the frames together hold more pixels than two of 4096 x 4096");
            EXPECT_TRUE(decoder.getImage().frames.empty());
        }
        EXPECT_LT(budget.seconds(), tormakelin::test::kHostileSeconds);
        EXPECT_LT(budget.peakGrowthMb(), tormakelin::test::kHostileMegabytes);
    }
}
