// Per-frame cost of the text effect (two lines with shadow and outline) and of the spline effect
// through a track of many keys, on a headless device; also heap allocations per frame.

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/TextEffect.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/render/RenderDevice.h>

#include <benchmark/benchmark.h>

#include <HeadlessDevice.h>

#include <string>

// Counted by the program's own operator new (AllocationCount.cpp).
long allocationCount();

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

using test::HiddenWindow;

char const* const kFontId = "7E470000-0000-0000-0000-0000000000B1";
FontResource* g_font = nullptr;

IResource* findFont(core::UniqueId const& id, std::vector<core::UniqueId> const&)
{
    if (!g_font || id != g_font->getInfo().id)
        return nullptr;
    g_font->addRef();
    return g_font;
}

struct Scene {
    Scene()
    {
        fileSystem = core::createFileSystem();
        device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = 640;
        params.height = 360;
        ok = device->create(&window, params);
    }

    static void set(IGraphNode* node, char const* input, std::string const& text)
    {
        node->findInput(input)->value->setText(text);
        UpdateContext context;
        node->setUpdateFlag(true);
        node->update(context);
    }

    HiddenWindow window;
    core::SmartRef<core::IFileSystem> fileSystem;
    core::SmartRef<render::IRenderDevice> device;
    bool ok = false;
};

void perFrame(benchmark::State& state, long allocationsBefore, int64_t items)
{
    state.counters["allocs_per_frame"] = benchmark::Counter(
        static_cast<double>(allocationCount() - allocationsBefore) / static_cast<double>(state.iterations()));
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(items),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TextEffect(benchmark::State& state)
{
    Scene scene;
    core::SmartRef<FontResource> font(new FontResource);
    font->setPluginDesc(FontResource::_pluginDesc);
    font->getInfo().id = core::stringToUniqueId(kFontId);
    if (!scene.ok || !font->load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 32)) {
        state.SkipWithError("no device or font");
        return;
    }
    g_font = font.get();
    auto* const previous = FrameworkServices::findResource;
    FrameworkServices::findResource = &findFont;
    core::SmartRef<TextEffect> text(new TextEffect);
    std::string const line(static_cast<size_t>(state.range(0)), 'W');
    Scene::set(text.get(), "Attributes/Font", kFontId);
    Scene::set(text.get(), "Attributes/Text", line + "\n" + line);
    Scene::set(text.get(), "Attributes/Align", "1");
    Scene::set(text.get(), "Shadow/Shadow Enabled", "1");
    Scene::set(text.get(), "Outline/Outline Enabled", "1");
    RenderContext context;
    scene.device->beginScene();
    text->render(context);
    long const before = allocationCount();
    for (auto _ : state)
        text->render(context);
    perFrame(state, before, 2 * state.range(0));
    scene.device->endScene();
    FrameworkServices::findResource = previous;
    g_font = nullptr;
}
BENCHMARK(BM_TextEffect)->Arg(8)->Arg(64);

void BM_Spline2DEffect(benchmark::State& state)
{
    Scene scene;
    if (!scene.ok) {
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
    scene.device->beginScene();
    spline->render(context);
    long const before = allocationCount();
    for (auto _ : state)
        spline->render(context);
    perFrame(state, before, state.range(0));
    scene.device->endScene();
}
BENCHMARK(BM_Spline2DEffect)->Arg(16)->Arg(1024);

} // namespace
