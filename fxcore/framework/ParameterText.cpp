#include <tormakelin/fxcore/Parameter.h>

#include <tormakelin/core/String.h>

#include "CLocale.h"

namespace tormakelin::fxcore {

namespace {

double wide(float value)
{
    return static_cast<double>(value);
}

void formatFloats(float const* values, int count, bool trailingComma, std::string& text)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ',';
        text += core::formatString("%f", wide(values[i]));
    }
    if (trailingComma)
        text += ',';
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

// Where each comma-separated piece starts, empty pieces skipped; read in place, since the number
// parsers stop at the comma anyway, so that parsing makes no texts.
struct Pieces {
    static constexpr int kMax = 16;
    char const* starts[kMax];
    int count = 0;

    explicit Pieces(std::string const& text)
    {
        size_t at = 0;
        while (count < kMax) {
            at = text.find_first_not_of(',', at);
            if (at == std::string::npos)
                break;
            starts[count++] = text.c_str() + at;
            at = text.find(',', at);
        }
    }
    char const* first() const { return count > 0 ? starts[0] : ""; }
};

// Missing pieces give 0, extra pieces are ignored.
void parseFloats(Pieces const& pieces, float* out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = i < pieces.count ? static_cast<float>(detail::atofC(pieces.starts[i])) : 0.0f;
}

} // namespace

std::string& Parameter::conversionBuffer()
{
    static thread_local std::string buffer;
    return buffer;
}

std::string Parameter::formatValue(ParameterType type, ParameterValue const* value) const
{
    std::string text;
    formatValueInto(type, value, text);
    return text;
}

void Parameter::formatValueInto(ParameterType type, ParameterValue const* value, std::string& out) const
{
    out.clear();
    switch (type) {
    case kParameterLink:
    case kParameterText:
    case kParameterResource:
        out = value->text;
        return;
    case kParameterInt:
    case kParameterOption:
        out = core::formatString("%d", value->scalar.i);
        return;
    case kParameterBool:
        out.push_back(value->scalar.b != 0 ? '1' : '0');
        return;
    case kParameterFloat:
        out = core::formatString("%f", wide(value->scalar.f));
        return;
    case kParameterVec2:
        return formatFloats(floats(value->vec2), 2, false, out);
    case kParameterVec3:
        return formatFloats(floats(value->vec3), 3, false, out);
    case kParameterVec4:
        return formatFloats(floats(value->vec4), 4, false, out);
    case kParameterColor:
        return formatFloats(floats(value->color), 4, false, out);
    case kParameterMatrix:
        return formatFloats(floats(value->matrix), 16, true, out);
    }
}

void Parameter::parseValue(ParameterType type, ParameterValue* value, std::string const& text) const
{
    Pieces const pieces(text);
    char const* first = pieces.first();
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
