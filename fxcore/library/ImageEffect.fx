// The image effect shared by the texture-effect family: every technique draws one quad.

float time;
float4x4 worldViewProjection;
float2 invViewportSize;
float2 viewportSize;
float4 color = {1, 1, 1, 1};

texture colorTexture;
texture downsampleTexture;
texture verticalBlurTexture;
texture horizontalBlurTexture;
texture compositeTexture;
texture compositeAlphaTexture;

float2 textureSize = {1, 1};
float2 downsampleScale = {0.25, 0.25};
float sceneIntensity = 1;
float glowIntensity = 0.5;
float highlightIntensity = 1;
float highlightThreshold = 0.5;
float blurWidth = 1.5;
float verticalWeights[13];
float horizontalWeights[13];
float blurCompositionAlpha = 1;

float contrast = 1;
float saturation = 1;
float brightness = 1;
float hue = 0;

float3 frequency;
float3 amplitude;
float3 difference;
float rgbDistortPower = 1;

float compositeFade = 0;

float4 colorKeyColor;
float colorKeyThreshold = 1;

float2 waveOffset;
float2 waveFrequency;
float2 waveDiff;
float2 waveAmplitude;

float edgeDetectThreshold = 0.5;
float edgeDetectPixelSteps = 1.5;
float sobelEdgeBrightness = 1;
float2 sobelEdgeSamples[9];

float2 centerPt;
float2 cOffset;
float2 mOffset;
float2 yOffset;
float2 kOffset;
float2 cRot = {1, 0};
float2 mRot = {1, 0};
float2 yRot = {1, 0};
float2 kRot = {1, 0};

float4 gradientLowerLeft;
float4 gradientLowerRight;
float4 gradientUpperLeft;
float4 gradientUpperRight;

static const float3 luminanceWeights = float3(0.2125, 0.7154, 0.0721);
static const float gaussianWeights[13] = {0.002216, 0.008764, 0.026995, 0.064759, 0.120985, 0.176033, 0.199471,
                                          0.176033, 0.120985, 0.064759, 0.026995, 0.008764, 0.002216};
static const float3 greyWeights = float3(0.30, 0.59, 0.11);

#define IMAGE_SAMPLER(name, tex, address, mip) \
    sampler2D name = sampler_state { Texture = <tex>; AddressU = address; AddressV = address; \
                                     MinFilter = Linear; MagFilter = Linear; MipFilter = mip; }

IMAGE_SAMPLER(colorWrapSampler, colorTexture, Wrap, Linear);
IMAGE_SAMPLER(colorClampSampler, colorTexture, Clamp, Linear);
IMAGE_SAMPLER(downsampleSampler, downsampleTexture, Clamp, None);
IMAGE_SAMPLER(verticalBlurSampler, verticalBlurTexture, Clamp, None);
IMAGE_SAMPLER(horizontalBlurSampler, horizontalBlurTexture, Clamp, None);
IMAGE_SAMPLER(compositeWrapSampler, compositeTexture, Wrap, Linear);
IMAGE_SAMPLER(compositeClampSampler, compositeTexture, Clamp, Linear);
IMAGE_SAMPLER(compositeAlphaWrapSampler, compositeAlphaTexture, Wrap, Linear);
IMAGE_SAMPLER(compositeAlphaClampSampler, compositeAlphaTexture, Clamp, Linear);

struct QuadInput {
    float3 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

struct QuadOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

// The quad's own (untransformed) position travels along for effects that ripple over it.
struct PlacedOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
    float2 place : TEXCOORD1;
};

// The colour matrix travels as its rows: a matrix varying beside another texture coordinate
// does not survive the translation to GLSL.
struct ColorMatrixOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
    float3 red : TEXCOORD1;
    float3 green : TEXCOORD2;
    float3 blue : TEXCOORD3;
    float3 offset : TEXCOORD4;
};

float4 transformQuad(float3 position, bool correct)
{
    float4 clip = mul(float4(position, 1), worldViewProjection);
    // Direct3D 9 samples at pixel centres: half a pixel back.
    if (correct)
        clip.xy += invViewportSize * clip.w;
    return clip;
}

QuadOutput quadVS(QuadInput input, uniform bool correct)
{
    QuadOutput output;
    output.position = transformQuad(input.position, correct);
    output.texCoord = input.texCoord;
    return output;
}

PlacedOutput placedVS(QuadInput input)
{
    PlacedOutput output;
    output.position = transformQuad(input.position, true);
    output.texCoord = input.texCoord;
    output.place = input.position.xy;
    return output;
}

QuadOutput fullscreenVS(QuadInput input)
{
    QuadOutput output;
    float4 clip = mul(float4(input.position, 1), worldViewProjection);
    output.texCoord = float2(0.5 * clip.x + 0.5, -0.5 * clip.y + 0.5);
    output.position = clip;
    output.position.xy += invViewportSize * clip.w;
    return output;
}

