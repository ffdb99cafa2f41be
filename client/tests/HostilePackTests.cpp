// The real packed player given a pack with one hostile file: it ends by exit, with its start-up
// message and 255 or having played without the file and saying why, within a time and memory
// budget; never by a signal.

#include "PlayerTestSupport.h"

#include <Repeated.h>
#include <ZipFixture.h>

#include "GifWriter.h"
#include "SceneTestUtil.h"

#include <tormakelin/core/Zip.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace tormakelin::client::test {
namespace {

using core::test::ZipEntry;
using tormakelin::test::repeated;

constexpr char kTextureLoader[] = "A6A09A24-B71E-11DD-B744-EBAD6DC0932E";
constexpr char kAnimatedTextureLoader[] = "D992F1B0-0683-11DE-B5EE-E18597D763F8";
constexpr char kAtlasLoader[] = "DC58A293-3E62-11DE-909D-9F1312BBD935";
constexpr char kSceneLoader[] = "F802D9D0-0D66-11DE-9658-A306579BAEC5";
constexpr char kFontLoader[] = "4271B350-F7B2-11DD-98FC-8AA50E493AB6";
constexpr char kFullscreenQuadType[] = "C0E625D2-F3A8-11DD-8057-8A02F6C56FE5";
constexpr char kSceneGraphType[] = "12C3E60D-0D69-11DE-8C94-B8CD3BAF4A2A";
constexpr char kSceneRenderType[] = "D26DF6B1-0EFA-11DE-99C7-DFCFD624C433";

// Generous: a player that refuses or bounds the file needs a fraction of these.
constexpr auto kTimeLimit = std::chrono::seconds(60);
constexpr long kMemoryLimitMb = 1536;

std::string nestedXml(std::string const& root, int depth)
{
    return "<" + root + ">" + repeated("<a>", depth) + repeated("</a>", depth) + "</" + root + ">";
}

std::string withAttributes(int count)
{
    std::string text = "<Tormakelin><DocumentSettings";
    for (int i = 0; i < count; ++i)
        text += " a" + std::to_string(i) + "=\"1\"";
    return text + "/></Tormakelin>";
}

void put32be(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
}

void pngChunk(std::string& out, char const* type, std::string const& data)
{
    put32be(out, uint32_t(data.size()));
    std::string const body = type + data;
    out += body;
    put32be(out, uint32_t(crc32(0, reinterpret_cast<Bytef const*>(body.data()), uInt(body.size()))));
}

// A small PNG of a large black RGBA image: every row filter 0, every pixel 0.
std::string largePng(uint32_t width, uint32_t height)
{
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    put32be(header, width);
    put32be(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", core::test::deflatedZeros(uint64_t(width * 4 + 1) * height, 15));
    pngChunk(out, "IEND", "");
    return out;
}

// A GIF of three full frames of 4096 x 4096, their pixels in the densest code stream.
std::string largeGif()
{
    giftest::GifWriter writer;
    writer.screen(4096, 4096, {{0, 0, 0}, {255, 255, 255}});
    giftest::Image frame;
    frame.width = 4096;
    frame.height = 4096;
    for (int i = 0; i < 3; ++i)
        writer.imageHeader(frame).lzw(2, giftest::lzwRuns(int64_t(frame.width) * frame.height));
    std::vector<uint8_t> const bytes = writer.trailer().bytes();
    return std::string(bytes.begin(), bytes.end());
}

// A layer drawing a full-screen quad whose script is `script`; its graph goes into `graphs`.
std::string scriptLayer(std::string& graphs, std::string const& script)
{
    graphs = graphXml(10,
        nodeXml(11, kScriptType, inputXml("Attributes/Script", 1, script), outputXml("Output", 12, 0)) +
        nodeXml(13, kFullscreenQuadType,
            inputXml("Attributes/Type", 10, "1") + inputXml("Script/Script", 0, "", linkXml(11, 12)),
            outputXml("Output", 14, 0)) +
        nodeXml(15, kRenderStackType, inputXml("Input-1", 0, "", linkXml(13, 14)), ""));
    return graphLayerXml(30, 10, 0, 50);
}

// A layer drawing the scene of resource 40, every node updated and drawn each frame.
std::string sceneLayer(std::string& graphs)
{
    graphs = graphXml(10,
        nodeXml(11, kSceneGraphType, inputXml("Attributes/Scene", 11, idText(40)), outputXml("Result", 12, 0)) +
        nodeXml(13, kSceneRenderType, inputXml("Attributes/Scene", 0, "", linkXml(11, 12)), outputXml("Output", 14, 0)) +
        nodeXml(15, kRenderStackType, inputXml("Input-1", 0, "", linkXml(13, 14)), ""));
    return graphLayerXml(30, 10, 0, 50);
}

struct HostileCase {
    char const* name;
    // Builds the project and its files; the project script is added unless a file replaces it.
    std::function<void(TestProject&, std::vector<ZipEntry>&)> build;
    int exitCode;
    // Words stderr must hold, each once; none: stderr stays empty.
    std::vector<std::string> words;
};

void PrintTo(HostileCase const& c, std::ostream* out) { *out << c.name; }

void resource(TestProject& project, char const* loader, std::string const& file,
    std::vector<std::pair<std::string, std::string>> extra = {})
{
    extra.emplace_back("Filename", file);
    project.resources += resourceXml(40, loader, extra);
}

std::vector<HostileCase> const& hostileCases()
{
    static std::vector<HostileCase> const cases = {
        {"ProjectScriptNestedPastTheLimit",
            [](TestProject&, std::vector<ZipEntry>& files) {
                files.push_back({"tormakelin.script", nestedXml("Tormakelin", 45000)});
            },
            255, {"XML text refused before parsing", "Tormakelin-FX Error: Unable to load project script."}},
        {"ProjectScriptWith40000Attributes",
            [](TestProject&, std::vector<ZipEntry>& files) {
                files.push_back({"tormakelin.script", withAttributes(40000)});
            },
            255, {"XML text refused before parsing", "Tormakelin-FX Error: Unable to load project script."}},
        {"ImageInflatingPastTheCap",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kTextureLoader, "bomb.png");
                files.push_back(core::test::zeros("bomb.png", core::ZipRead::kMaxEntrySize + (1 << 20)));
            },
            0, {"Pack entry bomb.png refused: it inflates beyond 256 MiB", "Unable to load image: bomb.png."}},
        {"GifPastItsPixelBudget",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kAnimatedTextureLoader, "huge.gif");
                files.push_back({"huge.gif", largeGif()});
            },
            0, {"huge.gif: the frames together hold more pixels than two of 4096 x 4096",
                "Unable to load animated image: huge.gif."}},
        {"NodeScriptNestedPastTheLimit",
            [](TestProject& project, std::vector<ZipEntry>&) {
                project.layers = scriptLayer(project.graphs,
                    "void main() { int a = " + repeated("(", 3500) + "1" + repeated(")", 3500) + "; }");
            },
            0, {"Script of node ", "the script is nested deeper than 256 levels"}},
        {"NodeScriptThatStopsTheCompiler",
            [](TestProject& project, std::vector<ZipEntry>&) {
                project.layers = scriptLayer(project.graphs, "void f() {} void main() { int a = 1 & f(); }");
            },
            0, {"Script of node ", "the script compiler failed on this script"}},
        {"SceneWithALongParentChainPlays",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kSceneLoader, "chain.k3d");
                project.layers = sceneLayer(project.graphs);
                std::vector<uint8_t> const bytes = kavro_test::parentChain(50000);
                files.push_back({"chain.k3d", std::string(bytes.begin(), bytes.end())});
            },
            0, {}},
        {"PngDeclaringAHugeSizePlays",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kTextureLoader, "large.png");
                files.push_back({"large.png", largePng(8192, 4096)});
            },
            0, {}},
        {"AtlasNestedTooDeep",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kAtlasLoader, "deep.atl");
                files.push_back({"deep.atl", nestedXml("Tormakelin.TextureAtlas", 45000)});
            },
            0, {"XML text refused before parsing", "Unable to load atlas: deep.atl."}},
        {"FontOfGarbage",
            [](TestProject& project, std::vector<ZipEntry>& files) {
                resource(project, kFontLoader, "garbage.ttf", {{"PointSize", "32"}});
                std::string garbage(64 << 10, '\0');
                for (size_t i = 0; i < garbage.size(); ++i)
                    garbage[i] = char((i * 2654435761u) >> 13);
                files.push_back({"garbage.ttf", std::string("\x00\x01\x00\x00", 4) + garbage});
            },
            0, {"garbage.ttf: no readable font in it", "Unable to load font."}},
        {"RenderTargetOfAbsurdSize",
            [](TestProject& project, std::vector<ZipEntry>&) {
                project.resources += resourceXml(40, kRenderTargetLoader,
                    {{"Width", "1000000"}, {"Height", "1000000"}, {"Depth Buffer", "1"}});
            },
            0, {"a 1000000x1000000 render target is larger than the device's", "Unable to create screen."}},
        // Sides the device makes, at sixteen bytes a texel: gigabytes.
        {"RenderTargetOfGigabytes",
            [](TestProject& project, std::vector<ZipEntry>&) {
                project.resources += resourceXml(40, kRenderTargetLoader,
                    {{"Width", "16384"}, {"Height", "16384"}, {"Format", "116"}, {"Depth Buffer", "1"}});
            },
            0, {"a 16384x16384 render target is more than the device's", "Unable to create screen."}},
    };
    return cases;
}

