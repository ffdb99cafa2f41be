#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/ScriptApi.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <tormakelin/core/UniqueId.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

// Stands in for a graph node: inputs by full name.
struct FakeNode {
    std::map<std::string, IParameter*> inputs;

    ~FakeNode()
    {
        for (auto& [name, parameter] : inputs)
            parameter->release();
    }
    IParameter* add(std::string const& name, ParameterType type, std::string const& text)
    {
        IParameter* parameter = createParameter(type);
        parameter->addRef();
        parameter->setText(text);
        IParameter*& slot = inputs[name];
        if (slot)
            slot->release();
        slot = parameter;
        return parameter;
    }
    IGraphNode* handle() { return reinterpret_cast<IGraphNode*>(this); }
};

IParameter* lookup(IGraphNode* node, std::string const& name)
{
    auto& inputs = reinterpret_cast<FakeNode*>(node)->inputs;
    auto const found = inputs.find(name);
    return found == inputs.end() ? nullptr : found->second;
}

class ScriptTest : public ::testing::Test {
protected:
    ScriptTest()
    {
        m_engine = createScriptEngine();
        m_engine->addRef();
        m_initialised = m_engine->init();
        AsTormakelin::s_inputLookup = lookup;
        core::generateUniqueId(m_moduleId);
        m_module = newModule(m_moduleId);
    }
    ~ScriptTest() override
    {
        if (m_module)
            m_module->release();
        m_engine->release();
        AsTormakelin::s_inputLookup = nullptr;
    }

    IScriptModule* newModule()
    {
        core::UniqueId id;
        core::generateUniqueId(id);
        return newModule(id);
    }

    IScriptModule* newModule(core::UniqueId const& id)
    {
        IScriptModule* module = createScriptModule(m_engine, id);
        if (module)
            module->addRef();
        return module;
    }

    ScriptContext context()
    {
        ScriptContext c;
        c.node = m_node.handle();
        return c;
    }

    // Runs the script and returns the text the script left in "Out".
    std::string runForOut(std::string const& body)
    {
        IParameter* out = m_node.add("Out", kParameterText, "");
        EXPECT_TRUE(m_module->run(context(), "void main() { " + body + " }")) << m_module->getErrorString();
        EXPECT_FALSE(m_module->hasError()) << m_module->getErrorString();
        return out->getText();
    }

    IScriptEngine* m_engine = nullptr;
    core::UniqueId m_moduleId{};
    bool m_initialised = false;
    IScriptModule* m_module = nullptr;
    FakeNode m_node;
};

} // namespace

TEST_F(ScriptTest, EngineInitialisesWithTheWholeApi)
{
    ASSERT_TRUE(m_initialised);
    ASSERT_NE(m_module, nullptr);
    EXPECT_TRUE(m_engine->init());
}

TEST_F(ScriptTest, EmptyTextRunsNothing)
{
    EXPECT_FALSE(m_module->run(context(), ""));
    EXPECT_FALSE(m_module->hasError());
}

TEST_F(ScriptTest, MainMayReturnAValueAndMayBeMissing)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    EXPECT_TRUE(m_module->run(context(), "int main() { setInt(\"Out\", 7); return 1; }"));
    EXPECT_EQ(out->getInt(), 7);
    EXPECT_TRUE(m_module->run(context(), "int helper() { return 1; }"));
    EXPECT_FALSE(m_module->hasError());
}

TEST_F(ScriptTest, GlobalsLastAcrossRunsAndResetWhenTheTextChanges)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    std::string const counter = "int n = 0; void main() { n += 1; setInt(\"Out\", n); }";
    for (int run = 1; run <= 3; ++run) {
        ASSERT_TRUE(m_module->run(context(), counter));
        EXPECT_EQ(out->getInt(), run);
    }
    ASSERT_TRUE(m_module->run(context(), counter + " "));
    EXPECT_EQ(out->getInt(), 1);
    m_module->rebuild();
    ASSERT_TRUE(m_module->run(context(), counter + " "));
    EXPECT_EQ(out->getInt(), 1);
}

TEST_F(ScriptTest, BuildErrorIsReportedWithRowAndColumnAndKeptUntilTheTextChanges)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    std::string const broken = "void main()\n{\n  setInt(\"Out\", 5)\n}\n";
    EXPECT_FALSE(m_module->run(context(), broken));
    ASSERT_TRUE(m_module->hasError());
    std::string const error = m_module->getErrorString();
    EXPECT_EQ(error.rfind("Tormakelin(", 0), 0u) << error;
    EXPECT_NE(error.find("(4, 1) : ERR : "), std::string::npos) << error;
    EXPECT_NE(m_engine->getLastMessage(), "");

    EXPECT_FALSE(m_module->run(context(), broken));
    EXPECT_TRUE(m_module->hasError());
    EXPECT_EQ(m_module->getErrorString(), error);
    EXPECT_EQ(out->getInt(), 0);

    EXPECT_TRUE(m_module->run(context(), "void main() { setInt(\"Out\", 5); }"));
    EXPECT_FALSE(m_module->hasError());
    EXPECT_EQ(out->getInt(), 5);
}

