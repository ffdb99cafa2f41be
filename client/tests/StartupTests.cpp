#include "PlayerTestSupport.h"

#include "DecimalCommaLocale.h"

#include "TestDocTypes.h"

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/ShaderEffect.h>

#include <signal.h>

#include <functional>

namespace tormakelin::client::test {
namespace {

struct FailureCase {
    char const* name;
    // Prepares the case and answers the command line.
    std::function<std::string(PlayerSeams&)> prepare;
    char const* message;
};

std::string withProject(TestProject const& project)
{
    return "-nosetup -document " + project.pack();
}

TEST_F(PlayerTest, EveryStartupFailureShowsItsMessageAndEndsWithMinusOne)
{
    FailureCase const cases[] = {
        {"missing document",
            [](PlayerSeams&) { return "-nosetup -document " + (scratchFolder() / "none.pack").string(); },
            "Document doesn't exist."},
        {"a file that is no archive",
            [](PlayerSeams&) { return "-nosetup -document " + writeFile("plain.txt", "just text"); },
            "Unable to mount document."},
        {"a player without an appended archive",
            [](PlayerSeams& seams) {
                seams.executablePath = writeFile("Tormakelin.Client", std::string(4096, '\x7f'));
                return std::string("-nosetup");
            },
            "Unable to mount document."},
        {"no project script",
            [](PlayerSeams&) { return "-nosetup -document " + writePack("other.pack", {{"readme.txt", "x"}}); },
            "Unable to load project script."},
        {"a project script that is not well-formed",
            [](PlayerSeams&) {
                return "-nosetup -document " + writePack("broken.pack", {{"tormakelin.script", "<Tormakelin><Doc"}});
            },
            "Unable to load project script."},
        {"the application cannot start",
            [](PlayerSeams& seams) {
                seams.initApplication = [](fxcore::Application&, fxcore::Application::SoundParams const&) {
                    return false;
                };
                return withProject(TestProject{});
            },
            "Unable to init application."},
        {"no render device",
            [](PlayerSeams&) {
                d3dsimFailCreateDevice(true);
                return withProject(TestProject{});
            },
            "Unable to create render device."},
        {"a document without a scene",
            [](PlayerSeams&) {
                TestProject project;
                project.withScene = false;
                return withProject(project);
            },
            "Document has no scene."},
    };
    for (FailureCase const& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerSeams seams;
        std::string const arguments = c.prepare(seams);
        PlayerRun const run = play(arguments, false, seams);
        d3dsimFailCreateDevice(false);
        EXPECT_EQ(run.exitCode, -1);
        EXPECT_EQ(run.messages, std::vector<std::string>{c.message});
        EXPECT_NE(run.errors.find(std::string("Tormakelin-FX Error: ") + c.message), std::string::npos) << run.errors;
        EXPECT_TRUE(run.frames.empty());
    }
}

TEST_F(PlayerTest, ExitInTheSetupDialogEndsWithoutAMessage)
{
    TestProject project;
    project.showSetupDialog = 1;
    std::string seen;
    dialogDriver.onDialog = [&](HWND dialog, LPCSTR) {
        char caption[64] = {};
        GetWindowTextA(dialog, caption, sizeof(caption));
        seen = caption;
        SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
    };
    PlayerRun const run = play("-document " + project.pack());
    EXPECT_EQ(seen, "Player Test") << "the dialog shows the project's title";
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.errors, "");
    EXPECT_TRUE(run.frames.empty());
}

TEST_F(PlayerTest, PlaysFromTheStartToTheEndOfTheFirstScene)
{
    s_step = 125;  // an eighth of a second per frame, exact in binary
    TestProject project;
    project.endUnits = 100;
    PlayerRun const run = play("-nosetup -document " + project.pack());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    std::vector<float> times;
    for (Frame const& frame : run.frames)
        times.push_back(frame.time);
    EXPECT_EQ(times, (std::vector<float>{0, 0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f}));
    EXPECT_EQ(pinned, 1) << "the thread is pinned once, before the clock starts";
}

TEST_F(PlayerTest, TimeArgumentSetsTheStart)
{
    struct Case {
        char const* argument;
        float firstFrame;
        size_t frames;
    };
    // The scene lasts 2 s; with a frozen clock after the first frame the count shows the end.
    Case const cases[] = {
        {"-time 1.5", 1.5f, 4},
        {"-time 12.5", 12.5f, 1},  // past the end: one frame, then the end
        {"-time 2", 2.0f, 1},
        {"-time abc", 0.0f, 16},
        {"-time", 0.0f, 16},  // no argument follows
        {"", 0.0f, 16},
    };
    s_step = 125;
    TestProject project;
    project.endUnits = 200;
    std::string const pack = project.pack();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.argument);
        PlayerRun const run = play("-nosetup -document " + pack + " " + c.argument);
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_FALSE(run.frames.empty());
        EXPECT_EQ(run.frames.front().time, c.firstFrame);
        EXPECT_EQ(run.frames.size(), c.frames);
    }
}

