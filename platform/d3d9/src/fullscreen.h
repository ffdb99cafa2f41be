#pragma once
// Full screen for a device's window, as a device made or reset with Windowed = FALSE asks.

#include <SDL2/SDL.h>

namespace d3d9gl {

// Where the frame lands in a drawable: the whole of it, or the largest centred rectangle of the
// frame's aspect (black bars around it) when the display kept a mode of another shape.
SDL_Rect fitKeepingAspect(int frameWidth, int frameHeight, int drawableWidth, int drawableHeight);

class FullscreenWindow {
public:
    FullscreenWindow() = default;
    FullscreenWindow(const FullscreenWindow&) = delete;
    FullscreenWindow& operator=(const FullscreenWindow&) = delete;
    ~FullscreenWindow() { leave(); }

    // Shows the window above the others, borderless over the whole of the display (the adapter's
    // ordinal), in the display mode of that size where the display has one, else in the desktop's
    // mode. False leaves it windowed.
    bool enter(SDL_Window* window, int display, int width, int height, int refreshRate);
    // Back to the desktop's mode and the window's own place and size; the window stays shown.
    void leave();
    bool active() const { return windowId_ != 0; }

private:
    SDL_Window* window() const { return windowId_ ? SDL_GetWindowFromID(windowId_) : nullptr; }

    Uint32 windowId_ = 0;  // looked up again: the window may be destroyed before the device
    SDL_Rect windowed_{};
};

// Moves the native window over `bounds`, raises it and gives it the keyboard, for X servers
// without a window manager to do it; false where the window is no X11 window.
bool x11CoverRect(SDL_Window* window, const SDL_Rect& bounds);

}  // namespace d3d9gl
