#include "fullscreen.h"

#include <algorithm>

namespace d3d9gl {

SDL_Rect fitKeepingAspect(int frameWidth, int frameHeight, int drawableWidth, int drawableHeight) {
    SDL_Rect r{0, 0, drawableWidth, drawableHeight};
    if (frameWidth <= 0 || frameHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) return r;
    // Compare frame w/h with drawable w/h in integers: no rounding decides which side gets bars.
    const long long wide = (long long)frameWidth * drawableHeight, tall = (long long)drawableWidth * frameHeight;
    if (wide > tall) {
        r.h = std::max(1, int((long long)drawableWidth * frameHeight / frameWidth));
        r.y = (drawableHeight - r.h) / 2;
    } else if (wide < tall) {
        r.w = std::max(1, int((long long)drawableHeight * frameWidth / frameHeight));
        r.x = (drawableWidth - r.w) / 2;
    }
    return r;
}

bool FullscreenWindow::enter(SDL_Window* window, int display, int width, int height, int refreshRate) {
    if (!window) return false;
    if (window != this->window()) {
        leave();
        SDL_GetWindowPosition(window, &windowed_.x, &windowed_.y);
        SDL_GetWindowSize(window, &windowed_.w, &windowed_.h);
    }
    if (display < 0 || display >= SDL_GetNumVideoDisplays()) display = std::max(0, SDL_GetWindowDisplayIndex(window));
    if (SDL_GetWindowDisplayIndex(window) != display && !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN))
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    SDL_ShowWindow(window);  // a hidden window would switch the mode only once shown
    SDL_DisplayMode wanted{0, width, height, refreshRate, nullptr};
    SDL_DisplayMode closest{};
    // The display's own mode of the frame's size where it has one; else the desktop's mode, scaled onto.
    const bool switched = SDL_GetClosestDisplayMode(display, &wanted, &closest) && closest.w == width &&
                          closest.h == height && SDL_SetWindowDisplayMode(window, &closest) == 0 &&
                          SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
    if (!switched && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        windowId_ = SDL_GetWindowID(window);
        leave();
        return false;
    }
    windowId_ = SDL_GetWindowID(window);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(display, &bounds) == 0) x11CoverRect(window, bounds);
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);  // keys reach it even where no window manager hands out focus
    return true;
}

void FullscreenWindow::leave() {
    SDL_Window* w = window();
    windowId_ = 0;
    if (!w) return;
    SDL_SetWindowFullscreen(w, 0);
    SDL_SetWindowSize(w, windowed_.w, windowed_.h);
    SDL_SetWindowPosition(w, windowed_.x, windowed_.y);
}

}  // namespace d3d9gl
