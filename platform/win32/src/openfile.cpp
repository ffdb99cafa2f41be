// GetOpenFileNameA: answered by the scripted user, cancelled without a display, or asked through
// a dialog of the layer's own (folder list, file name, file types).
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <imgui.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

DWORD g_extendedError = 0;

const int kFolder = kOpenFileFolder, kName = kOpenFileName, kTypes = kOpenFileTypes;

bool isDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The name in folder that is part in another case; empty when there is none or the folder
// cannot be read.
std::string nameInAnyCase(const std::string& folder, const std::string& part) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string match;
    while (dirent* e = readdir(dir))
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            match = e->d_name;
            break;
        }
    closedir(dir);
    return match;
}

// A disk path for text that may use "\" and a case the disk does not have.
std::string osPath(const std::string& text) {
    std::string path = text;
    std::replace(path.begin(), path.end(), '\\', '/');
    struct stat st{};
    if (path.empty() || stat(path.c_str(), &st) == 0) return path;
    std::string resolved = path[0] == '/' ? "/" : "";
    size_t start = path[0] == '/' ? 1 : 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? path.size() + 1 : end + 1;
        if (part.empty()) continue;
        std::string candidate = resolved + part;
        if (stat(candidate.c_str(), &st) != 0) {
            const std::string match = nameInAnyCase(resolved, part);
            if (match.empty()) return path;
            candidate = resolved + match;
        }
        resolved = candidate + (start <= path.size() ? "/" : "");
    }
    return resolved;
}

