// A shader that reads a sampler held in a struct.
struct W { float4 a; sampler2D t; float4 b; };
W s;
float4 psMain(float2 uv : TEXCOORD0) : COLOR { return tex2D(s.t, uv) + s.a + s.b; }
technique T { pass P { PixelShader = compile ps_3_0 psMain(); } }
