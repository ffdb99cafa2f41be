// The packed player in full screen on a virtual X screen, checked as a person would check it: on
// the screen (the root window's pixels), with keys typed through the X server.

#include "../PlayerTestSupport.h"

#include <VirtualScreen.h>

#include <cstdlib>

namespace tormakelin::client::test {
namespace {

using namespace std::chrono_literals;
using tormakelin::test::ChildProcess;
using tormakelin::test::ScreenRect;
using tormakelin::test::VirtualScreen;
using tormakelin::test::waitFor;

constexpr char kTitle[] = "Fullscreen Test";
constexpr uint32_t kFrameColour = 0xC82814;  // the project's clear colour (200, 40, 20)

// The player shows on the X server, not on the tests' offscreen driver. The X11 and GLX libraries
// keep what the offscreen path's leak suppressions do not name; leaks of ours are found there.
std::vector<std::string> playerEnvironment(VirtualScreen const& screen)
{
    return {screen.environment(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
        "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0"};
}

// A project of the player's full-screen size (800 x 600, 4:3) that clears its frame to one
// colour for a minute: only Escape ends it within a test's time.
TestProject oneColourProject()
{
    TestProject settings;
    settings.title = kTitle;
    settings.authorWidth = 800;
    settings.authorHeight = 600;
    settings.graphs = oneEffectGraph(40, kClearScreenType, inputXml("Color", 9, "200,40,20,255"));
    settings.layers = graphLayerXml(30, 40, 0, 6000);
    return settings;
}

std::string packedPlayer(TestProject const& settings)
{
    std::filesystem::path const project = scratchFolder() / "project";
    std::filesystem::create_directories(project);
    std::ofstream(project / "tormakelin.script") << settings.xml();
    // The packed copy stays in the program folder: the plug-in scan lists the program's own folder.
    std::filesystem::path const packed = programFolder() / ("Tormakelin.ScreenTest." + std::to_string(getpid()));
    std::string const pack = (programFolder() / "Tormakelin.Pack").string() + " " +
        (programFolder() / "Tormakelin.Client").string() + " " + packed.string() + " " + project.string() +
        " > /dev/null";
    EXPECT_EQ(std::system(pack.c_str()), 0);
    return packed.string();
}

// Where the 800 x 600 frame must land on a screen that kept its own mode: as large as fits,
// centred, in its own shape.
ScreenRect expectedFrame(ScreenRect const& screen)
{
    if (screen.width * 600 > screen.height * 800) {
        int const width = screen.height * 800 / 600;
        return ScreenRect{(screen.width - width) / 2, 0, width, screen.height};
    }
    int const height = screen.width * 600 / 800;
    return ScreenRect{0, (screen.height - height) / 2, screen.width, height};
}

// Pixels that disagree with the picture of `frame` in `colour` on black, away from its edges
// (scaling may blend the edge pixels); "" when there are none.
std::string frameMismatch(std::vector<uint32_t> const& pixels, ScreenRect const& screen, ScreenRect const& frame)
{
    constexpr int kMargin = 2;
    int wrong = 0;
    std::string first;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            bool const inside = x >= frame.x + kMargin && x < frame.x + frame.width - kMargin &&
                y >= frame.y + kMargin && y < frame.y + frame.height - kMargin;
            bool const outside = x < frame.x - kMargin || x >= frame.x + frame.width + kMargin ||
                y < frame.y - kMargin || y >= frame.y + frame.height + kMargin;
            uint32_t const pixel = pixels[size_t(y) * size_t(screen.width) + size_t(x)];
            if ((inside && pixel != kFrameColour) || (outside && pixel != 0)) {
                if (wrong++ == 0)
                    first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(pixel);
            }
        }
    return wrong ? std::to_string(wrong) + " pixels wrong, first " + first : "";
}

class FullscreenOnScreen : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(scratchFolder()); }
    void TearDown() override
    {
        if (!m_packed.empty())
            std::filesystem::remove(m_packed);
        std::filesystem::remove_all(scratchFolder());
    }

    // Starts the packed player on the screen and waits for its window to show.
    std::unique_ptr<ChildProcess> startPlayer(VirtualScreen& screen, std::string const& arguments)
    {
        if (m_packed.empty())
            m_packed = packedPlayer(oneColourProject());
        std::vector<std::string> argv{m_packed};
        std::istringstream words(arguments);
        for (std::string word; words >> word;)
            argv.push_back(word);
        auto player = std::make_unique<ChildProcess>(argv, playerEnvironment(screen));
        m_window = 0;
        waitFor([&] { return (m_window = screen.viewableWindow(kTitle)) != 0 || !player->running(); }, 60s);
        return player;
    }

    // Waits until the screen shows the frame at `frame`; the last mismatch when it never does.
    static std::string showsFrame(VirtualScreen const& screen, ScreenRect const& frame)
    {
        std::string mismatch;
        waitFor([&] { return (mismatch = frameMismatch(screen.capture(), screen.screen(), frame)).empty(); }, 10s);
        return mismatch;
    }

