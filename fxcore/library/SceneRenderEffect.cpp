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

void addTargetInput(GraphNode& node, char const* name, char const* defaultText)
{
    node.addInput(name, kParameterResource, defaultText, nullptr);
}

} // namespace

PluginDesc SceneRenderEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "D26DF6B1-0EFA-11DE-99C7-DFCFD624C433", "3D/Scene Render", "Scene Render");

SceneRenderEffect::SceneRenderEffect()
{
    addInput("Attributes/Scene", kParameterLink, "0", nullptr);
    addInput("Attributes/Light", kParameterLink, "", nullptr);
    addInput("Attributes/Materials", kParameterLink, "", nullptr);
    addInput("Attributes/Shader Parameters", kParameterLink, "", nullptr);
    addInput("Particle/System", kParameterLink, "", nullptr);
    addInput("Particle/Flares", kParameterLink, "", nullptr);
    addInput("Particle/Lens Flares", kParameterLink, "", nullptr);
    addInput("Ambient/Power", kParameterFloat, "0.1", &m_ambientPower);
    addInput("Fog/Enabled", kParameterBool, "0", &m_fogEnabled);
    addInput("Fog/Color", kParameterColor, "255,255,255,255", &m_fogColor);
    addInput("Fog/Start", kParameterFloat, "0", &m_fogStart);
    addInput("Fog/End", kParameterFloat, "128", &m_fogEnd);
    addInput("Shadow/Enabled", kParameterBool, "0", &m_shadowEnabled);
    addTargetInput(*this, "Shadow/Texture", "");
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
    addTargetInput(*this, "Shadow/Blur Downsample", "");
    addTargetInput(*this, "Shadow/Blur Vertical", "");
    addTargetInput(*this, "Shadow/Blur Horizontal", "");
    addInput("Reflection/Enabled", kParameterBool, "0", &m_reflectionEnabled);
    addInput("Reflection/Y", kParameterFloat, "0", &m_reflectionY);
    addTargetInput(*this, "Reflection/Target", "");
    addInput("Reflection/Blur", kParameterBool, "0", &m_reflectionBlur);
    addInput("Reflection/Blur Width", kParameterFloat, "1", &m_reflectionBlurWidth);
    addTargetInput(*this, "Reflection/Blur Vertical Target", "0");
    addTargetInput(*this, "Reflection/Blur Horizontal Target", "0");
    addInput("Depth Of Field/Enabled", kParameterBool, "0", &m_dofEnabled);
    addInput("Depth Of Field/Focal Plane Near", kParameterFloat, "0.1", &m_dofNear);
    addInput("Depth Of Field/Focal Plane Far", kParameterFloat, "0.9", &m_dofFar);
    addTargetInput(*this, "Depth Of Field/Blur Target", "0");
    addInput("Depth Of Field/Blur Width", kParameterFloat, "1.0", &m_dofBlurWidth);
    addTargetInput(*this, "Depth Of Field/Blur Vertical Target", "0");
    addTargetInput(*this, "Depth Of Field/Blur Horizontal Target", "0");
    addInput("ZPass/Enabled", kParameterBool, "0", &m_zPassEnabled);
    addTargetInput(*this, "ZPass/Depth Target", "0");
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

    static std::string const materialsInput = "Attributes/Materials";
    static std::string const parametersInput = "Attributes/Shader Parameters";
    static std::string const lightsInput = "Attributes/Light";
    static std::vector<core::UniqueId> const materialKinds = {MaterialEffect::_pluginDesc.id};
    static std::vector<core::UniqueId> const lightKinds = {LightEffect::_pluginDesc.id};
    state.materials.clear();
    collectShaderParameters(*this, parametersInput, state.shaderParameters);
    forEachLinkedNode(findInputNamed(materialsInput), materialKinds, [&](IGraphNode* node) {
        if (auto const* material = dynamic_cast<MaterialEffect const*>(node))
            state.materials.push_back(material->getSettings());
    });
    state.lights.clear();
    forEachLinkedNode(findInputNamed(lightsInput), lightKinds, [&](IGraphNode* node) {
        if (auto const* light = dynamic_cast<LightEffect const*>(node))
            state.lights.push_back(light->getLight());
    });
    takeEntries(state);
    return !state.entries.empty();
}

