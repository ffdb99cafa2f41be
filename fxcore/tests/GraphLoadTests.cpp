#include "GraphTestSupport.h"
#include "GraphXmlSupport.h"

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/String.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

using GraphLoadTest = GraphTest;

std::string idText(unsigned int n)
{
    return core::formatString("%08X-0000-0000-0000-000000000000", n);
}

std::string typeText(unsigned char tag)
{
    return core::uniqueIdToString(testTypeId(tag));
}

// A "GraphNode" element; the inputs are given as their XML.
std::string nodeXml(unsigned int id, std::string const& type, std::string const& inputs, std::string const& extra = "")
{
    return "<GraphNode Id=\"" + idText(id) + "\" PluginId=\"" + type + "\" SortOrder=\"" + std::to_string(id) + "\">" +
        extra + "<Inputs>" + inputs + "</Inputs><Outputs><Parameter Name=\"Result\" Id=\"" + idText(id + 100) +
        "\" Type=\"4\"/></Outputs></GraphNode>";
}

std::string linkXml(unsigned int node, unsigned int param)
{
    return "<InputLink NodeId=\"" + idText(node) + "\" ParamId=\"" + idText(param) + "\"/>";
}

std::string inputXml(char const* name, std::string const& links, int type = 4)
{
    return std::string("<Parameter Name=\"") + name + "\" Type=\"" + std::to_string(type) + "\" Value=\"1\">" +
        links + "</Parameter>";
}

core::SmartRef<IGraphManager> loadGraph(std::string const& nodes)
{
    return loadManager("<Tormakelin><GraphManager><Graph Id=\"" + idText(1) + "\" Type=\"0\" SortOrder=\"50\">" +
        nodes + "</Graph></GraphManager></Tormakelin>");
}

IGraphNode* nodeOf(IGraphManager* manager, unsigned int id)
{
    return manager->findNode(core::stringToUniqueId(idText(id)));
}

IGraphNode* sourceOf(IGraphManager* manager, unsigned int node, char const* input)
{
    IGraphNode* found = nodeOf(manager, node);
    NodeParameter* parameter = found ? found->findInput(input) : nullptr;
    return parameter && !parameter->incoming.empty() ? parameter->incoming.front().node.get() : nullptr;
}

TEST_F(GraphLoadTest, UnknownTypesAndBrokenLinksAreSkippedAndTheRestLoads)
{
    std::string const unknown = core::uniqueIdToString(testTypeId(0x7E));
    core::SmartRef<IGraphManager> const manager = loadGraph(
        // An unknown type claiming node 10's id, with a link that must not reach node 10.
        nodeXml(10, unknown, inputXml("Attributes/A", linkXml(11, 111))) +
        nodeXml(10, typeText(kAdderId), inputXml("Attributes/A", linkXml(99, 199))) +
        nodeXml(11, typeText(kAdderId),
            inputXml("Attributes/A", linkXml(10, 110)) + inputXml("Attributes/B", linkXml(11, 111))) +
        nodeXml(12, typeText(kResourceId), "") +
        nodeXml(13, typeText(kAdderId),
            // From an input of node 10 (no output), then a cycle back through node 11.
            inputXml("Attributes/A", linkXml(10, 0)) + inputXml("Attributes/B", linkXml(11, 111))) +
        nodeXml(14, typeText(kAdderId), inputXml("Attributes/A", linkXml(13, 113))));
    ASSERT_TRUE(manager);
    IGraph* graph = manager->find(core::stringToUniqueId(idText(1)));
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(graph->getNodes().size(), 4u);
    EXPECT_EQ(sourceOf(manager.get(), 10, "Attributes/A"), nullptr);
    EXPECT_EQ(sourceOf(manager.get(), 11, "Attributes/A"), nodeOf(manager.get(), 10));
    EXPECT_EQ(sourceOf(manager.get(), 11, "Attributes/B"), nullptr);
    EXPECT_EQ(nodeOf(manager.get(), 12), nullptr);
    EXPECT_EQ(sourceOf(manager.get(), 13, "Attributes/A"), nullptr);
    EXPECT_EQ(sourceOf(manager.get(), 13, "Attributes/B"), nodeOf(manager.get(), 11));
    EXPECT_EQ(sourceOf(manager.get(), 14, "Attributes/A"), nodeOf(manager.get(), 13));
    // Stored sort orders stand; the graph's counter goes on from the stored one by the four
    // nodes that loaded.
    EXPECT_EQ(nodeOf(manager.get(), 13)->getSortOrder(), 13);
    EXPECT_NE(saveManager(manager.get()).find("SortOrder=\"54\""), std::string::npos);
}

