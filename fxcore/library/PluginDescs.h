#pragma once

#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/UniqueId.h>

namespace tormakelin::fxcore {

// A type's descriptor as the registry lists it; resources carry their name as their path too.
inline PluginDesc libraryPluginDesc(PluginType type, char const* id, char const* path, char const* name)
{
    PluginDesc desc;
    desc.type = type;
    desc.id = core::stringToUniqueId(id);
    desc.path = path;
    desc.name = name;
    return desc;
}

} // namespace tormakelin::fxcore
