#pragma once
// What the render device asks of its window.

#include <windef.h>

namespace tormakelin::render {

class IRenderWindow;

HWND getWindowHandle(IRenderWindow* window);
void setWindowFullscreen(IRenderWindow* window, bool fullscreen);
void centerWindow(IRenderWindow* window);
// Asks for the whole client area to be drawn again.
void invalidateWindow(IRenderWindow* window);

} // namespace tormakelin::render
