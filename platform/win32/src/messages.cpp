// The message queue and the SDL events it is fed from.
#include <SDL2/SDL.h>

#include <algorithm>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

bool g_focusLost = false;
bool g_focusGained = false;

bool isDescendant(HWND window, HWND ancestor) {
    for (Window* w = findWindow(window); w; w = (w->style & WS_CHILD) ? findWindow(w->parent) : nullptr)
        if (w->handle == ancestor) return true;
    return false;
}

bool matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
    if (filter == reinterpret_cast<HWND>(-1)) {
        if (m.hwnd) return false;
    } else if (filter && !isDescendant(m.hwnd, filter)) {
        return false;
    }
    return (lo == 0 && hi == 0) || (m.message >= lo && m.message <= hi);
}

bool inRange(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{window, message, wParam, lParam, static_cast<DWORD>(SDL_WasInit(SDL_INIT_TIMER | SDL_INIT_VIDEO) ? SDL_GetTicks() : 0), {0, 0}};
    return m;
}

Window* windowOfEvent(Uint32 windowId) {
    SDL_Window* sdl = SDL_GetWindowFromID(windowId);
    if (!sdl) return nullptr;
    return findWindow(static_cast<HWND>(SDL_GetWindowData(sdl, "tormakelin.hwnd")));
}

UINT modifiersOf(Uint16 mod) {
    UINT m = 0;
    if (mod & KMOD_ALT) m |= MOD_ALT;
    if (mod & KMOD_CTRL) m |= MOD_CONTROL;
    if (mod & KMOD_SHIFT) m |= MOD_SHIFT;
    if (mod & KMOD_GUI) m |= MOD_WIN;
    return m;
}

// True when the key press belongs to a hot key: posted as WM_HOTKEY, or swallowed as a repeat
// the hot key does not want.
bool takenByHotKey(const Window& w, const SDL_KeyboardEvent& e, UINT vk, UINT mods) {
    for (const HotKey& k : state().hotKeys) {
        if (k.key != vk || (k.modifiers & ~MOD_NOREPEAT) != mods) continue;
        if (k.window && topLevel(findWindow(k.window)) != &w) continue;
        if (e.repeat && (k.modifiers & MOD_NOREPEAT)) return true;
        postWindowMessage(k.window, WM_HOTKEY, WPARAM(k.id), MAKELPARAM(mods & ~MOD_NOREPEAT, vk));
        return true;
    }
    return false;
}

// Repeat count 1, the scan code, the context bit for Alt, and the previous and transition
// states.
LPARAM keyFlags(const SDL_KeyboardEvent& e, bool down, bool alt) {
    LPARAM lParam = 1 | (LPARAM(e.keysym.scancode & 0xFF) << 16);
    if (alt) lParam |= LPARAM(1) << 29;
    if (!down) lParam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    else if (e.repeat) lParam |= LPARAM(1) << 30;
    return lParam;
}

void translateKey(Window& w, const SDL_KeyboardEvent& e) {
    State& s = state();
    UINT vk = keyToVirtualKey(e.keysym.sym);
    if (!vk || !w.enabled) return;
    bool down = e.type == SDL_KEYDOWN;
    UINT mods = modifiersOf(e.keysym.mod);
    if (down && takenByHotKey(w, e, vk, mods)) return;
    HWND target = (s.focus && isDescendant(s.focus, w.handle)) ? s.focus : w.handle;
    bool alt = (mods & MOD_ALT) && !(mods & MOD_CONTROL);
    UINT message = (alt || vk == VK_F10) ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    postWindowMessage(target, message, vk, keyFlags(e, down, alt));
}

void sizeEvent(Window& w, ShowState show, WPARAM kind) {
    if (w.show == show && show != ShowState::Normal) return;  // ShowWindow told it already
    w.show = show;
    w.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    if (show == ShowState::Minimized) w.style |= WS_MINIMIZE;
    if (show == ShowState::Maximized) w.style |= WS_MAXIMIZE;
    int width, height;
    clientSize(w, width, height);
    if (show != ShowState::Minimized) w.invalid = true;
    postWindowMessage(w.handle, WM_SIZE, kind, show == ShowState::Minimized ? 0 : MAKELPARAM(width, height));
}

