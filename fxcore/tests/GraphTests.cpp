#include "GraphTestSupport.h"
#include "GraphXmlSupport.h"

#include <tormakelin/fxcore/Folder.h>

#include <tormakelin/core/Keyframe.h>

#include <set>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

class GraphUpdateTest : public GraphTest {
protected:
    // a feeds b and c, b feeds c, c feeds the drawer of the render stack.
    void buildDiamond(IGraph* graph)
    {
        c = make(graph, kAdderId);
        b = make(graph, kAdderId);
        a = make(graph, kAdderId);
        drawer = make(graph, kDrawerId);
        stack = make(graph, RenderStack::_pluginDesc.id);
        set(a, "Attributes/A", "2");
        ASSERT_TRUE(connect(a, "Result", c, "Attributes/A"));
        ASSERT_TRUE(connect(b, "Result", c, "Attributes/B"));
        ASSERT_TRUE(connect(a, "Result", b, "Attributes/A"));
        ASSERT_TRUE(connect(c, "Result", drawer, "Attributes/A"));
        ASSERT_TRUE(connect(drawer, "Output", stack, "Input-1"));
    }
    IGraphNode* a = nullptr;
    IGraphNode* b = nullptr;
    IGraphNode* c = nullptr;
    IGraphNode* drawer = nullptr;
    IGraphNode* stack = nullptr;
};

TEST_F(GraphUpdateTest, EachNodeEvaluatesOnceAfterEverythingItReads)
{
    GraphHandle graph(createGraph(0));
    buildDiamond(graph.get());
    IGraphNode* unreached = make(graph.get(), kAdderId);
    ASSERT_TRUE(connect(a, "Result", unreached, "Attributes/A"));
    UpdateContext context;
    graph->update(context);
    for (IGraphNode* node : {a, b, c, drawer})
        EXPECT_EQ(probe(node).evalCount(), 1);
    EXPECT_LT(probe(a).lastEvalStamp(), probe(b).lastEvalStamp());
    EXPECT_LT(probe(b).lastEvalStamp(), probe(c).lastEvalStamp());
    EXPECT_LT(probe(c).lastEvalStamp(), probe(drawer).lastEvalStamp());
    // This frame's values all the way: c = a + (a + 0).
    EXPECT_FLOAT_EQ(probe(drawer).value(), 4.0f);
    EXPECT_EQ(probe(unreached).evalCount(), 0);

    graph->update(context);
    EXPECT_EQ(probe(a).evalCount(), 2);
    EXPECT_EQ(probe(drawer).evalCount(), 2);

    RenderContext render;
    graph->render(render);
    EXPECT_EQ(probe(drawer).renderCount(), 1);
}

TEST_F(GraphUpdateTest, AnEffectInTwoStacksUpdatesOnceAndRendersTwice)
{
    GraphHandle graph(createGraph(0));
    buildDiamond(graph.get());
    IGraphNode* second = make(graph.get(), RenderStack::_pluginDesc.id);
    ASSERT_TRUE(connect(drawer, "Output", second, "Input-1"));
    UpdateContext context;
    graph->update(context);
    EXPECT_EQ(probe(drawer).evalCount(), 1);
    RenderContext render;
    graph->render(render);
    EXPECT_EQ(probe(drawer).renderCount(), 2);
}

// What a frame updates and renders follows every change of links and nodes between frames.
TEST_F(GraphUpdateTest, EditsBetweenFramesChangeWhatUpdatesAndRenders)
{
    GraphHandle graph(createGraph(0));
    buildDiamond(graph.get());
    UpdateContext context;
    RenderContext render;
    auto frame = [&] {
        graph->update(context);
        graph->render(render);
    };
    frame();
    IGraphNode* late = make(graph.get(), kAdderId);
    frame();
    EXPECT_EQ(probe(late).evalCount(), 0);

    ASSERT_TRUE(connect(late, "Result", b, "Attributes/B"));
    frame();
    EXPECT_EQ(probe(late).evalCount(), 1);

    late->unlink(late->findOutput("Result"), b, b->findInput("Attributes/B"), true);
    frame();
    EXPECT_EQ(probe(late).evalCount(), 1);
    EXPECT_EQ(probe(a).evalCount(), 4);

    IGraphNode* other = make(graph.get(), kDrawerId);
    IGraphNode* second = make(graph.get(), RenderStack::_pluginDesc.id);
    ASSERT_TRUE(connect(other, "Output", second, "Input-1"));
    frame();
    EXPECT_EQ(probe(other).evalCount(), 1);
    EXPECT_EQ(probe(other).renderCount(), 1);
    EXPECT_EQ(probe(drawer).renderCount(), 5);

    graph->removeNode(stack->getId());
    frame();
    EXPECT_EQ(probe(drawer).renderCount(), 5);
    EXPECT_EQ(probe(drawer).evalCount(), 5);
    EXPECT_EQ(probe(other).renderCount(), 2);
}

