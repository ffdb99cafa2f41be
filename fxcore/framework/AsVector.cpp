#include <tormakelin/fxcore/ScriptApi.h>

#include "AngelScript.h"
#include <d3dx9math.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <type_traits>

namespace tormakelin::fxcore {

namespace {

// The script types share the engine's vector layouts: N floats in order.
template <typename T, int N>
struct VectorOps {
    static_assert(sizeof(T) == N * sizeof(float));
    static_assert(std::is_trivially_copyable_v<T>);

    static float* f(T* v) { return reinterpret_cast<float*>(v); }
    static float const* f(T const* v) { return reinterpret_cast<float const*>(v); }

    static void construct(T* self)
    {
        float* out = reinterpret_cast<float*>(self);
        for (int i = 0; i < N; ++i)
            out[i] = 0.0f;
    }
    static void copyConstruct(T const& other, T* self) { std::memcpy(static_cast<void*>(self), &other, sizeof(T)); }
    static void construct2(float a, float b, T* self) { fill(self, {a, b}); }
    static void construct3(float a, float b, float c, T* self) { fill(self, {a, b, c}); }
    static void construct4(float a, float b, float c, float d, T* self) { fill(self, {a, b, c, d}); }
    static void fill(T* self, std::initializer_list<float> values)
    {
        float* out = reinterpret_cast<float*>(self);
        int i = 0;
        for (float v : values)
            out[i++] = v;
    }

    static T& addAssign(T const& other, T* self)
    {
        for (int i = 0; i < N; ++i)
            f(self)[i] += f(&other)[i];
        return *self;
    }
    static T& subAssign(T const& other, T* self)
    {
        for (int i = 0; i < N; ++i)
            f(self)[i] -= f(&other)[i];
        return *self;
    }
    static T& mulAssign(float s, T* self)
    {
        for (int i = 0; i < N; ++i)
            f(self)[i] *= s;
        return *self;
    }
    static T& divAssign(float s, T* self)
    {
        for (int i = 0; i < N; ++i)
            f(self)[i] /= s;
        return *self;
    }
    static bool equals(T const& other, T const* self)
    {
        for (int i = 0; i < N; ++i)
            if (f(self)[i] != f(&other)[i])
                return false;
        return true;
    }
    static T add(T const& other, T const* self)
    {
        T out = *self;
        return addAssign(other, &out);
    }
    static T sub(T const& other, T const* self)
    {
        T out = *self;
        return subAssign(other, &out);
    }
    static T mul(float s, T const* self)
    {
        T out = *self;
        return mulAssign(s, &out);
    }
    static T div(float s, T const* self)
    {
        T out = *self;
        return divAssign(s, &out);
    }
    static float length(T const* self)
    {
        float sum = 0.0f;
        for (int i = 0; i < N; ++i)
            sum += f(self)[i] * f(self)[i];
        return std::sqrt(sum);
    }
};

template <typename T, int N>
void registerVector(asIScriptEngine* engine, std::string const& name, bool withLength)
{
    using Ops = VectorOps<T, N>;
    char const* type = name.c_str();
    // All-float POD flags make by-value returns use the float registers on x86-64.
    engine->RegisterObjectType(type, sizeof(T),
        asOBJ_VALUE | asOBJ_POD | asOBJ_APP_CLASS_ALLFLOATS | asGetTypeTraits<T>());

    static char const* const kFields[] = {"float x", "float y", "float z", "float w"};
    for (int i = 0; i < N; ++i)
        engine->RegisterObjectProperty(type, kFields[i], i * static_cast<int>(sizeof(float)));

    auto decl = [&name](char const* pattern) {
        std::string text = pattern;
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@'))
            text.replace(at, 1, name);
        return text;
    };
    engine->RegisterObjectBehaviour(type, asBEHAVE_CONSTRUCT, "void f()", asFUNCTION(Ops::construct),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectBehaviour(type, asBEHAVE_CONSTRUCT, decl("void f(const @ &in)").c_str(),
        asFUNCTION(Ops::copyConstruct), asCALL_CDECL_OBJLAST);
    if constexpr (N == 2)
        engine->RegisterObjectBehaviour(type, asBEHAVE_CONSTRUCT, "void f(float, float)",
            asFUNCTION(Ops::construct2), asCALL_CDECL_OBJLAST);
    if constexpr (N == 3)
        engine->RegisterObjectBehaviour(type, asBEHAVE_CONSTRUCT, "void f(float, float, float)",
            asFUNCTION(Ops::construct3), asCALL_CDECL_OBJLAST);
    if constexpr (N == 4)
        engine->RegisterObjectBehaviour(type, asBEHAVE_CONSTRUCT, "void f(float, float, float, float)",
            asFUNCTION(Ops::construct4), asCALL_CDECL_OBJLAST);

    engine->RegisterObjectMethod(type, decl("@ &opAddAssign(const @ &in)").c_str(), asFUNCTION(Ops::addAssign),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ &opSubAssign(const @ &in)").c_str(), asFUNCTION(Ops::subAssign),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ &opMulAssign(float)").c_str(), asFUNCTION(Ops::mulAssign),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ &opDivAssign(float)").c_str(), asFUNCTION(Ops::divAssign),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("bool opEquals(const @ &in) const").c_str(), asFUNCTION(Ops::equals),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ opAdd(const @ &in) const").c_str(), asFUNCTION(Ops::add),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ opSub(const @ &in) const").c_str(), asFUNCTION(Ops::sub),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ opMul(float) const").c_str(), asFUNCTION(Ops::mul),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ opMul_r(float) const").c_str(), asFUNCTION(Ops::mul),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod(type, decl("@ opDiv(float) const").c_str(), asFUNCTION(Ops::div),
        asCALL_CDECL_OBJLAST);
    if (withLength)
        engine->RegisterObjectMethod(type, "float length() const", asFUNCTION(Ops::length), asCALL_CDECL_OBJLAST);
}

} // namespace

void AsVec2::registerObject(asIScriptEngine* engine)
{
    registerVector<D3DXVECTOR2, 2>(engine, "Vec2", true);
}

void AsVec3::registerObject(asIScriptEngine* engine)
{
    registerVector<D3DXVECTOR3, 3>(engine, "Vec3", true);
}

void AsVec4::registerObject(asIScriptEngine* engine)
{
    registerVector<D3DXVECTOR4, 4>(engine, "Vec4", true);
}

void AsColor::registerObject(asIScriptEngine* engine)
{
    registerVector<D3DXVECTOR4, 4>(engine, "Color", false);
    static char const* const kChannels[] = {"float r", "float g", "float b", "float a"};
    for (int i = 0; i < 4; ++i)
        engine->RegisterObjectProperty("Color", kChannels[i], i * static_cast<int>(sizeof(float)));
}

void AsMatrix::registerObject(asIScriptEngine*) {}

} // namespace tormakelin::fxcore
