#pragma once
// Small lit scenes on the test device: surfaces with normals, materials with generated effects,
// meshes placed in a graph, and pixels read back from the back buffer.

#include "SceneTestUtil.h"

#include <array>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/MaterialShader.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

namespace kavro_test {

using core::SmartRef;

// A flat quad (corners in order around it) drawn from both sides: position, normal, tangent and
// binormal per 48-byte vertex.
inline kavro::IGeometry* makeQuad(const std::array<D3DXVECTOR3, 4>& corners, const D3DXVECTOR3& normal)
{
    const int order[12] = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};
    std::vector<float> data;
    for (int index : order) {
        const D3DXVECTOR3& p = corners[index];
        const float vertex[12] = {p.x, p.y, p.z, normal.x, normal.y, normal.z, 1, 0, 0, 0, 0, 1};
        data.insert(data.end(), vertex, vertex + 12);
    }
    const unsigned size = unsigned(data.size() * sizeof(float));
    render::IVertexBuffer* buffer = render::createVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED);
    EXPECT_NE(buffer, nullptr);
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
    fragment->getDrawParams() = kavro::DrawParams{0, D3DPT_TRIANGLELIST, 4, 0, 0, 0, 0, 0};
    geometry->addFragment(fragment);
    geometry->computeBoundingBox();
    return geometry;
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

struct MaterialSpec {
    D3DXVECTOR4 diffuse{1, 1, 1, 1};
    int blendMode = 0;
    uint32_t type = kavro::MaterialType_Solid;
    // Without lights the effect shows the diffuse colour as it is.
    bool lit = true;
};

// Builds a graph of meshes, each with its own material.
class SceneBuilder {
public:
    SceneBuilder() : graph(kavro::createSceneGraph()) {}

    kavro::IMaterial* material(const MaterialSpec& spec)
    {
        kavro::IMaterial* m = kavro::createMaterial();
        graph->addMaterial(m);
        m->getDiffuse().value = spec.diffuse;
        m->getSpecular().value = D3DXVECTOR4(0, 0, 0, 1);
        m->setBlendMode(spec.blendMode);
        m->setType(spec.type);
        m->setTwoSided(true);
        kavro::CreateShaderParam param = fullShaderParam();
        if (!spec.lit) {
            param.pointLightsEnabled = param.directionalLightsEnabled = param.spotLightsEnabled = 0;
        }
        render::IShader* shader = kavro::createShaderFromMaterial(m, param);
        EXPECT_NE(shader, nullptr);
        m->setShader(shader);
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

inline std::vector<uint32_t> readBackBuffer(render::IRenderDevice* device, unsigned& width, unsigned& height)
{
    std::vector<uint32_t> pixels;
    IDirect3DSurface9* back = nullptr;
    IDirect3DDevice9* d3d = device->getD3DDevice();
    if (d3d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) {
        return pixels;
    }
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    width = desc.Width;
    height = desc.Height;
    D3DLOCKED_RECT locked;
    if (back->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        pixels.resize(size_t(width) * height);
        for (unsigned y = 0; y < height; ++y) {
            std::memcpy(&pixels[size_t(y) * width], static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch,
                width * 4);
        }
        back->UnlockRect();
    }
    back->Release();
    return pixels;
}

using Rgb = std::array<int, 3>;

inline Rgb rgbOf(uint32_t pixel) { return {int((pixel >> 16) & 0xff), int((pixel >> 8) & 0xff), int(pixel & 0xff)}; }

inline Rgb readPixel(render::IRenderDevice* device, unsigned x, unsigned y)
{
    unsigned width = 0;
    unsigned height = 0;
    const std::vector<uint32_t> pixels = readBackBuffer(device, width, height);
    return x < width && y < height ? rgbOf(pixels[size_t(y) * width + x]) : Rgb{-1, -1, -1};
}

inline void expectRgbNear(const Rgb& actual, const Rgb& expected, int tolerance = 3)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "channel " << k;
    }
}

}  // namespace kavro_test
