#pragma once
// What every loader does around its own reading: make the resource by its type id, fill in what
// the project shows of it, and word failures.

#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/SmartRef.h>

#include <string>

namespace tormakelin::fxcore::detail {

inline void failLoad(ResourceLoadResult& result, std::string message)
{
    result.status = kResourceLoadFailed;
    result.message = std::move(message);
}

// A new resource of T's type made through the plug-in manager; null, with "Unable to create
// <className> plugin." in the result, when there is none.
template <class T>
core::SmartRef<T> createResourcePlugin(ResourceLoadResult& result, char const* className)
{
    core::SmartRef<T> made(createPluginAs<T>(FrameworkServices::pluginManager(), T::_pluginDesc.id));
    if (!made)
        failLoad(result, std::string("Unable to create ") + className + " plugin.");
    return made;
}

// Fills the info of a loaded resource and hands it out with one reference for the caller.
inline void finishLoad(ResourceLoadResult& result, Resource* resource, IResourceLoader* loader,
    std::string description, char const* typeLabel, std::string const& fileName, IResource** out)
{
    ResourceInfo& info = resource->getInfo();
    info.description = std::move(description);
    info.name = typeLabel;
    info.fileName = fileName;
    info.loader = loader;
    result.status = 0;
    result.message.clear();
    resource->addRef();
    *out = resource;
}

} // namespace tormakelin::fxcore::detail