TEST_F(ScriptTest, EndlessLoopIsStoppedAndReported)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    std::string const endless = "void main() { setInt(\"Out\", 1); while (true) {} }";
    auto const start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_module->run(context(), endless));
    auto const spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::milliseconds(kScriptTimeBudgetMs * 10));
    EXPECT_EQ(out->getInt(), 1);
    ASSERT_TRUE(m_module->hasError());
    EXPECT_NE(m_module->getErrorString().find("stopped"), std::string::npos);

    // Not run again until the text changes.
    out->setInt(0);
    EXPECT_FALSE(m_module->run(context(), endless));
    EXPECT_EQ(out->getInt(), 0);
    EXPECT_TRUE(m_module->hasError());
}

TEST_F(ScriptTest, StringIndexOutOfRangeRaisesAScriptException)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    EXPECT_TRUE(m_module->run(context(), "void main() { String s = \"ab\"; setInt(\"Out\", s[1]); uint8 c = s[2]; }"));
    EXPECT_EQ(out->getInt(), 'b');
    ASSERT_TRUE(m_module->hasError());
    EXPECT_NE(m_module->getErrorString().find("Out of range"), std::string::npos) << m_module->getErrorString();
}

TEST_F(ScriptTest, StringOperations)
{
    struct Case {
        char const* body;
        char const* expected;
    };
    Case const cases[] = {
        {"String a = \"a\"; setString(\"Out\", a + 1.5f);", "a1.5"},
        {"setString(\"Out\", 2.5 + String(\"x\"));", "2.5x"},
        {"String s = \"n\"; s += 3; s += \"-\"; s += uint(4); setString(\"Out\", s);", "n3-4"},
        {"String s; s = -7; setString(\"Out\", s + s.length());", "-72"},
        {"String s = \"abc\"; s[0] = 65; setString(\"Out\", s);", "Abc"},
        {"String s = \"abc\"; s[0] = 65; String t = \"abc\"; setString(\"Out\", t);", "abc"},
        {"String a = \"a\", b = \"b\"; setString(\"Out\", (a < b && a != b && !(a == b) && b >= a) ? \"yes\" : \"no\");",
            "yes"},
        {"setString(\"Out\", getString(\"Missing\") + \"|\" + getString(\"Name\"));", "|node"},
        {"String m = \"one\nline\"; setString(\"Out\", m);", "one\nline"},
    };
    m_node.add("Name", kParameterText, "node");
    for (Case const& c : cases) {
        IScriptModule* module = newModule();
        std::swap(module, m_module);
        EXPECT_EQ(runForOut(c.body), c.expected) << c.body;
        std::swap(module, m_module);
        module->release();
    }
}

TEST_F(ScriptTest, VectorTypesReturnByValue)
{
    m_node.add("V2", kParameterVec2, "1,2");
    m_node.add("V3", kParameterVec3, "1,2,3");
    m_node.add("V4", kParameterVec4, "1,2,3,4");
    m_node.add("C", kParameterColor, "255,128,0,255");
    IParameter* o2 = m_node.add("O2", kParameterVec2, "");
    IParameter* o3 = m_node.add("O3", kParameterVec3, "");
    IParameter* o4 = m_node.add("O4", kParameterVec4, "");
    IParameter* oc = m_node.add("OC", kParameterColor, "");
    IParameter* f = m_node.add("F", kParameterFloat, "");
    std::string const script = R"(
        Vec2 twice2(Vec2 v) { return v * 2.0f; }
        Vec3 twice3(Vec3 v) { return 2.0f * v; }
        Vec4 twice4(const Vec4 &in v) { return v + v; }
        void main() {
            setVec2("O2", twice2(getVec2("V2")) - Vec2(0.5f, 0.5f));
            Vec3 a = twice3(getVec3("V3"));
            a /= 2.0f;
            a += Vec3(0, 0, 1);
            setVec3("O3", a);
            Vec4 b = twice4(getVec4("V4")) / 2.0f;
            b *= 3.0f;
            b -= Vec4(1, 1, 1, 1);
            setVec4("O4", b);
            Color c = getColor("C");
            c.g = c.y / 2.0f;
            setColor("OC", c);
            setFloat("F", Vec2(3, 4).length() + (Vec3(1, 2, 3) == Vec3(1, 2, 3) ? 100.0f : 0.0f)
                + (Vec4(1, 2, 3, 4) != Vec4(1, 2, 3, 5) ? 1000.0f : 0.0f));
        })";
    ASSERT_TRUE(m_module->run(context(), script)) << m_module->getErrorString();
    ASSERT_FALSE(m_module->hasError()) << m_module->getErrorString();
    EXPECT_EQ(o2->getText(), "1.500000,3.500000");
    EXPECT_EQ(o3->getText(), "1.000000,2.000000,4.000000");
    EXPECT_EQ(o4->getText(), "2.000000,5.000000,8.000000,11.000000");
    EXPECT_EQ(oc->getText(), "255.000000,64.000000,0.000000,255.000000");
    EXPECT_FLOAT_EQ(f->getFloat(), 1105.0f);
}

