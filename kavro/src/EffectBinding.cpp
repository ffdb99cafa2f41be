#include "EffectBinding.h"

#include <algorithm>

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/RenderPass.h>
#include <tormakelin/kavro/ShaderParameter.h>

namespace tormakelin::kavro {

namespace {

const char* const kParamNames[Bind_Count] = {"ambientLightPower", "ambientMaterialColor", "diffuseMaterialColor",
    "specularMaterialColor", "emissiveMaterialColor", "materialSpecularLevel", "materialGlossiness",
    "materialOpacity", "materialEmbm", "shadowEnabled", "shadowKExp", "shadowTexture", "shadowSmoothStepMin",
    "shadowSmoothStepMax", "shadowColor", "shadowMatrix", "fogEnabled", "fogStart", "fogEnd", "fogColor",
    "pointLightCount", "directionalLightCount", "spotLightCount", "time", "world", "view", "projection",
    "worldView", "worldViewProjection", "viewProjection", "invWorld", "invView", "invProjection", "invWorldView",
    "invWorldViewProjection", "cameraPosition", "boneMatrices", "boneCount"};

// A user list that keeps growing means parameters come and go; start again rather than grow.
constexpr size_t kMaxUserEntries = 64;

}  // namespace

void EffectBinding::build(render::IShader* shader, const std::vector<ITextureSampler*>& samplers,
    unsigned samplerGeneration)
{
    m_shader = shader;
    m_effect = shader->getEffect();
    m_samplerGeneration = samplerGeneration;
    for (int i = 0; i < Bind_Count; ++i) {
        m_params[i] = shader->getParameter(kParamNames[i]);
    }
    for (unsigned t = 0; t < kTechniqueCount; ++t) {
        m_techniques[t] = m_effect ? m_effect->GetTechniqueByName(getTechniqueName(int(t))) : nullptr;
    }
    m_samplers.clear();
    for (ITextureSampler* sampler : samplers) {
        m_samplers.push_back({shader->getParameter(sampler->getName() + "Texture"),
            shader->getParameter(sampler->getName() + "TextureAmount")});
    }
    buildLights(m_point, "pointLight");
    buildLights(m_directional, "directionalLight");
    buildLights(m_spot, "spotLight");
    render::IShaderParameter* bones = m_params[Bind_BoneMatrices];
    m_boneCapacity = bones ? std::max(1u, unsigned(bones->getDesc().Elements)) : 0;
    m_user.clear();
}

void EffectBinding::buildLights(LightArrayHandles& out, const char* name)
{
    out = LightArrayHandles{};
    render::IShaderParameter* array = m_shader->getParameter(name);
    if (array == nullptr || m_effect == nullptr) {
        return;
    }
    const unsigned declared = std::max(1u, unsigned(array->getDesc().Elements));
    out.count = std::min(declared, kMaxLightsPerKind);
    for (unsigned i = 0; i < out.count; ++i) {
        D3DXHANDLE element = array->getDesc().Elements ? m_effect->GetParameterElement(array->getHandle(), i)
                                                       : array->getHandle();
        LightHandles& h = out.elements[i];
        h.colour = m_effect->GetParameterByName(element, "color");
        h.position = m_effect->GetParameterByName(element, "position");
        h.direction = m_effect->GetParameterByName(element, "direction");
        h.radius = m_effect->GetParameterByName(element, "radius");
        h.cone = m_effect->GetParameterByName(element, "coneAngle");
    }
}

render::IShaderParameter* EffectBinding::userParameter(IShaderParameter* parameter)
{
    for (UserEntry& entry : m_user) {
        if (entry.parameter == parameter) {
            if (entry.name != parameter->getName()) {
                entry.name = parameter->getName();
                entry.target = m_shader->getParameter(entry.name);
            }
            return entry.target;
        }
    }
    if (m_user.size() >= kMaxUserEntries) {
        m_user.clear();
    }
    m_user.push_back({parameter, parameter->getName(), m_shader->getParameter(parameter->getName())});
    return m_user.back().target;
}

}  // namespace tormakelin::kavro
