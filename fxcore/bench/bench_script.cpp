// One frame of script work: "main()" once for each of 1,000 nodes.

#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/ScriptApi.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <tormakelin/core/UniqueId.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

// Every node has one input, "Attributes/Value".
IParameter* valueOf(IGraphNode* node, std::string const& name)
{
    return name == "Attributes/Value" ? reinterpret_cast<IParameter*>(node) : nullptr;
}

char const kScript[] = R"(
    float phase = 0;
    void main() {
        phase += delta();
        setFloat("Attributes/Value", sin(time() + phase) * 0.5f + getFloat("Attributes/Value"));
    })";

void BM_ScriptFrame(benchmark::State& state)
{
    int const nodeCount = static_cast<int>(state.range(0));
    IScriptEngine* engine = createScriptEngine();
    engine->addRef();
    engine->init();
    AsTormakelin::s_inputLookup = valueOf;

    std::vector<IScriptModule*> modules;
    std::vector<IParameter*> values;
    for (int i = 0; i < nodeCount; ++i) {
        core::UniqueId id;
        core::generateUniqueId(id);
        modules.push_back(createScriptModule(engine, id));
        modules.back()->addRef();
        values.push_back(createParameter(kParameterFloat));
        values.back()->addRef();
    }

    ScriptContext context;
    context.delta = 1.0f / 60.0f;
    for (auto _ : state) {
        context.time += context.delta;
        for (int i = 0; i < nodeCount; ++i) {
            context.node = reinterpret_cast<IGraphNode*>(values[static_cast<size_t>(i)]);
            modules[static_cast<size_t>(i)]->run(context, kScript);
        }
    }
    state.SetItemsProcessed(state.iterations() * nodeCount);

    for (IScriptModule* module : modules)
        module->release();
    for (IParameter* value : values)
        value->release();
    engine->release();
    AsTormakelin::s_inputLookup = nullptr;
}

} // namespace

BENCHMARK(BM_ScriptFrame)->Arg(1000)->Unit(benchmark::kMillisecond);
