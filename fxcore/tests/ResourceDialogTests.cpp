#include <tormakelin/fxcore/ResourceDialog.h>

#include <tormakelin/fxcore/ScriptEngine.h>

#include <commctrl.h>
#include <commdlg.h>
#include <tormakelin_win32.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

enum { kPageId = 4101, kInnerId = 4102, kCombo = 1002, kCheck = 1005, kSlider = 1009, kEdit = 1008, kMore = 4 };

HINSTANCE fxcoreModule() { return static_cast<HINSTANCE>(g_instance); }

win32::DialogTemplate pageTemplate()
{
    win32::DialogTemplate t;
    t.caption = "Test Page";
    t.width = 200;
    t.height = 100;
    auto add = [&](win32::ControlKind kind, int id, const char* text, int x, int y, int w, int h) {
        t.controls.push_back(win32::DialogControl{kind, id, text, x, y, w, h, 0});
    };
    add(win32::ControlKind::ComboBox, kCombo, "", 5, 5, 120, 60);
    add(win32::ControlKind::CheckBox, kCheck, "Check", 5, 22, 80, 10);
    add(win32::ControlKind::Trackbar, kSlider, "", 5, 36, 120, 14);
    add(win32::ControlKind::Edit, kEdit, "", 5, 54, 120, 13);
    add(win32::ControlKind::Button, kMore, "More...", 130, 54, 50, 14);
    add(win32::ControlKind::DefaultButton, IDOK, "OK", 90, 80, 50, 14);
    add(win32::ControlKind::Button, IDCANCEL, "Cancel", 145, 80, 50, 14);
    return t;
}

// A dialog whose answers come from the test.
class TestDialog : public ResourceDialog {
public:
    explicit TestDialog(int id = kPageId) : m_id(id) {}
    HINSTANCE getInstance() override { return fxcoreModule(); }
    int getDialogId() override { return m_id; }
    INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        return handler ? handler(dialog, message, wParam, lParam) : FALSE;
    }

    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;
    std::vector<UINT> messages;

private:
    int m_id;
};

// A folder of this process: tests run in parallel processes.
std::filesystem::path scratchFolder()
{
    return std::filesystem::temp_directory_path() / ("tormakelin_dialog_test_" + std::to_string(getpid()));
}

// An existing file to pick: the open-file dialog only takes files that exist.
std::string makeFile(const std::string& relative)
{
    std::filesystem::path const path = scratchFolder() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "x";
    return path.string();
}

bool isTemplate(LPCSTR name, int id) { return reinterpret_cast<uintptr_t>(name) == uintptr_t(id); }

class ResourceDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        win32::registerDialogTemplate(fxcoreModule(), MAKEINTRESOURCEA(kPageId), pageTemplate());
        win32::registerDialogTemplate(fxcoreModule(), MAKEINTRESOURCEA(kInnerId), pageTemplate());
    }
    void TearDown() override
    {
        win32::setDialogDriver(win32::DialogDriver{});
        win32::unregisterDialogTemplate(fxcoreModule(), MAKEINTRESOURCEA(kPageId));
        win32::unregisterDialogTemplate(fxcoreModule(), MAKEINTRESOURCEA(kInnerId));
        std::filesystem::remove_all(scratchFolder());
    }

    // Answers open-file requests with `path` (none: cancel) and records each request.
    void answerOpenFile(std::vector<std::string> paths)
    {
        win32::DialogDriver driver;
        answers = std::move(paths);
        driver.onOpenFile = [this](const OPENFILENAMEA& request, std::string& path) {
            requests.push_back(request);
            filters.push_back(win32::parseFilter(request.lpstrFilter));
            filterNull.push_back(request.lpstrFilter == nullptr);
            size_t const next = requests.size() - 1;
            std::string const answer = next < answers.size() ? answers[next] : std::string();
            path = answer;
            return !answer.empty();
        };
        win32::setDialogDriver(driver);
    }

    // Runs `act` on each dialog once it is up.
    void onDialog(std::function<void(HWND, LPCSTR)> act)
    {
        win32::DialogDriver driver;
        driver.onDialog = std::move(act);
        win32::setDialogDriver(driver);
    }

    std::vector<std::string> answers;
    std::vector<OPENFILENAMEA> requests;
    std::vector<std::vector<std::pair<std::string, std::string>>> filters;
    std::vector<bool> filterNull;
};

} // namespace

