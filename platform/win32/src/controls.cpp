// Window procedures of the dialog controls: button, check box, group box, edit, static, combo box
// and trackbar. Their state lives in the window's Control record; the dialog drawing reads it.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

ControlKind kindOf(const Window& w) {
    const std::string& name = w.windowClass ? w.windowClass->key : std::string();
    if (name == "EDIT") return ControlKind::Edit;
    if (name == "COMBOBOX") return ControlKind::ComboBox;
    if (name == TRACKBAR_CLASSA) return ControlKind::Trackbar;
    if (name != "BUTTON") return ControlKind::Static;
    switch (w.style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: return ControlKind::CheckBox;
    case BS_GROUPBOX: return ControlKind::GroupBox;
    case BS_DEFPUSHBUTTON: return ControlKind::DefaultButton;
    default: return ControlKind::Button;
    }
}

Control* controlOf(HWND handle) {
    Window* w = findWindow(handle);
    if (!w) return nullptr;
    if (!w->control) {
        w->control = std::make_unique<Control>();
        w->control->kind = kindOf(*w);
    }
    return w->control.get();
}

bool validIndex(const Control& c, WPARAM index) { return index < c.items.size(); }

LRESULT copyItem(const std::string& text, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out) return CB_ERR;
    std::memcpy(out, text.c_str(), text.size() + 1);  // the caller sizes it with CB_GETLBTEXTLEN
    return LRESULT(text.size());
}

LRESULT findItem(const Control& c, WPARAM start, LPCSTR text, bool exact) {
    if (!text || c.items.empty()) return CB_ERR;
    size_t n = c.items.size();
    size_t first = (start == WPARAM(-1) || start >= n) ? 0 : start + 1;
    size_t length = std::strlen(text);
    for (size_t k = 0; k < n; ++k) {
        const std::string& item = c.items[(first + k) % n];
        bool hit = exact ? strcasecmp(item.c_str(), text) == 0 : strncasecmp(item.c_str(), text, length) == 0;
        if (hit) return LRESULT((first + k) % n);
    }
    return CB_ERR;
}

int clampPosition(const Control& c, LPARAM position) {
    return int(std::clamp<LPARAM>(position, c.rangeMin, std::max(c.rangeMin, c.rangeMax)));
}

LRESULT insertItem(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!lParam) return CB_ERR;
    size_t at = c.items.size();
    if (message == CB_INSERTSTRING && wParam != WPARAM(-1)) {
        if (wParam > c.items.size()) return CB_ERR;
        at = wParam;
    }
    c.items.insert(c.items.begin() + long(at), reinterpret_cast<const char*>(lParam));
    c.itemData.insert(c.itemData.begin() + long(at), 0);
    if (c.selection >= int(at)) c.selection++;
    return LRESULT(at);
}

LRESULT deleteItem(Control& c, WPARAM index) {
    if (!validIndex(c, index)) return CB_ERR;
    c.items.erase(c.items.begin() + long(index));
    c.itemData.erase(c.itemData.begin() + long(index));
    if (c.selection == int(index)) c.selection = -1;
    else if (c.selection > int(index)) c.selection--;
    return LRESULT(c.items.size());
}

LRESULT resetItems(Control& c) {
    c.items.clear();
    c.itemData.clear();
    c.selection = -1;
    return CB_OKAY;
}

LRESULT selectItem(Control& c, WPARAM index) {
    if (!validIndex(c, index)) {
        c.selection = -1;
        return CB_ERR;
    }
    c.selection = int(index);
    return LRESULT(index);
}

LRESULT setItemData(Control& c, WPARAM index, LPARAM data) {
    if (!validIndex(c, index)) return CB_ERR;
    c.itemData[index] = data;
    return TRUE;
}

LRESULT selectMatch(Control& c, WPARAM start, LPARAM text) {
    LRESULT found = findItem(c, start, reinterpret_cast<LPCSTR>(text), false);
    if (found != CB_ERR) c.selection = int(found);
    return found;
}

// A drop-down list's text is its selected item's, or the window text while none is selected.
LRESULT copyShownText(const Control& c, const Window& w, WPARAM capacity, LPARAM buffer) {
    const std::string& text = c.selection >= 0 ? c.items[size_t(c.selection)] : w.text;
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || capacity == 0) return 0;
    size_t n = std::min<size_t>(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return LRESULT(n);
}

}  // namespace

