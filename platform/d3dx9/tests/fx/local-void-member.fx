// A struct declared inside a function with a void member: the shader compiler's front end dies
// on it, and our front end does not read function bodies.
float4 color;
float4 ps() : COLOR
{
    struct Local { void nothing; float4 value; };
    Local l;
    l.value = color;
    return l.value;
}
technique T { pass P { PixelShader = compile ps_2_0 ps(); } }
