#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <cmath>

namespace tormakelin::fxcore {

Vec3PairNode::Vec3PairNode()
{
    addInput("Attributes/Input-1", kParameterVec3, "0,0,0", &m_first);
    addInput("Attributes/Input-2", kParameterVec3, "0,0,0", &m_second);
}

PluginDesc Dot::_pluginDesc = mathNodeDesc("3EA7C3A7-ED42-11DD-BBEE-91112D23BF41", "Geometry/Dot", "Dot");
Dot::Dot() { addOutput("Result", kParameterFloat, &m_result); }
Dot::~Dot() = default;
void Dot::eval(UpdateContext&) { m_result = D3DXVec3Dot(&m_first, &m_second); }

PluginDesc Cross::_pluginDesc = mathNodeDesc("581AAA3D-ED41-11DD-BBEE-91112D23BF41", "Geometry/Cross", "Cross");
Cross::Cross() { addOutput("Result", kParameterVec3, &m_result); }
Cross::~Cross() = default;
void Cross::eval(UpdateContext&) { D3DXVec3Cross(&m_result, &m_first, &m_second); }

PluginDesc Distance::_pluginDesc =
    mathNodeDesc("92BBCB8F-ED41-11DD-BBEE-91112D23BF41", "Geometry/Distance", "Distance");
Distance::Distance() { addOutput("Result", kParameterVec3, &m_result); }
Distance::~Distance() = default;

void Distance::eval(UpdateContext&)
{
    D3DXVECTOR3 const difference(m_first.x - m_second.x, m_first.y - m_second.y, m_first.z - m_second.z);
    D3DXVec3Normalize(&m_result, &difference);
}

PluginDesc Length::_pluginDesc = mathNodeDesc("EA590C17-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Length", "Length");

Length::Length()
{
    addInput("Attributes/Input", kParameterVec3, "0,0,0", &m_input);
    addOutput("Result", kParameterFloat, &m_result);
}

Length::~Length() = default;

void Length::eval(UpdateContext&)
{
    double const x = m_input.x, y = m_input.y, z = m_input.z;
    m_result = static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

PluginDesc Normalize::_pluginDesc =
    mathNodeDesc("CCE63F18-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Normalize", "Normalize");

Normalize::Normalize()
{
    addInput("Attributes/Input", kParameterVec3, "0,0,0", &m_input);
    addOutput("Result", kParameterVec3, &m_result);
}

Normalize::~Normalize() = default;
void Normalize::eval(UpdateContext&) { D3DXVec3Normalize(&m_result, &m_input); }

PluginDesc MixIn::_pluginDesc = mathNodeDesc("88306627-E725-11DD-BF2C-B92055221C4A", "Misc/Mix In", "MixIn");

MixIn::MixIn()
{
    addInput("Attributes/X", kParameterFloat, "0", &m_x);
    addInput("Attributes/Y", kParameterFloat, "0", &m_y);
    addInput("Attributes/Z", kParameterFloat, "0", &m_z);
    addInput("Attributes/W", kParameterFloat, "0", &m_w);
    addOutput("Output", kParameterVec4, &m_output);
}

MixIn::~MixIn() = default;
void MixIn::eval(UpdateContext&) { m_output = D3DXVECTOR4(m_x, m_y, m_z, m_w); }

PluginDesc MixOut::_pluginDesc = mathNodeDesc("8E7F1587-E725-11DD-BF2C-B92055221C4A", "Misc/Mix Out", "MixOut");

MixOut::MixOut()
{
    addInput("Attributes/Input", kParameterVec4, "0,0,0,0", &m_input);
    addOutput("X", kParameterFloat, &m_x);
    addOutput("Y", kParameterFloat, &m_y);
    addOutput("Z", kParameterFloat, &m_z);
    addOutput("W", kParameterFloat, &m_w);
}

MixOut::~MixOut() = default;

void MixOut::eval(UpdateContext&)
{
    m_x = m_input.x;
    m_y = m_input.y;
    m_z = m_input.z;
    m_w = m_input.w;
}

} // namespace tormakelin::fxcore
