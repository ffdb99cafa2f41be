#include <tormakelin/fxcore/ScriptApi.h>

#include "AngelScript.h"

#include <cmath>

namespace tormakelin::fxcore {

namespace {

float fraction(float value)
{
    float whole = 0.0f;
    return std::modf(value, &whole);
}

using Unary = float (*)(float);

struct UnaryEntry {
    char const* declaration;
    Unary function;
};

UnaryEntry const kUnary[] = {
    {"float cos(float)", [](float x) { return std::cos(x); }},
    {"float sin(float)", [](float x) { return std::sin(x); }},
    {"float tan(float)", [](float x) { return std::tan(x); }},
    {"float acos(float)", [](float x) { return std::acos(x); }},
    {"float asin(float)", [](float x) { return std::asin(x); }},
    {"float atan(float)", [](float x) { return std::atan(x); }},
    {"float cosh(float)", [](float x) { return std::cosh(x); }},
    {"float sinh(float)", [](float x) { return std::sinh(x); }},
    {"float tanh(float)", [](float x) { return std::tanh(x); }},
    {"float log(float)", [](float x) { return std::log(x); }},
    {"float log10(float)", [](float x) { return std::log10(x); }},
    {"float sqrt(float)", [](float x) { return std::sqrt(x); }},
    {"float ceil(float)", [](float x) { return std::ceil(x); }},
    {"float abs(float)", [](float x) { return std::fabs(x); }},
    {"float floor(float)", [](float x) { return std::floor(x); }},
    {"float fraction(float)", fraction},
};

float power(float base, float exponent)
{
    return std::pow(base, exponent);
}

} // namespace

void AsMath::registerObject(asIScriptEngine* engine)
{
    for (UnaryEntry const& entry : kUnary)
        engine->RegisterGlobalFunction(entry.declaration, asFUNCTION(entry.function), asCALL_CDECL);
    engine->RegisterGlobalFunction("float pow(float, float)", asFUNCTION(power), asCALL_CDECL);
}

} // namespace tormakelin::fxcore
