// A 960x540 frame of glow plus blur over a 960x540 image through three quarter-size targets:
// the whole frame until the device has finished it, and the part the main thread spends issuing
// it. Which share of that is ours and which the GL driver's is measured by profiling this program.

#include "BenchScene.h"

#include <tormakelin/fxcore/ImageEffects.h>
#include <tormakelin/fxcore/RenderTargetResource.h>

#include <tormakelin/render/Texture.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

constexpr unsigned kWidth = 960;
constexpr unsigned kHeight = 540;
char const* const kImageId = "44444444-0000-0000-0000-000000000001";
char const* const kTargetIds[3] = {"44444444-0000-0000-0000-000000000002", "44444444-0000-0000-0000-000000000003",
                                   "44444444-0000-0000-0000-000000000004"};

// Bright discs on a dark ground, so the glow has highlights to find.
std::vector<uint32_t> image()
{
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    for (unsigned y = 0; y < kHeight; ++y)
        for (unsigned x = 0; x < kWidth; ++x) {
            float const dx = float(x % 120) - 60.0f, dy = float(y % 90) - 45.0f;
            unsigned const v = std::sqrt(dx * dx + dy * dy) < 30.0f ? 240u : 30u;
            pixels[size_t(y) * kWidth + x] = 0xFF000000u | v << 16 | (v / 2) << 8 | 200u;
        }
    return pixels;
}

struct Scene {
    bench::HeadlessScreen screen{kWidth, kHeight};
    bench::ServedResources resources;
    core::SmartRef<Glow> glow;
    core::SmartRef<Blur> blur;
    IDirect3DQuery9* finished = nullptr;

    Scene()
    {
        if (!screen.ok)
            return;
        auto* picture = new TextureResource;
        resources.add(picture);
        picture->setPluginDesc(TextureResource::_pluginDesc);
        picture->getInfo().id = core::stringToUniqueId(kImageId);
        std::vector<uint32_t> const pixels = image();
        picture->setTexture(render::createTextureRgba(kWidth, kHeight, pixels.data()));
        for (char const* id : kTargetIds) {
            auto* target = new RenderTargetResource;
            resources.add(target);
            target->setPluginDesc(RenderTargetResource::_pluginDesc);
            target->getInfo().id = core::stringToUniqueId(id);
            render::TextureCreateParams targetParams;
            targetParams.format = D3DFMT_A8R8G8B8;
            target->create(kWidth / 4, kHeight / 4, targetParams, false);
        }
        glow = new Glow;
        set(*glow, {{"Attributes/Blend Mode", "4"}});
        blur = new Blur;
        set(*blur, {{"Attributes/Blend Mode", "1"}, {"Blur/Alpha", "0.5"}, {"Blur/Horizontal Iterations", "2"},
                    {"Blur/Vertical Iterations", "2"}});
        screen.device->getD3DDevice()->CreateQuery(D3DQUERYTYPE_EVENT, &finished);
        // The first frame translates and compiles the techniques it uses; measure the ones after.
        if (ready()) {
            RenderContext context;
            frame(context);
            waitForDevice();
        }
    }

    ~Scene()
    {
        if (finished)
            finished->Release();
    }

    static void set(GraphNode& node, std::vector<std::pair<char const*, std::string>> values)
    {
        values.insert(values.end(), {{"Attributes/Texture", kImageId}, {"Blur/Downsample", kTargetIds[0]},
                                     {"Blur/Horizontal", kTargetIds[1]}, {"Blur/Vertical", kTargetIds[2]}});
        bench::setInputs(node, values);
    }

    bool ready() const { return finished && TextureEffect::sharedShader() != nullptr; }

    void frame(RenderContext& context)
    {
        screen.device->beginScene();
        screen.device->clear(render::Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
        glow->render(context);
        blur->render(context);
        screen.device->endScene();
    }

    void waitForDevice()
    {
        finished->Issue(D3DISSUE_END);
        BOOL done = FALSE;
        while (finished->GetData(&done, sizeof done, D3DGETDATA_FLUSH) == S_FALSE) {
        }
    }
};

// Issued and finished: what a frame of the two effects costs on llvmpipe.
void BM_GlowBlurFrame(benchmark::State& state)
{
    Scene scene;
    if (!scene.ready()) {
        state.SkipWithError("no device");
        return;
    }
    RenderContext context;
    for (auto _ : state) {
        scene.frame(context);
        scene.waitForDevice();
    }
    state.counters["draws"] = double(scene.screen.device->getStatistics()->drawCalls);
}
BENCHMARK(BM_GlowBlurFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Issued only (the device finishes outside the timing): the main thread's part of the frame.
void BM_GlowBlurIssue(benchmark::State& state)
{
    Scene scene;
    if (!scene.ready()) {
        state.SkipWithError("no device");
        return;
    }
    RenderContext context;
    for (auto _ : state) {
        scene.frame(context);
        state.PauseTiming();
        scene.waitForDevice();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GlowBlurIssue)->Unit(benchmark::kMicrosecond);

} // namespace
