#include "EffectText.h"

namespace tormakelin::kavro {

namespace {

const char* const kInclude = R"FX(#ifndef TORMAKELINSHADER_FX
#define TORMAKELINSHADER_FX
// Shared declarations and lighting of the generated material effects.

float4x4 world : WORLD;
float4x4 view : VIEW;
float4x4 projection : PROJECTION;
float4x4 worldViewProjection : WORLDVIEWPROJECTION;
float4x4 viewProjection : VIEWPROJECTION;
float3 cameraPosition : CAMERAPOSITION;
static const float4x4 identityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
#define localToWorldMatrix world

float fogEnabled = 0;
float fogStart = 0;
float fogEnd = 1;
float4 fogColor = {0, 0, 0, 1};

float fogFactor(float distance)
{
    return fogEnabled * saturate((fogStart - distance) / (fogStart - fogEnd));
}

float shadowEnabled = 0;
float4 shadowColor = {0, 0, 0, 1};
float shadowSmoothStepMin = 0;
float shadowSmoothStepMax = 1;
float shadowKExp = 1;
float4x4 shadowMatrix;
texture shadowTexture;
sampler shadowTextureSampler = sampler_state
{
    Texture = <shadowTexture>;
    AddressU = Border;
    AddressV = Border;
    BorderColor = 0;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
};

// 1 lit, 0 in shadow; the shadow pass stores exp(shadowKExp * depth).
float shadowTerm(float4 worldPosition)
{
    float4 p = mul(worldPosition, shadowMatrix);
    float2 uv = p.xy / p.w * float2(0.5, -0.5) + 0.5;
    // Beyond the map's edges the light's view held nothing that could occlude.
    if (any(uv != saturate(uv)))
        return 1;
    float s = saturate(exp(-shadowKExp * p.z) * tex2D(shadowTextureSampler, uv).r);
    return smoothstep(shadowSmoothStepMin, shadowSmoothStepMax, s);
}

struct PointLight
{
    float4 color;
    float3 position;
    float radius;
};

struct DirectionalLight
{
    float4 color;
    float3 direction;
};

struct SpotLight
{
    float4 color;
    float3 position;
    float3 direction;
    float radius;
    float2 coneAngle;
};

#ifdef GPU_SKINNING
int boneCount = 0;
float4x3 boneMatrices[GPU_SKINNING_MAXBONECOUNT];

float4x4 boneMatrix(int index)
{
    float4x3 b = boneMatrices[index];
    return float4x4(float4(b[0], 0), float4(b[1], 0), float4(b[2], 0), float4(b[3], 1));
}

float4x4 skinMatrix(float4 weights, float4 indices)
{
    if (boneCount == 0)
        return identityMatrix;
    // The indices are bone numbers as floats; one past the bones given falls on the last.
    int4 i = clamp((int4)(indices + 0.5), 0, min(boneCount, GPU_SKINNING_MAXBONECOUNT) - 1);
    return boneMatrix(i.x) * weights.x + boneMatrix(i.y) * weights.y + boneMatrix(i.z) * weights.z +
           boneMatrix(i.w) * weights.w;
}
#endif

float3 lightTerm(float3 n, float3 v, float3 l, float3 lightColor, float3 diffuse, float3 specular,
                 float glossiness, float specularLevel)
{
    float nl = saturate(dot(n, l));
    float3 h = normalize(l + v);
    float power = nl > 0 ? pow(saturate(dot(n, h)), glossiness) : 0;
    return diffuse * lightColor * nl + specular * power * specularLevel;
}

float3 directionalLighting(float3 n, float3 v, DirectionalLight light, float3 diffuse, float3 specular,
                           float glossiness, float specularLevel)
{
    return lightTerm(n, v, -normalize(light.direction), light.color.rgb, diffuse, specular, glossiness,
                     specularLevel);
}

float3 pointLighting(float3 n, float3 v, float3 position, PointLight light, float3 diffuse, float3 specular,
                     float glossiness, float specularLevel)
{
    float3 d = (light.position - position) / light.radius;
    float attenuation = saturate(1 - dot(d, d));
    float3 l = normalize(light.position - position);
    return lightTerm(n, v, l, light.color.rgb, diffuse, specular, glossiness, specularLevel) * attenuation;
}

float3 spotLighting(float3 n, float3 v, float3 position, SpotLight light, float3 diffuse, float3 specular,
                    float glossiness, float specularLevel)
{
    float3 d = (light.position - position) / light.radius;
    float attenuation = saturate(1 - dot(d, d));
    float3 l = normalize(light.position - position);
    float cone = smoothstep(light.coneAngle.y, light.coneAngle.x, dot(-l, normalize(light.direction)));
    return lightTerm(n, v, l, light.color.rgb, diffuse, specular, glossiness, specularLevel) * attenuation * cone;
}

struct AUX_INPUT
{
    float4 position : POSITION;
#ifdef GPU_SKINNING
    float4 blendWeights : BLENDWEIGHT;
    float4 blendIndices : BLENDINDICES;
#endif
};

struct AUX_OUTPUT
{
    float4 position : POSITION;
    float depth : TEXCOORD0;
};

float4 auxPosition(AUX_INPUT input)
{
#ifdef GPU_SKINNING
    return mul(input.position, skinMatrix(input.blendWeights, input.blendIndices));
#else
    return input.position;
#endif
}

AUX_OUTPUT vsShadow(AUX_INPUT input)
{
    AUX_OUTPUT output;
    output.position = mul(auxPosition(input), worldViewProjection);
    output.depth = output.position.z;
    return output;
}

float4 psShadow(AUX_OUTPUT input) : COLOR
{
    return exp(input.depth * shadowKExp);
}

AUX_OUTPUT vsReflectiveMask(AUX_INPUT input)
{
    AUX_OUTPUT output;
    output.position = mul(auxPosition(input), worldViewProjection);
    output.depth = output.position.z;
    return output;
}

float4 psReflectiveMask(AUX_OUTPUT input) : COLOR
{
    return float4(1, 1, 1, 1);
}

AUX_OUTPUT vsZPass(AUX_INPUT input)
{
    AUX_OUTPUT output;
    float4 p = auxPosition(input);
    output.position = mul(p, worldViewProjection);
    output.depth = mul(mul(p, world), view).z;
    return output;
}

float4 psZPass(AUX_OUTPUT input) : COLOR
{
    return float4(input.depth, 0, 0, 1);
}

#endif)FX";

const char* const kBodyHead = R"FX(
#if defined(LIGHT_POINTLIGHT) || defined(LIGHT_DIRECTIONALLIGHT) || defined(LIGHT_SPOTLIGHT)
#define LIGHT_ENABLED
#endif

#if defined(TEXTURESAMPLER_BUMP) && !defined(TEXTURESAMPLER_REFLECTIVE)
#define BUMP_NORMALMAP
#endif

float ambientLightPower = 0;
float4 ambientMaterialColor = {0, 0, 0, 1};
float4 diffuseMaterialColor = {1, 1, 1, 1};
float4 specularMaterialColor = {1, 1, 1, 1};
float4 emissiveMaterialColor = {0, 0, 0, 1};
float materialGlossiness = 128;
float materialSpecularLevel = 1;
float materialOpacity = 1;
#if defined(TEXTURESAMPLER_REFLECTIVE) && defined(TEXTURESAMPLER_BUMP)
float4 materialEmbm = {0.5, 0.5, 0.5, 0.5};
#endif

#define MATERIAL_SAMPLER_STATES(map)                                                                    \
    Texture = <map>;                                                                                 \
    AddressU = TEXTURESAMPLER_ADDRESS;                                                               \
    AddressV = TEXTURESAMPLER_ADDRESS;                                                               \
    AddressW = TEXTURESAMPLER_ADDRESS;                                                               \
    MinFilter = TEXTURESAMPLER_MINFILTER;                                                            \
    MagFilter = TEXTURESAMPLER_MAGFILTER;                                                            \
    MipFilter = TEXTURESAMPLER_MIPFILTER;

#ifdef TEXTURESAMPLER_AMBIENT
texture ambientTexture;
float ambientTextureAmount = 1;
sampler ambientTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(ambientTexture) };
#endif

#ifdef TEXTURESAMPLER_DIFFUSE
texture diffuseTexture;
float diffuseTextureAmount = 1;
sampler diffuseTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(diffuseTexture) };
#endif

