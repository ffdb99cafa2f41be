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

// Builds the module from the text as its first run with that text would, without running it, so
// that the compile is not paid in the frame that first plays the node.
void prebuildScriptModule(IScriptModule* module, std::string const& text);

} // namespace tormakelin::fxcore
