#include <tormakelin/fxcore/ResourceLoaders.h>

#include "DocumentTestSupport.h"
#include "LibraryTypes.h"
#include "MediaPack.h"

#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureData.h>
#include <tormakelin/sound/Sound.h>

#include <commdlg.h>
#include <tormakelin_win32.h>

#include <QuietLog.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

struct Loaded {
    ResourceLoadResult result;
    core::SmartRef<IResource> resource;
};

class ResourceLoaderTest : public ::testing::Test {
protected:
    void TearDown() override { win32::setDialogDriver(win32::DialogDriver{}); }

    // A loader made by its type id, as a project load makes it.
    core::SmartRef<IResourceLoader> loader(core::UniqueId const& id)
    {
        return core::SmartRef<IResourceLoader>(createPluginAs<IResourceLoader>(&types, id));
    }

    static Loaded load(IResourceLoader* loader, std::map<std::string, std::string> const& parameters,
        bool interactive = false)
    {
        for (auto const& [name, value] : parameters) {
            IParameter* parameter = loader->findParameter(name);
            EXPECT_NE(parameter, nullptr) << name;
            if (parameter)
                parameter->setText(value);
        }
        Loaded loaded;
        loaded.result.status = -1;
        IResource* made = reinterpret_cast<IResource*>(uintptr_t(1));
        loader->loadResource(loaded.result, nullptr, interactive, &made);
        loaded.resource = made;
        if (made)
            made->release();
        return loaded;
    }

    static void cancelEveryDialog()
    {
        win32::DialogDriver driver;
        driver.onOpenFile = [](OPENFILENAMEA const&, std::string&) { return false; };
        driver.onDialog = [](HWND dialog, LPCSTR) { SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0); };
        win32::setDialogDriver(driver);
    }

    MediaPack pack;
    LibraryTypes types;
};

// What the resource holds, so that each kind is checked for its own object.
std::function<bool(IResource*)> holds(std::string const& kind)
{
    if (kind == "texture")
        return [](IResource* r) { return dynamic_cast<TextureResource*>(r)->getTexture() != nullptr; };
    if (kind == "animated")
        return [](IResource* r) { return dynamic_cast<AnimatedTextureResource*>(r)->getFrames().size() == 3; };
    if (kind == "atlas")
        return [](IResource* r) {
            auto* atlas = dynamic_cast<TextureAtlasResource*>(r);
            render::TextureAtlasRect rect;
            return atlas->getTexture() && atlas->getAtlas() && atlas->getAtlas()->getRect("a", rect) &&
                rect.x == 0.25f && rect.height == 0.25f;
        };
    if (kind == "scene")
        return [](IResource* r) { return dynamic_cast<SceneResource*>(r)->getScene() != nullptr; };
    if (kind == "sound")
        return [](IResource* r) {
            sound::ISound* s = dynamic_cast<SoundResource*>(r)->getSound();
            return s && s->getLength() > 9.9f;
        };
    return [](IResource* r) { return dynamic_cast<FontResource*>(r)->getFont() != nullptr; };
}

} // namespace

