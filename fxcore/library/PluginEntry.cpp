#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/UniqueId.h>

namespace {

using tormakelin::fxcore::PluginLibraryDesc;

PluginLibraryDesc& libraryDesc()
{
    static PluginLibraryDesc desc = [] {
        PluginLibraryDesc made;
        tormakelin::core::stringToUniqueId("DA1B056E-B23C-11DD-BE63-950169F8C30A", made.id);
        made.category = "Standard";
        made.name = "Standard Effects Library";
        made.reserved = 0;
        return made;
    }();
    return desc;
}

} // namespace

extern "C" {

PluginLibraryDesc* tormakelinPluginFactoryQuery()
{
    return &libraryDesc();
}

// The library's own types register here; until they do, it lists none.
void* tormakelinPluginQuery(int, int)
{
    return nullptr;
}

} // extern "C"
