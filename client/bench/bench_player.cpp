// The whole player on the packed sample, one benchmark iteration per frame: the document's update,
// the draws and the present, with a frozen clock so that the frame stays in the sample. Also
// counts heap allocations per frame once the first frames have settled.

#include "PlayerApplication.h"

#include <CountingAllocator.h>
#include <ProgramFolder.h>

#include <tormakelin/core/Timer.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

using namespace tormakelin;

void playerFrame(benchmark::State& state)
{
    std::filesystem::path const sample = tormakelin::test::samplePath();
    core::Timer::setCounterSource([] { return int64_t(0); }, [] { return int64_t(1000); });
    client::PlayerSeams seams;
    seams.commandLine = "Tormakelin.Sample -nosetup -time " + std::to_string(state.range(0)) + " -document " +
        sample.string();
    seams.pinThread = [] {};
    long before = 0;
    long after = 0;
    // The first frames compile shaders and fill caches: counted from the steady state on.
    int settling = 10;
    seams.onFrame = [&](client::PlayerApplication& player) {
        if (settling-- > 0)
            return;
        if (state.iterations() == 0)
            before = heap::allocationCount();
        if (!state.KeepRunning()) {
            after = heap::allocationCount();
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        }
    };
    if (client::runPlayer(seams) != 0)
        state.SkipWithError("the sample did not play");
    state.counters["allocations/frame"] =
        benchmark::Counter(double(after - before) / double(std::max<int64_t>(state.iterations(), 1)));
    core::Timer::setCounterSource(nullptr, nullptr);
}

} // namespace

// The argument is the play time in seconds.
BENCHMARK(playerFrame)->Arg(1)->Arg(5)->Arg(8)->Unit(benchmark::kMicrosecond);
