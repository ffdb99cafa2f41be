#include "TestSupport.h"

#include <tormakelin/core/Path.h>
#include <tormakelin/core/SystemPath.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;

TEST(Path, SplitTable)
{
    struct Case {
        const char* path;
        const char* drive;
        const char* directory;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"D:\\Media\\a.png", "D:", "\\Media\\", "a", ".png"},
        {"Media/Sub\\file.tar.gz", "", "Media/Sub\\", "file.tar", ".gz"},
        {"noext", "", "", "noext", ""},
        {"dir.d\\noext", "", "dir.d\\", "noext", ""},
        {".hidden", "", "", "", ".hidden"},
        {"C:", "C:", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string drive, directory, name, extension;
        splitPath(c.path, drive, directory, name, extension);
        EXPECT_EQ(drive, c.drive) << c.path;
        EXPECT_EQ(directory, c.directory) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        EXPECT_EQ(extension, c.extension) << c.path;
    }
}

TEST(Path, MakePathAddsMissingSeparatorsAndDot)
{
    std::string out;
    makePath(out, "D:", "Media", "a", "png");
    EXPECT_EQ(out, "D:Media\\a.png");
    makePath(out, "D", "\\Media\\", "a", ".png");
    EXPECT_EQ(out, "D:\\Media\\a.png");
    makePath(out, "", "x/", "y", "");
    EXPECT_EQ(out, "x/y");
    makePath(out, "", "", "", "");
    EXPECT_EQ(out, "");
}

TEST(Path, PartsOfAPath)
{
    EXPECT_EQ(getFileExtension("D:\\Media\\Logo.PNG"), ".PNG");
    EXPECT_EQ(getFilename("D:\\Media\\Logo.PNG"), "Logo.PNG");
    EXPECT_EQ(getPath("D:\\Media\\Logo.PNG"), "D:\\Media\\");
    EXPECT_EQ(getPath("Logo.PNG"), "");
}

TEST(Path, StripDriveAndFixPath)
{
    EXPECT_EQ(stripDrive("D:\\Media\\a.png"), "Media\\a.png");
    EXPECT_EQ(stripDrive("/x/y"), "x/y");
    EXPECT_EQ(stripDrive("Media\\a.png"), "Media\\a.png");
    EXPECT_EQ(stripDrive("\\\\twice"), "\\twice") << "only one leading separator goes";
    EXPECT_EQ(stripDrive(""), "");
    EXPECT_EQ(stripDrive("C:"), "");
    EXPECT_EQ(fixPath("a/b\\C/d"), "a\\b\\C\\d");
    EXPECT_EQ(fixPath("Media\\A.png"), "Media\\A.png");
}

TEST(Path, CreateDirectoryStopsAtTheLastSeparator)
{
    ScratchDir dir;
    EXPECT_TRUE(createDirectory(dir.path() + "\\a\\b\\c"));
    EXPECT_TRUE(dir.exists("a/b"));
    EXPECT_FALSE(dir.exists("a/b/c"));
    EXPECT_TRUE(createDirectory(dir.path() + "\\a\\b\\c\\"));
    EXPECT_TRUE(dir.exists("a/b/c"));
}

TEST(Path, CopyFileHonoursOverwrite)
{
    ScratchDir dir;
    dir.write("src.txt", "new");
    dir.write("dst.txt", "old");
    const std::string source = dir.path() + "\\src.txt";
    const std::string target = dir.path() + "\\dst.txt";
    EXPECT_FALSE(copyFile(source, target, false)) << "an existing target is kept without overwrite";
    EXPECT_EQ(dir.read("dst.txt"), "old");
    EXPECT_TRUE(copyFile(source, target, true));
    EXPECT_EQ(dir.read("dst.txt"), "new");
    EXPECT_TRUE(copyFile(source, dir.path() + "\\deep\\er\\copy.txt", false));
    EXPECT_EQ(dir.read("deep/er/copy.txt"), "new");
    EXPECT_FALSE(copyFile(dir.path() + "\\missing.txt", target, true));
    EXPECT_EQ(dir.read("dst.txt"), "new");
}

TEST(Path, CopyFileNeverDeletesTheSourceUnderAnotherSpelling)
{
    ScratchDir dir;
    dir.write("Data/src.txt", "keep");
    const std::string source = dir.path() + "/Data/src.txt";
    EXPECT_FALSE(copyFile(source, source, true));
    EXPECT_FALSE(copyFile(source, dir.path() + "\\DATA\\SRC.TXT", true));
    EXPECT_FALSE(copyFile(source, dir.path() + "/Data/./src.txt", true));
    EXPECT_EQ(dir.read("Data/src.txt"), "keep");
}

TEST(Path, CopyFileReportsAFailedWrite)
{
    ScratchDir dir;
    dir.write("src.txt", "x");
    dir.write("blocked", "a file where a directory is needed");
    EXPECT_FALSE(copyFile(dir.path() + "/src.txt", dir.path() + "\\blocked\\dst.txt", true));
}

TEST(Path, FindFilesListsInNameOrderWithDirectoriesFirstThenTheirContents)
{
    ScratchDir dir;
    dir.write("b.txt", "1");
    dir.write("A.png", "22");
    dir.write("sub/c.txt", "333");
    dir.write("sub/deeper/d.txt", "4");
    dir.write("noext", "5");
    std::vector<FileInfo> files;
    const std::string base = dir.path() + "\\";
    EXPECT_TRUE(findFiles(dir.path(), "*.*", files, true));
    std::vector<std::string> names;
    for (const FileInfo& f : files) {
        names.push_back(f.name + (f.isDirectory ? " <dir>" : ""));
        EXPECT_GT(f.lastWriteTime, 116444736000000000ull);
    }
    const std::vector<std::string> expected = {
        base + "A.png", base + "b.txt", base + "noext", base + "sub <dir>", base + "sub\\c.txt",
        base + "sub\\deeper <dir>", base + "sub\\deeper\\d.txt"};
    EXPECT_EQ(names, expected);

    files.clear();
    findFiles(base, "*.TXT", files, false);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, base + "b.txt");

    files.clear();
    EXPECT_TRUE(findFiles(dir.path() + "/missing", "*.*", files, true));
    EXPECT_TRUE(files.empty());
}

TEST(Path, FindFilesWithEmptyDirectoryGivesBareNames)
{
    ScratchDir dir;
    dir.write("one.txt", "1");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::vector<FileInfo> files;
    findFiles("", "*.txt", files, false);
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "one.txt");
}

TEST(SystemPath, MissesFallBackToACaseInsensitiveMatch)
{
    ScratchDir dir;
    dir.write("Media/Logo.PNG", "x");
    EXPECT_EQ(toSystemPath(dir.path() + "\\media\\logo.png"), dir.path() + "/Media/Logo.PNG");
    EXPECT_EQ(toSystemPath(dir.path() + "\\Media\\Logo.PNG"), dir.path() + "/Media/Logo.PNG");
    EXPECT_EQ(toSystemPath(dir.path() + "\\MEDIA\\new\\file.txt"), dir.path() + "/Media/new/file.txt");
    EXPECT_EQ(toSystemPath("a\\b/"), "a/b/");
}

TEST(SystemPath, ExecutablePathNamesThisProgram)
{
    const std::string path = getExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    EXPECT_NE(path.find("Tormakelin.Core.Tests"), std::string::npos);
}
