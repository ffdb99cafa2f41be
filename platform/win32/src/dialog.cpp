// Modal dialogs from templates registered in code: creation, the dialog manager's default
// handling, the modal loop and the scripted user.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

struct ControlClass {
    LPCSTR name;
    DWORD style;
};

ControlClass classOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static: return {"STATIC", SS_LEFT};
    case ControlKind::Edit: return {"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::DefaultButton: return {"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::GroupBox: return {"BUTTON", BS_GROUPBOX};
    case ControlKind::ComboBox: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    case ControlKind::Trackbar: return {TRACKBAR_CLASSA, TBS_HORZ | WS_TABSTOP};
    }
    return {"STATIC", 0};
}

Dialog* dialogOf(HWND handle) {
    Window* w = findWindow(handle);
    return w ? w->dialog.get() : nullptr;
}

// Enter and Esc as the dialog manager reads them; true when the key was taken.
bool dialogKey(HWND dialog, const MSG& m) {
    if (m.message != WM_KEYDOWN || (m.wParam != VK_RETURN && m.wParam != VK_ESCAPE)) return false;
    Window* target = findWindow(m.hwnd);
    if (!target || topLevel(target)->handle != dialog) return false;
    Dialog* d = dialogOf(dialog);
    if (d->ui && dialogHasPopup(d->ui)) return true;  // the key closes the open list first
    int id = m.wParam == VK_RETURN ? d->defaultId : IDCANCEL;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
}

bool finished(HWND dialog) {
    Dialog* d = dialogOf(dialog);
    return !d || d->ended;
}

void endWith(HWND dialog, INT_PTR result) {
    if (Dialog* d = dialogOf(dialog); d && !d->ended) {
        d->ended = true;
        d->result = result;
    }
}

// What a scripted or absent user does when the dialog has nothing more to do.
void idleStep(HWND dialog, int idle, bool driven) {
    Dialog* d = dialogOf(dialog);
    if (idle == 1 && !driven) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(d->defaultId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, d->defaultId)));
    } else if (idle <= 2) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
        std::fprintf(stderr, "Dialog left open by the scripted user: cancelled.\n");
        endWith(dialog, IDCANCEL);
    }
}

// TORMAKELIN_ACCEPT_DIALOGS=<seconds>: a scripted user for runs on a (virtual) display, who looks
// at each dialog that long and then presses its default button. 0 when unset.
Uint32 acceptDelayMs() {
    const char* text = std::getenv("TORMAKELIN_ACCEPT_DIALOGS");
    if (!text || !*text) return 0;
    const double seconds = std::strtod(text, nullptr);
    return seconds > 0 ? Uint32(std::min(seconds, 3600.0) * 1000.0) : 1;
}

void startDriver(HWND dialog) {
    auto onDialog = state().driver.onDialog;  // the driver may replace itself
    onDialog(dialog, dialogOf(dialog)->templateName);
}

