#include "TestSupport.h"
#include "ZipFixture.h"

#include <OwnedStream.h>
#include <QuietLog.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Zip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;
using tormakelin::core::test::ZipEntry;
using tormakelin::core::test::ZipFixture;
using tormakelin::core::test::zeros;
using tormakelin::test::LogCatcher;
using tormakelin::test::textStream;

namespace {

std::string readEntry(ZipHandle archive, const std::string& name)
{
    SmartRef<IStream> stream(ZipRead::read(archive, name));
    if (!stream) {
        return "<null>";
    }
    return std::string(static_cast<const char*>(stream->getData()), stream->getSize());
}

uint16_t read16(const std::string& bytes, size_t at) { return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); }

} // namespace

TEST(ZipWrite, StreamEntriesAreLowerCasedDeflatedWithFlag2)
{
    ScratchDir dir;
    const std::string path = dir.path("out.zip");
    ZipWriteHandle zip = ZipWrite::open(path, true);
    ASSERT_NE(zip, nullptr);
    const std::string big(5000, 'z');
    EXPECT_TRUE(ZipWrite::add(zip, textStream(big).get(), "Media/X.DDS"));
    EXPECT_TRUE(ZipWrite::add(zip, textStream("").get(), "Empty.txt"));
    EXPECT_FALSE(ZipWrite::add(zip, nullptr, "none"));
    EXPECT_TRUE(ZipWrite::close(zip));

    const std::string bytes = dir.read("out.zip");
    EXPECT_NE(bytes.find("media/x.dds"), std::string::npos) << "only the case changes";
    EXPECT_EQ(bytes.find("Media"), std::string::npos);
    EXPECT_EQ(read16(bytes, 6), 2) << "general-purpose flag";
    EXPECT_EQ(read16(bytes, 8), 8) << "deflate";
    EXPECT_LT(bytes.size(), big.size());

    ZipHandle archive = ZipRead::open(path);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(ZipRead::getEntryCount(archive), 2u);
    EXPECT_EQ(readEntry(archive, "MEDIA\\x.dds"), big);
    EXPECT_EQ(readEntry(archive, "empty.txt"), "");
    ZipRead::close(archive);
    ZipRead::close(nullptr);
    EXPECT_EQ(ZipRead::read(nullptr, "x"), nullptr);
}

TEST(ZipRead, CorruptDeflatedDataGivesNull)
{
    ScratchDir dir;
    ZipWriteHandle zip = ZipWrite::open(dir.path("out.zip"), true);
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text += std::to_string(i * 7919 % 1000) + ",";
    }
    ASSERT_TRUE(ZipWrite::add(zip, textStream(text).get(), "data.csv"));
    ASSERT_TRUE(ZipWrite::close(zip));
    std::string bytes = dir.read("out.zip");
    const size_t dataStart = 30 + std::string("data.csv").size();
    for (size_t at = dataStart + 20; at < dataStart + 60; ++at) {
        bytes[at] = char(bytes[at] ^ 0x5A);
    }
    dir.write("broken.zip", bytes);
    ZipHandle archive = ZipRead::open(dir.path("broken.zip"));
    ASSERT_NE(archive, nullptr) << "the central directory is intact";
    EXPECT_EQ(readEntry(archive, "data.csv"), "<null>");
    ZipRead::close(archive);
}