TEST_F(ResourceLoaderTest, EveryLoaderLoadsItsKindFromThePack)
{
    ASSERT_TRUE(pack.ready());
    struct Case {
        core::UniqueId loader;
        std::map<std::string, std::string> parameters;
        core::UniqueId resourceType;
        char const* label;
        std::string description;
        std::string fileName;
        char const* kind;
    };
    Case const cases[] = {
        {TextureResourceLoader::_pluginDesc.id, {{"Filename", kPackImage}}, TextureResource::_pluginDesc.id,
            "2d texture", kPackImage, kPackImage, "texture"},
        {CubeTextureResourceLoader::_pluginDesc.id, {{"Filename", kPackCube}}, TextureResource::_pluginDesc.id,
            "Cube texture", kPackCube, kPackCube, "texture"},
        {AnimatedTextureResourceLoader::_pluginDesc.id, {{"Filename", kPackGif}},
            AnimatedTextureResource::_pluginDesc.id, "Animated Texture", kPackGif, kPackGif, "animated"},
        {TextureAtlasResourceLoader::_pluginDesc.id, {{"Filename", kPackAtlas}},
            TextureAtlasResource::_pluginDesc.id, "Texture Atlas", std::string(kPackAtlas) + " (256x128)",
            kPackAtlas, "atlas"},
        {SceneResourceLoader::_pluginDesc.id, {{"Filename", kPackScene}}, SceneResource::_pluginDesc.id, "Scene",
            kPackScene, kPackScene, "scene"},
        {SoundResourceLoader::_pluginDesc.id, {{"Filename", kPackSound}}, SoundResource::_pluginDesc.id, "Sound",
            kPackSound, kPackSound, "sound"},
        {FontResourceLoader::_pluginDesc.id, {{"Filename", kPackFont}}, FontResource::_pluginDesc.id, "Font",
            "DejaVu Sans 32pt", kPackFont, "font"},
        {FontResourceLoader::_pluginDesc.id, {{"Filename", kPackFont}, {"PointSize", "4"}},
            FontResource::_pluginDesc.id, "Font", "DejaVu Sans 8pt", kPackFont, "font"},
        {FontResourceLoader::_pluginDesc.id, {{"Filename", kPackFont}, {"PointSize", "500"}},
            FontResource::_pluginDesc.id, "Font", "DejaVu Sans 180pt", kPackFont, "font"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.label + std::string(" ") + c.description);
        auto const made = loader(c.loader);
        ASSERT_TRUE(made);
        Loaded const loaded = load(made.get(), c.parameters);
        EXPECT_EQ(loaded.result.status, 0);
        EXPECT_EQ(loaded.result.message, "");
        ASSERT_TRUE(loaded.resource);
        ResourceInfo& info = loaded.resource->getInfo();
        EXPECT_EQ(dynamic_cast<IPlugin*>(loaded.resource.get())->getPluginDesc().id, c.resourceType);
        EXPECT_EQ(info.name, c.label);
        EXPECT_EQ(info.description, c.description);
        EXPECT_EQ(info.fileName, c.fileName);
        EXPECT_EQ(info.loader.get(), made.get());
        EXPECT_TRUE(holds(c.kind)(loaded.resource.get()));
    }
}

TEST_F(ResourceLoaderTest, FailuresSayWhatFailedAndMakeNothing)
{
    ASSERT_TRUE(pack.ready());
    pack.put("atlas/wrongroot.atl", textBytes("<TextureAtlas Width=\"4\" Height=\"4\" TextureFilename=\"a.png\"/>"));
    pack.put("atlas/notexture.atl",
        textBytes("<Tormakelin.TextureAtlas Width=\"4\" Height=\"4\" TextureFilename=\"images/none.png\"/>"));
    pack.put("images/notanimage.png", textBytes("not an image"));
    pack.put("music/notasound.wav", textBytes("not a sound"));
    pack.put("scenes/notascene.k3d", textBytes("KAVRO"));
    pack.put("fonts/notafont.ttf", textBytes("not a font"));
    ASSERT_TRUE(pack.mount());
    struct Case {
        core::UniqueId loader;
        std::string file;
        std::string message;
    };
    Case const cases[] = {
        {TextureResourceLoader::_pluginDesc.id, "images/none.png", "Unable to load image: images/none.png."},
        {TextureResourceLoader::_pluginDesc.id, "images/notanimage.png",
            "Unable to load image: images/notanimage.png."},
        {CubeTextureResourceLoader::_pluginDesc.id, "images/none.dds", "Unable to load image: images/none.dds."},
        {AnimatedTextureResourceLoader::_pluginDesc.id, "anim/none.gif",
            "Unable to load animated image: anim/none.gif."},
        {AnimatedTextureResourceLoader::_pluginDesc.id, kPackImage,
            "Unable to load animated image: " + std::string(kPackImage) + "."},
        {TextureAtlasResourceLoader::_pluginDesc.id, "atlas/none.atl", "Unable to load atlas: atlas/none.atl."},
        {TextureAtlasResourceLoader::_pluginDesc.id, "atlas/wrongroot.atl",
            "Unable to load atlas: atlas/wrongroot.atl."},
        {TextureAtlasResourceLoader::_pluginDesc.id, "atlas/notexture.atl",
            "Unable to load atlas texture: images/none.png."},
        {SceneResourceLoader::_pluginDesc.id, "scenes/none.k3d", "Unable to load scene: scenes/none.k3d."},
        {SceneResourceLoader::_pluginDesc.id, "scenes/notascene.k3d", "Unable to load scene: scenes/notascene.k3d."},
        {SoundResourceLoader::_pluginDesc.id, "music/none.ogg", "Unable to load sound: music/none.ogg."},
        {SoundResourceLoader::_pluginDesc.id, "music/notasound.wav", "Unable to load sound: music/notasound.wav."},
        {FontResourceLoader::_pluginDesc.id, "fonts/none.ttf", "Unable to load font."},
        {FontResourceLoader::_pluginDesc.id, "fonts/notafont.ttf", "Unable to load font."},
    };
    for (Case const& c : cases) {
        auto const made = loader(c.loader);
        ASSERT_TRUE(made);
        Loaded const loaded = load(made.get(), {{"Filename", c.file}});
        EXPECT_EQ(loaded.result.status, 1) << c.file;
        EXPECT_EQ(loaded.result.message, c.message);
        EXPECT_FALSE(loaded.resource) << c.file;
    }
}

