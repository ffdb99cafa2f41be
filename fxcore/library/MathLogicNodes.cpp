#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <cmath>
#include <initializer_list>

namespace tormakelin::fxcore {

namespace {

// Option inputs are only ever set, never linked.
void addOptionInput(GraphNode& node, char const* name, int* member, std::initializer_list<char const*> entries)
{
    NodeParameter* input = node.addInput(name, kParameterOption, "0", member);
    int key = 0;
    for (char const* entry : entries)
        input->value->addOption(entry, key++);
    input->linkable = false;
}

template <typename Test>
bool everyComponent(D3DXVECTOR4 const& a, D3DXVECTOR4 const& b, Test test)
{
    return test(a.x, b.x) && test(a.y, b.y) && test(a.z, b.z) && test(a.w, b.w);
}

// x wrapped into 0..2pi.
float wrapToPeriod(float x, float twoPi) { return x - twoPi * std::floor(x / twoPi); }

} // namespace

PluginDesc Comparison::_pluginDesc =
    mathNodeDesc("E6F292EE-ED51-11DD-BF73-9123C70A0D9B", "Logic/Comparison", "Comparison");

Comparison::Comparison()
{
    addInput("Attributes/Operand-1", kParameterVec4, "0,0,0,0", &m_first);
    addInput("Attributes/Operand-2", kParameterVec4, "0,0,0,0", &m_second);
    addOptionInput(*this, "Attributes/Operator", &m_operator,
                   {"Equals", "NotEquals", "Less", "LessEquals", "Greater", "GreaterEquals"});
    addOutput("Result", kParameterBool, &m_result);
}

Comparison::~Comparison() = default;

// Orderings hold only when every component pair satisfies them.
void Comparison::eval(UpdateContext&)
{
    switch (m_operator) {
    case kComparisonEquals:
        m_result = everyComponent(m_first, m_second, [](float a, float b) { return a == b; });
        break;
    case kComparisonNotEquals:
        m_result = !everyComponent(m_first, m_second, [](float a, float b) { return a == b; });
        break;
    case kComparisonLess:
        m_result = everyComponent(m_first, m_second, [](float a, float b) { return a < b; });
        break;
    case kComparisonLessEquals:
        m_result = everyComponent(m_first, m_second, [](float a, float b) { return a <= b; });
        break;
    case kComparisonGreater:
        m_result = everyComponent(m_first, m_second, [](float a, float b) { return a > b; });
        break;
    case kComparisonGreaterEquals:
        m_result = everyComponent(m_first, m_second, [](float a, float b) { return a >= b; });
        break;
    default:
        break;
    }
}

PluginDesc Curve::_pluginDesc = mathNodeDesc("0058C13A-ED54-11DD-BF73-9123C70A0D9B", "Misc/Curve", "Curve");

Curve::Curve()
{
    addInput("Attributes/Phase", kParameterFloat, "0", &m_phase);
    addInput("Attributes/Amplitude", kParameterFloat, "1", &m_amplitude);
    addInput("Attributes/Wave Length", kParameterFloat, "1", &m_waveLength);
    addOptionInput(*this, "Attributes/CurveType", &m_curveType,
                   {"Sine", "SineNormalized", "SawTooth", "Triangle", "Square"});
    addOutput("Result", kParameterFloat, &m_result);
}

Curve::~Curve() = default;

void Curve::eval(UpdateContext&)
{
    float const pi = 3.14159265f;
    float const halfPi = 1.57079633f;
    float const twoPi = 6.28318531f;
    // Unguarded: a zero wave length gives an infinity or NaN, which flows on as with Div.
    float const x = m_phase / m_waveLength;
    switch (m_curveType) {
    case kCurveSine:
        m_result = m_amplitude * static_cast<float>(std::sin(static_cast<double>(x)));
        break;
    case kCurveSineNormalized:
        m_result = m_amplitude * static_cast<float>(std::sin(static_cast<double>(x))) * 0.5f + 0.5f;
        break;
    case kCurveSawTooth:
        m_result = m_amplitude * (wrapToPeriod(x, twoPi) / pi - 1.0f);
        break;
    case kCurveTriangle: {
        float const w = wrapToPeriod(x + halfPi, twoPi);
        m_result = w > pi ? m_amplitude * (((w - pi) / pi) * 2.0f - 1.0f)
                          : m_amplitude * (((pi - w) / pi) * 2.0f - 1.0f);
        break;
    }
    case kCurveSquare:
        m_result = x - std::trunc(x) <= 0.5f ? m_amplitude : 0.0f;
        break;
    default:
        break;
    }
}

} // namespace tormakelin::fxcore
