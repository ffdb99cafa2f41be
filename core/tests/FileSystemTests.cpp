#include "TestSupport.h"
#include "ZipFixture.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;
using tormakelin::core::test::ZipEntry;
using tormakelin::core::test::ZipFixture;

namespace {

const std::string kProgram = std::string("\x7F" "ELF pretend program bytes ", 27) + std::string(300, '\x90');

std::string contentOf(IStream* stream)
{
    SmartRef<IStream> held(stream);
    if (!stream) {
        return "<null>";
    }
    std::string out(stream->getSize(), '\0');
    stream->read(out.data(), unsigned(out.size()));
    return out;
}

std::string contentOf(IFileSystem& fileSystem, const std::string& name) { return contentOf(fileSystem.open(name)); }

const std::vector<ZipEntry> kPackEntries = {
    {"tormakelin.script", "<Document/>"},
    {"work\\demo\\media\\logo.png", "PNG!"},
    {"Media/Sub/Tex.DDS", "DDS!"},
    {"prefix\\b\\shared.txt", "from b"},
    {"prefix\\a\\shared.txt", "from a"},
    {"prefix\\a\\only-a.txt", "only a"},
};

class PackedFileSystem : public testing::Test {
protected:
    // A program with the pack appended, offsets absolute within the whole file.
    std::string writeProgramWithPack(const std::string& comment = "")
    {
        std::string path = dir.path("player");
        dir.write("player", kProgram + ZipFixture::build(kPackEntries, uint32_t(kProgram.size()), comment));
        return path;
    }

    ScratchDir dir;
    SmartRef<IFileSystem> fileSystem{createFileSystem()};
};

} // namespace

TEST_F(PackedFileSystem, PackAfterAProgramIsFoundWithEitherOffsetKindAndAComment)
{
    struct Case {
        const char* label;
        uint32_t offsetBase;
        std::string comment;
    };
    const Case cases[] = {
        {"absolute offsets", uint32_t(kProgram.size()), ""},
        {"archive-relative offsets", 0, ""},
        {"absolute offsets with a comment", uint32_t(kProgram.size()), "built by the packer"},
        {"relative offsets with a comment", 0, std::string(1000, 'c')},
    };
    for (const Case& c : cases) {
        dir.write("player", kProgram + ZipFixture::build(kPackEntries, c.offsetBase, c.comment));
        ASSERT_TRUE(fileSystem->mountZip(dir.path("player"))) << c.label;
        EXPECT_EQ(contentOf(*fileSystem, "tormakelin.script"), "<Document/>") << c.label;
        EXPECT_EQ(contentOf(*fileSystem, "D:\\Work\\Demo\\Media\\Logo.PNG"), "PNG!") << c.label;
    }
}

TEST_F(PackedFileSystem, NamesMatchIgnoringCaseDriveAndSeparatorKind)
{
    ASSERT_TRUE(fileSystem->mountZip(writeProgramWithPack()));
    const char* spellings[] = {"D:\\Work\\Demo\\Media\\Logo.PNG", "work/demo/media/logo.png", "\\WORK\\DEMO\\MEDIA\\LOGO.PNG",
                               "/work/Demo\\media/logo.png"};
    for (const char* name : spellings) {
        EXPECT_EQ(contentOf(*fileSystem, name), "PNG!") << name;
    }
    // Stored with '/' and capitals.
    const char* stored[] = {"media\\sub\\tex.dds", "C:\\Media\\Sub\\TEX.dds", "Media/Sub/Tex.DDS"};
    for (const char* name : stored) {
        EXPECT_EQ(contentOf(*fileSystem, name), "DDS!") << name;
    }
    EXPECT_EQ(contentOf(*fileSystem, "work\\demo\\media\\"), "<null>");
    EXPECT_EQ(contentOf(*fileSystem, std::string(300, 'a')), "<null>");
}

TEST_F(PackedFileSystem, MountedPackHidesTheDiskUntilTurnedOff)
{
    dir.write("loose.txt", "on disk");
    ASSERT_TRUE(fileSystem->mountZip(writeProgramWithPack()));
    EXPECT_TRUE(fileSystem->getUseZip());
    EXPECT_EQ(contentOf(*fileSystem, dir.path("loose.txt")), "<null>");
    fileSystem->setUseZip(false);
    EXPECT_EQ(contentOf(*fileSystem, dir.path("loose.txt")), "on disk");
    EXPECT_EQ(contentOf(*fileSystem, "tormakelin.script"), "<null>");
    fileSystem->setUseZip(true);
    fileSystem->unmountZip();
    EXPECT_EQ(contentOf(*fileSystem, dir.path("loose.txt")), "on disk");
}

