#include "DocumentTestSupport.h"

#include <tormakelin/core/Keyframe.h>

#include <cmath>
#include <functional>

namespace tormakelin::fxcore::test {
namespace {

class LayerTest : public DocumentTest {
protected:
    LayerTest() : scene(addScene()), root(scene->getRootLayer()) {}

    // A graph instance layer playing a fresh probe graph.
    ILayer* addProbeLayer(ILayer* parent, int start, int end, IGraphNode** node)
    {
        ILayer* layer = addLayer(parent, kLayerGraphInstance, start, end);
        layer->setGraphInstance(addProbeGraph(node));
        return layer;
    }

    IScene* scene;
    ILayer* root;
};

TEST_F(LayerTest, PlaysInsideItsSpanComparedInWholeUnits)
{
    ILayer* once = addLayer(root, kLayerPlain, 100, 300);
    ILayer* looping = addLayer(root, kLayerPlain, 100, 300);
    looping->getInfo().endBehavior = 1;
    struct Case {
        double time;
        bool once;
        bool looping;
    };
    Case const cases[] = {
        {0.99, false, false}, {0.994, false, false}, {0.996, true, true}, {1.0, true, true},
        {2.99, true, true}, {3.0, false, true}, {4.5, false, true}, {1000.0, false, true},
    };
    for (Case const& c : cases) {
        play(scene, c.time);
        EXPECT_EQ(playing(once), c.once) << c.time;
        EXPECT_EQ(playing(looping), c.looping) << c.time;
    }
}

TEST_F(LayerTest, WithoutSegmentsNeverPlaysAndGapsCount)
{
    core::SmartRef<ILayer> const empty = createLayer(kLayerPlain);
    root->addLayer(empty.get());
    empty->getInfo().endBehavior = 1;
    ILayer* gapped = addLayer(root, kLayerPlain, 100, 150);
    core::SmartRef<ITimeSegment> const second = createTimeSegment();
    second->getRange()[0] = 250;
    second->getRange()[1] = 300;
    gapped->getTime().addSegment(second.get());
    for (double t : {0.0, 1.0, 2.0, 1e9}) {
        play(scene, t);
        EXPECT_FALSE(playing(empty.get())) << t;
    }
    play(scene, 2.0);
    EXPECT_TRUE(playing(gapped));
}

// The first segment starting at t or later that ends after t; one under way at t does not count.
TEST_F(LayerTest, CollidingSegmentIsTheFirstStartingAtOrAfterTheTime)
{
    ILayer* gapped = addLayer(root, kLayerPlain, 100, 150);
    core::SmartRef<ITimeSegment> const second = createTimeSegment();
    second->getRange()[0] = 250;
    second->getRange()[1] = 300;
    gapped->getTime().addSegment(second.get());
    ITimeSegment* const first = gapped->getTime().getSegments()[0];
    struct Case {
        int t;
        ITimeSegment* expected;
    };
    Case const cases[] = {
        {50, first}, {100, first}, {120, second.get()}, {150, second.get()}, {200, second.get()},
        {250, second.get()}, {299, nullptr}, {300, nullptr},
    };
    for (Case const& c : cases)
        EXPECT_EQ(gapped->getTime().getCollidingTimeSegment(c.t), c.expected) << c.t;
}

// Items compare as (scene, layer) pairs; each result keeps the order of the tracker it comes from.
TEST_F(LayerTest, TrackersGiveTheLayersShownAndHiddenSinceAnother)
{
    IScene* other = addScene();
    ILayer* a = addLayer(root, kLayerPlain, 0, 100);
    ILayer* b = addLayer(root, kLayerPlain, 0, 100);
    ILayer* c = addLayer(root, kLayerPlain, 0, 100);
    ILayer* d = addLayer(root, kLayerPlain, 0, 100);
    LayerTracker previous;
    for (ILayer* layer : {d, a, b})
        previous.addLayer(scene, layer);
    LayerTracker fresh;
    fresh.addLayer(scene, c);
    fresh.addLayer(scene, b);
    fresh.addLayer(other, a); // the same layer in another scene is another item
    fresh.addLayer(scene, a);
    auto layersOf = [](std::vector<LayerTracker::Item> const& items) {
        std::vector<std::pair<IScene*, ILayer*>> out;
        out.reserve(items.size());
        for (LayerTracker::Item const& item : items)
            out.emplace_back(item.scene.get(), item.layer.get());
        return out;
    };
    using Pairs = std::vector<std::pair<IScene*, ILayer*>>;
    EXPECT_EQ(layersOf(fresh.getVisibleLayers(previous)), (Pairs{{scene, c}, {other, a}}));
    EXPECT_EQ(layersOf(fresh.getHiddenLayers(previous)), (Pairs{{scene, d}}));
    EXPECT_EQ(layersOf(previous.getVisibleLayers(fresh)), (Pairs{{scene, d}}));
    EXPECT_TRUE(fresh.getVisibleLayers(fresh).empty());
    LayerTracker empty;
    EXPECT_EQ(layersOf(empty.getHiddenLayers(previous)), layersOf(previous.getItems()));
    previous.clear();
    EXPECT_EQ(layersOf(fresh.getVisibleLayers(previous)), layersOf(fresh.getItems()));
}

TEST_F(LayerTest, LoopingGraphSeesWrappedLocalTime)
{
    IGraphNode* node = nullptr;
    ILayer* layer = addProbeLayer(root, 100, 300, &node);
    layer->getInfo().endBehavior = 1;
    play(scene, 4.5);
    EXPECT_NEAR(probe(node).lastEvalTime(), 1.5, 1e-9);
    EXPECT_EQ(probe(node).renders(), 1);
    // A loop of no length plays at local time 0 rather than NaN.
    layer->getTime().getSegments()[0]->getRange()[1] = 100;
    play(scene, 7.0);
    EXPECT_EQ(probe(node).lastEvalTime(), 0.0);
}

TEST_F(LayerTest, NestedLayerTimesAreOffsetsFromTheParent)
{
    ILayer* parent = addLayer(root, kLayerPlain, 200, 500);
    IGraphNode* node = nullptr;
    ILayer* child = addProbeLayer(parent, 50, 100, &node);
    EXPECT_DOUBLE_EQ(child->toGlobalTime(root, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(child->toLocalTime(root, 2.5), 0.0);
    EXPECT_EQ(child->toGlobalTimeUnits(root, 50), 250);
    EXPECT_EQ(child->toLocalTimeUnits(root, 300), 50);
    struct Case {
        double time;
        bool plays;
    };
    for (Case const c : {Case{2.49, false}, Case{2.5, true}, Case{2.99, true}, Case{3.0, false}}) {
        play(scene, c.time);
        EXPECT_EQ(playing(child), c.plays) << c.time;
    }
    play(scene, 2.5);
    EXPECT_NEAR(probe(node).lastEvalTime(), 0.0, 1e-9);
}

TEST_F(LayerTest, ChildrenOfALoopingParentUseTheGlobalTime)
{
    ILayer* parent = addLayer(root, kLayerPlain, 100, 200);
    parent->getInfo().endBehavior = 1;
    ILayer* child = addLayer(parent, kLayerPlain, 0, 50);
    play(scene, 1.2);
    EXPECT_TRUE(playing(child));
    play(scene, 2.2);
    EXPECT_TRUE(playing(parent));
    EXPECT_FALSE(playing(child));
}

TEST_F(LayerTest, HiddenParentStopsVisibleChildren)
{
    ILayer* parent = addLayer(root, kLayerPlain, 0, 500);
    IGraphNode* node = nullptr;
    ILayer* child = addProbeLayer(parent, 0, 500, &node);
    play(scene, 1.0);
    EXPECT_TRUE(playing(child));
    parent->getInfo().visible = false;
    play(scene, 1.5);
    EXPECT_FALSE(playing(parent));
    EXPECT_FALSE(playing(child));
    EXPECT_EQ(probe(node).activations(), 1);
    EXPECT_EQ(probe(node).deactivations(), 1);
    EXPECT_EQ(probe(node).renders(), 1);
}

TEST_F(LayerTest, ActivatesOnceAndDeactivatesBeforeActivating)
{
    IGraphNode* first = nullptr;
    IGraphNode* second = nullptr;
    addProbeLayer(root, 0, 100, &first);
    addProbeLayer(root, 100, 200, &second);
    play(scene, 0.2);
    play(scene, 0.5);
    EXPECT_EQ(probe(first).activations(), 1);
    EXPECT_EQ(probe(first).deactivations(), 0);
    play(scene, 1.5);
    play(scene, 1.6);
    EXPECT_EQ(probe(first).deactivations(), 1);
    EXPECT_EQ(probe(second).activations(), 1);
    EXPECT_LT(probe(first).lastDeactivated(), probe(second).lastActivated());
}

TEST_F(LayerTest, ReleasingThePlayingDocumentDeactivatesItsLayers)
{
    IGraphNode* node = nullptr;
    addProbeLayer(root, 0, 100, &node);
    play(scene, 0.5);
    core::SmartRef<IGraphNode> const keep(node);
    m_app->newDocument();
    EXPECT_EQ(probe(node).deactivations(), 1);
}

// A document that is not the current one plays and saves with its own graphs, even when the
// current one holds a graph of the same id.
TEST_F(LayerTest, LayersOfAnotherDocumentResolveThroughTheirOwn)
{
    IGraphNode* currentProbe = nullptr;
    IGraph* currentGraph = addProbeGraph(&currentProbe);
    core::SmartRef<IDocument> const other = createDocument();
    IGraphNode* otherProbe = nullptr;
    IGraph* otherGraph = addProbeGraph(&otherProbe, other.get());
    core::SmartRef<IScene> const otherScene = createScene();
    other->getSceneManager()->addScene(otherScene.get());
    core::SmartRef<IGraph> const hold(otherGraph);
    other->getGraphManager()->remove(otherGraph->getId());
    otherGraph->setId(currentGraph->getId());
    other->getGraphManager()->add(otherGraph);
    ILayer* layer = addLayer(otherScene->getRootLayer(), kLayerGraphInstance, 0, 100);
    layer->setGraphInstance(otherGraph);
    NodeParameter* input = otherProbe->getInputs().back();
    layer->setParameterEnabled(input->value, true);

    std::string const text = saveDocument(other.get());
    EXPECT_NE(text.find("GraphNodeParameterInstance Id=\"" + core::uniqueIdToString(input->getId())),
        std::string::npos)
        << "the override is saved";

    UpdateContext context;
    context.time = 0.5;
    context.playing = true;
    context.scene = otherScene.get();
    other->update(context);
    EXPECT_EQ(probe(otherProbe).activations(), 1);
    EXPECT_EQ(probe(currentProbe).activations(), 0) << "the current document's graph is not reached";
    EXPECT_GT(probe(otherProbe).evals(), 0);
    EXPECT_EQ(probe(currentProbe).evals(), 0);
}

TEST_F(LayerTest, PlaybackHooksReachTheGraphsOfPlayingLayers)
{
    ILayer* parent = addLayer(root, kLayerPlain, 100, 1000);
    IGraphNode* node = nullptr;
    ILayer* child = addProbeLayer(parent, 100, 200, &node);
    child->getInfo().endBehavior = 1;
    play(scene, 5.0);
    UpdateContext context;
    context.scene = scene;
    context.time = 5.0;
    document()->onPlaybackSetTime(context);
    // Not wrapped: 5.0 - 2.0.
    EXPECT_NEAR(probe(node).lastSetTime(), 3.0, 1e-9);
    document()->onPlaybackStop();
    EXPECT_EQ(probe(node).playbackStops(), 1);
}

TEST_F(LayerTest, RenderTargetReceivesTheChildrenOnly)
{
    IResourceLoader* loader = createPluginAs<IResourceLoader>(s_plugins, docTypeId(kLoaderId));
    ASSERT_NE(loader, nullptr);
    core::SmartRef<IResourceLoader> const hold(loader);
    loader->findParameter("Kind")->setInt(1);
    ResourceLoadResult result;
    IResource* target = nullptr;
    loader->loadResource(result, nullptr, false, &target);
    ASSERT_NE(target, nullptr);
    document()->getResourceManager()->addResource(target);
    target->release();

    IGraphNode* own = nullptr;
    IGraphNode* inner = nullptr;
    ILayer* layer = addProbeLayer(root, 0, 100, &own);
    layer->getInfo().renderTarget = target->getInfo().id;
    addProbeLayer(layer, 0, 100, &inner);
    play(scene, 0.5);
    auto const& receiver = dynamic_cast<ITargetProbe const&>(*target);
    EXPECT_EQ(receiver.begins(), 1);
    EXPECT_EQ(receiver.ends(), 1);
    EXPECT_EQ(receiver.rendersInside(), 1);
    EXPECT_EQ(probe(own).renders(), 1);
    EXPECT_EQ(probe(inner).renders(), 1);
}

TEST_F(LayerTest, EditorFramesRefillTheGuides)
{
    IGraphNode* node = nullptr;
    ILayer* layer = addProbeLayer(root, 0, 100, &node);
    node->enableTransform(kTransform2d, kTransformHandleAll, 0);
    play(scene, 0.5, true);
    ASSERT_EQ(layer->getInfo().guides.count(node->getId()), 1u);
    play(scene, 0.6, false);
    EXPECT_TRUE(layer->getInfo().guides.empty());
}

TEST_F(LayerTest, TreeEditsKeepParentIdsAndRefuseCycles)
{
    ILayer* a = addLayer(root, kLayerPlain, 0, 10);
    ILayer* c = addLayer(root, kLayerPlain, 0, 10);
    core::SmartRef<ILayer> const b = createLayer(kLayerPlain);
    root->insertLayerBefore(b.get(), c->getId());
    ASSERT_EQ(root->getChildren().size(), 3u);
    EXPECT_EQ(root->getChildren()[1], b.get());
    EXPECT_EQ(b->getParentId(), root->getId());
    ILayer* nested = addLayer(b.get(), kLayerPlain, 0, 10);
    EXPECT_EQ(root->findLayer(nested->getId(), false), nullptr);
    EXPECT_EQ(root->findLayer(nested->getId(), true), nested);
    EXPECT_EQ(root->collectLayers().size(), 4u);

    b->addLayer(b.get());
    nested->addLayer(b.get());
    EXPECT_EQ(b->getChildren().size(), 1u);
    EXPECT_TRUE(nested->getChildren().empty());

    root->removeLayer(b->getId());
    EXPECT_TRUE(core::isNullUniqueId(b->getParentId()));
    EXPECT_EQ(root->getChildren().size(), 2u);
    EXPECT_EQ(root->getChildren()[0], a);
}

// A layer's offset follows the tree as it is now, whichever way the tree got there: moved to
// another parent, given another parent id by hand, or taken out of the scene.
TEST_F(LayerTest, OffsetsFollowTheTreeAfterEdits)
{
    ILayer* first = addLayer(root, kLayerPlain, 200, 1000);
    ILayer* second = addLayer(root, kLayerPlain, 300, 1000);
    core::SmartRef<ILayer> const middle = createLayer(kLayerPlain);
    core::SmartRef<ITimeSegment> const span = createTimeSegment();
    span->getRange()[0] = 50;
    span->getRange()[1] = 500;
    middle->getTime().addSegment(span.get());
    first->addLayer(middle.get());
    ILayer* leaf = addLayer(middle.get(), kLayerPlain, 10, 300);
    struct Step {
        char const* edit;
        std::function<void()> apply;
        double start;  // global start of the leaf, seconds
        double at;     // a play time
        bool plays;    // whether the leaf plays then
    };
    Step const steps[] = {
        {"as built", [] {}, 2.6, 2.6, true},
        {"before its start", [] {}, 2.6, 2.59, false},
        {"moved to the second layer", [&] {
             first->removeLayer(middle->getId());
             second->addLayer(middle.get());
         }, 3.6, 3.55, false},
        // The parent still plays it, at the times the parent id gives.
        {"parent id pointed at the first layer", [&] { leaf->setParentId(first->getId()); }, 2.1, 3.55, true},
        {"parent id put back", [&] { leaf->setParentId(middle->getId()); }, 3.6, 3.6, true},
        {"middle taken out of the scene", [&] { second->removeLayer(middle->getId()); }, 0.1, 3.6, false},
    };
    for (Step const& step : steps) {
        step.apply();
        EXPECT_DOUBLE_EQ(leaf->toGlobalTime(root, 0.1), step.start) << step.edit;
        play(scene, step.at);
        EXPECT_EQ(playing(leaf), step.plays) << step.edit;
    }
}

TEST_F(LayerTest, SceneSpanCountsDirectChildrenWithSegments)
{
    EXPECT_EQ(scene->getStartTime(), 0);
    EXPECT_EQ(scene->getEndTime(), 0);
    ILayer* top = addLayer(root, kLayerPlain, 150, 400);
    addLayer(top, kLayerPlain, 0, 5000);
    core::SmartRef<ILayer> const empty = createLayer(kLayerPlain);
    root->addLayer(empty.get());
    EXPECT_EQ(scene->getStartTime(), 150);
    EXPECT_EQ(scene->getEndTime(), 400);
}

TEST_F(LayerTest, ClampingFitsDescendantsIntoTheParentSpan)
{
    ILayer* parent = addLayer(root, kLayerPlain, 100, 300);
    ILayer* child = addLayer(parent, kLayerPlain, -50, 900);
    parent->clampChildTimes(root);
    EXPECT_EQ(child->getTime().getSegments()[0]->getRange()[0], 0);
    EXPECT_EQ(child->getTime().getSegments()[0]->getRange()[1], 200);
}

class InstanceTest : public LayerTest {
protected:
    InstanceTest()
    {
        layer = addProbeLayer(root, 100, 300, &node);
        value = node->findInput("Attributes/Value");
        tint = node->findInput("Color/Tint");
    }
    ILayer* layer;
    IGraphNode* node = nullptr;
    NodeParameter* value;
    NodeParameter* tint;
};

TEST_F(InstanceTest, EveryInputHasADisabledInstanceAndEachGroupAFolder)
{
    ASSERT_EQ(layer->getGraphNodeInstances().size(), 2u);
    EXPECT_FALSE(layer->isParameterEnabled(value->getId()));
    ASSERT_NE(layer->getParameterInstance(value->getId()), nullptr);
    EXPECT_NE(layer->findParameterFolder(node->getId(), "Attributes"), nullptr);
    EXPECT_NE(layer->findParameterFolder(node->getId(), "Color"), nullptr);
    EXPECT_NE(layer->findParameterFolder(node->getId(), "Instance"), nullptr);
    EXPECT_EQ(layer->findParameterFolder(node->getId(), "Value"), nullptr);
    size_t const folders = layer->getParameterFolders(node->getId()).size();
    layer->rebuildGraphNodeInstances(addProbeGraph());
    layer->setGraphInstance(document()->getGraphManager()->find(layer->getInfo().graphInstance));
    EXPECT_EQ(layer->getParameterFolders(node->getId()).size(), folders);
    EXPECT_TRUE(layer->getParameterFolders(core::UniqueId{}).empty());
}

TEST_F(InstanceTest, AnimatingEitherWayClearsExpanded)
{
    for (bool animated : {true, false}) {
        layer->setParameterExpanded(tint->getId(), true);
        layer->setParameterAnimated(tint->getId(), animated);
        EXPECT_FALSE(layer->getParameterExpanded(tint->getId())) << animated;
        EXPECT_EQ(layer->getParameterKeyframe(tint->getId()) != nullptr, animated);
    }
}

// An input edited as a rotation gets a rotation track when animated on a layer, whether its
// instance is made now or was there before the editor type was known.
TEST_F(InstanceTest, RotationInputsAnimateWithRotationTracks)
{
    tint->value->setEditorType(1);
    IGraph* graph = document()->getGraphManager()->find(layer->getInfo().graphInstance);
    ASSERT_NE(graph, nullptr);
    ILayer* fresh = addLayer(root, kLayerGraphInstance, 0, 100);
    fresh->setGraphInstance(graph);
    layer->rebuildGraphNodeInstances(graph);
    for (ILayer* each : {fresh, layer}) {
        EXPECT_EQ(each->getParameterInstance(tint->getId())->getEditorType(), 1);
        each->setParameterAnimated(tint->getId(), true);
        core::IKeyframe* track = each->getParameterKeyframe(tint->getId());
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(track->getDimension(), 4u);
        EXPECT_TRUE(track->isQuaternion());
        each->setParameterAnimated(value->getId(), true);
        EXPECT_FALSE(each->getParameterKeyframe(value->getId())->isQuaternion());
    }
}

// The editor type is kept with the graph, not with the layer: a layer loaded from a document
// gives its instances the types of the inputs they stand for, as a rebuilt one does.
TEST_F(InstanceTest, LoadedInstancesTakeTheEditorTypesOfTheirInputs)
{
    tint->value->setEditorType(1);
    core::UniqueId const sceneId = scene->getId();
    core::UniqueId const layerId = layer->getId();
    core::UniqueId const tintId = tint->getId();
    core::UniqueId const valueId = value->getId();
    std::string const text = saveDocument(document());
    m_app->newDocument();
    ASSERT_TRUE(loadDocument(document(), text));
    IScene* loadedScene = document()->getSceneManager()->findScene(sceneId);
    ASSERT_NE(loadedScene, nullptr);
    ILayer* loaded = loadedScene->getRootLayer()->findLayer(layerId, true);
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loaded->getParameterInstance(tintId), nullptr);
    EXPECT_EQ(loaded->getParameterInstance(tintId)->getEditorType(), 1);
    EXPECT_EQ(loaded->getParameterInstance(valueId)->getEditorType(), 0);
    loaded->setParameterAnimated(tintId, true);
    core::IKeyframe* track = loaded->getParameterKeyframe(tintId);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->getDimension(), 4u);
    EXPECT_TRUE(track->isQuaternion());
    loaded->setParameterAnimated(valueId, true);
    EXPECT_FALSE(loaded->getParameterKeyframe(valueId)->isQuaternion());
}

TEST_F(InstanceTest, EnabledOverrideStartsFromTheNodeValue)
{
    value->value->setText("7");
    layer->setParameterEnabled(value->value, true);
    EXPECT_EQ(layer->getParameterInstance(value->getId())->getFloat(), 7.0f);
    layer->getParameterInstance(value->getId())->setFloat(3.0f);
    play(scene, 1.5);
    EXPECT_EQ(probe(node).value(), 3.0f);
    layer->setParameterEnabled(value->value, false);
    play(scene, 1.6);
    EXPECT_EQ(probe(node).value(), 7.0f);
}

TEST_F(InstanceTest, AnimatedColorFollowsTheWrappedLocalTime)
{
    layer->setParameterEnabled(tint->value, true);
    layer->setParameterAnimated(tint->getId(), true);
    core::IKeyframe* track = layer->getParameterKeyframe(tint->getId());
    ASSERT_NE(track, nullptr);
    ASSERT_EQ(track->getDimension(), 4u);
    core::Key* key = track->createKey();
    key->time = 2.0f;
    key->kind = core::KeyLinear;
    for (int i = 0; i < 4; ++i)
        key->values[i] = 200.0f;
    track->addKey(key, true);
    layer->getInfo().endBehavior = 1;
    // 4.5 s is 3.5 s into the layer, wrapped to 1.5 s of its 2 s loop: three quarters of the way.
    play(scene, 4.5);
    EXPECT_NEAR(probe(node).tint().x, 150.0f, 1e-3);
    EXPECT_NEAR(probe(node).tint().w, 150.0f, 1e-3);
}

TEST_F(InstanceTest, DisabledInstanceNeverReachesTheNodeEvenWithATrack)
{
    layer->setParameterEnabled(value->value, true);
    layer->setParameterAnimated(value->getId(), true);
    layer->getParameterKeyframe(value->getId())->getKeys()[0]->values[0] = 42.0f;
    play(scene, 1.5);
    EXPECT_EQ(probe(node).value(), 42.0f);
    layer->setParameterEnabled(value->value, false);
    EXPECT_EQ(layer->getParameterKeyframe(value->getId()), nullptr);
    layer->setParameterKeyframe(value->getId(), core::createKeyframe(1, false));
    play(scene, 1.6);
    EXPECT_EQ(probe(node).value(), 0.0f);
}

TEST_F(InstanceTest, NarrowStoredTrackLeavesTheOtherChannels)
{
    layer->setParameterEnabled(tint->value, true);
    layer->getParameterInstance(tint->getId())->setColor(D3DXVECTOR4(1, 2, 3, 4));
    core::SmartRef<core::IKeyframe> const track = core::createKeyframe(1, false);
    core::Key* key = track->createKey();
    key->time = 0.0f;
    key->kind = core::KeyLinear;
    key->values[0] = 9.0f;
    track->addKey(key, true);
    layer->setParameterKeyframe(tint->getId(), track.get());
    play(scene, 1.5);
    D3DXVECTOR4 const seen = probe(node).tint();
    EXPECT_EQ(seen.x, 9.0f);
    EXPECT_EQ(seen.y, 2.0f);
    EXPECT_EQ(seen.w, 4.0f);
}

TEST_F(InstanceTest, CloneOwnsItsOverrides)
{
    layer->setParameterEnabled(value->value, true);
    layer->getParameterInstance(value->getId())->setFloat(5.0f);
    core::SmartRef<ILayer> const copy = layer->clone();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->getId(), layer->getId());
    EXPECT_EQ(copy->getInfo().graphInstance, layer->getInfo().graphInstance);
    EXPECT_TRUE(copy->isParameterEnabled(value->getId()));
    copy->getParameterInstance(value->getId())->setFloat(6.0f);
    EXPECT_EQ(layer->getParameterInstance(value->getId())->getFloat(), 5.0f);
}

} // namespace
} // namespace tormakelin::fxcore::test