TEST_F(ScriptTest, NodeAccessConvertsAndIgnoresMissingInputs)
{
    IParameter* vec4 = m_node.add("Attributes/Color", kParameterVec4, "9,9,9,9");
    IParameter* number = m_node.add("Attributes/Amount", kParameterInt, "3");
    std::string const script = R"(
        void main() {
            setColor("Attributes/Color", Color(1, 2, 3, 4));
            setFloat("Missing", 5.0f);
            setFloat("Attributes/Amount", getFloat("Missing") + getInt("Attributes/Amount") + 0.9f);
        })";
    ASSERT_TRUE(m_module->run(context(), script)) << m_module->getErrorString();
    EXPECT_EQ(vec4->getText(), "1.000000,2.000000,3.000000,4.000000");
    EXPECT_EQ(number->getInt(), 3);
    EXPECT_EQ(m_node.inputs.count("Missing"), 0u);
}

TEST_F(ScriptTest, RunStateAndMath)
{
    IParameter* out = m_node.add("Out", kParameterVec4, "");
    IParameter* q = m_node.add("Q", kParameterVec4, "");
    ScriptContext c = context();
    c.time = 2.5f;
    c.globalTime = 2.5f;
    c.delta = 0.25f;
    c.editor = false;
    c.playing = true;
    std::string const script = R"(
        void main() {
            setVec4("Out", Vec4(time() + localTime() + globalTime(), delta(),
                (isPlaying() && !isEditor()) ? 1.0f : 0.0f,
                floor(-1.5f) + ceil(1.2f) + abs(-3.0f) + fraction(2.75f) + sqrt(16.0f) + pow(2.0f, 3.0f)));
            setVec4("Q", eulerToQuaternion(Vec3(0, 0, toRadian(180.0f))));
        })";
    ASSERT_TRUE(m_module->run(c, script)) << m_module->getErrorString();
    D3DXVECTOR4 const v = out->getVec4();
    EXPECT_FLOAT_EQ(v.x, 7.5f);
    EXPECT_FLOAT_EQ(v.y, 0.25f);
    EXPECT_FLOAT_EQ(v.z, 1.0f);
    EXPECT_FLOAT_EQ(v.w, -2.0f + 2.0f + 3.0f + 0.75f + 4.0f + 8.0f);
    D3DXVECTOR4 const r = q->getVec4();
    EXPECT_NEAR(r.z, 1.0f, 1e-5f);
    EXPECT_NEAR(r.w, 0.0f, 1e-5f);
    EXPECT_EQ(AsTormakelin::s_context.node, nullptr);
}

TEST_F(ScriptTest, ModulesOutliveTheirOwnersAndDiscardOnlyThemselves)
{
    IParameter* out = m_node.add("Out", kParameterInt, "0");
    IScriptModule* second = newModule(m_moduleId);
    ASSERT_TRUE(m_module->run(context(), "void main() { setInt(\"Out\", 1); }"));
    ASSERT_TRUE(second->run(context(), "void main() { setInt(\"Out\", 2); }"));
    // A replacement made for the same node leaves the first module working until it goes.
    m_module->release();
    m_module = nullptr;
    ASSERT_TRUE(second->run(context(), "void main() { setInt(\"Out\", 3); }"));
    EXPECT_EQ(out->getInt(), 3);

    // The engine stays alive while a module holds it.
    m_engine->release();
    m_engine = createScriptEngine();
    m_engine->addRef();
    EXPECT_TRUE(second->run(context(), "void main() { setInt(\"Out\", 4); }"));
    EXPECT_EQ(out->getInt(), 4);
    second->release();
}

TEST_F(ScriptTest, ModulesNeedAnInitialisedEngine)
{
    IScriptEngine* bare = createScriptEngine();
    bare->addRef();
    core::UniqueId id{};
    EXPECT_EQ(createScriptModule(bare, id), nullptr);
    EXPECT_EQ(createScriptModule(nullptr, id), nullptr);
    bare->release();
}
