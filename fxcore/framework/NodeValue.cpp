#include "NodeValue.h"

#include <cstring>
#include <string>

namespace tormakelin::fxcore {

namespace {

template <typename T>
bool assignIfDifferent(void* variable, T const& value)
{
    T& member = *static_cast<T*>(variable);
    // Bit equality on purpose: a NaN that stays NaN is no change, and these types have no padding.
    bool const changed = std::memcmp(&member, &value, sizeof(T)) != 0;  // NOLINT(bugprone-suspicious-memory-comparison)
    member = value;
    return changed;
}

bool assignText(void* variable, std::string const& value)
{
    std::string& member = *static_cast<std::string*>(variable);
    if (member == value)
        return false;
    member = value;
    return true;
}

// The source's value in the record field of the member's type.
ParameterValue valueAs(IParameter const& source, ParameterType memberType)
{
    ParameterValue value;
    if (source.getType() == memberType)
        value = const_cast<IParameter&>(source).getData();
    else
        source.getValueAs(memberType, &value);
    return value;
}

} // namespace

bool readIntoVariable(IParameter const& source, ParameterType memberType, void* variable)
{
    if (!variable)
        return false;
    switch (memberType) {
    case kParameterText:
    case kParameterResource:
        // A text source is read in place: no copy per frame.
        if (holdsText(source.getType()))
            return assignText(variable, const_cast<IParameter&>(source).getData().text);
        return assignText(variable, source.getText());
    case kParameterInt:
    case kParameterOption:
        return assignIfDifferent(variable, static_cast<int>(valueAs(source, memberType).scalar.i));
    case kParameterBool:
        return assignIfDifferent(variable, valueAs(source, memberType).scalar.b != 0);
    case kParameterFloat:
        return assignIfDifferent(variable, valueAs(source, memberType).scalar.f);
    case kParameterVec2:
        return assignIfDifferent(variable, valueAs(source, memberType).vec2);
    case kParameterVec3:
        return assignIfDifferent(variable, valueAs(source, memberType).vec3);
    case kParameterVec4:
        return assignIfDifferent(variable, valueAs(source, memberType).vec4);
    case kParameterMatrix:
        return assignIfDifferent(variable, valueAs(source, memberType).matrix);
    case kParameterColor:
        return assignIfDifferent(variable, valueAs(source, memberType).color);
    case kParameterLink:
        break;
    }
    return false;
}

void writeFromVariable(IParameter& target, void const* variable)
{
    if (!variable)
        return;
    switch (target.getType()) {
    case kParameterText:
    case kParameterResource:
        target.setText(*static_cast<std::string const*>(variable));
        break;
    case kParameterInt:
    case kParameterOption:
        target.setInt(*static_cast<int const*>(variable));
        break;
    case kParameterBool:
        target.setBool(*static_cast<bool const*>(variable));
        break;
    case kParameterFloat:
        target.setFloat(*static_cast<float const*>(variable));
        break;
    case kParameterVec2:
        target.setVec2(*static_cast<D3DXVECTOR2 const*>(variable));
        break;
    case kParameterVec3:
        target.setVec3(*static_cast<D3DXVECTOR3 const*>(variable));
        break;
    case kParameterVec4:
        target.setVec4(*static_cast<D3DXVECTOR4 const*>(variable));
        break;
    case kParameterMatrix:
        target.setMatrix(*static_cast<D3DXMATRIX const*>(variable));
        break;
    case kParameterColor:
        target.setColor(*static_cast<D3DXVECTOR4 const*>(variable));
        break;
    case kParameterLink:
        break;
    }
}

void pushValue(IParameter& from, IParameter& to)
{
    if (&from == &to)
        return;
    if (from.getType() == to.getType())
        to.getData() = from.getData();
    else
        to.setValueAs(from.getType(), &from.getData());
}

} // namespace tormakelin::fxcore
