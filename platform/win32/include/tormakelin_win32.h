#pragma once
// What the window layer adds to the Win32 surface: dialog templates and icons registered in code
// (in place of resource scripts), the scripted user that answers dialogs in tests and in runs
// without a display, and a read-back of a dialog's pixels.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "windows.h"

// All of the layer runs on the one thread that pumps messages (the program's main thread).

namespace tormakelin::win32 {

enum class ControlKind { Static, Edit, Button, DefaultButton, CheckBox, GroupBox, ComboBox, Trackbar };

// Positions and sizes in dialog units, as in a resource script.
struct DialogControl {
    ControlKind kind = ControlKind::Static;
    int id = -1;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    DWORD style = 0;  // extra styles: ES_NUMBER, WS_DISABLED, ...
};

struct DialogTemplate {
    std::string caption;
    std::string font = "MS Shell Dlg";
    int pointSize = 8;
    int width = 0, height = 0;
    std::vector<DialogControl> controls;
};

// Templates and icons live per module, under an integer id (MAKEINTRESOURCE) or a name.
// A null module means the program's own. A library names itself with moduleOf(&anything_in_it),
// the same handle GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, ...) gives.
TORMAKELIN_WIN32_API void registerDialogTemplate(HINSTANCE module, LPCSTR name, const DialogTemplate& dialog);
TORMAKELIN_WIN32_API void unregisterDialogTemplate(HINSTANCE module, LPCSTR name);
TORMAKELIN_WIN32_API void registerIcon(HINSTANCE module, LPCSTR name, int width, int height,
    const std::vector<uint8_t>& rgba);

// The module an address belongs to (what GetModuleHandleExA answers).
TORMAKELIN_WIN32_API HMODULE moduleOf(const void* address);

// A scripted user. onDialog runs once a modal dialog has had WM_INITDIALOG; it acts through
// messages (BM_CLICK, CB_SETCURSEL, TBM_SETPOS, PostMessage of WM_KEYDOWN, EndDialog...).
// A dialog that stays open with nothing left to do is closed as if by its close box.
// onOpenFile answers GetOpenFileNameA: true with a path picks that file, false cancels.
// onMessageBox answers MessageBoxA with the button id.
struct DialogDriver {
    std::function<void(HWND dialog, LPCSTR templateName)> onDialog;
    std::function<bool(const OPENFILENAMEA& request, std::string& path)> onOpenFile;
    std::function<int(LPCSTR text, LPCSTR caption, UINT type)> onMessageBox;
};
// The layer's own open-file dialog (asked when a driver has no onOpenFile): its template name and
// the ids of its folder edit, file-name edit and file-type combo box. IDOK opens, IDCANCEL cancels.
inline constexpr const char* kOpenFileTemplate = "TORMAKELIN.OPENFILE";
enum : int { kOpenFileFolder = 1100, kOpenFileName = 1101, kOpenFileTypes = 1102 };

// Installs the driver (an empty one returns to the interactive user).
TORMAKELIN_WIN32_API void setDialogDriver(const DialogDriver& driver);

// True when there is no display to show dialogs on (SDL's offscreen or dummy video driver).
// Without a driver, dialogs then accept their defaults (Enter) and open-file requests cancel.
// On a display, TORMAKELIN_ACCEPT_DIALOGS=<seconds> in the environment does the same after
// showing each dialog that long (scripted runs on a virtual display).
TORMAKELIN_WIN32_API bool isHeadless();

// The (description, pattern) pairs of an open-file filter list; stops at the double zero byte
// and never reads more than maxBytes.
TORMAKELIN_WIN32_API std::vector<std::pair<std::string, std::string>> parseFilter(LPCSTR filter,
    size_t maxBytes = 65536);

// Draws a dialog now and reads its pixels back (RGBA, top row first).
TORMAKELIN_WIN32_API bool captureWindow(HWND dialog, int& width, int& height, std::vector<uint8_t>& rgba);

}  // namespace tormakelin::win32
