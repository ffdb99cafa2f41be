#pragma once
// Drives the whole player in-process: packs a hand-written project, runs the player on it with a
// fixed clock and a scripted user, and reads back what it drew.

#include "PlayerApplication.h"

#include <ProgramFolder.h>

#include <tormakelin/render/RenderDevice.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Timer.h>
#include <tormakelin/core/Zip.h>

#include <d3d9.h>
#include <d3d9sim.h>
#include <tormakelin_win32.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace tormakelin::client::test {

using tormakelin::test::programFolder;
using tormakelin::test::samplePath;

// A folder of this process: test cases run in parallel processes.
inline std::filesystem::path scratchFolder()
{
    return std::filesystem::temp_directory_path() / ("tormakelin_player_test_" + std::to_string(getpid()));
}

// A ZIP pack at `path` holding the named texts.
inline std::string writePack(std::string const& name, std::map<std::string, std::string> const& files)
{
    std::filesystem::create_directories(scratchFolder());
    std::string const path = (scratchFolder() / name).string();
    core::ZipWriteHandle const zip = core::ZipWrite::open(path, true);
    EXPECT_NE(zip, nullptr) << path;
    for (auto const& [entry, text] : files) {
        std::vector<char> bytes(text.begin(), text.end());
        core::SmartRef<core::IStream> const stream =
            core::createMemStream(bytes.data(), unsigned(bytes.size()), true, false);
        EXPECT_TRUE(core::ZipWrite::add(zip, stream.get(), entry)) << entry;
    }
    EXPECT_TRUE(core::ZipWrite::close(zip));
    return path;
}

