// Heap allocations of a steady frame, counted by this program's own operator new: once a
// timeline or a graph has played a few frames, a frame allocates nothing.

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Layer.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/ParticleNodes.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Particles.h>

#include <gtest/gtest.h>

#include <CountingAllocator.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using tormakelin::heap::allocationsOf;

namespace {

class Add final : public Modifier {
public:
    Add()
    {
        addInput("Attributes/A", kParameterFloat, "1", &m_a);
        addInput("Attributes/Tint", kParameterVec4, "1,2,3,4", &m_tint);
        addOutput("Result", kParameterFloat, &m_result);
        addOutput("Tint", kParameterVec4, &m_tint);
    }
    void eval(UpdateContext&) override { m_result = m_a + 1.0f; }

private:
    float m_a = 0.0f;
    float m_result = 0.0f;
    D3DXVECTOR4 m_tint{};
};

class Draw final : public Effect {
public:
    Draw() { addInput("Attributes/A", kParameterFloat, "0", &m_a); }
    void render(RenderContext&) override { ++renders; }
    int renders = 0;

private:
    float m_a = 0.0f;
};

void connect(IGraphNode* from, char const* output, IGraphNode* to, char const* input, bool notify)
{
    from->link(from->findOutput(output), to, to->findInput(input), notify);
}

// 100 nodes: a chain of 60 modifiers feeding 38 effects, all in one render stack; the first
// effect is also in a second stack.
core::SmartRef<IGraph> makeGraph(std::vector<Draw*>& draws)
{
    core::SmartRef<IGraph> graph = createGraph(0);
    auto add = [&](IGraphNode* node) {
        graph->addNode(node);
        return node;
    };
    IGraphNode* previous = add(new Add());
    for (int i = 1; i < 60; ++i) {
        IGraphNode* next = add(new Add());
        connect(previous, "Result", next, "Attributes/A", false);
        connect(previous, "Tint", next, "Attributes/Tint", false);
        previous = next;
    }
    IGraphNode* stack = add(new RenderStack());
    for (int i = 0; i < 38; ++i) {
        auto* draw = new Draw();
        draws.push_back(draw);
        add(draw);
        connect(previous, "Result", draw, "Attributes/A", false);
        connect(draw, "Output", stack, stack->getInputs().back()->name.c_str(), true);
    }
    IGraphNode* second = add(new RenderStack());
    connect(draws.front(), "Output", second, "Input-1", true);
    return graph;
}

} // namespace

TEST(FrameAllocations, GraphOfAHundredNodes)
{
    std::vector<Draw*> draws;
    core::SmartRef<IGraph> const graph = makeGraph(draws);
    ASSERT_EQ(graph->getNodes().size(), 100u);
    UpdateContext update;
    RenderContext render;
    long const count = allocationsOf([&](int frame) {
        update.time = frame / 60.0;
        graph->update(update);
        graph->render(render);
    });
    EXPECT_EQ(count, 0);
    // Every frame rendered; the effect in both stacks twice.
    EXPECT_EQ(draws.back()->renders, 20);
    EXPECT_EQ(draws.front()->renders, 40);
}

// Resolving after a load works out what the graph's walks need, so that the first frame of a
// section that plays the graph pays nothing for it.
TEST(FrameAllocations, FirstFrameOfAResolvedGraph)
{
    Application app;
    app.newDocument();
    std::vector<Draw*> draws;
    core::SmartRef<IGraph> const graph = makeGraph(draws);
    app.getDocument()->getGraphManager()->add(graph.get());
    app.getDocument()->getGraphManager()->resolveAll();
    UpdateContext update;
    RenderContext render;
    heap::startCountingAllocations();
    graph->update(update);
    graph->render(render);
    EXPECT_EQ(heap::stopCountingAllocations(), 0);
    EXPECT_EQ(draws.front()->renders, 2);
}

