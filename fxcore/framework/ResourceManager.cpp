#include <tormakelin/fxcore/Folder.h>
#include "CreateValid.h"
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include "XmlWalk.h"

#include <algorithm>
#include <new>

namespace tormakelin::fxcore {
namespace {

class ResourceManager final : public core::RefCounted<IResourceManager> {
public:
    ResourceManager() : m_folders(createFolderManager()) {}
    ~ResourceManager() override
    {
        for (IResource* resource : m_resources)
            resource->release();
    }
    bool valid() const { return static_cast<bool>(m_folders); }

    std::vector<IResource*> const& getResources() const override { return m_resources; }
    IResource* findResource(core::UniqueId const& id) const override
    {
        for (IResource* resource : m_resources)
            if (resource->getInfo().id == id)
                return resource;
        return nullptr;
    }
    IResourceObject* findResourceObject(core::UniqueId const& id) const override
    {
        for (IResource* resource : m_resources)
            for (IResourceObject* object : resource->getObjects())
                if (object->getId() == id)
                    return object;
        return nullptr;
    }
    void addResource(IResource* resource) override
    {
        if (!resource)
            return;
        resource->addRef();
        m_resources.push_back(resource);
    }
    void removeResource(core::UniqueId const& id) override
    {
        auto const it = std::find_if(m_resources.begin(), m_resources.end(),
            [&](IResource* resource) { return resource->getInfo().id == id; });
        if (it == m_resources.end())
            return;
        IResource* const resource = *it;
        m_resources.erase(it);
        resource->release();
    }
    IFolderManager* getFolderManager() const override { return m_folders.get(); }
    std::vector<std::string> getDependantFiles() const override
    {
        std::vector<std::string> files;
        for (IResource* resource : m_resources)
            resource->getDependantFiles(files);
        return files;
    }
    bool serialize(ISerializer* serializer) override
    {
        if (!serializer)
            return false;
        if (serializer->isSaving())
            return save(serializer);
        detail::forEachChild(serializer, [&](std::string const& name) {
            if (name == "FolderManager")
                m_folders->serialize(serializer);
            else if (name == "Resource")
                loadResource(serializer);
        });
        return true;
    }

private:
    bool save(ISerializer* serializer)
    {
        if (!beginElement(serializer, kResourceManagerElement))
            return false;
        m_folders->serialize(serializer);
        for (IResource* resource : m_resources)
            saveResource(serializer, resource);
        endElement(serializer);
        return true;
    }

    static void saveResource(ISerializer* serializer, IResource* resource)
    {
        if (!beginElement(serializer, "Resource"))
            return;
        ResourceInfo& info = resource->getInfo();
        IResourceLoader* loader = info.loader.get();
        auto* loaderPlugin = dynamic_cast<IPlugin*>(loader);
        core::UniqueId loaderId = loaderPlugin ? loaderPlugin->getPluginDesc().id : core::UniqueId{};
        serializeAttribute(serializer, "Id", info.id);
        serializeAttribute(serializer, "Filename", info.fileName);
        serializeAttribute(serializer, "ResourceLoaderPluginId", loaderId);
        serializeAttribute(serializer, "Description", info.description);
        if (beginElement(serializer, "ParameterMap")) {
            if (loader)
                for (auto const& [name, parameter] : loader->getParameters()) {
                    if (!beginElement(serializer, "Parameter"))
                        break;
                    std::string key = name;
                    std::string value = parameter->getText();
                    serializeAttribute(serializer, "Name", key);
                    serializeAttribute(serializer, "Value", value);
                    endElement(serializer);
                }
            endElement(serializer);
        }
        endElement(serializer);
    }

    void loadResource(ISerializer* serializer)
    {
        core::UniqueId id{};
        core::UniqueId loaderId{};
        std::string fileName;
        std::string description;
        serializeAttribute(serializer, "Id", id);
        serializeAttribute(serializer, "Filename", fileName);
        serializeAttribute(serializer, "ResourceLoaderPluginId", loaderId);
        serializeAttribute(serializer, "Description", description);
        IResourceLoader* made = createPluginAs<IResourceLoader>(FrameworkServices::pluginManager(), loaderId);
        core::SmartRef<IResourceLoader> const loader(made);
        if (!loader)
            return;
        forEachChildElement(serializer, "ParameterMap", [&](core::IXmlNode*) {
            forEachChildElement(serializer, "Parameter", [&](core::IXmlNode*) {
                std::string name;
                std::string value;
                serializeAttribute(serializer, "Name", name);
                serializeAttribute(serializer, "Value", value);
                if (IParameter* parameter = loader->findParameter(name))
                    parameter->setText(value);
            });
        });
        ResourceLoadResult result;
        IResource* loaded = nullptr;
        loader->loadResource(result, nullptr, false, &loaded);
        core::SmartRef<IResource> const held(loaded);
        if (loaded)
            loaded->release();
        // A failed load keeps nothing, and its words reach the log.
        if (result.status != kResourceLoadOk || !loaded) {
            if (!result.message.empty())
                core::Debug(core::DebugWarning, __FILE__, __LINE__, "resources") << result.message;
            return;
        }
        ResourceInfo& info = loaded->getInfo();
        info.id = id;
        info.description = description;
        if (!info.loader)
            info.loader = loader;
        addResource(loaded);
    }

    std::vector<IResource*> m_resources;
    core::SmartRef<IFolderManager> m_folders;
};

} // namespace

IResourceManager* createResourceManager()
{
    return createValid<ResourceManager>();
}

} // namespace tormakelin::fxcore