#ifdef TEXTURESAMPLER_SPECULAR
texture specularTexture;
float specularTextureAmount = 1;
sampler specularTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(specularTexture) };
#endif

#ifdef TEXTURESAMPLER_EMISSIVE
texture emissiveTexture;
float emissiveTextureAmount = 1;
sampler emissiveTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(emissiveTexture) };
#endif

#ifdef TEXTURESAMPLER_GLOSSINESS
texture glossinessTexture;
float glossinessTextureAmount = 1;
sampler glossinessTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(glossinessTexture) };
#endif

#ifdef TEXTURESAMPLER_OPACITY
texture opacityTexture;
float opacityTextureAmount = 1;
sampler opacityTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(opacityTexture) };
#endif

#ifdef TEXTURESAMPLER_SPECULARLEVEL
texture specularLevelTexture;
float specularLevelTextureAmount = 1;
sampler specularLevelTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(specularLevelTexture) };
#endif

#ifdef TEXTURESAMPLER_REFLECTIVE
texture reflectiveTexture;
float reflectiveTextureAmount = 1;
sampler reflectiveTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(reflectiveTexture) };
#endif

#ifdef TEXTURESAMPLER_BUMP
texture bumpTexture;
float bumpTextureAmount = 1;
sampler bumpTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(bumpTexture) };
#endif

