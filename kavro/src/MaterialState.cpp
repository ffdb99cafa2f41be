#include "MaterialState.h"
#include "RefList.h"

#include <algorithm>
#include <cmath>

#include <tormakelin/kavro/ShaderParameter.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::kavro {

namespace {

void setFloat(render::IShader* effect, render::IShaderParameter* p, float value)
{
    if (p) {
        effect->setFloat(p, value);
    }
}
void setInt(render::IShader* effect, render::IShaderParameter* p, int value)
{
    if (p) {
        effect->setInt(p, value);
    }
}
void setVector(render::IShader* effect, render::IShaderParameter* p, const D3DXVECTOR4& value)
{
    if (p) {
        effect->setVector4(p, &value);
    }
}
void setMatrix(render::IShader* effect, render::IShaderParameter* p, const D3DXMATRIX& value)
{
    if (p) {
        effect->setMatrix(p, &value);
    }
}
void setInverse(render::IShader* effect, render::IShaderParameter* p, const D3DXMATRIX& value)
{
    if (p) {
        D3DXMATRIX inverse;
        if (D3DXMatrixInverse(&inverse, nullptr, &value) == nullptr) {
            D3DXMatrixIdentity(&inverse);
        }
        effect->setMatrix(p, &inverse);
    }
}

void setHandle(ID3DXEffect* fx, D3DXHANDLE h, const float* values, unsigned count)
{
    if (h) {
        fx->SetFloatArray(h, values, count);
    }
}

float shadowDepthScale(const SceneSettings& settings)
{
    const float range = settings.shadowZMax - settings.shadowZMin;
    return std::fabs(range) > 1e-6f ? 1.0f / range : 1.0f;
}

}  // namespace

float shadowFarValue(const SceneSettings& settings)
{
    const float value = std::exp(settings.shadowExponent * settings.shadowZMax * shadowDepthScale(settings));
    // Finite, and small enough that a blur's weighted sums of it stay finite.
    return std::isfinite(value) ? std::min(value, 1e30f) : 1e30f;
}

