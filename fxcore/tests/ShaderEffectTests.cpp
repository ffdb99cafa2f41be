#include <tormakelin/fxcore/ShaderEffect.h>

#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/Shader.h>

#include "DeviceTestSupport.h"

#include <fstream>
#include <sstream>
#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

std::string const kValid = "float4 colour = float4(1, 0, 0, 1);\n"
                           "float4 vs(float4 p : POSITION) : POSITION { return p; }\n"
                           "float4 ps() : COLOR { return colour; }\n"
                           "technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }\n";
std::string const kBroken = "float4 ps() : COLOR { return undeclared; }\n"
                            "technique T { pass P { PixelShader = compile ps_3_0 ps(); } }\n";
std::string const kWithInclude = "#include \"Tormakelin.fxh\"\n"
                                 "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                                 "float4 ps() : COLOR { return fogColor; }\n"
                                 "technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }\n";

std::string readFx(char const* name)
{
    std::ifstream file(std::string(EFFECT_CORPUS_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class ShaderEffectTest : public fxcore::test::DeviceTest {
protected:
    void SetUp() override
    {
        fxcore::test::DeviceTest::SetUp();
        m_node = new ShaderEffect();
    }
    void TearDown() override
    {
        m_node = nullptr;
        fxcore::test::DeviceTest::TearDown();
    }

    ShaderEffect& node() { return static_cast<ShaderEffect&>(*m_node); }
    void setText(std::string const& text) { node().findInput("Attributes/Hlsl")->value->setText(text); }
    // The text reaches the node as a changed input does in a running graph.
    void update()
    {
        UpdateContext context;
        node().setUpdateFlag(true);
        node().update(context);
    }

    core::SmartRef<IGraphNode> m_node;
};

TEST_F(ShaderEffectTest, IsAPlainNodeWithAPropertyTextAndALinkOutput)
{
    EXPECT_EQ(node().getNodeType(), kGraphNodePlain);
    NodeParameter const* hlsl = node().findInput("Attributes/Hlsl");
    ASSERT_NE(hlsl, nullptr);
    EXPECT_EQ(hlsl->getType(), kParameterText);
    EXPECT_EQ(hlsl->value->getText(), "");
    EXPECT_FALSE(hlsl->linkable);
    EXPECT_FALSE(hlsl->visible);
    NodeParameter const* result = node().findOutput("Result");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->getType(), kParameterLink);
    EXPECT_EQ(node().getShader(), nullptr) << "nothing compiles before the text arrives";
    EXPECT_EQ(node().getStatus(), "Ok");
}

TEST_F(ShaderEffectTest, CompilesEachTextAndKeepsNoStaleShader)
{
    struct Step {
        std::string const* text;
        bool compiled;
    };
    std::string const empty;
    // A broken text after a good one drops the good shader, and an empty one is no error.
    for (Step const& step : {Step{&kValid, true}, Step{&kBroken, false}, Step{&kValid, true}, Step{&empty, false}}) {
        setText(*step.text);
        node().createShader();
        EXPECT_EQ(node().getShader() != nullptr, step.compiled) << *step.text;
        if (step.compiled || step.text->empty())
            EXPECT_EQ(node().getStatus(), "Ok");
        else
            EXPECT_NE(node().getStatus().find("undeclared"), std::string::npos) << node().getStatus();
    }
}

TEST_F(ShaderEffectTest, CompilingTheSameTextTwiceKeepsTheSecondShader)
{
    setText(kValid);
    node().createShader();
    core::SmartRef<render::IShader> const first = node().getShader();
    node().createShader();
    ASSERT_NE(node().getShader(), nullptr);
    EXPECT_NE(node().getShader(), first.get());
    ASSERT_NE(node().getShader()->getParameter("colour"), nullptr);
    EXPECT_GT(node().getShader()->begin(), 0u) << "the shader draws on the device";
    node().getShader()->end();
}

TEST_F(ShaderEffectTest, AChangedTextRecompilesOnTheNextUpdate)
{
    setText(kValid);
    update();
    render::IShader const* first = node().getShader();
    EXPECT_NE(first, nullptr);
    update();
    EXPECT_EQ(node().getShader(), first) << "an unchanged text compiles nothing";
    setText(kBroken);
    update();
    EXPECT_EQ(node().getShader(), nullptr);
}

TEST_F(ShaderEffectTest, TheSharedIncludeWorksOnceRegistered)
{
    setText(kWithInclude);
    node().createShader();
    EXPECT_EQ(node().getShader(), nullptr);
    ASSERT_TRUE(kavro::setupShaderIncludes());
    node().createShader();
    ASSERT_NE(node().getShader(), nullptr) << node().getStatus();
    EXPECT_NE(node().getShader()->getParameter("worldViewProjection"), nullptr);
}

TEST_F(ShaderEffectTest, TextThatKillsTheShaderCompilerIsRefusedAndTheNodeLives)
{
    struct Case {
        char const* file;
        char const* status; // a part of the status text
    };
    // The first is refused by our own check before the compiler's front end, the second by
    // the child that dies in it. The third once killed it too: its one-component vector is now
    // given as a scalar, and the compiler refuses the assignment with its own message.
    Case const cases[] = {
        {"increment-after-value.fx", "needs a variable to change"},
        {"local-void-member.fx", "the shader compiler failed on this effect"},
        {"mul-conversion-fault.fx", "could not create assignment"},
    };
    for (Case const& c : cases) {
        std::string const text = readFx(c.file);
        ASSERT_FALSE(text.empty()) << c.file;
        for (int round = 0; round < 2; ++round) {
            setText(kValid);
            node().createShader();
            ASSERT_NE(node().getShader(), nullptr);
            setText(text);
            node().createShader();
            EXPECT_EQ(node().getShader(), nullptr) << c.file << ": no shader, and no stale one";
            EXPECT_NE(node().getStatus().find(c.status), std::string::npos) << c.file << ": " << node().getStatus();
        }
    }
}

} // namespace
