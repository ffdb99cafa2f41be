#include "WindowAccess.h"

#include <tormakelin/render/RenderWindow.h>
#include <windows.h>

namespace tormakelin::render {

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


} // namespace tormakelin::render
