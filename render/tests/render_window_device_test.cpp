#include <gtest/gtest.h>

#include <d3d9.h>
#include <d3d9sim.h>
#include <HeadlessD3DDevice.h>
#include <tormakelin/render/RenderWindow.h>
#include <tormakelin_win32.h>

#include <memory>

#include <SDL2/SDL.h>

using namespace tormakelin::render;

namespace {

D3DPRESENT_PARAMETERS windowed(HWND window, UINT width, UINT height) {
    D3DPRESENT_PARAMETERS p = tormakelin::test::headlessPresentParameters(width, height);
    p.hDeviceWindow = window;
    return p;
}

}  // namespace

// The device draws into the render window, and a dialog shown meanwhile leaves it working.
TEST(RenderWindowDevice, DeviceOnTheWindowSurvivesADialog) {
    d3dsimEnableGLChecks(true);
    d3dsimTakeGLErrors();
    std::unique_ptr<RenderWindow> window(createRenderWindow());
    ASSERT_TRUE(window->create(160, 120, "Device", RenderWindowStyle_Visible | RenderWindowStyle_Caption, nullptr));
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = windowed(window->getHandle(), 160, 120);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window->getHandle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    tormakelin::win32::DialogTemplate t;
    t.caption = "Between frames";
    t.width = 120;
    t.height = 40;
    t.controls.push_back({tormakelin::win32::ControlKind::DefaultButton, IDOK, "OK", 60, 20, 50, 14, 0});
    tormakelin::win32::registerDialogTemplate(nullptr, MAKEINTRESOURCEA(900), t);
    SDL_GLContext deviceContext = SDL_GL_GetCurrentContext();
    ASSERT_NE(deviceContext, nullptr);
    tormakelin::win32::DialogDriver driver;
    driver.onDialog = [deviceContext](HWND dialog, LPCSTR) {
        int w = 0, h = 0;
        std::vector<uint8_t> pixels;
        EXPECT_TRUE(tormakelin::win32::captureWindow(dialog, w, h, pixels));
        EXPECT_EQ(SDL_GL_GetCurrentContext(), deviceContext) << "drawing a dialog puts the device's context back";
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    };
    tormakelin::win32::setDialogDriver(driver);
    auto proc = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return EndDialog(dialog, IDOK);
        return FALSE;
    };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(900), window->getHandle(), proc, 0), IDOK);
    tormakelin::win32::setDialogDriver({});

    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d3dsimTakeGLErrors(), 0u) << "the device's GL context was disturbed";
    EXPECT_EQ(device->Release(), 0u);
    d3d->Release();
}