bool fileExists(const std::string& text) {
    struct stat st{};
    return stat(osPath(text).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool matchesFilter(const std::string& name, const std::string& patterns) {
    if (patterns.empty()) return true;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        std::string pattern = patterns.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!pattern.empty() && fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

struct Entry {
    std::string name;
    bool folder;
};

struct Browser {
    OPENFILENAMEA* request = nullptr;
    std::vector<std::pair<std::string, std::string>> filters;
    std::string folder;
    std::vector<Entry> entries;
    std::string listedFolder, listedPatterns;
    std::string error;
    std::string chosen;
};

std::string textOf(HWND dialog, int id) {
    char buffer[4096];
    GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
    return buffer;
}

std::string currentPatterns(HWND dialog, const Browser& b) {
    LRESULT sel = SendDlgItemMessageA(dialog, kTypes, CB_GETCURSEL, 0, 0);
    return sel >= 0 && size_t(sel) < b.filters.size() ? b.filters[size_t(sel)].second : std::string();
}

void list(HWND dialog, Browser& b) {
    std::string patterns = currentPatterns(dialog, b);
    if (b.listedFolder == b.folder && b.listedPatterns == patterns) return;
    b.listedFolder = b.folder;
    b.listedPatterns = patterns;
    b.entries.clear();
    DIR* dir = opendir(b.folder.c_str());
    if (!dir) return;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool folder = isDirectory(b.folder + "/" + name);
        if (folder || matchesFilter(name, patterns)) b.entries.push_back(Entry{name, folder});
    }
    closedir(dir);
    std::sort(b.entries.begin(), b.entries.end(), [](const Entry& x, const Entry& y) {
        if (x.folder != y.folder) return x.folder;
        return strcasecmp(x.name.c_str(), y.name.c_str()) < 0;
    });
}

void enter(HWND dialog, Browser& b, const std::string& folder) {
    char resolved[PATH_MAX];
    b.folder = realpath(folder.c_str(), resolved) ? resolved : folder;
    SetDlgItemTextA(dialog, kFolder, b.folder.c_str());
    b.error.clear();
}

void drawList(HWND dialog) {
    auto* b = reinterpret_cast<Browser*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!b) return;
    list(dialog, *b);
    ImGui::SetCursorPos(ImVec2(float(dialogUnitsX(7)), float(dialogUnitsY(24))));
    RECT client{};
    GetClientRect(dialog, &client);
    ImVec2 size(float(client.right - dialogUnitsX(14)), float(dialogUnitsY(130)));
    ImGui::BeginChild("files", size, true);
    std::string target;
    bool open = false;
    if (ImGui::Selectable("[..]", false, ImGuiSelectableFlags_AllowDoubleClick) && ImGui::IsMouseDoubleClicked(0))
        target = b->folder + "/..";
    for (const Entry& e : b->entries) {
        std::string shown = e.folder ? "[" + e.name + "]" : e.name;
        if (!ImGui::Selectable(shown.c_str(), false, ImGuiSelectableFlags_AllowDoubleClick)) continue;
        bool twice = ImGui::IsMouseDoubleClicked(0);
        if (e.folder && twice) target = b->folder + "/" + e.name;
        if (!e.folder) {
            SetDlgItemTextA(dialog, kName, e.name.c_str());
            open = twice;
        }
    }
    ImGui::EndChild();
    if (!b->error.empty()) ImGui::TextColored(ImVec4(0.7f, 0, 0, 1), "%s", b->error.c_str());
    if (!target.empty()) enter(dialog, *b, target);
    if (open) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void accept(HWND dialog, Browser& b) {
    std::string name = textOf(dialog, kName);
    if (name.empty()) return;
    std::string full = name[0] == '/' ? name : b.folder + "/" + name;
    if (isDirectory(osPath(full))) {
        enter(dialog, b, osPath(full));
        SetDlgItemTextA(dialog, kName, "");
        return;
    }
    if ((b.request->Flags & OFN_FILEMUSTEXIST) && !fileExists(full)) {
        b.error = "File not found: " + name;
        return;
    }
    b.chosen = full;
    b.request->nFilterIndex = DWORD(SendDlgItemMessageA(dialog, kTypes, CB_GETCURSEL, 0, 0) + 1);
    EndDialog(dialog, IDOK);
}

std::string startFolder(const OPENFILENAMEA& request) {
    if (request.lpstrInitialDir) return osPath(request.lpstrInitialDir);
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof(cwd)) ? cwd : "/";
}

INT_PTR initBrowser(HWND dialog, Browser& b) {
    if (b.request->lpstrTitle) SetWindowTextA(dialog, b.request->lpstrTitle);
    for (auto& f : b.filters) SendDlgItemMessageA(dialog, kTypes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.first.c_str()));
    DWORD index = b.request->nFilterIndex ? b.request->nFilterIndex - 1 : 0;
    SendDlgItemMessageA(dialog, kTypes, CB_SETCURSEL, index < b.filters.size() ? index : 0, 0);
    std::string start = startFolder(*b.request);
    enter(dialog, b, isDirectory(start) ? start : "/");
    if (b.request->lpstrFile && b.request->lpstrFile[0]) SetDlgItemTextA(dialog, kName, b.request->lpstrFile);
    Window* w = findWindow(dialog);
    if (w && w->dialog) w->dialog->drawExtra = drawList;
    return TRUE;
}

INT_PTR browserCommand(HWND dialog, Browser& b, WPARAM wParam) {
    if (LOWORD(wParam) == IDOK) accept(dialog, b);
    else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
    else if (LOWORD(wParam) == kFolder && HIWORD(wParam) == EN_CHANGE) {
        std::string folder = textOf(dialog, kFolder);
        if (isDirectory(folder)) b.folder = folder;
    }
    return TRUE;
}

INT_PTR browserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* b = reinterpret_cast<Browser*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return initBrowser(dialog, *reinterpret_cast<Browser*>(lParam));
    case WM_COMMAND: return b ? browserCommand(dialog, *b, wParam) : FALSE;
    default: return FALSE;
    }
}

LPCSTR browserTemplate() {
    static bool registered = false;
    static const LPCSTR name = kOpenFileTemplate;
    if (!registered) {
        registered = true;
        DialogTemplate t;
        t.caption = "Open";
        t.width = 280;
        t.height = 212;
        auto add = [&](ControlKind kind, int id, const char* text, int x, int y, int w, int h) {
            t.controls.push_back(DialogControl{kind, id, text, x, y, w, h, 0});
        };
        add(ControlKind::Static, -1, "Look in:", 7, 9, 40, 10);
        add(ControlKind::Edit, kFolder, "", 50, 7, 223, 13);
        add(ControlKind::Static, -1, "File name:", 7, 160, 50, 10);
        add(ControlKind::Edit, kName, "", 60, 158, 155, 13);
        add(ControlKind::Static, -1, "Files of type:", 7, 178, 50, 10);
        add(ControlKind::ComboBox, kTypes, "", 60, 176, 155, 60);
        add(ControlKind::DefaultButton, IDOK, "&Open", 222, 157, 50, 14);
        add(ControlKind::Button, IDCANCEL, "Cancel", 222, 175, 50, 14);
        registerDialogTemplate(moduleOf(&g_extendedError), name, t);
    }
    return name;
}

