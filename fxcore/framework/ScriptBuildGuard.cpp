#include "ScriptBuildGuard.h"

#include "AngelScript.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>
#include <unordered_set>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tormakelin::fxcore::detail {

namespace {

// Far beyond any compile of a text within the nesting limit.
constexpr auto kChildTimeout = std::chrono::seconds(20);

[[noreturn]] void compileInChild(asIScriptModule* module, char const* section, std::string const& text)
{
    // The child dies quietly by the signal, whatever handlers the process installed.
    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        std::signal(sig, SIG_DFL);
    }
    // The library's own assertion text would read as the player's; the parent says what failed.
    if (int const null = open("/dev/null", O_WRONLY); null >= 0) {
        dup2(null, STDERR_FILENO);
    }
    module->AddScriptSection(section, text.c_str(), text.size());
    module->Build();
    _exit(0);
}

bool childCompileEnds(asIScriptModule* module, char const* section, std::string const& text)
{
    pid_t const child = fork();
    if (child < 0) {
        return true;
    }
    if (child == 0) {
        compileInChild(module, section, text);
    }
    auto const deadline = std::chrono::steady_clock::now() + kChildTimeout;
    int status = 0;
    for (auto wait = std::chrono::microseconds(50);; wait = std::min(wait * 2, std::chrono::microseconds(20000))) {
        pid_t const done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0) {
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(wait);
    }
}

} // namespace

bool compilerSurvives(asIScriptModule* module, char const* section, std::string const& text)
{
    // A child costs a few milliseconds, more in a large process: each text is tried once.
    static std::unordered_set<std::string> survived;
    if (survived.count(text)) {
        return true;
    }
    if (!childCompileEnds(module, section, text)) {
        return false;
    }
    survived.insert(text);
    return true;
}

} // namespace tormakelin::fxcore::detail
