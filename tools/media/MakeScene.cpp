// Writes the sample's 3-D scene through the scene library's own writer: a ground around a mirror pool,
// three boxes (one spinning on a keyframe track), a camera and two lights. Usage:
// Tormakelin.MakeScene <output.k3d>
// The materials' effects are generated and compiled on a hidden device, so the file carries them.

#include "SceneBuild.h"

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/BlendMode.h>

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

// One turn about y every four seconds, repeated.
core::IKeyframe* spinTrack()
{
    core::IKeyframe* track = core::createKeyframe(4, true);
    track->setPostOORBehavior(core::KeyframeCycle);
    for (int step = 0; step <= 4; ++step) {
        core::Key* key = track->createKey();
        key->time = float(step);
        key->kind = core::KeyLinear;
        D3DXQUATERNION q;
        D3DXVECTOR3 const axis(0.3f, 1, 0.2f);
        D3DXQuaternionRotationAxis(&q, &axis, float(step) * D3DX_PI / 2);
        key->values[0] = q.x;
        key->values[1] = q.y;
        key->values[2] = q.z;
        key->values[3] = q.w;
        track->addKey(key, true);
    }
    return track;
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
