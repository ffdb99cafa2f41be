#include "MathNodeSupport.h"

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>

#include <cmath>
#include <memory>

namespace tormakelin::fxcore::test {

namespace {

float floatOutput(IGraphNode const& node, char const* name = "Result") { return outputValue(node, name).scalar.f; }

D3DXVECTOR3 vec3Output(IGraphNode const& node) { return outputValue(node).vec3; }

bool comparisonResult(char const* a, char const* b, char const* op)
{
    Comparison node;
    setInput(node, "Attributes/Operand-1", a);
    setInput(node, "Attributes/Operand-2", b);
    setInput(node, "Attributes/Operator", op);
    runOnce(node);
    return outputValue(node).scalar.b != 0;
}

float curveAt(char const* type, char const* phase, char const* amplitude = "1", char const* waveLength = "1")
{
    Curve node;
    setInput(node, "Attributes/CurveType", type);
    setInput(node, "Attributes/Phase", phase);
    setInput(node, "Attributes/Amplitude", amplitude);
    setInput(node, "Attributes/Wave Length", waveLength);
    runOnce(node);
    return floatOutput(node);
}

// Draws nothing; keeps the last value its input saw so a graph update can be checked.
class Vec4Probe : public Effect {
public:
    Vec4Probe() { addInput("Attributes/Value", kParameterVec4, "0,0,0,0", &seen); }
    D3DXVECTOR4 seen{0.0f, 0.0f, 0.0f, 0.0f};
};

} // namespace

TEST(MathNodes, ClampPowerAndBlends)
{
    Clamp clamp;
    setInput(clamp, "Attributes/Value", "-1,0.5,2,5");
    setInput(clamp, "Attributes/Min", "0,1,0,0");
    setInput(clamp, "Attributes/Max", "1,1,1,4");
    runOnce(clamp);
    D3DXVECTOR4 r = vec4Output(clamp);
    EXPECT_EQ(r, D3DXVECTOR4(0, 1, 1, 4));
    // Min above Max: the result is Max.
    setInput(clamp, "Attributes/Value", "0.5,-3,9,0");
    setInput(clamp, "Attributes/Min", "2,2,2,2");
    setInput(clamp, "Attributes/Max", "1,1,1,1");
    runOnce(clamp);
    EXPECT_EQ(vec4Output(clamp), D3DXVECTOR4(1, 1, 1, 1));

    Power power;
    setInput(power, "Attributes/Value", "2,3,-2,0");
    setInput(power, "Attributes/Exponent", "2");
    runOnce(power);
    EXPECT_EQ(vec4Output(power), D3DXVECTOR4(4, 9, 4, 0));

    Lerp lerp;
    setInput(lerp, "Attributes/Input-1", "0,10,-2,1");
    setInput(lerp, "Attributes/Input-2", "1,20,2,1");
    setInput(lerp, "Attributes/Delta", "1.5");
    runOnce(lerp);
    EXPECT_EQ(vec4Output(lerp), D3DXVECTOR4(1.5f, 25, 4, 1));

    CubicInterpolation cubic;
    setInput(cubic, "Attributes/Input-1", "0,0,4,1");
    setInput(cubic, "Attributes/Input-2", "1,8,0,1");
    setInput(cubic, "Attributes/Delta", "0.5");
    runOnce(cubic);
    EXPECT_EQ(vec4Output(cubic), D3DXVECTOR4(0.5f, 4, 2, 1));

    // SmoothStep clamps its delta; CubicInterpolation does not.
    SmoothStep smooth;
    setInput(smooth, "Attributes/Min", "0,2,0,0");
    setInput(smooth, "Attributes/Max", "1,4,0,0");
    setInput(smooth, "Attributes/Delta", "3");
    runOnce(smooth);
    EXPECT_EQ(vec4Output(smooth), D3DXVECTOR4(1, 4, 0, 0));
    setInput(cubic, "Attributes/Delta", "2");
    runOnce(cubic);
    EXPECT_EQ(vec4Output(cubic).x, 3.0f * 4 - 2.0f * 8);
}

TEST(MathNodes, VectorNodes)
{
    Dot dot;
    setInput(dot, "Attributes/Input-1", "1,2,3");
    setInput(dot, "Attributes/Input-2", "4,-5,6");
    runOnce(dot);
    EXPECT_FLOAT_EQ(floatOutput(dot), 12.0f);

    Cross cross;
    setInput(cross, "Attributes/Input-1", "1,0,0");
    setInput(cross, "Attributes/Input-2", "0,1,0");
    runOnce(cross);
    EXPECT_EQ(vec3Output(cross), D3DXVECTOR3(0, 0, 1));

    Distance distance;
    setInput(distance, "Attributes/Input-1", "3,0,0");
    runOnce(distance);
    EXPECT_EQ(vec3Output(distance), D3DXVECTOR3(1, 0, 0));
    // Two equal points have no direction: zero, not NaN.
    setInput(distance, "Attributes/Input-2", "3,0,0");
    runOnce(distance);
    EXPECT_EQ(vec3Output(distance), D3DXVECTOR3(0, 0, 0));

    Length length;
    setInput(length, "Attributes/Input", "3,4,12");
    runOnce(length);
    EXPECT_FLOAT_EQ(floatOutput(length), 13.0f);

    Normalize normalize;
    setInput(normalize, "Attributes/Input", "0,-2,0");
    runOnce(normalize);
    EXPECT_EQ(vec3Output(normalize), D3DXVECTOR3(0, -1, 0));

    MixIn mixIn;
    setInput(mixIn, "Attributes/X", "1");
    setInput(mixIn, "Attributes/W", "4");
    runOnce(mixIn);
    EXPECT_EQ(vec4Output(mixIn, "Output"), D3DXVECTOR4(1, 0, 0, 4));

    MixOut mixOut;
    setInput(mixOut, "Attributes/Input", "1,2,3,4");
    runOnce(mixOut);
    EXPECT_EQ(floatOutput(mixOut, "X"), 1.0f);
    EXPECT_EQ(floatOutput(mixOut, "Y"), 2.0f);
    EXPECT_EQ(floatOutput(mixOut, "Z"), 3.0f);
    EXPECT_EQ(floatOutput(mixOut, "W"), 4.0f);
}

TEST(MathNodes, ComparisonOperators)
{
    struct Case {
        char const* a;
        char const* b;
        char const* op;
        bool expected;
    } const cases[] = {
        {"1,2,3,4", "1,2,3,4", "0", true},
        {"1,2,3,4", "1,2,3,5", "0", false},
        {"1,2,3,4", "1,2,3,5", "1", true},
        {"1,1,1,1", "2,2,2,2", "2", true},
        {"1,1,3,1", "2,2,2,2", "2", false},
        {"2,1,1,1", "2,2,2,2", "3", true},
        {"3,3,3,3", "2,2,2,2", "4", true},
        {"2,3,3,3", "2,2,2,2", "4", false},
        {"2,3,3,3", "2,2,2,2", "5", true},
    };
    for (Case const& c : cases)
        EXPECT_EQ(comparisonResult(c.a, c.b, c.op), c.expected) << c.a << " op " << c.op << " " << c.b;

    Comparison node;
    NodeParameter* op = node.findInput("Attributes/Operator");
    EXPECT_FALSE(op->linkable);
    EXPECT_EQ(op->value->getOptions().at("GreaterEquals"), 5);
    // An operator past the list keeps the last verdict.
    setInput(node, "Attributes/Operator", "0");
    runOnce(node);
    ASSERT_TRUE(outputValue(node).scalar.b);
    setInput(node, "Attributes/Operator", "9");
    setInput(node, "Attributes/Operand-1", "5,5,5,5");
    runOnce(node);
    EXPECT_TRUE(outputValue(node).scalar.b);
}

TEST(MathNodes, CurveShapes)
{
    EXPECT_EQ(curveAt("4", "0.25", "2"), 2.0f);
    EXPECT_EQ(curveAt("4", "0.75", "2"), 0.0f);
    EXPECT_EQ(curveAt("4", "1.25", "2"), 2.0f);
    EXPECT_FLOAT_EQ(curveAt("2", "0", "3"), -3.0f);
    EXPECT_NEAR(curveAt("2", "3.14159265"), 0.0f, 1e-5f);
    EXPECT_NEAR(curveAt("3", "0", "5"), 0.0f, 1e-5f);
    EXPECT_NEAR(curveAt("3", "1.5707963", "5"), -5.0f, 1e-4f);
    EXPECT_NEAR(curveAt("3", "-1.5707963", "5"), 5.0f, 1e-4f);
    EXPECT_NEAR(curveAt("0", "1.5707963", "2", "1"), 2.0f, 1e-5f);
    EXPECT_NEAR(curveAt("0", "3.1415927", "1", "2"), 1.0f, 1e-5f);
    EXPECT_NEAR(curveAt("1", "1.5707963", "2"), 1.5f, 1e-5f);
    // No wave length: x is an infinity or NaN, and each shape gives what IEEE arithmetic makes of
    // it; Square's fraction is NaN, which is not at most 0.5.
    struct ZeroWaveLength {
        char const* type;
        char const* phase;
        float expected;
    };
    for (ZeroWaveLength const c : {ZeroWaveLength{"0", "1", NAN}, ZeroWaveLength{"0", "0", NAN},
                                   ZeroWaveLength{"1", "1", NAN}, ZeroWaveLength{"2", "1", NAN},
                                   ZeroWaveLength{"2", "-1", NAN}, ZeroWaveLength{"3", "-1", NAN},
                                   ZeroWaveLength{"3", "0", NAN}, ZeroWaveLength{"4", "1", 0.0f},
                                   ZeroWaveLength{"4", "0", 0.0f}}) {
        float const result = curveAt(c.type, c.phase, "2", "0");
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(result)) << "type " << c.type << ", phase " << c.phase << ": " << result;
        else
            EXPECT_EQ(result, c.expected) << "type " << c.type << ", phase " << c.phase;
    }

