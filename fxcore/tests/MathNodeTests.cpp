#include "MathNodeSupport.h"

#include <cfloat>
#include <cmath>
#include <functional>
#include <memory>

namespace tormakelin::fxcore::test {

namespace {

struct Vec4Case {
    char const* what;
    std::function<std::unique_ptr<GraphNode>()> make;
    std::vector<std::pair<char const*, char const*>> inputs;
    D3DXVECTOR4 expected;
};

template <typename T>
std::function<std::unique_ptr<GraphNode>()> maker()
{
    return [] { return std::make_unique<T>(); };
}

void expectVec4Near(D3DXVECTOR4 const& actual, D3DXVECTOR4 const& expected, char const* what)
{
    float const* a = &actual.x;
    float const* e = &expected.x;
    for (int i = 0; i < 4; ++i) {
        if (std::isnan(e[i]))
            EXPECT_TRUE(std::isnan(a[i])) << what << " component " << i;
        else if (std::isinf(e[i]) || std::fabs(e[i]) == FLT_MAX)
            EXPECT_EQ(a[i], e[i]) << what << " component " << i;
        else
            EXPECT_NEAR(a[i], e[i], 1e-4f) << what << " component " << i;
    }
}

void runCases(std::vector<Vec4Case> const& cases)
{
    for (Vec4Case const& c : cases) {
        std::unique_ptr<GraphNode> node = c.make();
        for (auto const& [name, text] : c.inputs)
            setInput(*node, name, text);
        runOnce(*node);
        expectVec4Near(vec4Output(*node), c.expected, c.what);
    }
}

} // namespace

TEST(MathNodes, ComponentWiseSingleInputNodes)
{
    char const* in = "Attributes/Input";
    float const low = -FLT_MAX;
    runCases({
        {"Abs", maker<Abs>(), {{in, "-1.5,2,0,-0"}}, {1.5f, 2, 0, 0}},
        {"Ceil", maker<Ceil>(), {{in, "1.2,-1.2,3,0"}}, {2, -1, 3, 0}},
        {"Floor", maker<Floor>(), {{in, "1.7,-1.2,3,0"}}, {1, -2, 3, 0}},
        {"Frac", maker<Frac>(), {{in, "1.25,-1.25,3,0"}}, {0.25f, -0.25f, 0, 0}},
        {"Round", maker<Round>(), {{in, "-1.7,-0.5,0.49,2.5"}}, {-1, 0, 0, 3}},
        {"Sign", maker<Sign>(), {{in, "-3,4,0,-0"}}, {-1, 1, 0, 0}},
        {"Negate", maker<Negate>(), {{in, "1,-2,0,3"}}, {-1, 2, -0.0f, -3}},
        {"Complement", maker<Complement>(), {{in, "0,1,0.25,2"}}, {1, 0, 0.75f, -1}},
        {"Saturate", maker<Saturate>(), {{in, "-1,0.5,2,1"}}, {0, 0.5f, 1, 1}},
        {"Sqrt", maker<Sqrt>(), {{in, "4,9,0,-1"}}, {2, 3, 0, NAN}},
        {"RSqrt", maker<RSqrt>(), {{in, "4,0.25,1,0"}}, {0.5f, 2, 1, INFINITY}},
        {"Exp", maker<Exp>(), {{in, "0,1,3,-1"}}, {1, 2, 8, 0.5f}},
        {"Log", maker<Log>(), {{in, "0,-8,8,1"}}, {low, 3, 3, 0}},
        {"Log2", maker<Log2>(), {{in, "0,-8,8,1"}}, {low, 3, 3, 0}},
        {"Log10", maker<Log10>(), {{in, "0,-8,8,1"}}, {low, 0.90309f, 0.90309f, 0}},
        {"Sine", maker<Sine>(), {{in, "0,1.5707964,3.1415927,-1.5707964"}}, {0, 1, 0, -1}},
        {"Cosine", maker<Cosine>(), {{in, "0,1.5707964,3.1415927,1"}}, {1, 0, -1, 0.5403023f}},
        {"Tan is tanh", maker<Tan>(), {{in, "1,0,-1,20"}}, {0.76159f, 0, -0.76159f, 1}},
        {"ArcCosine", maker<ArcCosine>(), {{in, "1,0,-1,2"}}, {0, 1.5707964f, 3.1415927f, NAN}},
        {"SineHyperbolic", maker<SineHyperbolic>(), {{in, "0,1,-1,2"}}, {0, 1.1752012f, -1.1752012f, 3.6268604f}},
        {"CosineHyperbolic", maker<CosineHyperbolic>(), {{in, "0,1,-1,2"}}, {1, 1.5430806f, 1.5430806f, 3.7621957f}},
        {"All set", maker<All>(), {{in, "1,-2,0.5,3"}}, {1, 1, 1, 1}},
        {"All with a zero", maker<All>(), {{in, "1,-2,0,3"}}, {0, 0, 0, 0}},
        {"Any set", maker<Any>(), {{in, "0,0,0,-0.1"}}, {1, 1, 1, 1}},
        {"Any none", maker<Any>(), {{in, "0,0,0,0"}}, {0, 0, 0, 0}},
    });
}

TEST(MathNodes, ComponentWiseTwoInputNodes)
{
    char const* a = "Attributes/Input-1";
    char const* b = "Attributes/Input-2";
    runCases({
        {"Add", maker<Add>(), {{a, "1,2,3,4"}, {b, "10,20,30,40"}}, {11, 22, 33, 44}},
        {"Sub", maker<Sub>(), {{a, "1,2,3,4"}, {b, "4,3,2,1"}}, {-3, -1, 1, 3}},
        {"Mul", maker<Mul>(), {{"Attributes/Factor-1", "1,2,3,4"}, {"Attributes/Factor-2", "2,2,-1,0"}}, {2, 4, -3, 0}},
        {"Div", maker<Div>(), {{"Attributes/Dividend", "1,6,-3,5"}, {"Attributes/Divisor", "2,3,1,0"}},
         {0.5f, 2, -3, INFINITY}},
        {"Div by its default divisor", maker<Div>(), {{"Attributes/Dividend", "1,2,3,4"}}, {1, 2, 3, 4}},
        {"Div by zero is unguarded", maker<Div>(), {{"Attributes/Dividend", "1,-1,0,5"}, {"Attributes/Divisor", "0,0,0,2"}},
         {INFINITY, -INFINITY, NAN, 2.5f}},
        {"Min", maker<Min>(), {{a, "1,5,3,-2"}, {b, "2,4,3,-3"}}, {1, 4, 3, -3}},
        {"Max", maker<Max>(), {{a, "1,5,3,-2"}, {b, "2,4,3,-3"}}, {2, 5, 3, -2}},
        {"Modulus keeps the dividend's sign", maker<Modulus>(), {{a, "5.5,-5.5,7,3"}, {b, "2,2,-3,0"}},
         {1.5f, -1.5f, 1, NAN}},
        {"Modulus by zero or of an infinity is NaN, of a finite by an infinity the dividend", maker<Modulus>(),
         {{a, "0,-2,1e39,3"}, {b, "0,0,1,1e39"}}, {NAN, NAN, NAN, 3}},
        {"And", maker<And>(), {{a, "1,0,1,0"}, {b, "2,1,0,0"}}, {1, 0, 0, 0}},
        {"Or", maker<Or>(), {{a, "1,0,1,0"}, {b, "2,1,0,0"}}, {1, 1, 1, 0}},
        {"Step", maker<Step>(), {{a, "0.5,0.5,0.5,-1"}, {b, "0.4,0.5,0.6,-2"}}, {0, 1, 1, 0}},
    });
}

TEST(MathNodes, DescriptorsCarryTheirIdsAndNames)
{
    EXPECT_EQ(Abs::_pluginDesc.id, core::stringToUniqueId("404298FD-ED2F-11DD-B003-BA03DEBE1D47"));
    EXPECT_EQ(Abs::_pluginDesc.path, "Arithmetic/Abs");
    EXPECT_EQ(Abs::_pluginDesc.name, "Abs");
    EXPECT_EQ(Tan::_pluginDesc.path, "Trigonometry/Tan");
    EXPECT_EQ(Or::_pluginDesc.path, "Logic/Or");
    EXPECT_EQ(Div::_pluginDesc.type, kPluginGraphNode);
    // Its stored text is one digit too long, so it parses to the null id.
    EXPECT_EQ(Floor::_pluginDesc.id, core::UniqueId{});
    Abs node;
    EXPECT_EQ(node.getNodeType(), kGraphNodePlain);
}

} // namespace tormakelin::fxcore::test
