// Script text through the compiler and a run of its main() against a node with one input of
// each kind: build errors, script exceptions and stopped runs are fine, crashes are not.

#include <QuietLog.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/ScriptApi.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <cstdint>
#include <map>
#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

// The inputs of the pretend node, by the names the seeds use; kept (and reachable) for the process.
std::map<std::string, IParameter*>& inputs()
{
    static auto* made = [] {
        auto* out = new std::map<std::string, IParameter*>;
        const std::pair<const char*, ParameterType> kinds[] = {{"Text", kParameterText}, {"Int", kParameterInt},
            {"Bool", kParameterBool}, {"Float", kParameterFloat}, {"Vec2", kParameterVec2}, {"Vec3", kParameterVec3},
            {"Vec4", kParameterVec4}, {"Matrix", kParameterMatrix}, {"Color", kParameterColor},
            {"Option", kParameterOption}, {"Resource", kParameterResource}, {"Link", kParameterLink}};
        for (const auto& [name, type] : kinds) {
            IParameter* parameter = createParameter(type);
            parameter->addRef();
            (*out)[name] = parameter;
        }
        return out;
    }();
    return *made;
}

IParameter* lookup(IGraphNode*, std::string const& name)
{
    auto found = inputs().find(name);
    return found == inputs().end() ? nullptr : found->second;
}

IScriptEngine* engine()
{
    static IScriptEngine* made = [] {
        IScriptEngine* e = createScriptEngine();
        e->addRef();
        e->init();
        return e;
    }();
    return made;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tormakelin::test::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AsTormakelin::s_inputLookup = lookup;
    core::UniqueId id;
    core::generateUniqueId(id);
    core::SmartRef<IScriptModule> module(createScriptModule(engine(), id));
    if (!module) {
        return 0;
    }
    ScriptContext context;
    // Any non-null handle: the lookup above ignores it.
    context.node = reinterpret_cast<IGraphNode*>(&context);
    context.time = 1.5f;
    context.playing = true;
    const std::string text(reinterpret_cast<const char*>(data), size);
    module->run(context, text);
    module->getErrorString();
    module->rebuild();
    module->run(context, text);
    return 0;
}