void shadowMatrices(const SceneSettings& settings, D3DXMATRIX& view, D3DXMATRIX& projection)
{
    const D3DXVECTOR3& eye = settings.shadowLightPosition;
    D3DXVECTOR3 at = settings.shadowTargetPosition;
    D3DXVECTOR3 direction = at - eye;
    const float length = D3DXVec3Length(&direction);
    if (!(length > 1e-6f)) {
        // Light and target in one place: look straight down.
        direction = D3DXVECTOR3(0, -1, 0);
        at = eye + direction;
    } else {
        direction /= length;
    }
    // Looking along the up vector makes no view: take the z axis as up instead.
    const D3DXVECTOR3 up = std::fabs(direction.y) > 0.999f ? D3DXVECTOR3(0, 0, 1) : D3DXVECTOR3(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const float scale = 1.0f / (settings.shadowDistance + 0.001f);
    const float depth = shadowDepthScale(settings);
    D3DXMatrixScaling(&projection, std::isfinite(scale) ? scale : 1.0f, std::isfinite(scale) ? scale : 1.0f, depth);
}

void applyMaterialStates(const RenderPass& pass, bool twoSided, int blendMode)
{
    render::StateManager* states = render::g_stateManager;
    const int technique = pass.technique;
    const bool solidBlend = technique == RenderTechnique_Shadow || technique == RenderTechnique_ZPass;
    render::applyBlendMode(solidBlend ? render::BlendMode_Solid : render::BlendMode(blendMode));
    if (states == nullptr) {
        return;
    }
    DWORD cull = D3DCULL_CCW;
    if (technique != RenderTechnique_Shadow) {
        cull = twoSided ? D3DCULL_NONE : (pass.reflectedView ? D3DCULL_CW : D3DCULL_CCW);
    }
    states->SetRenderState(D3DRS_CULLMODE, cull);
    states->SetRenderState(D3DRS_ZENABLE, TRUE);
    states->SetRenderState(D3DRS_ZWRITEENABLE, technique == RenderTechnique_Blended ? FALSE : TRUE);
    states->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    states->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    const DWORD allColours = 0xF;
    if (!pass.reflectionPass || technique == RenderTechnique_Reflective) {
        states->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        states->SetRenderState(D3DRS_COLORWRITEENABLE, allColours);
        return;
    }
    const bool mask = technique == RenderTechnique_ReflectiveMask;
    const DWORD op = mask ? D3DSTENCILOP_REPLACE : D3DSTENCILOP_KEEP;
    states->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    states->SetRenderState(D3DRS_STENCILREF, 1);
    states->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    states->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
    states->SetRenderState(D3DRS_STENCILFUNC, mask ? D3DCMP_ALWAYS : D3DCMP_EQUAL);
    states->SetRenderState(D3DRS_STENCILFAIL, op);
    states->SetRenderState(D3DRS_STENCILZFAIL, op);
    states->SetRenderState(D3DRS_STENCILPASS, op);
    states->SetRenderState(D3DRS_COLORWRITEENABLE, mask ? 0 : allColours);
    if (mask) {
        states->SetRenderState(D3DRS_ZENABLE, FALSE);
    }
}

void restoreMaterialStates()
{
    if (render::StateManager* states = render::g_stateManager) {
        states->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        states->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    }
}

void bindShadow(render::IShader* effect, const EffectBinding& b, const RenderPass& pass, const D3DXMATRIX& view,
    const D3DXMATRIX& projection, render::ITexture*& held)
{
    const SceneSettings& s = pass.settings;
    setFloat(effect, b.get(Bind_ShadowEnabled), s.shadowEnabled ? 1.0f : 0.0f);
    if (!s.shadowEnabled) {
        return;
    }
    setFloat(effect, b.get(Bind_ShadowKExp), s.shadowExponent);
    if (pass.technique != RenderTechnique_Shadow && s.shadowTarget && b.get(Bind_ShadowTexture)) {
        if (render::ITexture* texture = s.shadowTarget->getTexture()) {
            replace(held, texture);
            effect->setTexture(b.get(Bind_ShadowTexture), texture);
        }
    }
    setFloat(effect, b.get(Bind_ShadowSmoothStepMin), s.shadowSmoothStepMin);
    setFloat(effect, b.get(Bind_ShadowSmoothStepMax), s.shadowSmoothStepMax);
    setVector(effect, b.get(Bind_ShadowColour), s.shadowColour);
    setMatrix(effect, b.get(Bind_ShadowMatrix), view * projection);
}

void bindFog(render::IShader* effect, const EffectBinding& b, const SceneSettings& s)
{
    setFloat(effect, b.get(Bind_FogEnabled), s.fogEnabled ? 1.0f : 0.0f);
    setFloat(effect, b.get(Bind_FogStart), s.fogStart);
    // Equal ends would divide by zero in the effect: the fog then steps from none to full there.
    const float end = s.fogEnd == s.fogStart ? s.fogStart + 1e-4f * std::max(1.0f, std::fabs(s.fogStart)) : s.fogEnd;
    setFloat(effect, b.get(Bind_FogEnd), end);
    setVector(effect, b.get(Bind_FogColour), s.fogColour);
}

void bindLights(render::IShader* effect, const EffectBinding& b, const std::vector<LightRecord>& lights)
{
    ID3DXEffect* fx = effect->getEffect();
    unsigned points = 0;
    unsigned directionals = 0;
    unsigned spots = 0;
    for (const LightRecord& light : lights) {
        const float* colour = &light.colour.x;
        if (light.type == LightType_Point && points < b.pointLights().count) {
            const LightHandles& h = b.pointLights().elements[points++];
            setHandle(fx, h.colour, colour, 4);
            setHandle(fx, h.position, &light.position.x, 3);
            setHandle(fx, h.radius, &light.radius, 1);
        } else if (light.type == LightType_Directional && directionals < b.directionalLights().count) {
            const LightHandles& h = b.directionalLights().elements[directionals++];
            setHandle(fx, h.colour, colour, 4);
            setHandle(fx, h.direction, &light.direction.x, 3);
        } else if (light.type == LightType_Spot && spots < b.spotLights().count) {
            const LightHandles& h = b.spotLights().elements[spots++];
            const float cones[2] = {std::cos(light.innerCone / 2), std::cos(light.outerCone / 2)};
            setHandle(fx, h.colour, colour, 4);
            setHandle(fx, h.position, &light.position.x, 3);
            setHandle(fx, h.direction, &light.direction.x, 3);
            setHandle(fx, h.radius, &light.radius, 1);
            setHandle(fx, h.cone, cones, 2);
        }
    }
    setInt(effect, b.get(Bind_PointLightCount), int(points));
    setInt(effect, b.get(Bind_DirectionalLightCount), int(directionals));
    setInt(effect, b.get(Bind_SpotLightCount), int(spots));
}

void bindTransforms(render::IShader* effect, const EffectBinding& b, const RenderPass& pass, const D3DXMATRIX& view,
    const D3DXMATRIX& projection, float time)
{
    const D3DXMATRIX& world = pass.world;
    // Products only for what the effect reads: this runs for every draw.
    const bool wantsWorldViewProjection = b.get(Bind_WorldViewProjection) || b.get(Bind_InvWorldViewProjection);
    const bool wantsWorldView = wantsWorldViewProjection || b.get(Bind_WorldView) || b.get(Bind_InvWorldView);
    const D3DXMATRIX worldView = wantsWorldView ? world * view : world;
    const D3DXMATRIX worldViewProjection = wantsWorldViewProjection ? worldView * projection : worldView;
    setFloat(effect, b.get(Bind_Time), time);
    setMatrix(effect, b.get(Bind_World), world);
    setMatrix(effect, b.get(Bind_View), view);
    setMatrix(effect, b.get(Bind_Projection), projection);
    setMatrix(effect, b.get(Bind_WorldView), worldView);
    setMatrix(effect, b.get(Bind_WorldViewProjection), worldViewProjection);
    if (render::IShaderParameter* p = b.get(Bind_ViewProjection)) {
        setMatrix(effect, p, view * projection);
    }
    setInverse(effect, b.get(Bind_InvWorld), world);
    setInverse(effect, b.get(Bind_InvView), view);
    setInverse(effect, b.get(Bind_InvProjection), projection);
    setInverse(effect, b.get(Bind_InvWorldView), worldView);
    setInverse(effect, b.get(Bind_InvWorldViewProjection), worldViewProjection);
    if (render::IShaderParameter* p = b.get(Bind_CameraPosition)) {
        effect->setFloatArray(p, &pass.eye.x, 3);
    }
}

void bindBones(render::IShader* effect, const EffectBinding& b, const std::vector<D3DXMATRIX>& bones)
{
    unsigned count = 0;
    if (!bones.empty() && b.get(Bind_BoneMatrices)) {
        count = std::min(unsigned(bones.size()), b.boneCapacity());
        effect->setMatrixArray(b.get(Bind_BoneMatrices), bones.data(), count);
    }
    setInt(effect, b.get(Bind_BoneCount), int(count));
}

void bindUserParameters(render::IShader* effect, EffectBinding& b, const std::vector<IShaderParameter*>& list)
{
    for (IShaderParameter* parameter : list) {
        render::IShaderParameter* target = parameter ? b.userParameter(parameter) : nullptr;
        if (target == nullptr) {
            continue;
        }
        const D3DXPARAMETER_DESC& desc = target->getDesc();
        const ShaderParameterType type = parameter->getType();
        const ShaderParameterValue& value = parameter->getValue();
        if (desc.Type == D3DXPT_INT && type == ShaderParameterType_Int) {
            effect->setInt(target, value.intValue);
        } else if (desc.Type == D3DXPT_FLOAT && desc.Rows <= 1) {
            if (desc.Columns == 1 && type == ShaderParameterType_Float) {
                effect->setFloat(target, value.floatValue);
            } else if (desc.Columns == 2 && type == ShaderParameterType_Vec2) {
                effect->setVector2(target, &value.vec2);
            } else if (desc.Columns == 3 && type == ShaderParameterType_Vec3) {
                effect->setVector3(target, &value.vec3);
            } else if (desc.Columns == 4 && type == ShaderParameterType_Vec4) {
                effect->setVector4(target, &value.vec4);
            } else if (desc.Columns == 4 && type == ShaderParameterType_Color) {
                effect->setVector4(target, &value.color);
            }
        } else if (desc.Type >= D3DXPT_TEXTURE && desc.Type <= D3DXPT_TEXTURECUBE &&
                   type == ShaderParameterType_Texture && value.texture) {
            effect->setTexture(target, value.texture.get());
        }
    }
}

void unbindShadow(render::IShader* effect, const EffectBinding* b, render::ITexture*& held)
{
    if (held == nullptr) {
        return;
    }
    if (effect && b && b->get(Bind_ShadowTexture)) {
        effect->setTexture(b->get(Bind_ShadowTexture), nullptr);
    }
    IDirect3DBaseTexture9* map = held->getD3DTexture();
    render::StateManager* states = render::g_stateManager;
    IDirect3DDevice9* d3d = states ? states->getDevice() : nullptr;
    for (DWORD stage = 0; d3d && map && stage < render::StateManager::CachedStages; ++stage) {
        IDirect3DBaseTexture9* bound = nullptr;
        if (SUCCEEDED(d3d->GetTexture(stage, &bound)) && bound) {
            if (bound == map) {
                states->SetTexture(stage, nullptr);
            }
            bound->Release();
        }
    }
    if (states) {
        states->SetTexture(0, nullptr);
    }
    replace<render::ITexture>(held, nullptr);
}

}  // namespace tormakelin::kavro