// Dispatches what was queued when it began (what handlers post waits for the next pass, after
// the dialog is drawn); true when there was anything.
bool dispatchQueued(HWND dialog) {
    size_t pending = state().queue.size();
    bool worked = false;
    for (size_t i = 0; i < pending + 1 && !finished(dialog); ++i) {
        MSG m;
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) break;
        worked = true;
        if (m.message == WM_QUIT) {
            PostQuitMessage(int(m.wParam));  // the outer loop must see it too
            endWith(dialog, 0);
            break;
        }
        if (dialogKey(dialog, m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return worked;
}

void drawShown(HWND dialog) {
    Window* w = findWindow(dialog);
    if (w && w->dialog->ui) drawDialog(*w, nullptr, nullptr, nullptr);
}

// Who works the dialog while it waits: a driver, a scripted user with a delay, or nobody
// (headless); a person at the display otherwise.
struct ModalUser {
    bool driven;
    bool headless;
    Uint32 acceptDelay;
    Uint32 acceptAt;
    int acceptSteps = 0;
    int idle = 0;
};

// One wait of the modal loop after the queue was dispatched and the dialog drawn.
void waitStep(HWND dialog, ModalUser& user, bool worked) {
    if (user.acceptDelay && SDL_TICKS_PASSED(SDL_GetTicks(), user.acceptAt)) {
        idleStep(dialog, ++user.acceptSteps, false);  // then closed, then cancelled, if it stays open
        return;
    }
    const bool unattended = user.driven || user.headless;
    if (!worked && state().queue.empty() && unattended) {
        idleStep(dialog, ++user.idle, user.driven);
        return;
    }
    if (worked) user.idle = 0;
    if (!unattended) SDL_WaitEventTimeout(nullptr, 16);
}

void runModal(HWND dialog) {
    const bool driven = bool(state().driver.onDialog);
    const bool headless = isHeadless();
    const Uint32 acceptDelay = driven ? 0 : acceptDelayMs();
    ModalUser user{driven, headless, acceptDelay, SDL_GetTicks() + acceptDelay};
    if (driven && !finished(dialog)) startDriver(dialog);
    while (!finished(dialog)) {
        pumpEvents();
        const bool worked = dispatchQueued(dialog);
        if (finished(dialog)) break;
        drawShown(dialog);
        if (finished(dialog)) break;
        waitStep(dialog, user, worked);
    }
}

HWND createControls(HWND dialog, const DialogTemplate& t, HINSTANCE instance) {
    HWND first = nullptr;
    for (const DialogControl& c : t.controls) {
        ControlClass cls = classOf(c.kind);
        DWORD style = WS_CHILD | WS_VISIBLE | cls.style | c.style;
        HWND h = CreateWindowExA(0, cls.name, c.text.c_str(), style, dialogUnitsX(c.x), dialogUnitsY(c.y),
                                 dialogUnitsX(c.width), dialogUnitsY(c.height), dialog,
                                 reinterpret_cast<HMENU>(intptr_t(c.id)), instance, nullptr);
        if (h && !first && (style & WS_TABSTOP) && !(style & WS_DISABLED)) first = h;
        if (h && c.kind == ControlKind::DefaultButton) dialogOf(dialog)->defaultId = c.id;
    }
    return first;
}

HWND createDialog(const DialogTemplate& t, HINSTANCE instance, HWND owner) {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    RECT r{0, 0, dialogUnitsX(t.width), dialogUnitsY(t.height)};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    int width = r.right - r.left, height = r.bottom - r.top;
    RECT reference{};
    GetWindowRect(owner ? owner : GetDesktopWindow(), &reference);
    int x = reference.left + ((reference.right - reference.left) - width) / 2;
    int y = reference.top + ((reference.bottom - reference.top) - height) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    return CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", t.caption.c_str(), style, x, y, width, height, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace

int dialogUnitsX(int units) { return units * 7 / 4; }
int dialogUnitsY(int units) { return units * 14 / 8; }

void registerDialogTemplate(HINSTANCE module, LPCSTR name, const DialogTemplate& dialog) {
    if (name) state().templates[resourceKey(module, name)] = dialog;
}

void unregisterDialogTemplate(HINSTANCE module, LPCSTR name) {
    if (name) state().templates.erase(resourceKey(module, name));
}

void setDialogDriver(const DialogDriver& driver) { state().driver = driver; }

LRESULT dialogWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(handle);
    if (!w) return 0;
    if (!w->dialog) w->dialog = std::make_unique<Dialog>();  // made by CreateWindowEx: a plain dialog
    DLGPROC proc = w->dialog->proc;
    INT_PTR r = proc ? proc(handle, message, wParam, lParam) : FALSE;
    if (r) {
        if (message == WM_INITDIALOG) return r;
        Dialog* d = dialogOf(handle);
        return d ? d->msgResult : r;
    }
    return DefDlgProcA(handle, message, wParam, lParam);
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* d = dialogOf(dialog);
    switch (message) {
    case WM_CLOSE:
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return 0;
    case WM_INITDIALOG: return TRUE;
    case DM_GETDEFID: return d ? MAKELONG(d->defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        if (d) d->defaultId = int(wParam);
        return TRUE;
    case WM_COMMAND: return 0;
    default: return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    State& s = state();
    auto it = templateName ? s.templates.find(resourceKey(instance, templateName)) : s.templates.end();
    if (it == s.templates.end()) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (owner && !findWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    const DialogTemplate t = it->second;  // a copy: the driver may re-register templates
    if (owner) owner = topLevel(findWindow(owner))->handle;
    HWND dialog = createDialog(t, instance, owner);
    if (!dialog) return -1;
    Window* w = findWindow(dialog);
    w->dialog = std::make_unique<Dialog>();
    w->dialog->proc = dialogProc;
    w->dialog->templateName = templateName;
    w->dialog->owner = owner;
    HWND focus = createControls(dialog, t, instance);

    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (owner) EnableWindow(owner, FALSE);
    s.modalDepth++;
    if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam) && focus) SetFocus(focus);
    if (!finished(dialog)) {
        ShowWindow(dialog, SW_SHOW);
        if (Window* shown = findWindow(dialog)) shown->dialog->ui = createDialogUi(*shown);
        runModal(dialog);
    }
    s.modalDepth--;
    INT_PTR result = dialogOf(dialog) ? dialogOf(dialog)->result : IDCANCEL;
    if (owner && ownerWasEnabled) EnableWindow(owner, TRUE);
    if (Window* done = findWindow(dialog)) {
        destroyDialogUi(done->dialog->ui);
        done->dialog->ui = nullptr;
        DestroyWindow(dialog);
    }
    if (owner && findWindow(owner)) SetFocus(owner);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* d = dialogOf(dialog);
    if (!d) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    endWith(dialog, result);
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = findWindow(dialog);
    if (!w) return nullptr;
    for (HWND child : w->children)
        if (Window* c = findWindow(child); c && c->id == id) return child;
    return nullptr;
}

int GetDlgCtrlID(HWND control) {
    Window* w = findWindow(control);
    return w && (w->style & WS_CHILD) ? int(w->id) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) { return SetWindowTextA(GetDlgItem(dialog, id), text); }

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (text && maxCount > 0) text[0] = 0;
        return 0;
    }
    return UINT(GetWindowTextA(control, text, maxCount));
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!caption) caption = "Error";
    if (!text) text = "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    State& s = state();
    if (s.driver.onMessageBox) return s.driver.onMessageBox(text, caption, type);
    if (isHeadless()) return (type & 0xF) == MB_YESNO || (type & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;

    SDL_MessageBoxButtonData buttons[3];
    int count = 0;
    auto add = [&](int id, const char* label, Uint32 flags) { buttons[count++] = SDL_MessageBoxButtonData{flags, id, label}; };
    const Uint32 enter = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, esc = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    switch (type & 0xF) {
    case MB_OKCANCEL: add(IDOK, "OK", enter); add(IDCANCEL, "Cancel", esc); break;
    case 2: add(IDABORT, "Abort", enter); add(IDRETRY, "Retry", 0); add(IDIGNORE, "Ignore", esc); break;
    case MB_YESNOCANCEL: add(IDYES, "Yes", enter); add(IDNO, "No", 0); add(IDCANCEL, "Cancel", esc); break;
    case MB_YESNO: add(IDYES, "Yes", enter); add(IDNO, "No", esc); break;
    case 5: add(IDRETRY, "Retry", enter); add(IDCANCEL, "Cancel", esc); break;
    default: add(IDOK, "OK", enter | esc); break;
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & 0xF0) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
    Window* ownerWindow = topLevel(findWindow(owner));
    SDL_MessageBoxData data{flags, ownerWindow ? ownerWindow->sdl : nullptr, caption, text, count, buttons, nullptr};
    int pressed = buttons[0].buttonid;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) return buttons[count - 1].buttonid;
    return pressed;
}
