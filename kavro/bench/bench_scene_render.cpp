// One frame of the scene renderer: meshes under six point lights with shadows at 960x540. The
// CPU column is the main thread's time (our code and the GL driver's front end; the rasteriser
// runs on threads of its own); "allocs/frame" counts our heap allocations in steady state.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include <tormakelin/kavro/SceneRender.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/RenderDevice.h>

#include "SceneBuild.h"

#include <CountingAllocator.h>

namespace {

using namespace tormakelin;
using kavro_test::SmartRef;

constexpr int kMaterials = 8;

void sceneRenderFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    test::HiddenWindow window;
    SmartRef<render::IRenderDevice> device = render::createRenderDevice();
    render::DeviceCreateParams params;
    params.width = 960;
    params.height = 540;
    if (!device->create(&window, params)) {
        state.SkipWithError("no render device");
        return;
    }
    kavro::setupShaderIncludes();

    const int meshes = int(state.range(0));
    kavro_test::SceneBuilder scene;
    std::vector<kavro::IMaterial*> materials;
    materials.reserve(size_t(kMaterials));
    for (int m = 0; m < kMaterials; ++m) {
        materials.push_back(scene.material({D3DXVECTOR4(0.2f + 0.1f * m, 0.5f, 0.8f - 0.1f * m, 1)}));
    }
    // A grid of small squares in front of the camera, each with its own geometry.
    const int side = int(std::ceil(std::sqrt(double(meshes))));
    for (int i = 0; i < meshes; ++i) {
        const float x = float(i % side) - side / 2.0f;
        const int row = i / side;
        const float y = float(row) - side / 2.0f;
        scene.mesh(kavro_test::makeWall(-0.3f, -0.3f, 0.3f, 0.3f, 0), materials[size_t(i % kMaterials)],
            D3DXVECTOR3(x, y, 20));
    }
    scene.mesh(kavro_test::makeWall(-60, -60, 60, 60, 30), materials[0]);

    kavro::SceneRenderState frame;
    frame.entries.push_back({});
    frame.entries.back().graph = scene.graph.get();
    frame.useGivenCamera = true;
    const D3DXVECTOR3 eye(0, 0, -10);
    const D3DXVECTOR3 at(0, 0, 20);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&frame.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&frame.projection, D3DX_PI / 3, 960.0f / 540.0f, 1, 200);
    frame.eye = eye;
    frame.ambientPower = 0.1f;
    for (int l = 0; l < 6; ++l) {
        kavro::LightRecord light;
        light.type = kavro::LightType_Point;
        light.position = D3DXVECTOR3(float(l * 4 - 10), 5, 10);
        light.radius = 100;
        frame.lights.push_back(light);
    }
    frame.settings.shadowEnabled = true;
    frame.settings.shadowLightPosition = D3DXVECTOR3(0, 0, -40);
    frame.settings.shadowTargetPosition = D3DXVECTOR3(0, 0, 20);
    frame.settings.shadowDistance = 64;
    frame.settings.shadowTarget =
        render::createRenderTargetTexture(512, 512, D3DFMT_R32F, D3DMULTISAMPLE_NONE, 0, 0, true);
    frame.settings.fogEnabled = true;
    frame.settings.fogEnd = 100;

    SmartRef<kavro::ISceneRender> renderer = kavro::createSceneRender();
    auto draw = [&](float time) {
        device->beginScene();
        device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 1), 1, 0);
        frame.time = time;
        renderer->render(frame);
        device->endScene();
    };
    for (int warm = 0; warm < 3; ++warm) {
        draw(float(warm) / 60);
        device->present();
    }
    const long before = heap::allocationCount();
    int frames = 0;
    for (auto _ : state) {
        draw(float(frames++) / 60);
        state.PauseTiming();
        device->present();
        state.ResumeTiming();
    }
    state.counters["allocs/frame"] = double(heap::allocationCount() - before) / std::max(1, frames);
    state.counters["draws/frame"] = double(device->getStatistics()->drawCalls);
    state.SetComplexityN(meshes);
}

BENCHMARK(sceneRenderFrame)->Arg(50)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
