#pragma once
// Drawing particles and flares on the test device: an effect compiled from the library's text, a
// material around it with one texture, a camera looking down +z, and pixel reads.

#include "SceneFixtures.h"
#include "SceneTestUtil.h"

#include <array>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/Texture.h>

namespace kavro_test {

// A particle system, a flare below it and a lens flare, all with one material (count 0).
inline kavro::ISceneGraph* buildSpriteScene()
{
    kavro::ISceneGraph* graph = kavro::createSceneGraph();
    kavro::IMaterial* material = kavro::createMaterial();
    graph->addMaterial(material);
    auto* system = new kavro::ParticleSystem();
    system->setName("sparks");
    system->setMaterial(material);
    system->setMaxParticles(50);
    graph->addNode(system);
    auto* flare = new kavro::Flare();
    flare->setMaterial(material);
    flare->setParent(system);
    graph->addNode(flare);
    auto* lens = new kavro::LensFlare();
    lens->setMaterial(material);
    graph->addNode(lens);
    return graph;
}

class SpriteTest : public DeviceTest {
protected:
    // Device objects go before the device.
    void TearDown() override
    {
        releaseObjects();
        material = nullptr;
        sceneTexture = nullptr;
        texture = nullptr;
        shader = nullptr;
        DeviceTest::TearDown();
    }
    virtual void releaseObjects() {}

    // Compiles the text; a material that draws with it, double-sided, with `map` ("particle" or
    // "flare") bound to a texture of the given A8R8G8B8 rows.
    void makeMaterial(const char* text, const std::string& map, unsigned width, const std::vector<uint32_t>& pixels,
        render::BlendMode blend)
    {
        shader = render::createShader();
        const std::string source = text;
        ASSERT_TRUE(shader->compile(source.data(), unsigned(source.size()), render::g_shaderManager->getPool(),
            render::g_shaderManager->getInclude()))
            << shader->getErrors();
        texture = render::createTextureRgba(width, unsigned(pixels.size()) / width, pixels.data());
        ASSERT_TRUE(texture);
        sceneTexture = kavro::createTexture();
        sceneTexture->setTexture(texture.get());
        kavro::ITextureSampler* sampler = kavro::createTextureSampler();
        sampler->setName(map);
        sampler->getTexture().set(sceneTexture.get());
        material = kavro::createMaterial();
        material->addTextureSampler(sampler);
        material->setShader(shader.get());
        material->setBlendMode(blend);
        material->setTwoSided(true);
        material->update(0);
        // The material binds its maps by name; set here too so the draw does not depend on it.
        shader->setTexture(shader->getParameter(map + "Texture"), texture.get());
    }

    // Looking from the origin down +z with a 90 degree vertical field of view.
    kavro::RenderPass makePass(int technique)
    {
        kavro::RenderPass pass;
        pass.technique = technique;
        D3DXMatrixPerspectiveFovLH(&pass.projection, D3DX_PI / 2, 64.0f / 48.0f, 0.1f, 100.0f);
        return pass;
    }

    void clear()
    {
        ASSERT_EQ(device->getD3DDevice()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0), D3D_OK);
    }

    // (red, green, blue) of the back buffer at (x, y), y down from the top.
    Rgb pixel(unsigned x, unsigned y) { return readPixel(device, x, y); }

    void expectPixel(unsigned x, unsigned y, const Rgb& expected, const char* what)
    {
        SCOPED_TRACE(testing::Message() << what << " at " << x << "," << y);
        expectRgbNear(pixel(x, y), expected, 2);
    }

    render::RenderStatistics statistics() { return *device->getStatistics(); }

    core::SmartRef<render::IShader> shader;
    core::SmartRef<render::ITexture> texture;
    core::SmartRef<kavro::ITexture> sceneTexture;
    core::SmartRef<kavro::IMaterial> material;
};

}  // namespace kavro_test
