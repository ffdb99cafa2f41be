#include <SDL2/SDL.h>
#include <sdl_window_bridge.h>
#include <windows.h>

#include "device_fixture.h"

namespace {

LRESULT plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND plainWindow(int width, int height, DWORD style = WS_POPUP | WS_VISIBLE, int x = 0, int y = 0) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA c{};
        c.lpfnWndProc = plainProc;
        c.lpszClassName = "D3D9TESTWINDOW";
        registered = RegisterClassA(&c) != 0;
    }
    return CreateWindowExA(0, "D3D9TESTWINDOW", "device", style, x, y, width, height, nullptr, nullptr, nullptr,
        nullptr);
}

}  // namespace

TEST(DeviceOnWindow, PresentsToTheWindowItWasMadeOn) {
    d3dsimEnableGLChecks(true);
    d3dsimTakeGLErrors();
    HWND window = plainWindow(96, 64);
    ASSERT_NE(window, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.hDeviceWindow = window;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    // A zero back-buffer size takes the window's.
    EXPECT_EQ(pp.BackBufferWidth, 96u);
    EXPECT_EQ(pp.BackBufferHeight, 64u);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // A second window shows an additional swap chain of the same device.
    HWND other = plainWindow(40, 30);
    D3DPRESENT_PARAMETERS chainParameters{};
    chainParameters.Windowed = TRUE;
    chainParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    chainParameters.hDeviceWindow = other;
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_EQ(device->CreateAdditionalSwapChain(&chainParameters, &chain), D3D_OK);
    EXPECT_EQ(chainParameters.BackBufferWidth, 40u);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, nullptr, 0), D3D_OK);
    chain->Release();
    // The device still draws to its own target afterwards.
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), 0xFF00FF00u);
    back->UnlockRect();
    back->Release();
    EXPECT_EQ(device->Release(), 0u);
    d3d->Release();
    DestroyWindow(other);
    DestroyWindow(window);
    EXPECT_EQ(d3dsimTakeGLErrors(), 0u);
}

TEST(DeviceOnWindow, FullScreenShowsTheWindowOverItsDisplayAndGoingWindowedGivesItsPlaceBack) {
    HWND window = plainWindow(320, 240, WS_POPUP, 30, 20);
    ASSERT_NE(window, nullptr);
    SDL_Window* sdl = tormakelinGetSDLWindow(window);
    ASSERT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = FALSE;
    pp.BackBufferWidth = 320;
    pp.BackBufferHeight = 240;
    pp.BackBufferCount = 3;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.hDeviceWindow = window;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    auto fullscreen = [&] { return (SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN) != 0; };
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) << "full screen shows the window";
    EXPECT_TRUE(fullscreen());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    pp.Windowed = TRUE;
    pp.BackBufferCount = 1;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_FALSE(fullscreen());
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) << "still on the screen, windowed";
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &width, &height);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);

    pp.Windowed = FALSE;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_TRUE(fullscreen());
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_FALSE(fullscreen()) << "a device that goes gives the desktop back";
    d3d->Release();
    DestroyWindow(window);
}