TEST_F(GraphUpdateTest, RemovingANodeLeavesNothingPointingAtIt)
{
    GraphHandle graph(createGraph(0));
    buildDiamond(graph.get());
    core::UniqueId const id = b->getId();
    graph->removeNode(id);
    EXPECT_EQ(graph->findNode(id), nullptr);
    EXPECT_EQ(graph->indexOf(id), -1);
    EXPECT_TRUE(c->findInput("Attributes/B")->incoming.empty());
    EXPECT_EQ(a->findOutput("Result")->outgoing.size(), 1u);
    graph->removeNode(id);
    // The survivors still update and push without touching the removed node.
    UpdateContext context;
    graph->update(context);
    EXPECT_FLOAT_EQ(probe(drawer).value(), 2.0f);
}

TEST_F(GraphTest, NodesAreNumberedMovedAndListedByLinkState)
{
    GraphHandle graph(createGraph(0));
    IGraphNode* first = make(graph.get(), kAdderId);
    IGraphNode* second = make(graph.get(), kAdderId);
    IGraphNode* third = make(graph.get(), kTextSinkId);
    EXPECT_EQ(first->getSortOrder(), 0);
    EXPECT_EQ(third->getSortOrder(), 2);
    graph->moveNode(second->getId(), 1);
    EXPECT_EQ(graph->getNodes()[1], second);
    graph->moveNode(first->getId(), 2);
    EXPECT_EQ(graph->getNodes()[0], third);
    EXPECT_EQ(graph->getNodes()[2], first);
    for (int bad : {-1, 3, 1000})
        graph->moveNode(first->getId(), bad);
    EXPECT_EQ(graph->getNodes()[2], first);

    ASSERT_TRUE(connect(first, "Result", third, "Attributes/Text"));
    std::vector<NodeParameterRef> inputs, outputs;
    graph->getUnlinkedParameters(inputs, outputs);
    // Three name inputs, two pairs of adder inputs; the text input is linked.
    EXPECT_EQ(inputs.size(), 7u);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs.front().node, second);
}

std::set<std::string> idsOf(IGraph* graph)
{
    std::set<std::string> ids{core::uniqueIdToString(graph->getId())};
    for (IGraphNode* node : graph->getNodes()) {
        ids.insert(core::uniqueIdToString(node->getId()));
        for (NodeParameter const* p : node->getInputs())
            ids.insert(core::uniqueIdToString(p->getId()));
        for (NodeParameter const* p : node->getOutputs())
            ids.insert(core::uniqueIdToString(p->getId()));
    }
    return ids;
}

// Every link as (source index, output name, destination index, input name).
std::set<std::string> linksOf(IGraph* graph)
{
    std::set<std::string> links;
    auto const& nodes = graph->getNodes();
    for (size_t i = 0; i < nodes.size(); ++i)
        for (NodeParameter const* input : nodes[i]->getInputs())
            for (NodeLink const& link : input->incoming)
                links.insert(std::to_string(graph->indexOf(link.node->getId())) + link.parameter->name + "->" +
                    std::to_string(i) + input->name);
    return links;
}

TEST_F(GraphUpdateTest, ACloneSharesNoIdAndHasTheSameLinks)
{
    GraphHandle graph(createGraph(3));
    buildDiamond(graph.get());
    graph->getEditorView().zoom = 2.0f;
    GraphHandle copy(graph->clone());
    EXPECT_EQ(copy->getType(), 3);
    EXPECT_FLOAT_EQ(copy->getEditorView().zoom, 2.0f);
    ASSERT_EQ(copy->getNodes().size(), graph->getNodes().size());
    std::set<std::string> const before = idsOf(graph.get());
    for (std::string const& id : idsOf(copy.get()))
        EXPECT_EQ(before.count(id), 0u) << id;
    EXPECT_EQ(linksOf(copy.get()), linksOf(graph.get()));
    EXPECT_EQ(linksOf(copy.get()).size(), 5u);
    UpdateContext context;
    copy->update(context);
    EXPECT_FLOAT_EQ(probe(copy->getNodes()[3]).value(), 4.0f);
}

