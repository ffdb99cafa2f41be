// The layer's global records, module handles, last error, time and SDL start-up.
#include <dlfcn.h>
#include <link.h>
#include <sys/auxv.h>
#include <time.h>
#include <unistd.h>

#include <SDL2/SDL.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {
thread_local DWORD t_lastError = 0;
}

State& state() {
    // Never freed: windows may still be touched from static destructors at exit.
    static State* s = nullptr;
    if (!s) {
        s = new State;
        installStopSignals();
        registerSystemClasses();
        auto desktop = std::make_unique<Window>();
        desktop->handle = newHandle();
        desktop->style = WS_POPUP | WS_VISIBLE;
        s->desktop = desktop->handle;
        s->windows[desktop->handle] = std::move(desktop);
    }
    return *s;
}

Window* findWindow(HWND handle) {
    if (!handle) return nullptr;
    auto& windows = state().windows;
    auto it = windows.find(handle);
    if (it == windows.end()) return nullptr;
    if (handle == state().desktop) {
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        it->second->rect = RECT{0, 0, w, h};
    }
    return it->second.get();
}

Window* topLevel(Window* window) {
    while (window && (window->style & WS_CHILD) && window->parent) {
        Window* parent = findWindow(window->parent);
        if (!parent) break;
        window = parent;
    }
    return window;
}

HWND newHandle() {
    // Never reused, so a stale handle stays invalid.
    State* s = &state();
    uintptr_t value = s->nextHandle;
    s->nextHandle += 4;
    return reinterpret_cast<HWND>(value);
}

void setError(DWORD error) { t_lastError = error; }

bool isHeadless() {
    if (!ensureVideo()) return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || !std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy");
}

bool ensureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Signals are this layer's own (installStopSignals); closing the last window is the program's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint("SDL_QUIT_ON_LAST_WINDOW_CLOSE", "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    // No display: fall back to SDL's offscreen driver so windows and GL still work.
    std::fprintf(stderr, "Video start failed (%s); using the offscreen driver.\n", SDL_GetError());
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    return SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
}

HINSTANCE mainModule() {
    static HINSTANCE main = moduleOf(reinterpret_cast<const void*>(getauxval(AT_ENTRY)));
    return main;
}

HMODULE moduleOf(const void* address) {
    Dl_info info{};
    if (!address || !dladdr(address, &info)) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

std::string resourceKey(HINSTANCE module, LPCSTR name) {
    if (!module) module = mainModule();
    char prefix[32];
    std::snprintf(prefix, sizeof(prefix), "%p:", static_cast<void*>(module));
    std::string key = prefix;
    if (IS_INTRESOURCE(name)) return key + "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    for (const char* c = name; *c; ++c) key += char(std::toupper(static_cast<unsigned char>(*c)));
    return key;
}

}  // namespace tormakelin::win32

using namespace tormakelin::win32;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

void Sleep(DWORD milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {}
}

DWORD GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

namespace {
struct ModuleSearch {
    std::string name;
    HMODULE found = nullptr;
};

std::string baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    std::string name = slash ? slash + 1 : path;
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}
}  // namespace

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return mainModule();
    ModuleSearch search{baseName(moduleName)};
    for (const char* ext : {".dll", ".so"}) {
        size_t n = std::strlen(ext);
        if (search.name.size() > n && search.name.compare(search.name.size() - n, n, ext) == 0)
            search.name.resize(search.name.size() - n);
    }
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* s = static_cast<ModuleSearch*>(data);
            if (!info->dlpi_name || !*info->dlpi_name) return 0;
            std::string name = baseName(info->dlpi_name);
            if (name == s->name || name == s->name + ".so" || name == "lib" + s->name + ".so") {
                for (int i = 0; i < info->dlpi_phnum; ++i)
                    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
                        s->found = moduleOf(reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr));
                        return 1;
                    }
            }
            return 0;
        },
        &search);
    if (!search.found) setError(126);  // ERROR_MOD_NOT_FOUND
    return search.found;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleNameOrAddress, HMODULE* module) {
    if (!module) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *module = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) ? moduleOf(moduleNameOrAddress)
                                                                : GetModuleHandleA(moduleNameOrAddress);
    return *module != nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (!fileName || size == 0) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string path;
    if (!module || module == mainModule()) {
        char buffer[4096];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
        if (n > 0) path.assign(buffer, size_t(n));
    } else {
        struct Search {
            HMODULE module;
            std::string path;
        } search{module, {}};
        dl_iterate_phdr(
            [](dl_phdr_info* info, size_t, void* data) -> int {
                auto* s = static_cast<Search*>(data);
                for (int i = 0; i < info->dlpi_phnum; ++i)
                    if (info->dlpi_phdr[i].p_type == PT_LOAD &&
                        moduleOf(reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr)) == s->module) {
                        s->path = info->dlpi_name ? info->dlpi_name : "";
                        return 1;
                    }
                return 0;
            },
            &search);
        path = search.path;
    }
    if (path.empty()) {
        fileName[0] = 0;
        setError(126);  // ERROR_MOD_NOT_FOUND
        return 0;
    }
    for (char& c : path)
        if (c == '/') c = '\\';  // paths stay in the system's text form
    if (path.size() + 1 > size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = 0;
        setError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    setError(ERROR_SUCCESS);
    return DWORD(path.size());
}
