#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <sdl_window_bridge.h>
#include <tormakelin/render/RenderWindow.h>
#include <windows.h>

#include <memory>
#include <vector>

using namespace tormakelin::render;

namespace {

// Dispatches everything queued; true when a WM_QUIT came out.
bool pump() {
    bool quit = false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) quit = true;
        else DispatchMessageA(&m);
    }
    return quit;
}

void pushWindowEvent(HWND window, Uint8 event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(tormakelinGetSDLWindow(window));
    e.window.event = event;
    SDL_PushEvent(&e);
}

std::unique_ptr<RenderWindow> ownWindow(RenderWindowStyle flags, unsigned w = 320, unsigned h = 200) {
    std::unique_ptr<RenderWindow> window(createRenderWindow());
    EXPECT_TRUE(window->create(w, h, "Test", flags, nullptr));
    return window;
}

// A window made by someone else, counting what reaches its own procedure.
std::vector<UINT> g_foreignMessages;
LRESULT foreignProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    g_foreignMessages.push_back(m);
    return DefWindowProcA(w, m, wp, lp);
}

HWND foreignWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA c{};
        c.lpfnWndProc = foreignProc;
        c.lpszClassName = "FOREIGNPANEL";
        registered = RegisterClassA(&c) != 0;
    }
    return CreateWindowExA(0, "FOREIGNPANEL", "panel", WS_POPUP, 10, 20, 300, 150, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(RenderWindow, StyleFlagsGiveWindowStyles) {
    pump();
    struct Case {
        unsigned flags;
        DWORD style;
        bool fullscreen;
    } cases[] = {
        {0x00, WS_POPUP, false},
        {0x01, WS_POPUP | WS_VISIBLE, false},
        {0x02, WS_POPUP | WS_CAPTION, false},
        {0x1F, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, false},
        {0x3E, WS_POPUP, true},
        {0x23, WS_POPUP | WS_VISIBLE, true},
    };
    for (const Case& c : cases) {
        auto window = ownWindow(RenderWindowStyle(c.flags));
        EXPECT_EQ(window->getWindowedStyle(), c.style) << std::hex << c.flags;
        EXPECT_EQ(DWORD(GetWindowLongPtrA(window->getHandle(), GWL_STYLE)), c.style) << std::hex << c.flags;
        EXPECT_EQ(window->isFullscreen(), c.fullscreen);
        RECT client{};
        GetClientRect(window->getHandle(), &client);
        EXPECT_EQ(client.right, 320);
        EXPECT_EQ(client.bottom, 200);
        EXPECT_TRUE(window->isActive());
        EXPECT_TRUE(window->hasFocus());
    }
    EXPECT_FALSE(pump()) << "closing own windows must not end the message loop";
}

TEST(RenderWindow, NewWindowHasNoHandle) {
    std::unique_ptr<RenderWindow> window(createRenderWindow());
    EXPECT_EQ(window->getHandle(), nullptr);
    EXPECT_FALSE(window->isFullscreen());
    EXPECT_FALSE(window->setFullscreen(true));
    EXPECT_FALSE(window->create(nullptr));
    window->close();
    window->center();
}

TEST(RenderWindow, OwnWindowIsCentredOnTheScreen) {
    auto window = ownWindow(RenderWindowStyle_Caption, 400, 300);
    RECT r{};
    GetWindowRect(window->getHandle(), &r);
    RECT client{};
    GetClientRect(window->getHandle(), &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
    EXPECT_GT(r.bottom - r.top, 300) << "the caption is outside the client area";
}

TEST(RenderWindow, MinimiseAndRestoreDriveIsActive) {
    auto window = ownWindow(RenderWindowStyle_Visible | RenderWindowStyle_Caption);
    ShowWindow(window->getHandle(), SW_MINIMIZE);
    EXPECT_FALSE(window->isActive());
    ShowWindow(window->getHandle(), SW_RESTORE);
    EXPECT_TRUE(window->isActive());

    // The same through SDL's events, as a window manager sends them.
    pushWindowEvent(window->getHandle(), SDL_WINDOWEVENT_MINIMIZED);
    pump();
    EXPECT_FALSE(window->isActive());
    pushWindowEvent(window->getHandle(), SDL_WINDOWEVENT_RESTORED);
    pump();
    EXPECT_TRUE(window->isActive());

    SendMessageA(window->getHandle(), WM_SIZE, SIZE_MAXHIDE, 0);
    EXPECT_FALSE(window->isActive());
    SendMessageA(window->getHandle(), WM_SIZE, SIZE_MAXIMIZED, 0);
    EXPECT_TRUE(window->isActive());
}

TEST(RenderWindow, ActivateAppDrivesHasFocus) {
    auto window = ownWindow(RenderWindowStyle_Visible);
    SendMessageA(window->getHandle(), WM_ACTIVATEAPP, 0, 0);
    EXPECT_FALSE(window->hasFocus());
    SendMessageA(window->getHandle(), WM_ACTIVATEAPP, 1, 0);
    EXPECT_TRUE(window->hasFocus());

    pushWindowEvent(window->getHandle(), SDL_WINDOWEVENT_FOCUS_GAINED);
    pump();
    pushWindowEvent(window->getHandle(), SDL_WINDOWEVENT_FOCUS_LOST);
    pump();
    EXPECT_FALSE(window->hasFocus());
    pushWindowEvent(window->getHandle(), SDL_WINDOWEVENT_FOCUS_GAINED);
    pump();
    EXPECT_TRUE(window->hasFocus());
}

TEST(RenderWindow, AttachSubclassesAndDetachRestores) {
    pump();
    HWND panel = foreignWindow();
    ASSERT_NE(panel, nullptr);
    auto* window = createRenderWindow();
    ASSERT_TRUE(window->create(panel));
    EXPECT_EQ(window->getWidth(), 300u);
    EXPECT_EQ(window->getHeight(), 150u);
    EXPECT_EQ(GetPropA(panel, "TORMAKELIN.WINDOW"), window);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(panel, GWLP_WNDPROC)), &renderWindowProc);
    EXPECT_FALSE(window->setFullscreen(true)) << "an attached window is not ours to restyle";

    g_foreignMessages.clear();
    SendMessageA(panel, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(window->isActive());
    ASSERT_EQ(g_foreignMessages.size(), 1u) << "unhandled messages go on to the old procedure";
    EXPECT_EQ(g_foreignMessages[0], UINT(WM_SIZE));

    delete window;
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(panel, GWLP_WNDPROC)), &foreignProc);
    EXPECT_EQ(GetPropA(panel, "TORMAKELIN.WINDOW"), nullptr);
    EXPECT_TRUE(IsWindow(panel));
    EXPECT_FALSE(pump()) << "detaching posts no quit message";
    DestroyWindow(panel);
}

