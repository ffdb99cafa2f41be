#pragma once

#include <tormakelin/fxcore/Export.h>

#include <tormakelin/core/UniqueId.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tormakelin::fxcore {

enum PluginType : int {
    kPluginGraphNode = 0,
    kPluginResource = 1,
    kPluginResourceLoader = 2,
};

// One per plug-in class; project documents name types by its id.
struct PluginDesc {
    int type = kPluginGraphNode;
    core::UniqueId id{};
    std::string path;
    std::string name;
};

struct PluginLibraryDesc {
    core::UniqueId id{};
    std::string category;
    std::string name;
    // Any value but 0 refuses the library.
    int32_t reserved = 0;
};

// The second interface of every object a plug-in library creates.
class TORMAKELIN_FXCORE_API IPlugin {
public:
    virtual PluginDesc const& getPluginDesc() const = 0;
    virtual void setPluginDesc(PluginDesc const& desc) = 0;
    virtual ~IPlugin() = default;
};

// What the kind argument of the query entry point asks for.
enum PluginQueryKind : int {
    kPluginQueryDesc = 0,   // the descriptor of an index
    kPluginQueryCreate = 1, // a new object of an index
};

// Entry points every plug-in library exports.
extern "C" {
using PluginFactoryQueryFunction = PluginLibraryDesc* (*)();
using PluginQueryFunction = void* (*)(int kind, int index);
}

inline constexpr char kPluginFactoryQueryName[] = "tormakelinPluginFactoryQuery";
inline constexpr char kPluginQueryName[] = "tormakelinPluginQuery";

class TORMAKELIN_FXCORE_API IPluginFactory {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool load(std::string const& path) = 0;
    virtual PluginLibraryDesc const* getLibraryDesc() const = 0;
    virtual std::vector<PluginDesc> const& getPluginDescs() const = 0;
    virtual IPlugin* createPlugin(core::UniqueId const& id) = 0;
    virtual bool hasPlugin(core::UniqueId const& id) const = 0;
    virtual std::string const& getPath() const = 0;
    virtual ~IPluginFactory() = default;
};

class TORMAKELIN_FXCORE_API IPluginManager {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool loadPlugins(std::string const& path) = 0;
    virtual std::vector<IPluginFactory*> const& getFactories() const = 0;
    virtual IPlugin* createPlugin(core::UniqueId const& id) = 0;
    virtual std::string getPluginPath(PluginDesc const& desc) const = 0;
    virtual ~IPluginManager() = default;
};

TORMAKELIN_FXCORE_API IPluginFactory* createPluginFactory();
TORMAKELIN_FXCORE_API IPluginManager* createPluginManager();

// Creates by id and hands the object out as T only when it is one; anything else is destroyed.
template <typename T>
T* createPluginAs(IPluginManager* manager, core::UniqueId const& id)
{
    if (!manager)
        return nullptr;
    IPlugin* plugin = manager->createPlugin(id);
    if (!plugin)
        return nullptr;
    T* object = dynamic_cast<T*>(plugin);
    if (!object)
        delete plugin;
    return object;
}

} // namespace tormakelin::fxcore

// The effects library answers the plug-in protocol itself.
extern "C" {
TORMAKELIN_FXCORE_API tormakelin::fxcore::PluginLibraryDesc* tormakelinPluginFactoryQuery();
TORMAKELIN_FXCORE_API void* tormakelinPluginQuery(int kind, int index);
}
