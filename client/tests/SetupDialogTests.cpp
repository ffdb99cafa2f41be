#include "SetupDialog.h"

#include <commctrl.h>
#include <d3d9.h>
#include <d3d9sim.h>
#include <tormakelin_win32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tormakelin::client::test {
namespace {

D3DDISPLAYMODE mode(unsigned width, unsigned height)
{
    return D3DDISPLAYMODE{width, height, 60, D3DFMT_X8R8G8B8};
}

D3DSimAdapter adapterNamed(char const* name, std::vector<D3DDISPLAYMODE> modes)
{
    D3DSimAdapter adapter = d3dsimDefaultAdapter();
    std::strncpy(adapter.identifier.Description, name, sizeof(adapter.identifier.Description) - 1);
    adapter.modes = std::move(modes);
    return adapter;
}

std::vector<std::string> comboTexts(HWND dialog, int id)
{
    std::vector<std::string> texts;
    int const count = int(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

std::string selectedText(HWND dialog, int id)
{
    int const index = int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
    std::vector<std::string> const texts = comboTexts(dialog, id);
    return index >= 0 && size_t(index) < texts.size() ? texts[size_t(index)] : std::string("<none>");
}

std::string itemText(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

bool checked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override { registerPlayerResources(module()); }
    void TearDown() override
    {
        win32::setDialogDriver(win32::DialogDriver{});
        d3dsimSetAdapters({});
        d3dsimFailDirect3DCreate(false);
    }

    static HINSTANCE module()
    {
        static int anchor;
        return win32::moduleOf(&anchor);
    }

    // Runs the dialog with the user's actions; true on "Run".
    bool runDialog(SetupDialog& dialog, std::function<void(HWND)> act)
    {
        win32::DialogDriver driver;
        driver.onDialog = [&](HWND window, LPCSTR) { act(window); };
        win32::setDialogDriver(driver);
        return dialog.run();
    }
};

TEST_F(SetupDialogTest, OffersEachKnownModeOnceNarrowestFirst)
{
    d3dsimSetAdapters({adapterNamed("First", {mode(1024, 768), mode(800, 600), mode(1280, 800), mode(1280, 1024),
                           mode(800, 600), mode(640, 480), mode(1920, 1080), mode(1280, 720)}),
        adapterNamed("Second", {mode(800, 600)})});
    SetupDialog dialog(module(), "", 640, 480, false);
    std::vector<std::string> resolutions, devices;
    runDialog(dialog, [&](HWND window) {
        resolutions = comboTexts(window, kResolution);
        devices = comboTexts(window, kDisplayDevice);
        SendDlgItemMessageA(window, IDCANCEL, BM_CLICK, 0, 0);
    });
    // 1280 x 1024 is of no known aspect class; 1280 x 800 keeps its place before 1280 x 720.
    EXPECT_EQ(resolutions, (std::vector<std::string>{"640x480 4:3", "800x600 4:3", "1024x768 4:3",
                               "1280x800 16:10", "1280x720 16:9", "1920x1080 16:9"}));
    EXPECT_EQ(devices, (std::vector<std::string>{"First", "Second"}));
}

TEST_F(SetupDialogTest, PreselectsAModeOfTheProjectsAspect)
{
    struct Case {
        int width, height;
        std::vector<D3DDISPLAYMODE> modes;
        char const* expected;
    };
    std::vector<D3DDISPLAYMODE> const all = {mode(1920, 1080), mode(1680, 1050), mode(1280, 720), mode(1440, 900),
        mode(800, 600), mode(640, 480)};
    Case const cases[] = {
        {1920, 1080, all, "1280x720 16:9"},
        {1280, 800, all, "1440x900 16:10"},
        {800, 600, all, "640x480 4:3"},
        {1000, 300, all, "640x480 4:3"},
        {1024, 768, {mode(1280, 720), mode(800, 600)}, "800x600 4:3"},  // no 640 x 480: the first entry
        {1920, 1080, {mode(1024, 768), mode(800, 600)}, "800x600 4:3"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        d3dsimSetAdapters({adapterNamed("Adapter", c.modes)});
        SetupDialog dialog(module(), "", c.width, c.height, false);
        std::string selected;
        runDialog(dialog, [&](HWND window) {
            selected = selectedText(window, kResolution);
            SendDlgItemMessageA(window, IDCANCEL, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(selected, c.expected);
    }
}

TEST_F(SetupDialogTest, StartsWithItsDefaults)
{
    d3dsimSetAdapters({adapterNamed("Adapter", {mode(640, 480)})});
    SetupDialog dialog(module(), "My Demo", 640, 480, true);
    runDialog(dialog, [&](HWND window) {
        char caption[64] = {};
        GetWindowTextA(window, caption, sizeof(caption));
        EXPECT_STREQ(caption, "My Demo");
        EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0) << "the player's icon";
        std::vector<std::string> samples = {"None"};
        for (int n = 2; n <= 16; ++n)
            samples.push_back(std::to_string(n) + " Sample(s)");
        EXPECT_EQ(comboTexts(window, kMultisampling), samples);
        EXPECT_EQ(selectedText(window, kMultisampling), "2 Sample(s)");
        EXPECT_EQ(selectedText(window, kDisplayDevice), "Adapter");
        EXPECT_NE(selectedText(window, kAudioDevice), "<none>");
        EXPECT_TRUE(checked(window, kDisplayAutodetect));
        EXPECT_TRUE(checked(window, kFullscreen)) << "the project's fullscreen default";
        EXPECT_FALSE(checked(window, kVerticalSync));
        EXPECT_TRUE(checked(window, kAudioAutodetect));
        EXPECT_FALSE(checked(window, kNoSound));
        EXPECT_EQ(itemText(window, kGammaLabel), "1.0");
        SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
    });
    SetupResults const& results = dialog.getResults();
    EXPECT_EQ(results.width, 640u);
    EXPECT_EQ(results.multiSample, 2);
    EXPECT_FLOAT_EQ(results.gamma, 1.0f);
    EXPECT_TRUE(results.fullscreen);
}

TEST_F(SetupDialogTest, GammaLabelFollowsTheTrackbar)
{
    struct Case {
        int position;
        char const* label;
        float gamma;
    };
    Case const cases[] = {{0, "0.5", 0.5f}, {10, "1.0", 1.0f}, {20, "1.5", 1.5f}, {14, "1.2", 1.2f}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.position);
        SetupDialog dialog(module(), "", 640, 480, false);
        std::string label;
        EXPECT_TRUE(runDialog(dialog, [&](HWND window) {
            SendDlgItemMessageA(window, kGamma, TBM_SETPOS, TRUE, c.position);
            SendMessageA(window, WM_HSCROLL, 0, reinterpret_cast<LPARAM>(GetDlgItem(window, kGamma)));
            label = itemText(window, kGammaLabel);
            SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
        }));
        EXPECT_EQ(label, c.label);
        EXPECT_FLOAT_EQ(dialog.getResults().gamma, c.gamma);
    }
}

TEST_F(SetupDialogTest, RunReturnsTheChoices)
{
    d3dsimSetAdapters({adapterNamed("First", {mode(640, 480), mode(1280, 720)}), adapterNamed("Second", {})});
    SetupDialog dialog(module(), "", 640, 480, false);
    EXPECT_TRUE(runDialog(dialog, [&](HWND window) {
        SendDlgItemMessageA(window, kResolution, CB_SETCURSEL, 1, 0);
        SendDlgItemMessageA(window, kMultisampling, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageA(window, kDisplayAutodetect, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(window, kDisplayDevice, CB_SETCURSEL, 1, 0);
        SendDlgItemMessageA(window, kFullscreen, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(window, kVerticalSync, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(window, kAudioAutodetect, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(window, kNoSound, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
    }));
    SetupResults const& results = dialog.getResults();
    EXPECT_EQ(results.width, 1280u);
    EXPECT_EQ(results.height, 720u);
    EXPECT_EQ(results.multiSample, 0);
    EXPECT_FALSE(results.displayAutodetect);
    EXPECT_EQ(results.displayDevice, 1);
    EXPECT_TRUE(results.fullscreen);
    EXPECT_TRUE(results.verticalSync);
    EXPECT_FALSE(results.audioAutodetect);
    EXPECT_TRUE(results.noSound);
    EXPECT_GE(results.audioDevice, 1) << "the audio layer numbers its devices from 1";
}

TEST_F(SetupDialogTest, EmptyDeviceAndModeListsFallBackToDefaults)
{
    d3dsimFailDirect3DCreate(true);
    SetupDialog dialog(module(), "", 320, 200, false);
    EXPECT_TRUE(runDialog(dialog, [&](HWND window) {
        EXPECT_TRUE(comboTexts(window, kResolution).empty());
        EXPECT_TRUE(comboTexts(window, kDisplayDevice).empty());
        SendDlgItemMessageA(window, kDisplayAutodetect, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
    }));
    SetupResults const& results = dialog.getResults();
    EXPECT_EQ(results.width, 320u) << "the project's own size";
    EXPECT_EQ(results.height, 200u);
    EXPECT_EQ(results.displayDevice, 0);
}

TEST_F(SetupDialogTest, ExitAnswersFalse)
{
    SetupDialog dialog(module(), "", 640, 480, false);
    EXPECT_FALSE(runDialog(dialog, [](HWND window) { SendDlgItemMessageA(window, IDCANCEL, BM_CLICK, 0, 0); }));
}

} // namespace
} // namespace tormakelin::client::test
