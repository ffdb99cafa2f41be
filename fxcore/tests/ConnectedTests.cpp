#include "GraphTestSupport.h"

#include <tormakelin/core/String.h>
#include <tormakelin/fxcore/Resource.h>

#include <map>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

class ConnectedTest : public GraphTest {
protected:
    ConnectedTest()
    {
        // Resources are known by their id's first word, when the type filter lets them through.
        FrameworkServices::findResource = [](core::UniqueId const& id, std::vector<core::UniqueId> const& types) {
            if (id.data1 == 0 || (!types.empty() && types.front().data1 != 0x600D))
                return static_cast<IResource*>(nullptr);
            IResource* resource = s_known.at(id.data1).get();
            resource->addRef();
            return resource;
        };
        for (unsigned int n : {7u, 9u, 11u, 12u}) {
            Resource* resource = new Resource();
            resource->getInfo().id.data1 = n;
            s_known.emplace(n, resource);
        }
    }
    ~ConnectedTest() override
    {
        FrameworkServices::findResource = [](core::UniqueId const&, std::vector<core::UniqueId> const&) {
            return static_cast<IResource*>(nullptr);
        };
        s_known.clear();
    }

    static std::string resourceId(unsigned int n) { return core::formatString("%08X-0000-0000-0000-000000000000", n); }

    static std::vector<unsigned int> numbers(std::vector<core::SmartRef<IResource>> const& resources)
    {
        std::vector<unsigned int> out;
        out.reserve(resources.size());
        for (auto const& resource : resources)
            out.push_back(resource->getInfo().id.data1);
        return out;
    }

    // The count a resource has beside the fixture's own reference.
    static int extraRefs(unsigned int n)
    {
        IResource* resource = s_known.at(n).get();
        resource->addRef();
        return resource->release() - 1;
    }

    static inline std::map<unsigned int, core::SmartRef<IResource>> s_known;
};

TEST_F(ConnectedTest, ResourcesComeFromTheTextTheOverrideOrTheLinkedNames)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* user = make(graph.get(), kAdderId);
    user->addInput("Attributes/Texture", kParameterResource, resourceId(7), nullptr);
    InstanceParameterMap none;
    EXPECT_EQ(numbers(user->getResourcesConnectedToInput("Attributes/Texture", {}, none)), std::vector<unsigned int>{7});
    EXPECT_TRUE(user->getResourcesConnectedToInput("Attributes/A", {}, none).empty());
    core::UniqueId bad{};
    bad.data1 = 0xBAD;
    EXPECT_TRUE(user->getResourcesConnectedToInput("Attributes/Texture", {bad}, none).empty());

    core::SmartRef<IParameter> const override = createParameter(kParameterResource);
    override->setText(resourceId(9));
    InstanceParameterMap instances{{user->findInput("Attributes/Texture")->getId(), {override.get(), nullptr}}};
    EXPECT_EQ(numbers(user->getResourcesConnectedToInput("Attributes/Texture", {}, instances)),
        std::vector<unsigned int>{9});

    IGraphNode* name = make(graph.get(), resourceParameterNodeId());
    set(name, "Attributes/Value", resourceId(11));
    ASSERT_TRUE(connect(name, "Result", user, "Attributes/Texture"));
    EXPECT_EQ(numbers(user->getResourcesConnectedToInput("Attributes/Texture", {}, instances)),
        std::vector<unsigned int>{11});

    // Through a node stack: its members of the resource-name type, in order.
    IGraphNode* stack = make(graph.get(), NodeStack::_pluginDesc.id);
    IGraphNode* second = make(graph.get(), resourceParameterNodeId());
    set(second, "Attributes/Value", resourceId(12));
    ASSERT_TRUE(connect(name, "Result", stack, "Input-1"));
    ASSERT_TRUE(connect(make(graph.get(), kAdderId), "Result", stack, "Input-2"));
    ASSERT_TRUE(connect(second, "Result", stack, "Input-3"));
    stack->link(stack->findOutput("Output"), user, user->findInput("Attributes/Texture"), false);
    EXPECT_EQ(numbers(user->getResourcesConnectedToInput("Attributes/Texture", {}, none)),
        (std::vector<unsigned int>{11, 12}));

    // The frame path's forms answer the same, into a kept vector whose old content goes.
    auto* kept = dynamic_cast<GraphNode*>(user);
    ASSERT_NE(kept, nullptr);
    std::vector<core::SmartRef<IResource>> resources{s_known.at(7)};
    kept->collectResourcesConnectedToInput("Attributes/Texture", {}, none, resources);
    EXPECT_EQ(numbers(resources), (std::vector<unsigned int>{11, 12}));
    resources.clear();
    EXPECT_EQ(kept->firstResourceConnectedToInput("Attributes/Texture", {}, none)->getInfo().id.data1, 11u);
    EXPECT_EQ(kept->firstResourceConnectedToInput("Attributes/Texture", {bad}, none), nullptr);
    std::vector<core::SmartRef<IGraphNode>> nodes{core::SmartRef<IGraphNode>(user)};
    kept->collectNodesConnectedToInput("Attributes/Texture", {resourceParameterNodeId()}, nodes);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0], name);
    EXPECT_EQ(nodes[1], second);
    nodes.clear();
    EXPECT_EQ(kept->firstNodeConnectedToInput("Attributes/Texture"), name);
    EXPECT_EQ(kept->firstNodeConnectedToInput("Attributes/A"), nullptr);

    // Each holder carries one reference, and nothing is left once the holders are gone.
    {
        auto const held = user->getResourcesConnectedToInput("Attributes/Texture", {}, none);
        EXPECT_EQ(extraRefs(11), 1);
        EXPECT_EQ(extraRefs(12), 1);
    }
    for (unsigned int n : {7u, 9u, 11u, 12u})
        EXPECT_EQ(extraRefs(n), 0) << n;
}

TEST_F(ConnectedTest, ACameraNodeOnTheViewInputReplacesTheDefaultCamera)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* drawer = make(graph.get(), kDrawerId);
    drawer->enableCamera();
    IGraphNode* adder = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(adder, "Result", drawer, "Camera/View"));
    D3DXMATRIX view, projection;
    D3DXVECTOR3 eye;
    drawer->getCamera(view, projection, eye);
    EXPECT_FLOAT_EQ(eye.z, -100.0f);

    IGraphNode* camera = make(graph.get(), viewMatrixNodeId());
    camera->link(camera->findOutput("Result"), drawer, drawer->findInput("Camera/View"), false);
    drawer->getCamera(view, projection, eye);
    EXPECT_FLOAT_EQ(eye.z, 3.0f);
    EXPECT_FLOAT_EQ(view._11, 1.0f);

    IGraphNode* stack = make(graph.get(), RenderStack::_pluginDesc.id);
    ASSERT_TRUE(connect(drawer, "Output", stack, "Input-1"));
    RenderContext context;
    context.editor = true;
    graph->render(context);
    EXPECT_FLOAT_EQ(context.eye.y, 2.0f);
    EXPECT_EQ(probe(drawer).renderCount(), 1);
}

} // namespace
