#pragma once
// A virtual X screen of its own for a test (Xvfb, which picks a free display number), and what a
// person at it sees and does: windows found by title, pixels read from the screen, keys typed
// through the X server. Tests skip where no X server can start.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tormakelin::test {

// Waits until `done` answers true or the time is up; true when it did.
inline bool waitFor(std::function<bool()> const& done, std::chrono::milliseconds limit)
{
    auto const end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A program run in a child process, killed if it is still running when this object goes.
class ChildProcess {
public:
    ChildProcess(std::vector<std::string> const& arguments, std::vector<std::string> const& environment)
    {
        std::vector<char*> argv;
        for (std::string const& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that dies
            for (std::string const& e : environment)
                putenv(const_cast<char*>(e.c_str()));
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(ChildProcess const&) = delete;
    ChildProcess& operator=(ChildProcess const&) = delete;

    bool running() { return m_pid > 0 && !poll(); }
    // The exit code, once the program ended by itself within the time; -1 for a signal.
    std::optional<int> exitCode(std::chrono::milliseconds limit)
    {
        waitFor([&] { return m_pid <= 0 || poll(); }, limit);
        if (!m_status)
            return std::nullopt;
        return WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }

private:
    bool poll()
    {
        if (m_status)
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_status = status;
        return true;
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
};

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class VirtualScreen {
public:
    // Starts Xvfb with one screen of the size; `display()` is null when it could not start.
    VirtualScreen(int width, int height)
    {
        // Windows come and go while they are looked at: an error about one is no reason to exit.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // Busy machines now and then lose a start: a few tries before giving up.
        for (int attempt = 0; attempt < 3 && !m_display; ++attempt) {
            stop();
            start(width, height);
        }
    }
    ~VirtualScreen() { stop(); }
    VirtualScreen(VirtualScreen const&) = delete;
    VirtualScreen& operator=(VirtualScreen const&) = delete;

private:
    void start(int width, int height)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_server = fork();
        if (m_server == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // The server is no program of ours: none of the sanitizer build's preloads and checks.
            for (char const* name : {"LD_PRELOAD", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
                unsetenv(name);
            close(fds[0]);
            std::string const fd = std::to_string(fds[1]);
            std::string const screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            int const quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[16] = {};
        ssize_t const got = m_server > 0 ? read(fds[0], number, sizeof number - 1) : -1;
        close(fds[0]);
        if (got <= 0)
            return;
        m_name = ":" + std::string(number, std::strcspn(number, "\n"));
        waitFor([&] { return (m_display = XOpenDisplay(m_name.c_str())) != nullptr; }, std::chrono::seconds(10));
    }
    void stop()
    {
        if (m_display)
            XCloseDisplay(m_display);
        m_display = nullptr;
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
        m_server = -1;
    }

public:

    Display* display() const { return m_display; }
    // "DISPLAY=:<n>" for a child that is to show on this screen.
    std::string environment() const { return "DISPLAY=" + m_name; }
    bool canType() const
    {
        int event = 0, error = 0, major = 0, minor = 0;
        return m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }

    // The first mapped (viewable) top-level window of that title, or 0.
    ::Window viewableWindow(char const* title) const
    {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        ::Window found = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(m_display, children[i], &name) && name) {
                if (!std::strcmp(name, title) && XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    found = children[i];
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    // Where a window is on the screen, frame excluded.
    ScreenRect placeOf(::Window window) const
    {
        XWindowAttributes a{};
        ::Window child = 0;
        ScreenRect r;
        if (!window || !XGetWindowAttributes(m_display, window, &a))
            return r;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &r.x, &r.y, &child);
        r.width = a.width;
        r.height = a.height;
        return r;
    }

    ScreenRect screen() const
    {
        return ScreenRect{0, 0, DisplayWidth(m_display, DefaultScreen(m_display)),
            DisplayHeight(m_display, DefaultScreen(m_display))};
    }

    // The whole screen as 0xRRGGBB words, top row first: what a person sees, whatever drew it.
    std::vector<uint32_t> capture() const
    {
        ScreenRect const s = screen();
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), 0, 0, unsigned(s.width),
            unsigned(s.height), AllPlanes, ZPixmap);
        if (!image)
            return pixels;
        pixels.reserve(size_t(s.width) * size_t(s.height));
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);  // 24-bit TrueColor
        XDestroyImage(image);
        return pixels;
    }

    // Presses and releases the keys in order, then lets them go in reverse (a chord such as Alt+Enter).
    void type(std::vector<KeySym> const& keys) const
    {
        for (KeySym key : keys)
            XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, key), True, 0);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, *key), False, 0);
        XSync(m_display, False);
    }

private:
    pid_t m_server = -1;
    std::string m_name;
    Display* m_display = nullptr;
};

} // namespace tormakelin::test