float4x4 rotationAbout(float3 axis, float angle)
{
    float s = sin(angle);
    float c = cos(angle);
    float t = 1 - c;
    return float4x4(t * axis.x * axis.x + c, t * axis.x * axis.y + s * axis.z, t * axis.x * axis.z - s * axis.y, 0,
                    t * axis.x * axis.y - s * axis.z, t * axis.y * axis.y + c, t * axis.y * axis.z + s * axis.x, 0,
                    t * axis.x * axis.z + s * axis.y, t * axis.y * axis.z - s * axis.x, t * axis.z * axis.z + c, 0,
                    0, 0, 0, 1);
}

float4x4 colorCorrectionMatrix()
{
    float4x4 b = float4x4(brightness, 0, 0, 0, 0, brightness, 0, 0, 0, 0, brightness, 0, 0, 0, 0, 1);
    float offset = 0.5 - 0.5 * contrast;
    float4x4 c = float4x4(contrast, 0, 0, 0, 0, contrast, 0, 0, 0, 0, contrast, 0, offset, offset, offset, 1);
    float3 w = (1 - saturation) * float3(0.3086, 0.6094, 0.0820);
    float4x4 s = float4x4(w.r + saturation, w.r, w.r, 0,
                          w.g, w.g + saturation, w.g, 0,
                          w.b, w.b, w.b + saturation, 0,
                          0, 0, 0, 1);
    float4x4 h = rotationAbout(normalize(float3(1, 1, 1)), radians(hue));
    return mul(mul(mul(b, c), s), h);
}

ColorMatrixOutput colorCorrectionVS(QuadInput input)
{
    ColorMatrixOutput output;
    output.position = transformQuad(input.position, true);
    output.texCoord = input.texCoord;
    float4x4 m = colorCorrectionMatrix();
    output.red = m[0].rgb;
    output.green = m[1].rgb;
    output.blue = m[2].rgb;
    output.offset = m[3].rgb;
    return output;
}

float4 colorPS(QuadOutput input, uniform sampler2D source) : COLOR
{
    return tex2D(source, input.texCoord) * color;
}

float4 solidPS() : COLOR
{
    return color;
}

float4 compositePS(QuadOutput input, uniform sampler2D first, uniform sampler2D second, uniform sampler2D mask,
                   uniform bool fromRgb) : COLOR
{
    float4 a = tex2D(first, input.texCoord) * color;
    float4 b = tex2D(second, input.texCoord) * color;
    float4 m = tex2D(mask, input.texCoord);
    float weight = fromRgb ? dot(m.rgb, luminanceWeights) : m.a;
    return lerp(a, b, saturate(weight + compositeFade * 2 - 1));
}

float4 downsamplePS(QuadOutput input, uniform bool highlight) : COLOR
{
    float2 e = downsampleScale / textureSize;
    float4 sum = tex2D(colorClampSampler, input.texCoord) * 0.25;
    sum += tex2D(colorClampSampler, input.texCoord + float2(2, 0) * e) * 0.25;
    sum += tex2D(colorClampSampler, input.texCoord + float2(2, 2) * e) * 0.25;
    sum += tex2D(colorClampSampler, input.texCoord + float2(0, 2) * e) * 0.25;
    if (highlight)
        sum.a = smoothstep(highlightThreshold, 1, dot(sum.rgb, greyWeights));
    return sum;
}

float4 horizontalBlurPS(QuadOutput input) : COLOR
{
    float2 uv = input.texCoord + 1 / (textureSize * 2);
    float4 sum = 0;
    for (int i = 0; i < 13; i++)
        sum += tex2D(downsampleSampler, uv + float2(blurWidth * horizontalWeights[i], 0)) * gaussianWeights[i];
    return sum;
}

float4 verticalBlurPS(QuadOutput input) : COLOR
{
    float2 uv = input.texCoord + 1 / (textureSize * 2);
    float4 sum = 0;
    for (int i = 0; i < 13; i++)
        sum += tex2D(horizontalBlurSampler, uv + float2(0, blurWidth * verticalWeights[i])) * gaussianWeights[i];
    return sum;
}

float4 glowPS(QuadOutput input) : COLOR
{
    float4 b = tex2D(verticalBlurSampler, input.texCoord);
    return float4(glowIntensity * b.rgb * highlightIntensity * b.a, b.a);
}

float4 blurCompositionPS(QuadOutput input) : COLOR
{
    float4 b = tex2D(verticalBlurSampler, input.texCoord);
    return float4(b.rgb, b.a * blurCompositionAlpha);
}

float4 colorCorrectionPS(ColorMatrixOutput input, uniform sampler2D source) : COLOR
{
    float4 t = tex2D(source, input.texCoord);
    float3 rgb = t.r * input.red + t.g * input.green + t.b * input.blue + input.offset;
    return float4(rgb, t.a) * color;
}

