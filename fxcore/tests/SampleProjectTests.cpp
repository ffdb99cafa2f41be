// The sample project as the packed player holds it: every resource it names loads, and its
// music plays with the timeline.

#include "DeviceTestSupport.h"
#include "DocumentTestSupport.h"

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SystemPath.h>
#include <tormakelin/sound/Sound.h>

#include <bass_test.h>

#include <filesystem>

namespace tormakelin::fxcore::test {
namespace {

std::vector<std::string> g_messages;

bool collect(core::DebugType, std::string const&, int, std::string const&, std::string const& message)
{
    g_messages.push_back(message);
    return true;
}

class SampleProject : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        m_fileSystem = core::createFileSystem();
        BASS_TestSetManualOutput(TRUE);
    }
    void TearDown() override
    {
        m_app.reset();
        BASS_TestSetManualOutput(FALSE);
        m_fileSystem = nullptr;
        DeviceTest::TearDown();
    }

    core::SmartRef<core::IFileSystem> m_fileSystem;
    std::unique_ptr<Application> m_app;
};

TEST_F(SampleProject, LoadsEveryResourceItNamesAndPlaysItsMusic)
{
    std::filesystem::path const packed =
        std::filesystem::path(core::getExecutablePath()).parent_path() / "Tormakelin.Sample";
    ASSERT_TRUE(m_fileSystem->mountZip(packed.string())) << packed;
    core::SmartRef<core::IStream> const script(m_fileSystem->open("tormakelin.script"));
    ASSERT_TRUE(script);
    std::string const text(static_cast<char const*>(script->getData()), script->getSize());

    m_app = std::make_unique<Application>();
    ASSERT_TRUE(m_app->init({}));
    m_app->newDocument();
    g_messages.clear();
    core::setDebugCallback(collect);
    bool const loaded = loadDocument(m_app->getDocument(), text);
    core::setDebugCallback(nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(g_messages, std::vector<std::string>{});

    size_t named = 0;
    for (size_t at = text.find("<Resource "); at != std::string::npos; at = text.find("<Resource ", at + 1))
        ++named;
    IResourceManager* resources = m_app->getDocument()->getResourceManager();
    EXPECT_EQ(resources->getResources().size(), named);

    // Every node it names was created: a type the library cannot make would be missing here.
    size_t nodesNamed = 0;
    for (size_t at = text.find("<GraphNode "); at != std::string::npos; at = text.find("<GraphNode ", at + 1))
        ++nodesNamed;
    size_t nodesMade = 0;
    for (IGraph* graph : m_app->getDocument()->getGraphManager()->getGraphs())
        nodesMade += graph->getNodes().size();
    EXPECT_EQ(nodesMade, nodesNamed);

    SoundResource* music = nullptr;
    for (IResource* resource : resources->getResources())
        if (auto* sound = dynamic_cast<SoundResource*>(resource))
            music = sound;
    ASSERT_NE(music, nullptr);
    IScene* scene = m_app->getDocument()->getSceneManager()->getScenes().front();
    UpdateContext context;
    context.time = 1.0;
    context.playing = true;
    context.scene = scene;
    m_app->getDocument()->update(context);
    EXPECT_TRUE(music->getSound()->isPlaying());
    EXPECT_NEAR(music->getSound()->getPosition(), 1.0, 0.01);
}

} // namespace
} // namespace tormakelin::fxcore::test
