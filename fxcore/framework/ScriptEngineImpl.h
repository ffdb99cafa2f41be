#pragma once
#include <tormakelin/core/RefCounted.h>

#include <tormakelin/fxcore/ScriptEngine.h>

#include <string>

namespace AngelScript {
class asIScriptEngine;
struct asSMessageInfo;
}

namespace tormakelin::fxcore {

class ScriptEngine final : public core::RefCounted<IScriptEngine> {
public:
    bool init() override;
    std::string getLastMessage() const override;
    ~ScriptEngine() override;

    AngelScript::asIScriptEngine* engine() const { return m_engine; }
    // The first error since the last call, or the last message when there was none.
    void beginCapture();
    std::string endCapture();

private:
    static void onMessage(AngelScript::asSMessageInfo const* message, void* self);

    AngelScript::asIScriptEngine* m_engine = nullptr;
    std::string m_lastMessage;
    std::string m_firstError;
    bool m_capturing = false;
};

} // namespace tormakelin::fxcore