#ifdef TEXTURESAMPLER_REFRACTION
texture refractionTexture;
float refractionTextureAmount = 1;
sampler refractionTextureSampler = sampler_state { MATERIAL_SAMPLER_STATES(refractionTexture) };
#endif

#ifdef LIGHT_POINTLIGHT
PointLight pointLight[LIGHT_MAX_POINTLIGHTS];
int pointLightCount = LIGHT_MAX_POINTLIGHTS;
#endif

#ifdef LIGHT_DIRECTIONALLIGHT
DirectionalLight directionalLight[LIGHT_MAX_DIRECTIONALLIGHTS];
int directionalLightCount = LIGHT_MAX_DIRECTIONALLIGHTS;
#endif

#ifdef LIGHT_SPOTLIGHT
SpotLight spotLight[LIGHT_MAX_SPOTLIGHTS];
int spotLightCount = LIGHT_MAX_SPOTLIGHTS;
#endif

struct VS_INPUT
{
    float4 position : POSITION;
    float3 normal : NORMAL;
#ifdef BUMP_NORMALMAP
    float3 tangent : TANGENT;
    float3 binormal : BINORMAL;
#endif
#ifdef GPU_SKINNING
    float4 blendWeights : BLENDWEIGHT;
    float4 blendIndices : BLENDINDICES;
#endif
)FX";

// The texture coordinates of the vertex input and of the vertex output alike.
const char* const kTexCoordFields = R"FX(#ifdef TEXCOORD0_ENABLED
    float2 texCoord0 : TEXCOORD0;
#endif
#ifdef TEXCOORD1_ENABLED
    float2 texCoord1 : TEXCOORD1;
#endif
#ifdef TEXCOORD2_ENABLED
    float2 texCoord2 : TEXCOORD2;
#endif
#ifdef TEXCOORD3_ENABLED
    float2 texCoord3 : TEXCOORD3;
#endif
#ifdef TEXCOORD4_ENABLED
    float2 texCoord4 : TEXCOORD4;
#endif
#ifdef TEXCOORD5_ENABLED
    float2 texCoord5 : TEXCOORD5;
#endif
#ifdef TEXCOORD6_ENABLED
    float2 texCoord6 : TEXCOORD6;
#endif
#ifdef TEXCOORD7_ENABLED
    float2 texCoord7 : TEXCOORD7;
#endif
)FX";

const char* const kBodyMiddle = R"FX(};

struct VS_OUTPUT
{
    float4 position : POSITION;
)FX";

const char* const kBodyTail = R"FX(    float3 worldNormal : TEXCOORD_WORLDNORMAL;
    float3 worldPosition : TEXCOORD_WORLDPOSITION;
    float4 shadowPosition : TEXCOORD_SHADOW;
#ifdef BUMP_NORMALMAP
    float3 worldTangent : TEXCOORD_TANGENT;
    float3 worldBinormal : TEXCOORD_BINORMAL;
#endif
};

