#include "ScriptEngineImpl.h"

#include <tormakelin/fxcore/ScriptApi.h>

#include "AngelScript.h"

#include <new>

namespace tormakelin::fxcore {

ScriptEngine::~ScriptEngine()
{
    if (m_engine)
        m_engine->ShutDownAndRelease();
}

bool ScriptEngine::init()
{
    if (m_engine)
        return true;
    m_engine = asCreateScriptEngine(ANGELSCRIPT_VERSION);
    if (!m_engine)
        return false;
    m_engine->SetMessageCallback(asFUNCTION(onMessage), this, asCALL_CDECL);
    m_engine->SetEngineProperty(asEP_ALLOW_MULTILINE_STRINGS, 1);
    AsString::registerObject(m_engine);
    AsMath::registerObject(m_engine);
    AsColor::registerObject(m_engine);
    AsVec2::registerObject(m_engine);
    AsVec3::registerObject(m_engine);
    AsVec4::registerObject(m_engine);
    AsTormakelin::registerObject(m_engine);
    return true;
}

std::string ScriptEngine::getLastMessage() const
{
    return m_lastMessage;
}

void ScriptEngine::beginCapture()
{
    m_capturing = true;
    m_firstError.clear();
}

std::string ScriptEngine::endCapture()
{
    m_capturing = false;
    return m_firstError.empty() ? m_lastMessage : m_firstError;
}

void ScriptEngine::onMessage(asSMessageInfo const* message, void* self)
{
    ScriptEngine* engine = static_cast<ScriptEngine*>(self);
    char const* kind = "ERR";
    if (message->type == asMSGTYPE_WARNING)
        kind = "WARN";
    else if (message->type == asMSGTYPE_INFORMATION)
        kind = "INFO";
    engine->m_lastMessage = std::string(message->section ? message->section : "") + "(" +
        std::to_string(message->row) + ", " + std::to_string(message->col) + ") : " + kind + " : " +
        (message->message ? message->message : "");
    if (engine->m_capturing && message->type == asMSGTYPE_ERROR && engine->m_firstError.empty())
        engine->m_firstError = engine->m_lastMessage;
}

IScriptEngine* createScriptEngine()
{
    return new (std::nothrow) ScriptEngine();
}

} // namespace tormakelin::fxcore
