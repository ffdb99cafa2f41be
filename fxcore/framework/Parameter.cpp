#include <tormakelin/fxcore/Parameter.h>

#include <cstring>
#include <new>

namespace tormakelin::fxcore {

namespace {

template <typename T>
void zero(T& value)
{
    std::memset(static_cast<void*>(&value), 0, sizeof(T));
}

// Typed access: in place for the parameter's own type, through text for any other.
template <typename T>
T getTyped(Parameter const& parameter, ParameterType type, T ParameterValue::*field, ParameterValue const& data)
{
    if (parameter.getType() == type)
        return data.*field;
    ParameterValue temporary;
    parameter.getValueAs(type, &temporary);
    return temporary.*field;
}

template <typename T>
void setTyped(Parameter& parameter, ParameterType type, T ParameterValue::*field, T const& value)
{
    if (parameter.getType() == type) {
        parameter.getData().*field = value;
        return;
    }
    ParameterValue temporary;
    temporary.*field = value;
    parameter.setValueAs(type, &temporary);
}

} // namespace

bool canAnimate(ParameterType type)
{
    switch (type) {
    case kParameterLink:
    case kParameterText:
    case kParameterBool:
    case kParameterMatrix:
    case kParameterOption:
    case kParameterResource:
        return false;
    default:
        return true;
    }
}

ParameterValue::ParameterValue()
{
    zero(vec2);
    zero(vec3);
    zero(vec4);
    zero(color);
    zero(matrix);
    scalar.i = 0;
}

Parameter::Parameter(ParameterType type) : m_type(type)
{
    core::generateUniqueId(m_id);
}

Parameter::~Parameter() = default;

ParameterType Parameter::getType() const { return m_type; }
core::UniqueId const& Parameter::getId() const { return m_id; }
void Parameter::setId(core::UniqueId const& id) { m_id = id; }
void Parameter::addOption(std::string name, int value) { m_options.emplace(std::move(name), value); }
ParameterOptions const& Parameter::getOptions() const { return m_options; }
void Parameter::addTextPair(std::string first, std::string second)
{
    m_textPairs.emplace_back(std::move(first), std::move(second));
}
ParameterTextPairs const& Parameter::getTextPairs() const { return m_textPairs; }
int Parameter::getEditorType() const { return m_editorType; }
void Parameter::setEditorType(int editorType) { m_editorType = editorType; }
ParameterValue& Parameter::getData() { return m_data; }

void Parameter::convertValue(ParameterType from, ParameterValue const* value, ParameterType to,
    ParameterValue* out) const
{
    std::string& text = conversionBuffer();
    formatValueInto(from, value, text);
    parseValue(to, out, text);
}

void Parameter::getValueAs(ParameterType type, ParameterValue* out) const
{
    // A resource read as a value is the number its text starts with.
    parseValue(type == kParameterResource ? kParameterInt : type, out, getText());
}

void Parameter::setValueAs(ParameterType type, ParameterValue const* in)
{
    std::string& text = conversionBuffer();
    formatValueInto(type, in, text);
    parseValue(m_type, &m_data, text);
}

std::string Parameter::getText() const
{
    return formatValue(m_type, &m_data);
}

void Parameter::setText(std::string const& text)
{
    parseValue(m_type, &m_data, text);
}

int Parameter::getInt() const { return getTyped(*this, kParameterInt, &ParameterValue::scalar, m_data).i; }
void Parameter::setInt(int value)
{
    ParameterValue::Scalar scalar = m_data.scalar;
    scalar.i = value;
    setTyped(*this, kParameterInt, &ParameterValue::scalar, scalar);
}

bool Parameter::getBool() const { return getTyped(*this, kParameterBool, &ParameterValue::scalar, m_data).b != 0; }
void Parameter::setBool(bool value)
{
    ParameterValue::Scalar scalar = m_data.scalar;
    scalar.b = value ? 1 : 0;
    setTyped(*this, kParameterBool, &ParameterValue::scalar, scalar);
}

float Parameter::getFloat() const { return getTyped(*this, kParameterFloat, &ParameterValue::scalar, m_data).f; }
void Parameter::setFloat(float value)
{
    ParameterValue::Scalar scalar = m_data.scalar;
    scalar.f = value;
    setTyped(*this, kParameterFloat, &ParameterValue::scalar, scalar);
}

D3DXVECTOR2 Parameter::getVec2() const { return getTyped(*this, kParameterVec2, &ParameterValue::vec2, m_data); }
void Parameter::setVec2(D3DXVECTOR2 const& value) { setTyped(*this, kParameterVec2, &ParameterValue::vec2, value); }
D3DXVECTOR3 Parameter::getVec3() const { return getTyped(*this, kParameterVec3, &ParameterValue::vec3, m_data); }
void Parameter::setVec3(D3DXVECTOR3 const& value) { setTyped(*this, kParameterVec3, &ParameterValue::vec3, value); }
D3DXVECTOR4 Parameter::getVec4() const { return getTyped(*this, kParameterVec4, &ParameterValue::vec4, m_data); }
void Parameter::setVec4(D3DXVECTOR4 const& value) { setTyped(*this, kParameterVec4, &ParameterValue::vec4, value); }
D3DXMATRIX Parameter::getMatrix() const
{
    return getTyped(*this, kParameterMatrix, &ParameterValue::matrix, m_data);
}
void Parameter::setMatrix(D3DXMATRIX const& value)
{
    setTyped(*this, kParameterMatrix, &ParameterValue::matrix, value);
}
D3DXVECTOR4 Parameter::getColor() const { return getTyped(*this, kParameterColor, &ParameterValue::color, m_data); }
void Parameter::setColor(D3DXVECTOR4 const& value)
{
    setTyped(*this, kParameterColor, &ParameterValue::color, value);
}

IParameter* Parameter::clone() const
{
    Parameter* copy = new (std::nothrow) Parameter(m_type);
    if (!copy)
        return nullptr;
    copy->setText(getText());
    copy->m_id = m_id;
    copy->m_editorType = m_editorType;
    return copy;
}

IParameter* createParameter(ParameterType type)
{
    return new (std::nothrow) Parameter(type);
}

} // namespace tormakelin::fxcore
