#pragma once
// Small scenes on a headless device, shared by the tests and the benchmarks: a window that is
// never shown, surfaces with normals, materials with generated effects, meshes in a graph.

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include <HeadlessDevice.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/MaterialShader.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

namespace kavro_test {

using namespace tormakelin;
using core::SmartRef;

// One triangle list of 48-byte vertices (position, normal, tangent, binormal) as a geometry.
inline kavro::IGeometry* makeTriangleList(const std::vector<float>& data)
{
    const unsigned size = unsigned(data.size() * sizeof(float));
    render::IVertexBuffer* buffer = render::createVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED);
    if (buffer == nullptr) {
        return nullptr;
    }
    auto* bytes = new unsigned char[size];
    std::memcpy(bytes, data.data(), size);
    buffer->setData(bytes);
    buffer->upload(0);
    render::IVertexStream* stream = render::createVertexStream();
    stream->addStream(0, kavro::kModelVertexSize, buffer, 0);
    render::VertexDeclBuilder builder;
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    builder.add({0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0});
    builder.add({0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0});
    builder.add({0, 36, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0});
    kavro::IGeometry* geometry = kavro::createGeometry();
    geometry->setVertexDecl(builder.build());
    geometry->setVertexStream(stream);
    kavro::IGeometryFragment* fragment = kavro::createGeometryFragment();
    const auto triangles = uint32_t(data.size() / (3 * 12));
    fragment->getDrawParams() = kavro::DrawParams{0, D3DPT_TRIANGLELIST, triangles, 0, 0, 0, 0, 0};
    geometry->addFragment(fragment);
    geometry->computeBoundingBox();
    return geometry;
}

// A flat quad (corners in order around it) drawn from both sides.
inline kavro::IGeometry* makeQuad(const std::array<D3DXVECTOR3, 4>& corners, const D3DXVECTOR3& normal)
{
    const int order[12] = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};
    std::vector<float> data;
    for (int index : order) {
        const D3DXVECTOR3& p = corners[index];
        const float vertex[12] = {p.x, p.y, p.z, normal.x, normal.y, normal.z, 1, 0, 0, 0, 0, 1};
        data.insert(data.end(), vertex, vertex + 12);
    }
    return makeTriangleList(data);
}

// A square of side `size` in the plane y = `height`, facing up.
inline kavro::IGeometry* makeFloor(float size, float height = 0)
{
    const float h = size / 2;
    return makeQuad({D3DXVECTOR3(-h, height, -h), D3DXVECTOR3(-h, height, h), D3DXVECTOR3(h, height, h),
                        D3DXVECTOR3(h, height, -h)},
        D3DXVECTOR3(0, 1, 0));
}

// A rectangle in the plane z = `z` facing -z (towards a camera in front).
inline kavro::IGeometry* makeWall(float left, float bottom, float right, float top, float z)
{
    return makeQuad({D3DXVECTOR3(left, bottom, z), D3DXVECTOR3(left, top, z), D3DXVECTOR3(right, top, z),
                        D3DXVECTOR3(right, bottom, z)},
        D3DXVECTOR3(0, 0, -1));
}

// Every light kind up to six, fog, shadow and the depth pre-pass.
inline kavro::CreateShaderParam fullShaderParam()
{
    kavro::CreateShaderParam param;
    param.pointLightsEnabled = param.directionalLightsEnabled = param.spotLightsEnabled = 1;
    param.maxPointLights = param.maxDirectionalLights = param.maxSpotLights = 6;
    param.fogEnabled = param.shadowEnabled = param.zPassEnabled = 1;
    return param;
}

struct MaterialLook {
    D3DXVECTOR4 diffuse{1, 1, 1, 1};
    int blendMode = 0;
    uint32_t type = kavro::MaterialType_Solid;
    // Without lights the effect shows the diffuse colour as it is.
    bool lit = true;
    // Above 0: the effect blends the vertices by up to this many bones.
    uint32_t gpuBones = 0;
};

// Builds a graph of meshes, each with its own material.
class SceneBuilder {
public:
    SceneBuilder() : graph(kavro::createSceneGraph()) {}

    kavro::IMaterial* material(const MaterialLook& look)
    {
        kavro::IMaterial* m = kavro::createMaterial();
        graph->addMaterial(m);
        m->getDiffuse().value = look.diffuse;
        m->getSpecular().value = D3DXVECTOR4(0, 0, 0, 1);
        m->setBlendMode(look.blendMode);
        m->setType(look.type);
        m->setTwoSided(true);
        kavro::CreateShaderParam param = fullShaderParam();
        if (!look.lit) {
            param.pointLightsEnabled = param.directionalLightsEnabled = param.spotLightsEnabled = 0;
        }
        param.gpuSkinning = look.gpuBones > 0;
        param.maxBoneCount = look.gpuBones;
        // A material whose effect does not compile draws nothing, which the pixels then show.
        m->setShader(kavro::createShaderFromMaterial(m, param));
        return m;
    }

    kavro::Mesh* mesh(kavro::IGeometry* geometry, kavro::IMaterial* m, const D3DXVECTOR3& position = {0, 0, 0})
    {
        auto* node = static_cast<kavro::Mesh*>(kavro::createNode(kavro::NodeType_Mesh));
        graph->addGeometry(geometry);
        graph->addNode(node);
        node->setGeometry(geometry);
        node->setFragmentMaterial(geometry->getFragments().front()->getId(), m);
        node->getTransformation().transform.position.value = position;
        return node;
    }

    SmartRef<kavro::ISceneGraph> graph;
};

// The bytes the graph writes, or an empty list when storing fails.
inline std::vector<uint8_t> saveBytes(kavro::ISceneGraph* graph, uint32_t options = 0)
{
    core::MemStream* stream = new core::MemStream();
    stream->addRef();
    std::vector<uint8_t> out;
    if (stream->create(nullptr, 0, false, true)) {
        kavro::Serializer serializer;
        serializer.addRef();
        kavro::SerializerParams params;
        params.mode = 1;
        params.options = options;
        if (serializer.create(stream, params) && graph->serialize(&serializer)) {
            const auto* data = static_cast<const uint8_t*>(stream->getData());
            out.assign(data, data + stream->getSize());
        }
    }
    stream->release();
    return out;
}

}  // namespace kavro_test
