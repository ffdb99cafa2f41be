// ++ and -- after a value (a call, a literal, a bracketed expression or another postfix step) are
// refused with an error: the shader compiler's front end would dereference null on them.
#include "effect_device.h"

namespace {

std::string pixelEffect(const std::string& body) {
    return "float4 f(float4 v) { return v; }\n"
           "float4 ps(float4 c : COLOR0) : COLOR {\n" + body + "\n}\n"
           "technique T { pass P { PixelShader = compile ps_2_0 ps(); } }\n";
}

} // namespace

TEST_F(EffectDeviceTest, IncrementsNeedAVariable) {
    struct Case {
        const char* body;
        bool compiles;
    };
    const Case cases[] = {
        {"return c----;", false},
        {"return f(c)--;", false},
        {"return (--c)--;", false},
        {"return (c + c)++;", false},
        {"return 1--;", false},
        {"return float4(1, 1, 1, 1)--;", false},
        {"return f(c).x--;", false},
        {"c++; return c;", true},
        {"c.x--; return c;", true},
        {"float a[2] = {1, 2}; a[0]--; return c * a[0];", true},
        {"return (c)--;", true},
        {"return --c;", true},
        {"return --(c);", true},
        {"if (c.x > 0) --c.y; return c;", true},
        {"return c+++1;", true},
        {"for (int i = 0; i < 2; i++) c.x++; return c;", true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.body);
        Compiled c;
        compileEffect(c, pixelEffect(k.body), nullptr, nullptr, nullptr, device);
        EXPECT_EQ(c.effect != nullptr, k.compiles) << c.errors;
        if (!k.compiles) {
            EXPECT_NE(c.errors.find("needs a variable to change"), std::string::npos) << c.errors;
        }
    }
}
