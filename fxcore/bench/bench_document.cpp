// The document's per-frame step over a timeline: activity tests, tracker diffs and activation
// bookkeeping, with layers entering and leaving every few frames, or all of them playing. The
// time per layer stays flat as the timeline grows.

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

// Groups of four layers, nested up to three deep, starting 0.1 s apart.
void fillScene(IScene* scene, int count)
{
    for (int i = 0; i < count / 4; ++i) {
        ILayer* group = addLayer(scene->getRootLayer(), i * 10, i * 10 + 400);
        ILayer* inner = addLayer(group, 0, 200);
        addLayer(inner, 50, 100);
        addLayer(group, 100, 300);
    }
}

void perLayer(benchmark::State& state, int count)
{
    state.counters["per_layer"] = benchmark::Counter(static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void documentUpdate(benchmark::State& state)
{
    Application app;
    app.newDocument();
    IDocument* document = app.getDocument();
    core::SmartRef<IScene> const scene = createScene();
    document->getSceneManager()->addScene(scene.get());
    int const count = static_cast<int>(state.range(0));
    fillScene(scene.get(), count);
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
    perLayer(state, count);
}

// Every layer plays: flat layers under the root, each spanning the whole timeline.
void documentUpdateAllActive(benchmark::State& state)
{
    Application app;
    app.newDocument();
    IDocument* document = app.getDocument();
    core::SmartRef<IScene> const scene = createScene();
    document->getSceneManager()->addScene(scene.get());
    int const count = static_cast<int>(state.range(0));
    for (int i = 0; i < count / 4; ++i) {
        ILayer* group = addLayer(scene->getRootLayer(), 0, 1000);
        ILayer* inner = addLayer(group, 0, 1000);
        addLayer(inner, 0, 1000);
        addLayer(group, 0, 1000);
    }
    UpdateContext context;
    context.scene = scene.get();
    context.time = 1.0;
    for (auto _ : state) {
        document->update(context);
        benchmark::DoNotOptimize(context.tracker);
    }
    perLayer(state, count);
}

} // namespace

BENCHMARK(documentUpdate)->Arg(100)->Arg(400)->Arg(1600)->Unit(benchmark::kMicrosecond);
BENCHMARK(documentUpdateAllActive)->Arg(100)->Arg(400)->Arg(1600)->Unit(benchmark::kMicrosecond);
