// Preprocessing, includes, macros, compile errors and the program cache.
#include "effect_support.h"

namespace {

const char* kIncluding = R"(#include "common.fxh"
#ifdef USE_TINT
float4 ps(float2 uv : TEXCOORD0) : COLOR { return tint * SCALE; }
#else
float4 ps(float2 uv : TEXCOORD0) : COLOR { return float4(uv, 0, 1); }
#endif
technique T { pass P { PixelShader = compile ps_2_0 ps(); } }
)";

TEST(EffectCompile, IncludesAndMacrosReachTheText) {
    TableInclude inc;
    inc.files["common.fxh"] = "#pragma once\n#include \"inner.fxh\"\nfloat4 tint < string UIName = \"Tint\"; > = {1, 0, 0, 1};\n";
    inc.files["inner.fxh"] = "#define SCALE MUL(2, 3)\n#define MUL(a, b) ((a) * (b))\n";
    D3DXMACRO macros[] = {{"USE_TINT", ""}, {nullptr, nullptr}};
    Compiled c;
    compileEffect(c, kIncluding, macros, &inc);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    EXPECT_EQ((std::vector<std::string>{"common.fxh", "inner.fxh"}), inc.opened);
    EXPECT_EQ(inc.open, 0); // every opened include is closed again
    EXPECT_EQ(inc.parents[0], nullptr);
    EXPECT_EQ(inc.parents[1], inc.files["common.fxh"].data()); // nested includes name their parent
    EXPECT_NE(c.effect->GetParameterByName(nullptr, "tint"), nullptr);
    std::string glsl;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "T", 0, TRUE, &glsl));
    EXPECT_NE(glsl.find("6.0"), std::string::npos) << glsl; // SCALE expanded through the nested macro

    Compiled plain;
    compileEffect(plain, kIncluding, nullptr, &inc);
    ASSERT_EQ(plain.hr, D3D_OK) << plain.errors;
    ASSERT_TRUE(d3dxglGetPassShaderText(plain.effect, "T", 0, TRUE, &glsl));
    EXPECT_EQ(glsl.find("6.0"), std::string::npos);
}

TEST(EffectCompile, WindowsLineEndsContinuationsAndATerminatingZero) {
    std::string text = "#define PAIR(a, b) \\\r\n    float a; float b;\r\n// comment\r\nPAIR(x, y)\r\n"
                       "/* block\r\n comment */ float z = 1;\r\ntechnique T { pass P { } }\r\n";
    text.push_back('\0'); // the length may count the terminating zero
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    EXPECT_NE(c.effect->GetParameterByName(nullptr, "x"), nullptr);
    EXPECT_NE(c.effect->GetParameterByName(nullptr, "y"), nullptr);
    D3DXPARAMETER_DESC d{};
    EXPECT_EQ(c.effect->GetParameterDesc("z", &d), D3D_OK);
    Compiled err;
    compileEffect(err, "float a;\r\n\r\nfloat b = ;\r\n");
    EXPECT_NE(err.errors.find("memory(3,"), std::string::npos) << err.errors;
}

TEST(EffectCompile, ConditionalsFollowMacroValues) {
    const char* text = R"(
#define LEVEL 2
#if LEVEL > 2 || defined(NEVER)
float a;
#elif LEVEL == 2 && !defined NEVER
float b;
#  if 0
float hiddenInner;
#  endif
#else
float c;
#endif
#undef LEVEL
#ifndef LEVEL
float d;
#endif
technique T { pass P { } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "a"), nullptr);
    EXPECT_NE(c.effect->GetParameterByName(nullptr, "b"), nullptr);
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "hiddenInner"), nullptr);
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "c"), nullptr);
    EXPECT_NE(c.effect->GetParameterByName(nullptr, "d"), nullptr);
}

struct ErrorCase {
    const char* name;
    const char* text;
    const char* expect;   // in the error text
};

