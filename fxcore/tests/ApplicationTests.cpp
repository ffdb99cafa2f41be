#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/Transform.h>

#include <tormakelin/core/Random.h>

#include <tormakelin/sound/SoundDevice.h>

#include <bass.h>

#include <gtest/gtest.h>

namespace tormakelin::fxcore {
namespace {

TEST(ApplicationTest, InstanceLivesWithTheObject)
{
    EXPECT_EQ(Application::instance(), nullptr);
    {
        Application app;
        EXPECT_EQ(Application::instance(), &app);
        EXPECT_EQ(app.getDocument(), nullptr);
        // Nothing to close yet; still fine.
        app.closeDocument();
    }
    EXPECT_EQ(Application::instance(), nullptr);
    EXPECT_EQ(FrameworkServices::graphManager(), nullptr);
    EXPECT_EQ(Transform::s_authorSizeQuery, nullptr);
}

TEST(ApplicationTest, InitSeedsAndCreatesItsServices)
{
    core::randomSeed(666);
    int const expected = core::randomInt();
    Application app;
    core::randomSeed(1);
    Application::SoundParams params;
    params.device = 99;
    EXPECT_TRUE(app.init(params));
    EXPECT_EQ(core::randomInt(), expected);
    EXPECT_NE(app.getSoundDevice(), nullptr);
    EXPECT_NE(app.getPluginManager(), nullptr);
    EXPECT_NE(app.getScriptEngine(), nullptr);
    EXPECT_EQ(FrameworkServices::pluginManager(), app.getPluginManager());
    EXPECT_EQ(FrameworkServices::scriptEngine(), app.getScriptEngine());
}

TEST(ApplicationTest, NoSoundOpensTheSilentDevice)
{
    struct Case {
        bool noSound;
        int device;
        DWORD opened;
    };
    for (Case const c : {Case{true, -1, 0}, Case{true, 1, 0}, Case{false, -1, 1}}) {
        Application app;
        Application::SoundParams params;
        params.noSound = c.noSound;
        params.device = c.device;
        EXPECT_TRUE(app.init(params));
        ASSERT_TRUE(app.getSoundDevice()->isInitialised());
        EXPECT_EQ(BASS_GetDevice(), c.opened) << c.noSound << " " << c.device;
    }
}

TEST(ApplicationTest, CurrentDocumentFeedsTheFramework)
{
    Application app;
    uint32_t width = 0;
    uint32_t height = 0;
    ASSERT_NE(Transform::s_authorSizeQuery, nullptr);
    EXPECT_FALSE(Transform::s_authorSizeQuery(width, height));
    app.newDocument();
    IDocument* first = app.getDocument();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FrameworkServices::graphManager(), first->getGraphManager());
    first->getSettings().authorWidth = 1920;
    first->getSettings().authorHeight = 1080;
    EXPECT_TRUE(Transform::s_authorSizeQuery(width, height));
    EXPECT_EQ(width, 1920u);
    EXPECT_EQ(height, 1080u);
    app.newDocument();
    EXPECT_NE(app.getDocument(), nullptr);
    EXPECT_EQ(FrameworkServices::graphManager(), app.getDocument()->getGraphManager());
    app.closeDocument();
    EXPECT_EQ(app.getDocument(), nullptr);
    EXPECT_EQ(FrameworkServices::graphManager(), nullptr);
}

} // namespace
} // namespace tormakelin::fxcore
