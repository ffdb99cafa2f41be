// A particle-system node's frame: shader, pool, texture lookup and relinking its emitters and
// modifiers through node stacks, as the graph runs it every frame.

#include "BenchScene.h"

#include <tormakelin/fxcore/ParticleNodes.h>

#include <tormakelin/kavro/Particles.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

struct Setup : bench::NodeGraph {
    // A stack of `count` nodes of type T linked to the input.
    template <class T>
    void stackOf(int count, IGraphNode* to, char const* input)
    {
        auto* stack = make<NodeStack>();
        for (int i = 1; i <= count; ++i)
            link(make<T>(), "Result", stack, ("Input-" + std::to_string(i)).c_str());
        link(stack, "Output", to, input);
    }
};

void BM_ParticleSystemFrame(benchmark::State& state)
{
    Setup setup;
    auto* texture = new TextureResource();
    static_cast<IPlugin*>(texture)->setPluginDesc(TextureResource::_pluginDesc);
    setup.app.getDocument()->getResourceManager()->addResource(texture);
    auto* system = setup.make<ParticleSystemEffect>();
    system->findInput("Attributes/Texture")->value->setText(core::uniqueIdToString(texture->getInfo().id));
    int const count = static_cast<int>(state.range(0));
    setup.stackOf<ParticleBoxEmitter>(count, system, "Attributes/Emitter");
    setup.stackOf<ParticleColorModifier>(count, system, "Attributes/Modifier");
    UpdateContext context;
    system->setUpdateFlag(true);
    system->update(context);
    long const before = heap::allocationCount();
    for (auto _ : state) {
        system->setUpdateFlag(true);
        system->update(context);
    }
    bench::countAllocations(state, before);
    kavro::ParticleSystem const* particles = system->getParticleSystem();
    state.counters["linked"] =
        benchmark::Counter(static_cast<double>(particles->getEmitters().size() + particles->getModifiers().size()));
    state.SetItemsProcessed(state.iterations() * count * 2);
}
BENCHMARK(BM_ParticleSystemFrame)->Arg(1)->Arg(8)->Arg(64);

} // namespace
