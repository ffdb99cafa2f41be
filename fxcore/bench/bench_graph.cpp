// Per-frame update of large graphs: a long chain and a wide fan into one render stack.

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/SmartRef.h>

#include <benchmark/benchmark.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

class Add final : public Modifier {
public:
    Add()
    {
        addInput("Attributes/A", kParameterFloat, "1", &m_a);
        addOutput("Result", kParameterFloat, &m_result);
    }
    void eval(UpdateContext&) override { m_result = m_a + 1.0f; }

private:
    float m_a = 0.0f;
    float m_result = 0.0f;
};

class Draw final : public Effect {
public:
    Draw() { addInput("Attributes/A", kParameterFloat, "0", &m_a); }

private:
    float m_a = 0.0f;
};

template <class T>
IGraphNode* add(IGraph* graph)
{
    IGraphNode* node = new T();
    graph->addNode(node);
    return node;
}

void connect(IGraphNode* from, char const* output, IGraphNode* to, char const* input, bool notify)
{
    from->link(from->findOutput(output), to, to->findInput(input), notify);
}

void report(benchmark::State& state, int64_t nodes)
{
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(nodes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_UpdateChain(benchmark::State& state)
{
    int const count = static_cast<int>(state.range(0));
    core::SmartRef<IGraph> const graph = createGraph(0);
    IGraphNode* previous = add<Add>(graph.get());
    for (int i = 1; i < count - 2; ++i) {
        IGraphNode* next = add<Add>(graph.get());
        connect(previous, "Result", next, "Attributes/A", false);
        previous = next;
    }
    IGraphNode* draw = add<Draw>(graph.get());
    connect(previous, "Result", draw, "Attributes/A", false);
    IGraphNode* stack = add<RenderStack>(graph.get());
    connect(draw, "Output", stack, "Input-1", true);
    UpdateContext context;
    for (auto _ : state)
        graph->update(context);
    report(state, count);
}

void BM_UpdateFan(benchmark::State& state)
{
    int const count = static_cast<int>(state.range(0));
    core::SmartRef<IGraph> const graph = createGraph(0);
    IGraphNode* source = add<Add>(graph.get());
    IGraphNode* stack = add<RenderStack>(graph.get());
    for (int i = 2; i < count; ++i) {
        IGraphNode* draw = add<Draw>(graph.get());
        connect(source, "Result", draw, "Attributes/A", false);
        connect(draw, "Output", stack, stack->getInputs().back()->name.c_str(), true);
    }
    UpdateContext context;
    for (auto _ : state)
        graph->update(context);
    report(state, count);
}

} // namespace

BENCHMARK(BM_UpdateChain)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateFan)->Arg(10000)->Unit(benchmark::kMicrosecond);
