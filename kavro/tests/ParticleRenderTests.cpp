#include "GeometryFixtures.h"
#include "SpriteTestUtil.h"

#include <algorithm>

#include <d3d9sim.h>

#include <tormakelin/kavro/ParticleRender.h>
#include <tormakelin/kavro/Particles.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;
using tormakelin::core::SmartRef;

class ParticleRenderTest : public SpriteTest {
protected:
    void SetUp() override
    {
        SpriteTest::SetUp();
        renderer = createParticleRender();
        ASSERT_TRUE(renderer);
    }
    void releaseObjects() override
    {
        system = nullptr;
        renderer = nullptr;
    }

    // A system of `count` particles at `at`, alive and in draw order.
    void makeSystem(uint32_t count, D3DXVECTOR3 at, uint32_t colour, float size, float rotation = 0)
    {
        system = new ParticleSystem();
        system->setMaxParticles(count);
        for (uint32_t i = 0; i < count; ++i) {
            Particle* p = system->getCloud().newParticle();
            p->position = at;
            p->colour = colour;
            p->size = size;
            p->rotation = rotation;
        }
        system->getCloud().prepare(false, D3DXVECTOR3(0, 0, 0));
    }

    void render(RenderPass& pass)
    {
        pass.particleRender = renderer.get();
        system->render(pass);
    }

    SmartRef<IParticleRender> renderer;
    SmartRef<ParticleSystem> system;
};

// Every value is distinct, so a value written to the wrong place shows. The colours' bits are not
// numbers: opaque white read as a float is a NaN, and must come through unchanged.
TEST(ParticleVertices, SixCornersCarryTheCentreAndTheirTextureCorner)
{
    for (const uint32_t colour : {0x80FF0000u, 0xFFFFFFFFu, 0x7FC00001u}) {
        Particle p;
        p.position = D3DXVECTOR3(1, 2, 3);
        p.size = 4;
        p.colour = colour;
        p.rotation = 0.5f;
        const float rect[4] = {0.25f, 0.125f, 0.75f, 0.625f};
        std::copy(rect, rect + 4, p.textureRect);
        SpriteVertex out[7] = {};
        out[6].texCoord2 = -1;
        writeParticleVertices(out, p);
        const struct {
            float corner, u, v;
        } expected[6] = {{0, 0.25f, 0.625f}, {1, 0.75f, 0.625f}, {2, 0.75f, 0.125f}, {2, 0.75f, 0.125f},
            {3, 0.25f, 0.125f}, {0, 0.25f, 0.625f}};
        for (int i = 0; i < 6; ++i) {
            const SpriteVertex& v = out[i];
            EXPECT_EQ(v.position, p.position) << i;
            EXPECT_EQ(v.texCoord0, D3DXVECTOR2(expected[i].corner, 4)) << i;
            EXPECT_EQ(v.texCoord1, D3DXVECTOR2(expected[i].u, expected[i].v)) << i;
            EXPECT_EQ(v.colour, colour) << i;
            EXPECT_EQ(v.texCoord2, 0.5f) << i;
        }
        EXPECT_EQ(out[6].texCoord2, -1) << "nothing written past the sixth vertex";
    }
}

TEST_F(ParticleRenderTest, DrawsFiveThousandParticlesPerCall)
{
    SmartRef<RecordingMaterial> recording = new RecordingMaterial();
    struct Case {
        uint32_t particles;
        int draws;
        int triangles;
    } cases[] = {{1, 1, 2}, {5000, 1, 10000}, {5001, 2, 10002}, {26000, 6, 52000}};
    for (const Case& c : cases) {
        makeSystem(c.particles, D3DXVECTOR3(0, 0, 5), 0xFFFFFFFF, 1);
        system->setMaterial(recording.get());
        const render::RenderStatistics before = statistics();
        RenderPass pass = makePass(RenderTechnique_Blended);
        render(pass);
        EXPECT_EQ(statistics().drawCalls - before.drawCalls, c.draws) << c.particles;
        EXPECT_EQ(statistics().primitives - before.primitives, c.triangles) << c.particles;
    }
}

