#define GPU_SKINNING 1
#define GPU_SKINNING_MAXBONECOUNT 40

#include "scene.fxh"

#define FOG_ENABLED
#define SHADOW_ENABLED
#define ZPASS_ENABLED

#define LIGHT_DIRECTIONALLIGHT
#define LIGHT_MAX_DIRECTIONALLIGHTS 2

#define TEXTURESAMPLER_ADDRESS Wrap
#define TEXTURESAMPLER_MINFILTER Linear
#define TEXTURESAMPLER_MAGFILTER Linear
#define TEXTURESAMPLER_MIPFILTER Linear

#define TEXCOORD0_ENABLED

#define TEXCOORD_WORLDNORMAL TEXCOORD1
#define TEXCOORD_WORLDPOSITION TEXCOORD2
#define TEXCOORD_SHADOW TEXCOORD3

#define TEXTURESAMPLER_DIFFUSE
#define TEXTURESAMPLER_DIFFUSE_TEXCOORD input.texCoord0

#if defined(LIGHT_POINTLIGHT) || defined(LIGHT_DIRECTIONALLIGHT) || defined(LIGHT_SPOTLIGHT)
#define LIGHT_ENABLED
#endif

float ambientLightPower = 0.2;
float4 ambientMaterialColor, diffuseMaterialColor = {1, 1, 1, 1}, specularMaterialColor, emissiveMaterialColor;
float materialGlossiness = 20, materialSpecularLevel = 1, materialOpacity = 1;

#ifdef TEXTURESAMPLER_DIFFUSE
texture diffuseTexture;
float diffuseTextureAmount = 1;
sampler diffuseTextureSampler = sampler_state {
    Texture = <diffuseTexture>;
    AddressU = TEXTURESAMPLER_ADDRESS; AddressV = TEXTURESAMPLER_ADDRESS;
    MinFilter = TEXTURESAMPLER_MINFILTER; MagFilter = TEXTURESAMPLER_MAGFILTER; MipFilter = TEXTURESAMPLER_MIPFILTER;
};
#endif

#ifdef LIGHT_DIRECTIONALLIGHT
DirectionalLight directionalLight[LIGHT_MAX_DIRECTIONALLIGHTS];
int directionalLightCount = LIGHT_MAX_DIRECTIONALLIGHTS;
#endif

struct VS_INPUT
{
    float4 position : POSITION;
    float3 normal : NORMAL;
#ifdef GPU_SKINNING
    float4 blendWeights : BLENDWEIGHT;
    float4 blendIndices : BLENDINDICES;
#endif
#ifdef TEXCOORD0_ENABLED
    float2 texCoord0 : TEXCOORD0;
#endif
};

struct VS_OUTPUT
{
    float4 position : POSITION;
#ifdef TEXCOORD0_ENABLED
    float2 texCoord0 : TEXCOORD0;
#endif
    float3 worldNormal : TEXCOORD_WORLDNORMAL;
    float3 worldPosition : TEXCOORD_WORLDPOSITION;
    float4 shadowPosition : TEXCOORD_SHADOW;
};

VS_OUTPUT vsSolid(VS_INPUT input)
{
    VS_OUTPUT o;
    float4 p = input.position;
    float3 n = input.normal;
#ifdef GPU_SKINNING
    float4x4 skin = skinMatrix(input.blendWeights, input.blendIndices);
    p = mul(p, skin);
    n = mul(n, (float3x3)skin);
#endif
    o.position = mul(p, worldViewProjection);
    o.worldPosition = mul(p, localToWorldMatrix).xyz;
    o.worldNormal = mul(n, (float3x3)world);
    o.shadowPosition = mul(p, world);
#ifdef TEXCOORD0_ENABLED
    o.texCoord0 = input.texCoord0;
#endif
    return o;
}

float4 psSolid(VS_OUTPUT input) : COLOR
{
    float3 n = normalize(input.worldNormal);
    float3 v = normalize(cameraPosition - input.worldPosition);
    float3 diffuse = diffuseMaterialColor.rgb;
#ifdef TEXTURESAMPLER_DIFFUSE
    diffuse = lerp(diffuse, tex2D(diffuseTextureSampler, TEXTURESAMPLER_DIFFUSE_TEXCOORD).rgb, diffuseTextureAmount);
#endif
    float3 c = ambientMaterialColor.rgb * ambientLightPower + emissiveMaterialColor.rgb;
#ifdef LIGHT_DIRECTIONALLIGHT
    for (int k = 0; k < directionalLightCount; k++)
        c += directionalLighting(n, v, directionalLight[k], diffuse, specularMaterialColor.rgb, materialGlossiness,
                              materialSpecularLevel);
#endif
#ifdef SHADOW_ENABLED
    c = lerp(c, c * shadowColor.rgb, shadowEnabled * (1 - shadowTerm(float4(input.shadowPosition.xyz, 1))));
#endif
#ifdef FOG_ENABLED
    c = lerp(c, fogColor.rgb, fogFactor(distance(cameraPosition, input.worldPosition)));
#endif
    return float4(c, materialOpacity);
}

struct DEPTH_OUTPUT { float4 position : POSITION; float depth : TEXCOORD0; };

DEPTH_OUTPUT vsDepth(VS_INPUT input, uniform bool viewSpace)
{
    DEPTH_OUTPUT o;
    o.position = mul(input.position, worldViewProjection);
    o.depth = viewSpace ? mul(mul(input.position, world), view).z : o.position.z;
    return o;
}

float4 psShadow(DEPTH_OUTPUT input) : COLOR { return exp(input.depth * shadowKExp); }
float4 psZ(DEPTH_OUTPUT input) : COLOR { return float4(input.depth, 0, 0, 1); }
float4 psWhite() : COLOR { return 1; }

technique Solid { pass Pass0 { VertexShader = compile vs_3_0 vsSolid(); PixelShader = compile ps_3_0 psSolid(); } }
#ifdef ZPASS_ENABLED
technique ZPass { pass Pass0 { VertexShader = compile vs_3_0 vsDepth(true); PixelShader = compile ps_3_0 psZ(); } }
#endif
#ifdef SHADOW_ENABLED
technique Shadow { pass Pass0 { VertexShader = compile vs_3_0 vsDepth(false); PixelShader = compile ps_3_0 psShadow(); } }
#endif
technique ReflectiveMask { pass Pass0 { VertexShader = compile vs_3_0 vsDepth(false); PixelShader = compile ps_3_0 psWhite(); } }
