#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tormakelin::fxcore {

namespace {

float absOf(float v) { return std::fabs(v); }
float ceilOf(float v) { return std::ceil(v); }
float floorOf(float v) { return std::floor(v); }
float fracOf(float v) { return v - std::trunc(v); }
float roundOf(float v) { return std::trunc(v + 0.5f); }
float signOf(float v) { return v < 0.0f ? -1.0f : v > 0.0f ? 1.0f : 0.0f; }
float negateOf(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits ^= 0x80000000u;
    std::memcpy(&v, &bits, sizeof bits);
    return v;
}
float complementOf(float v) { return 1.0f - v; }
float saturateOf(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }
float sqrtOf(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }
float rsqrtOf(float v) { return 1.0f / sqrtOf(v); }
float exp2Of(float v) { return static_cast<float>(std::pow(2.0, static_cast<double>(v))); }
float log2Of(float v)
{
    double const a = std::fabs(static_cast<double>(v));
    return a == 0.0 ? -FLT_MAX : static_cast<float>(std::log2(a));
}
float log10Of(float v)
{
    double const a = std::fabs(static_cast<double>(v));
    return a == 0.0 ? -FLT_MAX : static_cast<float>(std::log10(a));
}
float sinOf(float v) { return static_cast<float>(std::sin(static_cast<double>(v))); }
float cosOf(float v) { return static_cast<float>(std::cos(static_cast<double>(v))); }
float tanhOf(float v) { return static_cast<float>(std::tanh(static_cast<double>(v))); }
float acosOf(float v) { return static_cast<float>(std::acos(static_cast<double>(v))); }
float sinhOf(float v) { return static_cast<float>(std::sinh(static_cast<double>(v))); }
float coshOf(float v) { return static_cast<float>(std::cosh(static_cast<double>(v))); }

// NaN is not zero, so it counts as set.
bool isSet(float v) { return v != 0.0f; }

} // namespace

Vec4UnaryNode::Vec4UnaryNode()
{
    addInput("Attributes/Input", kParameterVec4, "0,0,0,0", &m_input);
    addOutput("Result", kParameterVec4, &m_result);
}

void Vec4UnaryNode::applyEach(float (*op)(float))
{
    for (int i = 0; i < 4; ++i)
        component(m_result, i) = op(component(m_input, i));
}

#define TORMAKELIN_UNARY_NODE(Name, op, id, path)                                                 \
    PluginDesc Name::_pluginDesc = mathNodeDesc(id, path, #Name);                                 \
    Name::Name() = default;                                                                      \
    Name::~Name() = default;                                                                     \
    void Name::eval(UpdateContext&) { applyEach(op); }

TORMAKELIN_UNARY_NODE(Abs, absOf, "404298FD-ED2F-11DD-B003-BA03DEBE1D47", "Arithmetic/Abs")
TORMAKELIN_UNARY_NODE(Ceil, ceilOf, "17D6354D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Ceil")
// Documents carry this id text as it stands (37 characters, so it parses to the null id).
TORMAKELIN_UNARY_NODE(Floor, floorOf, "FE242507-ED43-11DD-BBEE-91112D23BF41D", "Arithmetic/Floor")
TORMAKELIN_UNARY_NODE(Frac, fracOf, "CF5FFCC7-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Frac")
TORMAKELIN_UNARY_NODE(Round, roundOf, "B907AC40-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Round")
TORMAKELIN_UNARY_NODE(Sign, signOf, "BD9CD452-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Sign")
TORMAKELIN_UNARY_NODE(Negate, negateOf, "7E42D6C8-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Negate")
TORMAKELIN_UNARY_NODE(Complement, complementOf, "DBAECB35-ED40-11DD-BBEE-91112D23BF41", "Arithmetic/Complement")
TORMAKELIN_UNARY_NODE(Saturate, saturateOf, "733D5EC2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Saturate")
TORMAKELIN_UNARY_NODE(Sqrt, sqrtOf, "A7361D0E-ED4D-11DD-BBEE-91112D23BF41", "Arithmetic/Sqrt")
TORMAKELIN_UNARY_NODE(RSqrt, rsqrtOf, "5561C8F2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/RSqrt")
TORMAKELIN_UNARY_NODE(Exp, exp2Of, "7A2FA161-ED42-11DD-BBEE-91112D23BF41", "Arithmetic/Exp")
TORMAKELIN_UNARY_NODE(Log, log2Of, "D2125171-ED45-11DD-BBEE-91112D23BF41", "Arithmetic/Log")
TORMAKELIN_UNARY_NODE(Log2, log2Of, "68C37A8B-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log2")
TORMAKELIN_UNARY_NODE(Log10, log10Of, "C8F1FF31-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log10")
TORMAKELIN_UNARY_NODE(Sine, sinOf, "D33DFA2D-ED31-11DD-B003-BA03DEBE1D47", "Trigonometry/Sine")
TORMAKELIN_UNARY_NODE(Cosine, cosOf, "D668B235-ED40-11DD-BBEE-91112D23BF41", "Trigonometry/Cosine")
TORMAKELIN_UNARY_NODE(Tan, tanhOf, "E5B77112-ED4A-11DD-BBEE-91112D23BF41", "Trigonometry/Tan")
TORMAKELIN_UNARY_NODE(ArcCosine, acosOf, "AEA223ED-ED30-11DD-B003-BA03DEBE1D47", "Trigonometry/ArcCosine")
TORMAKELIN_UNARY_NODE(SineHyperbolic, sinhOf, "9939FD82-ED4A-11DD-BBEE-91112D23BF41",
                      "Trigonometry/SineHyperbolic")
TORMAKELIN_UNARY_NODE(CosineHyperbolic, coshOf, "1E5B3C22-ED41-11DD-BBEE-91112D23BF41",
                      "Trigonometry/CosineHyperbolic")

#undef TORMAKELIN_UNARY_NODE

PluginDesc All::_pluginDesc = mathNodeDesc("F5BB930B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/All", "All");
All::All() = default;
All::~All() = default;
void All::eval(UpdateContext&)
{
    bool const all = isSet(m_input.x) && isSet(m_input.y) && isSet(m_input.z) && isSet(m_input.w);
    m_result = splat(all ? 1.0f : 0.0f);
}

PluginDesc Any::_pluginDesc = mathNodeDesc("F1D4F07B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/Any", "Any");
Any::Any() = default;
Any::~Any() = default;
void Any::eval(UpdateContext&)
{
    bool const any = isSet(m_input.x) || isSet(m_input.y) || isSet(m_input.z) || isSet(m_input.w);
    m_result = splat(any ? 1.0f : 0.0f);
}

} // namespace tormakelin::fxcore