VS_OUTPUT vsSolid(VS_INPUT input)
{
    VS_OUTPUT output;
    float4 p = input.position;
    float3 n = input.normal;
#ifdef GPU_SKINNING
    float4x4 skin = skinMatrix(input.blendWeights, input.blendIndices);
    p = mul(p, skin);
    n = mul(n, (float3x3)skin);
#endif
    output.position = mul(p, worldViewProjection);
    float4 worldPosition = mul(p, localToWorldMatrix);
    output.worldPosition = worldPosition.xyz;
    output.worldNormal = mul(n, (float3x3)world);
    output.shadowPosition = worldPosition;
#ifdef BUMP_NORMALMAP
    output.worldTangent = mul(input.tangent, (float3x3)world);
    output.worldBinormal = mul(input.binormal, (float3x3)world);
#endif
#ifdef TEXCOORD0_ENABLED
    output.texCoord0 = input.texCoord0;
#endif
#ifdef TEXCOORD1_ENABLED
    output.texCoord1 = input.texCoord1;
#endif
#ifdef TEXCOORD2_ENABLED
    output.texCoord2 = input.texCoord2;
#endif
#ifdef TEXCOORD3_ENABLED
    output.texCoord3 = input.texCoord3;
#endif
#ifdef TEXCOORD4_ENABLED
    output.texCoord4 = input.texCoord4;
#endif
#ifdef TEXCOORD5_ENABLED
    output.texCoord5 = input.texCoord5;
#endif
#ifdef TEXCOORD6_ENABLED
    output.texCoord6 = input.texCoord6;
#endif
#ifdef TEXCOORD7_ENABLED
    output.texCoord7 = input.texCoord7;
#endif
    return output;
}

// A sphere-map coordinate of a world direction.
float2 sphereCoord(float3 direction)
{
    float3 d = normalize(direction);
    return d.xy * float2(0.5, -0.5) + 0.5;
}

