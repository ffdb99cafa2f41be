// The real program in a subprocess: packed by the build's packing tool, it plays its own pack.

#include "PlayerTestSupport.h"

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

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

// A copy of the player with the project packed into it, or an empty path.
std::filesystem::path packedPlayer(TestProject const& settings)
{
    std::filesystem::path const project = scratchFolder() / "project";
    std::filesystem::create_directories(project);
    std::ofstream(project / "tormakelin.script") << settings.xml();
    // The packed copy stays in the program folder: the plug-in scan lists the program's own folder.
    std::filesystem::path const packed = programFolder() / ("Tormakelin.PackTest." + std::to_string(getpid()));
    std::string const pack = (programFolder() / "Tormakelin.Pack").string() + " " +
        (programFolder() / "Tormakelin.Client").string() + " " + packed.string() + " " + project.string();
    return runProgram(pack).exitCode == 0 ? packed : std::filesystem::path();
}

TEST_F(PackedPlayer, PlaysItsOwnPackToTheEnd)
{
    TestProject settings;
    settings.endUnits = 50;
    std::filesystem::path const packed = packedPlayer(settings);
    ASSERT_FALSE(packed.empty());

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

// A packed player started with "-nosetup" as from a terminal, its output kept in a file.
class RunningPlayer {
public:
    RunningPlayer(std::string const& program, std::string const& errorFile)
    {
        m_pid = startWithoutSetup(program, errorFile);
    }
    ~RunningPlayer()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    RunningPlayer(RunningPlayer const&) = delete;
    RunningPlayer& operator=(RunningPlayer const&) = delete;

    // The main loop pins its thread to one processor before its first frame.
    bool waitForMainLoop(std::chrono::seconds limit)
    {
        cpu_set_t own;
        if (sched_getaffinity(0, sizeof own, &own) != 0 || CPU_COUNT(&own) < 2) {
            std::this_thread::sleep_for(std::chrono::seconds(5));
            return running();
        }
        auto const end = std::chrono::steady_clock::now() + limit;
        while (running() && std::chrono::steady_clock::now() < end) {
            cpu_set_t mask;
            if (sched_getaffinity(m_pid, sizeof mask, &mask) == 0 && CPU_COUNT(&mask) == 1)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    bool running() { return m_pid > 0 && !finished(); }
    void signal(int number) const { kill(m_pid, number); }

    // The exit code once the player ended by itself within the time; -1 for a signal.
    std::optional<int> exitCode(std::chrono::milliseconds limit)
    {
        auto const end = std::chrono::steady_clock::now() + limit;
        while (!finished() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!m_status)
            return std::nullopt;
        return WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }

private:
    bool finished()
    {
        int status = 0;
        if (!m_status && waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = status;
        return m_status.has_value();
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Ctrl+C, or a service manager's stop, ends a minute's project as closing its window does, though
// the player starts its sound before its window.
TEST_F(PackedPlayer, CtrlCAndSigtermEndThePlayerWithExitCodeZero)
{
    using namespace std::chrono;
    TestProject settings;
    settings.endUnits = 6000;
    std::filesystem::path const packed = packedPlayer(settings);
    ASSERT_FALSE(packed.empty());
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        std::string const errorFile = (scratchFolder() / "stderr.txt").string();
        RunningPlayer player(packed.string(), errorFile);
        ASSERT_TRUE(player.waitForMainLoop(seconds(120))) << "the project never began to play";
        std::this_thread::sleep_for(milliseconds(300));
        ASSERT_TRUE(player.running());
        player.signal(signal);
        // The frames it takes are counted in process (TheCloseBoxAndTheStopSignalsEndPlaybackAsEscDoes);
        // here a busy machine may draw slowly.
        std::optional<int> const code = player.exitCode(seconds(15));
        ASSERT_TRUE(code.has_value()) << "still playing 15 s after the signal";
        EXPECT_EQ(*code, 0);
        std::ifstream in(errorFile);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "");
    }
    std::filesystem::remove(packed);
}

TEST_F(PackedPlayer, APlayerWithoutAPackEndsWith255)
{
    ProcessResult const played = runProgram((programFolder() / "Tormakelin.Client").string() + " -nosetup");
    EXPECT_EQ(played.exitCode, 255);
    EXPECT_EQ(played.errors, "Tormakelin-FX Error: Unable to mount document.\n");
}

} // namespace
} // namespace tormakelin::client::test
