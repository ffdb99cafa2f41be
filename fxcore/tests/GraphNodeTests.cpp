#include "GraphTestSupport.h"

#include <tormakelin/fxcore/ScriptEngine.h>

#include <tormakelin/core/Keyframe.h>

#include <algorithm>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

using NodeTest = GraphTest;

bool linksTo(NodeParameter const* parameter, IGraphNode const* node)
{
    auto has = [&](NodeLink const& entry) { return entry.node.get() == node; };
    return std::any_of(parameter->incoming.begin(), parameter->incoming.end(), has) ||
        std::any_of(parameter->outgoing.begin(), parameter->outgoing.end(), has);
}

bool anyLinkTo(IGraph* graph, IGraphNode const* node)
{
    for (IGraphNode* other : graph->getNodes()) {
        for (NodeParameter const* p : other->getInputs())
            if (linksTo(p, node))
                return true;
        for (NodeParameter const* p : other->getOutputs())
            if (linksTo(p, node))
                return true;
    }
    return false;
}

TEST_F(NodeTest, EveryNodeStartsWithItsNameInputAndDefaults)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* adder = make(graph.get(), kAdderId);
    ASSERT_NE(adder, nullptr);
    NodeParameter const* name = adder->getInputs().front();
    EXPECT_EQ(name->name, "Instance/Name");
    EXPECT_FALSE(name->linkable);
    EXPECT_EQ(adder->getInstanceName(), "Adder");
    set(adder, "Instance/Name", "Sum");
    UpdateContext context;
    adder->setUpdateFlag(true);
    adder->update(context);
    EXPECT_EQ(adder->getInstanceName(), "Sum");
    EXPECT_EQ(adder->getParameterGroupName("Name"), "Attributes");
    EXPECT_EQ(adder->getParameterGroupName("Transform/Position"), "Transform");
    EXPECT_NE(adder->getParameterGroup("Attributes"), nullptr);
    EXPECT_NE(adder->getParameterGroup("Instance"), nullptr);
    EXPECT_EQ(adder->getParameterGroup("Transform"), nullptr);
}

TEST_F(NodeTest, LinkingIntoAnOccupiedInputReplacesTheOldLink)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* a = make(graph.get(), kAdderId);
    IGraphNode* b = make(graph.get(), kAdderId);
    IGraphNode* c = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(a, "Result", c, "Attributes/A"));
    // The editor's check refuses an occupied input; the link call itself replaces.
    EXPECT_FALSE(b->canLink(b->findOutput("Result"), c, c->findInput("Attributes/A"), true));
    b->link(b->findOutput("Result"), c, c->findInput("Attributes/A"), true);
    EXPECT_TRUE(a->findOutput("Result")->outgoing.empty());
    ASSERT_EQ(c->findInput("Attributes/A")->incoming.size(), 1u);
    EXPECT_EQ(c->findInput("Attributes/A")->incoming.front().node.get(), b);
    EXPECT_EQ(b->findOutput("Result")->outgoing.size(), 1u);
}

TEST_F(NodeTest, CanLinkRefusesSelfCyclesAndFixedInputsButNotOtherTypes)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* a = make(graph.get(), kAdderId);
    IGraphNode* b = make(graph.get(), kAdderId);
    IGraphNode* c = make(graph.get(), kAdderId);
    IGraphNode* text = make(graph.get(), kTextSinkId);
    EXPECT_FALSE(connect(a, "Result", a, "Attributes/A"));
    ASSERT_TRUE(connect(a, "Result", b, "Attributes/A"));
    ASSERT_TRUE(connect(b, "Result", c, "Attributes/A"));
    EXPECT_FALSE(connect(c, "Result", a, "Attributes/B"));
    EXPECT_FALSE(connect(b, "Result", a, "Attributes/B"));
    EXPECT_FALSE(connect(a, "Result", c, "Instance/Name"));
    EXPECT_TRUE(connect(a, "Result", text, "Attributes/Text"));
    EXPECT_FALSE(a->canLink(nullptr, b, b->findInput("Attributes/B"), false));
}