inline std::string writeFile(std::string const& name, std::string const& text)
{
    std::filesystem::create_directories(scratchFolder());
    std::string const path = (scratchFolder() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Starts the packed player with "-nosetup" in a child process as from a terminal: its output
// dropped, its errors into `errorFile`. The child's id, or -1.
inline pid_t startWithoutSetup(std::string const& program, std::string const& errorFile)
{
    pid_t const child = fork();
    if (child == 0) {
        int const out = open("/dev/null", O_WRONLY);
        int const err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        execl(program.c_str(), program.c_str(), "-nosetup", static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

inline std::string idText(int n)
{
    char text[40];
    std::snprintf(text, sizeof(text), "%08X-0000-0000-0000-%012X", n, n);
    return text;
}

inline std::string xmlEscape(std::string const& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\n': escaped += "&#10;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// Pieces of the project XML: a node's input (with links to outputs of other nodes), an output,
// a node, a graph, and a layer playing a graph.
inline std::string inputXml(char const* name, int type, std::string const& value, std::string const& links = "")
{
    return std::string("<Parameter Name=\"") + name + "\" Type=\"" + std::to_string(type) + "\" Value=\"" +
        xmlEscape(value) + "\">" + links + "</Parameter>";
}

inline std::string linkXml(int node, int output)
{
    return "<InputLink NodeId=\"" + idText(node) + "\" ParamId=\"" + idText(output) + "\"/>";
}

inline std::string outputXml(char const* name, int id, int type)
{
    return std::string("<Parameter Name=\"") + name + "\" Id=\"" + idText(id) + "\" Type=\"" + std::to_string(type) + "\"/>";
}

inline std::string nodeXml(int id, char const* pluginId, std::string const& inputs, std::string const& outputs)
{
    return "<GraphNode Id=\"" + idText(id) + "\" PluginId=\"" + pluginId + "\" SortOrder=\"" + std::to_string(id) +
        "\"><Inputs>" + inputs + "</Inputs><Outputs>" + outputs + "</Outputs></GraphNode>";
}

inline std::string graphXml(int id, std::string const& nodes)
{
    return "<Graph Id=\"" + idText(id) + "\" Type=\"0\" SortOrder=\"" + std::to_string(id) + "\">" + nodes + "</Graph>";
}

inline std::string graphLayerXml(int id, int graph, int start, int end, std::string const& children = "")
{
    return "<Layer Id=\"" + idText(id) + "\" Type=\"2\" Name=\"Layer " + std::to_string(id) + "\" GraphInstance=\"" +
        idText(graph) + "\" Visible=\"1\"><Time><TimeSegment Start=\"" + std::to_string(start) + "\" End=\"" +
        std::to_string(end) + "\"/></Time>" + children + "</Layer>";
}

constexpr char kRenderStackType[] = "ADF3C9B7-E5BB-11DD-852B-B0D445C48459";
constexpr char kScriptType[] = "1D77C1E0-F78D-11DD-BD73-A3099C3902D7";
constexpr char kRenderTargetLoader[] = "193ACA04-F182-11DD-9C88-A960EEEB6D89";
constexpr char kClearScreenType[] = "DCF42380-B253-11DD-9288-F17C82B47B41";

// A graph whose render stack draws one effect.
inline std::string oneEffectGraph(int id, char const* type, std::string const& inputs)
{
    return graphXml(id, nodeXml(id + 1, type, inputs, outputXml("Output", id + 2, 0)) +
            nodeXml(id + 3, kRenderStackType, inputXml("Input-1", 0, "", linkXml(id + 1, id + 2)), ""));
}

// A resource as the project declares it: its loader and the loader's parameters by name.
inline std::string resourceXml(int id, char const* loader, std::vector<std::pair<std::string, std::string>> const& parameters)
{
    std::string text = "<Resource Id=\"" + idText(id) + "\" Description=\"Resource " + std::to_string(id) +
        "\" ResourceLoaderPluginId=\"" + loader + "\"><ParameterMap>";
    for (auto const& [name, value] : parameters)
        text += "<Parameter Name=\"" + name + "\" Value=\"" + xmlEscape(value) + "\"/>";
    return text + "</ParameterMap></Resource>";
}

// A project document: settings, graphs and one scene of layers.
struct TestProject {
    std::string title = "Player Test";
    int authorWidth = 64;
    int authorHeight = 48;
    int showSetupDialog = 0;
    int fullscreen = 0;
    // The scene's one layer plays from 0 to this many time units, unless `layers` is given.
    int endUnits = 100;
    // "Resource" elements of the resource manager.
    std::string resources;
    std::string graphs;
    std::string layers;
    bool withScene = true;

    std::string xml() const
    {
        std::string text = "<Tormakelin>\n  <DocumentSettings Title=\"" + title + "\" AuthorWidth=\"" +
            std::to_string(authorWidth) + "\" AuthorHeight=\"" + std::to_string(authorHeight) +
            "\" ShowSetupDialog=\"" + std::to_string(showSetupDialog) + "\" Fullscreen=\"" +
            std::to_string(fullscreen) + "\"/>\n";
        if (!resources.empty())
            text += "  <ResourceManager>" + resources + "</ResourceManager>\n";
        text += "  <GraphManager>" + graphs + "</GraphManager>\n";
        if (withScene) {
            std::string const body = !layers.empty() ? layers
                : "<Layer Id=\"" + idText(900) + "\" Type=\"1\" Name=\"Main\" Visible=\"1\"><Time><TimeSegment Start=\"0\" End=\"" +
                    std::to_string(endUnits) + "\"/></Time></Layer>";
            text += "  <SceneManager><Scene Id=\"" + idText(901) + "\">" + body + "</Scene></SceneManager>\n";
        }
        return text + "</Tormakelin>\n";
    }

    std::string pack(std::string const& name = "project.pack") const
    {
        return writePack(name, {{"tormakelin.script", xml()}});
    }
};

// A target's pixels as A8R8G8B8 words, top row first, copied out (and resolved) through a
// system-memory surface.
inline std::vector<uint32_t> surfacePixels(IDirect3DDevice9* d3d, IDirect3DSurface9* target, unsigned& width,
    unsigned& height)
{
    std::vector<uint32_t> pixels;
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    width = desc.Width;
    height = desc.Height;
    // A multisampled target is resolved into a plain one first, as Direct3D asks.
    IDirect3DSurface9* resolved = nullptr;
    if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
        if (FAILED(d3d->CreateRenderTarget(width, height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE, &resolved,
                nullptr)))
            return pixels;
        d3d->StretchRect(target, nullptr, resolved, nullptr, D3DTEXF_NONE);
        target = resolved;
    }
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(d3d->CreateOffscreenPlainSurface(width, height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr))) {
        if (resolved)
            resolved->Release();
        return pixels;
    }
    D3DLOCKED_RECT locked;
    if (d3d->GetRenderTargetData(target, copy) == D3D_OK && copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        pixels.resize(size_t(width) * height);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(&pixels[size_t(y) * width], static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                size_t(width) * 4);
        copy->UnlockRect();
    }
    copy->Release();
    if (resolved)
        resolved->Release();
    return pixels;
}

inline std::vector<uint32_t> backBufferPixels(render::IRenderDevice* device, unsigned& width, unsigned& height)
{
    IDirect3DSurface9* back = nullptr;
    if (FAILED(device->getD3DDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return {};
    std::vector<uint32_t> pixels = surfacePixels(device->getD3DDevice(), back, width, height);
    back->Release();
    return pixels;
}

// One drawn frame as the hook saw it.
struct Frame {
    float time = 0;
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(unsigned x, unsigned y) const { return pixels.at(size_t(y) * width + x) & 0xFFFFFF; }
};

struct PlayerRun {
    int exitCode = 0;
    std::string errors;
    std::vector<std::string> messages;
    std::vector<Frame> frames;
};

class PlayerTest : public ::testing::Test {
protected:
    // Ticks per second of the fixed clock, and ticks per counter read (one read per frame).
    static constexpr int64_t kFrequency = 1000;
    static inline int64_t s_step = 100;
    static inline int64_t s_counter = 0;
    // Runs on every counter read, that is once per pass of the main loop.
    static inline std::function<void()> s_onPass;

    void SetUp() override
    {
        s_step = 100;
        core::Timer::setCounterSource(
            [] {
                if (s_onPass)
                    s_onPass();
                return s_counter += s_step;
            },
            [] { return kFrequency; });
    }
    void TearDown() override
    {
        core::Timer::setCounterSource(nullptr, nullptr);
        s_onPass = nullptr;
        d3dsimSetStrictReset(false);
        win32::setDialogDriver(win32::DialogDriver{});
        d3dsimSetAdapters({});
        d3dsimFailCreateDevice(false);
        std::filesystem::remove_all(scratchFolder());
    }

    // Runs the player with the arguments; `readPixels` keeps each frame's back buffer.
    PlayerRun play(std::string const& arguments, bool readPixels = false, PlayerSeams seams = {})
    {
        PlayerRun run;
        s_counter = 0;
        win32::DialogDriver driver = dialogDriver;
        driver.onMessageBox = [&run](LPCSTR text, LPCSTR, UINT) {
            run.messages.push_back(text);
            return IDOK;
        };
        win32::setDialogDriver(driver);
        seams.commandLine = "Tormakelin.Client " + arguments;
        seams.pinThread = [this] { ++pinned; };
        auto const outer = seams.onFrame;
        seams.onFrame = [&, outer](PlayerApplication& player) {
            Frame frame;
            frame.time = player.getPlayTime();
            if (readPixels)
                frame.pixels = backBufferPixels(player.getRenderDevice(), frame.width, frame.height);
            run.frames.push_back(std::move(frame));
            if (outer)
                outer(player);
        };
        testing::internal::CaptureStderr();
        run.exitCode = runPlayer(seams);
        run.errors = testing::internal::GetCapturedStderr();
        return run;
    }

    // A project of the author size that shows the setup dialog, on a display of one mode; the
    // dialog is answered with "Run".
    TestProject projectThroughDialog(UINT displayWidth, UINT displayHeight, int authorWidth, int authorHeight)
    {
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        adapter.modes = {D3DDISPLAYMODE{displayWidth, displayHeight, 60, D3DFMT_X8R8G8B8}};
        d3dsimSetAdapters({adapter});
        dialogDriver.onDialog = [](HWND dialog, LPCSTR) { SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0); };
        TestProject project;
        project.showSetupDialog = 1;
        project.authorWidth = authorWidth;
        project.authorHeight = authorHeight;
        return project;
    }

    // The packed sample's second frame from `time` (the first has no last frame to capture yet), on
    // a 640x360 display; `each` sees every frame. Empty when the sample did not play two frames.
    Frame sampleFrameFrom(std::string const& time, std::function<void(PlayerApplication&)> each = {})
    {
        std::filesystem::path const sample = samplePath();
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        adapter.modes = {D3DDISPLAYMODE{640, 360, 60, D3DFMT_X8R8G8B8}};
        d3dsimSetAdapters({adapter});
        PlayerSeams seams;
        int frames = 0;
        seams.onFrame = [&](PlayerApplication& player) {
            if (each)
                each(player);
            if (++frames == 2)
                PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play("-nosetup -time " + time + " -document " + sample.string(), true, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        return run.frames.size() < 2 ? Frame{} : run.frames[1];
    }

    win32::DialogDriver dialogDriver;
    int pinned = 0;
};

} // namespace tormakelin::client::test
