// Window classes, window creation and destruction, and the SDL window behind a top-level HWND.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include "sdl_window_bridge.h"
#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

bool sameName(const std::string& key, LPCSTR name) {
    if (IS_INTRESOURCE(name)) return key == "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return strcasecmp(key.c_str(), name) == 0;
}

WindowClass* findClass(LPCSTR name, HINSTANCE instance, bool anyInstance) {
    if (!name) return nullptr;
    for (auto& c : state().classes)
        if (sameName(c->key, name) && (c->system || c->instance == instance)) return c.get();
    if (anyInstance)
        for (auto& c : state().classes)
            if (sameName(c->key, name)) return c.get();
    return nullptr;
}

ATOM addClass(const WNDCLASSEXA& info, bool system) {
    if (!info.lpszClassName || !info.lpfnWndProc) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (findClass(info.lpszClassName, info.hInstance, false)) {
        setError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_unique<WindowClass>();
    c->atom = state().nextAtom++;
    c->key = IS_INTRESOURCE(info.lpszClassName)
        ? "#" + std::to_string(reinterpret_cast<uintptr_t>(info.lpszClassName))
        : std::string(info.lpszClassName);
    c->instance = info.hInstance;
    c->info = info;
    c->info.lpszClassName = nullptr;  // the caller's text may not outlive the call
    c->info.lpszMenuName = nullptr;
    c->system = system;
    ATOM atom = c->atom;
    state().classes.push_back(std::move(c));
    return atom;
}

Uint32 sdlFlags(DWORD style) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    flags |= (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if ((style & WS_CAPTION) != WS_CAPTION && !(style & WS_THICKFRAME)) flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    return flags;
}

bool createSdlWindow(Window& w) {
    if (!ensureVideo()) return false;
    int width, height;
    clientSize(w, width, height);
    RECT insets = frameInsets(w.style, w.exStyle);
    w.sdl = SDL_CreateWindow(w.text.c_str(), w.rect.left + insets.left, w.rect.top + insets.top,
                             std::max(1, width), std::max(1, height), sdlFlags(w.style));
    if (!w.sdl) return false;
    SDL_SetWindowData(w.sdl, "tormakelin.hwnd", w.handle);
    return true;
}

void removeChild(HWND parent, HWND child) {
    if (Window* p = findWindow(parent)) p->children.erase(std::remove(p->children.begin(), p->children.end(), child), p->children.end());
}

void destroyTree(HWND handle) {
    if (!findWindow(handle)) return;
    SendMessageA(handle, WM_DESTROY, 0, 0);
    Window* w = findWindow(handle);
    std::vector<HWND> children = w ? w->children : std::vector<HWND>{};
    for (HWND child : children)
        if (Window* c = findWindow(child); c && !c->destroying) {
            c->destroying = true;
            destroyTree(child);
        }
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
}

}  // namespace

void clientSize(const Window& w, int& width, int& height) {
    RECT insets = frameInsets(w.style, w.exStyle);
    width = std::max<LONG>(0, (w.rect.right - w.rect.left) - insets.left - insets.right);
    height = std::max<LONG>(0, (w.rect.bottom - w.rect.top) - insets.top - insets.bottom);
}

RECT frameInsets(DWORD style, DWORD exStyle) {
    RECT r{0, 0, 0, 0};
    if (style & WS_CHILD && !(style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME))) return r;
    int frame = 0;
    if (style & WS_THICKFRAME) frame = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) frame = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER) frame = GetSystemMetrics(SM_CXBORDER);
    r.left = r.right = r.top = r.bottom = frame;
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += GetSystemMetrics(SM_CYCAPTION);
    return r;
}

void syncSdlGeometry(Window& w) {
    if (!w.sdl) return;
    RECT insets = frameInsets(w.style, w.exStyle);
    int width, height;
    clientSize(w, width, height);
    SDL_SetWindowSize(w.sdl, std::max(1, width), std::max(1, height));
    SDL_SetWindowPosition(w.sdl, w.rect.left + insets.left, w.rect.top + insets.top);
}

