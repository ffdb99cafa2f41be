// State filtering: 1,000,000 state sets, a mix of repeats and new values as effects make them.
#include <benchmark/benchmark.h>

#include <tormakelin/render/StateManager.h>

#include <cstdint>
#include <vector>

#include "CountingDevice.h"

using namespace tormakelin::render;

namespace {

struct Set {
    uint8_t kind;
    DWORD slot;
    DWORD type;
    DWORD value;
};

// A frame-like stream: a few states per draw, most repeating the previous draw's values.
std::vector<Set> makeSets(size_t count)
{
    std::vector<Set> sets;
    sets.reserve(count);
    uint32_t seed = 666;
    auto next = [&seed]() {
        seed = seed * 214013u + 2531011u;
        return (seed >> 16) & 0x7FFF;
    };
    const D3DRENDERSTATETYPE renderStates[] = {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_CULLMODE,
        D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP, D3DRS_ALPHATESTENABLE};
    while (sets.size() < count) {
        const uint32_t r = next();
        const DWORD value = (r % 4 == 0) ? next() % 4 : 1;
        switch (r % 3) {
        case 0: sets.push_back({0, 0, renderStates[next() % 8], value}); break;
        case 1: sets.push_back({1, next() % 8, D3DSAMP_MAGFILTER + next() % 3, value}); break;
        default: sets.push_back({2, next() % 4, 0, value}); break;
        }
    }
    return sets;
}

void stateManagerMixedSets(benchmark::State& state)
{
    CountingDevice device;
    auto* states = new StateManager(&device);
    const std::vector<Set> sets = makeSets(1000000);
    int64_t changes = 0;
    int64_t sent = 0;
    for (auto _ : state) {
        states->begin();
        for (const Set& set : sets) {
            switch (set.kind) {
            case 0: states->SetRenderState(static_cast<D3DRENDERSTATETYPE>(set.type), set.value); break;
            case 1:
                states->SetSamplerState(set.slot, static_cast<D3DSAMPLERSTATETYPE>(set.type), set.value);
                break;
            default:
                states->SetStreamSource(set.slot, reinterpret_cast<IDirect3DVertexBuffer9*>(uintptr_t{set.value} * 64),
                    0, 20);
                break;
            }
        }
        changes += states->stateChanges;
        sent += states->stateChangesSent;
    }
    state.SetItemsProcessed(changes);
    state.counters["absorbed"] = changes ? 1.0 - static_cast<double>(sent) / static_cast<double>(changes) : 0.0;
    states->Release();
}

} // namespace

BENCHMARK(stateManagerMixedSets)->Unit(benchmark::kMillisecond);
