#include <tormakelin/fxcore/ScriptEngine.h>

#include <dlfcn.h>

namespace tormakelin::fxcore {

void* g_instance = nullptr;

namespace {

// The module handle is the library's load address, as the loader reports it.
__attribute__((constructor)) void onLibraryAttach()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&onLibraryAttach), &info) != 0)
        g_instance = info.dli_fbase;
}

} // namespace

} // namespace tormakelin::fxcore
