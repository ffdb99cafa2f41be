#include "SceneTestUtil.h"

#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/Texture.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

TEST(Techniques, NamesByNumber)
{
    const std::pair<int, const char*> cases[] = {{0, "Shadow"}, {1, "ZPass"}, {2, "Solid"}, {3, "Solid"},
        {4, "ReflectiveMask"}, {5, "Solid"}, {6, "invalid technique"}, {-1, "invalid technique"}};
    for (const auto& [technique, name] : cases) {
        EXPECT_STREQ(getTechniqueName(technique), name) << technique;
    }
}

TEST(Materials, DefaultsAndAMaterialWithoutEffectTakesNoPart)
{
    IMaterial* material = createMaterial();
    material->addRef();
    EXPECT_EQ(material->getAmbient().value, D3DXVECTOR4(0, 0, 0, 1));
    EXPECT_EQ(material->getDiffuse().value, D3DXVECTOR4(1, 1, 1, 1));
    EXPECT_FLOAT_EQ(material->getGlossiness().value, 128);
    EXPECT_EQ(material->getEmbm(), D3DXVECTOR4(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(material->isOpaque());
    for (int technique = 0; technique < 6; ++technique) {
        EXPECT_FALSE(material->takesPart(technique, nullptr));
    }
    RenderPass pass;
    EXPECT_EQ(material->begin(pass, nullptr), 0u);

    material->getOpacity().setTrack(linearTrack(1, {{0, {0}}, {1, {1}}}));
    material->update(0.25f);
    EXPECT_FLOAT_EQ(material->getSettings().opacity, 0.25f);
    material->release();
}

TEST(Materials, SamplersDefaultAndAreFoundByName)
{
    IMaterial* material = createMaterial();
    material->addRef();
    ITextureSampler* sampler = createTextureSampler();
    EXPECT_EQ(sampler->getUvSet(), 0u);
    EXPECT_FLOAT_EQ(sampler->getAmount().value, 1);
    EXPECT_TRUE(core::isNullUniqueId(sampler->getTexture().id));
    sampler->setName("bump");
    material->addTextureSampler(sampler);
    EXPECT_EQ(material->findTextureSampler("bump"), sampler);
    EXPECT_EQ(material->findTextureSampler("diffuse"), nullptr);
    material->removeTextureSampler(sampler);
    EXPECT_TRUE(material->getTextureSamplers().empty());
    material->release();
}

using SceneTextureOnDevice = DeviceTest;

TEST_F(SceneTextureOnDevice, SettingARenderTextureTakesItsFileName)
{
    ITexture* texture = createTexture();
    texture->addRef();
    texture->setFileName("old.png");
    render::ITexture* made = render::createTexture(4, 4);
    ASSERT_NE(made, nullptr);
    made->addRef();
    texture->setTexture(made);
    EXPECT_EQ(texture->getTexture(), made);
    EXPECT_EQ(texture->getFileName(), made->getFileName());
    texture->release();
    EXPECT_EQ(made->release(), 0);
}

}  // namespace
}  // namespace kavro_test
