// Per-frame choice of an animated texture's frames: grows with the frame count, allocates nothing
// once the caller's list has room.

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/core/SmartRef.h>

#include <benchmark/benchmark.h>

#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

void BM_AnimatedTextureGetFrame(benchmark::State& state)
{
    core::SmartRef<AnimatedTextureResource> const resource(new AnimatedTextureResource());
    int const frames = int(state.range(0));
    for (int i = 0; i < frames; ++i) {
        auto* frame = new AnimatedTextureFrame();
        frame->delay = float(5 + i % 7);
        frame->disposal = i % 3 == 0 ? 1 : 0;
        resource->addFrame(frame);
    }
    std::vector<AnimatedTextureFrame const*> chosen;
    chosen.reserve(size_t(frames));
    float time = 0.0f;
    for (auto _ : state) {
        resource->getFrame(time, chosen);
        benchmark::DoNotOptimize(chosen.data());
        time += 1.0f / 60.0f;
    }
    state.SetComplexityN(frames);
}
BENCHMARK(BM_AnimatedTextureGetFrame)->RangeMultiplier(4)->Range(4, 1024)->Complexity(benchmark::oN);

} // namespace
