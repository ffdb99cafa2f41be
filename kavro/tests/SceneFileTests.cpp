#include "SpriteTestUtil.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Modifier.h>
#include <tormakelin/kavro/Spline.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

Bytes emptyScene()
{
    return Bytes().header().u32(0).u32(0).u32(0).u32(0).u32(0);
}

// A scene holding one of every record that needs no device: texture, material with a sampler
// and tracks, geometry with a fragment, plain node with a spline, mesh, camera, light, skin and
// morph modifiers.
ISceneGraph* buildRichScene()
{
    ISceneGraph* graph = createSceneGraph();

    ITexture* texture = createTexture();
    texture->setFileName("maps\\wood.png");
    graph->addTexture(texture);

    IMaterial* material = createMaterial();
    material->setName("Wood");
    material->setType(MaterialType_Reflective);
    material->setBlendMode(4);
    material->setTwoSided(true);
    material->getDiffuse().setTrack(linearTrack(4, {{0, {0, 0, 0, 1}}, {1, {1, 1, 1, 1}}}));
    ITextureSampler* sampler = createTextureSampler();
    sampler->setName("diffuse");
    sampler->setUvSet(2);
    sampler->getTexture().set(texture);
    material->addTextureSampler(sampler);
    graph->addMaterial(material);

    IGeometry* geometry = createGeometry();
    IGeometryFragment* fragment = createGeometryFragment();
    fragment->getDrawParams() = DrawParams{1, 4, 12, 0, 0, 36, 0, 0};
    geometry->addFragment(fragment);
    graph->addGeometry(geometry);

    INode* root = createNode(NodeType_Node);
    root->setName("root");
    ISpline* spline = createSpline();
    ISplineObject* object = createSplineObject();
    object->setType(3);
    ISplineKnot* knot = createSplineKnot();
    knot->getPosition().value = D3DXVECTOR3(1, 2, 3);
    knot->getOutHandle().setTrack(linearTrack(3, {{0, {0, 0, 0}}, {2, {4, 4, 4}}}));
    object->addKnot(knot);
    spline->addSplineObject(object);
    root->addSpline(spline);
    graph->addNode(root);

    auto* mesh = static_cast<Mesh*>(createNode(NodeType_Mesh));
    mesh->setName("box");
    mesh->setParent(root);
    mesh->setGeometry(geometry);
    mesh->setFragmentMaterial(fragment->getId(), material);
    mesh->getTransformation().transform.position.value = D3DXVECTOR3(5, 0, 0);
    graph->addNode(mesh);

    auto* camera = static_cast<Camera*>(createNode(NodeType_Camera));
    camera->setTarget(mesh);
    camera->fov.setTrack(linearTrack(1, {{0, {0.5f}}, {1, {1.0f}}}));
    graph->addNode(camera);

    auto* light = static_cast<Light*>(createNode(NodeType_Light));
    light->setLightType(LightType_Spot);
    light->radius.value = 12;
    graph->addNode(light);

    ISkinWeightMap* map = createSkinWeightMap();
    map->getInfluences() = {{0, 0.75f}, {1, 0.25f}};
    map->getBone().set(root);
    SkinModifierCreateContext skinContext;
    skinContext.geometry = geometry->getId();
    skinContext.weightMaps = {map};
    auto* skin = new SkinModifier();
    skin->create(skinContext);
    graph->addModifier(skin);
    mesh->setModifier(skin->getId());

    IMorphTarget* target = createMorphTarget();
    target->getVertices().assign(24, 0.5f);
    target->getWeight().value = 0.25f;
    MorphModifierCreateContext morphContext;
    morphContext.geometry = geometry->getId();
    morphContext.targets = {target};
    auto* morph = new MorphModifier();
    morph->create(morphContext);
    graph->addModifier(morph);
    return graph;
}

class SceneFile : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (ISceneGraph* graph : graphs) {
            graph->release();
        }
    }
    ISceneGraph* hold(ISceneGraph* graph)
    {
        if (graph) {
            graph->addRef();
            graphs.push_back(graph);
        }
        return graph;
    }
    std::vector<ISceneGraph*> graphs;
};

TEST_F(SceneFile, EmptySceneLoadsWithEmptyBoundingBox)
{
    ISceneGraph* graph = hold(loadBytes(emptyScene().data()));
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->getNodes().empty());
    const core::AxisAlignedBoundingBox box = graph->getBoundingBox();
    EXPECT_EQ(box.min.x, FLT_MAX);
    EXPECT_EQ(box.max.x, -FLT_MAX);
    EXPECT_EQ(saveBytes(graph), emptyScene().data());
}

TEST_F(SceneFile, BadMagicAndShortHeadersFail)
{
    for (const std::vector<uint8_t>& bytes : {Bytes().raw("KAVRA", 5).u32(1001).u32(0).u32(0).u32(0).u32(0).u32(0).data(),
             Bytes().raw("KAV", 3).data(), Bytes().header().u32(0).u32(0).data(), std::vector<uint8_t>{}}) {
        EXPECT_EQ(loadBytes(bytes), nullptr);
    }
}