void SceneRenderEffect::takeSettings(RenderContext const& context, kavro::SceneSettings& settings)
{
    // Made once: the lookups take their names as strings.
    static std::string const kShadow = "Shadow/Texture", kShadowDown = "Shadow/Blur Downsample",
                             kShadowVertical = "Shadow/Blur Vertical", kShadowHorizontal = "Shadow/Blur Horizontal",
                             kReflection = "Reflection/Target", kReflectionVertical = "Reflection/Blur Vertical Target",
                             kReflectionHorizontal = "Reflection/Blur Horizontal Target",
                             kZPass = "ZPass/Depth Target", kDof = "Depth Of Field/Blur Target",
                             kDofVertical = "Depth Of Field/Blur Vertical Target",
                             kDofHorizontal = "Depth Of Field/Blur Horizontal Target";
    InstanceParameterMap const& instances = context.instanceParameters;
    auto first = [&](std::string const& input) -> kavro::TargetRef {
        NodeParameter const* linked = findInputNamed(input);
        return kavro::TargetRef(linked ? renderTargetOn(*linked, instances) : nullptr);
    };
    settings = kavro::SceneSettings{};
    kavro::TargetRef const shadowTarget = m_shadowEnabled ? first(kShadow) : kavro::TargetRef();
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
            settings.shadowBlurDownsample = first(kShadowDown);
            settings.shadowBlurVertical = first(kShadowVertical);
            settings.shadowBlurHorizontal = first(kShadowHorizontal);
        }
    }
    settings.fogEnabled = m_fogEnabled;
    settings.fogStart = m_fogStart;
    settings.fogEnd = m_fogEnd;
    settings.fogColour = m_fogColor / 255.0f;
    settings.reflectionEnabled = m_reflectionEnabled;
    settings.reflectionY = m_reflectionY;
    settings.reflectionTarget = first(kReflection);
    settings.reflectionBlur = m_reflectionBlur;
    settings.reflectionBlurWidth = m_reflectionBlurWidth;
    settings.reflectionBlurVertical = first(kReflectionVertical);
    settings.reflectionBlurHorizontal = first(kReflectionHorizontal);
    settings.zPassEnabled = m_zPassEnabled;
    settings.zPassTarget = first(kZPass);
    settings.dofEnabled = m_dofEnabled;
    settings.dofNear = m_dofNear;
    settings.dofFar = m_dofFar;
    settings.dofBlurWidth = m_dofBlurWidth;
    settings.dofBlurTarget = first(kDof);
    settings.dofBlurVertical = first(kDofVertical);
    settings.dofBlurHorizontal = first(kDofHorizontal);
}

void SceneRenderEffect::takeEntries(kavro::SceneRenderState& state)
{
    static std::string const inputs[] = {"Particle/System", "Particle/Flares", "Particle/Lens Flares", "Attributes/Scene"};
    static std::vector<core::UniqueId> const ids[] = {{ParticleSystemEffect::_pluginDesc.id}, {FlareEffect::_pluginDesc.id},
        {LensFlareEffect::_pluginDesc.id}, {SceneEffect::_pluginDesc.id}};
    state.entries.clear();
    for (size_t i = 0; i < std::size(inputs); ++i)
        forEachLinkedNode(findInputNamed(inputs[i]), ids[i], [&](IGraphNode* node) {
            if (auto const* source = dynamic_cast<ISceneGraphSource const*>(node))
                if (kavro::ISceneGraph* graph = source->getSceneGraph())
                    state.entries.push_back({source->getSceneWorldMatrix(), graph});
        });
}

} // namespace tormakelin::fxcore