void resizedEvent(Window& w, int width, int height) {
    int cw, ch;
    clientSize(w, cw, ch);
    if (cw == width && ch == height) return;  // our own SetWindowPos
    RECT insets = frameInsets(w.style, w.exStyle);
    w.rect.right = w.rect.left + width + insets.left + insets.right;
    w.rect.bottom = w.rect.top + height + insets.top + insets.bottom;
    if (w.show == ShowState::Normal) w.normalRect = w.rect;
    w.invalid = true;
    postWindowMessage(w.handle, WM_SIZE, w.show == ShowState::Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                      MAKELPARAM(width, height));
}

// Full screen covers the display without changing the window's own rectangle (the device's mode
// is the size the program asked for); the sizes it passes through are not the program's to see.
bool fullscreenGeometry(const Window& w, const SDL_WindowEvent& e) {
    if (!w.sdl || (e.event != SDL_WINDOWEVENT_SIZE_CHANGED && e.event != SDL_WINDOWEVENT_MOVED)) return false;
    if (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN) return true;
    if (e.event != SDL_WINDOWEVENT_SIZE_CHANGED) return false;
    int width = 0, height = 0;
    SDL_GetWindowSize(w.sdl, &width, &height);
    return width != e.data1 || height != e.data2;  // queued before the window left full screen
}

void translateWindowEvent(Window& w, const SDL_WindowEvent& e) {
    if (fullscreenGeometry(w, e)) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED: w.invalid = true; break;
    case SDL_WINDOWEVENT_MINIMIZED: sizeEvent(w, ShowState::Minimized, SIZE_MINIMIZED); break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        // Some window managers call a full-screen window maximised; that is not the user's maximise.
        if (w.sdl && (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN)) break;
        sizeEvent(w, ShowState::Maximized, SIZE_MAXIMIZED);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (w.show != ShowState::Normal) sizeEvent(w, ShowState::Normal, SIZE_RESTORED);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: resizedEvent(w, e.data1, e.data2); break;
    case SDL_WINDOWEVENT_MOVED: {
        RECT insets = frameInsets(w.style, w.exStyle);
        LONG x = e.data1 - insets.left, y = e.data2 - insets.top;
        if (x == w.rect.left && y == w.rect.top) break;
        w.rect = RECT{x, y, x + (w.rect.right - w.rect.left), y + (w.rect.bottom - w.rect.top)};
        if (w.show == ShowState::Normal) w.normalRect = w.rect;
        break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        g_focusGained = true;
        g_focusLost = false;
        if (!state().focus || !isDescendant(state().focus, w.handle)) state().focus = w.handle;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST: g_focusLost = true; break;
    case SDL_WINDOWEVENT_CLOSE:
        if (w.enabled) postWindowMessage(w.handle, WM_CLOSE, 0, 0);
        break;
    default: break;
    }
}

void postActivation(bool active) {
    State& s = state();
    if (s.appActive == active) return;
    s.appActive = active;
    for (auto& [h, w] : s.windows)
        if (h != s.desktop && !(w->style & WS_CHILD)) postWindowMessage(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

void translate(const SDL_Event& e) {
    Uint32 id = 0;
    switch (e.type) {
    case SDL_WINDOWEVENT: id = e.window.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: id = e.key.windowID; break;
    case SDL_TEXTINPUT: id = e.text.windowID; break;
    case SDL_MOUSEMOTION: id = e.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: id = e.button.windowID; break;
    case SDL_MOUSEWHEEL: id = e.wheel.windowID; break;
    // SDL's own signal handler, when SDL started before this layer, says it this way.
    case SDL_QUIT: requestStop(); return;
    default: return;
    }
    Window* w = windowOfEvent(id);
    // X hands SDL the keyboard a moment after the window has it; keys of that moment go where
    // this layer's focus is.
    if (!w && id == 0 && (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)) w = topLevel(findWindow(state().focus));
    if (!w) return;
    bool input = e.type != SDL_WINDOWEVENT;
    if (w->dialog && w->dialog->ui && (!input || w->enabled)) queueDialogEvent(w->dialog->ui, &e);
    if (e.type == SDL_WINDOWEVENT) translateWindowEvent(*w, e.window);
    else if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) translateKey(*w, e.key);
}

}  // namespace

void postWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    state().queue.push_back(makeMessage(window, message, wParam, lParam));
}

void dropMessagesFor(HWND window) {
    auto& q = state().queue;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const MSG& m) { return m.hwnd == window; }), q.end());
}

void pumpEvents() {
    takeStopRequest();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    SDL_Event e;
    g_focusGained = g_focusLost = false;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) translate(e);
    if (g_focusGained) postActivation(true);
    else if (g_focusLost) postActivation(false);
}

UINT keyToVirtualKey(int key) {
    if (key >= SDLK_a && key <= SDLK_z) return UINT('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return UINT('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return UINT(VK_F1 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F24) return UINT(VK_F1 + 12 + (key - SDLK_F13));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return UINT(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
    switch (key) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
    }
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !findWindow(window)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    postWindowMessage(window, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(window);
    if (!w || !w->proc) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDPROC proc = w->proc;  // the window may be gone when the call returns
    return proc(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    state().quitPosted = true;
    state().quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT lo, UINT hi, UINT removeFlags) {
    State& s = state();
    pumpEvents();
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (!matches(*it, window, lo, hi)) continue;
        if (msg) *msg = *it;
        if (removeFlags & PM_REMOVE) s.queue.erase(it);
        return TRUE;
    }
    if (s.quitPosted && inRange(WM_QUIT, lo, hi)) {
        if (msg) *msg = makeMessage(nullptr, WM_QUIT, WPARAM(s.quitCode), 0);
        if (removeFlags & PM_REMOVE) s.quitPosted = false;
        return TRUE;
    }
    if (inRange(WM_PAINT, lo, hi) && window != reinterpret_cast<HWND>(-1)) {
        for (auto& [h, w] : s.windows) {
            if (!w->invalid || !(w->style & WS_VISIBLE) || (window && !isDescendant(h, window))) continue;
            if (msg) *msg = makeMessage(h, WM_PAINT, 0, 0);
            return TRUE;  // stays until the window is validated
        }
    }
    return FALSE;
}

BOOL WaitMessage() {
    State& s = state();
    while (true) {
        pumpEvents();
        if (!s.queue.empty() || s.quitPosted) return TRUE;
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_WaitEventTimeout(nullptr, 50);
        else Sleep(10);
    }
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT lo, UINT hi) {
    if (!msg) {
        setError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    while (true) {
        if (PeekMessageA(msg, window, lo, hi, PM_REMOVE)) return msg->message != WM_QUIT;
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_WaitEventTimeout(nullptr, 50);
        else Sleep(10);
    }
}

BOOL TranslateMessage(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN);
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
    State& s = state();
    if (window && !findWindow(window)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (const HotKey& k : s.hotKeys)
        if (k.key == virtualKey && (k.modifiers & ~MOD_NOREPEAT) == (modifiers & ~MOD_NOREPEAT)) {
            setError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    s.hotKeys.push_back(HotKey{window, id, modifiers, virtualKey});
    return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id) {
    auto& keys = state().hotKeys;
    auto it = std::find_if(keys.begin(), keys.end(), [&](const HotKey& k) { return k.window == window && k.id == id; });
    if (it == keys.end()) {
        setError(ERROR_HOTKEY_NOT_REGISTERED);
        return FALSE;
    }
    keys.erase(it);
    return TRUE;
}
