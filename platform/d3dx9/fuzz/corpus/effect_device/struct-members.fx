// Structs with members of every kind and orientation, nested and in arrays, and a parameter after them.
struct Inner { row_major float3x2 m; sampler t; float1 one; bool2 flags; };
struct Mixed {
    float4 a;
    string name;
    texture image;
    sampler2D lookup;
    samplerCUBE cube;
    pixelshader ps;
    vertexshader vs;
    row_major float2x4 r;
    float2x4 c;
    column_major float4x3 k;
    Inner inner[2];
    int3 counts;
    half2 h;
    float4 b;
};
Mixed s;
Mixed t[2];
float4 after;
float4 vsMain(float4 p : POSITION) : POSITION { return p + s.r[1] + t[1].inner[0].m[2].xyxy + after; }
float4 psMain() : COLOR
{
    return s.a + s.b + s.c[1] + float4(s.k[3], s.inner[1].one.x) + t[0].counts.xyzx + s.h.xyxy +
           (s.inner[0].flags.y ? 1 : 0) + after;
}
technique T { pass P { VertexShader = compile vs_3_0 vsMain(); PixelShader = compile ps_3_0 psMain(); } }
