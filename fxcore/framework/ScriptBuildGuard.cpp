#include "ScriptBuildGuard.h"

#include "AngelScript.h"

#include <tormakelin/core/ChildGuard.h>

namespace tormakelin::fxcore::detail {

bool compilerSurvives(asIScriptModule* module, char const* section, std::string const& text)
{
    return core::survivesInChild("script", text, [&] {
        module->AddScriptSection(section, text.c_str(), text.size());
        module->Build();
    });
}

} // namespace tormakelin::fxcore::detail
