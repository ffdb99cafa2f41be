#pragma once

#include <tormakelin/fxcore/Export.h>

#include <string>

namespace tormakelin::core {
struct UniqueId;
}

namespace tormakelin::fxcore {

class IScene;
class IGraphNode;

// What a running script reads through the run-state and node-access functions.
struct ScriptContext {
    IScene* scene = nullptr;
    IGraphNode* node = nullptr;
    float time = 0.0f;
    float globalTime = 0.0f;
    float delta = 0.0f;
    bool editor = false;
    bool playing = false;
};

class TORMAKELIN_FXCORE_API IScriptEngine {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool init() = 0;
    virtual std::string getLastMessage() const = 0;
    virtual ~IScriptEngine() = default;
};

class TORMAKELIN_FXCORE_API IScriptModule {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual void rebuild() = 0;
    virtual bool run(ScriptContext const& context, std::string const& text) = 0;
    virtual bool hasError() const = 0;
    virtual std::string getErrorString() const = 0;
    virtual ~IScriptModule() = default;
};

// A run of "main()" that takes longer than this is stopped and reported.
inline constexpr unsigned int kScriptTimeBudgetMs = 200;

TORMAKELIN_FXCORE_API IScriptEngine* createScriptEngine();
// Null when the engine is not one made by createScriptEngine or was never initialised.
TORMAKELIN_FXCORE_API IScriptModule* createScriptModule(IScriptEngine* engine, core::UniqueId const& id);

// The effects library's module handle, recorded when the library is loaded.
TORMAKELIN_FXCORE_API extern void* g_instance;

} // namespace tormakelin::fxcore