// A clone is a save and a load: its node counter goes on from the source's by the nodes it
// copied, as a loaded graph's does, while the copies keep their sort orders.
TEST_F(GraphUpdateTest, ACloneCountsItsNodesOnAsALoadedGraphDoes)
{
    GraphHandle graph(createGraph(0));
    s_graphs->add(graph.get());
    buildDiamond(graph.get());
    graph->removeNode(make(graph.get(), kAdderId)->getId());
    graph->moveNode(a->getId(), 0);
    core::SmartRef<IGraphManager> const loaded = loadManager(saveManager(s_graphs));
    IGraph* reloaded = loaded->find(graph->getId());
    ASSERT_NE(reloaded, nullptr);
    GraphHandle copy(graph->clone());
    ASSERT_EQ(copy->getNodes().size(), 5u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(copy->getNodes()[i]->getSortOrder(), graph->getNodes()[i]->getSortOrder()) << i;
    // Six nodes were numbered, five came along.
    int const next = make(reloaded, kAdderId)->getSortOrder();
    EXPECT_EQ(next, 11);
    EXPECT_EQ(make(copy.get(), kAdderId)->getSortOrder(), next);
}

TEST_F(GraphUpdateTest, ImportingAddsLinkedCopiesWithFreshIdsEvenFromItself)
{
    GraphHandle graph(createGraph(0));
    buildDiamond(graph.get());
    core::UniqueId const ownId = graph->getId();
    graph->importGraph(graph.get());
    EXPECT_EQ(graph->getId(), ownId);
    ASSERT_EQ(graph->getNodes().size(), 10u);
    EXPECT_EQ(linksOf(graph.get()).size(), 10u);
    std::set<std::string> ids;
    for (IGraphNode* node : graph->getNodes())
        EXPECT_TRUE(ids.insert(core::uniqueIdToString(node->getId())).second);
    UpdateContext context;
    graph->update(context);
    EXPECT_FLOAT_EQ(probe(graph->getNodes()[8]).value(), 4.0f);
}

// A collection's pending link names the inner node, its parameter and the collection's own
// input by id; importing keeps those ids, or carries the link to the fresh ones.
class GraphImportTest : public GraphTest {
protected:
    GraphImportTest() : source(createGraph(0))
    {
        s_graphs->add(source.get());
        inner = make(source.get(), kAdderId);
        collection = dynamic_cast<Collection*>(make(source.get(), Collection::_pluginDesc.id));
        collection->addInput("Amount", inner, inner->findInput("Attributes/B"));
    }

    // The imported collection's link resolves to the imported inner node and both parameters.
    static void expectLinkResolved(IGraph* graph, IGraphNode* innerCopy, IGraphNode* collectionCopy)
    {
        graph->resolve();
        auto* copy = dynamic_cast<Collection*>(collectionCopy);
        ASSERT_NE(copy, nullptr);
        ASSERT_EQ(copy->getPendingLinks().size(), 1u);
        CollectionLink const& link = copy->getPendingLinks()[0];
        EXPECT_EQ(link.node, innerCopy);
        EXPECT_EQ(link.nodeParameter, innerCopy->findInput("Attributes/B"));
        EXPECT_EQ(link.parameter, copy->findInput("Attributes/Amount"));
    }

    GraphHandle source;
    IGraphNode* inner = nullptr;
    Collection* collection = nullptr;
};

TEST_F(GraphImportTest, ImportKeepsTheIdsOfNodesAndParameters)
{
    GraphHandle target(createGraph(0));
    make(target.get(), kAdderId);
    target->importGraph(source.get());
    ASSERT_EQ(target->getNodes().size(), 3u);
    IGraphNode* innerCopy = target->getNodes()[1];
    IGraphNode* collectionCopy = target->getNodes()[2];
    EXPECT_EQ(innerCopy->getId(), inner->getId());
    EXPECT_EQ(collectionCopy->getId(), collection->getId());
    EXPECT_EQ(innerCopy->findInput("Attributes/B")->getId(), inner->findInput("Attributes/B")->getId());
    EXPECT_EQ(collectionCopy->findInput("Attributes/Amount")->getId(),
        collection->findInput("Attributes/Amount")->getId());
    // The source leaves the document, as when a graph is taken from another project.
    s_graphs->remove(source->getId());
    s_graphs->add(target.get());
    expectLinkResolved(target.get(), innerCopy, collectionCopy);
}

TEST_F(GraphImportTest, ImportingItselfRenewsTheIdsAndCarriesThePendingLinks)
{
    source->importGraph(source.get());
    ASSERT_EQ(source->getNodes().size(), 4u);
    IGraphNode* innerCopy = source->getNodes()[2];
    IGraphNode* collectionCopy = source->getNodes()[3];
    EXPECT_NE(innerCopy->getId(), inner->getId());
    EXPECT_NE(collectionCopy->findInput("Attributes/Amount")->getId(),
        collection->findInput("Attributes/Amount")->getId());
    expectLinkResolved(source.get(), innerCopy, collectionCopy);
    expectLinkResolved(source.get(), inner, collection);
}

TEST_F(GraphTest, TheManagerKeepsGraphsByIdAndFindsNodesAcrossThem)
{
    core::SmartRef<IGraphManager> const manager = createGraphManager();
    IGraph* first = createGraph(0);
    manager->add(first);
    IGraphNode* node = make(first, kAdderId);
    core::UniqueId const nodeId = node->getId();
    EXPECT_EQ(manager->find(first->getId()), first);
    EXPECT_EQ(manager->findNode(nodeId), node);
    core::UniqueId const graphId = first->getId();
    IGraph* replacement = createGraph(1);
    replacement->setId(graphId);
    manager->add(replacement);
    EXPECT_EQ(manager->getGraphCount(), 1);
    EXPECT_EQ(manager->find(graphId), replacement);
    EXPECT_EQ(manager->findNode(nodeId), nullptr);
    manager->remove(replacement->getId());
    EXPECT_EQ(manager->getGraphCount(), 0);
    manager->add(createGraph(0));
    manager->clear();
    EXPECT_EQ(manager->getGraphCount(), 0);
    EXPECT_NE(manager->getFolderManager(), nullptr);
}

TEST_F(GraphUpdateTest, SavingALoadedDocumentGivesTheSameBytes)
{
    IGraph* graph = createGraph(2);
    s_graphs->add(graph);
    buildDiamond(graph);
    core::IKeyframe* track = core::createKeyframe(3, false);
    core::Key* key = track->createKey();
    key->time = 1.25f;
    key->kind = core::KeyLinear;
    key->values[0] = 1.0f;
    key->values[1] = -2.5f;
    key->values[2] = 0.125f;
    track->addKey(key, true);
    a->setKeyframe(track);
    a->getParameterGroup("Attributes")->expanded = false;
    a->getLayout().positionX = -40;
    graph->moveNode(a->getId(), 0);
    auto* collection = dynamic_cast<Collection*>(make(graph, Collection::_pluginDesc.id));
    collection->addInput("Amount", b, b->findInput("Attributes/B"));
    IFolder* folder = createFolder();
    folder->getData().name = "Graphs";
    folder->getData().data = graph->getId();
    s_graphs->getFolderManager()->addFolder(nullptr, folder);
    set(stack, "Instance/Name", "Main");

    std::string const first = saveManager(s_graphs);
    core::SmartRef<IGraphManager> const loaded = loadManager(first);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(withoutGraphCounters(saveManager(loaded.get())), withoutGraphCounters(first));
    IGraph* again = loaded->find(graph->getId());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(linksOf(again), linksOf(graph));
    EXPECT_EQ(again->getNodes()[0]->getSortOrder(), a->getSortOrder());
    EXPECT_NE(again->getNodes()[0]->getKeyframe(), nullptr);
    ASSERT_NE(loaded->getFolderManager()->findByData(graph->getId()), nullptr);
    EXPECT_EQ(loaded->getFolderManager()->findByData(graph->getId())->getId(), folder->getId());
}

} // namespace
