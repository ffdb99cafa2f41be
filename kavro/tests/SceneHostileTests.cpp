#include "SceneTestUtil.h"

#include <ResourceBudget.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Node.h>

#include <map>
#include <string>

using namespace tormakelin;
using kavro_test::loadBytes;
using kavro_test::parentChain;

TEST(SceneHostile, ALongParentChainLoadsUpdatesAndDrawsWithoutRecursion)
{
    std::vector<uint8_t> const bytes = parentChain(50000);
    ASSERT_FALSE(bytes.empty());
    tormakelin::test::ResourceBudget budget;
    core::SmartRef<kavro::ISceneGraph> graph(loadBytes(bytes));
    ASSERT_TRUE(graph);
    std::vector<kavro::INode*> const roots = graph->getRootNodes();
    ASSERT_EQ(roots.size(), 1u);
    for (int phase = 0; phase < 3; ++phase) {
        kavro::UpdateContext context;
        context.phase = phase;
        roots[0]->update(context);
    }
    kavro::RenderPass pass;
    roots[0]->render(pass);
    EXPECT_FLOAT_EQ(graph->getNodes().back()->getWorldMatrix()._41, 50000.0f);
    EXPECT_FLOAT_EQ(graph->getNodes()[1]->getWorldMatrix()._41, 2.0f);
    EXPECT_LT(budget.seconds(), tormakelin::test::kHostileSeconds);
    EXPECT_LT(budget.peakGrowthMb(), tormakelin::test::kHostileMegabytes);
}

namespace {

// Records its visits; a node named "closed" neither updates nor draws its children.
class RecordingNode : public kavro::Node {
public:
    explicit RecordingNode(std::string* log) : m_log(log) {}
    void update(kavro::UpdateContext& context) override
    {
        *m_log += "u" + m_name + " ";
        if (m_name != "closed")
            kavro::Node::update(context);
    }
    void render(kavro::RenderPass& pass) override
    {
        *m_log += "r" + m_name + " ";
        if (m_name != "closed")
            renderChildren(pass);
    }

private:
    std::string* m_log;
};

} // namespace

TEST(SceneHostile, WalksKeepTheOrderAndMatricesOfRecursion)
{
    // a(b(c, closed(hidden)), d)
    std::string log;
    std::map<std::string, core::SmartRef<kavro::INode>> nodes;
    auto add = [&](std::string const& name, std::string const& parent) {
        auto* node = new RecordingNode(&log);
        node->setName(name);
        node->getTransformation().transform.position.value = D3DXVECTOR3(1, 0, 0);
        nodes[name] = core::SmartRef<kavro::INode>(node);
        if (!parent.empty())
            node->setParent(nodes[parent].get());
    };
    add("a", "");
    add("b", "a");
    add("c", "b");
    add("closed", "b");
    add("hidden", "closed");
    add("d", "a");
    for (int phase = 0; phase < 3; ++phase) {
        kavro::UpdateContext context;
        context.phase = phase;
        D3DXMatrixTranslation(&context.parentMatrix, 0, 10, 0);
        nodes["a"]->update(context);
        EXPECT_FLOAT_EQ(context.parentMatrix._42, 10.0f) << "the caller's context is left as it was";
    }
    kavro::RenderPass pass;
    nodes["a"]->render(pass);
    std::string const visits = "ua ub uc uclosed ud ";
    EXPECT_EQ(log, visits + visits + visits + "ra rb rc rclosed rd ");
    EXPECT_FLOAT_EQ(nodes["c"]->getWorldMatrix()._41, 3.0f);
    EXPECT_FLOAT_EQ(nodes["c"]->getWorldMatrix()._42, 10.0f);
    EXPECT_FLOAT_EQ(nodes["d"]->getWorldMatrix()._41, 2.0f);
    EXPECT_FLOAT_EQ(nodes["hidden"]->getWorldMatrix()._41, 0.0f) << "never updated";
}
