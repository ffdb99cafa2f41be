#include "GeometryFixtures.h"

#include <tormakelin/kavro/MeshUtility.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;
using meshUtility::Polygon;
using meshUtility::Vertex;

// Two triangles of material 1 around one of material 0, four shared vertices.
meshUtility::Mesh twoMaterialMesh()
{
    meshUtility::Mesh mesh;
    const D3DXVECTOR3 corners[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 2}};
    for (const D3DXVECTOR3& p : corners) {
        Vertex v;
        v.setPosition(mesh.addPosition(p));
        v.setNormal(mesh.addUniqueNormal(D3DXVECTOR3(0, 0, 3)));
        v.setTexCoord(0, mesh.addTexCoord(0, D3DXVECTOR2(p.x, p.y)));
        v.setBoneInfluence(0, 2, 1.0f);
        mesh.addVertex(v);
    }
    auto triangle = [&mesh](int material, int a, int b, int c) {
        Polygon p;
        p.setMaterial(material);
        p.addIndex(a);
        p.addIndex(b);
        p.addIndex(c);
        mesh.addPolygon(p);
    };
    triangle(1, 0, 1, 2);
    triangle(0, 1, 3, 2);
    triangle(1, 2, 1, 3);
    return mesh;
}

TEST(MeshUtility, UniqueAddsFindEqualElementsAndQuantiseDirections)
{
    meshUtility::Mesh mesh;
    EXPECT_EQ(mesh.addUniquePosition(D3DXVECTOR3(1, 2, 3)), 0);
    EXPECT_EQ(mesh.addUniquePosition(D3DXVECTOR3(4, 5, 6)), 1);
    EXPECT_EQ(mesh.addUniquePosition(D3DXVECTOR3(1, 2, 3)), 0);
    EXPECT_EQ(mesh.getNumPositions(), 2u);

    // Normalised, then truncated to 1/128: both become (0.7031, 0.7031, 0).
    const int a = mesh.addUniqueNormal(D3DXVECTOR3(5, 5, 0));
    const int b = mesh.addUniqueNormal(D3DXVECTOR3(1, 1.001f, 0));
    EXPECT_EQ(a, b);
    EXPECT_FLOAT_EQ(mesh.getNormal(a)->x, 90.0f / 128);
    EXPECT_EQ(mesh.addTexCoord(16, D3DXVECTOR2(0, 0)), -1);
    EXPECT_EQ(mesh.getNumPopulatedUvSets(), 0);
    mesh.addTexCoord(3, D3DXVECTOR2(0, 0));
    EXPECT_EQ(mesh.getNumPopulatedUvSets(), 1);
}

TEST(MeshUtility, PositionOnlyComparisonMergesVerticesSharingAPosition)
{
    meshUtility::Mesh mesh;
    Vertex a;
    a.setPosition(0);
    a.setNormal(0);
    Vertex b = a;
    b.setNormal(1);
    EXPECT_EQ(mesh.addUniqueVertex(a), 0);
    EXPECT_EQ(mesh.addUniqueVertex(b), 1);
    meshUtility::setUsePositionOnlyWhenComparingVertex(true);
    Vertex c = a;
    c.setNormal(5);
    EXPECT_EQ(mesh.addUniqueVertex(c), 0);
    meshUtility::setUsePositionOnlyWhenComparingVertex(false);
    EXPECT_EQ(mesh.addUniqueVertex(c), 2);
}

TEST(MeshUtility, NewVerticesHaveNoIndicesAndClearEmptiesByFlag)
{
    Vertex v;
    EXPECT_EQ(v.position, -1);
    EXPECT_EQ(v.texCoords[15], -1);
    EXPECT_EQ(v.bones[0].bone, -1);
    EXPECT_EQ(v.bones[0].weight, 0.0f);

    meshUtility::Mesh mesh = twoMaterialMesh();
    mesh.addTangent(D3DXVECTOR3(1, 0, 0));
    mesh.clear(meshUtility::Mesh::Clear_Materials | meshUtility::Mesh::Clear_Vertices);
    EXPECT_EQ(mesh.getPolygon(0)->getMaterial(), -1);
    EXPECT_TRUE(mesh.getPolygon(0)->getIndices().empty());
    EXPECT_EQ(mesh.getNumVertices(), 0u);
    EXPECT_EQ(mesh.getNumPositions(), 4u);
    mesh.clear(meshUtility::Mesh::Clear_Positions | meshUtility::Mesh::Clear_Normals |
               meshUtility::Mesh::Clear_TexCoords | meshUtility::Mesh::Clear_Polygons);
    EXPECT_EQ(mesh.getNumPositions(), 0u);
    EXPECT_EQ(mesh.getNumPolygons(), 0u);
    EXPECT_EQ(mesh.getNumPopulatedUvSets(), 0);
    EXPECT_NE(mesh.getTangent(0), nullptr);
}