    // Looked up anew each time: what is on the screen now, not a window seen before.
    static ScreenRect placeOfPlayer(VirtualScreen const& screen) { return screen.placeOf(screen.viewableWindow(kTitle)); }

    std::string m_packed;
    ::Window m_window = 0;
};

#define SKIP_WITHOUT_X(screen)                                                   \
    if (!(screen).display() || !(screen).canType())                               \
    GTEST_SKIP() << "no X server with the XTest extension could start (Xvfb)"

struct ScreenCase {
    char const* name;
    int width;
    int height;
};

TEST_F(FullscreenOnScreen, TheFrameFillsAScreenOfAnotherModeInItsOwnShapeAndEscapeEndsThePlayer)
{
    ScreenCase const cases[] = {
        {"the same shape: the whole screen", 1024, 768},
        {"wider: bars left and right", 1280, 720},
        {"taller: bars above and below", 768, 1024},
    };
    for (ScreenCase const& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualScreen screen(c.width, c.height);
        SKIP_WITHOUT_X(screen);
        auto player = startPlayer(screen, "-nosetup -fullscreen");
        ASSERT_NE(m_window, 0u) << "the full-screen window is never mapped";
        // Shown first at its own size, then over the whole screen once the device is made.
        waitFor([&] { return placeOfPlayer(screen).width == c.width; }, 10s);
        ScreenRect const place = placeOfPlayer(screen);
        EXPECT_EQ(place.x, 0);
        EXPECT_EQ(place.y, 0);
        EXPECT_EQ(place.width, c.width) << "the window covers the screen";
        EXPECT_EQ(place.height, c.height);
        EXPECT_EQ(showsFrame(screen, expectedFrame(screen.screen())), "");

        ASSERT_TRUE(player->running());
        screen.type({XK_Escape});
        EXPECT_EQ(player->exitCode(20s), std::optional<int>(0)) << "Escape reaches the full-screen player";
    }
}

TEST_F(FullscreenOnScreen, TheSetupDialogShowsAndItsScriptedRunPlaysFullScreen)
{
    VirtualScreen screen(1024, 768);
    SKIP_WITHOUT_X(screen);
    TestProject project = oneColourProject();
    project.showSetupDialog = 1;
    project.fullscreen = 1;  // "Fullscreen" ticked
    m_packed = packedPlayer(project);
    std::vector<std::string> const argv{m_packed};
    std::vector<std::string> environment = playerEnvironment(screen);
    environment.push_back("TORMAKELIN_ACCEPT_DIALOGS=1");  // the scripted user answers "Run"
    ChildProcess player(argv, environment);
    // The dialog bears the project's title too; it is the smaller window.
    EXPECT_TRUE(waitFor([&] {
        ::Window const dialog = screen.viewableWindow(kTitle);
        return dialog && screen.placeOf(dialog).width < 800;
    }, 30s)) << "the dialog is on the screen";
    ::Window window = 0;
    ASSERT_TRUE(waitFor([&] {
        window = screen.viewableWindow(kTitle);
        return window && screen.placeOf(window).width == 1024;
    }, 60s)) << "after Run, full screen";
    // The dialog offers the screen's own mode: the frame covers the screen without bars.
    EXPECT_EQ(showsFrame(screen, screen.screen()), "");
    ASSERT_TRUE(player.running());
    screen.type({XK_Escape});
    EXPECT_EQ(player.exitCode(20s), std::optional<int>(0));
}

TEST_F(FullscreenOnScreen, AltEnterGoesToAWindowAndBackOnTheScreen)
{
    VirtualScreen screen(1024, 768);
    SKIP_WITHOUT_X(screen);
    auto player = startPlayer(screen, "-nosetup -fullscreen");
    ASSERT_NE(m_window, 0u);
    ScreenRect const whole = screen.screen();
    ASSERT_EQ(showsFrame(screen, whole), "");

    // Windowed: the 800 x 600 frame centred on the screen, the desktop around it.
    screen.type({XK_Alt_L, XK_Return});
    ScreenRect const windowed{112, 84, 800, 600};
    EXPECT_TRUE(waitFor([&] {
        ScreenRect const r = placeOfPlayer(screen);
        return r.width == 800 && r.height == 600;
    }, 10s)) << "Alt+Enter leaves full screen";
    ScreenRect const place = placeOfPlayer(screen);
    EXPECT_EQ(place.x, windowed.x);
    EXPECT_EQ(place.y, windowed.y);
    EXPECT_EQ(showsFrame(screen, windowed), "");

    screen.type({XK_Alt_L, XK_Return});
    EXPECT_TRUE(waitFor([&] {
        ScreenRect const r = placeOfPlayer(screen);
        return r.width == whole.width && r.height == whole.height;
    }, 10s)) << "Alt+Enter goes back to full screen";
    EXPECT_EQ(showsFrame(screen, whole), "");

    screen.type({XK_Escape});
    EXPECT_EQ(player->exitCode(20s), std::optional<int>(0));
}

} // namespace
} // namespace tormakelin::client::test
