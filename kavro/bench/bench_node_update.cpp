// The three update phases over a scene's nodes, walked without recursion: the time per node
// stays flat whether the nodes form a wide tree or one long parent chain.

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Node.h>

#include <benchmark/benchmark.h>

#include <vector>

using namespace tormakelin;

namespace {

// `count` nodes under one root: each the child of the one before (a chain), or all children of
// the root (flat).
std::vector<core::SmartRef<kavro::INode>> makeNodes(int count, bool chain)
{
    std::vector<core::SmartRef<kavro::INode>> nodes;
    for (int i = 0; i < count; ++i) {
        nodes.emplace_back(kavro::createNode(kavro::NodeType_Node));
        nodes.back()->getTransformation().transform.position.value = D3DXVECTOR3(1, 0, 0);
        if (i > 0) {
            nodes.back()->setParent(nodes[chain ? size_t(i) - 1 : 0].get());
        }
    }
    return nodes;
}

void updateAll(benchmark::State& state, bool chain)
{
    const auto nodes = makeNodes(int(state.range(0)), chain);
    kavro::RenderPass pass;
    for (auto _ : state) {
        for (int phase = kavro::UpdatePhase_Evaluate; phase < kavro::UpdatePhase_Count; ++phase) {
            kavro::UpdateContext context;
            context.phase = phase;
            nodes[0]->update(context);
        }
        nodes[0]->render(pass);
        benchmark::DoNotOptimize(nodes.back()->getWorldMatrix());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_UpdateChain(benchmark::State& state) { updateAll(state, true); }
void BM_UpdateFlat(benchmark::State& state) { updateAll(state, false); }

} // namespace

BENCHMARK(BM_UpdateChain)->RangeMultiplier(10)->Range(100, 100000);
BENCHMARK(BM_UpdateFlat)->RangeMultiplier(10)->Range(100, 100000);
