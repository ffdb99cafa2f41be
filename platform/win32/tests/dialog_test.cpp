#include <gtest/gtest.h>

#include <tormakelin_win32.h>

#include <string>

#include "test_support.h"

using namespace tormakelin::win32;

namespace {

enum { kCombo = 1002, kCheck = 1005, kTrack = 1009, kEdit = 1001, kLabel = 1012, kBrowse = 4, kNested = 5 };
const LPCSTR kAll = MAKEINTRESOURCEA(101);
const LPCSTR kInner = MAKEINTRESOURCEA(102);

// A template with every control kind.
DialogTemplate allControls() {
    DialogTemplate t;
    t.caption = "Every Control";
    t.width = 220;
    t.height = 150;
    auto add = [&](ControlKind kind, int id, const char* text, int x, int y, int w, int h) {
        t.controls.push_back(DialogControl{kind, id, text, x, y, w, h, 0});
    };
    add(ControlKind::GroupBox, -1, "Display", 5, 4, 210, 62);
    add(ControlKind::Static, -1, "Device:", 12, 18, 40, 10);
    add(ControlKind::ComboBox, kCombo, "", 55, 16, 150, 80);
    add(ControlKind::CheckBox, kCheck, "&Autodetect", 12, 34, 80, 10);
    add(ControlKind::Static, -1, "Gamma:", 12, 50, 40, 10);
    add(ControlKind::Trackbar, kTrack, "", 55, 48, 120, 14);
    add(ControlKind::Static, kLabel, "", 180, 50, 30, 10);
    add(ControlKind::Edit, kEdit, "", 12, 74, 140, 13);
    add(ControlKind::Button, kBrowse, "Browse...", 158, 73, 50, 14);
    add(ControlKind::Button, kNested, "More...", 158, 92, 50, 14);
    add(ControlKind::DefaultButton, IDOK, "&Run", 100, 128, 50, 14);
    add(ControlKind::Button, IDCANCEL, "E&xit", 160, 128, 50, 14);
    return t;
}

DialogTemplate inner() {
    DialogTemplate t;
    t.caption = "Inner";
    t.width = 100;
    t.height = 40;
    t.controls.push_back(DialogControl{ControlKind::CheckBox, kCheck, "Inner box", 5, 5, 80, 10, 0});
    t.controls.push_back(DialogControl{ControlKind::DefaultButton, IDOK, "OK", 45, 22, 50, 14, 0});
    return t;
}

struct Seen {
    int selChanges = 0;
    int editChanges = 0;
    int lastScroll = -1;
    std::string label;
    int innerResult = 0;
    int innerMessages = 0;
    int outerMessagesDuringInner = 0;
    bool inInner = false;
    std::string browsed;
    LRESULT comboKey = 0;
    bool checked = false;
    std::string edit;
} g_seen;

INT_PTR innerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    g_seen.innerMessages++;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

void updateLabel(HWND dialog) {
    char text[32];
    int position = int(SendDlgItemMessageA(dialog, kTrack, TBM_GETPOS, 0, 0));
    std::snprintf(text, sizeof(text), "%.1f", position / 20.0 + 0.5);
    SetDlgItemTextA(dialog, kLabel, text);
}

INT_PTR outerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_seen.inInner && (message == WM_COMMAND || message == WM_INITDIALOG)) g_seen.outerMessagesDuringInner++;
    switch (message) {
    case WM_INITDIALOG: {
        HWND combo = GetDlgItem(dialog, kCombo);
        for (const char* item : {"640x480 4:3", "800x600 4:3", "1280x720 16:9"}) {
            LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendMessageA(combo, CB_SETITEMDATA, WPARAM(index), 100 + index);
        }
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageA(dialog, kCheck, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(dialog, kTrack, TBM_SETRANGE, TRUE, MAKELONG(0, 20));
        SendDlgItemMessageA(dialog, kTrack, TBM_SETPOS, TRUE, 10);
        updateLabel(dialog);
        return TRUE;
    }
    case WM_HSCROLL:
        g_seen.lastScroll = int(SendMessageA(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0));
        updateLabel(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kCombo:
            if (HIWORD(wParam) == CBN_SELCHANGE) g_seen.selChanges++;
            return TRUE;
        case kEdit:
            if (HIWORD(wParam) == EN_CHANGE) g_seen.editChanges++;
            return TRUE;
        case kBrowse: {
            char file[MAX_PATH] = "";
            OPENFILENAMEA ofn{};
            ofn.lStructSize = sizeof(ofn);
            ofn.hwndOwner = dialog;
            ofn.lpstrFilter = "TTF Font Files (*.ttf)\0*.ttf\0All Files (*.*)\0*.*\0";
            ofn.lpstrFile = file;
            ofn.nMaxFile = MAX_PATH;
            if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(dialog, kEdit, file);
            return TRUE;
        }
        case kNested:
            g_seen.inInner = true;
            g_seen.innerResult = int(DialogBoxParamA(nullptr, kInner, dialog, innerProc, 0));
            g_seen.inInner = false;
            return TRUE;
        case IDOK: {
            LRESULT sel = SendDlgItemMessageA(dialog, kCombo, CB_GETCURSEL, 0, 0);
            g_seen.comboKey = SendDlgItemMessageA(dialog, kCombo, CB_GETITEMDATA, WPARAM(sel), 0);
            g_seen.checked = SendDlgItemMessageA(dialog, kCheck, BM_GETCHECK, 0, 0) != 0;
            char text[1024];
            GetDlgItemTextA(dialog, kEdit, text, sizeof(text));
            g_seen.edit = text;
            char label[16];
            GetDlgItemTextA(dialog, kLabel, label, sizeof(label));
            g_seen.label = label;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen = Seen{};
        registerDialogTemplate(nullptr, kAll, allControls());
        registerDialogTemplate(nullptr, kInner, inner());
        drain();
    }
    void TearDown() override { setDialogDriver(DialogDriver{}); }

    INT_PTR run(std::function<void(HWND)> const& act, HWND owner = nullptr) {
        DialogDriver driver;
        driver.onDialog = [act](HWND dialog, LPCSTR name) {
            if (name == kAll) act(dialog);
            else SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);  // the inner dialog: OK
        };
        driver.onOpenFile = [](const OPENFILENAMEA& request, std::string& path) {
            auto filters = parseFilter(request.lpstrFilter);
            if (filters.size() != 2 || filters[0].second != "*.ttf") return false;
            path = "C:\\Fonts\\chosen.ttf";
            return true;
        };
        setDialogDriver(driver);
        return DialogBoxParamA(nullptr, kAll, owner, outerProc, 0);
    }
};

}  // namespace