TEST_F(SceneFile, LoadsThroughTheFileSystemAndMissingFilesGiveNull)
{
    core::IFileSystem* fs = core::createFileSystem();
    fs->addRef();
    const std::string path = ::testing::TempDir() + "kavro_empty_scene.k3d";
    {
        std::ofstream out(path, std::ios::binary);
        const Bytes scene = emptyScene();
        const std::vector<uint8_t>& bytes = scene.data();
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    EXPECT_NE(hold(loadSceneGraph(path)), nullptr);
    EXPECT_EQ(loadSceneGraph(path + ".missing"), nullptr);
    std::remove(path.c_str());
    fs->release();
}

TEST_F(SceneFile, OldNodeVersionHasNoSplinesAndIsSavedAsNew)
{
    const core::UniqueId id = makeId(7);
    Bytes file = Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(NodeType_Node);
    file.node(1001, id).u32(0);
    ISceneGraph* graph = hold(loadBytes(file.data()));
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(graph->getNodes().size(), 1u);
    EXPECT_EQ(graph->getNodes()[0]->getId(), id);

    Bytes expected = Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(NodeType_Node);
    expected.node(1002, id).u32(0);
    EXPECT_EQ(saveBytes(graph), expected.data());
}

TEST_F(SceneFile, ReferencesToMissingIdsResolveToNull)
{
    Bytes file = Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(NodeType_Node);
    file.node(1002, makeId(1), makeId(2), makeId(3)).u32(0);
    ISceneGraph* graph = hold(loadBytes(file.data()));
    ASSERT_NE(graph, nullptr);
    auto* node = static_cast<Node*>(graph->getNodes()[0]);
    EXPECT_EQ(node->getParent(), nullptr);
    EXPECT_TRUE(core::isNullUniqueId(node->getParentId()));
    EXPECT_EQ(node->getTarget(), nullptr);
    EXPECT_TRUE(core::isNullUniqueId(node->getTargetId()));
    EXPECT_EQ(graph->getRootNodes().size(), 1u);
}

TEST_F(SceneFile, RichSceneSavesLoadsAndSavesIdentically)
{
    ISceneGraph* built = hold(buildRichScene());
    const std::vector<uint8_t> first = saveBytes(built);
    ASSERT_FALSE(first.empty());
    ISceneGraph* loaded = hold(loadBytes(first));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(saveBytes(loaded), first);

    ASSERT_EQ(loaded->getNodes().size(), 4u);
    EXPECT_EQ(loaded->getRootNodes().size(), 3u);
    auto* mesh = dynamic_cast<Mesh*>(loaded->getNodesByType(NodeType_Mesh).at(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getParent(), loaded->getNodes()[0]);
    EXPECT_EQ(mesh->getGeometry(), loaded->getGeometries()[0]);
    EXPECT_EQ(mesh->getModifier(), loaded->getModifiers()[0]);
    ASSERT_EQ(mesh->getFragmentMaterials().size(), 1u);
    EXPECT_EQ(mesh->getFragmentMaterials().begin()->second.object, loaded->getMaterials()[0]);
    auto* camera = dynamic_cast<Camera*>(loaded->getNodesByType(NodeType_Camera).at(0));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->getTarget(), mesh);
    EXPECT_NE(camera->fov.getTrack(), nullptr);
    IMaterial* material = loaded->getMaterials()[0];
    EXPECT_EQ(material->getName(), "Wood");
    ASSERT_NE(material->findTextureSampler("diffuse"), nullptr);
    EXPECT_EQ(material->findTextureSampler("diffuse")->getTexture().object, loaded->getTextures()[0]);
    EXPECT_EQ(loaded->getTextures()[0]->getFileName(), "maps\\wood.png");
    const auto& knots = loaded->getNodes()[0]->getSplines().at(0)->getSplineObjects().at(0)->getKnots();
    ASSERT_EQ(knots.size(), 1u);
    EXPECT_EQ(knots[0]->getPosition().value, D3DXVECTOR3(1, 2, 3));
    auto* skin = dynamic_cast<SkinModifier*>(loaded->getModifiers()[0]);
    ASSERT_NE(skin, nullptr);
    ASSERT_EQ(skin->getWeightMaps().size(), 1u);
    EXPECT_EQ(skin->getWeightMaps()[0]->getInfluences().size(), 2u);
}

// Every cut of a valid file is refused cleanly: no crash, no partial graph.
TEST_F(SceneFile, EveryTruncationFails)
{
    ISceneGraph* built = hold(buildRichScene());
    const std::vector<uint8_t> bytes = saveBytes(built);
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(length));
        EXPECT_EQ(loadBytes(cut), nullptr) << "cut at " << length;
    }
}