TEST_F(GraphLoadTest, ACycleStoredInTheDocumentIsCutWhereItCloses)
{
    core::SmartRef<IGraphManager> const manager = loadGraph(
        nodeXml(20, typeText(kAdderId), inputXml("Attributes/A", linkXml(21, 121))) +
        nodeXml(21, typeText(kAdderId), inputXml("Attributes/A", linkXml(20, 120))));
    ASSERT_TRUE(manager);
    EXPECT_EQ(sourceOf(manager.get(), 20, "Attributes/A"), nodeOf(manager.get(), 21));
    EXPECT_EQ(sourceOf(manager.get(), 21, "Attributes/A"), nullptr);
    UpdateContext context;
    manager->getGraphs().front()->update(context);
}

TEST_F(GraphLoadTest, BadParameterTypesAndTrackShapesAreRefused)
{
    std::string const track = "<Keyframe NumChannels=\"5\" Rotation=\"0\"><Key Time=\"0\" Channels=\"1\"/></Keyframe>";
    core::SmartRef<IGraphManager> const manager = loadGraph(
        nodeXml(30, typeText(kAdderId),
            inputXml("Attributes/Extra", "", 12) + inputXml("Attributes/Minus", "", -1) +
                inputXml("Attributes/Fine", "", 2) + inputXml("Attributes/A", "", 9),
            track) +
        nodeXml(31, typeText(kAdderId), "",
            "<Keyframe NumChannels=\"2\"><Key Time=\"1\" Interpolation=\"1\" Channels=\"0.5\"/>"
            "<Key Time=\"0\" Interpolation=\"77\" Channels=\"1,2\"/></Keyframe>"));
    ASSERT_TRUE(manager);
    IGraphNode* node = nodeOf(manager.get(), 30);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->findInput("Attributes/Extra"), nullptr);
    EXPECT_EQ(node->findInput("Attributes/Minus"), nullptr);
    ASSERT_NE(node->findInput("Attributes/Fine"), nullptr);
    // A known input keeps its own type whatever the document says.
    EXPECT_EQ(node->findInput("Attributes/A")->getType(), kParameterFloat);
    EXPECT_EQ(node->getKeyframe(), nullptr);
    core::IKeyframe* track2 = nodeOf(manager.get(), 31)->getKeyframe();
    ASSERT_NE(track2, nullptr);
    ASSERT_EQ(track2->getKeys().size(), 1u);
    EXPECT_FLOAT_EQ(track2->getKeys().front()->values[0], 0.5f);
    EXPECT_FLOAT_EQ(track2->getKeys().front()->values[1], 0.0f);
}

TEST_F(GraphLoadTest, StackInputsComeBackByNameWithTheirLinks)
{
    std::string const stack = core::uniqueIdToString(RenderStack::_pluginDesc.id);
    core::SmartRef<IGraphManager> const manager = loadGraph(
        nodeXml(40, typeText(kDrawerId), "") +
        nodeXml(41, stack, inputXml("Input-1", "", 0) + inputXml("Input-2", linkXml(40, 140), 0) + inputXml("Input-3", "", 0)));
    ASSERT_TRUE(manager);
    IGraphNode* node = nodeOf(manager.get(), 41);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getInputs().size(), 4u);
    auto* renderStack = dynamic_cast<RenderStack*>(node);
    ASSERT_EQ(renderStack->getEffects().size(), 1u);
}

TEST_F(GraphLoadTest, TextThatIsNoDocumentLoadsNothing)
{
    EXPECT_FALSE(loadManager("<Tormakelin><GraphManager>"));
    core::SmartRef<IGraphManager> const empty = loadManager("<Tormakelin><GraphManager><Graph/><Other/></GraphManager></Tormakelin>");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getGraphCount(), 1);
}

} // namespace
