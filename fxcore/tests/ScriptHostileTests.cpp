#include <Repeated.h>
#include <ResourceBudget.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/fxcore/ScriptApi.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <gtest/gtest.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using tormakelin::test::repeated;

namespace {

struct Built {
    bool ok;
    std::string error;
};

Built build(std::string const& text)
{
    core::SmartRef<IScriptEngine> engine(createScriptEngine());
    EXPECT_TRUE(engine->init());
    core::UniqueId id;
    core::generateUniqueId(id);
    core::SmartRef<IScriptModule> module(createScriptModule(engine.get(), id));
    module->run(ScriptContext(), text);
    return {!module->hasError(), module->getErrorString()};
}

std::string inMain(std::string const& body) { return "int f(int x) { return x; }\nvoid main() {\n" + body + "\n}\n"; }

} // namespace

TEST(ScriptHostile, DeeplyNestedScriptsAreRefusedBeforeCompiling)
{
    struct Case {
        char const* what;
        std::string text;
    };
    Case const cases[] = {
        {"3,500 parentheses", inMain("int a = " + repeated("(", 3500) + "1" + repeated(")", 3500) + ";")},
        {"100,000 nested blocks", inMain(repeated("{", 100000) + repeated("}", 100000))},
        {"nested calls", inMain("int a = " + repeated("f(", 2000) + "1" + repeated(")", 2000) + ";")},
        {"an else-if chain", inMain("int a = 0; if (a == 0) {}" + repeated(" else if (a == 1) {}", 20000))},
        {"statements nested without braces", inMain("int a = 0; " + repeated("while (a == 1) ", 20000) + "a = 1;")},
        {"chained assignments", inMain("int a; " + repeated("a = ", 20000) + "1;")},
        {"nested conditionals", inMain("int a = 0; int b = " + repeated("a == 0 ? 1 : ", 1000) + "2;")},
        {"closers hidden in strings", inMain("String s = " + repeated("f(\")\" + ", 300) + "\"\"" + ";")},
    };
    for (Case const& c : cases) {
        tormakelin::test::ResourceBudget budget;
        Built const built = build(c.text);
        EXPECT_FALSE(built.ok) << c.what;
        EXPECT_NE(built.error.find("Tormakelin(3, "), std::string::npos) << c.what << ": " << built.error;
        EXPECT_NE(built.error.find(") : ERR : the script is nested deeper than 256 levels"), std::string::npos)
            << c.what << ": " << built.error;
        EXPECT_LT(budget.seconds(), tormakelin::test::kHostileSeconds) << c.what;
    }
}

TEST(ScriptHostile, OrdinaryNestingStillCompiles)
{
    std::string const cases[] = {
        inMain("int a = " + repeated("(", 200) + "1" + repeated(")", 200) + ";"),
        inMain("int a = 0; if (a == 0) {}" + repeated(" else if (a == 1) {}", 100)),
        inMain("int a = 0; int b = " + repeated("a == 0 ? 1 : ", 100) + "2;"),
        // Brackets in comments and strings do not count.
        inMain("/* " + repeated("(", 1000) + " */ // " + repeated("{", 1000) + "\nint a = 1;" +
               " String s = \"" + repeated("[", 1000) + "\\\"\";"),
        inMain(repeated("{ int a = 1; } ", 5000)),
    };
    for (std::string const& text : cases) {
        Built const built = build(text);
        EXPECT_TRUE(built.ok) << text.substr(0, 120) << "\n" << built.error;
    }
}

TEST(ScriptHostile, RunsThatWouldFillTheMemoryStopWithAnError)
{
    struct Case {
        char const* body;
        char const* error;
    };
    Case const cases[] = {
        {"String s = \"ab\"; while (true) { s = s + s; }", "String too long"},
        {"String s = \"ab\"; while (true) { s += s; }", "String too long"},
        {"String s = \"ab\"; while (true) { s = 1.5f + s + s + 2; }", "String too long"},
    };
    for (Case const& c : cases) {
        tormakelin::test::ResourceBudget budget;
        core::SmartRef<IScriptEngine> engine(createScriptEngine());
        ASSERT_TRUE(engine->init());
        core::UniqueId id;
        core::generateUniqueId(id);
        core::SmartRef<IScriptModule> module(createScriptModule(engine.get(), id));
        EXPECT_TRUE(module->run(ScriptContext(), std::string("void main() { ") + c.body + " }"));
        EXPECT_NE(module->getErrorString().find(c.error), std::string::npos) << c.body << ": " << module->getErrorString();
        EXPECT_LT(budget.peakGrowthMb(), tormakelin::test::kHostileMegabytes) << c.body;
    }
}

TEST(ScriptHostile, TextsThatStopTheCompilerFailCleanlyAndTheEngineGoesOn)
{
    core::SmartRef<IScriptEngine> engine(createScriptEngine());
    ASSERT_TRUE(engine->init());
    // Bitwise operators with a void operand fail an assertion inside the script library.
    char const* const texts[] = {
        "void f() {} void main() { int a = 1 & f(); }",
        "void main() { int a = 1 | setInt(\"a\", 1); }",
        "void f() {} void main() { int a = f() << 2; }",
    };
    for (char const* text : texts) {
        core::UniqueId id;
        core::generateUniqueId(id);
        core::SmartRef<IScriptModule> module(createScriptModule(engine.get(), id));
        EXPECT_FALSE(module->run(ScriptContext(), text)) << text;
        EXPECT_EQ(module->getErrorString(), "Tormakelin(0, 0) : ERR : the script compiler failed on this script");
    }
    core::UniqueId id;
    core::generateUniqueId(id);
    core::SmartRef<IScriptModule> module(createScriptModule(engine.get(), id));
    EXPECT_TRUE(module->run(ScriptContext(), "void main() { int a = 6 & 3; }"));
    EXPECT_FALSE(module->hasError()) << module->getErrorString();
}
