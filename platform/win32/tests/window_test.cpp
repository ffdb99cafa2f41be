#include <gtest/gtest.h>

#include <windows.h>
#include <sdl_window_bridge.h>

TEST(Window, CreatesOpenGLWindow) {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.lpszClassName = "SMOKE";
    ASSERT_NE(RegisterClassA(&c), 0);
    HWND w = CreateWindowExA(0, "SMOKE", "t", WS_POPUP, 0, 0, 64, 32, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(tormakelinGetSDLWindow(w), nullptr);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_TRUE(UnregisterClassA("SMOKE", nullptr));
}
