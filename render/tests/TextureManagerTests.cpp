#include <gtest/gtest.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/TextureManager.h>

using namespace tormakelin;
using namespace tormakelin::render;

namespace {

class FakeTexture final : public core::RefCounted<ITexture> {
public:
    FakeTexture(TextureType type, std::string path, int& destroyed)
        : m_type(type), m_path(std::move(path)), m_destroyed(destroyed)
    {
    }
    ~FakeTexture() override { ++m_destroyed; }
    int getResourceType() override { return 1; }
    TextureType getTextureType() override { return m_type; }
    unsigned getWidth() override { return 1; }
    unsigned getHeight() override { return 1; }
    unsigned getDepth() override { return 0; }
    IDirect3DBaseTexture9* getD3DTexture() override { return nullptr; }
    const std::string& getFileName() override { return m_path; }
    bool bind(unsigned) override { return false; }
    bool reload() override { return false; }

private:
    TextureType m_type;
    std::string m_path;
    int& m_destroyed;
};

} // namespace

TEST(TextureManager, HoldsOneReferencePerTextureAndFindsByTypeAndPath)
{
    int destroyed = 0;
    auto* flat = new FakeTexture(TextureType_2D, "images\\a.png", destroyed);
    auto* cube = new FakeTexture(TextureType_Cube, "images\\a.png", destroyed);
    {
        TextureManager manager;
        EXPECT_TRUE(manager.addTexture(flat));
        EXPECT_FALSE(manager.addTexture(flat));
        EXPECT_FALSE(manager.addTexture(nullptr));
        EXPECT_TRUE(manager.addTexture(cube));
        EXPECT_EQ(flat->getRefCount(), 1);

        EXPECT_EQ(manager.findTexture(TextureType_2D, "images\\a.png"), flat);
        EXPECT_EQ(manager.findTexture(TextureType_Cube, "images\\a.png"), cube);
        EXPECT_EQ(manager.findTexture(TextureType_Volume, "images\\a.png"), nullptr);
        EXPECT_EQ(manager.findTexture(TextureType_2D, "images\\b.png"), nullptr);

        flat->addRef();
        EXPECT_TRUE(manager.removeTexture(flat));
        EXPECT_FALSE(manager.removeTexture(flat));
        EXPECT_EQ(flat->getRefCount(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1) << "the manager's last reference went with it";
    EXPECT_EQ(flat->release(), 0);
    EXPECT_EQ(destroyed, 2);
}

TEST(TextureManager, PathsMatchWhateverTheDriveSeparatorsAndCase)
{
    int destroyed = 0;
    auto* texture = new FakeTexture(TextureType_2D, "Media\\Images\\Logo.png", destroyed);
    TextureManager manager;
    ASSERT_TRUE(manager.addTexture(texture));
    for (const char* path : {"Media\\Images\\Logo.png", "C:\\Media\\Images\\Logo.png", "media/images/logo.PNG",
             "d:/MEDIA/Images\\logo.png", "\\Media\\Images\\Logo.png"}) {
        EXPECT_EQ(manager.findTexture(TextureType_2D, path), texture) << path;
    }
    for (const char* path : {"Media\\Images\\Logo.jpg", "Images\\Logo.png", "Media\\Images\\Logo.png\\x"}) {
        EXPECT_EQ(manager.findTexture(TextureType_2D, path), nullptr) << path;
    }
    EXPECT_EQ(manager.findTexture(TextureType_Cube, "media/images/logo.png"), nullptr);
}
