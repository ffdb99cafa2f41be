#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "test_support.h"

TEST(Messages, PostedMessagesArriveInOrderAndPeekCanLeaveThem) {
    drain();
    HWND w = recordingWindow();
    PostMessageA(w, WM_USER + 1, 1, 0);
    PostMessageA(nullptr, WM_USER + 2, 2, 0);
    PostMessageA(w, WM_USER + 3, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1)) << "PM_NOREMOVE leaves the message queued";
    for (UINT expected : {WM_USER + 1, WM_USER + 2, WM_USER + 3}) {
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, expected);
        EXPECT_EQ(m.hwnd, expected == WM_USER + 2 ? nullptr : w);
    }
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0)) << "unknown window";
    DestroyWindow(w);
}

TEST(Messages, FiltersSelectWindowAndRange) {
    drain();
    HWND a = recordingWindow(), b = recordingWindow();
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_APP, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_APP)) << "-1 selects thread messages";
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_APP, WM_APP + 10, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(m.hwnd, a);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(Messages, QuitEndsGetMessageAfterQueuedMessages) {
    drain();
    HWND w = recordingWindow();
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(7);
    PostMessageA(w, WM_USER + 1, 0, 0);
    MSG m;
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, UINT(WM_USER));
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, WPARAM(7));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "the quit message is taken once";
    DestroyWindow(w);
}

TEST(Messages, SendCallsTheProcedureAndDispatchDelivers) {
    drain();
    HWND w = recordingWindow();
    recorded().clear();
    EXPECT_EQ(SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hello")), TRUE);
    ASSERT_EQ(recorded().size(), 1u);
    EXPECT_EQ(recorded()[0].message, UINT(WM_SETTEXT));
    PostMessageA(w, WM_USER + 9, 4, 5);
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    DispatchMessageA(&m);
    ASSERT_EQ(recorded().size(), 2u);
    EXPECT_EQ(recorded()[1].message, UINT(WM_USER + 9));
    EXPECT_EQ(recorded()[1].lParam, 5);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0), 0);
    DestroyWindow(w);
}

TEST(Messages, KeysBecomeVirtualKeyMessages) {
    drain();
    HWND w = recordingWindow();
    recorded().clear();
    struct Case {
        SDL_Keycode key;
        Uint16 mod;
        UINT message;
        WPARAM vk;
    } cases[] = {
        {SDLK_ESCAPE, 0, WM_KEYDOWN, VK_ESCAPE}, {SDLK_F1, 0, WM_KEYDOWN, VK_F1},   {SDLK_F2, 0, WM_KEYDOWN, VK_F2},
        {SDLK_a, 0, WM_KEYDOWN, 'A'},            {SDLK_7, 0, WM_KEYDOWN, '7'},      {SDLK_RETURN, 0, WM_KEYDOWN, VK_RETURN},
        {SDLK_LEFT, 0, WM_KEYDOWN, VK_LEFT},     {SDLK_F4, KMOD_LALT, WM_SYSKEYDOWN, VK_F4},
    };
    for (const Case& c : cases) pushKey(w, c.key, c.mod);
    pushKey(w, SDLK_ESCAPE, 0, false);
    drain();
    auto keys = recordedOf(w, WM_KEYDOWN);
    auto sys = recordedOf(w, WM_SYSKEYDOWN);
    ASSERT_EQ(keys.size(), 7u);
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i].wParam, cases[i].vk) << i;
    ASSERT_EQ(sys.size(), 1u);
    EXPECT_EQ(sys[0].wParam, WPARAM(VK_F4));
    auto up = recordedOf(w, WM_KEYUP);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].wParam, WPARAM(VK_ESCAPE));
    EXPECT_NE(up[0].lParam & (LPARAM(1) << 31), 0) << "transition bit of a key release";
    if (IsWindow(w)) DestroyWindow(w);  // Alt+F4 may have closed it
}

