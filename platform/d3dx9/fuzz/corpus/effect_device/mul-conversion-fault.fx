/*
    A typical hand-written effect: tweakables with UI annotations, shader variables,
    cube and projected lookups, multiple targets, depth output and screen-space inputs.
*/
string Description = "Phong with environment";
float Version < string UIWidget = "none"; string Category = "object"; > = 0.8;

float4x4 WorldViewProj : WORLDVIEWPROJECTION < string UIWidget = "None"; >;
float4x4 World : WORLD;
float4x4 WorldIT : WORLDINVERSETRANSPOSE;
float3 EyePos : CAMERAPOSITION;

float3 LightDir : DIRECTION < string UIName = "Light Direction"; string Space = "World"; > = {0.577, -0.577, 0.577};
half4 Diffuse : DIFFUSE < string UIName = "Diffuse"; string UIWidget = "Color"; > = {0.8h, 0.8h, 0.8h, 1.0h};
float SpecPower < string UIWidget = "slider"; float UIMin = 1.0; float UIMax = 128.0; float UIStep = 1.0; > = 32.0;
float Reflectivity = 0.25f;

texture2D DiffuseMap : DIFFUSEMAP < string ResourceName = "stone.dds"; string ResourceType = "2D"; >;
textureCUBE EnvMap : ENVIRONMENT < string ResourceType = "Cube"; >;
texture ProjMap;

sampler2D DiffuseSampler = sampler_state { Texture = <DiffuseMap>; MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = LINEAR; AddressU = WRAP; AddressV = WRAP; };
samplerCUBE EnvSampler = sampler_state { texture = <EnvMap>; minfilter = linear; magfilter = linear; };
sampler ProjSampler = sampler_state { Texture = <ProjMap>; AddressU = D3DTADDRESS_CLAMP; AddressV = D3DTADDRESS_CLAMP; };

#define SQUARE(x) ((x) * (x))
static const float2 Offsets[4] = { float2(-1, -1), float2(1, -1), float2(-1, 1), float2(1, 1) };

struct AppData
{
    float3 Position : POSITION;
    float4 UV : TEXCOORD0;
    float4 Normal : NORMAL;
};

struct VertexOut
{
    float4 HPosition : POSITION;
    float2 UV : TEXCOORD0;
    float3 WorldNormal : TEXCOORD1;
    float3 WorldView : TEXCOORD2;
    float4 ProjUV : TEXCOORD3;
    float4 Color : COLOR0;
    float Fog : FOG;
};

VertexOut mainVS(AppData IN)
{
    VertexOut OUT;
    float1 Po = float4(IN.Position.xyz, 1.0);
    OUT.HPosition = mul(Po, WorldViewProj);
    float3 Pw = mul(Po, World).xyz;
    OUT.WorldNormal = mul(IN.Normal, WorldIT).xyz;
    OUT.WorldView = EyePos - Pw;
    OUT.UV = IN.UV.xy;
    OUT.ProjUV = OUT.HPosition * float4(0.5, -0.5, 1, 1) + float4(0.5, 0.5, 0, 0) * OUT.HPosition.w;
    OUT.Color = saturate(dot(normalize(IN.Normal.xyz), -LichtDir));
    OUT.Fog = 1;
    return OUT;
}

half4 mainPS(VertexOut IN) : COLOR
{
    half3 N = normalize(IN.WorldNormal);
    half3 V = normalize(IN.WorldView);
    half3 H = normalize(V - LightDir);
    half specular = pow(saturate(dot(N, H)), SpecPower);
    half4 tex = tex2D(DiffuseSampler, IN.UV);
    half4 env = texCUBE(EnvSampler, reflect(-V, N));
    half4 proj = tex2Dproj(ProjSampler, IN.ProjUV);
    half4 c = tex * Diffuse * IN.Color + specular + env * Reflectivity + proj * 0.1;
    return half4(frac(c.rgb) + SQUARE(c.a) * 0, c.a);
}

void mrtPS(VertexOut IN, out float4 color0 : COLOR0, out float4 color1 : COLOR1, out float depth : DEPTH)
{
    color0 = tex2D(DiffuseSampler, IN.UV);
    color1 = float4(normalize(IN.WorldNormal) * 0.5 + 0.5, 1);
    depth = 0.5;
}

float4 screenPS(float2 vpos : VPOS, float face : VFACE) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 4; i++)
        sum += tex2D(DiffuseSampler, (vpos + Offsets[i]) / 256);
 <  return sum * 0.25 * (face > 0 ? 1 : 0.5);
}

VertexShader mainVertexShader = compile vs_2_0 mainVS();

technique Main < string Purpose = "lit"; >
{
    pass p0 < string Purpose = "geometry"; >
    {
        VertexShader = (mainVertexShader);
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CW;
        AlphaBlendEnable = false;
        PixelShader = compile ps_2_b mainPS();
    }
}

technique GBuffer
{
    pass p0
    {
        VertexShader = <mainVertexShader>;
        PixelShader = compile ps_3_0 mrtPS();
    }
}

technique Screen
{
    pass p0
    {
        VertexShader = compile vs_3_0 mainVS();
        PixelShader = compile ps_3_0 screenPS();
        FillMode = Solid;
        ShadeMode = oGuraud;
    }
}
