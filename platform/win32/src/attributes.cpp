// Window properties, window longs, window text, icons, brushes, the cursor and DefWindowProc.
#include <SDL2/SDL.h>

#include <cctype>
#include <cstring>
#include <set>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

std::string propKey(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    std::string key;
    for (const char* c = name; *c; ++c) key += char(std::toupper(static_cast<unsigned char>(*c)));
    return key;
}

struct Brush {
    COLORREF color;
};

std::set<void*>& brushes() {
    static std::set<void*> set;
    return set;
}

Icon g_systemIcon;
int g_cursorTag;

LRESULT copyText(const std::string& text, WPARAM max, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || max == 0) return 0;
    size_t n = std::min<size_t>(text.size(), max - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return LRESULT(n);
}

}  // namespace

void applyIcon(Window& w) {
    auto* icon = reinterpret_cast<Icon*>(w.iconBig ? w.iconBig : w.iconSmall);
    if (!w.sdl || !icon || icon->rgba.empty()) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon->rgba.data(), icon->width, icon->height, 32,
                                                               icon->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return;
    SDL_SetWindowIcon(w.sdl, surface);
    SDL_FreeSurface(surface);
}

void registerIcon(HINSTANCE module, LPCSTR name, int width, int height, const std::vector<uint8_t>& rgba) {
    auto icon = std::make_unique<Icon>();
    icon->width = width;
    icon->height = height;
    if (width > 0 && height > 0 && rgba.size() >= size_t(width) * size_t(height) * 4) icon->rgba = rgba;
    auto& slot = state().icons[resourceKey(module, name)];
    if (!slot) slot = std::move(icon);
    else *slot = std::move(*icon);  // keep handles already given out valid
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

BOOL SetPropA(HWND handle, LPCSTR name, HANDLE data) {
    Window* w = findWindow(handle);
    if (!w || !name) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->props[propKey(name)] = data;
    return TRUE;
}

HANDLE GetPropA(HWND handle, LPCSTR name) {
    Window* w = findWindow(handle);
    if (!w || !name) return nullptr;
    auto it = w->props.find(propKey(name));
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND handle, LPCSTR name) {
    Window* w = findWindow(handle);
    if (!w || !name) return nullptr;
    auto it = w->props.find(propKey(name));
    if (it == w->props.end()) return nullptr;
    HANDLE data = it->second;
    w->props.erase(it);
    return data;
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
    Window* w = findWindow(handle);
    if (!w) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(w->style);
    case GWL_EXSTYLE: return LONG_PTR(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: break;
    }
    if (w->dialog) {
        if (index == DWLP_MSGRESULT) return w->dialog->msgResult;
        if (index == int(DWLP_DLGPROC)) return reinterpret_cast<LONG_PTR>(w->dialog->proc);
        if (index == int(DWLP_USER)) return w->dialog->user;
    }
    setError(1413);  // ERROR_INVALID_INDEX
    return 0;
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
    Window* w = findWindow(handle);
    if (!w || handle == state().desktop) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrA(handle, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (!value) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWLP_ID: w->id = value; return old;
    case GWL_STYLE:
        w->style = DWORD(value);
        w->enabled = !(w->style & WS_DISABLED);
        syncSdlStyle(*w);
        syncSdlVisibility(*w);
        return old;
    case GWL_EXSTYLE: w->exStyle = DWORD(value); return old;
    case GWLP_USERDATA: w->userData = value; return old;
    default: break;
    }
    if (w->dialog) {
        if (index == DWLP_MSGRESULT) w->dialog->msgResult = value;
        else if (index == int(DWLP_DLGPROC)) w->dialog->proc = reinterpret_cast<DLGPROC>(value);
        else if (index == int(DWLP_USER)) w->dialog->user = value;
        else return 0;
        return old;
    }
    setError(1413);
    return 0;
}

LONG GetWindowLongA(HWND handle, int index) {
    if (sizeof(void*) > sizeof(LONG) && (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT)) {
        setError(1413);  // a pointer does not fit: use GetWindowLongPtrA
        return 0;
    }
    return LONG(GetWindowLongPtrA(handle, index));
}

LONG SetWindowLongA(HWND handle, int index, LONG value) {
    if (sizeof(void*) > sizeof(LONG) && (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT)) {
        setError(1413);
        return 0;
    }
    if (index == GWL_STYLE || index == GWL_EXSTYLE) return LONG(SetWindowLongPtrA(handle, index, LONG_PTR(DWORD(value))));
    return LONG(SetWindowLongPtrA(handle, index, value));
}

int GetWindowTextA(HWND handle, LPSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    text[0] = 0;
    if (!findWindow(handle)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return int(SendMessageA(handle, WM_GETTEXT, WPARAM(maxCount), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND handle) { return int(SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0)); }

BOOL SetWindowTextA(HWND handle, LPCSTR text) {
    if (!findWindow(handle)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(window, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(handle);
    if (!w) return 0;
    switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(handle); return 0;
    case WM_PAINT: w->invalid = false; return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if (w->sdl) SDL_SetWindowTitle(w->sdl, w->text.c_str());
        return TRUE;
    case WM_GETTEXT: return copyText(w->text, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
    case WM_SETICON: {
        HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        applyIcon(*w);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) PostMessageA(handle, WM_CLOSE, 0, 0);
        return 0;
    default: return 0;
    }
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!name) return nullptr;
    if (!instance && IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) >= 32512)
        return reinterpret_cast<HICON>(&g_systemIcon);
    auto& icons = state().icons;
    auto it = icons.find(resourceKey(instance, name));
    if (it == icons.end()) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>(it->second.get());
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) { return name ? reinterpret_cast<HCURSOR>(&g_cursorTag) : nullptr; }

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new Brush{color};
    brushes().insert(brush);
    return reinterpret_cast<HBRUSH>(brush);
}

HANDLE GetStockObject(int object) {
    static Brush stock[6] = {{0xFFFFFF}, {0xC0C0C0}, {0x808080}, {0x404040}, {0x000000}, {0}};
    if (object < 0 || object > NULL_BRUSH) return nullptr;
    return &stock[object];
}

BOOL DeleteObject(HANDLE object) {
    auto it = brushes().find(object);
    if (it == brushes().end()) return FALSE;  // stock objects and unknown handles stay
    delete static_cast<Brush*>(object);
    brushes().erase(it);
    return TRUE;
}

int ShowCursor(BOOL show) {
    State& s = state();
    s.cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return s.cursorCount;
}
