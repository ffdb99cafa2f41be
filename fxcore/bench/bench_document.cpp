// The document's per-frame step over a deep timeline: activity tests, tracker diffs and
// activation bookkeeping, with layers entering and leaving every few frames.

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Layer.h>

#include <tormakelin/core/SmartRef.h>

#include <benchmark/benchmark.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

ILayer* addLayer(ILayer* parent, int start, int end)
{
    core::SmartRef<ILayer> const layer = createLayer(kLayerPlain);
    core::SmartRef<ITimeSegment> const segment = createTimeSegment();
    segment->getRange()[0] = start;
    segment->getRange()[1] = end;
    layer->getTime().addSegment(segment.get());
    parent->addLayer(layer.get());
    return layer.get();
}

void documentUpdate(benchmark::State& state)
{
    Application app;
    app.newDocument();
    IDocument* document = app.getDocument();
    core::SmartRef<IScene> const scene = createScene();
    document->getSceneManager()->addScene(scene.get());
    int const count = static_cast<int>(state.range(0));
    for (int i = 0; i < count / 4; ++i) {
        ILayer* group = addLayer(scene->getRootLayer(), i * 10, i * 10 + 400);
        ILayer* inner = addLayer(group, 0, 200);
        addLayer(inner, 50, 100);
        addLayer(group, 100, 300);
    }
    double time = 0.0;
    for (auto _ : state) {
        UpdateContext context;
        context.scene = scene.get();
        context.time = time;
        document->update(context);
        benchmark::DoNotOptimize(context.tracker);
        time += 1.0 / 60.0;
        if (time > count * 0.025)
            time = 0.0;
    }
    state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(documentUpdate)->Arg(400)->Arg(4000);
