#include "GeometryFixtures.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/Texture.h>

#include <tormakelin/kavro/Mesh.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

using GeometryOnDevice = DeviceTest;

void updateAll(INode* root, const std::vector<LightRecord>* lights = nullptr, float time = 0)
{
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.time = time;
        context.phase = phase;
        context.lights = lights;
        root->update(context);
    }
}

TEST_F(GeometryOnDevice, BoundingBoxComesFrom48ByteVerticesOnly)
{
    IGeometry* geometry = makeGeometry({{1, 2, 3}, {-1, 5, 0}, {0, 0, -4}});
    geometry->addRef();
    EXPECT_EQ(geometry->getBoundingBox().min, D3DXVECTOR3(-1, 0, -4));
    EXPECT_EQ(geometry->getBoundingBox().max, D3DXVECTOR3(1, 5, 3));

    IGeometry* narrow = makeGeometry({{1, 2, 3}, {4, 5, 6}}, 32);
    narrow->addRef();
    EXPECT_TRUE(isEmptyBox(narrow->getBoundingBox()));
    narrow->release();
    geometry->release();
}

TEST_F(GeometryOnDevice, SceneBoundsCountResolvedMeshesWithVertexBoxes)
{
    ISceneGraph* graph = createSceneGraph();
    graph->addRef();
    IGeometry* geometry = makeGeometry({{0, 0, 0}, {1, 1, 1}});
    IGeometry* narrow = makeGeometry({{50, 50, 50}}, 32);
    graph->addGeometry(geometry);
    graph->addGeometry(narrow);
    auto* placed = static_cast<Mesh*>(createNode(NodeType_Mesh));
    placed->setGeometry(geometry);
    placed->getTransformation().transform.position.value = D3DXVECTOR3(10, 0, 0);
    auto* unresolved = static_cast<Mesh*>(createNode(NodeType_Mesh));
    unresolved->setGeometryId(makeId(0x55));
    auto* wrongLayout = static_cast<Mesh*>(createNode(NodeType_Mesh));
    wrongLayout->setGeometry(narrow);
    for (Mesh* mesh : {placed, unresolved, wrongLayout}) {
        graph->addNode(mesh);
    }
    graph->resolve();
    for (INode* root : graph->getRootNodes()) {
        updateAll(root);
    }
    const core::AxisAlignedBoundingBox box = graph->getBoundingBox();
    EXPECT_EQ(box.min, D3DXVECTOR3(10, 0, 0));
    EXPECT_EQ(box.max, D3DXVECTOR3(11, 1, 1));
    graph->release();
}

TEST_F(GeometryOnDevice, GeometryBuffersSurviveTheSceneFile)
{
    ISceneGraph* graph = createSceneGraph();
    graph->addRef();
    IGeometry* geometry = makeGeometry({{1, 2, 3}, {-1, -2, -3}});
    graph->addGeometry(geometry);
    const std::vector<uint8_t> bytes = saveBytes(graph);
    ASSERT_FALSE(bytes.empty());
    ISceneGraph* loaded = loadBytes(bytes);
    ASSERT_NE(loaded, nullptr);
    loaded->addRef();
    IGeometry* copy = loaded->getGeometries().at(0);
    EXPECT_EQ(copy->getId(), geometry->getId());
    EXPECT_EQ(copy->getBoundingBox().max, D3DXVECTOR3(1, 2, 3));
    ASSERT_EQ(copy->getFragments().size(), 1u);
    EXPECT_EQ(copy->getFragments()[0]->getId(), geometry->getFragments()[0]->getId());
    EXPECT_EQ(saveBytes(loaded), bytes);
    // The option word halves the stored floats.
    EXPECT_LT(saveBytes(graph, 1).size(), bytes.size());
    loaded->release();
    graph->release();
}

TEST_F(GeometryOnDevice, CloneCopiesBuffersAndSharesFragments)
{
    IGeometry* geometry = makeGeometry({{1, 2, 3}});
    geometry->addRef();
    IGeometry* copy = geometry->clone();
    copy->addRef();
    EXPECT_NE(copy->getVertexStream(), geometry->getVertexStream());
    EXPECT_EQ(copy->getFragments(), geometry->getFragments());
    vertexData(copy)[0] = 42;
    EXPECT_FLOAT_EQ(vertexData(geometry)[0], 1);
    copy->release();
    geometry->release();
}

struct LightCase {
    size_t lights;
    std::vector<float> expectedX;
};

class MeshLights : public DeviceTest, public ::testing::WithParamInterface<LightCase> {};

TEST_P(MeshLights, KeepsTheSixNearestOrAllInOrder)
{
    auto* mesh = static_cast<Mesh*>(createNode(NodeType_Mesh));
    mesh->addRef();
    std::vector<LightRecord> lights;
    // Distances from the origin: 8, 1, 7, 2, 6, 3, 5, 4 along X.
    const float xs[] = {8, 1, 7, 2, 6, 3, 5, 4};
    for (size_t i = 0; i < GetParam().lights; ++i) {
        LightRecord light;
        light.position = D3DXVECTOR3(xs[i], 0, 0);
        lights.push_back(light);
    }
    updateAll(mesh, &lights);
    std::vector<float> got;
    for (const LightRecord& light : mesh->getLights()) {
        got.push_back(light.position.x);
    }
    EXPECT_EQ(got, GetParam().expectedX);
    mesh->release();
}

