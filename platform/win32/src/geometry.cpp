// Window placement, visibility, focus and system metrics.
#include <SDL2/SDL.h>

#include <algorithm>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

// Screen position of a window's client origin.
POINT clientOrigin(Window* w) {
    POINT p{0, 0};
    while (w) {
        RECT insets = frameInsets(w->style, w->exStyle);
        p.x += w->rect.left + insets.left;
        p.y += w->rect.top + insets.top;
        w = (w->style & WS_CHILD) ? findWindow(w->parent) : nullptr;
    }
    return p;
}

LPARAM clientSizeParam(const Window& w) {
    int width, height;
    clientSize(w, width, height);
    return MAKELPARAM(width, height);
}

void sendSize(HWND handle, WPARAM kind) {
    Window* w = findWindow(handle);
    if (!w) return;
    SendMessageA(handle, WM_SIZE, kind, kind == SIZE_MINIMIZED ? 0 : clientSizeParam(*w));
}

}  // namespace

void setVisible(Window& w, bool visible) {
    bool was = (w.style & WS_VISIBLE) != 0;
    if (visible) w.style |= WS_VISIBLE;
    else w.style &= ~WS_VISIBLE;
    syncSdlVisibility(w);
    if (was != visible) SendMessageA(w.handle, WM_SHOWWINDOW, visible, 0);
}

void syncSdlVisibility(Window& w) {
    if (!w.sdl) return;
    // The style bit may say one thing and the screen another (the device layer shows windows too).
    const bool visible = (w.style & WS_VISIBLE) != 0;
    if (isShownOnScreen(w) != visible) visible ? SDL_ShowWindow(w.sdl) : SDL_HideWindow(w.sdl);
}

