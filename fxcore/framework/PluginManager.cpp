#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Path.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace tormakelin::fxcore {

namespace {

class PluginManager final : public core::RefCounted<IPluginManager> {
public:
    bool loadPlugins(std::string const& path) override;
    std::vector<IPluginFactory*> const& getFactories() const override { return m_factories; }
    IPlugin* createPlugin(core::UniqueId const& id) override;
    std::string getPluginPath(PluginDesc const& desc) const override;
    ~PluginManager() override
    {
        for (IPluginFactory* factory : m_factories)
            factory->release();
    }

private:
    std::vector<IPluginFactory*> m_factories;
};

std::string folderOf(std::string const& path)
{
    std::string drive, directory, name, extension, folder;
    core::splitPath(path, drive, directory, name, extension);
    core::makePath(folder, drive, directory, "", "");
    return folder;
}

bool PluginManager::loadPlugins(std::string const& path)
{
    std::vector<core::FileInfo> files;
    core::findFiles(folderOf(path), "*.so", files, false);
    for (core::FileInfo const& file : files) {
        if (file.isDirectory)
            continue;
        IPluginFactory* factory = createPluginFactory();
        if (!factory)
            continue;
        factory->addRef();
        if (factory->load(file.name)) {
            factory->addRef();
            m_factories.push_back(factory);
        }
        factory->release();
    }
    return true;
}

IPlugin* PluginManager::createPlugin(core::UniqueId const& id)
{
    for (IPluginFactory* factory : m_factories)
        if (IPlugin* plugin = factory->createPlugin(id))
            return plugin;
    return nullptr;
}

std::string PluginManager::getPluginPath(PluginDesc const& desc) const
{
    for (IPluginFactory const* factory : m_factories)
        for (PluginDesc const& own : factory->getPluginDescs())
            if (std::memcmp(&own.id, &desc.id, sizeof(core::UniqueId)) == 0)
                return factory->getPath();
    return std::string();
}

} // namespace

IPluginManager* createPluginManager()
{
    return new (std::nothrow) PluginManager();
}

} // namespace tormakelin::fxcore
