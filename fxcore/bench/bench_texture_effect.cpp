// A frame of 1,000 texture effects: the CPU cost per quad through the node, the render library
// and the device layer, against the same draws issued straight through the device layer.

#include "BenchScene.h"

#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/render/Shader.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/VertexDecl.h>

#include <array>
#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

constexpr int kQuads = 1000;
constexpr unsigned kSize = 256;
char const* const kTextureId = "11111111-2222-3333-4444-555555555555";

// A device, one 16x16 texture resource and 1,000 nodes drawing it at 4x4 pixels each.
struct Scene {
    bench::HeadlessScreen screen{kSize, kSize};
    bench::ServedResources served;
    TextureResource* resource = nullptr;
    std::vector<core::SmartRef<TextureEffect>> nodes;

    Scene()
    {
        if (!screen.ok)
            return;
        std::vector<uint32_t> const pixels(size_t{16} * 16, 0xFF808080u);
        resource = new TextureResource;
        served.add(resource);
        resource->setPluginDesc(TextureResource::_pluginDesc);
        resource->getInfo().id = core::stringToUniqueId(kTextureId);
        resource->setTexture(render::createTextureRgba(16, 16, pixels.data()));
        for (int i = 0; i < kQuads; ++i) {
            auto* node = new TextureEffect;
            nodes.emplace_back(node);
            std::string const position = std::to_string(i % 64 * 4) + "," + std::to_string(i / 64 * 4);
            bench::setInputs(*node, {{"Attributes/Texture", kTextureId}, {"Attributes/Blend Mode", "1"},
                                        {"Transform/Position", position}, {"Transform/Size", "4,4"}});
        }
    }

    bool ready() const { return TextureEffect::sharedShader() != nullptr; }
};

void report(benchmark::State& state)
{
    state.counters["per_quad"] = benchmark::Counter(static_cast<double>(kQuads),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TextureEffectNodes(benchmark::State& state)
{
    Scene scene;
    if (!scene.ready()) {
        state.SkipWithError("no device");
        return;
    }
    RenderContext context;
    for (auto _ : state) {
        scene.screen.device->beginScene();
        for (auto const& node : scene.nodes)
            node->render(context);
        scene.screen.device->endScene();
    }
    report(state);
}
BENCHMARK(BM_TextureEffectNodes)->Unit(benchmark::kMicrosecond);

// The same effect, technique, parameters, states and quads, set on the effect and the device
// directly with handles looked up once.
void BM_TextureQuadsStraight(benchmark::State& state)
{
    Scene scene;
    if (!scene.ready()) {
        state.SkipWithError("no device");
        return;
    }
    ID3DXEffect* effect = TextureEffect::sharedShader()->getEffect();
    IDirect3DDevice9* d3d = scene.screen.device->getD3DDevice();
    D3DXHANDLE const technique = effect->GetTechniqueByName("ColorTextureClamp");
    D3DXHANDLE const texture = effect->GetParameterByName(nullptr, "colorTexture");
    D3DXHANDLE const color = effect->GetParameterByName(nullptr, "color");
    D3DXHANDLE const inverse = effect->GetParameterByName(nullptr, "invViewportSize");
    D3DXHANDLE const matrix = effect->GetParameterByName(nullptr, "worldViewProjection");
    IDirect3DBaseTexture9* d3dTexture = scene.resource->getTexture()->getD3DTexture();
    std::vector<D3DXMATRIX> matrices(kQuads);
    std::vector<std::array<QuadVertex, 4>> quads(kQuads);
    for (int i = 0; i < kQuads; ++i) {
        matrices[size_t(i)] = TextureEffect::placedMatrix(*scene.nodes[size_t(i)]);
        QuadVertex quad[4];
        TextureEffect::buildQuad(scene.nodes[size_t(i)]->getTransform(), D3DXVECTOR4(0, 0, 1, 1), quad);
        std::copy(quad, quad + 4, quads[size_t(i)].begin());
    }
    D3DXVECTOR4 const white(1, 1, 1, 1);
    D3DXVECTOR4 const half(-1.0f / kSize, 1.0f / kSize, 0, 0);
    for (auto _ : state) {
        scene.screen.device->beginScene();
        for (int i = 0; i < kQuads; ++i) {
            TextureEffect::m_shared->vertexDecl->bind();
            d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            d3d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
            d3d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            d3d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
            d3d->SetRenderState(D3DRS_ZENABLE, FALSE);
            d3d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            effect->SetTechnique(technique);
            effect->SetTexture(texture, d3dTexture);
            effect->SetVector(color, &white);
            effect->SetVector(inverse, &half);
            effect->SetMatrix(matrix, &matrices[size_t(i)]);
            d3d->SetRenderState(D3DRS_COLORWRITEENABLE, 15);
            UINT passes = 0;
            effect->Begin(&passes, 0);
            for (UINT pass = 0; pass < passes; ++pass) {
                effect->BeginPass(pass);
                d3d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quads[size_t(i)].data(), sizeof(QuadVertex));
                effect->EndPass();
            }
            effect->End();
            d3d->SetRenderState(D3DRS_COLORWRITEENABLE, 15);
        }
        scene.screen.device->endScene();
    }
    report(state);
}
BENCHMARK(BM_TextureQuadsStraight)->Unit(benchmark::kMicrosecond);

} // namespace