TEST_F(ResourceDialogs, OpenFileChosenThenCancelledKeepsTheName)
{
    ResourceDialog dialog;
    EXPECT_EQ(dialog.getFileName(), "");
    dialog.addFileType("GIF Files (*.gif)", "*.gif");
    dialog.addFileType(ResourceDialog::FileType{"All Files (*.*)", "*.*"});
    std::string const chosen = makeFile("anim.gif");
    answerOpenFile({chosen});

    EXPECT_TRUE(dialog.doModal(nullptr, ResourceDialogOpenFile));
    EXPECT_EQ(dialog.getFileName(), chosen);
    EXPECT_FALSE(dialog.doModal(nullptr, ResourceDialogOpenFile)) << "the second request is cancelled";
    EXPECT_EQ(dialog.getFileName(), chosen);

    ASSERT_EQ(requests.size(), 2u);
    const OPENFILENAMEA& request = requests[0];
    EXPECT_STREQ(request.lpstrTitle, "Import Resource");
    EXPECT_EQ(request.Flags, 0x81001u);
    EXPECT_EQ(request.nMaxFile, 260u);
    EXPECT_EQ(request.hwndOwner, nullptr);
    using Filter = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(filters[0], (Filter{{"GIF Files (*.gif)", "*.gif"}, {"All Files (*.*)", "*.*"}}));
}

TEST_F(ResourceDialogs, OpenFileWithoutTypesHasNoFilterAndTooLongAPathFails)
{
    ResourceDialog dialog;
    std::string const tooLong = makeFile(std::string(150, 'a') + "/" + std::string(150, 'b') + ".gif");
    std::string const fits = makeFile("short.gif");
    ASSERT_GT(tooLong.size(), 300u);
    answerOpenFile({tooLong, fits});
    EXPECT_FALSE(dialog.doModal(nullptr, ResourceDialogOpenFile)) << "a path beyond 260 characters does not fit";
    EXPECT_EQ(dialog.getFileName(), "");
    EXPECT_TRUE(dialog.doModal(nullptr, ResourceDialogOpenFile));
    EXPECT_EQ(dialog.getFileName(), fits);
    ASSERT_EQ(filterNull.size(), 2u);
    EXPECT_TRUE(filterNull[0]);
}

TEST_F(ResourceDialogs, FilterTextsStayWithinTheBuffer)
{
    struct Case {
        const char* what;
        std::vector<ResourceDialog::FileType> types;
        size_t kept;
    };
    std::vector<ResourceDialog::FileType> many;
    many.reserve(200);
    for (int i = 0; i < 200; ++i)
        many.push_back({"Images number " + std::to_string(i) + std::string(20, ' '), "*.i" + std::to_string(i)});
    std::string const huge(9000, 'd');
    Case const cases[] = {
        {"entries that no longer fit are left out", many, 0},
        {"one type larger than the buffer", {{huge, "*.x"}}, 0},
        {"a large type after a small one", {{"Small", "*.s"}, {huge, "*.x"}, {"Later", "*.l"}}, 1},
        {"empty texts would end the list", {{"", "*.a"}, {"B", ""}, {"C", "*.c"}}, 1},
        {"a zero byte inside ends the text", {{std::string("Bad\0Name", 8), "*.b"}}, 1},
    };
    for (const Case& c : cases) {
        ResourceDialog dialog;
        for (const auto& type : c.types)
            dialog.addFileType(type);
        std::string const filter = dialog.buildFilter();
        EXPECT_LE(filter.size(), ResourceDialog::kFilterCapacity) << c.what;
        auto const parsed = win32::parseFilter(filter.empty() ? nullptr : filter.data(), filter.size());
        if (c.kept > 0 || filter.empty()) {
            EXPECT_EQ(parsed.size(), c.kept) << c.what;
        } else {
            EXPECT_GT(parsed.size(), 100u) << c.what;
            EXPECT_LT(parsed.size(), 200u) << c.what;
            EXPECT_GT(filter.size(), ResourceDialog::kFilterCapacity - 64) << c.what;
            for (size_t i = 0; i < parsed.size(); ++i)
                EXPECT_EQ(parsed[i].second, "*.i" + std::to_string(i)) << "kept whole and in order";
        }
        if (!filter.empty()) {
            EXPECT_EQ(filter.back(), '\0') << c.what;
            EXPECT_EQ(filter[filter.size() - 2], '\0') << c.what;
        }
    }
    ResourceDialog mixed;
    mixed.addFileType(std::string("Bad\0Name", 8), "*.b");
    EXPECT_EQ(mixed.buildFilter(), std::string("Bad\0*.b\0\0", 9));
}

