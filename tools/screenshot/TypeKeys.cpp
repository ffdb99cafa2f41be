// Types a key chord on the X display through the X server, as a keyboard would: the keys go to
// whatever window has the keyboard. How scripts/play.sh ends a run on a virtual display.
// Usage: Tormakelin.TypeKeys <key> [key...]   (X key names: Escape, Alt_L Return, ...)

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: Tormakelin.TypeKeys <key> [key...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "Tormakelin.TypeKeys: no X display with the XTest extension\n");
        return 1;
    }
    KeyCode codes[8];
    int const count = argc - 1 < 8 ? argc - 1 : 8;
    for (int i = 0; i < count; ++i) {
        KeySym const key = XStringToKeysym(argv[i + 1]);
        codes[i] = key == NoSymbol ? 0 : XKeysymToKeycode(display, key);
        if (!codes[i]) {
            std::fprintf(stderr, "Tormakelin.TypeKeys: no key \"%s\"\n", argv[i + 1]);
            XCloseDisplay(display);
            return 1;
        }
    }
    // Pressed in order, released in reverse: a chord.
    for (int i = 0; i < count; ++i)
        XTestFakeKeyEvent(display, codes[i], True, 0);
    for (int i = count - 1; i >= 0; --i)
        XTestFakeKeyEvent(display, codes[i], False, 0);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
