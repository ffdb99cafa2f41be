#include <tormakelin/fxcore/ScriptApi.h>

#include <tormakelin/fxcore/Parameter.h>

#include "ScriptString.h"

#include "AngelScript.h"
#include <d3dx9math.h>

#include <cstring>

namespace tormakelin::fxcore {

ScriptContext AsTormakelin::s_context;
AsTormakelin::InputLookup AsTormakelin::s_inputLookup = nullptr;

namespace {

float const kDegreesToRadians = 0.017453292f;

IParameter* findInput(ScriptString const& name)
{
    ScriptContext const& context = AsTormakelin::s_context;
    if (!context.node || !AsTormakelin::s_inputLookup)
        return nullptr;
    return AsTormakelin::s_inputLookup(context.node, name.text());
}

float time() { return AsTormakelin::s_context.time; }
float globalTime() { return AsTormakelin::s_context.globalTime; }
float delta() { return AsTormakelin::s_context.delta; }
bool isEditor() { return AsTormakelin::s_context.editor; }
bool isPlaying() { return AsTormakelin::s_context.playing; }

float toRadian(float degrees)
{
    return degrees * kDegreesToRadians;
}

D3DXVECTOR4 eulerToQuaternion(D3DXVECTOR3 const& angles)
{
    D3DXQUATERNION qx, qy, qz, xy, result;
    D3DXVECTOR3 const axisX(1.0f, 0.0f, 0.0f), axisY(0.0f, 1.0f, 0.0f), axisZ(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&qx, &axisX, angles.x);
    D3DXQuaternionRotationAxis(&qy, &axisY, angles.y);
    D3DXQuaternionRotationAxis(&qz, &axisZ, angles.z);
    D3DXQuaternionMultiply(&xy, &qx, &qy);
    D3DXQuaternionMultiply(&result, &xy, &qz);
    return D3DXVECTOR4(result.x, result.y, result.z, result.w);
}

template <typename T, T (IParameter::*Getter)() const>
T getValue(ScriptString const& name)
{
    if (IParameter* parameter = findInput(name))
        return (parameter->*Getter)();
    T zero;
    std::memset(static_cast<void*>(&zero), 0, sizeof zero);
    return zero;
}

template <typename T, void (IParameter::*Setter)(T const&)>
void setValue(ScriptString const& name, T const& value)
{
    if (IParameter* parameter = findInput(name))
        (parameter->*Setter)(value);
}

int getInt(ScriptString const& name)
{
    IParameter* parameter = findInput(name);
    return parameter ? parameter->getInt() : 0;
}

float getFloat(ScriptString const& name)
{
    IParameter* parameter = findInput(name);
    return parameter ? parameter->getFloat() : 0.0f;
}

void setInt(ScriptString const& name, int value)
{
    if (IParameter* parameter = findInput(name))
        parameter->setInt(value);
}

void setFloat(ScriptString const& name, float value)
{
    if (IParameter* parameter = findInput(name))
        parameter->setFloat(value);
}

ScriptString* getString(ScriptString const& name)
{
    IParameter* parameter = findInput(name);
    return ScriptString::make(parameter ? parameter->getText() : std::string());
}

void setString(ScriptString const& name, ScriptString const& value)
{
    if (IParameter* parameter = findInput(name))
        parameter->setText(value.text());
}

} // namespace

void AsTormakelin::registerObject(asIScriptEngine* engine)
{
    engine->RegisterGlobalFunction("float time()", asFUNCTION(time), asCALL_CDECL);
    engine->RegisterGlobalFunction("float globalTime()", asFUNCTION(globalTime), asCALL_CDECL);
    engine->RegisterGlobalFunction("float localTime()", asFUNCTION(time), asCALL_CDECL);
    engine->RegisterGlobalFunction("float delta()", asFUNCTION(delta), asCALL_CDECL);
    engine->RegisterGlobalFunction("bool isEditor()", asFUNCTION(isEditor), asCALL_CDECL);
    engine->RegisterGlobalFunction("bool isPlaying()", asFUNCTION(isPlaying), asCALL_CDECL);
    engine->RegisterGlobalFunction("float toRadian(float)", asFUNCTION(toRadian), asCALL_CDECL);
    engine->RegisterGlobalFunction("Vec4 eulerToQuaternion(Vec3 &in)", asFUNCTION(eulerToQuaternion),
        asCALL_CDECL);

    engine->RegisterGlobalFunction("Vec2 getVec2(String &in)",
        asFUNCTION((getValue<D3DXVECTOR2, &IParameter::getVec2>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("Vec3 getVec3(String &in)",
        asFUNCTION((getValue<D3DXVECTOR3, &IParameter::getVec3>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("Vec4 getVec4(String &in)",
        asFUNCTION((getValue<D3DXVECTOR4, &IParameter::getVec4>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("Color getColor(String &in)",
        asFUNCTION((getValue<D3DXVECTOR4, &IParameter::getColor>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("int getInt(String &in)", asFUNCTION(getInt), asCALL_CDECL);
    engine->RegisterGlobalFunction("float getFloat(String &in)", asFUNCTION(getFloat), asCALL_CDECL);
    engine->RegisterGlobalFunction("String@ getString(String &in)", asFUNCTION(getString), asCALL_CDECL);

    engine->RegisterGlobalFunction("void setVec2(String &in, Vec2 &in)",
        asFUNCTION((setValue<D3DXVECTOR2, &IParameter::setVec2>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setVec3(String &in, Vec3 &in)",
        asFUNCTION((setValue<D3DXVECTOR3, &IParameter::setVec3>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setVec4(String &in, Vec4 &in)",
        asFUNCTION((setValue<D3DXVECTOR4, &IParameter::setVec4>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setColor(String &in, Color &in)",
        asFUNCTION((setValue<D3DXVECTOR4, &IParameter::setColor>)), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setInt(String &in, int)", asFUNCTION(setInt), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setFloat(String &in, float)", asFUNCTION(setFloat), asCALL_CDECL);
    engine->RegisterGlobalFunction("void setString(String &in, String &in)", asFUNCTION(setString),
        asCALL_CDECL);
}

} // namespace tormakelin::fxcore