TEST_F(Dialogs, ControlsAnswerTheirMessages) {
    INT_PTR result = run([](HWND dialog) {
        HWND combo = GetDlgItem(dialog, kCombo);
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 2, 0), 102);
        EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 3, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 7, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";
        EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 2, 0), 2);
        char text[64];
        EXPECT_EQ(GetWindowTextA(combo, text, sizeof(text)), 13);
        EXPECT_STREQ(text, "1280x720 16:9");
        EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("800X600 4:3")), 1);

        HWND track = GetDlgItem(dialog, kTrack);
        struct {
            LPARAM set;
            LRESULT get;
        } positions[] = {{5, 5}, {50, 20}, {-5, 0}, {20, 20}};
        for (auto p : positions) {
            SendMessageA(track, TBM_SETPOS, TRUE, p.set);
            EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), p.get) << p.set;
        }
        SendMessageA(track, TBM_SETRANGE, TRUE, MAKELONG(0, 10));
        EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 10) << "a narrower range pulls the position in";

        HWND check = GetDlgItem(dialog, kCheck);
        EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
        SendMessageA(check, BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);

        std::string longText(2000, 'w');
        SetDlgItemTextA(dialog, kEdit, longText.c_str());
        char cut[1024];
        EXPECT_EQ(GetDlgItemTextA(dialog, kEdit, cut, sizeof(cut)), 1023u);
        EXPECT_EQ(std::string(cut), longText.substr(0, 1023));
        SetDlgItemTextA(dialog, kEdit, "typed");
        EXPECT_EQ(GetDlgItem(dialog, 9999), nullptr);
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_seen.comboKey, 102);
    EXPECT_FALSE(g_seen.checked);
    EXPECT_EQ(g_seen.edit, "typed");
    EXPECT_EQ(g_seen.selChanges, 0) << "CB_SETCURSEL from the program sends no notification";
    EXPECT_EQ(g_seen.editChanges, 2) << "each SetWindowTextA of an edit notifies EN_CHANGE";
}

TEST_F(Dialogs, EnterEscAndTheCloseBoxEndTheDialog) {
    struct Case {
        const char* how;
        std::function<void(HWND)> act;
        INT_PTR result;
    } cases[] = {
        {"Enter", [](HWND d) { PostMessageA(d, WM_KEYDOWN, VK_RETURN, 0); }, 1},
        {"Esc", [](HWND d) { PostMessageA(GetDlgItem(d, kEdit), WM_KEYDOWN, VK_ESCAPE, 0); }, 2},
        {"close box", [](HWND d) { pushWindowEvent(d, SDL_WINDOWEVENT_CLOSE); }, 2},
        {"Exit button", [](HWND d) { SendDlgItemMessageA(d, IDCANCEL, BM_CLICK, 0, 0); }, 2},
        {"EndDialog(5)", [](HWND d) { EndDialog(d, 5); }, 5},
        {"a user that does nothing", [](HWND) {}, 2},
    };
    for (auto& c : cases) EXPECT_EQ(run(c.act), c.result) << c.how;
}

