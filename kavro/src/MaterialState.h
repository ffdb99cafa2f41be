#pragma once
// What a material sets before a draw: render states and the effect parameters of the pass.

#include <tormakelin/kavro/RenderPass.h>

#include "EffectBinding.h"

namespace tormakelin::kavro {

// The light's view and projection for the shadow map; finite for any settings.
void shadowMatrices(const SceneSettings& settings, D3DXMATRIX& view, D3DXMATRIX& projection);

// What the shadow pass would store for something at the far end of the light's depth range:
// the map is cleared to it, so empty parts of the map, and blurs across their edges, shadow
// nothing.
float shadowFarValue(const SceneSettings& settings);

void applyMaterialStates(const RenderPass& pass, bool twoSided, int blendMode);
// Colour writes on and stencil off again.
void restoreMaterialStates();

void bindShadow(render::IShader* effect, const EffectBinding& binding, const RenderPass& pass, const D3DXMATRIX& view,
    const D3DXMATRIX& projection, render::ITexture*& held);
void bindFog(render::IShader* effect, const EffectBinding& binding, const SceneSettings& settings);
void bindLights(render::IShader* effect, const EffectBinding& binding, const std::vector<LightRecord>& lights);
void bindTransforms(render::IShader* effect, const EffectBinding& binding, const RenderPass& pass,
    const D3DXMATRIX& view, const D3DXMATRIX& projection, float time);
void bindBones(render::IShader* effect, const EffectBinding& binding, const std::vector<D3DXMATRIX>& bones);
void bindUserParameters(render::IShader* effect, EffectBinding& binding, const std::vector<IShaderParameter*>& list);
// Takes the shadow map out of the effect and off every stage it was bound to.
void unbindShadow(render::IShader* effect, const EffectBinding* binding, render::ITexture*& held);

}  // namespace tormakelin::kavro
