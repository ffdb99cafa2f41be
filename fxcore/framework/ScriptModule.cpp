#include "ScriptBuildGuard.h"
#include "ScriptEngineImpl.h"
#include "ScriptLimits.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/fxcore/ScriptApi.h>

#include "AngelScript.h"

#include <chrono>
#include <new>

namespace tormakelin::fxcore {

namespace {

using Clock = std::chrono::steady_clock;

char const kSectionName[] = "Tormakelin";

class ScriptModule final : public core::RefCounted<IScriptModule> {
public:
    ScriptModule(ScriptEngine* engine, std::string name);

    void rebuild() override;
    void prebuild(std::string const& text);
    bool run(ScriptContext const& context, std::string const& text) override;
    bool hasError() const override { return m_error; }
    std::string getErrorString() const override { return m_errorText; }
    ~ScriptModule() override;

private:
    bool build();
    void releaseContext();
    void execute();
    void fail(std::string text);
    static void onLine(asIScriptContext* context, void* self);

    ScriptEngine* m_engine;
    asIScriptModule* m_module = nullptr;
    asIScriptContext* m_context = nullptr;
    std::string m_name;
    std::string m_source;
    bool m_error = false;
    std::string m_errorText;
    asIScriptFunction* m_main = nullptr;
    // Set after a failed build or a stopped run: the text is not run again until it changes.
    bool m_blocked = false;
    Clock::time_point m_deadline;
    unsigned int m_lineCount = 0;
    bool m_timedOut = false;
};

// Each module owns its engine module, so replacing one never discards another.
std::string engineModuleName(std::string const& name)
{
    static unsigned long long serial = 0;
    return name + "#" + std::to_string(++serial);
}

ScriptModule::ScriptModule(ScriptEngine* engine, std::string name) : m_engine(engine), m_name(std::move(name))
{
    m_engine->addRef();
    m_module = m_engine->engine()->GetModule(engineModuleName(m_name).c_str(), asGM_ALWAYS_CREATE);
}

ScriptModule::~ScriptModule()
{
    releaseContext();
    if (m_module)
        m_module->Discard();
    m_engine->release();
}

void ScriptModule::releaseContext()
{
    if (m_context)
        m_context->Release();
    m_context = nullptr;
    m_main = nullptr;
}

void ScriptModule::fail(std::string text)
{
    m_error = true;
    // Nothing else tells a player why a node does without its script; a failure repeated on every
    // frame is told once.
    if (text != m_errorText)
        core::Debug(core::DebugWarning, __FILE__, __LINE__, "script") << "Script of node " << m_name << ": " << text;
    m_errorText = std::move(text);
}

bool ScriptModule::build()
{
    releaseContext();
    m_blocked = false;
    if (!m_module)
        return false;
    m_context = m_engine->engine()->CreateContext();
    if (m_context)
        m_context->SetLineCallback(asFUNCTION(onLine), this, asCALL_CDECL);
    int row = 0;
    int column = 0;
    if (!detail::scriptNestingWithinLimit(m_source, row, column)) {
        m_blocked = true;
        fail(std::string(kSectionName) + "(" + std::to_string(row) + ", " + std::to_string(column) +
            ") : ERR : the script is nested deeper than " + std::to_string(detail::kMaxScriptNesting) +
            " levels");
        return false;
    }
    if (!detail::compilerSurvives(m_module, kSectionName, m_source)) {
        m_blocked = true;
        fail(std::string(kSectionName) + "(0, 0) : ERR : the script compiler failed on this script");
        return false;
    }
    m_engine->beginCapture();
    m_module->AddScriptSection(kSectionName, m_source.c_str(), m_source.size());
    int const result = m_module->Build();
    std::string const message = m_engine->endCapture();
    if (result < 0) {
        m_blocked = true;
        fail(message);
        return false;
    }
    // Whatever main() returns is ignored, as a call of "main()" would.
    asIScriptFunction* main = m_module->GetFunctionByName("main");
    m_main = main && main->GetParamCount() == 0 ? main : nullptr;
    return true;
}

void ScriptModule::rebuild()
{
    m_error = false;
    if (!m_source.empty())
        build();
}

void ScriptModule::prebuild(std::string const& text)
{
    if (text.empty() || text == m_source)
        return;
    m_error = false;
    m_source = text;
    build();
}

bool ScriptModule::run(ScriptContext const& context, std::string const& text)
{
    if (text.empty()) {
        m_error = false;
        return false;
    }
    if (text != m_source) {
        m_error = false;
        m_source = text;
        if (!build())
            return false;
    } else if (m_blocked) {
        return false;
    } else {
        m_error = false;
    }
    AsTormakelin::s_context = context;
    execute();
    AsTormakelin::s_context = ScriptContext();
    return true;
}

void ScriptModule::execute()
{
    if (!m_context || !m_main)
        return;
    if (m_context->Prepare(m_main) < 0)
        return;
    m_lineCount = 0;
    m_timedOut = false;
    m_deadline = Clock::now() + std::chrono::milliseconds(kScriptTimeBudgetMs);
    int const result = m_context->Execute();
    if (result == asEXECUTION_ABORTED && m_timedOut) {
        m_blocked = true;
        fail(std::string(kSectionName) + "(0, 0) : ERR : main() was stopped after running longer than " +
            std::to_string(kScriptTimeBudgetMs) + " ms");
    } else if (result == asEXECUTION_EXCEPTION) {
        int column = 0;
        int const row = m_context->GetExceptionLineNumber(&column);
        fail(std::string(kSectionName) + "(" + std::to_string(row) + ", " + std::to_string(column) +
            ") : ERR : " + m_context->GetExceptionString());
    }
    m_context->Unprepare();
}

void ScriptModule::onLine(asIScriptContext* context, void* self)
{
    ScriptModule* module = static_cast<ScriptModule*>(self);
    // Reading the clock on every line would cost more than most scripts.
    if ((++module->m_lineCount & 255u) != 0)
        return;
    if (Clock::now() > module->m_deadline) {
        module->m_timedOut = true;
        context->Abort();
    }
}

} // namespace

void prebuildScriptModule(IScriptModule* module, std::string const& text)
{
    if (auto* own = dynamic_cast<ScriptModule*>(module))
        own->prebuild(text);
}

IScriptModule* createScriptModule(IScriptEngine* engine, core::UniqueId const& id)
{
    ScriptEngine* own = dynamic_cast<ScriptEngine*>(engine);
    if (!own || !own->engine())
        return nullptr;
    return new (std::nothrow) ScriptModule(own, core::uniqueIdToString(id));
}

} // namespace tormakelin::fxcore