TEST(ZipWrite, AppendsToAProgramWithAbsoluteOffsets)
{
    ScratchDir dir;
    const std::string program(4000, 'P');
    dir.write("player", program);
    ZipWriteHandle zip = ZipWrite::open(dir.path("player"), false);
    ASSERT_NE(zip, nullptr);
    EXPECT_TRUE(ZipWrite::add(zip, textStream("<Document/>").get(), "tormakelin.script"));
    EXPECT_TRUE(ZipWrite::close(zip));
    const std::string bytes = dir.read("player");
    EXPECT_EQ(bytes.substr(0, program.size()), program) << "the program is kept";
    ZipHandle archive = ZipRead::open(dir.path("player"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(readEntry(archive, "tormakelin.script"), "<Document/>");
    ZipRead::close(archive);
}

TEST(ZipWrite, ReopeningAddsToThePackAndKeepsItsEntries)
{
    ScratchDir dir;
    const std::string program(1000, 'P');
    dir.write("player", program);
    for (const char* name : {"first.txt", "second.txt"}) {
        ZipWriteHandle zip = ZipWrite::open(dir.path("player"), false);
        ASSERT_NE(zip, nullptr);
        EXPECT_TRUE(ZipWrite::add(zip, textStream(name).get(), name));
        EXPECT_TRUE(ZipWrite::close(zip));
    }
    ZipHandle archive = ZipRead::open(dir.path("player"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(ZipRead::getEntryCount(archive), 2u);
    EXPECT_EQ(readEntry(archive, "first.txt"), "first.txt");
    EXPECT_EQ(readEntry(archive, "second.txt"), "second.txt");
    ZipRead::close(archive);
    EXPECT_EQ(dir.read("player").substr(0, program.size()), program);

    ZipWriteHandle fresh = ZipWrite::open(dir.path("player"), true);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(ZipWrite::add(fresh, textStream("x").get(), "only.txt"));
    EXPECT_TRUE(ZipWrite::close(fresh));
    archive = ZipRead::open(dir.path("player"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(ZipRead::getEntryCount(archive), 1u) << "replace starts over";
    ZipRead::close(archive);
}

TEST(ZipWrite, FilesAndDirectoriesAreNamedByTheirPaths)
{
    ScratchDir dir;
    dir.write("project/Media/Logo.PNG", "png");
    dir.write("project/Media/Sub/a.txt", "a");
    dir.write("project/tormakelin.script", "<Document/>");
    const std::string zipPath = dir.path("out.zip");
    ZipWriteHandle zip = ZipWrite::open(zipPath, true);
    ASSERT_NE(zip, nullptr);
    EXPECT_TRUE(ZipWrite::addDirectory(zip, dir.path("project"), dir.path("project") + "/"));
    EXPECT_TRUE(ZipWrite::add(zip, dir.path("project/Media/Logo.PNG")));
    EXPECT_FALSE(ZipWrite::add(zip, dir.path("missing.txt")));
    EXPECT_TRUE(ZipWrite::close(zip));

    const std::string bytes = dir.read("out.zip");
    EXPECT_NE(bytes.find("media\\sub\\a.txt"), std::string::npos);
    EXPECT_NE(bytes.find("tormakelin.script"), std::string::npos);
    const std::string fullName = ZipRead::normalizeName(dir.path("project/Media/Logo.PNG"));
    EXPECT_NE(bytes.find(fullName), std::string::npos) << "the path form keeps the folders, drive removed";

    ZipHandle archive = ZipRead::open(zipPath);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(ZipRead::getEntryCount(archive), 4u);
    EXPECT_EQ(readEntry(archive, "Media\\Logo.png"), "png");
    EXPECT_EQ(readEntry(archive, "media/sub/A.TXT"), "a");
    ZipRead::close(archive);
}

TEST(ZipRead, ExtractWritesEveryEntryUnderTheTarget)
{
    ScratchDir dir;
    dir.write("pack.zip", ZipFixture::build({{"top.txt", "1"}, {"Folder/", ""}, {"Folder/Deep\\file.bin", "22"}}));
    ZipHandle archive = ZipRead::open(dir.path("pack.zip"));
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(ZipRead::extractFiles(archive, dir.path("out")));
    EXPECT_EQ(dir.read("out/top.txt"), "1");
    EXPECT_EQ(dir.read("out/Folder/Deep/file.bin"), "22");
    ZipRead::close(archive);
    EXPECT_FALSE(ZipRead::extractFiles(nullptr, dir.path("out")));
}

TEST(ZipRead, ExtractNeverLeavesTheTarget)
{
    ScratchDir dir;
    const std::vector<ZipEntry> entries = {
        {"..\\escape1.txt", "x"}, {"a/../../escape2.txt", "x"}, {"/escape3.txt", "x"},
        {"\\escape4.txt", "x"},   {"C:\\escape5.txt", "x"},     {"c:escape6.txt", "x"},
        {"fine.txt", "ok"},       {"bad-crc.txt", "x", true},
    };
    dir.write("pack.zip", ZipFixture::build(entries));
    ZipHandle archive = ZipRead::open(dir.path("pack.zip"));
    ASSERT_NE(archive, nullptr);
    EXPECT_FALSE(ZipRead::extractFiles(archive, dir.path("target/inner")));
    ZipRead::close(archive);
    EXPECT_EQ(dir.read("target/inner/fine.txt"), "ok") << "the safe entries still arrive";
    EXPECT_FALSE(dir.exists("target/inner/bad-crc.txt"));
    std::vector<std::string> stray;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.find("escape") != std::string::npos) {
            stray.push_back(entry.path().string());
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator("/")) {
        if (entry.path().filename().string().find("escape") == 0) {
            stray.push_back(entry.path().string());
        }
    }
    EXPECT_TRUE(stray.empty()) << stray.front();
}

// Long silences and flat textures compress by a thousand times; what the writer makes of them
// reads back whole.
TEST(ZipRead, EntriesOfZerosFromTheWriterReadBackWhole)
{
    for (const uint32_t megabytes : {20u, 64u}) {
        ScratchDir dir;
        const std::string path = dir.path("pack.zip");
        const uint32_t size = megabytes << 20;
        SmartRef<IStream> silence(createMemStream(std::calloc(size, 1), size, true, true));
        ZipWriteHandle zip = ZipWrite::open(path, true);
        ASSERT_TRUE(ZipWrite::add(zip, silence.get(), "media\\silence.wav"));
        ASSERT_TRUE(ZipWrite::close(zip));

        SmartRef<IFileSystem> fileSystem(createFileSystem());
        ASSERT_TRUE(fileSystem->mountZip(path));
        SmartRef<IStream> read(fileSystem->open("D:\\Media\\Silence.wav"));
        ASSERT_TRUE(read) << megabytes << " MiB";
        ASSERT_EQ(read->getSize(), size);
        const auto* data = static_cast<const unsigned char*>(read->getData());
        EXPECT_TRUE(std::all_of(data, data + size, [](unsigned char c) { return c == 0; })) << megabytes;
    }
}

TEST(ZipRead, AnEntryInflatingPastTheCapIsRefusedWithItsMessage)
{
    const ZipEntry bomb = zeros("bomb.bin", ZipRead::maxEntrySize() + (1 << 20));
    ASSERT_LT(bomb.data.size(), 2u << 20);
    ScratchDir dir;
    dir.write("pack.zip", ZipFixture::build({bomb}));
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    ASSERT_TRUE(fileSystem->mountZip(dir.path("pack.zip")));
    LogCatcher log;
    EXPECT_EQ(SmartRef<IStream>(fileSystem->open("bomb.bin")).get(), nullptr);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0],
        "Pack entry bomb.bin refused: it inflates beyond " + std::to_string(ZipRead::maxEntrySize() >> 20) + " MiB");
}
