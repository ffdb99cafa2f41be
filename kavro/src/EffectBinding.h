#pragma once
// The handles of one effect's material parameters, looked up once when the effect is first
// drawn with, so that a draw never looks a parameter up by name.

#include <array>
#include <string>
#include <vector>

#include <d3dx9effect.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/Shader.h>

namespace tormakelin::kavro {

class ITextureSampler;
class IShaderParameter;

enum BindingParam : int {
    Bind_AmbientLightPower,
    Bind_AmbientColour,
    Bind_DiffuseColour,
    Bind_SpecularColour,
    Bind_EmissiveColour,
    Bind_SpecularLevel,
    Bind_Glossiness,
    Bind_Opacity,
    Bind_Embm,
    Bind_ShadowEnabled,
    Bind_ShadowKExp,
    Bind_ShadowTexture,
    Bind_ShadowSmoothStepMin,
    Bind_ShadowSmoothStepMax,
    Bind_ShadowColour,
    Bind_ShadowMatrix,
    Bind_FogEnabled,
    Bind_FogStart,
    Bind_FogEnd,
    Bind_FogColour,
    Bind_PointLightCount,
    Bind_DirectionalLightCount,
    Bind_SpotLightCount,
    Bind_Time,
    Bind_World,
    Bind_View,
    Bind_Projection,
    Bind_WorldView,
    Bind_WorldViewProjection,
    Bind_ViewProjection,
    Bind_InvWorld,
    Bind_InvView,
    Bind_InvProjection,
    Bind_InvWorldView,
    Bind_InvWorldViewProjection,
    Bind_CameraPosition,
    Bind_BoneMatrices,
    Bind_BoneCount,
    Bind_Count
};

constexpr unsigned kMaxLightsPerKind = 6;
constexpr unsigned kTechniqueCount = 6;

struct LightHandles {
    D3DXHANDLE colour = nullptr;
    D3DXHANDLE position = nullptr;
    D3DXHANDLE direction = nullptr;
    D3DXHANDLE radius = nullptr;
    D3DXHANDLE cone = nullptr;
};

struct LightArrayHandles {
    std::array<LightHandles, kMaxLightsPerKind> elements{};
    unsigned count = 0;  // elements that can be written: min(declared, six)
};

struct SamplerHandles {
    render::IShaderParameter* texture = nullptr;
    render::IShaderParameter* amount = nullptr;
};

class EffectBinding {
public:
    // True when the binding was made for this effect as it is compiled now and these samplers.
    bool matches(render::IShader* shader, unsigned samplerGeneration) const
    {
        return m_shader.get() == shader && m_effect == shader->getEffect() && m_samplerGeneration == samplerGeneration;
    }
    void build(render::IShader* shader, const std::vector<ITextureSampler*>& samplers, unsigned samplerGeneration);
    render::IShader* shader() const { return m_shader.get(); }

    render::IShaderParameter* get(BindingParam which) const { return m_params[which]; }
    D3DXHANDLE technique(int index) const
    {
        return index >= 0 && unsigned(index) < kTechniqueCount ? m_techniques[index] : nullptr;
    }
    const SamplerHandles& sampler(size_t index) const { return m_samplers[index]; }
    const LightArrayHandles& pointLights() const { return m_point; }
    const LightArrayHandles& directionalLights() const { return m_directional; }
    const LightArrayHandles& spotLights() const { return m_spot; }
    unsigned boneCapacity() const { return m_boneCapacity; }
    // The effect parameter a graph's shader parameter binds to, or null; remembered per parameter.
    render::IShaderParameter* userParameter(IShaderParameter* parameter);

private:
    struct UserEntry {
        IShaderParameter* parameter;
        std::string name;
        render::IShaderParameter* target;
    };
    void buildLights(LightArrayHandles& out, const char* name);

    core::SmartRef<render::IShader> m_shader;
    ID3DXEffect* m_effect = nullptr;
    unsigned m_samplerGeneration = 0;
    std::array<render::IShaderParameter*, Bind_Count> m_params{};
    std::array<D3DXHANDLE, kTechniqueCount> m_techniques{};
    std::vector<SamplerHandles> m_samplers;
    LightArrayHandles m_point;
    LightArrayHandles m_directional;
    LightArrayHandles m_spot;
    unsigned m_boneCapacity = 0;
    std::vector<UserEntry> m_user;
};

}  // namespace tormakelin::kavro
