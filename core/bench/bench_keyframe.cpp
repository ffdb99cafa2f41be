// Keyframe evaluation cost by key count: finding the segment is a binary search, so the time
// per evaluation grows with log(keys), not with keys.

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/SmartRef.h>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace tormakelin::core;

namespace {

SmartRef<IKeyframe> makeTrack(int keys, int kind) {
    SmartRef<IKeyframe> track(createKeyframe(3, false));
    for (int i = 0; i < keys; ++i) {
        Key* key = track->createKey();
        key->time = static_cast<float>(i) * 0.1f;
        key->kind = kind;
        for (int c = 0; c < 3; ++c) {
            key->values[c] = std::sin(static_cast<float>(i + c));
        }
        track->addKey(key, false);
    }
    track->sort();
    track->setPostOORBehavior(KeyframeCycle);
    return track;
}

void evaluate(benchmark::State& state, int kind) {
    const int keys = static_cast<int>(state.range(0));
    SmartRef<IKeyframe> track = makeTrack(keys, kind);
    const float end = track->getEndTime();
    float t = 0, step = end / 997.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(track->eval(t));
        t += step;
        if (t > end) {
            t -= end;
        }
    }
    state.SetComplexityN(keys);
}

void BM_KeyframeEvalLinear(benchmark::State& state) { evaluate(state, KeyLinear); }
void BM_KeyframeEvalTcb(benchmark::State& state) { evaluate(state, KeyTcb); }

}  // namespace

BENCHMARK(BM_KeyframeEvalLinear)->RangeMultiplier(10)->Range(10, 100000)->Complexity(benchmark::oLogN);
BENCHMARK(BM_KeyframeEvalTcb)->Arg(1000);
