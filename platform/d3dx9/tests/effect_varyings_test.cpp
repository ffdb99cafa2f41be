// Varyings of several registers (matrices, arrays) link between the stages and carry their values.
#include "effect_device.h"

#include <string>

// As on the original, a varying takes one texture-coordinate register per row and per element,
// so others can follow it directly.
TEST_F(EffectDeviceTest, ManyRegisterVaryingsSitBesideOthers) {
    struct Case {
        const char* declaration; // the varying, at TEXCOORD1
        int registers;
        const char* write;       // sets it to the value whose first row is (0.25, 0.5, 0.75, 1)
        const char* read;        // that first row in the pixel stage
    };
    const Case cases[] = {
        {"float4x4 v", 4, "o.v = float4x4(row, 0,0,0,0, 0,0,0,0, 0,0,0,0)", "i.v[0]"},
        {"float4x3 v", 4, "o.v = float4x3(row.xyz, 0,0,0, 0,0,0, 0,0,0)", "float4(i.v[0], 1)"},
        {"float3x4 v", 3, "o.v = float3x4(row, 0,0,0,0, 0,0,0,0)", "i.v[0]"},
        {"float4 v[3]", 3, "o.v[0] = row; o.v[1] = 0; o.v[2] = 0", "i.v[0]"},
        {"float2x4 v[2]", 4, "o.v[0] = float2x4(0,0,0,0, 0,0,0,0); o.v[1] = float2x4(row, 0,0,0,0)", "i.v[1][0]"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.declaration);
        std::string next = std::to_string(1 + k.registers);
        std::string text = std::string("struct VsOut { float4 position : POSITION; float2 uv : TEXCOORD0; ") +
                           k.declaration + " : TEXCOORD1; float4 after : TEXCOORD" + next + "; };\n" +
                           "VsOut vs(float3 p : POSITION, float2 uv : TEXCOORD0) {\n"
                           "    VsOut o; float4 row = float4(0.25, 0.5, 0.75, 1);\n"
                           "    o.position = float4(p, 1); o.uv = uv; o.after = float4(1, 1, 0, 1); " +
                           k.write + ";\n    return o;\n}\n" +
                           "float4 ps(VsOut i) : COLOR { return float4((" + k.read +
                           ").rgb * i.after.rgb + float3(0, 0, i.uv.x * 0), 1); }\n"
                           "technique T { pass P { VertexShader = compile vs_1_1 vs();"
                           " PixelShader = compile ps_2_0 ps(); } }\n";
        Compiled c;
        compile(c, text);
        if (!c.effect) continue;
        drawAll(c.effect);
        uint32_t got = pixels()[8 * kWidth + 8];
        EXPECT_NEAR(static_cast<int>((got >> 16) & 0xFF), 64, 2) << std::hex << got;
        EXPECT_NEAR(static_cast<int>((got >> 8) & 0xFF), 128, 2) << std::hex << got;
        EXPECT_NEAR(static_cast<int>(got & 0xFF), 0, 2) << std::hex << got;
    }
}
