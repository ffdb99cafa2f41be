#include "PostProcessEffect.h"

namespace tormakelin::render {

const char* const kPostProcessEffect = R"FX(
float4x4 worldViewProjection;
// The half-pixel correction of the current viewport: (-1 / width, 1 / height). The device
// centres pixels on whole coordinates and texels between them; without this shift the quad's
// corners would sample half a texel off, and a copy would blend neighbours.
float2 invViewportSize;
texture textureMap;
float4 vertexColor;
float2 textureSize;
float blurWidth;
float verticalWeights[13];
float horizontalWeights[13];
float downsampleScale = 0.25;

float4 dofFocalConstants;
float dofMaxCoC;
float2 dofFilterTaps[12];
texture dofDepthTexture;
texture dofLoTexture;
texture dofHiTexture;

float2 kernelFilterOffsets[25];
float kernelFilterWeights[25];

static const float blurWeights[13] = {
    0.002216, 0.008764, 0.026995, 0.064759, 0.120985, 0.176033, 0.199471,
    0.176033, 0.120985, 0.064759, 0.026995, 0.008764, 0.002216
};

sampler textureSampler = sampler_state {
    Texture = <textureMap>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler dofDepthSampler = sampler_state {
    Texture = <dofDepthTexture>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler dofLoSampler = sampler_state {
    Texture = <dofLoTexture>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler dofHiSampler = sampler_state {
    Texture = <dofHiTexture>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};

struct QuadVertex {
    float3 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

struct QuadOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

QuadOutput quadVS(QuadVertex input)
{
    QuadOutput output;
    output.position = mul(float4(input.position, 1.0), worldViewProjection);
    output.position.xy += invViewportSize * output.position.w;
    output.texCoord = input.texCoord;
    return output;
}

float4 normalPS(float2 texCoord : TEXCOORD0) : COLOR
{
    return tex2D(textureSampler, texCoord);
}

float4 solidPS(float2 texCoord : TEXCOORD0) : COLOR
{
    return vertexColor;
}

float4 downsamplePS(float2 texCoord : TEXCOORD0) : COLOR
{
    float2 texel = downsampleScale / textureSize;
    float4 sum = tex2D(textureSampler, texCoord) * 0.25;
    sum += tex2D(textureSampler, texCoord + float2(2.0, 0.0) * texel) * 0.25;
    sum += tex2D(textureSampler, texCoord + float2(2.0, 2.0) * texel) * 0.25;
    sum += tex2D(textureSampler, texCoord + float2(0.0, 2.0) * texel) * 0.25;
    return sum;
}

float4 blurHorizontalPS(float2 texCoord : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 13; i++) {
        sum += tex2D(textureSampler, texCoord + float2(blurWidth * horizontalWeights[i], 0.0)) * blurWeights[i];
    }
    return sum;
}

float4 blurVerticalPS(float2 texCoord : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 13; i++) {
        sum += tex2D(textureSampler, texCoord + float2(0.0, blurWidth * verticalWeights[i])) * blurWeights[i];
    }
    return sum;
}

float4 compositionPS(float2 texCoord : TEXCOORD0) : COLOR
{
    return tex2D(textureSampler, texCoord);
}

float dofBlur(float depth)
{
    return saturate(abs(depth - dofFocalConstants.x) * dofFocalConstants.y);
}

float4 dofTap(float2 texCoord, float blur)
{
    return lerp(tex2D(dofHiSampler, texCoord), tex2D(dofLoSampler, texCoord), blur);
}

// The twelve taps alone. Where none of them weighs anything (a sharp pixel with nothing behind it)
// the pixel is its sharp self rather than 0 / 0.
float4 depthOfFieldPS(float2 texCoord : TEXCOORD0) : COLOR
{
    float centreDepth = tex2D(dofDepthSampler, texCoord).r;
    float centreBlur = dofBlur(centreDepth);
    float4 sum = 0;
    float total = 0.0;
    for (int i = 0; i < 12; i++) {
        float2 tapCoord = texCoord + dofFilterTaps[i] * (centreBlur * dofMaxCoC);
        float tapDepth = tex2D(dofDepthSampler, tapCoord).r;
        float tapBlur = dofBlur(tapDepth);
        float weight = tapDepth > centreDepth ? 1.0 : tapBlur;
        sum += dofTap(tapCoord, tapBlur) * weight;
        total += weight;
    }
    return total > 0.0 ? sum / total : tex2D(dofHiSampler, texCoord);
}

// Near and far gradients: (x, y) before the focal plane, (x + z, y + w) behind it.
float4 depthOfFieldFakePS(float2 texCoord : TEXCOORD0) : COLOR
{
    float depth = tex2D(dofDepthSampler, texCoord).r;
    float nearBlur = saturate((dofFocalConstants.x - depth) * dofFocalConstants.y);
    float farBlur = saturate((depth - dofFocalConstants.x - dofFocalConstants.z) *
        (dofFocalConstants.y + dofFocalConstants.w));
    return lerp(tex2D(dofHiSampler, texCoord), tex2D(dofLoSampler, texCoord), max(nearBlur, farBlur));
}

float4 kernelFilterPS(float2 texCoord : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 25; i++) {
        sum += tex2D(textureSampler, texCoord + kernelFilterOffsets[i]) * kernelFilterWeights[i];
    }
    return sum;
}

float4 clearFloatPS(float2 texCoord : TEXCOORD0) : COLOR
{
    return vertexColor;
}

technique NormalClamp {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 normalPS(); }
}
technique SolidQuad {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 solidPS(); }
}
technique BlurDownsample {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 downsamplePS(); }
}
technique BlurHorizontal {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 blurHorizontalPS(); }
}
technique BlurVertical {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 blurVerticalPS(); }
}
technique BlurComposition {
    pass P0 { VertexShader = compile vs_2_0 quadVS(); PixelShader = compile ps_2_0 compositionPS(); }
}
technique DepthOfField {
    pass P0 { VertexShader = compile vs_3_0 quadVS(); PixelShader = compile ps_3_0 depthOfFieldPS(); }
}
technique DepthOfFieldFake {
    pass P0 { VertexShader = compile vs_3_0 quadVS(); PixelShader = compile ps_3_0 depthOfFieldFakePS(); }
}
technique KernelFilter {
    pass P0 { VertexShader = compile vs_3_0 quadVS(); PixelShader = compile ps_3_0 kernelFilterPS(); }
}
technique ClearFloat {
    pass P0 { VertexShader = compile vs_3_0 quadVS(); PixelShader = compile ps_3_0 clearFloatPS(); }
}
)FX";

} // namespace tormakelin::render
