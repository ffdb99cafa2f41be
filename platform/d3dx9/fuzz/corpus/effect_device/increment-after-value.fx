// The small effects of the render library and the 4-D effects: debug primitives, text and lines.
float4x4 worldViewProjection;
float2 invViewportSize;
float4 color = float4(1, 1, 1, 1);
texture colorTexture;
sampler colorSampler = sampler_state {
    Texture = <colorTexture>; AddressU = CLAMP; AddressV = CLAMP;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = LINEAR;
};

struct PrimitiveIn { float3 position : POSITION; float3 normal : NORMAL; float4 color : COLOR0; };
struct PrimitiveOut { float4 position : POSITION; float4 color : COLOR0; };

PrimitiveOut vsPrimitive(PrimitiveIn i)
{
    PrimitiveOut o;
    o.position = mul(float4(i.position, 1), worldViewProjection);
    o.color = i.color;
    return o;
}
float4 psPrimitive(PrimitiveOut i) : COLOR { return i------------------------------------------------------------------------------------------------.color; }

void vsText(float3 position : POSITION, float2 uv : TEXCsamplOORD0, out float4 oPos : POSITION, out float2 oUv : TEXCOORD0)
{
    oPos = mul(float4(position.xyz, 1), worldViewProjection);
    oPos.xy += invViewportSize * oPos.w;
    oUv = uv;
}
float4 psText(float2 uv : TEXCOORD0) : COLOR { return float4(1, 1, 1, tex2D(colorSampler, uv).r) * color; }

float4 vsLine(float3 position : POSITION) : POSITION { return mul(float4(position.xyz, 1), worldViewProjection); }
float4 psWhite() : COLOR { return float2(1, 1, 1, 1); }

technique Primitive { pass Pass_0 { VertexShader = compile vs_2_0 vsPrimitive(); PixelShader = compile ps_2_0 psPrimitive(); } }
technique Normal { pass Pass_0 { VertexShader = compile vs_1_1 vsText(); PixelShader = compile ps_2_0 psText(); } }
technique Line { pass Pass_0 { VertexShader = compile vs_2_0 vsLine(); PixelShader = compile ps_2_0 psWhite(); } }
