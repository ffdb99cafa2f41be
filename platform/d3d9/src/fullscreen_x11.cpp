// Kept apart: the X11 headers' macros (None, Always, Status...) clash with Direct3D's names.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include "fullscreen.h"

namespace d3d9gl {

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

// A window just shown may not be mapped yet on a busy server; focus can go only to a mapped one.
bool waitMapped(Display* display, ::Window window) {
    for (int i = 0; i < 200; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) return true;
        SDL_Delay(10);
    }
    return false;
}

}  // namespace
#endif

bool x11CoverRect(SDL_Window* window, const SDL_Rect& bounds) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    ::Window xwindow = info.info.x11.window;
    XMoveResizeWindow(display, xwindow, bounds.x, bounds.y, unsigned(bounds.w), unsigned(bounds.h));
    XRaiseWindow(display, xwindow);
    // Without a window manager nobody else gives it the keyboard; should it go away, the keys
    // follow the pointer again rather than going nowhere.
    if (waitMapped(display, xwindow)) XSetInputFocus(display, xwindow, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    return true;
#else
    (void)window;
    (void)bounds;
    return false;
#endif
}

}  // namespace d3d9gl