// Counts beyond what the file holds fail at once instead of allocating for them.
TEST_F(SceneFile, CountsBeyondTheFileFail)
{
    const uint32_t huge = 0xFFFFFFF0u;
    const std::vector<std::vector<uint8_t>> files = {
        Bytes().header().u32(huge).data(),
        Bytes().header().u32(0).u32(huge).data(),
        Bytes().header().u32(0).u32(0).u32(huge).data(),
        Bytes().header().u32(0).u32(0).u32(0).u32(huge).data(),
        Bytes().header().u32(0).u32(0).u32(0).u32(0).u32(huge).data(),
        // A node whose child count runs past the end.
        Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(0).u32(1002).id(makeId(1)).text("n").u32(0)
            .id({}).id({}).u32(huge).data(),
        // A node name longer than the file.
        Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(0).u32(1002).id(makeId(1)).u32(huge).data(),
        // A geometry with more fragments than bytes.
        Bytes().header().u32(0).u32(0).u32(1).u32(1001).id(makeId(1)).u8(0).u8(0).u8(0).u32(huge).data(),
    };
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(loadBytes(files[i]), nullptr) << "file " << i;
    }
}

TEST_F(SceneFile, UnknownNodeTypesAndModifierClassesFail)
{
    Bytes badNode = Bytes().header().u32(0).u32(0).u32(0).u32(1).u32(7);
    badNode.node(1002, makeId(1)).u32(0);
    EXPECT_EQ(loadBytes(badNode.data()), nullptr);

    Bytes badModifier = Bytes().header().u32(0).u32(0).u32(0).u32(0).u32(1).id(makeId(9));
    badModifier.u32(1001).id(makeId(1)).id(makeId(2)).u32(0).u32(0);
    for (int i = 0; i < 16; ++i) {
        badModifier.f32(0);
    }
    EXPECT_EQ(loadBytes(badModifier.data()), nullptr);
}

// Stored child lists that loop or share a child would make updates recurse without end.
TEST_F(SceneFile, ChildCyclesAndSharedChildrenDoNotResolve)
{
    const core::UniqueId a = makeId(1), b = makeId(2), c = makeId(3);
    auto node = [](Bytes& file, const core::UniqueId& self, std::vector<core::UniqueId> const& children) {
        file.u32(NodeType_Node).u32(1002).id(self).text("n").u32(0).id({}).id({}).u32(uint32_t(children.size()));
        for (const core::UniqueId& child : children) {
            file.id(child);
        }
        file.u32(0).u32(1001).transformation().transformation();
    };
    Bytes file = Bytes().header().u32(0).u32(0).u32(0).u32(3);
    node(file, a, {a, b});
    node(file, b, {c});
    node(file, c, {a, b});
    file.u32(0);
    ISceneGraph* graph = hold(loadBytes(file.data()));
    ASSERT_NE(graph, nullptr);
    for (int phase = 0; phase < 3; ++phase) {
        for (INode* n : graph->getNodes()) {
            UpdateContext context;
            context.phase = phase;
            n->update(context);
            RenderPass pass;
            n->render(pass);
        }
    }
    size_t links = 0;
    for (INode* n : graph->getNodes()) {
        for (const ObjectRef<INode>& child : n->getChildren()) {
            links += child.object ? 1 : 0;
        }
    }
    EXPECT_LE(links, 2u);
    // The stored ids stay, so saving keeps the file's links.
    EXPECT_EQ(saveBytes(graph), file.data());
}

TEST_F(SceneFile, FindAndTypeQueriesFollowListOrder)
{
    ISceneGraph* graph = hold(buildRichScene());
    for (INode* node : graph->getNodes()) {
        EXPECT_EQ(graph->findNode(node->getId()), node);
    }
    EXPECT_EQ(graph->findNode(makeId(0x42)), nullptr);
    std::vector<INode*> lights{graph->getNodes()[0]};
    graph->getNodesByType(NodeType_Light, lights);
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_EQ(lights[1]->getType(), NodeType_Light);
    graph->clearMaterials();
    EXPECT_TRUE(graph->getMaterials().empty());
}

}  // namespace
}  // namespace kavro_test

namespace kavro_test {
namespace {

// Writes the scene fuzzer's seed corpus into $TORMAKELIN_KAVRO_CORPUS when it is set.
TEST(SceneCorpus, WritesSeedFilesWhenAsked)
{
    const char* dir = std::getenv("TORMAKELIN_KAVRO_CORPUS");
    if (dir == nullptr) {
        GTEST_SKIP() << "TORMAKELIN_KAVRO_CORPUS not set";
    }
    auto write = [dir](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(std::string(dir) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_TRUE(out.good()) << name;
    };
    write("empty.k3d", emptyScene().data());
    ISceneGraph* rich = buildRichScene();
    rich->addRef();
    write("rich.k3d", saveBytes(rich));
    rich->release();
    ISceneGraph* sprites = buildSpriteScene();
    sprites->addRef();
    write("sprites.k3d", saveBytes(sprites));
    sprites->release();
    Bytes old = Bytes().header().u32(0).u32(0).u32(0).u32(2).u32(NodeType_Node);
    old.node(1001, makeId(1)).u32(NodeType_Node).node(1002, makeId(2), makeId(1), makeId(1)).u32(0);
    write("old_node.k3d", old.data());
}

}  // namespace
}  // namespace kavro_test
