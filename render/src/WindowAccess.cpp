#include "WindowAccess.h"

#if __has_include(<tormakelin/render/RenderWindow.h>)
#include <tormakelin/render/RenderWindow.h>
#include <windows.h>
#define TORMAKELIN_HAS_RENDER_WINDOW 1
#endif

namespace tormakelin::render {

#ifdef TORMAKELIN_HAS_RENDER_WINDOW

HWND getWindowHandle(IRenderWindow* window)
{
    return window ? window->getHandle() : nullptr;
}

void setWindowFullscreen(IRenderWindow* window, bool fullscreen)
{
    if (window) {
        window->setFullscreen(fullscreen);
    }
}

void centerWindow(IRenderWindow* window)
{
    if (window) {
        window->center();
    }
}

void invalidateWindow(IRenderWindow* window)
{
    HWND handle = getWindowHandle(window);
    if (handle == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(handle, &client);
    InvalidateRect(handle, &client, TRUE);
}

#else

HWND getWindowHandle(IRenderWindow*)
{
    return nullptr;
}

void setWindowFullscreen(IRenderWindow*, bool) {}
void centerWindow(IRenderWindow*) {}
void invalidateWindow(IRenderWindow*) {}

#endif

} // namespace tormakelin::render