bool isShownOnScreen(const Window& w) {
    const Uint32 flags = SDL_GetWindowFlags(w.sdl);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_HIDDEN);
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        SDL_DisplayMode mode{};
        if (!ensureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return index == SM_CXSCREEN ? 1024 : 768;
        return index == SM_CXSCREEN ? mode.w : mode.h;
    }
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle) {
    if (!rect) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT insets = frameInsets(style, exStyle);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    Window* w = findWindow(handle);
    if (!w || !rect) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = w->rect;
    if ((w->style & WS_CHILD) && w->parent) {
        POINT o = clientOrigin(findWindow(w->parent));
        rect->left += o.x;
        rect->right += o.x;
        rect->top += o.y;
        rect->bottom += o.y;
    }
    return TRUE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
    Window* w = findWindow(handle);
    if (!w || !rect) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int width, height;
    clientSize(*w, width, height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND, int x, int y, int width, int height, UINT flags) {
    Window* w = findWindow(handle);
    if (!w || handle == state().desktop) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT old = w->rect;
    RECT r = old;
    if (!(flags & SWP_NOMOVE)) {
        r.right = x + (old.right - old.left);
        r.bottom = y + (old.bottom - old.top);
        r.left = x;
        r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(0, width);
        r.bottom = r.top + std::max(0, height);
    }
    w->rect = r;
    if (w->show == ShowState::Normal) w->normalRect = r;
    syncSdlGeometry(*w);
    if (flags & SWP_SHOWWINDOW) setVisible(*w, true);
    if (flags & SWP_HIDEWINDOW) setVisible(*w, false);
    if (r.left != old.left || r.top != old.top) SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
    bool resized = (r.right - r.left) != (old.right - old.left) || (r.bottom - r.top) != (old.bottom - old.top);
    if (resized && findWindow(handle)) {
        WPARAM kind = w->show == ShowState::Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        if (w->show != ShowState::Minimized) sendSize(handle, kind);
    }
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ShowWindow(HWND handle, int command) {
    Window* w = findWindow(handle);
    if (!w || handle == state().desktop) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
        setVisible(*w, false);
        return wasVisible;
    }
    if (w->show == ShowState::Normal) w->normalRect = w->rect;
    setVisible(*w, true);
    if (!(w = findWindow(handle))) return wasVisible;
    switch (command) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (w->show == ShowState::Minimized) break;
        w->show = ShowState::Minimized;
        w->style |= WS_MINIMIZE;
        w->style &= ~WS_MAXIMIZE;
        if (w->sdl) SDL_MinimizeWindow(w->sdl);
        sendSize(handle, SIZE_MINIMIZED);
        break;
    case SW_MAXIMIZE:
        if (w->show == ShowState::Maximized) break;
        w->show = ShowState::Maximized;
        w->style |= WS_MAXIMIZE;
        w->style &= ~WS_MINIMIZE;
        if (!(w->style & WS_CHILD)) {
            RECT insets = frameInsets(w->style, w->exStyle);
            w->rect = RECT{-insets.left, -insets.top, GetSystemMetrics(SM_CXSCREEN) + insets.right,
                           GetSystemMetrics(SM_CYSCREEN) + insets.bottom};
        }
        if (w->sdl) SDL_MaximizeWindow(w->sdl);
        sendSize(handle, SIZE_MAXIMIZED);
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (w->show == ShowState::Normal) break;
        w->show = ShowState::Normal;
        w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        w->rect = w->normalRect;
        if (w->sdl) SDL_RestoreWindow(w->sdl);
        syncSdlGeometry(*w);
        w->invalid = true;
        sendSize(handle, SIZE_RESTORED);
        break;
    default: break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
    Window* w = findWindow(handle);
    if (!w) return FALSE;
    if (w->invalid) SendMessageA(handle, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL IsWindowVisible(HWND handle) {
    // A child is visible with its own bit and every parent's; a top-level window is what the
    // windowing system shows.
    for (Window* w = findWindow(handle); w; w = findWindow(w->parent)) {
        if (w->sdl) return isShownOnScreen(*w);
        if (!(w->style & WS_VISIBLE)) return FALSE;
        if (!(w->style & WS_CHILD)) return TRUE;
    }
    return FALSE;
}

BOOL IsIconic(HWND handle) {
    Window* w = findWindow(handle);
    return w && w->show == ShowState::Minimized;
}

BOOL IsZoomed(HWND handle) {
    Window* w = findWindow(handle);
    return w && w->show == ShowState::Maximized;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* w = findWindow(handle);
    if (!w) return FALSE;
    BOOL wasDisabled = !w->enabled;
    if (w->enabled != bool(enable)) {
        w->enabled = enable != FALSE;
        if (enable) w->style &= ~WS_DISABLED;
        else w->style |= WS_DISABLED;
        SendMessageA(handle, WM_ENABLE, enable, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND handle) {
    Window* w = findWindow(handle);
    return w && w->enabled;
}

BOOL InvalidateRect(HWND handle, const RECT*, BOOL) {
    if (!handle) {
        for (auto& [h, w] : state().windows)
            if (h != state().desktop) w->invalid = true;
        return TRUE;
    }
    Window* w = findWindow(handle);
    if (!w) return FALSE;
    w->invalid = true;
    return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT*) {
    Window* w = findWindow(handle);
    if (!w) return FALSE;
    w->invalid = false;
    return TRUE;
}

HWND SetFocus(HWND handle) {
    State& s = state();
    if (handle && !findWindow(handle)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = s.focus;
    if (previous == handle) return previous;
    s.focus = handle;
    if (previous && findWindow(previous)) SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (handle && findWindow(handle)) SendMessageA(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() { return state().focus; }

HWND GetActiveWindow() {
    Window* w = topLevel(findWindow(state().focus));
    return w ? w->handle : nullptr;
}

HWND SetActiveWindow(HWND handle) {
    HWND previous = GetActiveWindow();
    Window* w = topLevel(findWindow(handle));
    if (w && GetActiveWindow() != w->handle) SetFocus(w->handle);
    return previous;
}

BOOL SetForegroundWindow(HWND handle) {
    Window* w = findWindow(handle);
    if (!w) return FALSE;
    if (w->sdl && !isHeadless()) SDL_RaiseWindow(w->sdl);
    SetActiveWindow(handle);
    return TRUE;
}