TEST(EffectCompile, ErrorsSayWhereAndWhat) {
    const ErrorCase cases[] = {
        {"missing include", "#include \"missing.fxh\"\ntechnique T { pass P { } }",
         "memory(1,2): error: cannot open include file 'missing.fxh'"},
        {"error in include", "#include \"broken.fxh\"\n", "broken.fxh(2,"},
        {"syntax", "float a;\nfloat b = ;\n", "memory(2,"},
        {"unknown type", "float a;\nfloat9 b;\n", "unknown type 'float9'"},
        {"unknown state", "technique T { pass P {\n  FrobEnable = true; } }", "memory(2,3): error: unknown state 'FrobEnable'"},
        {"bad state value", "technique T { pass P { CullMode = Sideways; } }", "'Sideways' is not a constant"},
        {"missing entry", "technique T { pass P { VertexShader = compile vs_2_0 nowhere(); } }",
         "entry point 'nowhere' not found"},
        {"wrong profile", "float4 f() : COLOR { return 1; }\ntechnique T { pass P { PixelShader = compile vs_2_0 f(); } }",
         "'vs_2_0' is not a pixel shader profile"},
        {"hlsl error", "float4 f(float2 uv : TEXCOORD0) : COLOR\n{\n  return undefinedThing * uv.x;\n}\n"
                       "technique T { pass P { PixelShader = compile ps_2_0 f(); } }",
         "memory(3): error:"},
        {"unterminated if", "#if 1\nfloat a;\n", "unterminated #if"},
        {"error directive", "#error stop here\n", "memory(1,2): error: #error stop here"},
        {"literal count", "float4 f(uniform float k) : COLOR { return k; }\ntechnique T { pass P { PixelShader = compile ps_2_0 f(); } }",
         "takes 1 uniform arguments, 0 given"},
        {"empty", "", "empty"},
        {"unsupported semantic", "float4 f(float4 v : BOGUS0) : COLOR { return v; }\n"
                                 "technique T { pass P { PixelShader = compile ps_2_0 f(); } }",
         "memory(1): error: 'f': pixel input semantic 'BOGUS0' is not supported"},
        {"swizzle letter", "float4 v = {1, 2, 3, 4};\nfloat2 w = v.xq;\n", "bad swizzle 'xq'"},
        {"vpos in a struct", "struct I { float2 p : VPOS; };\nfloat4 f(I i) : COLOR { return i.p.xyxy; }\n"
                             "technique T { pass P { PixelShader = compile ps_3_0 f(); } }",
         "memory(1,23): error: VPOS must be a parameter"},
    };
    TableInclude inc;
    inc.files["broken.fxh"] = "float ok;\nfloat broken = {;\n";
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Compiled c;
        compileEffect(c, k.text, nullptr, &inc);
        EXPECT_TRUE(FAILED(c.hr));
        EXPECT_EQ(c.effect, nullptr);
        EXPECT_NE(c.errors.find(k.expect), std::string::npos) << c.errors;
    }
    // A null include handler fails an include the same way.
    Compiled c;
    compileEffect(c, "#include \"x.fxh\"\n");
    EXPECT_EQ(c.hr, E_FAIL);
    EXPECT_NE(c.errors.find("cannot open include file 'x.fxh'"), std::string::npos) << c.errors;
}

TEST(EffectCompile, TheSameEffectCompilesItsProgramsOnce) {
    const char* text = R"(
#ifndef BRIGHTNESS
#define BRIGHTNESS 0.123456
#endif
float4 color;
float4 vs(float4 p : POSITION) : POSITION { return p; }
float4 ps() : COLOR { return color * BRIGHTNESS; }
technique A { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
technique B { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } })";
    unsigned long long before = d3dxglProgramCompileCount();
    Compiled first;
    compileEffect(first, text);
    ASSERT_EQ(first.hr, D3D_OK) << first.errors;
    unsigned long long afterFirst = d3dxglProgramCompileCount();
    EXPECT_EQ(afterFirst - before, 2u); // the same entry points in both techniques
    Compiled second;
    compileEffect(second, text);
    ASSERT_EQ(second.hr, D3D_OK);
    EXPECT_EQ(d3dxglProgramCompileCount(), afterFirst);
    // A macro that changes the program's text compiles anew.
    D3DXMACRO m[] = {{"BRIGHTNESS", "0.5"}, {nullptr, nullptr}};
    Compiled third;
    compileEffect(third, text, m);
    ASSERT_EQ(third.hr, D3D_OK) << third.errors;
    EXPECT_GT(d3dxglProgramCompileCount(), afterFirst);
}

