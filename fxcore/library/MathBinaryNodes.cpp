#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <cmath>

namespace tormakelin::fxcore {

namespace {

float add(float a, float b) { return a + b; }
float sub(float a, float b) { return a - b; }
float mul(float a, float b) { return a * b; }
// Unguarded: a zero divisor gives an infinity or NaN; the drawing nodes keep such values sane.
float divide(float a, float b) { return a / b; }
float minOf(float a, float b) { return b > a ? a : b; }
float maxOf(float a, float b) { return a > b ? a : b; }
float modulus(float a, float b)
{
    return static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b)));
}
float logicAnd(float a, float b) { return a != 0.0f && b != 0.0f ? 1.0f : 0.0f; }
float logicOr(float a, float b) { return a != 0.0f || b != 0.0f ? 1.0f : 0.0f; }
float step(float edge, float value) { return value >= edge ? 1.0f : 0.0f; }

} // namespace

Vec4BinaryNode::Vec4BinaryNode(char const* first, char const* second, char const* secondDefault)
{
    addInput(first, kParameterVec4, "0,0,0,0", &m_first);
    addInput(second, kParameterVec4, secondDefault, &m_second);
    addOutput("Result", kParameterVec4, &m_result);
}

void Vec4BinaryNode::applyEach(float (*op)(float, float))
{
    for (int i = 0; i < 4; ++i)
        component(m_result, i) = op(component(m_first, i), component(m_second, i));
}

#define TORMAKELIN_BINARY_NODE(Name, op, id, path, first, second, secondDefault)                  \
    PluginDesc Name::_pluginDesc = mathNodeDesc(id, path, #Name);                                 \
    Name::Name() : Vec4BinaryNode(first, second, secondDefault) {}                               \
    Name::~Name() = default;                                                                     \
    void Name::eval(UpdateContext&) { applyEach(op); }

#define TORMAKELIN_PAIR_NODE(Name, op, id, path)                                                  \
    TORMAKELIN_BINARY_NODE(Name, op, id, path, "Attributes/Input-1", "Attributes/Input-2", "0,0,0,0")

TORMAKELIN_PAIR_NODE(Add, add, "20F53DD0-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Add")
TORMAKELIN_PAIR_NODE(Sub, sub, "8A859992-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Sub")
TORMAKELIN_BINARY_NODE(Mul, mul, "1CB86FDA-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Mul",
                       "Attributes/Factor-1", "Attributes/Factor-2", "0,0,0,0")
TORMAKELIN_BINARY_NODE(Div, divide, "8FE0210A-E889-11DD-88AB-99D69340C232", "Arithmetic/Div",
                       "Attributes/Dividend", "Attributes/Divisor", "1,1,1,1")
TORMAKELIN_PAIR_NODE(Min, minOf, "2BC50138-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Min")
TORMAKELIN_PAIR_NODE(Max, maxOf, "1EDED341-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Max")
TORMAKELIN_PAIR_NODE(Modulus, modulus, "991CDDFF-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Modulus")
TORMAKELIN_PAIR_NODE(And, logicAnd, "F6C2CC20-ED50-11DD-BF73-9123C70A0D9B", "Logic/And")
TORMAKELIN_PAIR_NODE(Or, logicOr, "ADED3BA2-ED53-11DD-BF73-9123C70A0D9B", "Logic/Or")
// Per component: each of the four results is its own edge test.
TORMAKELIN_PAIR_NODE(Step, step, "DA792D22-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/Step")

#undef TORMAKELIN_PAIR_NODE
#undef TORMAKELIN_BINARY_NODE

} // namespace tormakelin::fxcore
