#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <cmath>

namespace tormakelin::fxcore {

PluginDesc Clamp::_pluginDesc = mathNodeDesc("7D00572D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Clamp", "Clamp");

Clamp::Clamp()
{
    addInput("Attributes/Value", kParameterVec4, "0,0,0,0", &m_value);
    addInput("Attributes/Min", kParameterVec4, "0,0,0,0", &m_min);
    addInput("Attributes/Max", kParameterVec4, "1,1,1,1", &m_max);
    addOutput("Result", kParameterVec4, &m_result);
}

Clamp::~Clamp() = default;

void Clamp::eval(UpdateContext&)
{
    for (int i = 0; i < 4; ++i) {
        float v = component(m_value, i);
        if (v < component(m_min, i))
            v = component(m_min, i);
        if (v > component(m_max, i))
            v = component(m_max, i);
        component(m_result, i) = v;
    }
}

PluginDesc Power::_pluginDesc = mathNodeDesc("261C3930-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Power", "Power");

Power::Power()
{
    addInput("Attributes/Value", kParameterVec4, "0,0,0,0", &m_value);
    addInput("Attributes/Exponent", kParameterFloat, "0", &m_exponent);
    addOutput("Result", kParameterVec4, &m_result);
}

Power::~Power() = default;

void Power::eval(UpdateContext&)
{
    for (int i = 0; i < 4; ++i)
        component(m_result, i) =
            static_cast<float>(std::pow(static_cast<double>(component(m_value, i)), static_cast<double>(m_exponent)));
}

BlendNode::BlendNode(char const* first, char const* second)
{
    addInput(first, kParameterVec4, "0,0,0,0", &m_first);
    addInput(second, kParameterVec4, "0,0,0,0", &m_second);
    addInput("Attributes/Delta", kParameterFloat, "0", &m_delta);
    addOutput("Result", kParameterVec4, &m_result);
}

// Hermite weights: first * (2t^3 - 3t^2 + 1) + second * (3t^2 - 2t^3).
void BlendNode::blend(float t)
{
    float const t2 = t * t;
    float const t3 = t2 * t;
    float const wFirst = 2.0f * t3 - 3.0f * t2 + 1.0f;
    float const wSecond = 3.0f * t2 - 2.0f * t3;
    for (int i = 0; i < 4; ++i)
        component(m_result, i) = component(m_first, i) * wFirst + component(m_second, i) * wSecond;
}

// Lerp and CubicInterpolation share one type id in stored documents.
PluginDesc Lerp::_pluginDesc = mathNodeDesc("EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Lerp", "Lerp");
Lerp::Lerp() : BlendNode("Attributes/Input-1", "Attributes/Input-2") {}
Lerp::~Lerp() = default;

void Lerp::eval(UpdateContext&)
{
    for (int i = 0; i < 4; ++i) {
        float const a = component(m_first, i);
        component(m_result, i) = a + (component(m_second, i) - a) * m_delta;
    }
}

PluginDesc CubicInterpolation::_pluginDesc = mathNodeDesc(
    "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/CubicInterpolation", "CubicInterpolation");
CubicInterpolation::CubicInterpolation() : BlendNode("Attributes/Input-1", "Attributes/Input-2") {}
CubicInterpolation::~CubicInterpolation() = default;
void CubicInterpolation::eval(UpdateContext&) { blend(m_delta); }

PluginDesc SmoothStep::_pluginDesc =
    mathNodeDesc("BC6410C2-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/SmoothStep", "SmoothStep");
SmoothStep::SmoothStep() : BlendNode("Attributes/Min", "Attributes/Max") {}
SmoothStep::~SmoothStep() = default;

void SmoothStep::eval(UpdateContext&)
{
    // The negated test also sends a NaN delta to 0.
    float const t = !(m_delta > 0.0f) ? 0.0f : m_delta > 1.0f ? 1.0f : m_delta;
    blend(t);
}

} // namespace tormakelin::fxcore
