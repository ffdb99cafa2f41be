#include "SceneRenderFixture.h"

#include <tormakelin/kavro/MeshUtility.h>
#include <tormakelin/kavro/Modifier.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

// A square of side 4 at z = 10, every vertex bound wholly to one bone, with the blend weights
// and indices the effect reads.
IGeometry* squareOnBone(int bone)
{
    meshUtility::Mesh mesh;
    const int normal = mesh.addNormal(D3DXVECTOR3(0, 0, -1));
    for (const D3DXVECTOR3& corner : {D3DXVECTOR3(-2, -2, 10), D3DXVECTOR3(-2, 2, 10), D3DXVECTOR3(2, 2, 10),
             D3DXVECTOR3(2, -2, 10)}) {
        meshUtility::Vertex v;
        v.setPosition(mesh.addPosition(corner));
        v.setNormal(normal);
        v.setBoneInfluence(0, bone, 1.0f);
        mesh.addVertex(v);
    }
    for (const auto& triangle : {std::array{0, 1, 2}, std::array{0, 2, 3}}) {
        meshUtility::Polygon polygon;
        polygon.setMaterial(0);
        for (int index : triangle) {
            polygon.addIndex(index);
        }
        mesh.addPolygon(polygon);
    }
    meshUtility::Mesh::ConvertParams params;
    params.writeSkin = true;
    VertexRemap remap;
    return mesh.convertMesh(params, remap);
}

constexpr float kBoneX[] = {0, 8, -8};

// Three bones at x = 0, 8 and -8; the square's vertices follow the one they name.
struct SkinnedSquare {
    SkinnedSquare(uint32_t mode, int bone)
    {
        IGeometry* geometry = squareOnBone(bone);
        const bool inEffect = mode == SkinModifier::kModeEffect;
        Mesh* mesh = scene.mesh(geometry, scene.material({{1, 1, 1, 1}, 0, 0, false, inEffect ? 4u : 0u}));
        SkinModifierCreateContext context;
        context.geometry = geometry->getId();
        context.mode = mode;
        for (int b = 0; b < 3; ++b) {
            INode* node = createNode(NodeType_Node);
            node->getTransformation().transform.position.value = D3DXVECTOR3(kBoneX[b], 0, 0);
            scene.graph->addNode(node);
            ISkinWeightMap* map = createSkinWeightMap();
            map->getBone().set(node);
            if (b == bone) {
                map->getInfluences() = {{0, 1.0f}, {1, 1.0f}, {2, 1.0f}, {3, 1.0f}};
            }
            context.weightMaps.push_back(map);
        }
        skin = new SkinModifier();
        skin->create(context);
        scene.graph->addModifier(skin);
        mesh->setModifier(skin->getId());
        scene.graph->resolve();
    }

    SceneBuilder scene;
    SkinModifier* skin = nullptr;
};

class SkinDrawTest : public SceneRenderTest {};

TEST_F(SkinDrawTest, EachVertexDrawsWhereItsBoneTakesIt)
{
    for (uint32_t mode : {0u, SkinModifier::kModeEffect}) {
        for (int bone = 0; bone < 3; ++bone) {
            SCOPED_TRACE(testing::Message() << (mode ? "in the effect" : "on the processor") << ", bone " << bone);
            SkinnedSquare square(mode, bone);
            SceneRenderState state;
            state.entries.push_back({});
            state.entries.back().graph = square.scene.graph.get();
            state.time = 1;
            lookAlongZ(state);
            clear();
            renderer->render(state);
            for (int b = 0; b < 3; ++b) {
                const int red = readPixel(device, unsigned(16 + kBoneX[b]), 16)[0];
                if (b == bone) {
                    EXPECT_GT(red, 240) << "at bone " << b;
                } else {
                    EXPECT_EQ(red, 0) << "at bone " << b;
                }
            }
        }
    }
}

// Two entries of one graph at x = -4 and 4. The bones carry the entry's matrix and the mesh's
// world matrix carries it again, so each square lands at twice its entry's x; drawn with the
// other entry's bones, the second would land at 0.
TEST_F(SkinDrawTest, EntriesSharingASkinnedGraphDrawWithTheirOwnBones)
{
    for (uint32_t mode : {0u, SkinModifier::kModeEffect}) {
        SCOPED_TRACE(mode ? "in the effect" : "on the processor");
        SkinnedSquare square(mode, 0);
        SceneRenderState state;
        for (float x : {-4.0f, 4.0f}) {
            SceneEntry entry;
            D3DXMatrixTranslation(&entry.world, x, 0, 0);
            entry.graph = square.scene.graph.get();
            state.entries.push_back(entry);
        }
        state.time = 1;
        lookAlongZ(state);
        clear();
        renderer->render(state);
        EXPECT_GT(readPixel(device, 16 - 8, 16)[0], 240);
        EXPECT_GT(readPixel(device, 16 + 8, 16)[0], 240);
        EXPECT_EQ(readPixel(device, 16, 16)[0], 0);
    }
}

}  // namespace
}  // namespace kavro_test