TEST_F(ResourceLoaderTest, AMissingResourceTypeIsNamed)
{
    ASSERT_TRUE(pack.ready());
    struct Case {
        core::UniqueId loader;
        core::UniqueId resourceType;
        std::string file;
        std::string message;
    };
    Case const cases[] = {
        {TextureResourceLoader::_pluginDesc.id, TextureResource::_pluginDesc.id, kPackImage,
            "Unable to create TextureResource plugin."},
        {AnimatedTextureResourceLoader::_pluginDesc.id, AnimatedTextureResource::_pluginDesc.id, kPackGif,
            "Unable to create AnimatedTextureResource plugin."},
        {TextureAtlasResourceLoader::_pluginDesc.id, TextureAtlasResource::_pluginDesc.id, kPackAtlas,
            "Unable to create TextureAtlasResource plugin."},
        {SceneResourceLoader::_pluginDesc.id, SceneResource::_pluginDesc.id, kPackScene,
            "Unable to create SceneResource plugin."},
        {SoundResourceLoader::_pluginDesc.id, SoundResource::_pluginDesc.id, kPackSound,
            "Unable to create SoundResource plugin."},
        {FontResourceLoader::_pluginDesc.id, FontResource::_pluginDesc.id, kPackFont,
            "Unable to create FontResource plugin."},
    };
    for (Case const& c : cases) {
        auto const made = loader(c.loader);
        ASSERT_TRUE(made);
        types.remove(c.resourceType);
        Loaded const loaded = load(made.get(), {{"Filename", c.file}});
        EXPECT_EQ(loaded.result.status, 1);
        EXPECT_EQ(loaded.result.message, c.message);
        EXPECT_FALSE(loaded.resource);
    }
}

TEST_F(ResourceLoaderTest, OpenFileDialogsOfferTheirTypesAndLoadThePickedFile)
{
    ASSERT_TRUE(pack.ready());
    pack.readDisk();
    std::vector<std::vector<std::pair<std::string, std::string>>> filters;
    std::string picked;
    win32::DialogDriver driver;
    driver.onOpenFile = [&](OPENFILENAMEA const& request, std::string& path) {
        filters.push_back(win32::parseFilter(request.lpstrFilter));
        path = picked;
        return true;
    };
    win32::setDialogDriver(driver);
    struct Case {
        core::UniqueId loader;
        std::string description;
        std::string pattern;
        char const* file;
    };
    Case const cases[] = {
        {TextureResourceLoader::_pluginDesc.id, "Image Files (*.jpg;*.png;*.tga;*.bmp;*.dds)",
            "*.jpg;*.png;*.tga;*.bmp;*.dds", kPackImage},
        {CubeTextureResourceLoader::_pluginDesc.id, "Cubemap Files (*.dds)", "*.dds", kPackCube},
        {AnimatedTextureResourceLoader::_pluginDesc.id, "Animated Image Files (*.gif)", "*.gif", kPackGif},
        {TextureAtlasResourceLoader::_pluginDesc.id, "Tormakelin Texture Atlas Files (*.atl)", "*.atl", kPackAtlas},
        {SceneResourceLoader::_pluginDesc.id, "Scene Files (*.k3d)", "*.k3d", kPackScene},
        {SoundResourceLoader::_pluginDesc.id, "Sound Files (*.mp3;*.ogg;*.wav;*.xm;*.mod)",
            "*.mp3;*.ogg;*.wav;*.xm;*.mod", kPackSound},
    };
    for (Case const& c : cases) {
        filters.clear();
        picked = pack.diskPath(c.file);
        auto const made = loader(c.loader);
        Loaded const loaded = load(made.get(), {}, true);
        ASSERT_EQ(filters.size(), 1u);
        std::vector<std::pair<std::string, std::string>> const expected = {
            {c.description, c.pattern}, {"All Files (*.*)", "*.*"}};
        EXPECT_EQ(filters[0], expected);
        EXPECT_EQ(made->findParameter("Filename")->getText(), picked);
        EXPECT_EQ(loaded.result.status, 0) << loaded.result.message;
        ASSERT_TRUE(loaded.resource);
        EXPECT_EQ(loaded.resource->getInfo().fileName, picked);
    }
}