TEST(MeshUtility, VertexRemapListsEachOutputOnce)
{
    VertexRemap remap;
    remap.addVertex(3, 7);
    remap.addVertex(3, 7);
    remap.addVertex(3, 9);
    EXPECT_EQ(remap.getRemap(3), (std::vector<int>{7, 9}));
    EXPECT_TRUE(remap.getRemap(4).empty());
}

using MeshConversion = DeviceTest;

TEST_F(MeshConversion, IndexedOutputHasAFragmentPerMaterialInOrder)
{
    const meshUtility::Mesh mesh = twoMaterialMesh();
    VertexRemap remap;
    meshUtility::Mesh::ConvertParams params;
    params.writeSkin = true;
    IGeometry* geometry = mesh.convertMesh(params, remap);
    ASSERT_NE(geometry, nullptr);
    geometry->addRef();
    ASSERT_EQ(geometry->getFragments().size(), 2u);
    const DrawParams& first = geometry->getFragments()[0]->getDrawParams();
    const DrawParams& second = geometry->getFragments()[1]->getDrawParams();
    EXPECT_EQ(first.kind, uint32_t(DrawKind_Indexed));
    EXPECT_EQ(first.primitiveCount, 1u);
    EXPECT_EQ(first.startIndex, 0u);
    EXPECT_EQ(second.primitiveCount, 2u);
    EXPECT_EQ(second.startIndex, 3u);
    EXPECT_EQ(second.vertexCount, 4u);
    EXPECT_EQ(remap.getRemap(2), std::vector<int>{2});

    const auto& streams = geometry->getVertexStream()->getStreams();
    ASSERT_EQ(streams.size(), 3u);
    EXPECT_EQ(streams[0].stride, 48u);
    EXPECT_EQ(streams[1].stride, 8u);
    EXPECT_EQ(streams[2].stride, 32u);
    const auto* indices = static_cast<const uint32_t*>(geometry->getIndexBuffer()->getData());
    EXPECT_EQ((std::vector<uint32_t>(indices, indices + 9)), (std::vector<uint32_t>{1, 3, 2, 0, 1, 2, 2, 1, 3}));
    const auto* skin = static_cast<const float*>(streams[2].buffer->getData());
    EXPECT_FLOAT_EQ(skin[0], 1.0f);
    EXPECT_FLOAT_EQ(skin[4], 2.0f);  // first bone index
    EXPECT_FLOAT_EQ(skin[5], 0.0f);  // missing bones as 0
    EXPECT_EQ(geometry->getBoundingBox().max, D3DXVECTOR3(1, 1, 2));
    geometry->release();
}

TEST_F(MeshConversion, NonIndexedOutputWritesEveryTriangleAndRemapsSources)
{
    const meshUtility::Mesh mesh = twoMaterialMesh();
    VertexRemap remap;
    meshUtility::Mesh::ConvertParams params;
    params.indexed = false;
    IGeometry* geometry = mesh.convertMesh(params, remap);
    ASSERT_NE(geometry, nullptr);
    geometry->addRef();
    EXPECT_EQ(geometry->getIndexBuffer(), nullptr);
    ASSERT_EQ(geometry->getFragments().size(), 2u);
    EXPECT_EQ(geometry->getFragments()[1]->getDrawParams().startVertex, 3u);
    EXPECT_EQ(geometry->getFragments()[1]->getDrawParams().primitiveCount, 2u);
    const auto& streams = geometry->getVertexStream()->getStreams();
    EXPECT_EQ(streams[0].buffer->getDesc()->Size, 3u * 144);
    // Source vertex 1 is written in all three triangles: outputs 0, 4 and 7.
    EXPECT_EQ(remap.getRemap(1), (std::vector<int>{0, 4, 7}));
    const auto* model = static_cast<const float*>(streams[0].buffer->getData());
    EXPECT_FLOAT_EQ(model[12 * 1 + 2], 2.0f);  // output 1 is source vertex 3
    EXPECT_FLOAT_EQ(model[12 * 1 + 5], 1.0f);  // its normal, normalised
    geometry->release();
}

TEST_F(MeshConversion, PolygonsNamingMissingVerticesFail)
{
    meshUtility::Mesh mesh = twoMaterialMesh();
    Polygon broken;
    broken.addIndex(0);
    broken.addIndex(1);
    broken.addIndex(40);
    mesh.addPolygon(broken);
    VertexRemap remap;
    EXPECT_EQ(mesh.convertMesh({}, remap), nullptr);
}

}  // namespace
}  // namespace kavro_test