TEST(Messages, AltEnterHotKeyArrivesAsWmHotkey) {
    drain();
    HWND w = recordingWindow();
    ASSERT_TRUE(RegisterHotKey(w, 0xD000, MOD_ALT, VK_RETURN));
    EXPECT_FALSE(RegisterHotKey(w, 0xD001, MOD_ALT, VK_RETURN));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));
    recorded().clear();
    pushKey(w, SDLK_RETURN, KMOD_LALT);
    pushKey(w, SDLK_RETURN, 0);
    drain();
    auto hot = recordedOf(w, WM_HOTKEY);
    ASSERT_EQ(hot.size(), 1u);
    EXPECT_EQ(hot[0].wParam, WPARAM(0xD000));
    EXPECT_EQ(LOWORD(hot[0].lParam), MOD_ALT);
    EXPECT_EQ(HIWORD(hot[0].lParam), VK_RETURN);
    EXPECT_TRUE(recordedOf(w, WM_SYSKEYDOWN).empty()) << "the hot key takes the key";
    EXPECT_EQ(recordedOf(w, WM_KEYDOWN).size(), 1u) << "plain Enter stays a key";
    EXPECT_TRUE(UnregisterHotKey(w, 0xD000));
    EXPECT_FALSE(UnregisterHotKey(w, 0xD000));
    ASSERT_TRUE(RegisterHotKey(w, 0xD000, MOD_ALT, VK_RETURN));
    DestroyWindow(w);
    HWND other = recordingWindow();
    EXPECT_TRUE(RegisterHotKey(other, 1, MOD_ALT, VK_RETURN)) << "a destroyed window gives its hot keys back";
    DestroyWindow(other);
}

// A hot key of one window leaves the same key alone in another, held or not; in its own window
// a no-repeat hot key fires once and swallows the repeats.
TEST(Messages, NoRepeatHotKeyKeepsToItsOwnWindow) {
    drain();
    HWND owner = recordingWindow(), other = recordingWindow();
    ASSERT_TRUE(RegisterHotKey(owner, 7, MOD_ALT | MOD_NOREPEAT, VK_RETURN));
    recorded().clear();
    for (Uint8 repeat : {0, 1, 1}) {
        pushKey(owner, SDLK_RETURN, KMOD_LALT, true, repeat);
        pushKey(other, SDLK_RETURN, KMOD_LALT, true, repeat);
    }
    drain();
    EXPECT_EQ(recordedOf(owner, WM_HOTKEY).size(), 1u);
    EXPECT_TRUE(recordedOf(owner, WM_SYSKEYDOWN).empty());
    EXPECT_TRUE(recordedOf(other, WM_HOTKEY).empty());
    EXPECT_EQ(recordedOf(other, WM_SYSKEYDOWN).size(), 3u) << "the held key reaches the other window";
    EXPECT_TRUE(UnregisterHotKey(owner, 7));
    DestroyWindow(owner);
    DestroyWindow(other);
}

TEST(Messages, WindowEventsBecomeSizeActivateAndClose) {
    drain();
    HWND w = recordingWindow();
    recorded().clear();
    pushWindowEvent(w, SDL_WINDOWEVENT_MINIMIZED);
    pushWindowEvent(w, SDL_WINDOWEVENT_RESTORED);
    pushWindowEvent(w, SDL_WINDOWEVENT_MAXIMIZED);
    pushWindowEvent(w, SDL_WINDOWEVENT_RESTORED);
    SDL_SetWindowSize(tormakelinGetSDLWindow(w), 333, 222);  // as a user's drag: SDL's size, then the event
    drain();
    auto sizes = recordedOf(w, WM_SIZE);
    ASSERT_EQ(sizes.size(), 5u);
    const WPARAM kinds[] = {SIZE_MINIMIZED, SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_RESTORED, SIZE_RESTORED};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(sizes[i].wParam, kinds[i]) << i;
    EXPECT_EQ(LOWORD(sizes[4].lParam), 333);
    EXPECT_EQ(HIWORD(sizes[4].lParam), 222);
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 333);
    EXPECT_EQ(client.bottom, 222);

    pushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_GAINED);
    drain();
    pushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_LOST);
    drain();
    auto activations = recordedOf(w, WM_ACTIVATEAPP);
    ASSERT_GE(activations.size(), 1u);
    EXPECT_EQ(activations.back().wParam, WPARAM(FALSE));

    pushWindowEvent(w, SDL_WINDOWEVENT_CLOSE);
    drain();
    EXPECT_EQ(recordedOf(w, WM_CLOSE).size(), 1u);
    EXPECT_EQ(recordedOf(w, WM_DESTROY).size(), 1u) << "DefWindowProc destroys a closed window";
    EXPECT_FALSE(IsWindow(w));
}