TEST_F(NodeTest, UnlinkAndUnlinkAllLeaveNoEntryOnEitherSide)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* a = make(graph.get(), kAdderId);
    IGraphNode* b = make(graph.get(), kAdderId);
    IGraphNode* c = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(a, "Result", b, "Attributes/A"));
    ASSERT_TRUE(connect(b, "Result", c, "Attributes/A"));
    ASSERT_TRUE(connect(a, "Result", c, "Attributes/B"));
    a->unlink(a->findOutput("Result"), b, b->findInput("Attributes/A"), true);
    EXPECT_TRUE(b->findInput("Attributes/A")->incoming.empty());
    EXPECT_EQ(a->findOutput("Result")->outgoing.size(), 1u);
    // Unlinking what is not linked changes nothing.
    a->unlink(a->findOutput("Result"), b, b->findInput("Attributes/A"), true);
    b->unlinkAll();
    EXPECT_FALSE(anyLinkTo(graph.get(), b));
    EXPECT_TRUE(b->findOutput("Result")->outgoing.empty());
    EXPECT_EQ(c->findInput("Attributes/B")->incoming.size(), 1u);
}

TEST_F(NodeTest, RemovingALinkedInputTakesTheSourcesEntryWithIt)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* a = make(graph.get(), kAdderId);
    IGraphNode* b = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(a, "Result", b, "Attributes/B"));
    auto const& inputs = b->getInputs();
    auto const index = std::find(inputs.begin(), inputs.end(), b->findInput("Attributes/B")) - inputs.begin();
    b->removeInput(static_cast<unsigned int>(index));
    EXPECT_EQ(b->findInput("Attributes/B"), nullptr);
    EXPECT_TRUE(a->findOutput("Result")->outgoing.empty());
    EXPECT_NE(b->getParameterGroup("Attributes"), nullptr);
    b->removeInput(1);
    EXPECT_EQ(b->getParameterGroup("Attributes"), nullptr);
    b->removeInput(99);
    // The update pushes along the remaining links only.
    UpdateContext context;
    graph->update(context);
}

TEST_F(NodeTest, ValuesKeepFullPrecisionBetweenEqualTypesAndConvertThroughTextOtherwise)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* a = make(graph.get(), kAdderId);
    IGraphNode* b = make(graph.get(), kAdderId);
    IGraphNode* text = make(graph.get(), kTextSinkId);
    a->findInput("Attributes/A")->value->setFloat(1e-7f);
    ASSERT_TRUE(connect(a, "Result", b, "Attributes/A"));
    UpdateContext context;
    for (IGraphNode* node : {a, b})
        node->setUpdateFlag(true);
    a->update(context);
    b->update(context);
    EXPECT_EQ(probe(b).value(), 1e-7f);

    set(a, "Attributes/A", "2.5");
    ASSERT_TRUE(connect(a, "Result", text, "Attributes/Text"));
    for (IGraphNode* node : {a, text})
        node->setUpdateFlag(true);
    a->update(context);
    text->update(context);
    EXPECT_EQ(probe(text).text(), "2.500000");
}

