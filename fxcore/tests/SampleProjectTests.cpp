// The sample project as the packed player holds it: every resource it names loads, every node
// type of the library is in it, and its music plays with the timeline.

#include "DeviceTestSupport.h"
#include "DocumentTestSupport.h"

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SystemPath.h>
#include <tormakelin/sound/Sound.h>

#include <bass_test.h>

#include <filesystem>
#include <set>
#include <string>

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

    // Loads the packed sample's script into a new document; the text comes back for counting.
    std::string load()
    {
        std::filesystem::path const packed =
            std::filesystem::path(core::getExecutablePath()).parent_path() / "Tormakelin.Sample";
        EXPECT_TRUE(m_fileSystem->mountZip(packed.string())) << packed;
        core::SmartRef<core::IStream> const script(m_fileSystem->open("tormakelin.script"));
        if (!script)
            return {};
        std::string const text(static_cast<char const*>(script->getData()), script->getSize());
        m_app = std::make_unique<Application>();
        if (!m_app->init({}))
            return {};
        m_app->newDocument();
        g_messages.clear();
        core::setDebugCallback(collect);
        bool const loaded = loadDocument(m_app->getDocument(), text);
        core::setDebugCallback(nullptr);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(g_messages, std::vector<std::string>{});
        return loaded ? text : std::string{};
    }

    core::SmartRef<core::IFileSystem> m_fileSystem;
    std::unique_ptr<Application> m_app;
};

TEST_F(SampleProject, LoadsEveryResourceItNamesAndPlaysItsMusic)
{
    std::string const text = load();
    ASSERT_FALSE(text.empty());

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
    // And every link it names joined two of them: a link to an output the file never declares
    // is dropped without a word.
    size_t linksNamed = 0;
    for (size_t at = text.find("<InputLink "); at != std::string::npos; at = text.find("<InputLink ", at + 1))
        ++linksNamed;
    size_t linksMade = 0;
    for (IGraph* graph : m_app->getDocument()->getGraphManager()->getGraphs())
        for (IGraphNode* node : graph->getNodes())
            for (NodeParameter const* input : node->getInputs())
                linksMade += input->incoming.size();
    EXPECT_EQ(linksMade, linksNamed);

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

TEST_F(SampleProject, UsesEveryNodeTypeOfTheLibrary)
{
    ASSERT_FALSE(load().empty());
    std::set<std::string> made;
    for (IGraph* graph : m_app->getDocument()->getGraphManager()->getGraphs())
        for (IGraphNode const* node : graph->getNodes())
            if (auto const* plugin = dynamic_cast<IPlugin const*>(node))
                made.insert(plugin->getPluginDesc().path);
    // Lerp shares CubicInterpolation's id, so a document naming it gets a CubicInterpolation; the
    // render-target effect has no row at all, so no document can name it.
    std::set<std::string> const unreachable = {"Arithmetic/Lerp"};
    std::vector<std::string> missing;
    for (int index = 0;; ++index) {
        auto const* desc = static_cast<PluginDesc const*>(tormakelinPluginQuery(0, index));
        if (!desc)
            break;
        if (desc->type == kPluginGraphNode && !unreachable.contains(desc->path) && !made.contains(desc->path))
            missing.push_back(desc->path);
    }
    EXPECT_EQ(missing, std::vector<std::string>{});
}

} // namespace
} // namespace tormakelin::fxcore::test
