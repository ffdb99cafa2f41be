#pragma once
// Shared helpers of the window layer's tests.

#include <SDL2/SDL.h>

#include <sdl_window_bridge.h>
#include <windows.h>

#include <vector>

struct Recorded {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message that reaches recordingProc, in order.
inline std::vector<Recorded>& recorded() {
    static std::vector<Recorded> list;
    return list;
}

inline LRESULT recordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    recorded().push_back(Recorded{w, m, wp, lp});
    return DefWindowProcA(w, m, wp, lp);
}

inline HWND recordingWindow(DWORD style = WS_POPUP | WS_VISIBLE | WS_CAPTION, HWND parent = nullptr) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA c{};
        c.lpfnWndProc = recordingProc;
        c.lpszClassName = "RECORDING";
        registered = RegisterClassA(&c) != 0;
    }
    return CreateWindowExA(0, "RECORDING", "recording", style, 100, 50, 200, 120, parent, nullptr, nullptr, nullptr);
}

// Messages of one kind that reached a window.
inline std::vector<Recorded> recordedOf(HWND window, UINT message) {
    std::vector<Recorded> out;
    for (const Recorded& r : recorded())
        if (r.window == window && r.message == message) out.push_back(r);
    return out;
}

inline void drain() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.message != WM_QUIT) DispatchMessageA(&m);
}

inline Uint32 sdlId(HWND window) { return SDL_GetWindowID(tormakelinGetSDLWindow(window)); }

inline void pushKey(HWND window, SDL_Keycode key, Uint16 mod = 0, bool down = true, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = sdlId(window);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

inline void pushWindowEvent(HWND window, Uint8 event, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = sdlId(window);
    e.window.event = event;
    e.window.data1 = data1;
    e.window.data2 = data2;
    SDL_PushEvent(&e);
}
