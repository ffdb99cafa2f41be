// Writes the sample's 3-D scene through the scene library's own writer: a ground around a mirror pool,
// three boxes (one spinning on a keyframe track), a column that sways on two bones, a camera and
// two lights. Usage:
// Tormakelin.MakeScene <output.k3d>
// The materials' effects are generated and compiled on a hidden device, so the file carries them.

#include "SceneBuild.h"

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/MeshUtility.h>
#include <tormakelin/kavro/Modifier.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/BlendMode.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace tormakelin;
using kavro_test::SceneBuilder;

namespace {

// A cube of side `size` around the origin, each face with its own normal.
kavro::IGeometry* makeBox(float size)
{
    const float h = size / 2;
    struct Face {
        D3DXVECTOR3 normal, u, v;
    };
    const Face faces[] = {{{0, 0, -1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
        {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}};
    std::vector<float> data;
    for (const Face& f : faces) {
        const D3DXVECTOR3 centre = f.normal * h;
        const D3DXVECTOR3 corners[4] = {centre - f.u * h - f.v * h, centre - f.u * h + f.v * h,
            centre + f.u * h + f.v * h, centre + f.u * h - f.v * h};
        for (int index : {0, 1, 2, 0, 2, 3}) {
            const D3DXVECTOR3& p = corners[index];
            const float vertex[12] = {p.x, p.y, p.z, f.normal.x, f.normal.y, f.normal.z, f.u.x, f.u.y, f.u.z, f.v.x,
                f.v.y, f.v.z};
            data.insert(data.end(), vertex, vertex + 12);
        }
    }
    return kavro_test::makeTriangleList(data);
}

kavro::IMaterial* namedMaterial(SceneBuilder& scene, const char* name, const kavro_test::MaterialLook& look)
{
    kavro::IMaterial* material = scene.material(look);
    material->setName(name);
    material->getSpecular().value = D3DXVECTOR4(0.3f, 0.3f, 0.3f, 1);
    return material;
}

// A key's four values: the rotation about `axis` through `angle`.
void setRotation(core::Key& key, const D3DXVECTOR3& axis, float angle)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    key.values[0] = q.x;
    key.values[1] = q.y;
    key.values[2] = q.z;
    key.values[3] = q.w;
}

// One turn about y every four seconds, repeated.
core::IKeyframe* spinTrack()
{
    core::IKeyframe* track = core::createKeyframe(4, true);
    track->setPostOORBehavior(core::KeyframeCycle);
    for (int step = 0; step <= 4; ++step) {
        core::Key* key = track->createKey();
        key->time = float(step);
        key->kind = core::KeyLinear;
        D3DXVECTOR3 const axis(0.3f, 1, 0.2f);
        setRotation(*key, axis, float(step) * D3DX_PI / 2);
        track->addKey(key, true);
    }
    return track;
}

// One track of quaternions about `axis` through the given angles, one second apart, repeated.
core::IKeyframe* turnTrack(const D3DXVECTOR3& axis, std::initializer_list<float> angles)
{
    core::IKeyframe* track = core::createKeyframe(4, true);
    track->setPostOORBehavior(core::KeyframeCycle);
    float time = 0;
    for (float angle : angles) {
        core::Key* key = track->createKey();
        key->time = time++;
        key->kind = core::KeyLinear;
        setRotation(*key, axis, angle);
        track->addKey(key, true);
    }
    return track;
}

constexpr float kColumnHeight = 56;
constexpr float kColumnWidth = 10;
constexpr int kColumnRings = 8;

// The bone that holds a ring of the column: the lower half the base, the upper half the joint,
// the ring between them both.
void bindRing(kavro::meshUtility::Vertex& v, int ring)
{
    const int middle = kColumnRings / 2;
    if (ring == middle) {
        v.setBoneInfluence(0, 0, 0.5f);
        v.setBoneInfluence(1, 1, 0.5f);
    } else {
        v.setBoneInfluence(0, ring < middle ? 0 : 1, 1.0f);
    }
}

// A square column standing at `base`, in world coordinates (the bones place it), each side
// with its own normal, and the blend weights and indices of its two bones.
kavro::IGeometry* makeColumn(const D3DXVECTOR3& base)
{
    namespace mu = kavro::meshUtility;
    mu::Mesh mesh;
    const float h = kColumnWidth / 2;
    const D3DXVECTOR3 normals[] = {{0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}};
    const D3DXVECTOR3 corners[] = {{-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h}, {-h, 0, -h}};
    const int binormal = mesh.addBinormal(D3DXVECTOR3(0, 1, 0));
    for (int side = 0; side < 4; ++side) {
        const int normal = mesh.addNormal(normals[side]);
        D3DXVECTOR3 along = corners[side + 1] - corners[side];
        D3DXVec3Normalize(&along, &along);
        const int tangent = mesh.addTangent(along);
        const int first = int(mesh.getNumVertices());
        for (int ring = 0; ring <= kColumnRings; ++ring) {
            const D3DXVECTOR3 up(0, kColumnHeight * float(ring) / kColumnRings, 0);
            for (int edge = 0; edge < 2; ++edge) {
                mu::Vertex v;
                v.setPosition(mesh.addPosition(base + corners[side + edge] + up));
                v.setNormal(normal);
                v.setTangent(tangent);
                v.setBinormal(binormal);
                bindRing(v, ring);
                mesh.addVertex(v);
            }
        }
        for (int ring = 0; ring < kColumnRings; ++ring) {
            const int a = first + 2 * ring;
            for (const auto& triangle : {std::array{a, a + 2, a + 3}, std::array{a, a + 3, a + 1}}) {
                mu::Polygon polygon;
                polygon.setMaterial(0);
                for (int index : triangle) {
                    polygon.addIndex(index);
                }
                mesh.addPolygon(polygon);
            }
        }
    }
    mu::Mesh::ConvertParams params;
    params.writeSkin = true;
    kavro::VertexRemap remap;
    return mesh.convertMesh(params, remap);
}

// The column with its skin: a base bone and a joint halfway up that sways to and fro.
bool addSwayingColumn(SceneBuilder& scene, const D3DXVECTOR3& base)
{
    kavro::IGeometry* geometry = makeColumn(base);
    if (geometry == nullptr) {
        return false;
    }
    kavro_test::MaterialLook look{{0.25f, 0.7f, 0.4f, 1}};
    look.gpuBones = 2;
    kavro::IMaterial* material = namedMaterial(scene, "Column", look);
    kavro::Mesh* mesh = scene.mesh(geometry, material);
    mesh->setName("Column");

    kavro::SkinModifierCreateContext context;
    context.geometry = geometry->getId();
    context.mode = kavro::SkinModifier::kModeEffect;
    const D3DXVECTOR3 places[] = {base, base + D3DXVECTOR3(0, kColumnHeight / 2, 0)};
    for (const D3DXVECTOR3& place : places) {
        kavro::INode* bone = kavro::createNode(kavro::NodeType_Node);
        bone->setName("Bone");
        bone->getTransformation().transform.position.value = place;
        scene.graph->addNode(bone);
        kavro::ISkinWeightMap* map = kavro::createSkinWeightMap();
        map->getBone().set(bone);
        // From the column's rest pose into the bone's own space.
        D3DXMatrixTranslation(&map->getOffsetMatrix(), -place.x, -place.y, -place.z);
        context.weightMaps.push_back(map);
        if (&place == &places[1]) {
            bone->getTransformation().transform.rotation.setTrack(
                turnTrack(D3DXVECTOR3(0, 0, 1), {0, 0.45f, -0.45f, 0}));
        }
    }
    auto* skin = new kavro::SkinModifier();
    skin->create(context);
    scene.graph->addModifier(skin);
    mesh->setModifier(skin->getId());
    return true;
}

bool build(SceneBuilder& scene)
{
    // The ground leaves the pool open: a solid surface under the mirror would cover what it shows.
    kavro::IMaterial* ground = namedMaterial(scene, "Ground", {{0.55f, 0.55f, 0.6f, 1}});
    const float outer = 300;
    const float inner = 80;
    const float strips[4][4] = {{-outer, -outer, outer, -inner}, {-outer, inner, outer, outer},
        {-outer, -inner, -inner, inner}, {inner, -inner, outer, inner}};
    for (const auto& r : strips) {
        scene.mesh(kavro_test::makeQuad({D3DXVECTOR3(r[0], 0, r[1]), D3DXVECTOR3(r[0], 0, r[3]),
                                             D3DXVECTOR3(r[2], 0, r[3]), D3DXVECTOR3(r[2], 0, r[1])},
                       D3DXVECTOR3(0, 1, 0)),
            ground);
    }
    kavro::IMaterial* pool = namedMaterial(
        scene, "Pool", {{0.0f, 0.04f, 0.16f, 1}, render::BlendMode_Additive, kavro::MaterialType_Reflective});
    pool->setTwoSided(false);
    scene.mesh(kavro_test::makeFloor(2 * inner, 0), pool);

    struct Placed {
        const char* material;
        D3DXVECTOR4 colour;
        D3DXVECTOR3 position;
        float size;
    };
    const Placed boxes[] = {{"Red", {0.85f, 0.15f, 0.1f, 1}, {-70, 20, 30}, 40},
        {"White", {0.9f, 0.9f, 0.95f, 1}, {0, 38, 0}, 30}, {"Gold", {0.8f, 0.6f, 0.2f, 1}, {70, 16, -10}, 32}};
    kavro::Mesh* spinning = nullptr;
    for (const Placed& b : boxes) {
        // One geometry each: the file lists every geometry once.
        kavro::IGeometry* geometry = makeBox(1);
        if (geometry == nullptr) {
            return false;
        }
        kavro::Mesh* mesh = scene.mesh(geometry, namedMaterial(scene, b.material, {b.colour}), b.position);
        mesh->getTransformation().transform.scale.value = D3DXVECTOR3(b.size, b.size, b.size);
        if (std::string(b.material) == "White") {
            spinning = mesh;
        }
    }
    spinning->getTransformation().transform.rotation.setTrack(spinTrack());
    if (!addSwayingColumn(scene, D3DXVECTOR3(-32, 0, -45))) {
        return false;
    }

    auto* camera = static_cast<kavro::Camera*>(kavro::createNode(kavro::NodeType_Camera));
    camera->setName("Camera");
    camera->getTransformation().transform.position.value = D3DXVECTOR3(0, 90, -220);
    camera->setTarget(spinning);
    scene.graph->addNode(camera);

    const D3DXVECTOR3 places[] = {{-120, 140, -80}, {150, 60, 90}};
    const D3DXVECTOR4 colours[] = {{0.9f, 0.75f, 0.6f, 1}, {0.3f, 0.4f, 0.9f, 1}};
    for (int i = 0; i < 2; ++i) {
        auto* light = static_cast<kavro::Light*>(kavro::createNode(kavro::NodeType_Light));
        light->setLightType(kavro::LightType_Point);
        light->colour.value = colours[i];
        light->radius.value = 500;
        light->getTransformation().transform.position.value = places[i];
        scene.graph->addNode(light);
    }
    return true;
}

bool save(kavro::ISceneGraph* graph, const char* path)
{
    const std::vector<uint8_t> bytes = kavro_test::saveBytes(graph);
    if (bytes.empty())
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.k3d>\n", argv[0]);
        return 2;
    }
    if (!test::headlessRenderDevice() || !kavro::setupShaderIncludes()) {
        std::fprintf(stderr, "no device to compile the scene's effects on\n");
        return 1;
    }
    bool ok = false;
    {
        SceneBuilder scene;
        ok = build(scene) && save(scene.graph.get(), argv[1]);
    }
    if (!ok) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