TEST(Messages, FullScreenSizesStayOutOfTheWindowsRectangle) {
    drain();
    HWND w = recordingWindow(WS_POPUP | WS_VISIBLE);
    SDL_Window* sdl = tormakelinGetSDLWindow(w);
    recorded().clear();
    ASSERT_EQ(SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP), 0);
    pushWindowEvent(w, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768);
    pushWindowEvent(w, SDL_WINDOWEVENT_MOVED, 0, 0);
    drain();
    // Left as the device layer leaves it: its own size again, then a size from full screen that
    // was queued before.
    SDL_SetWindowFullscreen(sdl, 0);
    SDL_SetWindowSize(sdl, 200, 120);
    pushWindowEvent(w, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768);
    drain();
    EXPECT_TRUE(recordedOf(w, WM_SIZE).empty());
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 120);
    DestroyWindow(w);
}

TEST(Windows, VisibilityIsWhatTheScreenShows) {
    HWND w = recordingWindow(WS_POPUP);
    HWND child = recordingWindow(WS_CHILD | WS_VISIBLE, w);
    SDL_Window* sdl = tormakelinGetSDLWindow(w);
    auto shown = [&] { return (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) != 0; };
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(IsWindowVisible(child)) << "a child of a hidden window";

    SetWindowLongA(w, GWL_STYLE, LONG(WS_POPUP | WS_VISIBLE));
    EXPECT_TRUE(shown()) << "the style's visible bit shows the window";
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(IsWindowVisible(child));
    SetWindowLongA(w, GWL_STYLE, LONG(WS_POPUP));
    EXPECT_FALSE(shown());

    // Shown behind the layer's back (the device layer does for full screen): the screen answers.
    SDL_ShowWindow(sdl);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(w, SW_HIDE);
    EXPECT_FALSE(shown()) << "hiding a window the style already calls hidden";
    ShowWindow(w, SW_SHOW);
    EXPECT_TRUE(shown());
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_TRUE(IsWindowVisible(w));
    DestroyWindow(w);
}

TEST(Messages, DisabledWindowGetsNoInput) {
    drain();
    HWND w = recordingWindow();
    EnableWindow(w, FALSE);
    recorded().clear();
    pushKey(w, SDLK_ESCAPE);
    pushWindowEvent(w, SDL_WINDOWEVENT_CLOSE);
    drain();
    EXPECT_TRUE(recordedOf(w, WM_KEYDOWN).empty());
    EXPECT_TRUE(IsWindow(w));
    EnableWindow(w, TRUE);
    DestroyWindow(w);
}

TEST(Messages, InvalidWindowGetsPaintUntilValidated) {
    drain();
    HWND w = recordingWindow();
    InvalidateRect(w, nullptr, TRUE);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "paint stays until the window is validated";
    DispatchMessageA(&m);  // DefWindowProc validates
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(w);
}

TEST(Windows, ClassesRefuseDuplicatesAndKeepClassesInUse) {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.lpszClassName = "DUPLICATE";
    ASSERT_NE(RegisterClassA(&c), 0);
    EXPECT_EQ(RegisterClassA(&c), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    HWND w = CreateWindowExA(0, "duplicate", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr) << "class names ignore case";
    EXPECT_FALSE(UnregisterClassA("DUPLICATE", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("DUPLICATE", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "DUPLICATE", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST(Windows, DestroySendsDestroyToParentThenChildrenAndDropsTheirMessages) {
    drain();
    HWND parent = recordingWindow();
    HWND child = recordingWindow(WS_CHILD | WS_VISIBLE, parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tormakelinGetSDLWindow(child), tormakelinGetSDLWindow(parent));
    PostMessageA(child, WM_USER, 0, 0);
    recorded().clear();
    DestroyWindow(parent);
    auto destroys = std::vector<HWND>{};
    for (const Recorded& r : recorded())
        if (r.message == WM_DESTROY) destroys.push_back(r.window);
    ASSERT_EQ(destroys.size(), 2u);
    EXPECT_EQ(destroys[0], parent);
    EXPECT_EQ(destroys[1], child);
    EXPECT_FALSE(IsWindow(child));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(tormakelinGetSDLWindow(parent), nullptr);
}

TEST(Windows, RectanglesPropertiesAndLongs) {
    HWND w = recordingWindow(WS_POPUP | WS_CAPTION);
    RECT outer{}, client{};
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    RECT adjusted = client;
    AdjustWindowRect(&adjusted, WS_POPUP | WS_CAPTION, FALSE);
    EXPECT_EQ(outer.right - outer.left, adjusted.right - adjusted.left);
    EXPECT_EQ(outer.bottom - outer.top, adjusted.bottom - adjusted.top);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.bottom, GetSystemMetrics(SM_CYSCREEN));

    int value = 5;
    EXPECT_TRUE(SetPropA(w, "My.Prop", &value));
    EXPECT_EQ(GetPropA(w, "MY.PROP"), &value);
    EXPECT_EQ(RemovePropA(w, "my.prop"), &value);
    EXPECT_EQ(GetPropA(w, "My.Prop"), nullptr);

    EXPECT_EQ(SetWindowLongA(w, GWL_STYLE, LONG(WS_POPUP | WS_VISIBLE)), LONG(WS_POPUP | WS_CAPTION));
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)), DWORD(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, 1), 0) << "a procedure needs the pointer-sized call";
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC)), &recordingProc);
    DestroyWindow(w);
}

