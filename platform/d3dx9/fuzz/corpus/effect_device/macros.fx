#include "common.fxh"
#define F(a,b) a##b
#if TEST && defined(SCALE)
float4 F(ti,nt2) = tint * SCALE;
#endif
technique T < string s = "x"; > { pass P { CullMode = None; VertexShader = compile vs_2_0 f(1, true); } }