TEST_F(GeometryOnDevice, LightsAtPositionsThatAreNotNumbersSortLast)
{
    auto* mesh = static_cast<Mesh*>(createNode(NodeType_Mesh));
    mesh->addRef();
    std::vector<LightRecord> lights(8);
    for (size_t i = 0; i < lights.size(); ++i) {
        lights[i].position = D3DXVECTOR3(i % 2 ? NAN : float(i), 0, 0);
    }
    updateAll(mesh, &lights);
    ASSERT_EQ(mesh->getLights().size(), 6u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(mesh->getLights()[i].position.x, float(2 * i));
    }
    mesh->release();
}

INSTANTIATE_TEST_SUITE_P(Counts, MeshLights,
    ::testing::Values(LightCase{8, {1, 2, 3, 4, 5, 6}}, LightCase{3, {8, 1, 7}}, LightCase{0, {}}));

TEST_F(GeometryOnDevice, MeshDrawsOnlyWithTakingPartMaterialsAndHiddenMeshesStillRenderChildren)
{
    IGeometry* geometry = makeGeometry({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    geometry->addRef();
    auto* material = new RecordingMaterial();
    material->addRef();
    auto* parent = static_cast<Mesh*>(createNode(NodeType_Mesh));
    parent->addRef();
    auto* child = static_cast<Mesh*>(createNode(NodeType_Mesh));
    child->addRef();
    child->setParent(parent);
    for (Mesh* mesh : {parent, child}) {
        mesh->setGeometry(geometry);
        mesh->setFragmentMaterial(geometry->getFragments()[0]->getId(), material);
    }
    updateAll(parent);

    RenderPass pass;
    material->accept = false;
    parent->render(pass);
    EXPECT_EQ(material->begins, 0);

    material->accept = true;
    parent->render(pass);
    EXPECT_EQ(material->begins, 2);

    parent->setAttributes(NodeAttribute_Hidden);
    material->begins = 0;
    parent->render(pass);
    EXPECT_EQ(material->begins, 1);

    // A fragment without a material is skipped.
    child->removeFragmentMaterial(geometry->getFragments()[0]->getId());
    material->begins = 0;
    parent->render(pass);
    EXPECT_EQ(material->begins, 0);

    child->release();
    parent->release();
    material->release();
    geometry->release();
}

TEST_F(GeometryOnDevice, PassMaterialOfTheSameNameGivesItsSettings)
{
    IGeometry* geometry = makeGeometry({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    geometry->addRef();
    auto* material = new RecordingMaterial();
    material->addRef();
    auto* mesh = static_cast<Mesh*>(createNode(NodeType_Mesh));
    mesh->addRef();
    mesh->setGeometry(geometry);
    mesh->setFragmentMaterial(geometry->getFragments()[0]->getId(), material);
    RenderPass pass;
    MaterialSettings given;
    given.name = "recording";
    given.opacity = 0.25f;
    pass.materials.push_back(given);
    mesh->render(pass);
    EXPECT_FLOAT_EQ(material->settings.opacity, 0.25f);
    mesh->release();
    material->release();
    geometry->release();
}

}  // namespace
}  // namespace kavro_test

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

// A 2 x 2 uncompressed 32-bit TGA.
std::vector<uint8_t> tinyTga()
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
    for (int i = 0; i < 4; ++i) {
        bytes.insert(bytes.end(), {0, 0, 255, 255});
    }
    return bytes;
}

using SceneTextures = DeviceTest;

TEST_F(SceneTextures, TextureRecordsLoadTheirFileAndKeepNamesThatDoNotLoad)
{
    core::IFileSystem* fs = core::createFileSystem();
    fs->addRef();
    const std::string path = ::testing::TempDir() + "kavro_tiny.tga";
    {
        std::ofstream out(path, std::ios::binary);
        const std::vector<uint8_t> tga = tinyTga();
        out.write(reinterpret_cast<const char*>(tga.data()), std::streamsize(tga.size()));
    }
    Bytes file = Bytes().header().u32(2);
    file.id(makeId(1)).text(path).u32(TextureKind_2D);
    file.id(makeId(2)).text("missing\\none.png").u32(TextureKind_Cube);
    file.u32(0).u32(0).u32(0).u32(0);
    ISceneGraph* graph = loadBytes(file.data());
    ASSERT_NE(graph, nullptr);
    graph->addRef();
    ITexture* loaded = graph->findTexture(makeId(1));
    ASSERT_NE(loaded->getTexture(), nullptr);
    EXPECT_EQ(loaded->getTexture()->getWidth(), 2u);
    ITexture* missing = graph->findTexture(makeId(2));
    EXPECT_EQ(missing->getTexture(), nullptr);
    // Saved again, the missing texture keeps its name and kind.
    EXPECT_EQ(saveBytes(graph), file.data());
    graph->release();
    std::remove(path.c_str());
    fs->release();
}

}  // namespace
}  // namespace kavro_test

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

class WideDevice : public DeviceTest {
protected:
    void SetUp() override { ASSERT_TRUE(openDevice(800, 600)); }
};

TEST_F(WideDevice, AutomaticCameraTakesTheViewportAspectWithoutStoringIt)
{
    auto* camera = static_cast<Camera*>(createNode(NodeType_Camera));
    camera->addRef();
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.phase = phase;
        camera->update(context);
    }
    EXPECT_NEAR(camera->getEffectiveAspectRatio(), 1.3333f, 1e-4f);
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f / (800.0f / 600.0f), 800.0f / 600.0f, 0.1f, 2048.0f);
    EXPECT_NEAR(camera->getProjectionMatrix()._22, expected._22, 1e-4f);
    EXPECT_NEAR(0.7853982f / camera->getEffectiveAspectRatio(), 0.589f, 1e-3f);
    EXPECT_FLOAT_EQ(camera->aspectRatio.value, 1.33f);
    camera->release();
}

}  // namespace
}  // namespace kavro_test
