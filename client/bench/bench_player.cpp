// The whole player on the packed sample, one benchmark iteration per frame: the document's update,
// the draws and the present, with a frozen clock so that the frame stays in the sample.

#include "PlayerApplication.h"

#include <tormakelin/core/SystemPath.h>
#include <tormakelin/core/Timer.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

using namespace tormakelin;

void playerFrame(benchmark::State& state)
{
    std::filesystem::path const sample =
        std::filesystem::path(core::getExecutablePath()).parent_path() / "Tormakelin.Sample";
    core::Timer::setCounterSource([] { return int64_t(0); }, [] { return int64_t(1000); });
    client::PlayerSeams seams;
    seams.commandLine = "Tormakelin.Sample -nosetup -time " + std::to_string(state.range(0)) + " -document " +
        sample.string();
    seams.pinThread = [] {};
    seams.onFrame = [&state](client::PlayerApplication& player) {
        if (!state.KeepRunning())
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    if (client::runPlayer(seams) != 0)
        state.SkipWithError("the sample did not play");
    core::Timer::setCounterSource(nullptr, nullptr);
}

} // namespace

// The argument is the play time in seconds.
BENCHMARK(playerFrame)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
