#include <tormakelin/fxcore/Parameter.h>

#include <tormakelin/core/String.h>

#include "CLocale.h"

namespace tormakelin::fxcore {

namespace {

double wide(float value)
{
    return static_cast<double>(value);
}

std::string formatFloats(float const* values, int count, bool trailingComma)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ',';
        text += core::formatString("%f", wide(values[i]));
    }
    if (trailingComma)
        text += ',';
    return text;
}

template <typename T>
float const* floats(T const& value)
{
    return reinterpret_cast<float const*>(&value);
}

template <typename T>
float* floats(T& value)
{
    return reinterpret_cast<float*>(&value);
}

// Missing pieces give 0, extra pieces are ignored.
void parseFloats(std::vector<std::string> const& pieces, float* out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = i < static_cast<int>(pieces.size()) ? static_cast<float>(detail::atofC(pieces[i].c_str())) : 0.0f;
}

} // namespace

std::string Parameter::formatValue(ParameterType type, ParameterValue const* value) const
{
    switch (type) {
    case kParameterLink:
    case kParameterText:
    case kParameterResource:
        return value->text;
    case kParameterInt:
    case kParameterOption:
        return core::formatString("%d", value->scalar.i);
    case kParameterBool:
        return value->scalar.b != 0 ? "1" : "0";
    case kParameterFloat:
        return core::formatString("%f", wide(value->scalar.f));
    case kParameterVec2:
        return formatFloats(floats(value->vec2), 2, false);
    case kParameterVec3:
        return formatFloats(floats(value->vec3), 3, false);
    case kParameterVec4:
        return formatFloats(floats(value->vec4), 4, false);
    case kParameterColor:
        return formatFloats(floats(value->color), 4, false);
    case kParameterMatrix:
        return formatFloats(floats(value->matrix), 16, true);
    }
    return std::string();
}

void Parameter::parseValue(ParameterType type, ParameterValue* value, std::string const& text) const
{
    std::vector<std::string> pieces;
    core::tokenize(pieces, text, ",");
    char const* first = pieces.empty() ? "" : pieces.front().c_str();
    switch (type) {
    case kParameterLink:
    case kParameterText:
    case kParameterResource:
        value->text = text;
        break;
    case kParameterInt:
    case kParameterOption:
        value->scalar.i = detail::atoiC(first);
        break;
    case kParameterBool:
        value->scalar.b = detail::atoiC(first) != 0 ? 1 : 0;
        break;
    case kParameterFloat:
        value->scalar.f = static_cast<float>(detail::atofC(first));
        break;
    case kParameterVec2:
        parseFloats(pieces, floats(value->vec2), 2);
        break;
    case kParameterVec3:
        parseFloats(pieces, floats(value->vec3), 3);
        break;
    case kParameterVec4:
        parseFloats(pieces, floats(value->vec4), 4);
        break;
    case kParameterColor:
        parseFloats(pieces, floats(value->color), 4);
        break;
    case kParameterMatrix:
        parseFloats(pieces, floats(value->matrix), 16);
        break;
    }
}

} // namespace tormakelin::fxcore