// A copy of the player with the entries appended as its data pack, as the packing tool makes it.
// It stays in the program folder: the plug-in scan lists the program's own folder.
std::filesystem::path packedPlayer(std::string const& name, std::vector<ZipEntry> const& entries)
{
    std::filesystem::path const player = programFolder() / "Tormakelin.Client";
    std::filesystem::path packed =
        programFolder() / ("Tormakelin.Hostile." + name + "." + std::to_string(getpid()));
    std::filesystem::copy_file(player, packed, std::filesystem::copy_options::overwrite_existing);
    uint32_t const programSize = uint32_t(std::filesystem::file_size(packed));
    std::ofstream(packed, std::ios::binary | std::ios::app) << core::test::ZipFixture::build(entries, programSize);
    std::filesystem::permissions(packed, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    return packed;
}

struct Outcome {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    double seconds = 0;
    long peakMb = 0;
    std::string errors;
};

// Runs the program with "-nosetup", its stderr into a file; killed when it overruns the limit.
Outcome runWithBudget(std::filesystem::path const& program)
{
    std::filesystem::path const errorFile = scratchFolder() / "stderr.txt";
    auto const start = std::chrono::steady_clock::now();
    pid_t const child = startWithoutSetup(program, errorFile);
    Outcome outcome;
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() - start > kTimeLimit) {
            outcome.timedOut = true;
            kill(child, SIGKILL);
            wait4(child, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    outcome.peakMb = usage.ru_maxrss / 1024;
    std::ifstream in(errorFile);
    outcome.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return outcome;
}

class HostilePack : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override { std::filesystem::create_directories(scratchFolder()); }
    void TearDown() override { std::filesystem::remove_all(scratchFolder()); }
};

TEST_P(HostilePack, ThePlayerEndsByExitAndSaysWhy)
{
    HostileCase const& c = GetParam();
    TestProject project;
    project.endUnits = 50;
    std::vector<ZipEntry> files;
    c.build(project, files);
    if (std::none_of(files.begin(), files.end(), [](ZipEntry const& e) { return e.name == "tormakelin.script"; }))
        files.push_back({"tormakelin.script", project.xml()});
    std::filesystem::path const packed = packedPlayer(c.name, files);
    Outcome const outcome = runWithBudget(packed);
    std::filesystem::remove(packed);

    EXPECT_FALSE(outcome.timedOut) << "still running after " << outcome.seconds << " s";
    EXPECT_TRUE(outcome.exited) << "ended by signal " << outcome.signal << "\n" << outcome.errors;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.errors;
    if (c.words.empty()) {
        EXPECT_EQ(outcome.errors, "");
    }
    // Said once: a refusal repeated on every frame would bury the log.
    for (std::string const& words : c.words) {
        size_t const first = outcome.errors.find(words);
        EXPECT_NE(first, std::string::npos) << words << "\n" << outcome.errors;
        EXPECT_EQ(outcome.errors.find(words, first + 1), std::string::npos) << words << "\n" << outcome.errors;
    }
    EXPECT_LT(outcome.peakMb, kMemoryLimitMb);
}

INSTANTIATE_TEST_SUITE_P(Files, HostilePack, ::testing::ValuesIn(hostileCases()),
    [](::testing::TestParamInfo<HostileCase> const& info) { return std::string(info.param.name); });

} // namespace
} // namespace tormakelin::client::test
