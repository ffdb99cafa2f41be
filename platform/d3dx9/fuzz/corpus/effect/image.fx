// Image effects in one text: colour textures, blur chain, glow, composites, CMYK, gradients.
float time;
float4x4 worldViewProjection;
float2 invViewportSize;
float2 viewportSize;
float4 color = {1, 1, 1, 1};
float2 textureSize;
float2 downsampleScale = {0.25, 0.25};
float sceneIntensity = 1, glowIntensity = 1, highlightIntensity = 1, highlightThreshold = 0.5;
float blurWidth = 1;
float verticalWeights[13];
float horizontalWeights[13];
float blurCompositionAlpha = 1;
float contrast, saturation, brightness, hue;
float3 frequency, amplitude, difference;
float rgbDistortPower;
float compositeFade;
float4 colorKeyColor;
float colorKeyThreshold;
float2 waveOffset, waveFrequency, waveDiff, waveAmplitude;
float edgeDetectThreshold, edgeDetectPixelSteps, sobelEdgeBrightness;
float2 sobelEdgeSamples[9];
float2 centerPt, cOffset, mOffset, yOffset, kOffset, cRot, mRot, yRot, kRot;
float4 gradientLowerLeft, gradientLowerRight, gradientUpperLeft, gradientUpperRight;

texture colorTexture;
texture downsampleTexture;
texture verticalBlurTexture;
texture horizontalBlurTexture;
texture compositeTexture;
texture compositeAlphaTexture;

static const float3 luminance = float3(0.2125, 0.7154, 0.0721);
static const float gaussian[13] = {0.002216, 0.008764, 0.026995, 0.064759, 0.120985, 0.176033, 0.199471,
                                   0.176033, 0.120985, 0.064759, 0.026995, 0.008764, 0.002216};

#define LINEAR_SAMPLER(name, tex, address, mip) \
    sampler name = sampler_state { Texture = <tex>; AddressU = address; AddressV = address; \
                                   MinFilter = Linear; MagFilter = Linear; MipFilter = mip; }

LINEAR_SAMPLER(colorWrap, colorTexture, Wrap, Linear);
LINEAR_SAMPLER(colorClamp, colorTexture, Clamp, Linear);
LINEAR_SAMPLER(downsampleSampler, downsampleTexture, Clamp, None);
LINEAR_SAMPLER(verticalBlurSampler, verticalBlurTexture, Clamp, None);
LINEAR_SAMPLER(horizontalBlurSampler, horizontalBlurTexture, Clamp, None);
LINEAR_SAMPLER(compositeWrap, compositeTexture, Wrap, Linear);
LINEAR_SAMPLER(compositeAlphaWrap, compositeAlphaTexture, Wrap, Linear);

struct VS_INPUT { float3 position : POSITION; float2 texCoord : TEXCOORD0; };
struct VS_OUTPUT { float4 position : POSITION; float2 texCoord : TEXCOORD0; };

VS_OUTPUT vsCorrected(VS_INPUT i, uniform bool correct)
{
    VS_OUTPUT o;
    o.position = mul(float4(i.position.xyz, 1), worldViewProjection);
    if (correct)
        o.position.xy += invViewportSize * o.position.w;
    o.texCoord = i.texCoord;
    return o;
}

VS_OUTPUT vsFullscreen(VS_INPUT i)
{
    VS_OUTPUT o;
    o.position = mul(float4(i.position.xyz, 1), worldViewProjection);
    o.position.xy += invViewportSize * o.position.w;
    o.texCoord = float2(0.5 * o.position.x + 0.5, -0.5 * o.position.y + 0.5);
    return o;
}

float4 psColor(VS_OUTPUT i, uniform sampler2D s) : COLOR { return tex2D(s, i.texCoord) * color; }
float4 psSolid() : COLOR { return color; }

float4 psDownsample(VS_OUTPUT i, uniform bool highlight) : COLOR
{
    float2 e = downsampleScale / textureSize;
    float4 c = 0.25 * (tex2D(colorClamp, i.texCoord) + tex2D(colorClamp, i.texCoord + float2(2, 0) * e) +
                       tex2D(colorClamp, i.texCoord + float2(2, 2) * e) + tex2D(colorClamp, i.texCoord + float2(0, 2) * e));
    if (highlight)
        c.a = smoothstep(highlightThreshold, 1, dot(c.rgb, float3(0.3, 0.59, 0.11)));
    return c;
}

float4 psBlur(VS_OUTPUT i, uniform bool horizontal) : COLOR
{
    float2 uv = i.texCoord + 1 / (textureSize * 2);
    float4 sum = 0;
    for (int k = 0; k < 13; k++)
    {
        if (horizontal)
            sum += tex2D(downsampleSampler, uv + float2(blurWidth * horizontalWeights[k], 0)) * gaussian[k];
        else
            sum += tex2D(horizontalBlurSampler, uv + float2(0, blurWidth * verticalWeights[k])) * gaussian[k];
    }
    return sum;
}

float4 psGlow(VS_OUTPUT i) : COLOR
{
    float4 b = tex2D(verticalBlurSampler, i.texCoord);
    return float4(glowIntensity * b.rgb * highlightIntensity * b.a, b.a);
}