TEST_F(ResourceLoaderTest, CancellingAnyDialogGivesStatusTwoAndNothing)
{
    ASSERT_TRUE(pack.ready());
    cancelEveryDialog();
    for (core::UniqueId const& id : {TextureResourceLoader::_pluginDesc.id, CubeTextureResourceLoader::_pluginDesc.id,
             AnimatedTextureResourceLoader::_pluginDesc.id, TextureAtlasResourceLoader::_pluginDesc.id,
             SceneResourceLoader::_pluginDesc.id, SoundResourceLoader::_pluginDesc.id,
             FontResourceLoader::_pluginDesc.id, RenderTargetResourceLoader::_pluginDesc.id}) {
        auto const made = loader(id);
        ASSERT_TRUE(made);
        bool const named = made->findParameter("Filename") != nullptr;
        Loaded const loaded = load(made.get(), named ? std::map<std::string, std::string>{{"Filename", kPackImage}}
                                                     : std::map<std::string, std::string>{}, true);
        EXPECT_EQ(loaded.result.status, 2);
        EXPECT_EQ(loaded.result.message, "");
        EXPECT_FALSE(loaded.resource);
        // The file name is left as it was.
        if (named) {
            EXPECT_EQ(made->findParameter("Filename")->getText(), kPackImage);
        }
    }
}

TEST_F(ResourceLoaderTest, FontPageTakesTheBrowsedFileAndTheSize)
{
    ASSERT_TRUE(pack.ready());
    pack.readDisk();
    std::string const picked = pack.diskPath(kPackFont);
    std::vector<std::vector<std::pair<std::string, std::string>>> filters;
    std::string initialSize;
    win32::DialogDriver driver;
    driver.onOpenFile = [&](OPENFILENAMEA const& request, std::string& path) {
        filters.push_back(win32::parseFilter(request.lpstrFilter));
        path = picked;
        return true;
    };
    driver.onDialog = [&](HWND dialog, LPCSTR name) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(name), uintptr_t(FontSetupPage::kTemplateId));
        initialSize = ResourceDialog::getText(dialog, FontSetupPage::kSizeEdit);
        SendDlgItemMessageA(dialog, FontSetupPage::kBrowse, BM_CLICK, 0, 0);
        ResourceDialog::setText(dialog, FontSetupPage::kSizeEdit, "24");
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    };
    win32::setDialogDriver(driver);
    auto const made = loader(FontResourceLoader::_pluginDesc.id);
    Loaded const loaded = load(made.get(), {}, true);
    EXPECT_EQ(initialSize, "32");
    std::vector<std::pair<std::string, std::string>> const expected = {
        {"TTF Font Files (*.ttf)", "*.ttf"}, {"All Files (*.*)", "*.*"}};
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0], expected);
    EXPECT_EQ(loaded.result.status, 0);
    ASSERT_TRUE(loaded.resource);
    EXPECT_EQ(loaded.resource->getInfo().description, "DejaVu Sans 24pt");
    EXPECT_EQ(made->findParameter("Filename")->getText(), picked);
}

