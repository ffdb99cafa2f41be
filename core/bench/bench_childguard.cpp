// What trying a text in a child costs: a fork and a wait for each new text, growing with the
// memory the process has touched (page tables are copied), and a set lookup for a known one.

#include <tormakelin/core/ChildGuard.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tormakelin::core;

namespace {

void BM_NewText(benchmark::State& state) {
    std::vector<char> resident(static_cast<size_t>(state.range(0)) << 20);
    std::memset(resident.data(), 1, resident.size());
    std::string const kind = "bench new " + std::to_string(state.range(0));
    unsigned serial = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(survivesInChild(kind, std::to_string(serial++), [] {}));
    }
    state.SetLabel(std::to_string(state.range(0)) + " MB touched");
}
BENCHMARK(BM_NewText)->Arg(0)->Arg(256)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KnownText(benchmark::State& state) {
    std::string const text(4096, 'x');
    survivesInChild("bench known", text, [] {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(survivesInChild("bench known", text, [] {}));
    }
}
BENCHMARK(BM_KnownText);

} // namespace
