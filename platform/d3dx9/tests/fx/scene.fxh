#ifndef SCENESHADER_FX
#define SCENESHADER_FX
// Shared declarations of generated material effects.
float4x4 world : WORLD;
float4x4 view : VIEW;
float4x4 projection : PROJECTION;
float4x4 worldViewProjection : WORLDVIEWPROJECTION;
float4x4 viewProjection : VIEWPROJECTION;
float3 cameraPosition : CAMERAPOSITION;
static const float4x4 identityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
#define localToWorldMatrix world

float fogEnabled, fogStart, fogEnd;
float4 fogColor;
float fogFactor(float distance) { return fogEnabled * saturate((fogStart - distance) / (fogStart - fogEnd)); }

float shadowEnabled;
float4 shadowColor;
float shadowSmoothStepMin, shadowSmoothStepMax, shadowKExp;
float4x4 shadowMatrix;
texture shadowTexture;
sampler shadowSampler = sampler_state {
    Texture = <shadowTexture>; AddressU = Border; AddressV = Border; BorderColor = 0;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};
float shadowTerm(float4 position)
{
    float4 p = mul(position, shadowMatrix);
    float2 uv = p.xy / p.w * float2(0.5, -0.5) + 0.5;
    float s = saturate(exp(-shadowKExp * p.z) * tex2D(shadowSampler, uv).r);
    return smoothstep(shadowSmoothStepMin, shadowSmoothStepMax, s);
}

struct PointLight { float4 color; float3 position; float radius; };
struct DirectionalLight { float4 color; float3 direction; };
struct SpotLight { float4 color; float3 position; float3 direction; float radius; float2 coneAngle; };

#ifdef GPU_SKINNING
int boneCount;
float4x3 boneMatrices[GPU_SKINNING_MAXBONECOUNT];
float4x4 skinMatrix(float4 weights, float4 indices)
{
    if (boneCount == 0)
        return identityMatrix;
    float4x4 m = 0;
    int4 idx = D3DCOLORtoUBYTE4(indices);
    for (int k = 0; k < 4; k++)
    {
        float4x3 b = boneMatrices[idx[k]];
        m += float4x4(float4(b[0], 0), float4(b[1], 0), float4(b[2], 0), float4(b[3], 1)) * weights[k];
    }
    return m;
}
#endif

float3 directionalLighting(float3 n, float3 v, DirectionalLight l, float3 diffuse, float3 specular, float gloss, float level)
{
    float3 L = -l.direction;
    float nl = saturate(dot(n, L));
    float3 h = normalize(L + v);
    float sp = nl > 0 ? pow(saturate(dot(n, h)), gloss) : 0;
    return diffuse * l.color.rgb * nl + specular * sp * level;
}
#endif