// A host's guard sees each program's text before the shader compiler does, and can refuse it.
TEST(EffectCompile, ACompilerGuardSeesEachProgramAndMayRefuseIt) {
    static std::vector<std::pair<std::string, BOOL>> asked;
    static BOOL answer = TRUE;
    asked.clear();
    d3dxglSetShaderCompilerGuard([](const char* hlsl, UINT length, BOOL pixel) {
        asked.emplace_back(std::string(hlsl, length), pixel);
        return answer;
    });
    // Texts no other test compiles, so the program cache does not answer for the compiler.
    const std::string text = R"(
float4 vs(float4 p : POSITION) : POSITION { return p * 0.7531; }
float4 ps() : COLOR { return float4(0.8642, 0, 0, 1); }
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } })";
    Compiled passed;
    compileEffect(passed, text);
    EXPECT_EQ(passed.hr, D3D_OK) << passed.errors;
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].first.find("0.7531"), std::string::npos);
    EXPECT_EQ(asked[0].second, FALSE);
    EXPECT_NE(asked[1].first.find("0.8642"), std::string::npos);
    EXPECT_EQ(asked[1].second, TRUE);

    answer = FALSE;
    std::string refusedText = text;
    refusedText.replace(refusedText.find("0.8642"), 6, "0.9753");
    Compiled refused;
    compileEffect(refused, refusedText);
    EXPECT_NE(refused.hr, D3D_OK);
    EXPECT_EQ(refused.effect, nullptr);
    EXPECT_NE(refused.errors.find("the shader compiler failed on 'ps'"), std::string::npos) << refused.errors;
    d3dxglSetShaderCompilerGuard(nullptr);
    answer = TRUE;
}

TEST(EffectCompile, PlainSamplersTakeTheKindOfTheirLookups) {
    const char* text = R"(
sampler env;
sampler plain;
float4 ps(float3 d : TEXCOORD0) : COLOR { return texCUBE(env, d) + tex2D(plain, d.xy); }
technique T { pass P { PixelShader = compile ps_2_0 ps(); } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    std::string ps;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "T", 0, TRUE, &ps));
    EXPECT_NE(ps.find("samplerCube env"), std::string::npos) << ps;
    EXPECT_NE(ps.find("sampler2D plain"), std::string::npos) << ps;
}

TEST(EffectCompile, LiteralArgumentsMakeSeparatePrograms) {
    const char* text = R"(
float4 ps(uniform bool red, uniform float level) : COLOR { return red ? float4(level, 0, 0, 1) : float4(0, level, 0, 1); }
technique Red { pass P { PixelShader = compile ps_2_0 ps(true, 0.25); } }
technique Green { pass P { PixelShader = compile ps_2_0 ps(false, 0.75); } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    std::string red, green;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "Red", 0, TRUE, &red));
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "Green", 0, TRUE, &green));
    EXPECT_NE(red.find("0.25"), std::string::npos) << red;
    EXPECT_NE(green.find("0.75"), std::string::npos) << green;
}

TEST(EffectCompile, VertexProgramsCarryThePixelCentreShift) {
    const char* text = R"(
struct VS_OUTPUT { float4 position : POSITION; float4 color : COLOR0; float2 uv : TEXCOORD3; };
VS_OUTPUT vs(float4 p : POSITION, float4 c : COLOR0, float2 uv : TEXCOORD3) { VS_OUTPUT o; o.position = p; o.color = c; o.uv = uv; return o; }
float4 ps(VS_OUTPUT i) : COLOR { return i.color * i.uv.x; }
technique T { pass P { VertexShader = compile vs_1_1 vs(); PixelShader = compile ps_2_0 ps(); } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    std::string vs, ps;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "T", 0, FALSE, &vs));
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "T", 0, TRUE, &ps));
    EXPECT_NE(vs.find("binding = 2) uniform D3DGLDevice"), std::string::npos) << vs;
    size_t shift = vs.find("gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;");
    ASSERT_NE(shift, std::string::npos) << vs;
    EXPECT_LT(vs.rfind("gl_Position ="), shift);
    // Inputs at the device's attribute locations, varyings matched by semantic.
    EXPECT_NE(vs.find("layout(location = 0) in vec4"), std::string::npos) << vs;
    EXPECT_NE(vs.find("layout(location = 4) in vec4"), std::string::npos) << vs;
    EXPECT_NE(vs.find("layout(location = 11) in vec2"), std::string::npos) << vs;
    EXPECT_NE(vs.find("layout(location = 16) out vec4"), std::string::npos) << vs;
    EXPECT_NE(vs.find("layout(location = 3) out vec2"), std::string::npos) << vs;
    EXPECT_NE(ps.find("layout(location = 16) in vec4"), std::string::npos) << ps;
    EXPECT_NE(ps.find("layout(location = 3) in vec2"), std::string::npos) << ps;
    EXPECT_EQ(ps.find("d3dgl_pixelOffset"), std::string::npos);
}

} // namespace