float4 psComposite(VS_OUTPUT i) : COLOR
{
    float4 a = tex2D(colorWrap, i.texCoord);
    float4 b = tex2D(compositeWrap, i.texCoord);
    float m = tex2D(compositeAlphaWrap, i.texCoord).r;
    return lerp(a, b, m * compositeFade) * color;
}

float4 psColorCorrect(VS_OUTPUT i) : COLOR
{
    float4 c = tex2D(colorClamp, i.texCoord);
    float l = dot(c.rgb, luminance);
    c.rgb = lerp(float3(l, l, l), c.rgb, saturation);
    c.rgb = (c.rgb - 0.5) * contrast + 0.5 + brightness;
    return c * color;
}

float4 psWave(VS_OUTPUT i) : COLOR
{
    float2 uv = i.texCoord + sin(i.texCoord.yx * waveFrequency + waveOffset + time * waveDiff) * waveAmplitude;
    return tex2D(colorWrap, uv) * color;
}

float4 psSobel(VS_OUTPUT i) : COLOR
{
    float s[9];
    for (int k = 0; k < 9; k++)
        s[k] = dot(tex2D(colorClamp, i.texCoord + sobelEdgeSamples[k] * edgeDetectPixelSteps).rgb, luminance);
    float gx = s[2] + 2 * s[5] + s[8] - s[0] - 2 * s[3] - s[6];
    float gy = s[6] + 2 * s[7] + s[8] - s[0] - 2 * s[1] - s[2];
    float e = sqrt(gx * gx + gy * gy) * sobelEdgeBrightness;
    return float4(e.xxx, e > edgeDetectThreshold ? 1 : 0) * color;
}

float4 psKey(VS_OUTPUT i) : COLOR
{
    float4 c = tex2D(colorClamp, i.texCoord);
    clip(distance(c.rgb, colorKeyColor.rgb) - colorKeyThreshold);
    return c * color;
}

float4 psToCmyk(VS_OUTPUT i) : COLOR
{
    float3 cmy = 1 - tex2D(colorClamp, i.texCoord).rgb;
    float k = min(1, min(cmy.x, min(cmy.y, cmy.z)));
    cmy = (cmy - k) / max(1 - k, 0.0001);
    return float4(cmy, k);
}

float2 turn(float2 p, float2 rot) { return float2(p.x * rot.x - p.y * rot.y, p.y * rot.x + p.x * rot.y); }

float4 psFromCmyk(VS_OUTPUT i) : COLOR
{
    float2 p = i.texCoord;
    float c = tex2D(colorClamp, turn(p + cOffset - centerPt, cRot) + centerPt).x;
    float m = tex2D(colorClamp, turn(p + mOffset - centerPt, mRot) + centerPt).y;
    float y = tex2D(colorClamp, turn(p + yOffset - centerPt, yRot) + centerPt).z;
    float k = tex2D(colorClamp, turn(p + kOffset - centerPt, kRot) + centerPt).w;
    return float4(1 - (float3(c, m, y) * (1 - k) + k), 1) * color;
}

float4 psGradient(VS_OUTPUT i) : COLOR
{
    float4 lower = lerp(gradientLowerLeft, gradientLowerRight, i.texCoord.x);
    float4 upper = lerp(gradientUpperLeft, gradientUpperRight, i.texCoord.x);
    return lerp(upper, lower, i.texCoord.y) * color;
}

float4 psRadial(VS_OUTPUT i) : COLOR
{
    float d = saturate(2 * distance(float2(0.5, 0.5), i.texCoord));
    return lerp(gradientLowerRight, gradientLowerLeft, d) * color;
}

technique ColorTextureWrap { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psColor(colorWrap); } }
technique ColorTextureClamp { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psColor(colorClamp); } }
technique FullscreenQuad { pass P0 { VertexShader = compile vs_1_1 vsFullscreen(); PixelShader = compile ps_2_0 psColor(colorClamp); } }
technique FullscreenSolid { pass P0 { VertexShader = compile vs_1_1 vsFullscreen(); PixelShader = compile ps_2_0 psSolid(); } }
technique Downsample { pass P0 { VertexShader = compile vs_1_1 vsCorrected(false); PixelShader = compile ps_2_0 psDownsample(true); } }
technique BlurDownsample { pass P0 { VertexShader = compile vs_1_1 vsCorrected(false); PixelShader = compile ps_2_0 psDownsample(false); } }
technique HBlur { pass P0 { VertexShader = compile vs_1_1 vsCorrected(false); PixelShader = compile ps_2_0 psBlur(true); } }
technique VBlur { pass P0 { VertexShader = compile vs_1_1 vsCorrected(false); PixelShader = compile ps_2_0 psBlur(false); } }
technique Glow { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psGlow(); } }
technique CompositeWrap { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psComposite(); } }
technique ColorCorrection { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psColorCorrect(); } }
technique Wave { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psWave(); } }
technique SobelEdge { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_a psSobel(); } }
technique ColorKey { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psKey(); } }
technique CMYKDistortClamp
{
    pass P0 { VertexShader = compile vs_1_1 vsCorrected(false); PixelShader = compile ps_2_0 psToCmyk(); }
    pass P1 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psFromCmyk(); }
}
technique Gradient { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psGradient(); } }
technique RadialGradient { pass P0 { VertexShader = compile vs_1_1 vsCorrected(true); PixelShader = compile ps_2_0 psRadial(); } }
