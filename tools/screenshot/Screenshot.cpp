// Saves the X display's root window as a PNG: how scripts/play.sh shows a headless run.
// Usage: Tormakelin.Screenshot <out.png>   (the display from DISPLAY)

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: Tormakelin.Screenshot <out.png>\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "Tormakelin.Screenshot: no X display\n");
        return 1;
    }
    Window const root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* image = XGetImage(display, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes,
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