float4 psSolid(VS_OUTPUT input) : COLOR
{
    float3 n = normalize(input.worldNormal);
    float3 v = normalize(cameraPosition - input.worldPosition);
#ifdef BUMP_NORMALMAP
    float3 bump = tex2D(bumpTextureSampler, TEXTURESAMPLER_BUMP_TEXCOORD).xyz * 2 - 1;
    float3 bumped = normalize(bump.x * input.worldTangent + bump.y * input.worldBinormal + bump.z * n);
    n = normalize(lerp(n, bumped, bumpTextureAmount));
#endif
    float3 ambient = ambientMaterialColor.rgb;
    float3 diffuse = diffuseMaterialColor.rgb;
    float3 specular = specularMaterialColor.rgb;
    float3 emissive = emissiveMaterialColor.rgb;
    float glossiness = materialGlossiness;
    float specularLevel = materialSpecularLevel;
    float opacity = materialOpacity;
#ifdef TEXTURESAMPLER_AMBIENT
    ambient = lerp(ambient, tex2D(ambientTextureSampler, TEXTURESAMPLER_AMBIENT_TEXCOORD).rgb, ambientTextureAmount);
#endif
#ifdef TEXTURESAMPLER_DIFFUSE
    float4 diffuseSample = tex2D(diffuseTextureSampler, TEXTURESAMPLER_DIFFUSE_TEXCOORD);
    diffuse = lerp(diffuse, diffuseSample.rgb, diffuseTextureAmount);
#ifndef TEXTURESAMPLER_AMBIENT
    ambient = lerp(ambient, ambient * diffuseSample.rgb, diffuseTextureAmount);
#endif
#endif
#ifdef TEXTURESAMPLER_SPECULAR
    specular = lerp(specular, tex2D(specularTextureSampler, TEXTURESAMPLER_SPECULAR_TEXCOORD).rgb, specularTextureAmount);
#endif
#ifdef TEXTURESAMPLER_EMISSIVE
    emissive = lerp(emissive, tex2D(emissiveTextureSampler, TEXTURESAMPLER_EMISSIVE_TEXCOORD).rgb, emissiveTextureAmount);
#endif
#ifdef TEXTURESAMPLER_GLOSSINESS
    glossiness *= lerp(1, tex2D(glossinessTextureSampler, TEXTURESAMPLER_GLOSSINESS_TEXCOORD).r, glossinessTextureAmount);
#endif
#ifdef TEXTURESAMPLER_SPECULARLEVEL
    specularLevel *= lerp(1, tex2D(specularLevelTextureSampler, TEXTURESAMPLER_SPECULARLEVEL_TEXCOORD).r,
                          specularLevelTextureAmount);
#endif
#ifdef TEXTURESAMPLER_OPACITY
    opacity *= lerp(1, tex2D(opacityTextureSampler, TEXTURESAMPLER_OPACITY_TEXCOORD).r, opacityTextureAmount);
#endif

    float3 color = ambient * ambientLightPower + emissive;
#ifdef LIGHT_DIRECTIONALLIGHT
    for (int d = 0; d < directionalLightCount; d++)
        color += directionalLighting(n, v, directionalLight[d], diffuse, specular, glossiness, specularLevel);
#endif
#ifdef LIGHT_POINTLIGHT
    for (int p = 0; p < pointLightCount; p++)
        color += pointLighting(n, v, input.worldPosition, pointLight[p], diffuse, specular, glossiness, specularLevel);
#endif
#ifdef LIGHT_SPOTLIGHT
    for (int s = 0; s < spotLightCount; s++)
        color += spotLighting(n, v, input.worldPosition, spotLight[s], diffuse, specular, glossiness, specularLevel);
#endif
#ifndef LIGHT_ENABLED
    color += diffuse;
#endif

#ifdef TEXTURESAMPLER_REFLECTIVE
    float2 reflectCoord = sphereCoord(reflect(-v, n));
#ifdef TEXTURESAMPLER_BUMP
    float2 bumpOffset = tex2D(bumpTextureSampler, TEXTURESAMPLER_BUMP_TEXCOORD).xy * 2 - 1;
    reflectCoord += float2(dot(bumpOffset, materialEmbm.xy), dot(bumpOffset, materialEmbm.zw)) * bumpTextureAmount;
#endif
    color += tex2D(reflectiveTextureSampler, reflectCoord).rgb * reflectiveTextureAmount;
#endif
#ifdef TEXTURESAMPLER_REFRACTION
    color = lerp(color, tex2D(refractionTextureSampler, TEXTURESAMPLER_REFRACTION_TEXCOORD).rgb, refractionTextureAmount);
#endif

#ifdef SHADOW_ENABLED
    color = lerp(color, color * shadowColor.rgb, shadowEnabled * (1 - shadowTerm(input.shadowPosition)));
#endif
#ifdef FOG_ENABLED
    color = lerp(color, fogColor.rgb, fogFactor(distance(cameraPosition, input.worldPosition)));
#endif
    return float4(color, opacity);
}

technique Solid
{
    pass Pass0
    {
        VertexShader = compile vs_3_0 vsSolid();
        PixelShader = compile ps_3_0 psSolid();
    }
}

#ifdef ZPASS_ENABLED
technique ZPass
{
    pass Pass0
    {
        VertexShader = compile vs_3_0 vsZPass();
        PixelShader = compile ps_3_0 psZPass();
    }
}
#endif

#ifdef SHADOW_ENABLED
technique Shadow
{
    pass Pass0
    {
        VertexShader = compile vs_3_0 vsShadow();
        PixelShader = compile ps_3_0 psShadow();
    }
}
#endif

technique ReflectiveMask
{
    pass Pass0
    {
        VertexShader = compile vs_3_0 vsReflectiveMask();
        PixelShader = compile ps_3_0 psReflectiveMask();
    }
}
)FX";

std::string withCrLf(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c) {
        if (*c == '\n') {
            out += '\r';
        }
        out += *c;
    }
    return out;
}

struct EffectText {
    std::string text;
    std::size_t includeLength;
};

const EffectText& effectText()
{
    static const EffectText instance = [] {
        std::string include = withCrLf(kInclude);
        std::size_t length = include.size();
        const std::string body =
            std::string(kBodyHead) + kTexCoordFields + kBodyMiddle + kTexCoordFields + kBodyTail;
        return EffectText{include + withCrLf(body.c_str()), length};
    }();
    return instance;
}

}  // namespace

const std::string& embeddedEffectText() { return effectText().text; }

std::size_t effectIncludeLength() { return effectText().includeLength; }

std::string materialEffectBody() { return effectText().text.substr(effectText().includeLength); }

}  // namespace tormakelin::kavro