TEST(Windows, WindowTextIsCutToTheBuffer) {
    HWND w = recordingWindow();
    std::string longText(5000, 'x');
    longText += "END";
    SetWindowTextA(w, longText.c_str());
    EXPECT_EQ(GetWindowTextLengthA(w), int(longText.size()));
    char small[6];
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(GetWindowTextA(w, small, 5), 4);
    EXPECT_STREQ(small, "xxxx");
    EXPECT_EQ(small[5], '#') << "nothing written past the given size";
    EXPECT_EQ(GetWindowTextA(w, small, 0), 0);
    std::vector<char> big(longText.size() + 1);
    EXPECT_EQ(GetWindowTextA(w, big.data(), int(big.size())), int(longText.size()));
    EXPECT_EQ(std::string(big.data()), longText);
    SetWindowTextA(w, nullptr);
    EXPECT_EQ(GetWindowTextLengthA(w), 0);
    DestroyWindow(w);
}

TEST(Windows, ShowCursorCounts) {
    int start = ShowCursor(TRUE) - 1;
    EXPECT_EQ(ShowCursor(FALSE), start);
    EXPECT_EQ(ShowCursor(FALSE), start - 1);
    EXPECT_EQ(ShowCursor(TRUE), start);
}

TEST(Windows, ModuleHandlesAreLoadAddresses) {
    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, nullptr);
    HMODULE fromAddress = nullptr;
    static int anchor;
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&anchor), &fromAddress));
    EXPECT_EQ(fromAddress, program);
    HMODULE render = GetModuleHandleA("Tormakelin.Render.dll");
    EXPECT_NE(render, nullptr);
    EXPECT_NE(render, program);
    EXPECT_EQ(GetModuleHandleA("NoSuchModule"), nullptr);
}

TEST(Windows, ModuleFileNamesAreCutToTheBuffer) {
    char name[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, name, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::string path = name;
    EXPECT_EQ(path.size(), n);
    EXPECT_NE(path.find("\\Tormakelin.Win32.Tests"), std::string::npos) << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << "backslashes, as every path in text";
    char render[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("Tormakelin.Render"), render, MAX_PATH), 0u);
    EXPECT_NE(std::string(render).find("libTormakelin.Render.so"), std::string::npos) << render;
    char small[8];
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 5u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), path.substr(0, 4));
    EXPECT_EQ(small[5], '#');
}

TEST(Messages, GetMessageWaitsForTheWindowToComeBack) {
    drain();
    HWND w = recordingWindow();
    Uint32 id = sdlId(w);
    // The player's loop: while minimised it blocks in GetMessage until the restore arrives.
    std::thread restorer([id] {
        SDL_Delay(60);
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = id;
        e.window.event = SDL_WINDOWEVENT_RESTORED;
        SDL_PushEvent(&e);
    });
    ShowWindow(w, SW_MINIMIZE);
    drain();
    Uint32 start = SDL_GetTicks();
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    restorer.join();
    EXPECT_GE(SDL_GetTicks() - start, 40u);
    EXPECT_EQ(m.message, UINT(WM_SIZE));
    EXPECT_EQ(m.wParam, WPARAM(SIZE_RESTORED));
    EXPECT_FALSE(IsIconic(w));
    DestroyWindow(w);
}