bool askUser(OPENFILENAMEA& request, std::string& path) {
    Browser b;
    b.request = &request;
    b.filters = parseFilter(request.lpstrFilter);
    INT_PTR r = DialogBoxParamA(moduleOf(&g_extendedError), browserTemplate(), request.hwndOwner, browserProc,
                                reinterpret_cast<LPARAM>(&b));
    if (r != IDOK) return false;
    path = b.chosen;
    std::replace(path.begin(), path.end(), '/', '\\');  // paths stay in the system's text form
    return true;
}

void fillResult(OPENFILENAMEA& request, const std::string& path) {
    std::memcpy(request.lpstrFile, path.c_str(), path.size() + 1);
    size_t slash = path.find_last_of("\\/");
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    size_t extension = (dot == std::string::npos || dot < nameStart) ? path.size() : dot + 1;
    request.nFileOffset = WORD(std::min<size_t>(nameStart, 0xFFFF));
    request.nFileExtension = WORD(std::min<size_t>(extension, 0xFFFF));
    if (request.lpstrFileTitle && request.nMaxFileTitle > 0) {
        std::string title = path.substr(nameStart);
        size_t n = std::min<size_t>(title.size(), request.nMaxFileTitle - 1);
        std::memcpy(request.lpstrFileTitle, title.data(), n);
        request.lpstrFileTitle[n] = 0;
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parseFilter(LPCSTR filter, size_t maxBytes) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!filter) return out;
    size_t at = 0;
    auto next = [&](std::string& text) {
        size_t start = at;
        while (at < maxBytes && filter[at]) ++at;
        if (at >= maxBytes) return false;
        text.assign(filter + start, at - start);
        ++at;
        return true;
    };
    while (at < maxBytes && filter[at]) {
        std::string description, pattern;
        if (!next(description)) break;
        if (at >= maxBytes || !filter[at] || !next(pattern)) break;  // the list ended inside a pair
        out.emplace_back(description, pattern);
    }
    return out;
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

BOOL GetOpenFileNameA(LPOPENFILENAMEA request) {
    g_extendedError = 0;
    if (!request || request->lStructSize < offsetof(OPENFILENAMEA, pvReserved)) {
        g_extendedError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!request->lpstrFile || request->nMaxFile == 0) {
        g_extendedError = FNERR_INVALIDFILENAME;
        return FALSE;
    }
    const DialogDriver& driver = state().driver;
    std::string path;
    bool chosen = false;
    if (driver.onOpenFile) {
        auto onOpenFile = driver.onOpenFile;
        chosen = onOpenFile(*request, path);
    } else if (driver.onDialog || !isHeadless()) {
        chosen = askUser(*request, path);  // a scripted user works the layer's own dialog
    }
    if (!chosen || path.empty()) return FALSE;
    if ((request->Flags & OFN_FILEMUSTEXIST) && !fileExists(path)) {
        g_extendedError = FNERR_INVALIDFILENAME;
        return FALSE;
    }
    if (path.size() + 1 > request->nMaxFile) {
        // As the original: the size needed goes into the first two bytes of the buffer.
        g_extendedError = FNERR_BUFFERTOOSMALL;
        if (request->nMaxFile >= 2) {
            WORD needed = WORD(std::min<size_t>(path.size() + 1, 0xFFFF));
            std::memcpy(request->lpstrFile, &needed, sizeof(needed));
        }
        return FALSE;
    }
    fillResult(*request, path);
    return TRUE;
}

DWORD CommDlgExtendedError() { return g_extendedError; }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) { return init != nullptr; }

void InitCommonControls() {}