TEST_F(PlayerTest, TimeArgumentIgnoresADecimalCommaLocale)
{
    tormakelin::test::DecimalCommaLocale const comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale on this machine";
    TestProject project;
    project.endUnits = 200;
    PlayerRun const run = play("-nosetup -time 1.5 -document " + project.pack());
    ASSERT_FALSE(run.frames.empty());
    EXPECT_EQ(run.frames.front().time, 1.5f);
}

TEST_F(PlayerTest, AClockRunningBackwardsNeverMovesPlayBack)
{
    s_step = -100;
    TestProject project;
    PlayerSeams seams;
    seams.onFrame = [](PlayerApplication& player) {
        EXPECT_EQ(player.getDelta(), 0.0f);
        PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    PlayerRun const run = play("-nosetup -time 0.5 -document " + project.pack(), false, seams);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.frames.size(), 1u) << "Esc ends playback";
}

// The close box, Ctrl+C and a service manager's stop end playback as Esc does: after the frame,
// with the document closed while its device and window are still there, and exit code 0.
TEST_F(PlayerTest, TheCloseBoxAndTheStopSignalsEndPlaybackAsEscDoes)
{
    struct Case {
        char const* name;
        char const* arguments;
        std::function<void(HWND)> stop;
    };
    Case const cases[] = {
        {"the close box", "-nosetup", [](HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }},
        {"Ctrl+C", "-nosetup", [](HWND) { raise(SIGINT); }},
        {"a service manager's stop", "-nosetup", [](HWND) { raise(SIGTERM); }},
        {"Ctrl+C in full screen", "-nosetup -fullscreen", [](HWND) { raise(SIGINT); }},
    };
    TestProject project;
    project.endUnits = 1000;
    std::string const pack = project.pack();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerSeams seams;
        int frame = 0;
        seams.onFrame = [&](PlayerApplication& player) {
            if (frame++ == 1)
                c.stop(player.getHandle());
        };
        PlayerRun const run = play(std::string(c.arguments) + " -document " + pack, false, seams);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(run.frames.size(), 2u) << "no frame after the one that asked";
    }
}

struct WindowCase {
    char const* name;
    char const* arguments;
    int showSetupDialog;
    bool tickFullscreen;  // the user's choice in the dialog, when it runs
    unsigned width;
    unsigned height;
    bool fullscreen;
};