float4 rgbSeperationPS(PlacedOutput input, uniform sampler2D source) : COLOR
{
    float3 shift = (sin(time * frequency + difference * input.place.y) * amplitude + amplitude * 0.5) * rgbDistortPower;
    float2 uv = input.texCoord;
    float r = tex2D(source, float2(uv.x + shift.r, uv.y)).r;
    float g = tex2D(source, float2(uv.x + shift.g, uv.y)).g;
    float b = tex2D(source, float2(uv.x + shift.b, uv.y)).b;
    return float4(r, g, b, tex2D(source, uv).a) * color;
}

float4 negativePS(QuadOutput input, uniform sampler2D source) : COLOR
{
    return 1 - tex2D(source, input.texCoord) * color;
}

float4 colorKeyPS(QuadOutput input, uniform sampler2D source) : COLOR
{
    float4 s = tex2D(source, input.texCoord) * color;
    return length(s.rgb - colorKeyColor.rgb) < colorKeyThreshold ? float4(0, 0, 0, 0) : s;
}

float4 wavePS(PlacedOutput input, uniform sampler2D source) : COLOR
{
    float dx = sin(input.place.y * waveDiff.x + time * waveFrequency.x) * waveAmplitude.x + waveOffset.x;
    float dy = sin(input.place.x * waveDiff.y + time * waveFrequency.y) * waveAmplitude.y + waveOffset.y;
    return tex2D(source, input.texCoord + float2(dx, dy)) * color;
}

float greyAt(sampler2D source, float2 uv)
{
    float3 c = tex2D(source, uv).rgb;
    return (c.r + c.g + c.b) / 3;
}

float4 edgeDetectPS(QuadOutput input, uniform sampler2D source) : COLOR
{
    float2 step = edgeDetectPixelSteps / viewportSize;
    float2 uv = input.texCoord;
    float tl = greyAt(source, uv + float2(-step.x, -step.y));
    float t = greyAt(source, uv + float2(0, -step.y));
    float tr = greyAt(source, uv + float2(step.x, -step.y));
    float l = greyAt(source, uv + float2(-step.x, 0));
    float r = greyAt(source, uv + float2(step.x, 0));
    float bl = greyAt(source, uv + float2(-step.x, step.y));
    float b = greyAt(source, uv + float2(0, step.y));
    float br = greyAt(source, uv + float2(step.x, step.y));
    float sx = -tl - 2 * t - tr + bl + 2 * b + br;
    float sy = -tl - 2 * l - bl + tr + 2 * r + br;
    return (sqrt(sx * sx + sy * sy) > edgeDetectThreshold ? float4(1, 1, 1, 1) : float4(0, 0, 0, 1)) * color;
}

float4 sobelEdgePS(QuadOutput input, uniform sampler2D source) : COLOR
{
    float l[9];
    float3 s5 = 0;
    for (int i = 0; i < 9; i++) {
        float3 s = tex2D(source, input.texCoord + sobelEdgeSamples[i]).rgb;
        l[i] = dot(s, greyWeights);
        if (i == 5)
            s5 = s;
    }
    float x = l[2] + l[8] + 2 * l[5] - l[0] - 2 * l[3] - l[6];
    float y = l[6] + 2 * l[7] + l[8] - l[0] - 2 * l[1] - l[2];
    float edge = x * x + y * y < edgeDetectThreshold ? 1 : 0;
    return float4(sobelEdgeBrightness * s5 * edge, tex2D(source, input.texCoord).a) * color;
}

float4 toCmykPS(QuadOutput input, uniform sampler2D source) : COLOR
{
    float3 cmy = 1 - tex2D(source, input.texCoord).rgb;
    float k = min(1, min(cmy.r, min(cmy.g, cmy.b)));
    // Pure black has no colour left to separate.
    cmy = k < 1 ? (cmy - k) / (1 - k) : float3(0, 0, 0);
    return float4(cmy, k);
}

float2 turned(float2 p, float2 offset, float2 rot)
{
    float2 q = p + offset - centerPt;
    return float2(q.x * rot.x - q.y * rot.y, q.y * rot.x + q.x * rot.y) + centerPt;
}

float4 fromCmykPS(QuadOutput input, uniform sampler2D source) : COLOR
{
    float2 p = input.texCoord;
    float c = tex2D(source, turned(p, cOffset, cRot)).x;
    float m = tex2D(source, turned(p, mOffset, mRot)).y;
    float y = tex2D(source, turned(p, yOffset, yRot)).z;
    float k = tex2D(source, turned(p, kOffset, kRot)).w;
    return float4(1 - (float3(c, m, y) * (1 - k) + k), 1) * color;
}

