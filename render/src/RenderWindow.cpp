#include <tormakelin/render/RenderWindow.h>

#include <algorithm>

#include <tormakelin_win32.h>
#include <windows.h>

namespace tormakelin::render {
namespace {

const char* const kClassName = "TORMAKELINWINDOW";
const char* const kProperty = "TORMAKELIN.WINDOW";

// Own windows share one class: registered for the first, unregistered after the last.
int g_classUsers = 0;

HINSTANCE moduleInstance() {
    static int anchor;
    return win32::moduleOf(&anchor);
}

bool acquireClass(bool visible) {
    if (g_classUsers == 0) {
        WNDCLASSA c{};
        c.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        c.hInstance = moduleInstance();
        c.hIcon = LoadIconA(moduleInstance(), kClassName);
        c.hCursor = nullptr;
        c.hbrBackground = visible ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : nullptr;
        c.lpszClassName = kClassName;
        c.lpfnWndProc = renderWindowProc;
        if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    }
    g_classUsers++;
    return true;
}

void releaseClass() {
    if (g_classUsers > 0 && --g_classUsers == 0) UnregisterClassA(kClassName, moduleInstance());
}

DWORD styleOf(RenderWindowStyle flags, bool child) {
    DWORD style = (flags & RenderWindowStyle_Visible) ? WS_VISIBLE : 0;
    if (!(flags & RenderWindowStyle_Fullscreen)) {
        if (flags & RenderWindowStyle_Caption) style |= WS_CAPTION;
        if (flags & RenderWindowStyle_SystemMenu) style |= WS_SYSMENU;
        if (flags & RenderWindowStyle_MinMaxBox) style |= WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        if (flags & RenderWindowStyle_ThickFrame) style |= WS_THICKFRAME;
    }
    return style | (child ? WS_CHILD : WS_POPUP);
}

// Top-left corner that centres an extent in a reference span, never left of the span.
int centred(LONG referenceStart, LONG referenceExtent, LONG extent) {
    return int(referenceStart + std::max<LONG>(0, (referenceExtent - extent) / 2));
}

}  // namespace

// The shared window procedure of own and attached windows.
LRESULT renderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<RenderWindow*>(GetPropA(window, kProperty));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    // Read before the handler runs: it may close the window.
    WNDPROC oldProc = self->m_previousProc;
    bool owns = self->m_ownsWindow;
    if (message == WM_NCDESTROY) {
        // Destroyed under us (close box, parent going away): drop the handle, keep nothing dangling.
        RemovePropA(window, kProperty);
        self->forgetWindow();
    } else if (LRESULT r = self->messageHandler(window, message, wParam, lParam)) {
        return r;
    }
    if (!owns && oldProc) return CallWindowProcA(oldProc, window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

RenderWindow::RenderWindow() = default;

RenderWindow::~RenderWindow() { close(); }

void RenderWindow::forgetWindow() {
    if (m_ownsWindow) releaseClass();
    m_window = nullptr;
    m_parent = nullptr;
    m_previousProc = nullptr;
    m_ownsWindow = false;
    m_width = m_height = 0;
    m_fullscreen = false;
}

bool RenderWindow::create(void* window) {
    close();
    HWND handle = static_cast<HWND>(window);
    if (!handle || !IsWindow(handle)) return false;
    RECT r{};
    GetWindowRect(handle, &r);
    m_width = unsigned(std::max<LONG>(0, r.right - r.left));
    m_height = unsigned(std::max<LONG>(0, r.bottom - r.top));
    m_window = handle;
    m_ownsWindow = false;
    m_active = m_hasFocus = true;
    SetPropA(handle, kProperty, this);
    m_previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&renderWindowProc)));
    return true;
}

bool RenderWindow::create(unsigned int width, unsigned int height, const std::string& title, RenderWindowStyle flags,
                          IRenderWindow* parent) {
    close();
    HWND parentHandle = parent ? parent->getHandle() : nullptr;
    if (parent && !parentHandle) return false;
    if (!acquireClass(flags & RenderWindowStyle_Visible)) return false;
    m_width = width;
    m_height = height;
    m_ownsWindow = true;
    m_fullscreen = (flags & RenderWindowStyle_Fullscreen) != 0;
    DWORD style = styleOf(flags, parentHandle != nullptr);
    m_windowedStyle = style;

    RECT outer{0, 0, LONG(width), LONG(height)};
    AdjustWindowRect(&outer, style, FALSE);
    int x = 0, y = 0;
    if (!parentHandle) {
        x = centred(0, GetSystemMetrics(SM_CXSCREEN), LONG(width));
        y = centred(0, GetSystemMetrics(SM_CYSCREEN), LONG(height));
    }
    m_window = CreateWindowExA(0, kClassName, title.c_str(), style, x, y, outer.right - outer.left,
                               outer.bottom - outer.top, parentHandle, nullptr, moduleInstance(), nullptr);
    if (!m_window) {
        releaseClass();
        m_ownsWindow = false;
        m_width = m_height = 0;
        m_fullscreen = false;
        return false;
    }
    m_parent = parent;
    SetPropA(m_window, kProperty, this);
    if (flags & RenderWindowStyle_Visible) {
        ShowWindow(m_window, SW_SHOWDEFAULT);
        UpdateWindow(m_window);
    }
    m_active = m_hasFocus = true;
    return true;
}

void RenderWindow::close() {
    if (!m_window) return;
    HWND window = m_window;
    RemovePropA(window, kProperty);
    if (m_ownsWindow) {
        DestroyWindow(window);
    } else if (IsWindow(window) && m_previousProc) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    }
    forgetWindow();
}

bool RenderWindow::isActive() { return m_active; }

bool RenderWindow::hasFocus() { return m_hasFocus; }

void RenderWindow::setFocus() {
    if (m_window) SetFocus(m_window);
}

void RenderWindow::center() {
    if (!m_window) return;
    RECT outer{};
    GetWindowRect(m_window, &outer);
    LONG width = outer.right - outer.left, height = outer.bottom - outer.top;
    RECT reference{};
    HWND parentHandle = m_parent ? m_parent->getHandle() : nullptr;
    if (parentHandle) GetClientRect(parentHandle, &reference);  // a child is placed in its parent's client space
    else GetWindowRect(GetDesktopWindow(), &reference);
    int x = centred(reference.left, reference.right - reference.left, width);
    int y = centred(reference.top, reference.bottom - reference.top, height);
    SetWindowPos(m_window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool RenderWindow::isFullscreen() { return m_fullscreen; }

bool RenderWindow::setFullscreen(bool full) {
    if (!m_window || !m_ownsWindow) return false;
    m_fullscreen = full;
    DWORD style = full ? DWORD(WS_POPUP | WS_VISIBLE | (m_parent ? WS_CHILD : 0)) : m_windowedStyle;
    // A window made for full screen is made hidden; once shown it stays on the screen windowed.
    if (!full && IsWindowVisible(m_window)) style |= WS_VISIBLE;
    SetWindowLongPtrA(m_window, GWL_STYLE, LONG_PTR(style));
    return true;
}

bool RenderWindow::toggleFullscreen() { return setFullscreen(!isFullscreen()); }

LRESULT RenderWindow::messageHandler(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_DESTROY:
        if (!m_ownsWindow) return 0;
        PostQuitMessage(0);
        return 1;
    case WM_SIZE: m_active = !(wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE); return 0;
    case WM_ACTIVATEAPP: m_hasFocus = wParam != 0; return 0;
    default: return 0;
    }
}

RenderWindow* createRenderWindow() { return new RenderWindow(); }

}  // namespace tormakelin::render
