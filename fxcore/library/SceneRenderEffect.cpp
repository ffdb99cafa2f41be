#include <tormakelin/fxcore/SceneRenderEffect.h>

#include <tormakelin/fxcore/ParticleNodes.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/SceneNodes.h>

#include "PluginDescs.h"
#include "RenderTargetInput.h"

namespace tormakelin::fxcore {

namespace {

kavro::ISceneRender* g_renderer = nullptr;
int g_instances = 0;

NodeParameter* addTargetInput(GraphNode& node, char const* name, char const* defaultText)
{
    return node.addInput(name, kParameterResource, defaultText, nullptr);
}

} // namespace

PluginDesc SceneRenderEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "D26DF6B1-0EFA-11DE-99C7-DFCFD624C433", "3D/Scene Render", "Scene Render");

SceneRenderEffect::SceneRenderEffect()
{
    m_inputs.entries[3] = addInput("Attributes/Scene", kParameterLink, "0", nullptr);
    m_inputs.lights = addInput("Attributes/Light", kParameterLink, "", nullptr);
    m_inputs.materials = addInput("Attributes/Materials", kParameterLink, "", nullptr);
    m_inputs.shaderParameters = addInput("Attributes/Shader Parameters", kParameterLink, "", nullptr);
    m_inputs.entries[0] = addInput("Particle/System", kParameterLink, "", nullptr);
    m_inputs.entries[1] = addInput("Particle/Flares", kParameterLink, "", nullptr);
    m_inputs.entries[2] = addInput("Particle/Lens Flares", kParameterLink, "", nullptr);
    addInput("Ambient/Power", kParameterFloat, "0.1", &m_ambientPower);
    addInput("Fog/Enabled", kParameterBool, "0", &m_fogEnabled);
    addInput("Fog/Color", kParameterColor, "255,255,255,255", &m_fogColor);
    addInput("Fog/Start", kParameterFloat, "0", &m_fogStart);
    addInput("Fog/End", kParameterFloat, "128", &m_fogEnd);
    addInput("Shadow/Enabled", kParameterBool, "0", &m_shadowEnabled);
    m_inputs.shadow = addTargetInput(*this, "Shadow/Texture", "");
    addInput("Shadow/Color", kParameterColor, "0,0,0,255", &m_shadowColor);
    addInput("Shadow/Position", kParameterVec3, "0,200,0", &m_shadowPosition);
    addInput("Shadow/Target Position", kParameterVec3, "2,0,0", &m_shadowTargetPosition);
    addInput("Shadow/ZMin", kParameterFloat, "1", &m_shadowZMin);
    addInput("Shadow/ZMax", kParameterFloat, "256", &m_shadowZMax);
    addInput("Shadow/Exp", kParameterFloat, "30", &m_shadowExp);
    addInput("Shadow/Distance", kParameterFloat, "128", &m_shadowDistance);
    addInput("Shadow/Smoothstep Min", kParameterFloat, "0.5", &m_shadowSmoothstepMin);
    addInput("Shadow/Smoothstep Max", kParameterFloat, "1", &m_shadowSmoothstepMax);
    addInput("Shadow/Blur Enabled", kParameterBool, "0", &m_shadowBlur);
    m_inputs.shadowDownsample = addTargetInput(*this, "Shadow/Blur Downsample", "");
    m_inputs.shadowVertical = addTargetInput(*this, "Shadow/Blur Vertical", "");
    m_inputs.shadowHorizontal = addTargetInput(*this, "Shadow/Blur Horizontal", "");
    addInput("Reflection/Enabled", kParameterBool, "0", &m_reflectionEnabled);
    addInput("Reflection/Y", kParameterFloat, "0", &m_reflectionY);
    m_inputs.reflection = addTargetInput(*this, "Reflection/Target", "");
    addInput("Reflection/Blur", kParameterBool, "0", &m_reflectionBlur);
    addInput("Reflection/Blur Width", kParameterFloat, "1", &m_reflectionBlurWidth);
    m_inputs.reflectionVertical = addTargetInput(*this, "Reflection/Blur Vertical Target", "0");
    m_inputs.reflectionHorizontal = addTargetInput(*this, "Reflection/Blur Horizontal Target", "0");
    addInput("Depth Of Field/Enabled", kParameterBool, "0", &m_dofEnabled);
    addInput("Depth Of Field/Focal Plane Near", kParameterFloat, "0.1", &m_dofNear);
    addInput("Depth Of Field/Focal Plane Far", kParameterFloat, "0.9", &m_dofFar);
    m_inputs.dof = addTargetInput(*this, "Depth Of Field/Blur Target", "0");
    addInput("Depth Of Field/Blur Width", kParameterFloat, "1.0", &m_dofBlurWidth);
    m_inputs.dofVertical = addTargetInput(*this, "Depth Of Field/Blur Vertical Target", "0");
    m_inputs.dofHorizontal = addTargetInput(*this, "Depth Of Field/Blur Horizontal Target", "0");
    addInput("ZPass/Enabled", kParameterBool, "0", &m_zPassEnabled);
    m_inputs.zPass = addTargetInput(*this, "ZPass/Depth Target", "0");
    // The view and projection come from a linked view-matrix node, else the default camera.
    enableCamera();

    if (g_instances == 0) {
        if (g_renderer)
            g_renderer->release();
        g_renderer = kavro::createSceneRender();
        if (g_renderer)
            g_renderer->addRef();
    }
    ++g_instances;
}