TEST(FrameAllocations, HundredActiveLayersAndAGraphLayer)
{
    Application app;
    app.newDocument();
    IDocument* document = app.getDocument();
    core::SmartRef<IScene> const scene = createScene();
    document->getSceneManager()->addScene(scene.get());
    auto addLayer = [](ILayer* parent, LayerType type) {
        core::SmartRef<ILayer> const layer = createLayer(type);
        core::SmartRef<ITimeSegment> const segment = createTimeSegment();
        segment->getRange()[1] = 100000;
        layer->getTime().addSegment(segment.get());
        parent->addLayer(layer.get());
        return layer.get();
    };
    for (int i = 0; i < 25; ++i) {
        ILayer* group = addLayer(scene->getRootLayer(), kLayerPlain);
        addLayer(addLayer(group, kLayerPlain), kLayerPlain);
        addLayer(group, kLayerPlain);
    }
    std::vector<Draw*> draws;
    core::SmartRef<IGraph> const graph = makeGraph(draws);
    document->getGraphManager()->add(graph.get());
    ILayer* instance = addLayer(scene->getRootLayer()->getChildren().back(), kLayerGraphInstance);
    instance->setGraphInstance(graph.get());
    // One overridden input, so the instance map is filled every frame.
    IGraphNode* first = graph->getNodes().front();
    instance->setParameterEnabled(first->findInput("Attributes/A")->value, true);

    UpdateContext context;
    context.scene = scene.get();
    long const count = allocationsOf([&](int frame) {
        context.time = 1.0 + frame / 60.0;
        document->update(context);
    });
    EXPECT_EQ(count, 0);
    ASSERT_NE(context.tracker, nullptr);
    EXPECT_EQ(context.tracker->getItems().size(), 101u);
    EXPECT_EQ(draws.back()->renders, 20);
}

TEST(FrameAllocations, ParticleSystemRelinkingItsStacksAndSpawning)
{
    Application app;
    app.newDocument();
    auto* texture = new TextureResource();
    static_cast<IPlugin*>(texture)->setPluginDesc(TextureResource::_pluginDesc);
    app.getDocument()->getResourceManager()->addResource(texture);
    core::SmartRef<IGraph> const graph = createGraph(0);
    auto add = [&](auto* node) {
        static_cast<IPlugin*>(node)->setPluginDesc(std::remove_pointer_t<decltype(node)>::_pluginDesc);
        graph->addNode(node);
        return node;
    };
    auto* system = add(new ParticleSystemEffect());
    system->findInput("Attributes/Texture")->value->setText(core::uniqueIdToString(texture->getInfo().id));
    system->findInput("Attributes/Sort")->value->setText("1");
    auto stackOf = [&](std::vector<GraphNode*> const& nodes, char const* input) {
        auto* stack = add(new NodeStack());
        for (GraphNode* node : nodes)
            connect(node, "Result", stack, stack->getInputs().back()->name.c_str(), true);
        connect(stack, "Output", system, input, true);
    };
    std::vector<GraphNode*> const emitters = {
        add(new ParticleBoxEmitter()), add(new ParticleSphereEmitter()), add(new ParticleMeshEmitter())};
    // A fixed life keeps the number alive, and with it the sort's buffers, steady after the first second.
    for (GraphNode* emitter : emitters) {
        emitter->findInput("Attributes/Min life")->value->setText("1");
        emitter->findInput("Attributes/Max life")->value->setText("1");
        // Longer than a string keeps in place: a copy per frame would allocate.
        emitter->findInput("Attributes/Texture id")->value->setText("sparks/ember-large-01");
    }
    stackOf(emitters, "Attributes/Emitter");
    stackOf({add(new ParticleColorModifier()), add(new ParticleSizeModifier()), add(new ParticlePlaneModifier())},
        "Attributes/Modifier");
    // The graph updates what its render stacks reach.
    graph->addNode(new RenderStack());
    connect(system, "Output", graph->getNodes().back(), "Input-1", true);

    UpdateContext update;
    kavro::UpdateContext particles;
    particles.phase = 2;
    particles.delta = 1.0f / 60.0f;
    long const count = allocationsOf([&](int frame) {
        update.time = frame / 60.0;
        graph->update(update);
        system->getParticleSystem()->update(particles);
    }, 120);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(system->getParticleSystem()->getEmitters().size(), 3u) << "the mesh emitter has no mesh but is linked";
    EXPECT_GT(system->getParticleSystem()->getCloud().getAliveCount(), 0u);
}
