#pragma once

#include <tormakelin/fxcore/Export.h>

#include <tormakelin/core/UniqueId.h>

#include <vector>

namespace tormakelin::fxcore {

class IGraphManager;
class IPluginManager;
class IResource;
class IScriptEngine;

// What the graph code reaches through the application and its current document. The
// application fills these in; each is null while there is none.
struct TORMAKELIN_FXCORE_API FrameworkServices {
    static IPluginManager* (*pluginManager)();
    static IScriptEngine* (*scriptEngine)();
    static IGraphManager* (*graphManager)();
    // The resource of the id with one reference for the caller, when its type is one of
    // typeIds (any type for an empty list); null when there is none.
    static IResource* (*findResource)(core::UniqueId const& id, std::vector<core::UniqueId> const& typeIds);
};

} // namespace tormakelin::fxcore
