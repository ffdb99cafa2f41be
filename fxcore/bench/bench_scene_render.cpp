// The graph side of a 3-D frame: the scene render effect gathering 64 drawn nodes, 8 lights and
// 8 materials through node stacks into its record (the renderer's own cost is the 3-D library's
// benchmark). Also counts heap allocations per frame.

#include "BenchScene.h"

#include <tormakelin/fxcore/SceneNodes.h>
#include <tormakelin/fxcore/SceneRenderEffect.h>

#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

template <class T>
core::SmartRef<T> make()
{
    core::SmartRef<T> node(new T());
    node->setPluginDesc(T::_pluginDesc);
    return node;
}

struct Frame {
    core::SmartRef<SceneRenderEffect> effect = make<SceneRenderEffect>();
    std::vector<core::SmartRef<GraphNode>> nodes;
    std::vector<core::SmartRef<NodeStack>> stacks;

    template <class T>
    void stackOf(int count, char const* input)
    {
        core::SmartRef<NodeStack> stack = make<NodeStack>();
        for (int i = 0; i < count; ++i) {
            core::SmartRef<T> node = make<T>();
            UpdateContext context;
            node->setUpdateFlag(true);
            node->update(context);
            std::string const slot = "Input-" + std::to_string(i + 1);
            node->link(node->findOutput("Result"), stack.get(), stack->findInput(slot), true);
            nodes.emplace_back(node.get());
        }
        stack->link(stack->findOutput("Output"), effect.get(), effect->findInput(input), true);
        stacks.push_back(stack);
    }

    ~Frame()
    {
        for (auto& node : nodes)
            node->unlinkAll();
        for (auto& stack : stacks)
            stack->unlinkAll();
    }
};

void BM_SceneRenderRecord(benchmark::State& state)
{
    Frame frame;
    frame.stackOf<FlareEffect>(64, "Particle/Flares");
    frame.stackOf<LightEffect>(8, "Attributes/Light");
    frame.stackOf<MaterialEffect>(8, "Attributes/Materials");
    kavro::SceneRenderState record;
    RenderContext context;
    if (!frame.effect->buildState(context, record) || record.entries.size() != 64 || record.lights.size() != 8) {
        state.SkipWithError("the record did not gather the linked nodes");
        return;
    }
    long const before = heap::allocationCount();
    for (auto _ : state) {
        frame.effect->buildState(context, record);
        benchmark::DoNotOptimize(record.entries.data());
    }
    bench::countAllocations(state, before);
}
BENCHMARK(BM_SceneRenderRecord);

} // namespace
