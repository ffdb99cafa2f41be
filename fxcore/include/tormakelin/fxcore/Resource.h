#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>

#include <map>
#include <string>
#include <vector>

namespace tormakelin::fxcore {

class IFolderManager;
class IResource;
class ISerializer;

// A sub-object of a resource, such as one image of an atlas.
class TORMAKELIN_FXCORE_API IResourceObject {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual core::UniqueId const& getId() const = 0;
    // "Group/Name", or a bare name.
    virtual std::string getName() const = 0;
    virtual std::string getFileName() const = 0;
    virtual int getObjectType() const = 0;
    virtual void* getObjectData() = 0;
    virtual std::string getGroupName() const = 0;
    virtual std::string getFormattedName() const = 0;
    virtual ~IResourceObject() = default;
};

enum ResourceLoadStatus : int {
    kResourceLoadOk = 0,
    kResourceLoadFailed = 1, // with a message
    kResourceLoadCancelled = 2,
};

// What a loader's loadResource reports.
struct ResourceLoadResult {
    int status = kResourceLoadOk;
    std::string message;
};

using ResourceLoaderParameters = std::map<std::string, IParameter*>;

class TORMAKELIN_FXCORE_API IResourceLoader {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual IParameter* addParameter(std::string const& name, ParameterType type, std::string const& defaultText) = 0;
    virtual ResourceLoaderParameters const& getParameters() const = 0;
    virtual IParameter* findParameter(std::string const& name) const = 0;
    // The new resource comes back with one reference for the caller.
    virtual void loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive, IResource** resource) = 0;
    virtual ~IResourceLoader() = default;
};

struct ResourceInfo {
    core::UniqueId id{};
    core::SmartRef<IResourceLoader> loader;
    std::string fileName;
    std::string name;
    std::string path;
    std::string description;
};

class TORMAKELIN_FXCORE_API IResource {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual ResourceInfo& getInfo() = 0;
    virtual std::vector<IResourceObject*> const& getObjects() const = 0;
    virtual void getDependantFiles(std::vector<std::string>& out) const = 0;
    virtual ~IResource() = default;
};

// A resource that receives the drawing of a layer's children between begin and end.
class TORMAKELIN_FXCORE_API IRenderTargetReceiver {
public:
    virtual void begin() = 0;
    virtual void end() = 0;
    virtual ~IRenderTargetReceiver() = default;
};

class TORMAKELIN_FXCORE_API Resource : public core::RefCounted<IResource>, public IPlugin {
public:
    Resource();
    Resource(Resource const&) = delete;
    Resource& operator=(Resource const&) = delete;

    ResourceInfo& getInfo() override;
    std::vector<IResourceObject*> const& getObjects() const override;
    void getDependantFiles(std::vector<std::string>& out) const override;
    PluginDesc const& getPluginDesc() const override;
    void setPluginDesc(PluginDesc const& desc) override;
    void addObject(IResourceObject* object);
    ~Resource() override;

private:
    PluginDesc m_pluginDesc;
    ResourceInfo m_info;
    std::vector<IResourceObject*> m_objects;
};

class TORMAKELIN_FXCORE_API ResourceLoader : public core::RefCounted<IResourceLoader>, public IPlugin {
public:
    ResourceLoader() = default;
    ResourceLoader(ResourceLoader const&) = delete;
    ResourceLoader& operator=(ResourceLoader const&) = delete;

    IParameter* addParameter(std::string const& name, ParameterType type, std::string const& defaultText) override;
    ResourceLoaderParameters const& getParameters() const override;
    IParameter* findParameter(std::string const& name) const override;
    PluginDesc const& getPluginDesc() const override;
    void setPluginDesc(PluginDesc const& desc) override;
    std::string const& getFilter() const { return m_filter; }
    void setFilter(std::string filter) { m_filter = std::move(filter); }
    ~ResourceLoader() override;

private:
    PluginDesc m_pluginDesc;
    std::string m_filter;
    ResourceLoaderParameters m_parameters;
};

class TORMAKELIN_FXCORE_API ResourceObject : public core::RefCounted<IResourceObject> {
public:
    ResourceObject();
    ResourceObject(ResourceObject const&) = delete;
    ResourceObject& operator=(ResourceObject const&) = delete;

    core::UniqueId const& getId() const override;
    std::string getGroupName() const override;
    std::string getFormattedName() const override;
    void setId(core::UniqueId const& id) { m_id = id; }

private:
    core::UniqueId m_id{};
};

class TORMAKELIN_FXCORE_API IResourceManager {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual std::vector<IResource*> const& getResources() const = 0;
    virtual IResource* findResource(core::UniqueId const& id) const = 0;
    virtual IResourceObject* findResourceObject(core::UniqueId const& id) const = 0;
    virtual void addResource(IResource* resource) = 0;
    virtual void removeResource(core::UniqueId const& id) = 0;
    virtual IFolderManager* getFolderManager() const = 0;
    virtual std::vector<std::string> getDependantFiles() const = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IResourceManager() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API IResourceManager* createResourceManager();

} // namespace tormakelin::fxcore
