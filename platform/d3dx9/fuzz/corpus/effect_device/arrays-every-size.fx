// Arrays of every vector size and of matrices, read by element and component.
float1 A1[2];
float2 A2[2];
float3 A3[3];
float4 A4[2];
int1 I1[3];
bool1 B1[2];
half3 H3[2];
float2x2 M22[2];
row_major float3x4 M34[2];
float4x3 M43[2];
float4 after;
float4 psMain() : COLOR
{
    return float4(A1[1].x + A2[1].y + A3[2].z + A4[1].w + I1[2].x + (B1[1].x ? 1 : 0) + H3[1].z,
                  M22[1][1][1] + M34[1][2][3] + M43[1][3][2], 0, 1) + after;
}
technique T { pass P { PixelShader = compile ps_3_0 psMain(); } }