SceneRenderEffect::~SceneRenderEffect()
{
    if (--g_instances == 0 && g_renderer) {
        g_renderer->release();
        g_renderer = nullptr;
    }
}

kavro::ISceneRender* SceneRenderEffect::sharedRenderer()
{
    return g_renderer;
}

void SceneRenderEffect::render(RenderContext& context)
{
    if (buildState(context, m_state) && g_renderer)
        g_renderer->render(m_state);
    // The targets are counted: none is kept past the frame.
    m_state.settings = kavro::SceneSettings{};
    m_state.entries.clear();
    m_state.materials.clear();
    m_state.shaderParameters.clear();
}

bool SceneRenderEffect::buildState(RenderContext const& context, kavro::SceneRenderState& state)
{
    state.time = context.time;
    state.delta = context.delta;
    state.useGivenCamera = true;
    state.view = context.view;
    state.projection = context.projection;
    state.eye = context.eye;
    state.ambientPower = m_ambientPower;
    takeSettings(context, state.settings);

    static std::vector<core::UniqueId> const materialKinds = {MaterialEffect::_pluginDesc.id};
    static std::vector<core::UniqueId> const lightKinds = {LightEffect::_pluginDesc.id};
    state.materials.clear();
    collectShaderParameters(m_inputs.shaderParameters, state.shaderParameters);
    forEachLinkedNode(m_inputs.materials, materialKinds, [&](IGraphNode* node) {
        if (auto const* material = dynamic_cast<MaterialEffect const*>(node))
            state.materials.push_back(material->getSettings());
    });
    state.lights.clear();
    forEachLinkedNode(m_inputs.lights, lightKinds, [&](IGraphNode* node) {
        if (auto const* light = dynamic_cast<LightEffect const*>(node))
            state.lights.push_back(light->getLight());
    });
    takeEntries(state);
    return !state.entries.empty();
}

void SceneRenderEffect::takeSettings(RenderContext const& context, kavro::SceneSettings& settings)
{
    InstanceParameterMap const& instances = context.instanceParameters;
    auto first = [&](NodeParameter const* input) {
        return kavro::TargetRef(input ? renderTargetOn(*input, instances) : nullptr);
    };
    settings = kavro::SceneSettings{};
    kavro::TargetRef const shadowTarget = m_shadowEnabled ? first(m_inputs.shadow) : kavro::TargetRef();
    // Without a map no other shadow setting is taken.
    if (shadowTarget) {
        settings.shadowEnabled = true;
        settings.shadowTarget = shadowTarget;
        settings.shadowColour = m_shadowColor / 255.0f;
        settings.shadowZMin = m_shadowZMin;
        settings.shadowZMax = m_shadowZMax;
        settings.shadowDistance = m_shadowDistance;
        settings.shadowLightPosition = m_shadowPosition;
        settings.shadowTargetPosition = m_shadowTargetPosition;
        settings.shadowExponent = m_shadowExp;
        settings.shadowSmoothStepMin = m_shadowSmoothstepMin;
        settings.shadowSmoothStepMax = m_shadowSmoothstepMax;
        settings.shadowBlur = m_shadowBlur;
        if (m_shadowBlur) {
            settings.shadowBlurDownsample = first(m_inputs.shadowDownsample);
            settings.shadowBlurVertical = first(m_inputs.shadowVertical);
            settings.shadowBlurHorizontal = first(m_inputs.shadowHorizontal);
        }
    }
    settings.fogEnabled = m_fogEnabled;
    settings.fogStart = m_fogStart;
    settings.fogEnd = m_fogEnd;
    settings.fogColour = m_fogColor / 255.0f;
    settings.reflectionEnabled = m_reflectionEnabled;
    settings.reflectionY = m_reflectionY;
    settings.reflectionTarget = first(m_inputs.reflection);
    settings.reflectionBlur = m_reflectionBlur;
    settings.reflectionBlurWidth = m_reflectionBlurWidth;
    settings.reflectionBlurVertical = first(m_inputs.reflectionVertical);
    settings.reflectionBlurHorizontal = first(m_inputs.reflectionHorizontal);
    settings.zPassEnabled = m_zPassEnabled;
    settings.zPassTarget = first(m_inputs.zPass);
    settings.dofEnabled = m_dofEnabled;
    settings.dofNear = m_dofNear;
    settings.dofFar = m_dofFar;
    settings.dofBlurWidth = m_dofBlurWidth;
    settings.dofBlurTarget = first(m_inputs.dof);
    settings.dofBlurVertical = first(m_inputs.dofVertical);
    settings.dofBlurHorizontal = first(m_inputs.dofHorizontal);
}

void SceneRenderEffect::takeEntries(kavro::SceneRenderState& state)
{
    static std::vector<core::UniqueId> const ids[] = {{ParticleSystemEffect::_pluginDesc.id}, {FlareEffect::_pluginDesc.id},
        {LensFlareEffect::_pluginDesc.id}, {SceneEffect::_pluginDesc.id}};
    state.entries.clear();
    for (size_t i = 0; i < std::size(m_inputs.entries); ++i)
        forEachLinkedNode(m_inputs.entries[i], ids[i], [&](IGraphNode* node) {
            if (auto const* source = dynamic_cast<ISceneGraphSource const*>(node))
                if (kavro::ISceneGraph* graph = source->getSceneGraph())
                    state.entries.push_back({source->getSceneWorldMatrix(), graph});
        });
}

} // namespace tormakelin::fxcore