TEST_F(PlayerTest, WindowSizeAndModeFollowTheSwitchesAndTheDialog)
{
    // The project's author size is 64 x 48; the injected adapter offers 640 x 480 only.
    D3DSimAdapter adapter = d3dsimDefaultAdapter();
    adapter.modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8}};
    WindowCase const cases[] = {
        {"author size", "-nosetup", 1, false, 64, 48, false},
        {"settings turn the dialog off", "", 0, false, 64, 48, false},
        {"fullscreen default size", "-nosetup -fullscreen", 1, false, 800, 600, true},
        {"windowed wins over fullscreen", "-nosetup -fullscreen -windowed", 1, false, 64, 48, false},
        {"the dialog's mode", "", 1, false, 640, 480, false},
        {"the dialog's fullscreen", "", 1, true, 640, 480, true},
        {"windowed wins over the dialog", "-windowed", 1, true, 640, 480, false},
    };
    for (WindowCase const& c : cases) {
        SCOPED_TRACE(c.name);
        d3dsimSetAdapters({adapter});
        dialogDriver.onDialog = [&](HWND dialog, LPCSTR) {
            SendDlgItemMessageA(dialog, kFullscreen, BM_SETCHECK, c.tickFullscreen ? BST_CHECKED : BST_UNCHECKED, 0);
            SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
        };
        TestProject project;
        project.showSetupDialog = c.showSetupDialog;
        project.fullscreen = 0;
        unsigned width = 0, height = 0, backWidth = 0, backHeight = 0;
        bool fullscreen = false, visible = false;
        PlayerSeams seams;
        seams.onFrame = [&](PlayerApplication& player) {
            width = player.getWidth();
            height = player.getHeight();
            fullscreen = player.isFullscreen();
            // The SDL window's own state, not the style bit; the screen itself is checked on X
            // (FullscreenOnScreenTests).
            visible = IsWindowVisible(player.getHandle()) != FALSE;
            backWidth = player.getRenderDevice()->getPresentParameters()->BackBufferWidth;
            backHeight = player.getRenderDevice()->getPresentParameters()->BackBufferHeight;
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play(std::string(c.arguments) + " -document " + project.pack(), false, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(backWidth, c.width);
        EXPECT_EQ(backHeight, c.height);
        EXPECT_EQ(fullscreen, c.fullscreen);
        EXPECT_TRUE(visible) << "never an invisible window";
    }
}

struct SeekCase {
    char const* name;
    bool debug;
    char const* start;
    WPARAM key;
    float expected;
};

// Starts the application with the probe nodes of the framework tests as well.
bool initWithProbes(fxcore::Application& application, fxcore::Application::SoundParams const& params)
{
    bool const started = application.init(params);
    application.getPluginManager()->loadPlugins(std::string(TEST_DOC_PLUGIN_DIR) + "/program");
    return started;
}

TEST_F(PlayerTest, F1AndF2MoveTheTimeOnlyInDebugModeAndTellTheLayers)
{
    SeekCase const cases[] = {
        {"back, clamped at 0", true, "0.4", VK_F1, 0.0f},
        {"back", true, "2.5", VK_F1, 1.5f},
        {"forward", true, "0.4", VK_F2, 1.4f},
        {"forward, clamped at the end", true, "9.5", VK_F2, 10.0f},
        {"F1 swallowed", false, "0.4", VK_F1, 0.4f},
        {"F2 swallowed", false, "0.4", VK_F2, 0.4f},
    };
    s_step = 0;  // a frozen clock: only the keys move the time
    char probeType[40];
    std::snprintf(probeType, sizeof(probeType), "000000%02X-0000-0000-0000-0000000000%02X", fxcore::test::kProbeId,
        fxcore::test::kProbeId);
    TestProject project;
    project.graphs = graphXml(10, nodeXml(11, probeType, "", ""));
    project.layers = graphLayerXml(30, 10, 0, 1000);
    std::string const pack = project.pack();
    for (SeekCase const& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerSeams seams;
        seams.initApplication = initWithProbes;
        int frame = 0;
        double told = 0;
        seams.onFrame = [&](PlayerApplication& player) {
            fxcore::IGraphNode* probe = player.getDocument()->getGraphManager()->findNode(core::stringToUniqueId(idText(11)));
            told = probe ? dynamic_cast<fxcore::test::IProbe const&>(*probe).lastSetTime() : -2.0;
            PostMessageA(player.getHandle(), WM_KEYDOWN, frame++ == 0 ? c.key : WPARAM(VK_ESCAPE), 0);
        };
        std::string arguments = "-nosetup -time ";
        arguments.append(c.start).append(c.debug ? " -debug" : "").append(" -document ").append(pack);
        PlayerRun const run = play(arguments, false, seams);
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.frames.size(), 2u);
        EXPECT_FLOAT_EQ(run.frames[1].time, c.expected);
        EXPECT_FLOAT_EQ(float(told), c.debug ? c.expected : -1.0f) << "the time the playing layers were told";
    }
}