namespace {

std::vector<std::string> g_warnings;

bool collectWarning(core::DebugType, std::string const&, int, std::string const&, std::string const& message)
{
    g_warnings.push_back(message);
    return true;
}

std::string resourceElement(int tag, core::UniqueId const& loader, std::map<std::string, std::string> const& parameters)
{
    char id[40];
    std::snprintf(id, sizeof(id), "%08X-0000-0000-0000-0000000000%02X", tag, tag);
    std::string text = std::string("<Resource Id=\"") + id + "\" ResourceLoaderPluginId=\"" +
        core::uniqueIdToString(loader) + "\" Description=\"stored\"><ParameterMap>";
    for (auto const& [name, value] : parameters)
        text.append("<Parameter Name=\"").append(name).append("\" Value=\"").append(value).append("\"/>");
    return text + "</ParameterMap></Resource>";
}

} // namespace

TEST_F(ResourceLoaderTest, AProjectLoadRunsEachLoaderByIdAndKeepsOnlyWhatLoaded)
{
    ASSERT_TRUE(pack.ready());
    std::string const text = "<Tormakelin><ResourceManager>" +
        resourceElement(1, TextureResourceLoader::_pluginDesc.id, {{"Filename", kPackImage}}) +
        resourceElement(2, SceneResourceLoader::_pluginDesc.id, {{"Filename", kPackScene}}) +
        resourceElement(3, TextureAtlasResourceLoader::_pluginDesc.id, {{"Filename", kPackAtlas}}) +
        resourceElement(4, SoundResourceLoader::_pluginDesc.id, {{"Filename", kPackSound}}) +
        resourceElement(5, FontResourceLoader::_pluginDesc.id, {{"Filename", kPackFont}, {"PointSize", "20"}}) +
        resourceElement(6, AnimatedTextureResourceLoader::_pluginDesc.id, {{"Filename", kPackGif}}) +
        resourceElement(7, TextureResourceLoader::_pluginDesc.id, {{"Filename", "images/gone.png"}}) +
        "</ResourceManager></Tormakelin>";
    g_warnings.clear();
    core::setDebugCallback(collectWarning);
    core::SmartRef<IDocument> const document(createDocument());
    bool const loaded = loadDocument(document.get(), text);
    core::setDebugCallback(nullptr);
    ASSERT_TRUE(loaded);

    IResourceManager* resources = document->getResourceManager();
    ASSERT_EQ(resources->getResources().size(), 6u);
    for (int tag = 1; tag <= 6; ++tag) {
        IResource* resource = resources->getResources()[size_t(tag - 1)];
        EXPECT_EQ(resource->getInfo().id.data1, uint32_t(tag));
        EXPECT_EQ(resource->getInfo().description, "stored");
    }
    EXPECT_EQ(g_warnings, std::vector<std::string>{"Unable to load image: images/gone.png."});
    std::vector<std::string> const files = {kPackImage, kPackScene, kPackImage, kPackAtlas, kPackImage, kPackSound,
        kPackFont, kPackGif};
    EXPECT_EQ(resources->getDependantFiles(), files);

    // Saved and loaded again, every resource comes back through its loader.
    core::SmartRef<IDocument> const again(createDocument());
    ASSERT_TRUE(loadDocument(again.get(), saveDocument(document.get())));
    ASSERT_EQ(again->getResourceManager()->getResources().size(), 6u);
    auto* font = dynamic_cast<FontResource*>(again->getResourceManager()->getResources()[4]);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->getFont()->getSize(), 20);
}

