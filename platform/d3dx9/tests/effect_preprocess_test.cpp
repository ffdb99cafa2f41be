// #if arithmetic, macro calls, pasting and stringizing, and the preprocessor's refusals.
#include "effect_support.h"

namespace {

bool hasParameter(const Compiled& c, const char* name) {
    return c.effect && c.effect->GetParameterByName(nullptr, name) != nullptr;
}

struct Condition {
    const char* expr;
    bool value;
};

TEST(EffectPreprocess, IfExpressionsKeepCPrecedenceAndWrapWithoutFaults) {
    const Condition cases[] = {
        {"1 + 2 * 3 == 7", true},
        {"(1 + 2) * 3 == 9", true},
        {"10 - 4 - 3 == 3", true},  // left to right
        {"7 / 2 == 3 && 7 % 2 == 1 && -7 / 2 == -3", true},
        {"1 << 4 == 16 && 256 >> 4 == 16", true},
        {"1 << 63 == 0 && 1 << -1 == 0 && -8 >> 64 == 0", true},  // shifts past the width give 0
        {"(5 & 3) == 1 && (5 | 3) == 7 && (5 ^ 3) == 6", true},
        {"1 | 2 ^ 3 & 4", true},
        {"0 || 0", false},
        {"2 && 0", false},
        {"2 <= 2 && 2 >= 2 && 3 > 2 && 2 < 3 && 2 != 3", true},
        {"3 < 2", false},
        {"1 ? 0 : 1", false},
        {"0 ? 0 : 2 > 1", true},
        {"9223372036854775807 + 1 < 0", true},  // wraps as unsigned numbers do
        {"(-9223372036854775807 - 1) / -1 == 0 && (-9223372036854775807 - 1) % -1 == 0", true},
        {"0x10 == 16 && 010 == 8 && ~0 == -1 && !0 && +1 == 1", true},
        {"defined(LEVEL) && defined LEVEL && !defined(NEVER)", true},
        {"LEVEL * 2 == 6", true},
        {"true && !false && !UNDEFINED_NAME", true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.expr);
        const std::string text = std::string("#define LEVEL 3\n#if ") + k.expr +
                                 "\nfloat yes;\n#else\nfloat no;\n#endif\ntechnique T { pass P { } }\n";
        Compiled c;
        compileEffect(c, text);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
        EXPECT_EQ(hasParameter(c, "yes"), k.value);
        EXPECT_EQ(hasParameter(c, "no"), !k.value);
    }
}

TEST(EffectPreprocess, MacroCallsPasteStringizeAndTakeVariadicArguments) {
    const char* text = R"(
#define CAT(a, b) a ## b
#define STR(a) #a
#define NAME(n) n
#define FIRST(a, ...) a
#define REST(a, ...) __VA_ARGS__
#define NONE() none
#define self self
#define FUNC(x) x
float CAT(pas, ted);
float NAME(CAT(in, ner));
float FIRST(first, second, third);
float REST(skipped, rest);
float NONE();
float self;
float FUNC;
string quoted = STR(say "hi");
string written = "say \"hi\"";
technique T { pass P { } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    for (const char* name : {"pasted", "inner", "first", "rest", "none", "self", "FUNC"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(hasParameter(c, name));
    }
    for (const char* name : {"pas", "ted", "second", "skipped"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(hasParameter(c, name));
    }
    // Stringizing makes the literal one would write by hand, quotes escaped.
    const char* quoted = nullptr;
    const char* written = nullptr;
    ASSERT_EQ(c.effect->GetString("quoted", &quoted), D3D_OK);
    ASSERT_EQ(c.effect->GetString("written", &written), D3D_OK);
    EXPECT_STREQ(quoted, written);
}

struct Refusal {
    const char* name;
    const char* text;
    const char* expect;  // in the error text
};

TEST(EffectPreprocess, FaultyDirectivesAndCallsAreRefusedWithWhereAndWhat) {
    const Refusal cases[] = {
        {"division by zero", "#if 1 / 0\n#endif\n", "memory(1,2): error: division by zero in #if expression"},
        {"remainder by zero", "#if 1 % (2 - 2)\n#endif\n", "division by zero in #if expression"},
        {"missing paren", "#if (1\n#endif\n", "missing ')' in #if expression"},
        {"missing colon", "#if 1 ? 2\n#endif\n", "missing ':' in #if expression"},
        {"trailing token", "#if 1 2\n#endif\n", "memory(1,7): error: unexpected '2' in #if expression"},
        {"empty if", "#if\n#endif\n", "#if with no expression"},
        {"elif alone", "#elif 1\n", "#elif without #if"},
        {"else alone", "#else\n", "#else without #if"},
        {"second else", "#if 1\n#else\n#else\n#endif\n", "memory(3,2): error: #else without #if"},
        {"elif after else", "#if 0\n#else\n#elif 1\n#endif\n", "#elif without #if"},
        {"endif alone", "#endif\n", "#endif without #if"},
        {"ifdef without name", "#ifdef\n#endif\n", "#ifdef needs a macro name"},
        {"ifndef of a number", "#ifndef 3\n#endif\n", "#ifndef needs a macro name"},
        {"undef without name", "#undef\n", "#undef needs a macro name"},
        {"unknown directive", "#frob\n", "unknown preprocessor directive '#frob'"},
        {"too many arguments", "#define F(a) a\nfloat F(1, 2);\n", "memory(2,7): error: macro 'F' takes 1 arguments, given 2"},
        {"too few arguments", "#define G(a, b) a\nfloat G(1);\n", "macro 'G' takes 2 arguments, given 1"},
        {"unterminated call", "#define F(a) a\nfloat F(1;\n", "unterminated call of macro 'F'"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Compiled c;
        compileEffect(c, k.text);
        EXPECT_TRUE(FAILED(c.hr));
        EXPECT_NE(c.errors.find(k.expect), std::string::npos) << c.errors;
    }
}

// Directives inside a group that is skipped are not run, but their nesting still counts.
TEST(EffectPreprocess, SkippedGroupsKeepTheirNestingAndRunNothing) {
    const char* text = R"(
#if 0
#  frob
#  error not reached
#  if 1 / 0
#  endif
#  ifdef
#  endif
#elif 1
float taken;
#  if 0
float inner;
#  elif 2 > 1
float innerElif;
#  endif
#else
float notTaken;
#endif
technique T { pass P { } })";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    EXPECT_TRUE(hasParameter(c, "taken"));
    EXPECT_TRUE(hasParameter(c, "innerElif"));
    EXPECT_FALSE(hasParameter(c, "inner"));
    EXPECT_FALSE(hasParameter(c, "notTaken"));
}

// Each call copies its argument a thousand times: three calls deep this would make a billion
// tokens, so the budget must hold while a macro's replacement is built, not only after.
TEST(EffectPreprocess, ArgumentsCopiedManyTimesStopAtTheTokenBudget) {
    std::string text = "#define A(x)";
    for (int i = 0; i < 1000; ++i) text += " x";
    text += "\nfloat f = A(A(A(1)));\n";
    Compiled c;
    compileEffect(c, text);
    EXPECT_TRUE(FAILED(c.hr));
    EXPECT_NE(c.errors.find("memory(2,11): error: macro expansion too large"), std::string::npos) << c.errors;
}

// Macros that expand to nothing make no output, so only a bound on the work stops these few
// kilobytes from nesting into twenty million replacements.
TEST(EffectPreprocess, MacrosThatExpandToNothingStopAtTheWorkBudget) {
    std::string text = "#define E\n#define C";
    for (int i = 0; i < 1000; ++i) text += " E";
    text += "\n#define B";
    for (int i = 0; i < 1000; ++i) text += " C";
    text += "\n#define A";
    for (int i = 0; i < 20; ++i) text += " B";
    text += "\nfloat f = 1 A;\n";
    Compiled c;
    compileEffect(c, text);
    EXPECT_TRUE(FAILED(c.hr));
    EXPECT_NE(c.errors.find("memory(5,13): error: macro expansion too large"), std::string::npos) << c.errors;
}

} // namespace