    Curve node;
    NodeParameter* type = node.findInput("Attributes/CurveType");
    EXPECT_FALSE(type->linkable);
    EXPECT_EQ(type->value->getOptions().size(), 5u);
    setInput(node, "Attributes/CurveType", "4");
    setInput(node, "Attributes/Phase", "0.25");
    runOnce(node);
    setInput(node, "Attributes/CurveType", "7");
    setInput(node, "Attributes/Phase", "0.75");
    runOnce(node);
    EXPECT_EQ(floatOutput(node), 1.0f);
}

TEST(MathNodes, TimeFollowsTheLayerOrTheDocument)
{
    TimeModifier node;
    runOnce(node, 2.5);
    EXPECT_EQ(vec4Output(node, "Output"), D3DXVECTOR4(2.5f, 2.5f, 2.5f, 2.5f));

    Application app;
    app.newDocument();
    UpdateContext documentTime;
    documentTime.time = 7.0;
    app.getDocument()->update(documentTime);
    setInput(node, "Attributes/Global Time", "1");
    runOnce(node, 2.5);
    EXPECT_EQ(vec4Output(node, "Output"), D3DXVECTOR4(7, 7, 7, 7));
}

TEST(MathNodes, PerlinNoiseSeedsAndOctaves)
{
    auto sample = [](char const* seed, char const* octaves, double time) {
        PerlinNoise node;
        setInput(node, "Attributes/Seed", seed);
        setInput(node, "Attributes/Octaves", octaves);
        runOnce(node, time);
        return floatOutput(node, "Output");
    };
    float const a = sample("0", "1", 0.37);
    EXPECT_EQ(sample("0", "0", 0.37), a);
    EXPECT_EQ(sample("0", "-4", 0.37), a);
    EXPECT_NE(sample("5", "1", 0.37), a);

    core::Noise reference;
    reference.init(5);
    reference.setNumOctaves(8);
    float const expected = reference.noise1d(0.37f * 3.0f) * 0.5f + 0.5f;
    PerlinNoise node;
    setInput(node, "Attributes/Seed", "5");
    setInput(node, "Attributes/Frequency", "3");
    runOnce(node, 0.37);
    EXPECT_FLOAT_EQ(floatOutput(node, "Output"), expected);
    // The same seed on the next frame keeps the noise source as it is.
    runOnce(node, 0.37);
    EXPECT_FLOAT_EQ(floatOutput(node, "Output"), expected);
}