TEST_F(ResourceDialogs, OnlyAnEndWithOneCountsAsAccepted)
{
    struct Case {
        INT_PTR end;
        bool accepted;
    } const cases[] = {{1, true}, {2, false}, {0, false}, {5, false}, {-1, false}};
    for (const Case& c : cases) {
        onDialog([&](HWND dialog, LPCSTR) { EndDialog(dialog, c.end); });
        TestDialog dialog;
        EXPECT_EQ(dialog.doModal(nullptr, ResourceDialogModal), c.accepted) << c.end;
        EXPECT_NE(std::find(dialog.messages.begin(), dialog.messages.end(), UINT(WM_INITDIALOG)), dialog.messages.end())
            << "the dialog's messages reach onMessage";
        EXPECT_EQ(ResourceDialog::getActive(), nullptr);
    }
}

TEST_F(ResourceDialogs, DialogsThatCannotRunEndAsCancelled)
{
    onDialog([](HWND dialog, LPCSTR) { EndDialog(dialog, 1); });
    ResourceDialog base;  // no module, template id 0
    EXPECT_FALSE(base.doModal(nullptr, ResourceDialogModal));
    TestDialog missing(4999);
    EXPECT_FALSE(missing.doModal(nullptr, ResourceDialogModal));
    EXPECT_TRUE(missing.messages.empty());
    TestDialog page;
    EXPECT_FALSE(page.doModal(nullptr, ResourceDialogType(2)));
    EXPECT_TRUE(page.messages.empty());
    EXPECT_EQ(ResourceDialog::getActive(), nullptr);
}

TEST_F(ResourceDialogs, ControlHelpersReachTheControls)
{
    struct Seen {
        int indices[3] = {-9, -9, -9};
        int keys[3] = {0, 0, 0};
        int selection = -9, slider = -9, clamped = -9, low = -9;
        bool checked = false, unchecked = true;
        std::string text, longText;
        bool item = false, noItem = true;
    } seen;
    TestDialog dialog;
    dialog.handler = [&](HWND window, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            int i = 0;
            for (auto [text, key] : {std::pair{"640x480", 640}, {"800x600", 800}, {"1024x768", -1024}})
                seen.indices[i++] = ResourceDialog::addComboItem(window, kCombo, text, key);
            ResourceDialog::setComboSelection(window, kCombo, 1);
            ResourceDialog::setSliderRange(window, kSlider, 0, 20);
            ResourceDialog::setSliderPos(window, kSlider, 12);
            ResourceDialog::setCheck(window, kCheck, true);
            ResourceDialog::setText(window, kEdit, "Arial.ttf");
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            for (int k = 0; k < 3; ++k)
                seen.keys[k] = ResourceDialog::getComboKey(window, kCombo, k);
            seen.selection = ResourceDialog::getComboSelection(window, kCombo);
            seen.slider = ResourceDialog::getSliderPos(window, kSlider);
            seen.checked = ResourceDialog::getCheck(window, kCheck);
            seen.text = ResourceDialog::getText(window, kEdit);
            ResourceDialog::setSliderPos(window, kSlider, 50);
            seen.clamped = ResourceDialog::getSliderPos(window, kSlider);
            ResourceDialog::setSliderRange(window, kSlider, 5, 10);
            ResourceDialog::setSliderPos(window, kSlider, 0);
            seen.low = ResourceDialog::getSliderPos(window, kSlider);
            ResourceDialog::setCheck(window, kCheck, false);
            seen.unchecked = ResourceDialog::getCheck(window, kCheck);
            ResourceDialog::setText(window, kEdit, std::string(3000, 'w'));
            seen.longText = ResourceDialog::getText(window, kEdit);
            seen.item = ResourceDialog::getDlgItem(window, kCombo) == GetDlgItem(window, kCombo) &&
                ResourceDialog::getDlgItem(window, kCombo) != nullptr;
            seen.noItem = ResourceDialog::getDlgItem(window, 31000) == nullptr;
            EndDialog(window, 1);
            return TRUE;
        }
        return FALSE;
    };
    onDialog([](HWND window, LPCSTR) { SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0); });
    ASSERT_TRUE(dialog.doModal(nullptr, ResourceDialogModal));
    EXPECT_EQ(seen.indices[0], 0);
    EXPECT_EQ(seen.indices[2], 2);
    EXPECT_EQ(seen.keys[0], 640);
    EXPECT_EQ(seen.keys[1], 800);
    EXPECT_EQ(seen.keys[2], -1024) << "negative keys come back whole";
    EXPECT_EQ(seen.selection, 1);
    EXPECT_EQ(seen.slider, 12);
    EXPECT_EQ(seen.clamped, 20);
    EXPECT_EQ(seen.low, 5);
    EXPECT_TRUE(seen.checked);
    EXPECT_FALSE(seen.unchecked);
    EXPECT_EQ(seen.text, "Arial.ttf");
    EXPECT_EQ(seen.longText, std::string(ResourceDialog::kTextCapacity, 'w'));
    EXPECT_TRUE(seen.item);
    EXPECT_TRUE(seen.noItem);
}