TEST_F(Dialogs, SdlKeysReachTheDialogManager) {
    INT_PTR result = run([](HWND d) { pushKey(d, SDLK_RETURN); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_seen.label, "1.0");
}

TEST_F(Dialogs, TrackbarScrollUpdatesTheLabel) {
    run([](HWND d) {
        HWND track = GetDlgItem(d, kTrack);
        SendMessageA(track, TBM_SETPOS, TRUE, 20);
        SendMessageA(d, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 20), reinterpret_cast<LPARAM>(track));
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(g_seen.lastScroll, 20);
    EXPECT_EQ(g_seen.label, "1.5");
}

TEST_F(Dialogs, MissingTemplateReturnsMinusOne) {
    bool called = false;
    DialogDriver driver;
    driver.onDialog = [&](HWND, LPCSTR) { called = true; };
    setDialogDriver(driver);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4242), nullptr, outerProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA("Tormakelin.Render"), kAll, nullptr, outerProc, 0), -1)
        << "templates belong to the module that registered them";
    EXPECT_FALSE(called);
}

TEST_F(Dialogs, OwnerIsDisabledWhileTheDialogRuns) {
    HWND owner = recordingWindow();
    bool ownerEnabled = true;
    HWND seenOwner = nullptr;
    run([&](HWND d) {
        ownerEnabled = IsWindowEnabled(owner);
        seenOwner = GetParent(d);
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    }, owner);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(Dialogs, NestedOpenFileAndDialogRouteToTheirOwnProcedures) {
    INT_PTR result = run([](HWND d) {
        SendDlgItemMessageA(d, kBrowse, BM_CLICK, 0, 0);
        SendDlgItemMessageA(d, kNested, BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(d)) << "the outer dialog is usable again after the inner one";
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_seen.edit, "C:\\Fonts\\chosen.ttf");
    EXPECT_EQ(g_seen.innerResult, 1);
    EXPECT_GT(g_seen.innerMessages, 0);
    EXPECT_EQ(g_seen.outerMessagesDuringInner, 0) << "the inner dialog's commands stay with the inner dialog";
}

TEST_F(Dialogs, WithoutADriverAHeadlessDialogTakesItsDefaults) {
    ASSERT_TRUE(isHeadless());
    EXPECT_EQ(DialogBoxParamA(nullptr, kAll, nullptr, outerProc, 0), 1);
    EXPECT_EQ(g_seen.comboKey, 100);
    EXPECT_TRUE(g_seen.checked);
    EXPECT_EQ(g_seen.label, "1.0");
}

TEST_F(Dialogs, DialogIsDrawnInItsOwnContext) {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    SDL_Window* before = SDL_GL_GetCurrentWindow();
    run([&](HWND d) {
        ASSERT_TRUE(captureWindow(d, width, height, pixels));
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), before) << "the caller's GL context stays current";
    ASSERT_GT(width, 300);
    ASSERT_GT(height, 200);
    ASSERT_EQ(pixels.size(), size_t(width) * size_t(height) * 4);
    size_t differing = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] != pixels[0] || pixels[i + 1] != pixels[1] || pixels[i + 2] != pixels[2]) differing++;
    EXPECT_GT(differing, size_t(width) * size_t(height) / 50) << "controls are drawn over the background";
}

TEST_F(Dialogs, MessageBoxAsksTheDriver) {
    DialogDriver driver;
    std::string seen;
    driver.onMessageBox = [&](LPCSTR text, LPCSTR caption, UINT type) {
        seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
        return IDCANCEL;
    };
    setDialogDriver(driver);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Unable to mount document.", "Tormakelin-FX Error", MB_ICONERROR), IDCANCEL);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, "Tormakelin-FX Error|Unable to mount document.|16");
    EXPECT_NE(err.find("Unable to mount document."), std::string::npos) << "always also on stderr";
    setDialogDriver(DialogDriver{});
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK), IDOK) << "headless: the first button";
}

TEST_F(Dialogs, RegisteredIconsLoadAndSetOnWindows) {
    std::vector<uint8_t> rgba(size_t{16} * 16 * 4, 200);
    registerIcon(nullptr, MAKEINTRESOURCEA(103), 16, 16, rgba);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(103));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(104)), nullptr);
    HWND w = recordingWindow();
    SendMessageA(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(w, WM_GETICON, ICON_BIG, 0)), icon);
    DestroyWindow(w);
}