float4 gradientPS(QuadOutput input) : COLOR
{
    float4 lower = lerp(gradientLowerLeft, gradientLowerRight, input.texCoord.x);
    float4 upper = lerp(gradientUpperLeft, gradientUpperRight, input.texCoord.x);
    return lerp(upper, lower, input.texCoord.y) * color;
}

float4 radialGradientPS(QuadOutput input) : COLOR
{
    float d = saturate(2 * distance(float2(0.5, 0.5), input.texCoord));
    return lerp(gradientLowerRight, gradientLowerLeft, d) * color;
}

#define ONE_PASS(name, vs, ps) \
    technique name { pass P0 { VertexShader = compile vs_1_1 vs; PixelShader = compile ps_2_0 ps; } }

ONE_PASS(ColorTextureWrap, quadVS(true), colorPS(colorWrapSampler))
ONE_PASS(ColorTextureClamp, quadVS(true), colorPS(colorClampSampler))
ONE_PASS(FullscreenQuad, fullscreenVS(), colorPS(colorClampSampler))
ONE_PASS(FullscreenSolid, fullscreenVS(), solidPS())
ONE_PASS(CompositeWrap, quadVS(true),
         compositePS(colorWrapSampler, compositeWrapSampler, compositeAlphaWrapSampler, false))
ONE_PASS(CompositeClamp, quadVS(true),
         compositePS(colorClampSampler, compositeClampSampler, compositeAlphaClampSampler, false))
ONE_PASS(CompositeRGBWrap, quadVS(true),
         compositePS(colorWrapSampler, compositeWrapSampler, compositeAlphaWrapSampler, true))
ONE_PASS(CompositeRGBClamp, quadVS(true),
         compositePS(colorClampSampler, compositeClampSampler, compositeAlphaClampSampler, true))
ONE_PASS(Downsample, quadVS(false), downsamplePS(true))
ONE_PASS(HBlur, quadVS(false), horizontalBlurPS())
ONE_PASS(VBlur, quadVS(false), verticalBlurPS())
ONE_PASS(Glow, quadVS(true), glowPS())
ONE_PASS(BlurDownsample, quadVS(false), downsamplePS(false))
ONE_PASS(BlurComposition, quadVS(true), blurCompositionPS())
ONE_PASS(ColorCorrectionWrap, colorCorrectionVS(), colorCorrectionPS(colorWrapSampler))
ONE_PASS(ColorCorrectionClamp, colorCorrectionVS(), colorCorrectionPS(colorClampSampler))
ONE_PASS(RGBSeperationWrap, placedVS(), rgbSeperationPS(colorWrapSampler))
ONE_PASS(RGBSeperationClamp, placedVS(), rgbSeperationPS(colorClampSampler))
ONE_PASS(NegativeWrap, quadVS(true), negativePS(colorWrapSampler))
ONE_PASS(NegativeClamp, quadVS(true), negativePS(colorClampSampler))
ONE_PASS(ColorKeyWrap, quadVS(true), colorKeyPS(colorWrapSampler))
ONE_PASS(ColorKeyClamp, quadVS(true), colorKeyPS(colorClampSampler))
ONE_PASS(WaveWrap, placedVS(), wavePS(colorWrapSampler))
ONE_PASS(WaveClamp, placedVS(), wavePS(colorClampSampler))
ONE_PASS(EdgeDetectWrap, quadVS(true), edgeDetectPS(colorWrapSampler))
ONE_PASS(EdgeDetectClamp, quadVS(true), edgeDetectPS(colorClampSampler))
ONE_PASS(SobelEdgeWrap, quadVS(true), sobelEdgePS(colorWrapSampler))
ONE_PASS(SobelEdgeClamp, quadVS(true), sobelEdgePS(colorClampSampler))
ONE_PASS(RadialBlurWrap, quadVS(true), colorPS(colorWrapSampler))
ONE_PASS(RadialBlurClamp, quadVS(true), colorPS(colorClampSampler))

technique CMYKDistortWrap
{
    pass P0 { VertexShader = compile vs_1_1 quadVS(false); PixelShader = compile ps_2_0 toCmykPS(colorWrapSampler); }
    pass P1 { VertexShader = compile vs_1_1 quadVS(true); PixelShader = compile ps_2_0 fromCmykPS(colorWrapSampler); }
}

technique CMYKDistortClamp
{
    pass P0 { VertexShader = compile vs_1_1 quadVS(false); PixelShader = compile ps_2_0 toCmykPS(colorClampSampler); }
    pass P1 { VertexShader = compile vs_1_1 quadVS(true); PixelShader = compile ps_2_0 fromCmykPS(colorClampSampler); }
}

ONE_PASS(Gradient, quadVS(true), gradientPS())
ONE_PASS(RadialGradient, quadVS(true), radialGradientPS())
