// Saves a window of the X display as a PNG: how scripts/play.sh shows a headless run.
// Usage: Tormakelin.Screenshot <out.png> [window title]   (the display from DISPLAY)
// With a title, the first viewable window of that title; else the whole screen.

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The channel's 8 bits from a pixel, whatever the visual's masks.
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    unsigned long const maximum = mask >> shift;
    return uint8_t(((pixel & mask) >> shift) * 255 / maximum);
}

// Depth first from `window`: the first viewable window named `title`, or 0.
Window findWindow(Display* display, Window window, char const* title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        bool const match = std::strcmp(name, title) == 0;
        XFree(name);
        XWindowAttributes attributes;
        if (match && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
            return window;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = findWindow(display, children[i], title);
    if (children)
        XFree(children);
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "Usage: Tormakelin.Screenshot <out.png> [window title]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "Tormakelin.Screenshot: no X display\n");
        return 1;
    }
    Window const root = DefaultRootWindow(display);
    Window const window = argc == 3 ? findWindow(display, root, argv[2]) : root;
    if (!window) {
        XCloseDisplay(display);
        std::fprintf(stderr, "Tormakelin.Screenshot: no window \"%s\"\n", argv[2]);
        return 1;
    }
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes,
        ZPixmap);
    if (!image) {
        XCloseDisplay(display);
        std::fprintf(stderr, "Tormakelin.Screenshot: cannot read the screen\n");
        return 1;
    }
    int const width = image->width;
    int const height = image->height;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned long const pixel = XGetPixel(image, x, y);
            uint8_t* out = &rgb[(size_t(y) * width + x) * 3];
            out[0] = channel(pixel, image->red_mask);
            out[1] = channel(pixel, image->green_mask);
            out[2] = channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    if (!stbi_write_png(argv[1], width, height, 3, rgb.data(), width * 3)) {
        std::fprintf(stderr, "Tormakelin.Screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
