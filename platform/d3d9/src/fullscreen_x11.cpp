// Kept apart: the X11 headers' macros (None, Always, Status...) clash with Direct3D's names.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include "fullscreen.h"

namespace d3d9gl {

bool x11CoverRect(SDL_Window* window, const SDL_Rect& bounds) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    ::Window xwindow = info.info.x11.window;
    XMoveResizeWindow(display, xwindow, bounds.x, bounds.y, unsigned(bounds.w), unsigned(bounds.h));
    XRaiseWindow(display, xwindow);
    XSync(display, False);
    return true;
#else
    (void)window;
    (void)bounds;
    return false;
#endif
}

}  // namespace d3d9gl
