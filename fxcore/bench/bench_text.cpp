// Per-frame cost of the text effect (two lines with shadow and outline) and of the spline effect
// through a track of many keys, on a headless device; also heap allocations per frame.

#include "BenchScene.h"

#include <tormakelin/fxcore/TextEffect.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Keyframe.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

char const* const kFontId = "7E470000-0000-0000-0000-0000000000B1";

struct Scene {
    core::SmartRef<core::IFileSystem> fileSystem = core::createFileSystem();
    bench::HeadlessScreen screen{640, 360};
};

void perFrame(benchmark::State& state, long allocationsBefore, int64_t items)
{
    bench::countAllocations(state, allocationsBefore);
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(items),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TextEffect(benchmark::State& state)
{
    Scene scene;
    bench::ServedResources served;
    auto* font = new FontResource;
    served.add(font);
    font->setPluginDesc(FontResource::_pluginDesc);
    font->getInfo().id = core::stringToUniqueId(kFontId);
    if (!scene.screen.ok || !font->load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 32)) {
        state.SkipWithError("no device or font");
        return;
    }
    core::SmartRef<TextEffect> text(new TextEffect);
    std::string const line(static_cast<size_t>(state.range(0)), 'W');
    bench::setInputs(*text, {{"Attributes/Font", kFontId}, {"Attributes/Text", line + "\n" + line},
                                {"Attributes/Align", "1"}, {"Shadow/Shadow Enabled", "1"},
                                {"Outline/Outline Enabled", "1"}});
    RenderContext context;
    scene.screen.device->beginScene();
    text->render(context);
    long const before = heap::allocationCount();
    for (auto _ : state)
        text->render(context);
    perFrame(state, before, 2 * state.range(0));
    scene.screen.device->endScene();
}
BENCHMARK(BM_TextEffect)->Arg(8)->Arg(64);

void BM_Spline2DEffect(benchmark::State& state)
{
    Scene scene;
    if (!scene.screen.ok) {
        state.SkipWithError("no device");
        return;
    }
    core::SmartRef<Spline2DEffect> spline(new Spline2DEffect);
    core::SmartRef<core::IKeyframe> track(core::createKeyframe(2, false));
    for (int64_t i = 0; i < state.range(0); ++i) {
        core::Key* key = track->createKey();
        key->time = static_cast<float>(i);
        key->values[0] = static_cast<float>(i % 600);
        key->values[1] = static_cast<float>((i * 37) % 300);
        track->addKey(key, false);
    }
    track->sort();
    RenderContext context;
    context.instanceParameters[spline->findInput("Points")->getId()] = {nullptr, track.get()};
    scene.screen.device->beginScene();
    spline->render(context);
    long const before = heap::allocationCount();
    for (auto _ : state)
        spline->render(context);
    perFrame(state, before, state.range(0));
    scene.screen.device->endScene();
}
BENCHMARK(BM_Spline2DEffect)->Arg(16)->Arg(1024);

} // namespace
