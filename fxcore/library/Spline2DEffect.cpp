#include <tormakelin/fxcore/TextEffect.h>

#include "PluginDescs.h"
#include "SharedEffect.h"

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

#include <algorithm>
#include <utility>

namespace tormakelin::fxcore {

PluginDesc Spline2DEffect::_pluginDesc = libraryPluginDesc(
    kPluginGraphNode, "13382D4D-FEDB-11DE-8A68-E81C49CBD163", "Effect/Spline/2d Spline", "2d Spline Effect");

namespace {

char const kSplineEffectText[] = R"FX(// A white polyline in screen space.
float4x4 worldViewProjection;

float4 splineVS(float3 position : POSITION) : POSITION
{
    return mul(float4(position.xyz, 1), worldViewProjection);
}

float4 splinePS() : COLOR
{
    return float4(1, 1, 1, 1);
}

technique Normal
{
    pass Pass_0
    {
        VertexShader = compile vs_2_0 splineVS();
        PixelShader = compile ps_2_0 splinePS();
    }
}
)FX";

std::string const kTechnique = "Normal";

render::IVertexDecl* buildPositionDecl()
{
    render::VertexDeclBuilder builder;
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    return builder.build();
}

} // namespace

unsigned int Spline2DEffect::m_refCount = 0;
Spline2DEffect::SharedData* Spline2DEffect::m_shared = nullptr;
char const* Spline2DEffect::m_sharedEffectText = kSplineEffectText;

Spline2DEffect::Spline2DEffect()
{
    addInput("Point Count", kParameterFloat, "300", &m_pointCount);
    // The points come from the keyframe track a layer attaches to this input.
    m_pointsInput = addInput("Points", kParameterVec2, "0,0", nullptr);
    m_pointsInput->linkable = false;
    addInput("Point Scale", kParameterVec2, "1,1", &m_pointScale);
    addInput("Time Scale", kParameterFloat, "1", &m_timeScale);
    enableTransform(kTransform2d, kTransformHandlePosition | kTransformHandleRotation, 0);
    enableScript();
    addSharedUser(m_refCount, &createShared, &releaseShared);
}

Spline2DEffect::~Spline2DEffect()
{
    if (m_refCount > 0 && --m_refCount == 0)
        releaseShared();
}

void Spline2DEffect::createShared()
{
    releaseShared();
    m_shared = new SharedData;
    m_shared->shader = render::createShader();
    render::IShader* shader = m_shared->shader.get();
    if (!compileSharedEffect(shader, m_sharedEffectText ? m_sharedEffectText : kSplineEffectText, "Spline2DEffect"))
        return;
    m_shared->worldViewProjection = shader->getParameter("worldViewProjection");
    m_shared->vertexDecl = buildPositionDecl();
}

void Spline2DEffect::releaseShared()
{
    delete std::exchange(m_shared, nullptr);
}

void Spline2DEffect::eval(UpdateContext&) {}

bool Spline2DEffect::gatherPoints(RenderContext const& context)
{
    auto const instance = context.instanceParameters.find(m_pointsInput->getId());
    core::IKeyframe* track = instance != context.instanceParameters.end() ? instance->second.keyframe : nullptr;
    if (!track || track->getKeys().size() < 2)
        return false;
    unsigned const components = track->getDimension();
    D3DXVECTOR2 const& position = getTransform().position2d;
    for (core::Key const* key : track->getKeys()) {
        float const first = components >= 1 ? key->values[0] : 0.0f;
        float const second = components >= 2 ? key->values[1] : 0.0f;
        m_points.push_back({key->time, first * m_pointScale.x + position.x, second * m_pointScale.y + position.y, 1.0f});
    }
    // The bounds are the points' own, wherever the transform puts them.
    m_boundsMin = m_boundsMax = D3DXVECTOR2(m_points.front().x, m_points.front().y);
    for (SplinePoint const& point : m_points) {
        m_boundsMin = D3DXVECTOR2(std::min(m_boundsMin.x, point.x), std::min(m_boundsMin.y, point.y));
        m_boundsMax = D3DXVECTOR2(std::max(m_boundsMax.x, point.x), std::max(m_boundsMax.y, point.y));
    }
    return true;
}

void Spline2DEffect::render(RenderContext& context)
{
    m_points.clear();
    m_vertices.clear();
    m_boundsMin = m_boundsMax = D3DXVECTOR2(0.0f, 0.0f);
    if (!render::g_renderDevice)
        return;
    Transform& transform = getTransform();
    Viewport const viewport(render::g_renderDevice->getRenderView());
    if (!gatherPoints(context)) {
        D3DXVECTOR2 const none(0.0f, 0.0f);
        transform.update2d(viewport, nullptr, &none, nullptr);
        return;
    }
    D3DXVECTOR2 const size = m_boundsMax - m_boundsMin;
    transform.update2d(viewport, nullptr, &size, nullptr);
    render::IShader* shader = m_shared && m_shared->ready() ? m_shared->shader.get() : nullptr;
    if (!shader)
        return;

    shader->setTechnique(kTechnique);
    m_shared->vertexDecl->bind();
    render::applyBlendMode(render::BlendMode_Solid);
    TextureEffect::setQuadStates();
    D3DXMATRIX const matrix = transform.getTransformMatrix(0.0f, 0.0f, 0.0f);
    shader->setMatrix(m_shared->worldViewProjection.get(), &matrix);

    // Each segment's two ends, drawn from positions alone.
    for (size_t i = 1; i < m_points.size(); ++i) {
        for (SplinePoint const* end : {&m_points[i - 1], &m_points[i]})
            m_vertices.push_back({end->x, end->y, end->z});
    }
    uint32_t const segments = static_cast<uint32_t>(m_points.size() - 1);
    unsigned const passes = shader->begin();
    for (unsigned pass = 0; pass < passes; ++pass) {
        shader->beginPass(pass);
        render::g_renderDevice->drawPrimitiveUP(D3DPT_LINELIST, segments, m_vertices.data(), sizeof(SplineVertex));
        shader->endPass();
    }
    shader->end();
}

} // namespace tormakelin::fxcore
