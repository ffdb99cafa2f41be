// Per-frame cost of the screen effects on a headless device: a clear, and a render-target
// effect drawing a stack of clears into its target. Also counts heap allocations per frame.

#include "BenchScene.h"

#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ScreenEffects.h>

#include <tormakelin/render/Texture.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

// A device, and a graph that keeps the nodes.
struct Scene : bench::HeadlessScreen, bench::NodeGraph {
    Scene() : HeadlessScreen(64, 64) {}
};

void perFrame(benchmark::State& state, long allocationsBefore, int64_t effects)
{
    bench::countAllocations(state, allocationsBefore);
    state.counters["per_effect"] = benchmark::Counter(static_cast<double>(effects),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ClearScreen(benchmark::State& state)
{
    Scene scene;
    if (!scene.ok) {
        state.SkipWithError("no device");
        return;
    }
    ClearScreen* clear = scene.make<ClearScreen>();
    RenderContext context;
    clear->render(context);
    long const before = heap::allocationCount();
    for (auto _ : state)
        clear->render(context);
    perFrame(state, before, 1);
}
BENCHMARK(BM_ClearScreen);

void BM_RenderTargetEffect(benchmark::State& state)
{
    Scene scene;
    if (!scene.ok) {
        state.SkipWithError("no device");
        return;
    }
    auto* target = new RenderTargetResource();
    static_cast<IPlugin*>(target)->setPluginDesc(RenderTargetResource::_pluginDesc);
    scene.app.getDocument()->getResourceManager()->addResource(target);
    target->create(64, 64, render::TextureCreateParams{1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8}, true);
    auto* effect = scene.make<RenderTargetEffect>();
    bench::setInputs(*effect, {{"Attributes/Render Target", core::uniqueIdToString(target->getInfo().id)}});
    auto* stack = scene.make<NodeStack>();
    int const count = static_cast<int>(state.range(0));
    for (int i = 1; i <= count; ++i)
        Scene::link(scene.make<ClearScreen>(), "Output", stack, ("Input-" + std::to_string(i)).c_str());
    Scene::link(stack, "Output", effect, "Effects/Effects");
    RenderContext context;
    effect->render(context);
    long const before = heap::allocationCount();
    for (auto _ : state)
        effect->render(context);
    perFrame(state, before, count);
}
BENCHMARK(BM_RenderTargetEffect)->Arg(1)->Arg(8)->Arg(64);

} // namespace