void notifyParent(HWND control, WORD code) {
    Window* w = findWindow(control);
    if (!w || !w->parent) return;
    SendMessageA(w->parent, WM_COMMAND, MAKEWPARAM(WORD(w->id), code), reinterpret_cast<LPARAM>(control));
}

LRESULT buttonProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* c = controlOf(handle);
    Window* w = findWindow(handle);
    if (!c || !w) return 0;
    bool checkable = c->kind == ControlKind::CheckBox;
    switch (message) {
    case BM_GETCHECK: return checkable ? c->check : BST_UNCHECKED;
    case BM_SETCHECK:
        if (checkable) c->check = wParam == BST_CHECKED ? BST_CHECKED : wParam == BST_INDETERMINATE ? BST_INDETERMINATE : BST_UNCHECKED;
        return 0;
    case BM_GETSTATE: return checkable ? c->check : 0;
    case BM_CLICK:
        if (!w->enabled || c->kind == ControlKind::GroupBox) return 0;
        if (checkable) c->check = c->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        notifyParent(handle, BN_CLICKED);
        return 0;
    default: return DefWindowProcA(handle, message, wParam, lParam);
    }
}

LRESULT editProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* c = controlOf(handle);
    if (!c) return 0;
    switch (message) {
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcA(handle, message, wParam, lParam);
        notifyParent(handle, EN_CHANGE);
        return r;
    }
    case EM_LIMITTEXT: c->limit = wParam ? size_t(wParam) : size_t(0x7FFFFFFE); return 0;
    case EM_GETLIMITTEXT: return LRESULT(c->limit);
    default: return DefWindowProcA(handle, message, wParam, lParam);
    }
}

LRESULT staticProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    controlOf(handle);
    return DefWindowProcA(handle, message, wParam, lParam);
}

LRESULT comboProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* c = controlOf(handle);
    if (!c) return 0;
    switch (message) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: return insertItem(*c, message, wParam, lParam);
    case CB_DELETESTRING: return deleteItem(*c, wParam);
    case CB_RESETCONTENT: return resetItems(*c);
    case CB_GETCOUNT: return LRESULT(c->items.size());
    case CB_GETCURSEL: return c->selection;
    case CB_SETCURSEL: return selectItem(*c, wParam);
    case CB_GETLBTEXT: return validIndex(*c, wParam) ? copyItem(c->items[wParam], lParam) : CB_ERR;
    case CB_GETLBTEXTLEN: return validIndex(*c, wParam) ? LRESULT(c->items[wParam].size()) : CB_ERR;
    case CB_GETITEMDATA: return validIndex(*c, wParam) ? c->itemData[wParam] : CB_ERR;
    case CB_SETITEMDATA: return setItemData(*c, wParam, lParam);
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: return findItem(*c, wParam, reinterpret_cast<LPCSTR>(lParam), message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: return selectMatch(*c, wParam, lParam);
    case CB_SHOWDROPDOWN: return TRUE;
    case WM_GETTEXT: return copyShownText(*c, *findWindow(handle), wParam, lParam);
    case WM_GETTEXTLENGTH:
        return c->selection >= 0 ? LRESULT(c->items[size_t(c->selection)].size()) : DefWindowProcA(handle, message, wParam, lParam);
    default: return DefWindowProcA(handle, message, wParam, lParam);
    }
}

LRESULT trackbarProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* c = controlOf(handle);
    if (!c) return 0;
    switch (message) {
    case TBM_GETPOS: return c->position;
    case TBM_GETRANGEMIN: return c->rangeMin;
    case TBM_GETRANGEMAX: return c->rangeMax;
    case TBM_SETPOS: c->position = clampPosition(*c, lParam); return 0;
    case TBM_SETRANGE:
        c->rangeMin = short(LOWORD(lParam));
        c->rangeMax = short(HIWORD(lParam));
        c->position = clampPosition(*c, c->position);
        return 0;
    case TBM_SETRANGEMIN: c->rangeMin = int(lParam); c->position = clampPosition(*c, c->position); return 0;
    case TBM_SETRANGEMAX: c->rangeMax = int(lParam); c->position = clampPosition(*c, c->position); return 0;
    default: return DefWindowProcA(handle, message, wParam, lParam);
    }
}

}  // namespace tormakelin::win32