TEST_F(PlayerTest, AltEnterAndMaximisingToggleFullscreenOncePerRequest)
{
    struct Case {
        UINT message;
        WPARAM wParam;
    };
    Case const cases[] = {{WM_HOTKEY, PlayerApplication::kToggleHotKey}, {WM_SIZE, SIZE_MAXIMIZED}};
    s_step = 0;
    TestProject project;
    std::string const pack = project.pack();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<bool> states;
        PlayerSeams seams;
        seams.onFrame = [&](PlayerApplication& player) {
            states.push_back(player.isFullscreen());
            if (states.size() == 1)
                PostMessageA(player.getHandle(), c.message, c.wParam, 0);
            if (states.size() == 3)
                PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play("-nosetup -document " + pack, false, seams);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(states, (std::vector<bool>{false, true, true}));
    }
}

TEST_F(PlayerTest, AFailedFullscreenSwitchStaysRequestedWithoutDrawing)
{
    // While a default-pool surface lives, a strict device refuses the reset that the switch needs.
    d3dsimSetStrictReset(true);
    IDirect3DSurface9* blocker = nullptr;
    int refusedPasses = 0;
    s_onPass = [&] {
        if (blocker && ++refusedPasses == 5) {
            blocker->Release();
            blocker = nullptr;
        }
    };
    std::vector<bool> states;
    PlayerSeams seams;
    seams.onFrame = [&](PlayerApplication& player) {
        states.push_back(player.isFullscreen());
        if (states.size() == 1) {
            ASSERT_EQ(player.getRenderDevice()->getD3DDevice()->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8,
                          D3DMULTISAMPLE_NONE, 0, FALSE, &blocker, nullptr),
                D3D_OK);
            PostMessageA(player.getHandle(), WM_HOTKEY, PlayerApplication::kToggleHotKey, 0);
        } else {
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        }
    };
    s_step = 10;
    PlayerRun const run = play("-nosetup -document " + TestProject{}.pack(), false, seams);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(states, (std::vector<bool>{false, true})) << "no frame while the switch fails, one once it succeeds";
    EXPECT_GE(refusedPasses, 5);
    ASSERT_EQ(run.frames.size(), 2u);
    EXPECT_NEAR(run.frames[1].time, 0.05f, 1e-4) << "the clock ran on through the five refused passes";
}

TEST_F(PlayerTest, EveryShaderEffectIsCompiledBeforeTheFirstFrame)
{
    std::string const withInclude = "#include \"Tormakelin.fxh\"\n"
                                    "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                                    "float4 ps() : COLOR { return fogColor; }\n"
                                    "technique T { pass P { VertexShader = compile vs_3_0 vs(); "
                                    "PixelShader = compile ps_3_0 ps(); } }\n";
    std::string const broken = "float4 ps() : COLOR { return undeclared; }\n"
                               "technique T { pass P { PixelShader = compile ps_3_0 ps(); } }\n";
    char const* shaderType = "5F044A2D-1485-11DE-8C43-884C9573DF09";
    auto shaderNode = [&](int id, std::string const& text) {
        return nodeXml(id, shaderType, inputXml("Attributes/Hlsl", 1, text), outputXml("Result", id + 1, 0));
    };
    TestProject project;
    project.graphs = graphXml(10, shaderNode(11, withInclude)) + graphXml(20, shaderNode(21, broken) + shaderNode(23, ""));
    std::vector<bool> compiled;
    PlayerSeams seams;
    seams.onFrame = [&](PlayerApplication& player) {
        for (int id : {11, 21, 23}) {
            auto* node = dynamic_cast<fxcore::ShaderEffect*>(
                player.getDocument()->getGraphManager()->findNode(core::stringToUniqueId(idText(id))));
            compiled.push_back(node && node->getShader());
        }
        PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    PlayerRun const run = play("-nosetup -document " + project.pack(), false, seams);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(compiled, (std::vector<bool>{true, false, false}));
}

} // namespace
} // namespace tormakelin::client::test
