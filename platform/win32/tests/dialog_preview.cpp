// Shows a dialog with every control kind and writes a PNG of it: the layer's look, checked by eye.
// Usage: Tormakelin.DialogPreview <out.png>   (run it under Xvfb: tools/dialog_screenshot.sh)
// The open-file dialog its Browse button opens goes to <out>-open.png.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <SDL2/SDL.h>

#include <sdl_window_bridge.h>
#include <tormakelin_win32.h>

#include <cstdio>
#include <string>

using namespace tormakelin::win32;

namespace {

enum { kDevice = 1002, kMode = 1003, kAuto = 1005, kFull = 1006, kGamma = 1009, kGammaText = 1012, kPath = 1020 };
const char* g_output = "dialog.png";
bool g_failed = false;

DialogTemplate everyControl() {
    DialogTemplate t;
    t.caption = "Tormakelin-FX Client";
    t.width = 230;
    t.height = 190;
    auto add = [&](ControlKind kind, int id, const char* text, int x, int y, int w, int h, DWORD style = 0) {
        t.controls.push_back(DialogControl{kind, id, text, x, y, w, h, style});
    };
    add(ControlKind::GroupBox, -1, "Display", 5, 4, 220, 100);
    add(ControlKind::Static, -1, "Device:", 12, 18, 50, 10);
    add(ControlKind::ComboBox, kDevice, "", 65, 16, 152, 80);
    add(ControlKind::Static, -1, "Resolution:", 12, 36, 50, 10);
    add(ControlKind::ComboBox, kMode, "", 65, 34, 152, 80);
    add(ControlKind::CheckBox, kAuto, "&Autodetect", 12, 54, 70, 12);
    add(ControlKind::CheckBox, kFull, "&Fullscreen", 90, 54, 70, 12);
    add(ControlKind::CheckBox, 1007, "Vertical sync", 160, 54, 60, 12, WS_DISABLED);
    add(ControlKind::Static, -1, "Gamma:", 12, 76, 50, 10);
    add(ControlKind::Trackbar, kGamma, "", 65, 74, 120, 14);
    add(ControlKind::Static, kGammaText, "", 192, 76, 28, 10);
    add(ControlKind::GroupBox, -1, "Files", 5, 110, 220, 50);
    add(ControlKind::Edit, kPath, "", 12, 126, 150, 13);
    add(ControlKind::Button, 4, "Browse...", 167, 125, 50, 14);
    add(ControlKind::Static, -1, "An edit, a button and this static text.", 12, 144, 200, 10);
    add(ControlKind::DefaultButton, IDOK, "&Run", 110, 168, 54, 15);
    add(ControlKind::Button, IDCANCEL, "E&xit", 170, 168, 54, 15);
    return t;
}

// Lets a few frames pass so the window is mapped and laid out, then writes its picture.
void capture(HWND dialog, const std::string& file) {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    bool drawn = false;
    for (int frame = 0; frame < 12; ++frame) {
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
        Sleep(15);
        drawn = captureWindow(dialog, width, height, rgba);
    }
    if (!drawn || !stbi_write_png(file.c_str(), width, height, 4, rgba.data(), width * 4)) {
        std::fprintf(stderr, "%s: the dialog could not be drawn.\n", file.c_str());
        g_failed = true;
        return;
    }
    std::printf("%s: %dx%d\n", file.c_str(), width, height);
}

std::string openFilePicture() {
    std::string name = g_output;
    size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + "-open.png";
}

INT_PTR previewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (const char* d : {"llvmpipe (LLVM 15.0.6, 256 bits)", "Second adapter"})
            SendDlgItemMessageA(dialog, kDevice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d));
        SendDlgItemMessageA(dialog, kDevice, CB_SETCURSEL, 0, 0);
        for (const char* m : {"640x480 4:3", "1280x720 16:9", "1920x1200 16:10"})
            SendDlgItemMessageA(dialog, kMode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m));
        SendDlgItemMessageA(dialog, kMode, CB_SETCURSEL, 1, 0);
        SendDlgItemMessageA(dialog, kAuto, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(dialog, kGamma, TBM_SETRANGE, TRUE, MAKELONG(0, 20));
        SendDlgItemMessageA(dialog, kGamma, TBM_SETPOS, TRUE, 14);
        SetDlgItemTextA(dialog, kGammaText, "1.2");
        SetDlgItemTextA(dialog, kPath, "C:\\demo\\fonts\\title.ttf");
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == 4) {
            char file[MAX_PATH] = "";
            OPENFILENAMEA ofn{};
            ofn.lStructSize = sizeof(ofn);
            ofn.hwndOwner = dialog;
            ofn.lpstrFilter = "TTF Font Files (*.ttf)\0*.ttf\0All Files (*.*)\0*.*\0";
            ofn.lpstrFile = file;
            ofn.nMaxFile = MAX_PATH;
            ofn.lpstrTitle = "Import Resource";
            ofn.lpstrInitialDir = "/usr/share/fonts/truetype";
            ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_READONLY;
            if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(dialog, kPath, file);
        }
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

// Clicks the Run button with the pointer, as a user would: the dialog must end with IDOK.
int clickRun() {
    registerDialogTemplate(nullptr, MAKEINTRESOURCEA(101), everyControl());
    DialogDriver driver;
    driver.onDialog = [](HWND dialog, LPCSTR) {
        RECT button{}, client{};
        GetWindowRect(GetDlgItem(dialog, IDOK), &button);
        GetWindowRect(dialog, &client);
        POINT origin{client.left, client.top};
        RECT insets{0, 0, 0, 0};
        AdjustWindowRectEx(&insets, DWORD(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
        int x = (button.left + button.right) / 2 - origin.x + insets.left;
        int y = (button.top + button.bottom) / 2 - origin.y + insets.top;
        SDL_Window* window = tormakelinGetSDLWindow(dialog);
        SDL_RaiseWindow(window);
        for (int frame = 0; frame < 60; ++frame) {
            SDL_WarpMouseInWindow(window, x, y);
            MSG m;
            PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
            Sleep(10);
            std::vector<uint8_t> ignored;
            int w, h;
            captureWindow(dialog, w, h, ignored);
            if (frame == 30 || frame == 32) {
                SDL_Event e{};
                e.type = frame == 30 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
                e.button.windowID = SDL_GetWindowID(window);
                e.button.button = SDL_BUTTON_LEFT;
                e.button.state = frame == 30 ? SDL_PRESSED : SDL_RELEASED;
                e.button.clicks = 1;
                e.button.x = x;
                e.button.y = y;
                SDL_PushEvent(&e);
            }
            if (!IsWindowVisible(dialog)) return;  // ended by the click
        }
    };
    setDialogDriver(driver);
    INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, previewProc, 0);
    std::printf("click on Run: dialog result %d\n", int(result));
    return result == IDOK ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--click") return clickRun();
    if (argc > 1) g_output = argv[1];
    registerDialogTemplate(nullptr, MAKEINTRESOURCEA(101), everyControl());
    DialogDriver driver;
    driver.onDialog = [](HWND dialog, LPCSTR name) {
        if (name == MAKEINTRESOURCEA(101)) {
            capture(dialog, g_output);
            SendDlgItemMessageA(dialog, 4, BM_CLICK, 0, 0);  // the browse button: the open-file dialog
            SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
        } else {
            SetDlgItemTextA(dialog, kOpenFileName, "title.ttf");
            capture(dialog, openFilePicture());
            SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
        }
    };
    setDialogDriver(driver);
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, previewProc, 0);
    return g_failed ? 1 : 0;
}
