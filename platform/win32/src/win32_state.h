#pragma once
// The window layer's own records. Everything runs on the thread that pumps messages.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tormakelin_win32.h"

struct SDL_Window;

namespace tormakelin::win32 {

struct DialogUi;  // drawing state of a dialog (dialog_ui.cpp)

struct WindowClass {
    std::string key;  // the name as given, or "#<atom>"
    HINSTANCE instance = nullptr;
    WNDCLASSEXA info{};
    bool system = false;
    int windows = 0;
    ATOM atom = 0;
};

struct Control {
    ControlKind kind = ControlKind::Static;
    std::vector<std::string> items;
    std::vector<LPARAM> itemData;
    int selection = -1;
    int check = BST_UNCHECKED;
    int rangeMin = 0, rangeMax = 100, position = 0;
    size_t limit = 32767;
};

struct Dialog {
    DLGPROC proc = nullptr;
    LPCSTR templateName = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    LONG_PTR msgResult = 0;
    LONG_PTR user = 0;
    int defaultId = IDOK;
    HWND owner = nullptr;
    DialogUi* ui = nullptr;
    std::function<void(HWND)> drawExtra;  // drawn inside the dialog's frame (the open-file list)
};

enum class ShowState { Normal, Minimized, Maximized };

struct Window {
    HWND handle = nullptr;
    WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0, exStyle = 0;
    HWND parent = nullptr;
    RECT rect{};  // outer rectangle: screen coordinates, or the parent's client coordinates for a child
    RECT normalRect{};  // the rectangle to go back to from minimised or maximised
    std::string text;
    std::map<std::string, HANDLE> props;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    bool invalid = false;
    bool enabled = true;
    bool destroying = false;
    ShowState show = ShowState::Normal;
    SDL_Window* sdl = nullptr;
    HICON iconBig = nullptr, iconSmall = nullptr;
    std::vector<HWND> children;
    std::unique_ptr<Control> control;
    std::unique_ptr<Dialog> dialog;
};

struct HotKey {
    HWND window;
    int id;
    UINT modifiers;
    UINT key;
};

struct Icon {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

struct State {
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<std::unique_ptr<WindowClass>> classes;
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<HotKey> hotKeys;
    HWND focus = nullptr;
    HWND desktop = nullptr;
    bool appActive = false;
    int cursorCount = 0;
    uintptr_t nextHandle = 0x10000;
    ATOM nextAtom = 0xC000;
    std::map<std::string, DialogTemplate> templates;
    std::map<std::string, std::unique_ptr<Icon>> icons;
    DialogDriver driver;
    int modalDepth = 0;
};

State& state();
Window* findWindow(HWND handle);
Window* topLevel(Window* window);
HWND newHandle();
bool ensureVideo();
void setError(DWORD error);

// Key of a template or icon: module and "#<id>" or the upper-cased name.
std::string resourceKey(HINSTANCE module, LPCSTR name);
HINSTANCE mainModule();

// Frame and caption sizes the style adds around the client area.
RECT frameInsets(DWORD style, DWORD exStyle);
void syncSdlGeometry(Window& window);
void clientSize(const Window& window, int& width, int& height);
void applyIcon(Window& window);
void syncSdlStyle(Window& window);
// Shows or hides a window and keeps its WS_VISIBLE bit; a top-level window on the screen too.
void setVisible(Window& window, bool visible);
// Shows or hides a top-level window's SDL window as its WS_VISIBLE bit says.
void syncSdlVisibility(Window& window);
// What the windowing system says of a top-level window's SDL window.
bool isShownOnScreen(const Window& window);
void destroySdl(Window& window);

// Message plumbing.
void pumpEvents();
void postWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void dropMessagesFor(HWND window);
// SIGINT and SIGTERM become a request to close, taken by the message pump.
void installStopSignals();
void requestStop();
void takeStopRequest();
UINT keyToVirtualKey(int sdlKey);

// Built-in window classes: dialogs and controls.
void registerSystemClasses();
LRESULT dialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT staticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT comboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT trackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void notifyParent(HWND control, WORD code);

// Dialog drawing (ImGui in a GL context of the dialog's own window).
DialogUi* createDialogUi(Window& dialog);
void destroyDialogUi(DialogUi* ui);
void queueDialogEvent(DialogUi* ui, const void* sdlEvent);
bool drawDialog(Window& dialog, std::vector<uint8_t>* capture, int* width, int* height);
bool dialogHasPopup(DialogUi* ui);
int dialogUnitsX(int units);
int dialogUnitsY(int units);

}  // namespace tormakelin::win32