TEST_F(ResourceLoaderTest, RenderTargetsAreMadeFromTheirSettingsAndAbsurdSizesRefused)
{
    ASSERT_TRUE(pack.ready());
    ASSERT_NE(render::g_renderDevice, nullptr);
    D3DCAPS9 caps{};
    ASSERT_EQ(render::g_renderDevice->getD3DDevice()->GetDeviceCaps(&caps), D3D_OK);
    ASSERT_GE(caps.MaxTextureWidth, 5000u);
    ASSERT_GE(caps.MaxTextureHeight, 4000u);
    std::string const wide = std::to_string(caps.MaxTextureWidth + 1);
    std::string const tall = std::to_string(caps.MaxTextureHeight + 1);
    struct Case {
        std::map<std::string, std::string> parameters;
        int status;
        std::string text;
        // What the log says besides the message, for a refused size.
        std::string detail = {};
    };
    Case const cases[] = {
        {{}, 0, "256x256 A8R8G8B8 1 mip(s) , depth buffer: Yes"},
        {{{"Width", "64"}, {"Height", "32"}, {"Format", "114"}, {"Mipmaps", "3"}, {"Autogen Mipmaps", "1"},
             {"Depth Buffer", "0"}},
            0, "64x32 R32F 3 mip(s) , depth buffer: No"},
        {{{"Width", "4096"}, {"Height", "1"}, {"Format", "113"}}, 0, "4096x1 A16B16G16R16F 1 mip(s) , depth buffer: Yes"},
        // Larger than a fixed area would allow, well within what the device makes.
        {{{"Width", "5000"}, {"Height", "4000"}}, 0, "5000x4000 A8R8G8B8 1 mip(s) , depth buffer: Yes"},
        // Each side may pass while the area would take gigabytes.
        {{{"Width", "16384"}, {"Height", "16384"}, {"Format", "116"}}, 1, "Unable to create screen.",
            "a 16384x16384 render target is more than the device's"},
        {{{"Width", wide}, {"Height", "1"}}, 1, "Unable to create screen.", "a " + wide + "x1 render target is larger"},
        {{{"Width", "1"}, {"Height", tall}}, 1, "Unable to create screen.", "a 1x" + tall + " render target is larger"},
        {{{"Width", "0"}}, 1, "Unable to create screen.", "a 0x256 render target is too small"},
        {{{"Height", "-4"}}, 1, "Unable to create screen.", "a 256x-4 render target is too small"},
        {{{"Format", "12345"}}, 1, "Unable to create screen."},
        // The device draws into no luminance target.
        {{{"Format", "50"}}, 1, "Unable to create screen."},
    };
    for (Case const& c : cases) {
        auto const made = loader(RenderTargetResourceLoader::_pluginDesc.id);
        ASSERT_TRUE(made);
        tormakelin::test::LogCatcher const log;
        Loaded const loaded = load(made.get(), c.parameters);
        EXPECT_EQ(loaded.result.status, c.status) << c.text;
        if (c.status != 0) {
            EXPECT_EQ(loaded.result.message, c.text);
            EXPECT_FALSE(loaded.resource);
            if (!c.detail.empty()) {
                ASSERT_EQ(log.messages().size(), 1u) << c.detail;
                EXPECT_EQ(log.messages().front().rfind(c.detail, 0), 0u) << log.messages().front();
            }
            continue;
        }
        ASSERT_TRUE(loaded.resource);
        EXPECT_EQ(loaded.resource->getInfo().description, c.text);
        EXPECT_EQ(loaded.resource->getInfo().name, "Render Target");
        EXPECT_EQ(loaded.resource->getInfo().fileName, "");
        auto* target = dynamic_cast<RenderTargetResource*>(loaded.resource.get());
        ASSERT_NE(target, nullptr);
        ASSERT_NE(target->getTexture(), nullptr);
        EXPECT_EQ(target->getTexture()->getWidth(), unsigned(std::stoi(c.text)));
    }
    types.remove(RenderTargetResource::_pluginDesc.id);
    Loaded const missing = load(loader(RenderTargetResourceLoader::_pluginDesc.id).get(), {});
    EXPECT_EQ(missing.result.status, 1);
    EXPECT_EQ(missing.result.message, "Unable to create screen.");
}

