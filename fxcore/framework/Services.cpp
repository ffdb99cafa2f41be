#include <tormakelin/fxcore/Services.h>

namespace tormakelin::fxcore {

IPluginManager* (*FrameworkServices::pluginManager)() = [] { return static_cast<IPluginManager*>(nullptr); };
IScriptEngine* (*FrameworkServices::scriptEngine)() = [] { return static_cast<IScriptEngine*>(nullptr); };
IGraphManager* (*FrameworkServices::graphManager)() = [] { return static_cast<IGraphManager*>(nullptr); };
IResource* (*FrameworkServices::findResource)(core::UniqueId const&, std::vector<core::UniqueId> const&) =
    [](core::UniqueId const&, std::vector<core::UniqueId> const&) { return static_cast<IResource*>(nullptr); };

} // namespace tormakelin::fxcore