TEST_F(NodeTest, AnInstanceOverrideBeatsTheNodesOwnValueAndItsScript)
{
    IScriptEngine* engine = createScriptEngine();
    engine->addRef();
    ASSERT_TRUE(engine->init());
    static IScriptEngine* s_engine = nullptr;
    s_engine = engine;
    FrameworkServices::scriptEngine = [] { return s_engine; };
    {
        GraphHandle graph(createGraph(0));
        IGraphNode* adder = make(graph.get(), kAdderId);
        IGraphNode* script = make(graph.get(), ScriptNode::_pluginDesc.id);
        adder->enableScript();
        ASSERT_NE(adder->getScriptModule(), nullptr);
        set(script, "Attributes/Script", "void main() { setFloat(\"Attributes/A\", 3.0f); }");
        ASSERT_TRUE(connect(script, "Output", adder, "Script/Script"));
        UpdateContext context;
        script->setUpdateFlag(true);
        script->update(context);
        adder->setUpdateFlag(true);
        adder->update(context);
        EXPECT_FLOAT_EQ(probe(adder).value(), 3.0f);

        // An override of another type still lands in the float member.
        core::SmartRef<IParameter> const override = createParameter(kParameterText);
        override->setText("7");
        context.instanceParameters[adder->findInput("Attributes/A")->getId()] = {override.get(), nullptr};
        adder->setUpdateFlag(true);
        adder->update(context);
        EXPECT_FLOAT_EQ(probe(adder).value(), 7.0f);
    }
    FrameworkServices::scriptEngine = [] { return static_cast<IScriptEngine*>(nullptr); };
    engine->release();
}

// A node whose script the graph has linked, with the application's script engine in place.
class ScriptedNodeTest : public NodeTest {
protected:
    void SetUp() override
    {
        s_engine = createScriptEngine();
        s_engine->addRef();
        ASSERT_TRUE(s_engine->init());
        FrameworkServices::scriptEngine = [] { return s_engine; };
        m_graph = core::SmartRef<IGraph>(createGraph(0));
        adder = make(m_graph.get(), kAdderId);
        script = make(m_graph.get(), ScriptNode::_pluginDesc.id);
        adder->enableScript();
        ASSERT_TRUE(connect(script, "Output", adder, "Script/Script"));
    }
    void TearDown() override
    {
        m_graph = core::SmartRef<IGraph>();
        FrameworkServices::scriptEngine = [] { return static_cast<IScriptEngine*>(nullptr); };
        s_engine->release();
    }
    void updateAdder()
    {
        UpdateContext context;
        for (IGraphNode* node : {script, adder}) {
            node->setUpdateFlag(true);
            node->update(context);
        }
    }

    static inline IScriptEngine* s_engine = nullptr;
    core::SmartRef<IGraph> m_graph;
    IGraphNode* adder = nullptr;
    IGraphNode* script = nullptr;
};

TEST_F(ScriptedNodeTest, ResolvingAfterLoadBuildsTheScriptWithoutRunningIt)
{
    // Failing to build is known once the links are resolved, before the node's first frame.
    set(script, "Attributes/Script", "void main() { this does not build }");
    adder->resolve(m_graph.get());
    EXPECT_TRUE(adder->getScriptModule()->hasError());

    // main() does not run at the build: the first frame counts one, and the globals live on.
    set(script, "Attributes/Script", "float runs = 0; void main() { runs += 1; setFloat(\"Attributes/A\", runs); }");
    adder->resolve(m_graph.get());
    EXPECT_FALSE(adder->getScriptModule()->hasError());
    updateAdder();
    EXPECT_FLOAT_EQ(probe(adder).value(), 1.0f);
    adder->resolve(m_graph.get());
    updateAdder();
    EXPECT_FLOAT_EQ(probe(adder).value(), 2.0f) << "the same text is not built again";
}

TEST_F(NodeTest, ChangeNotificationOnlyWhenEnabledAndTheValueChanged)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* adder = make(graph.get(), kAdderId);
    UpdateContext context;
    auto run = [&] {
        adder->setUpdateFlag(true);
        adder->update(context);
    };
    set(adder, "Attributes/A", "1");
    run();
    EXPECT_EQ(probe(adder).changedCount(), 0);
    adder->enableParameterChangedNotify(true);
    set(adder, "Attributes/A", "2");
    run();
    EXPECT_EQ(probe(adder).changedCount(), 1);
    run();
    EXPECT_EQ(probe(adder).changedCount(), 1);
}

