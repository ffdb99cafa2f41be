#include "GraphTestSupport.h"

#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/Xml.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

using StackTest = GraphTest;

std::vector<std::string> inputNames(IGraphNode const* node)
{
    std::vector<std::string> names;
    for (NodeParameter const* input : node->getInputs())
        names.push_back(input->name);
    return names;
}

TEST_F(StackTest, StackInputsGrowWithLinksAndCloseGapsWhenOneGoes)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* stack = make(graph.get(), RenderStack::_pluginDesc.id);
    IGraphNode* one = make(graph.get(), kDrawerId);
    IGraphNode* two = make(graph.get(), kDrawerId);
    IGraphNode* three = make(graph.get(), kDrawerId);
    EXPECT_EQ(inputNames(stack), (std::vector<std::string>{"Instance/Name", "Input-1"}));
    ASSERT_TRUE(connect(one, "Output", stack, "Input-1"));
    ASSERT_TRUE(connect(two, "Output", stack, "Input-2"));
    ASSERT_TRUE(connect(three, "Output", stack, "Input-3"));
    EXPECT_EQ(inputNames(stack),
        (std::vector<std::string>{"Instance/Name", "Input-1", "Input-2", "Input-3", "Input-4"}));

    two->unlink(two->findOutput("Output"), stack, stack->findInput("Input-2"), true);
    EXPECT_EQ(inputNames(stack), (std::vector<std::string>{"Instance/Name", "Input-1", "Input-2", "Input-3"}));
    EXPECT_EQ(stack->findInput("Input-2")->incoming.front().node.get(), three);
    EXPECT_TRUE(stack->findInput("Input-3")->incoming.empty());
    EXPECT_TRUE(two->findOutput("Output")->outgoing.empty());

    // A node that goes takes its stack entry with it, and the stack closes up again.
    graph->removeNode(one->getId());
    EXPECT_EQ(inputNames(stack), (std::vector<std::string>{"Instance/Name", "Input-1", "Input-2"}));
    EXPECT_EQ(stack->findInput("Input-1")->incoming.front().node.get(), three);
}

TEST_F(StackTest, RenderStackGathersOnlyEffectsAndNodeStackEverything)
{
    GraphHandle graph(createGraph(0));
    auto* render = dynamic_cast<RenderStack*>(make(graph.get(), RenderStack::_pluginDesc.id));
    auto* nodes = dynamic_cast<NodeStack*>(make(graph.get(), NodeStack::_pluginDesc.id));
    ASSERT_TRUE(render && nodes);
    IGraphNode* drawer = make(graph.get(), kDrawerId);
    IGraphNode* adder = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(adder, "Result", render, "Input-1"));
    ASSERT_TRUE(connect(drawer, "Output", render, "Input-2"));
    ASSERT_EQ(render->getEffects().size(), 1u);
    EXPECT_EQ(render->getEffects().front().get(), drawer);

    ASSERT_TRUE(connect(adder, "Result", nodes, "Input-1"));
    ASSERT_TRUE(connect(drawer, "Output", nodes, "Input-2"));
    EXPECT_EQ(nodes->getNodes().size(), 2u);
    auto const byType = nodes->getNodesByPluginId(testTypeId(kAdderId));
    ASSERT_EQ(byType.size(), 1u);
    EXPECT_EQ(byType.front().get(), adder);
    EXPECT_EQ(nodes->getNodesByPluginId(drawer->getId()).front().get(), drawer);
}

TEST_F(StackTest, SelectFromStackClampsTheIndexAndANegativeOnePicksTheLast)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* stack = make(graph.get(), NodeStack::_pluginDesc.id);
    auto* select = dynamic_cast<SelectFromStack*>(make(graph.get(), SelectFromStack::_pluginDesc.id));
    ASSERT_NE(select, nullptr);
    EXPECT_FALSE(select->getSelectedNode());
    ASSERT_TRUE(connect(stack, "Output", select, "Stack"));
    EXPECT_FALSE(select->getSelectedNode());
    std::vector<IGraphNode*> members;
    for (int i = 0; i < 3; ++i) {
        members.push_back(make(graph.get(), kAdderId));
        ASSERT_TRUE(connect(members.back(), "Result", stack, ("Input-" + std::to_string(i + 1)).c_str()));
    }
    struct Case {
        char const* index;
        int expected;
    };
    for (Case const c : {Case{"0", 0}, Case{"1", 1}, Case{"5", 2}, Case{"-1", 2}}) {
        set(select, "Index", c.index);
        UpdateContext context;
        select->setUpdateFlag(true);
        select->update(context);
        EXPECT_EQ(select->getSelectedNode().get(), members[static_cast<size_t>(c.expected)]) << c.index;
    }
    // A node reading from the selector gets the selected member.
    IGraphNode* reader = make(graph.get(), kAdderId);
    reader->enableCamera();
    ASSERT_TRUE(connect(select, "Result", reader, "Camera/View"));
    auto const connected = reader->getNodesConnectedToInput("Camera/View", {});
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected.front().get(), members[2]);
}

TEST_F(StackTest, CollectionsNameTheirParametersAndResolveTheirPendingLinks)
{
    IGraph* graph = createGraph(0);
    s_graphs->add(graph);
    IGraphNode* inner = make(graph, kAdderId);
    set(inner, "Attributes/B", "1.5");
    auto* collection = dynamic_cast<Collection*>(make(graph, Collection::_pluginDesc.id));
    ASSERT_NE(collection, nullptr);
    NodeParameter* amount = collection->addInput("Amount", inner, inner->findInput("Attributes/B"));
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->name, "Attributes/Amount");
    EXPECT_EQ(amount->getType(), kParameterFloat);
    EXPECT_EQ(amount->value->getText(), "1.500000");
    NodeParameter* sum = collection->addOutput("Sum", inner, inner->findOutput("Result"));
    EXPECT_EQ(sum->name, "Sum");
    EXPECT_EQ(collection->addInput("Broken", nullptr, nullptr), nullptr);
    ASSERT_EQ(collection->getPendingLinks().size(), 2u);

    // Through XML the pointers are lost; resolve finds them again by id.
    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    ASSERT_TRUE(document->create("Test"));
    core::SmartRef<ISerializer> const save = createSerializer({1, document.get(), false});
    collection->serialize(save.get());
    core::SmartRef<IGraphNode> const loaded = createGraphNode(Collection::_pluginDesc.id);
    core::SmartRef<ISerializer> const load = createSerializer({0, document.get(), false});
    forEachChildElement(load.get(), "GraphNode", [&](core::IXmlNode*) { loaded->serialize(load.get()); });
    auto* copy = dynamic_cast<Collection*>(loaded.get());
    ASSERT_EQ(copy->getPendingLinks().size(), 2u);
    EXPECT_EQ(copy->getPendingLinks()[0].node, nullptr);
    copy->resolve(graph);
    CollectionLink const& first = copy->getPendingLinks()[0];
    EXPECT_EQ(first.node, inner);
    EXPECT_EQ(first.nodeParameter, inner->findInput("Attributes/B"));
    EXPECT_EQ(first.parameter, copy->findInput("Attributes/Amount"));
    EXPECT_EQ(copy->getPendingLinks()[1].parameter, copy->findOutput("Sum"));
    core::UniqueId group;
    core::generateUniqueId(group);
    EXPECT_FALSE(s_graphs->isGroupGraph(group));
    collection->getLayout().groupGraphId = group;
    EXPECT_TRUE(s_graphs->isGroupGraph(group));
}

} // namespace