void syncSdlStyle(Window& w) {
    if (!w.sdl) return;
    SDL_SetWindowBordered(w.sdl, ((w.style & WS_CAPTION) == WS_CAPTION || (w.style & WS_THICKFRAME)) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w.sdl, (w.style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
}

void destroySdl(Window& w) {
    if (!w.sdl) return;
    SDL_SetWindowData(w.sdl, "tormakelin.hwnd", nullptr);
    SDL_DestroyWindow(w.sdl);
    w.sdl = nullptr;
}

void registerSystemClasses() {
    struct Entry {
        const char* name;
        WNDPROC proc;
    };
    const Entry entries[] = {{"#32770", dialogWindowProc}, {"BUTTON", buttonProc},   {"EDIT", editProc},
                             {"STATIC", staticProc},       {"COMBOBOX", comboProc}, {TRACKBAR_CLASSA, trackbarProc}};
    for (const Entry& e : entries) {
        WNDCLASSEXA info{};
        info.cbSize = sizeof(info);
        info.lpfnWndProc = e.proc;
        info.lpszClassName = e.name;
        addClass(info, true);
        state().classes.back()->key = e.name;
    }
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

ATOM RegisterClassA(const WNDCLASSA* c) {
    if (!c) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXA info{};
    info.cbSize = sizeof(info);
    info.style = c->style;
    info.lpfnWndProc = c->lpfnWndProc;
    info.cbClsExtra = c->cbClsExtra;
    info.cbWndExtra = c->cbWndExtra;
    info.hInstance = c->hInstance;
    info.hIcon = c->hIcon;
    info.hCursor = c->hCursor;
    info.hbrBackground = c->hbrBackground;
    info.lpszClassName = c->lpszClassName;
    return addClass(info, false);
}

ATOM RegisterClassExA(const WNDCLASSEXA* c) {
    if (!c || c->cbSize != sizeof(WNDCLASSEXA)) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return addClass(*c, false);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    auto& classes = state().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        WindowClass& c = **it;
        if (c.system || c.instance != instance || !sameName(c.key, className)) continue;
        if (c.windows > 0) {
            setError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
        classes.erase(it);
        return TRUE;
    }
    setError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* out) {
    WindowClass* c = findClass(className, instance, false);
    if (!c || !out) {
        setError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *out = WNDCLASSA{c->info.style, c->info.lpfnWndProc, c->info.cbClsExtra, c->info.cbWndExtra, c->info.hInstance,
                     c->info.hIcon, c->info.hCursor, c->info.hbrBackground, nullptr, className};
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    State& s = state();
    WindowClass* c = findClass(className, instance, true);
    if (!c) {
        setError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent && !findWindow(parent)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if ((style & WS_CHILD) && !parent) {
        setError(ERROR_INVALID_PARAMETER);  // a child needs a parent
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = 64;
    if (width == CW_USEDEFAULT) width = height = 640;
    auto w = std::make_unique<Window>();
    w->handle = newHandle();
    w->windowClass = c;
    w->proc = c->info.lpfnWndProc;
    w->instance = instance;
    w->style = style;
    w->exStyle = exStyle;
    w->parent = parent;
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    w->text = windowName ? windowName : "";
    w->enabled = !(style & WS_DISABLED);
    if (style & WS_CHILD) w->id = reinterpret_cast<LONG_PTR>(menu);
    HWND handle = w->handle;
    Window* window = w.get();
    if (!(style & WS_CHILD) && !createSdlWindow(*window)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    s.windows[handle] = std::move(w);
    c->windows++;
    if (parent) findWindow(parent)->children.push_back(handle);

    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, LONG(style), windowName,
                     IS_INTRESOURCE(className) ? nullptr : className, exStyle};
    if (!SendMessageA(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(handle);
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (findWindow(handle) && (style & WS_VISIBLE) && !(style & WS_CHILD)) s.focus = handle;
    return findWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
    State& s = state();
    Window* w = findWindow(handle);
    if (!w || handle == s.desktop || w->destroying) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->destroying = true;
    destroyTree(handle);
    // Children first out of the table, then the window itself.
    std::vector<HWND> doomed;
    std::vector<HWND> stack{handle};
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        doomed.push_back(h);
        if (Window* x = findWindow(h)) stack.insert(stack.end(), x->children.begin(), x->children.end());
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        Window* x = findWindow(*it);
        if (!x) continue;
        if (x->parent && *it == handle) removeChild(x->parent, *it);
        destroySdl(*x);
        if (x->windowClass) x->windowClass->windows--;
        dropMessagesFor(*it);
        s.hotKeys.erase(std::remove_if(s.hotKeys.begin(), s.hotKeys.end(), [&](const HotKey& k) { return k.window == *it; }),
                        s.hotKeys.end());
        if (s.focus == *it) s.focus = nullptr;
        s.windows.erase(*it);
    }
    return TRUE;
}

BOOL IsWindow(HWND window) { return findWindow(window) != nullptr; }

HWND GetDesktopWindow() { return state().desktop; }

HWND GetParent(HWND window) {
    Window* w = findWindow(window);
    return w ? w->parent : nullptr;
}

SDL_Window* tormakelinGetSDLWindow(HWND window) {
    Window* w = topLevel(findWindow(window));
    return w ? w->sdl : nullptr;
}

void tormakelinFocusWindow(HWND window) {
    if (findWindow(window)) SetForegroundWindow(window);
}