TEST_F(ParticleRenderTest, BuffersTheDeviceRefusedAreLeftOutOfTheRotation)
{
    renderer = nullptr;
    d3dsimFailVertexBuffers(3);
    renderer = createParticleRender();
    ASSERT_TRUE(renderer) << "the declaration alone decides";
    SmartRef<RecordingMaterial> recording = new RecordingMaterial();
    makeSystem(12000, D3DXVECTOR3(0, 0, 5), 0xFFFFFFFF, 1);
    system->setMaterial(recording.get());
    const render::RenderStatistics before = statistics();
    RenderPass pass = makePass(RenderTechnique_Blended);
    render(pass);
    EXPECT_EQ(statistics().drawCalls - before.drawCalls, 3) << "the two buffers left take turns";
    EXPECT_EQ(statistics().primitives - before.primitives, 24000);

    renderer = nullptr;
    d3dsimFailVertexBuffers(IParticleRender::kBufferCount);
    renderer = createParticleRender();
    ASSERT_TRUE(renderer);
    const int draws = statistics().drawCalls;
    render(pass);
    EXPECT_EQ(statistics().drawCalls, draws) << "no buffer, no draw";
    d3dsimFailVertexBuffers(0);
}

TEST_F(ParticleRenderTest, NothingIsDrawnWithoutMaterialParticlesOrVisibility)
{
    SmartRef<RecordingMaterial> recording = new RecordingMaterial();
    auto drawsOf = [&](RenderPass& pass) {
        const int before = statistics().drawCalls;
        render(pass);
        return statistics().drawCalls - before;
    };
    RenderPass pass = makePass(RenderTechnique_Blended);
    makeSystem(3, D3DXVECTOR3(0, 0, 5), 0xFFFFFFFF, 1);
    EXPECT_EQ(drawsOf(pass), 0) << "no material";
    system->setMaterial(recording.get());
    recording->accept = false;
    EXPECT_EQ(drawsOf(pass), 0) << "the material does not take part";
    recording->accept = true;
    system->setAttributes(NodeAttribute_Hidden);
    EXPECT_EQ(drawsOf(pass), 0) << "hidden";
    system->setAttributes(0);
    EXPECT_EQ(drawsOf(pass), 1);

    // The renderer alone checks the same.
    makeSystem(1, D3DXVECTOR3(0, 0, 5), 0xFFFFFFFF, 1);
    system->getCloud().freeParticle(system->getCloud().getFirstAlive());
    system->setMaterial(recording.get());
    const int before = statistics().drawCalls;
    renderer->draw(pass, system.get());
    EXPECT_EQ(statistics().drawCalls, before) << "no particle alive";
    EXPECT_EQ(recording->begins, 1) << "the material was begun once, for the visible system";
}

TEST_F(ParticleRenderTest, HalfTransparentRedOverBlack)
{
    makeMaterial(getParticleEffectText(), "particle", 1, {0xFFFFFFFF}, render::BlendMode_Alpha);
    makeSystem(1, D3DXVECTOR3(0, 0, 5), packColour(D3DXVECTOR4(1, 0, 0, 0.5f)), 4);
    system->setMaterial(material.get());
    system->setShader(shader.get());
    clear();
    RenderPass pass = makePass(RenderTechnique_Blended);
    render(pass);
    expectPixel(32, 24, {128, 0, 0}, "the particle");
    expectPixel(2, 2, {0, 0, 0}, "outside it");
}

TEST_F(ParticleRenderTest, TexturesAppearUprightAndTurnWithTheParticle)
{
    // Two rows red over two rows blue.
    const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
    makeMaterial(getParticleEffectText(), "particle", 2, {red, red, red, red, blue, blue, blue, blue},
        render::BlendMode_Solid);
    struct Case {
        float rotation;
        std::array<int, 3> top;
        std::array<int, 3> bottom;
    } cases[] = {{0, {255, 0, 0}, {0, 0, 255}}, {D3DX_PI, {0, 0, 255}, {255, 0, 0}}};
    for (const Case& c : cases) {
        makeSystem(1, D3DXVECTOR3(0, 0, 5), 0xFFFFFFFF, 4, c.rotation);
        system->setMaterial(material.get());
        system->setShader(shader.get());
        clear();
        RenderPass pass = makePass(RenderTechnique_Solid);
        render(pass);
        expectPixel(32, 24 - 6, c.top, "above the centre");
        expectPixel(32, 24 + 6, c.bottom, "below the centre");
    }
}

TEST_F(ParticleRenderTest, OneSharedRendererLivesWhileItIsHeld)
{
    EXPECT_EQ(IParticleRender::instance(), renderer.get());
    EXPECT_EQ(createParticleRender(), renderer.get()) << "made once";
    renderer = nullptr;
    EXPECT_EQ(IParticleRender::instance(), nullptr) << "released with its last holder";
}

}  // namespace
}  // namespace kavro_test