TEST_F(ResourceDialogs, NestedDialogsRestoreTheRunningDialog)
{
    std::string const font = makeFile("a.ttf");
    TestDialog outer(kPageId);
    TestDialog inner(kInnerId);
    ResourceDialog* activeInInner = nullptr;
    ResourceDialog* activeAfterInner = nullptr;
    bool innerAccepted = false;
    bool browsed = false;
    HWND outerWindow = nullptr;
    outer.handler = [&](HWND window, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG)
            outerWindow = window;
        if (message == WM_COMMAND && LOWORD(wParam) == kMore) {
            innerAccepted = inner.doModal(window, ResourceDialogModal);
            activeAfterInner = ResourceDialog::getActive();
            ResourceDialog browse;
            browse.addFileType("TTF Font Files (*.ttf)", "*.ttf");
            browsed = browse.doModal(window, ResourceDialogOpenFile);
            ResourceDialog::setText(window, kEdit, browse.getFileName());
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndDialog(window, ResourceDialog::getText(window, kEdit) == font ? 1 : 3);
            return TRUE;
        }
        return FALSE;
    };
    int outerCommandsWhileInner = 0;
    inner.handler = [&](HWND window, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            activeInInner = ResourceDialog::getActive();
            // A message to the outer dialog while the inner one runs still reaches the outer one.
            size_t const before = outer.messages.size();
            SendMessageA(outerWindow, WM_USER + 7, 0, 0);
            outerCommandsWhileInner = int(outer.messages.size() - before);
            EndDialog(window, 1);
            return TRUE;
        }
        return FALSE;
    };
    win32::DialogDriver driver;
    driver.onDialog = [](HWND window, LPCSTR name) {
        if (isTemplate(name, kPageId))
            SendDlgItemMessageA(window, kMore, BM_CLICK, 0, 0);
        SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
    };
    driver.onOpenFile = [&](const OPENFILENAMEA&, std::string& path) {
        path = font;
        return true;
    };
    win32::setDialogDriver(driver);

    EXPECT_TRUE(outer.doModal(nullptr, ResourceDialogModal));
    EXPECT_TRUE(innerAccepted);
    EXPECT_TRUE(browsed);
    EXPECT_EQ(activeInInner, &inner);
    EXPECT_EQ(activeAfterInner, &outer);
    EXPECT_EQ(outerCommandsWhileInner, 1);
    EXPECT_EQ(ResourceDialog::getActive(), nullptr);
}
