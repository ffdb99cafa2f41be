// One frame of a 100,000-particle system: emitters, movement and deaths, four modifiers, the sort
// by distance from a moving eye, and the vertices written and drawn at 960x540.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "GeometryFixtures.h"

#include <tormakelin/core/Random.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/ParticleRender.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/Texture.h>

using namespace tormakelin;
using namespace tormakelin::kavro;
using core::SmartRef;

namespace {

constexpr uint32_t kParticles = 100000;
constexpr float kDelta = 1.0f / 60.0f;

// Lives of 2.4 to 2.6 s, 5,000 born every 0.1 s: the pool stays full. With modifiers: colour,
// size, a ground plane and the camera fade.
SmartRef<ParticleSystem> makeSystem(bool modifiers = true)
{
    core::randomSeed(1);
    SmartRef<ParticleSystem> system = new ParticleSystem();
    system->setMaxParticles(kParticles);
    system->sortParticles(true);
    auto* emitter = new ParticleSphereEmitter();
    ParticleEmitterParams& params = emitter->getParams();
    params.particlesPerSpawn = 5000;
    params.timeBetweenSpawns = 0.1f;
    params.lifeMin = 2.4f;
    params.lifeMax = 2.6f;
    params.velocityMin = D3DXVECTOR3(-1, 2, -1);
    params.velocityMax = D3DXVECTOR3(1, 6, 1);
    params.accelerationMin = params.accelerationMax = D3DXVECTOR3(0, -4, 0);
    params.rotate = true;
    params.rotationSpeedMax = 1;
    system->addEmitter(emitter);
    if (!modifiers) {
        return system;
    }
    auto* colour = new ParticleColorModifier();
    colour->startColour = D3DXVECTOR4(1, 0.5f, 0, 0);
    colour->endColour = D3DXVECTOR4(0.2f, 0.2f, 0.2f, 0);
    system->addModifier(colour);
    system->addModifier(new ParticleSizeModifier());
    system->addModifier(new ParticlePlaneModifier());
    system->addModifier(new ParticleCameraDistanceFadeModifier());
    return system;
}

UpdateContext frameAt(int frame)
{
    UpdateContext context;
    context.phase = UpdatePhase_Apply;
    context.delta = kDelta;
    context.time = float(frame) * kDelta;
    context.eye = D3DXVECTOR3(30 * std::cos(context.time), 5, 30 * std::sin(context.time));
    return context;
}

void warmUp(ParticleSystem* system, int& frame)
{
    for (; frame < 300; ++frame) {
        UpdateContext context = frameAt(frame);
        system->update(context);
    }
}

void particlesUpdateAndSort(benchmark::State& state)
{
    SmartRef<ParticleSystem> system = makeSystem(state.range(0) != 0);
    int frame = 0;
    warmUp(system.get(), frame);
    for (auto _ : state) {
        UpdateContext context = frameAt(frame++);
        system->update(context);
        benchmark::DoNotOptimize(system->getCloud().getDrawOrder()[0]);
    }
    state.counters["alive"] = double(system->getCloud().getAliveCount());
}
BENCHMARK(particlesUpdateAndSort)->ArgName("modifiers")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the goal counts as our own work on a frame: the update and sort, then every particle's six
// vertices written in draw order, batch by batch, into memory of our own (the device's upload is
// left out).
void particlesUpdateSortAndWrite(benchmark::State& state)
{
    SmartRef<ParticleSystem> system = makeSystem(state.range(0) != 0);
    int frame = 0;
    warmUp(system.get(), frame);
    std::vector<SpriteVertex> batch(size_t{IParticleRender::kParticlesPerDraw} * 6);
    for (auto _ : state) {
        UpdateContext context = frameAt(frame++);
        system->update(context);
        ParticleCloud& cloud = system->getCloud();
        for (uint32_t done = 0; done < cloud.getAliveCount(); done += IParticleRender::kParticlesPerDraw) {
            const uint32_t count = std::min(IParticleRender::kParticlesPerDraw, cloud.getAliveCount() - done);
            writeParticleBatch(batch.data(), cloud, done, count);
            benchmark::ClobberMemory();
        }
    }
    state.counters["alive"] = double(system->getCloud().getAliveCount());
}
BENCHMARK(particlesUpdateSortAndWrite)->ArgName("modifiers")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A headless device of the given size (count 1), or null.
render::IRenderDevice* openDevice(unsigned width, unsigned height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static test::HiddenWindow window;
    render::IRenderDevice* device = render::createRenderDevice();
    device->addRef();
    render::DeviceCreateParams params;
    params.width = width;
    params.height = height;
    if (!device->create(&window, params)) {
        device->release();
        return nullptr;
    }
    return device;
}

// The vertices of every particle written into the rotating buffers and uploaded, with a material
// that begins no effect, so the device shades nothing.
void particlesWriteAndUpload(benchmark::State& state)
{
    render::IRenderDevice* device = openDevice(960, 540);
    if (device == nullptr) {
        state.SkipWithError("no device");
        return;
    }
    {
        SmartRef<IParticleRender> renderer = createParticleRender();
        SmartRef<kavro_test::RecordingMaterial> material = new kavro_test::RecordingMaterial();
        SmartRef<ParticleSystem> system = makeSystem();
        system->setMaterial(material.get());
        int frame = 0;
        warmUp(system.get(), frame);
        RenderPass pass;
        pass.particleRender = renderer.get();
        for (auto _ : state) {
            renderer->draw(pass, system.get());
        }
        state.counters["alive"] = double(system->getCloud().getAliveCount());
    }
    device->release();
}
BENCHMARK(particlesWriteAndUpload)->Unit(benchmark::kMillisecond);

// Update, sort and draw; main-thread CPU time (the rasteriser's own threads are not counted).
void particlesFrameAt960x540(benchmark::State& state)
{
    render::IRenderDevice* device = openDevice(960, 540);
    if (device == nullptr) {
        state.SkipWithError("no device");
        return;
    }
    {
        SmartRef<IParticleRender> renderer = createParticleRender();
        SmartRef<render::IShader> shader = render::createShader();
        const std::string text = getParticleEffectText();
        shader->compile(text.data(), unsigned(text.size()), render::g_shaderManager->getPool(),
            render::g_shaderManager->getInclude());
        const uint32_t white = 0xFFFFFFFF;
        SmartRef<render::ITexture> texture = render::createTextureRgba(1, 1, &white);
        shader->setTexture(shader->getParameter("particleTexture"), texture.get());
        SmartRef<IMaterial> material = createMaterial();
        material->setShader(shader.get());
        material->setBlendMode(render::BlendMode_Alpha);
        material->setTwoSided(true);
        material->update(0);

        SmartRef<ParticleSystem> system = makeSystem();
        system->setMaterial(material.get());
        system->setShader(shader.get());
        int frame = 0;
        warmUp(system.get(), frame);
        RenderPass pass;
        pass.technique = RenderTechnique_Blended;
        pass.particleRender = renderer.get();
        D3DXMatrixPerspectiveFovLH(&pass.projection, 0.8f, 960.0f / 540.0f, 0.1f, 200.0f);
        int draws = 0;
        for (auto _ : state) {
            UpdateContext context = frameAt(frame++);
            system->update(context);
            const D3DXVECTOR3 at(0, 0, 0), up(0, 1, 0);
            D3DXMatrixLookAtLH(&pass.view, &context.eye, &at, &up);
            device->beginScene();
            device->clear(render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 1), 1, 0);
            system->render(pass);
            draws = device->getStatistics()->drawCalls;
            device->endScene();
            device->present();
        }
        state.counters["draws"] = draws;
        state.counters["alive"] = double(system->getCloud().getAliveCount());
    }
    device->release();
}
BENCHMARK(particlesFrameAt960x540)->Unit(benchmark::kMillisecond);

}  // namespace