TEST_F(ResourceLoaderTest, RenderTargetPageShowsTheSettingsAndWritesBackTheChoice)
{
    ASSERT_TRUE(pack.ready());
    std::vector<std::string> formats;
    std::vector<int> keys;
    struct Shown {
        std::string width, height, mipmaps;
        bool autogen = false, depth = false;
        int selection = -1;
    } shown;
    win32::DialogDriver driver;
    driver.onDialog = [&](HWND dialog, LPCSTR name) {
        using Page = RenderTargetSetupPage;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(name), uintptr_t(Page::kTemplateId));
        HWND combo = GetDlgItem(dialog, Page::kFormatCombo);
        int const count = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
            formats.push_back(text);
            keys.push_back(ResourceDialog::getComboKey(dialog, Page::kFormatCombo, i));
        }
        shown.width = ResourceDialog::getText(dialog, Page::kWidthEdit);
        shown.height = ResourceDialog::getText(dialog, Page::kHeightEdit);
        shown.mipmaps = ResourceDialog::getText(dialog, Page::kMipmapsEdit);
        shown.autogen = ResourceDialog::getCheck(dialog, Page::kAutogenCheck);
        shown.depth = ResourceDialog::getCheck(dialog, Page::kDepthCheck);
        shown.selection = ResourceDialog::getComboSelection(dialog, Page::kFormatCombo);
        ResourceDialog::setText(dialog, Page::kWidthEdit, "128");
        ResourceDialog::setComboSelection(dialog, Page::kFormatCombo, 4);
        SendDlgItemMessageA(dialog, Page::kDepthCheck, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    };
    win32::setDialogDriver(driver);
    auto const made = loader(RenderTargetResourceLoader::_pluginDesc.id);
    // The stored format is not what the page starts with.
    Loaded const loaded = load(made.get(), {{"Format", "116"}, {"Height", "64"}, {"Autogen Mipmaps", "1"}}, true);
    EXPECT_EQ(formats, (std::vector<std::string>{"A8R8G8B8", "X8R8G8B8", "L8", "A16B16G16R16F", "R32F",
                           "A32B32G32R32F"}));
    EXPECT_EQ(keys, (std::vector<int>{21, 22, 50, 113, 114, 116}));
    EXPECT_EQ(shown.selection, 0);
    EXPECT_EQ(shown.width, "256");
    EXPECT_EQ(shown.height, "64");
    EXPECT_EQ(shown.mipmaps, "1");
    EXPECT_TRUE(shown.autogen);
    EXPECT_TRUE(shown.depth);
    EXPECT_EQ(loaded.result.status, 0) << loaded.result.message;
    ASSERT_TRUE(loaded.resource);
    EXPECT_EQ(loaded.resource->getInfo().description, "128x64 R32F 1 mip(s) , depth buffer: No");
    EXPECT_EQ(made->findParameter("Format")->getText(), "114");
    EXPECT_EQ(made->findParameter("Depth Buffer")->getText(), "0");
    EXPECT_EQ(made->findParameter("Autogen Mipmaps")->getText(), "1");

    cancelEveryDialog();
    Loaded const cancelled = load(made.get(), {}, true);
    EXPECT_EQ(cancelled.result.status, 2);
    EXPECT_EQ(cancelled.result.message, "");
    EXPECT_FALSE(cancelled.resource);
}

namespace {

template <class T>
int countOf(T* object)
{
    object->addRef();
    return object->release();
}

} // namespace

TEST_F(ResourceLoaderTest, WhatALoaderMadeIsHeldByTheResourceAlone)
{
    ASSERT_TRUE(pack.ready());
    auto loadOne = [&](core::UniqueId const& id, char const* file) {
        return load(loader(id).get(), {{"Filename", file}}).resource;
    };
    core::SmartRef<IResource> scene = loadOne(SceneResourceLoader::_pluginDesc.id, kPackScene);
    core::SmartRef<IResource> atlas = loadOne(TextureAtlasResourceLoader::_pluginDesc.id, kPackAtlas);
    core::SmartRef<IResource> tone = loadOne(SoundResourceLoader::_pluginDesc.id, kPackSound);
    core::SmartRef<IResource> font = loadOne(FontResourceLoader::_pluginDesc.id, kPackFont);
    ASSERT_TRUE(scene && atlas && tone && font);
    // Once the resources are gone, these holders must be the last ones.
    core::SmartRef<kavro::ISceneGraph> const graph(dynamic_cast<SceneResource*>(scene.get())->getScene());
    core::SmartRef<render::ITextureAtlas> const rects(dynamic_cast<TextureAtlasResource*>(atlas.get())->getAtlas());
    core::SmartRef<sound::ISound> const sound(dynamic_cast<SoundResource*>(tone.get())->getSound());
    core::SmartRef<IFont> const glyphs(dynamic_cast<FontResource*>(font.get())->getFont());
    scene = nullptr;
    atlas = nullptr;
    tone = nullptr;
    font = nullptr;
    EXPECT_EQ(countOf(graph.get()), 1);
    EXPECT_EQ(countOf(rects.get()), 1);
    EXPECT_EQ(countOf(sound.get()), 1);
    EXPECT_EQ(countOf(glyphs.get()), 1);
}