TEST(MathNodes, LinkedNodesEvaluateEachFrame)
{
    // Time -> Sine -> Mul(by 2) -> Saturate -> probe, as an effect's animation would be driven.
    core::SmartRef<IGraph> const graph = createGraph(0);
    auto* time = new TimeModifier;
    auto* sine = new Sine;
    auto* scale = new Mul;
    auto* saturate = new Saturate;
    auto* probe = new Vec4Probe;
    auto* stack = new RenderStack;
    for (IGraphNode* node : std::initializer_list<IGraphNode*>{time, sine, scale, saturate, probe, stack})
        graph->addNode(node);
    setInput(*scale, "Attributes/Factor-2", "2,2,2,-2");
    ASSERT_TRUE(link(time, "Output", sine, "Attributes/Input"));
    ASSERT_TRUE(link(sine, "Result", scale, "Attributes/Factor-1"));
    ASSERT_TRUE(link(scale, "Result", saturate, "Attributes/Input"));
    ASSERT_TRUE(link(saturate, "Result", probe, "Attributes/Value"));
    ASSERT_TRUE(link(probe, "Output", stack, "Input-1"));

    for (double t : {0.1, 0.3, 2.0, 4.0}) {
        UpdateContext context;
        context.time = t;
        graph->update(context);
        float const s = static_cast<float>(std::sin(t)) * 2.0f;
        float const clamped = s < 0 ? 0 : s > 1 ? 1 : s;
        float const negated = -s < 0 ? 0 : -s > 1 ? 1 : -s;
        EXPECT_NEAR(probe->seen.x, clamped, 1e-5f) << "t " << t;
        EXPECT_NEAR(probe->seen.w, negated, 1e-5f) << "t " << t;
    }
}

} // namespace tormakelin::fxcore::test