TEST(RenderWindow, DestroyingAttachedWindowPostsNoQuit) {
    pump();
    HWND panel = foreignWindow();
    RenderWindow window;
    ASSERT_TRUE(window.create(panel));
    DestroyWindow(panel);
    EXPECT_EQ(window.getHandle(), nullptr);
    EXPECT_FALSE(pump());
}

TEST(RenderWindow, UserClosingOwnWindowEndsTheLoop) {
    pump();
    auto window = ownWindow(RenderWindowStyle_Visible | RenderWindowStyle_Caption);
    HWND handle = window->getHandle();
    pushWindowEvent(handle, SDL_WINDOWEVENT_CLOSE);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(window->getHandle(), nullptr);
    window.reset();
    auto again = ownWindow(RenderWindowStyle_Visible);  // the class was given back cleanly
    EXPECT_NE(again->getHandle(), nullptr);
}

TEST(RenderWindow, SecondOwnWindowSharesTheClass) {
    auto first = ownWindow(RenderWindowStyle_Visible);
    auto second = ownWindow(RenderWindowStyle_Visible);
    ASSERT_NE(first->getHandle(), nullptr);
    ASSERT_NE(second->getHandle(), nullptr);
    first->close();
    auto third = ownWindow(RenderWindowStyle_Caption);
    EXPECT_NE(third->getHandle(), nullptr);
    SendMessageA(second->getHandle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(second->isActive()) << "the surviving window still gets its messages";
    second.reset();
    third.reset();
    WNDCLASSA info{};
    EXPECT_FALSE(GetClassInfoA(nullptr, "TORMAKELINWINDOW", &info));
}

TEST(RenderWindow, ToggleFullscreenTwiceRestoresWindowedStyle) {
    auto window = ownWindow(RenderWindowStyle_Visible | RenderWindowStyle_Caption | RenderWindowStyle_ThickFrame);
    HWND handle = window->getHandle();
    DWORD windowed = DWORD(GetWindowLongPtrA(handle, GWL_STYLE));
    EXPECT_TRUE(window->toggleFullscreen());
    EXPECT_TRUE(window->isFullscreen());
    EXPECT_EQ(DWORD(GetWindowLongPtrA(handle, GWL_STYLE)), DWORD(WS_POPUP | WS_VISIBLE));
    EXPECT_TRUE(window->toggleFullscreen());
    EXPECT_FALSE(window->isFullscreen());
    EXPECT_EQ(DWORD(GetWindowLongPtrA(handle, GWL_STYLE)), windowed);
}

TEST(RenderWindow, ChildWindowGoesFullscreenAsChild) {
    auto parent = ownWindow(RenderWindowStyle_Visible, 640, 480);
    RenderWindow child;
    ASSERT_TRUE(child.create(200, 100, "child", RenderWindowStyle_Visible, parent.get()));
    EXPECT_EQ(child.getWindowedStyle(), DWORD(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(tormakelinGetSDLWindow(child.getHandle()), tormakelinGetSDLWindow(parent->getHandle()));
    child.setFullscreen(true);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(child.getHandle(), GWL_STYLE)), DWORD(WS_POPUP | WS_VISIBLE | WS_CHILD));
    child.setFullscreen(false);
    child.center();
    RECT r{};
    GetWindowRect(child.getHandle(), &r);
    RECT p{};
    GetWindowRect(parent->getHandle(), &p);
    EXPECT_EQ(r.left - p.left, (640 - 200) / 2);
    EXPECT_EQ(r.top - p.top, (480 - 100) / 2);
}

TEST(RenderWindow, CenterKeepsOuterSize) {
    auto window = ownWindow(RenderWindowStyle_Visible | RenderWindowStyle_Caption, 300, 200);
    HWND handle = window->getHandle();
    SetWindowPos(handle, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before{};
    GetWindowRect(handle, &before);
    window->center();
    RECT after{};
    GetWindowRect(handle, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    RECT client{};
    GetClientRect(handle, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(after.left, (GetSystemMetrics(SM_CXSCREEN) - (after.right - after.left)) / 2);
}

TEST(RenderWindow, CenterOfWindowLargerThanScreenStaysOnScreen) {
    unsigned w = unsigned(GetSystemMetrics(SM_CXSCREEN)) + 500, h = unsigned(GetSystemMetrics(SM_CYSCREEN)) + 300;
    auto window = ownWindow(RenderWindowStyle_Caption, w, h);
    RECT r{};
    GetWindowRect(window->getHandle(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    window->center();
    GetWindowRect(window->getHandle(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}