TEST_F(NodeTest, UpdateTwiceInOneFrameEvaluatesOnce)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* adder = make(graph.get(), kAdderId);
    UpdateContext context;
    adder->setUpdateFlag(true);
    adder->update(context);
    adder->update(context);
    EXPECT_EQ(probe(adder).evalCount(), 1);
    EXPECT_FALSE(adder->getUpdateFlag());
}

TEST_F(NodeTest, TransformInputsFollowTheHandlesAndTheDefaultCameraStands)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* flat = make(graph.get(), kDrawerId);
    flat->enableTransform(kTransform2d, kTransformHandlePosition, 0);
    EXPECT_TRUE(flat->findInput("Transform/Position")->visible);
    EXPECT_FALSE(flat->findInput("Transform/Size")->visible);
    EXPECT_FALSE(flat->findInput("Transform/Anchor Point")->visible);
    set(flat, "Transform/Position", "10.7,20");
    set(flat, "Transform/Size", "5,5");
    UpdateContext context;
    flat->setUpdateFlag(true);
    flat->update(context);
    Guide guide;
    ASSERT_TRUE(flat->getGuide(guide));
    EXPECT_EQ(guide.left, 10);
    EXPECT_EQ(guide.right, 15);
    EXPECT_EQ(guide.bottom, 25);

    IGraphNode* solid = make(graph.get(), kDrawerId);
    solid->enableTransform(kTransform3d, kTransformHandleAll, 0);
    EXPECT_EQ(solid->findInput("Transform/Rotation")->value->getEditorType(), 1);
    set(solid, "Transform/Position", "1,2,3");
    solid->setUpdateFlag(true);
    solid->update(context);
    D3DXMATRIX const world = solid->getTransformMatrix();
    EXPECT_FLOAT_EQ(world._41, 1.0f);
    EXPECT_FLOAT_EQ(world._43, 3.0f);

    EXPECT_FALSE(make(graph.get(), kAdderId)->getGuide(guide));
    solid->enableCamera();
    EXPECT_TRUE(solid->isCameraEnabled());
    D3DXMATRIX view, projection;
    D3DXVECTOR3 eye;
    solid->getCamera(view, projection, eye);
    EXPECT_FLOAT_EQ(eye.y, 20.0f);
    EXPECT_FLOAT_EQ(eye.z, -100.0f);
}

TEST_F(NodeTest, CloneCopiesValuesDataAndTrackButNoLinksOrId)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* weight = make(graph.get(), kWeightId);
    IGraphNode* adder = make(graph.get(), kAdderId);
    set(weight, "Attributes/A", "2.5");
    UpdateContext context;
    weight->setUpdateFlag(true);
    weight->update(context);
    ASSERT_TRUE(connect(weight, "Result", adder, "Attributes/A"));
    set(adder, "Attributes/B", "4");
    core::IKeyframe* track = core::createKeyframe(1, false);
    adder->setKeyframe(track);
    adder->getLayout().positionX = 12;
    adder->getParameterGroup("Attributes")->expanded = false;

    core::SmartRef<IGraphNode> const copy = adder->clone();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->getId(), adder->getId());
    EXPECT_EQ(copy->findInput("Attributes/B")->value->getText(), "4.000000");
    EXPECT_TRUE(copy->findInput("Attributes/A")->incoming.empty());
    EXPECT_EQ(copy->getLayout().positionX, 12);
    EXPECT_FALSE(copy->getParameterGroup("Attributes")->expanded);
    ASSERT_NE(copy->getKeyframe(), nullptr);
    EXPECT_NE(copy->getKeyframe(), track);
    EXPECT_EQ(copy->getSortOrder(), adder->getSortOrder());

    // The subclass data travels through the node's own XML.
    core::SmartRef<IGraphNode> const heavy = weight->clone();
    ASSERT_TRUE(heavy);
    EXPECT_FLOAT_EQ(probe(heavy.get()).value(), 2.5f);
}

} // namespace
