// The real program in a subprocess: packed by the build's packing tool, it plays its own pack.

#include "PlayerTestSupport.h"

#include <sys/wait.h>

#include <cstdlib>

namespace tormakelin::client::test {
namespace {

struct ProcessResult {
    int exitCode = -1;
    std::string errors;
};

ProcessResult runProgram(std::string const& command)
{
    std::string const errorFile = (scratchFolder() / "stderr.txt").string();
    int const status = std::system((command + " > /dev/null 2> " + errorFile).c_str());
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errorFile);
    result.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

class PackedPlayer : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(scratchFolder()); }
    void TearDown() override { std::filesystem::remove_all(scratchFolder()); }
};

TEST_F(PackedPlayer, PlaysItsOwnPackToTheEnd)
{
    std::filesystem::path const project = scratchFolder() / "project";
    std::filesystem::create_directories(project);
    TestProject settings;
    settings.endUnits = 50;
    std::ofstream(project / "tormakelin.script") << settings.xml();
    // The packed copy stays in the program folder: the plug-in scan lists the program's own folder.
    std::filesystem::path const packed = programFolder() / ("Tormakelin.PackTest." + std::to_string(getpid()));
    std::string const pack = (programFolder() / "Tormakelin.Pack").string() + " " +
        (programFolder() / "Tormakelin.Client").string() + " " + packed.string() + " " + project.string();
    ASSERT_EQ(runProgram(pack).exitCode, 0);

    ProcessResult const played = runProgram(packed.string() + " -nosetup");
    std::filesystem::remove(packed);
    EXPECT_EQ(played.exitCode, 0);
    EXPECT_EQ(played.errors, "");
}

TEST_F(PackedPlayer, TheSamplePlaysItsLastSecondCleanly)
{
    ProcessResult const played = runProgram(samplePath().string() + " -nosetup -time 59");
    EXPECT_EQ(played.exitCode, 0);
    EXPECT_EQ(played.errors, "");
}

TEST_F(PackedPlayer, APlayerWithoutAPackEndsWith255)
{
    ProcessResult const played = runProgram((programFolder() / "Tormakelin.Client").string() + " -nosetup");
    EXPECT_EQ(played.exitCode, 255);
    EXPECT_EQ(played.errors, "Tormakelin-FX Error: Unable to mount document.\n");
}

} // namespace
} // namespace tormakelin::client::test
