// A matrix of one row, which the shader compiler cannot take.
float1x4 M14[2];
float4x1 M41;
float4 psMain() : COLOR { return M14[1][0][3] + M41[3][0]; }
technique T { pass P { PixelShader = compile ps_3_0 psMain(); } }