TEST_F(PackedFileSystem, PrefixesAreTriedNewestFirstInThePack)
{
    ASSERT_TRUE(fileSystem->mountZip(writeProgramWithPack()));
    fileSystem->addSearchPath("prefix\\a\\");
    fileSystem->addSearchPath("prefix\\b\\");
    EXPECT_EQ(contentOf(*fileSystem, "shared.txt"), "from b");
    EXPECT_EQ(contentOf(*fileSystem, "E:\\only-a.txt"), "only a");
    EXPECT_EQ(contentOf(*fileSystem, "tormakelin.script"), "<Document/>") << "the bare name comes last";
    fileSystem->removeSearchPath();
    EXPECT_EQ(contentOf(*fileSystem, "shared.txt"), "from a");
    fileSystem->clearSearchPaths();
    fileSystem->removeSearchPath();
    EXPECT_EQ(contentOf(*fileSystem, "shared.txt"), "<null>");
}

TEST_F(PackedFileSystem, PrefixesAreTriedNewestFirstOnDisk)
{
    dir.write("a/shared.txt", "from a");
    dir.write("b/shared.txt", "from b");
    dir.write("a/only-a.txt", "only a");
    fileSystem->addSearchPath(dir.path("a") + "\\");
    fileSystem->addSearchPath(dir.path("b") + "\\");
    EXPECT_EQ(contentOf(*fileSystem, "shared.txt"), "from b");
    EXPECT_EQ(contentOf(*fileSystem, "D:\\only-a.txt"), "only a");
    EXPECT_EQ(contentOf(*fileSystem, "\\SHARED.TXT"), "from b") << "disk names fall back to any case";
    fileSystem->setUseDisk(false);
    EXPECT_EQ(contentOf(*fileSystem, "shared.txt"), "<null>");
    EXPECT_EQ(contentOf(*fileSystem, dir.path("a/shared.txt")), "from a") << "the exact name is still tried";
}

TEST_F(PackedFileSystem, FailedMountLeavesNothingMounted)
{
    dir.write("loose.txt", "on disk");
    ASSERT_TRUE(fileSystem->mountZip(writeProgramWithPack()));
    EXPECT_FALSE(fileSystem->mountZip(dir.path("missing.zip")));
    EXPECT_EQ(contentOf(*fileSystem, dir.path("loose.txt")), "on disk");
    EXPECT_EQ(contentOf(*fileSystem, "tormakelin.script"), "<null>");
    dir.write("garbage", kProgram);
    EXPECT_FALSE(fileSystem->mountZip(dir.path("garbage")));
    EXPECT_FALSE(fileSystem->mountZip(dir.path()));
}

TEST_F(PackedFileSystem, DamagedEntriesGiveNull)
{
    dir.write("pack.zip", ZipFixture::build({{"good.txt", "fine"}, {"bad.txt", "tampered", true}}));
    ASSERT_TRUE(fileSystem->mountZip(dir.path("pack.zip")));
    EXPECT_EQ(contentOf(*fileSystem, "good.txt"), "fine");
    EXPECT_EQ(contentOf(*fileSystem, "bad.txt"), "<null>") << "CRC mismatch";

    // The headers claim more data than the archive holds.
    ZipEntry truncated{"long.txt", "only ten b"};
    truncated.declaredSize = 100000;
    dir.write("truncated.zip", ZipFixture::build({{"first.txt", "1"}, truncated}));
    ASSERT_TRUE(fileSystem->mountZip(dir.path("truncated.zip")));
    EXPECT_EQ(contentOf(*fileSystem, "first.txt"), "1");
    EXPECT_EQ(contentOf(*fileSystem, "long.txt"), "<null>");

    std::string cut = ZipFixture::build({{"a.txt", "aaaa"}});
    dir.write("cut.zip", cut.substr(0, cut.size() - 5));
    EXPECT_FALSE(fileSystem->mountZip(dir.path("cut.zip")));
}

TEST(FileSystemGlobal, OnlyTheObjectTheGlobalNamesClearsIt)
{
    IFileSystem* first = createFileSystem();
    first->addRef();
    EXPECT_EQ(g_fileSystem, first);
    IFileSystem* second = createFileSystem();
    second->addRef();
    EXPECT_EQ(g_fileSystem, second);
    first->release();
    EXPECT_EQ(g_fileSystem, second);
    second->release();
    EXPECT_EQ(g_fileSystem, nullptr);
}

TEST(FileSystemGlobal, DefaultsAndDiskOpenWithoutPack)
{
    ScratchDir dir;
    dir.write("Data/File.txt", "x");
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    EXPECT_TRUE(fileSystem->getUseZip());
    EXPECT_TRUE(fileSystem->getUseDisk());
    EXPECT_EQ(contentOf(*fileSystem, dir.path("data/file.TXT")), "x");
    EXPECT_EQ(contentOf(*fileSystem, dir.path() + "\\Data\\File.txt"), "x");
    EXPECT_EQ(contentOf(*fileSystem, dir.path("Data")), "<null>");
    EXPECT_EQ(contentOf(*fileSystem, ""), "<null>");
}
