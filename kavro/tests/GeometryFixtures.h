#pragma once
// Geometry with real buffers on the test device, and a material that records what it is asked.

#include "SceneTestUtil.h"

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

namespace kavro_test {

// Vertices of `stride` bytes whose first three floats are the given positions; other floats 0.
inline kavro::IGeometry* makeGeometry(const std::vector<D3DXVECTOR3>& positions, unsigned stride = 48)
{
    const unsigned size = unsigned(positions.size()) * stride;
    render::IVertexBuffer* buffer = render::createVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED);
    EXPECT_NE(buffer, nullptr);
    auto* data = new unsigned char[size]();
    for (size_t i = 0; i < positions.size(); ++i) {
        std::memcpy(data + i * stride, &positions[i], sizeof(D3DXVECTOR3));
    }
    buffer->setData(data);
    buffer->upload(0);
    render::IVertexStream* stream = render::createVertexStream();
    stream->addStream(0, stride, buffer, 0);
    render::VertexDeclBuilder builder;
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    kavro::IGeometry* geometry = kavro::createGeometry();
    geometry->setVertexDecl(builder.build());
    geometry->setVertexStream(stream);
    kavro::IGeometryFragment* fragment = kavro::createGeometryFragment();
    fragment->getDrawParams() = kavro::DrawParams{0, D3DPT_TRIANGLELIST, 1, 0, 0, 0, 0, 0};
    geometry->addFragment(fragment);
    geometry->computeBoundingBox();
    return geometry;
}

inline float* vertexData(kavro::IGeometry* geometry)
{
    return static_cast<float*>(geometry->getVertexStream()->getStreams().front().buffer->getData());
}

// Takes part in the techniques it is told to; counts begin calls and answers one pass.
class RecordingMaterial : public core::RefCounted<kavro::IMaterial> {
public:
    bool accept = true;
    int begins = 0;
    std::vector<kavro::LightRecord> lastLights;
    kavro::MaterialSettings settings;
    core::UniqueId id = makeId(0x77);
    std::string name = "recording";

    const core::UniqueId& getId() override { return id; }
    uint32_t getType() override { return 0; }
    void setType(uint32_t) override {}
    const std::string& getName() override { return name; }
    void setName(const std::string& n) override { name = n; }
    void update(float) override {}
    render::IShader* getShader() override { return nullptr; }
    void setShader(render::IShader*) override {}
    const std::vector<kavro::ITextureSampler*>& getTextureSamplers() override { return samplers; }
    void addTextureSampler(kavro::ITextureSampler*) override {}
    void removeTextureSampler(kavro::ITextureSampler*) override {}
    kavro::ITextureSampler* findTextureSampler(const std::string&) override { return nullptr; }
    kavro::AnimatedVec4& getAmbient() override { return v4; }
    kavro::AnimatedVec4& getDiffuse() override { return v4; }
    kavro::AnimatedVec4& getSpecular() override { return v4; }
    kavro::AnimatedVec4& getEmissive() override { return v4; }
    kavro::AnimatedFloat& getOpacity() override { return f; }
    kavro::AnimatedFloat& getSpecularLevel() override { return f; }
    kavro::AnimatedFloat& getGlossiness() override { return f; }
    bool isTwoSided() override { return false; }
    void setTwoSided(bool) override {}
    int getBlendMode() override { return 0; }
    void setBlendMode(int) override {}
    const D3DXVECTOR4& getEmbm() override { return v4.value; }
    void setEmbm(const D3DXVECTOR4&) override {}
    bool isOpaque() override { return true; }
    bool takesPart(int, render::IShader*) override { return accept; }
    bool setTechnique(int, render::IShader*) override { return accept; }
    unsigned begin(kavro::RenderPass& pass, render::IShader*) override
    {
        ++begins;
        lastLights = pass.lights;
        return 1;
    }
    void end(render::IShader*) override {}
    void beginPass(unsigned, render::IShader*) override {}
    void endPass(render::IShader*) override {}
    const kavro::MaterialSettings& getSettings() override { return settings; }
    void setSettings(const kavro::MaterialSettings& s) override { settings = s; }
    void resolve(kavro::ISceneGraph*) override {}
    bool serialize(kavro::Serializer*) override { return false; }

private:
    std::vector<kavro::ITextureSampler*> samplers;
    kavro::AnimatedVec4 v4;
    kavro::AnimatedFloat f;
};

}  // namespace kavro_test
