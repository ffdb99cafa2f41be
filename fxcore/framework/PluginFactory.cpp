#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Path.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace tormakelin::fxcore {

namespace {

bool sameId(core::UniqueId const& a, core::UniqueId const& b)
{
    return std::memcmp(&a, &b, sizeof(core::UniqueId)) == 0;
}

// "\" stays in our paths and becomes "/" only here, at the loader.
std::string osPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Like GetProcAddress: only the library's own entry points count, never those of a library it
// links against (such as this one).
void* findOwnSymbol(void* module, char const* name)
{
    void* symbol = dlsym(module, name);
    if (!symbol)
        return nullptr;
    link_map* moduleMap = nullptr;
    link_map* symbolMap = nullptr;
    Dl_info info{};
    if (dlinfo(module, RTLD_DI_LINKMAP, &moduleMap) != 0 ||
        dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return symbolMap == moduleMap ? symbol : nullptr;
}

class PluginFactory final : public core::RefCounted<IPluginFactory> {
public:
    bool load(std::string const& path) override;
    PluginLibraryDesc const* getLibraryDesc() const override { return m_libraryDesc; }
    std::vector<PluginDesc> const& getPluginDescs() const override { return m_descs; }
    IPlugin* createPlugin(core::UniqueId const& id) override;
    bool hasPlugin(core::UniqueId const& id) const override;
    std::string const& getPath() const override { return m_path; }
    ~PluginFactory() override { unload(); }

private:
    bool refuse();
    void unload();

    void* m_module = nullptr;
    std::string m_path;
    PluginLibraryDesc* m_libraryDesc = nullptr;
    PluginQueryFunction m_query = nullptr;
    std::vector<PluginDesc> m_descs;
};

void PluginFactory::unload()
{
    m_libraryDesc = nullptr;
    m_query = nullptr;
    m_descs.clear();
    if (m_module)
        dlclose(m_module);
    m_module = nullptr;
}

// A refused library stays loaded, with the descriptor it gave, until the factory goes; nothing
// can be created through it, as it has no query function or descriptors.
bool PluginFactory::refuse()
{
    m_query = nullptr;
    m_descs.clear();
    return false;
}

bool PluginFactory::load(std::string const& path)
{
    unload();
    m_module = dlopen(osPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_module)
        return false;
    m_path = core::fixPath(path);

    auto const factoryQuery = reinterpret_cast<PluginFactoryQueryFunction>(findOwnSymbol(m_module, kPluginFactoryQueryName));
    if (!factoryQuery)
        return refuse();
    m_libraryDesc = factoryQuery();
    if (!m_libraryDesc || m_libraryDesc->reserved != 0)
        return refuse();

    m_query = reinterpret_cast<PluginQueryFunction>(findOwnSymbol(m_module, kPluginQueryName));
    if (!m_query)
        return refuse();
    for (int index = 0;; ++index) {
        auto const* desc = static_cast<PluginDesc const*>(m_query(kPluginQueryDesc, index));
        if (!desc)
            break;
        m_descs.push_back(*desc);
    }
    return true;
}

IPlugin* PluginFactory::createPlugin(core::UniqueId const& id)
{
    if (!m_query)
        return nullptr;
    for (size_t index = 0; index < m_descs.size(); ++index)
        if (sameId(m_descs[index].id, id))
            return static_cast<IPlugin*>(m_query(kPluginQueryCreate, static_cast<int>(index)));
    return nullptr;
}

bool PluginFactory::hasPlugin(core::UniqueId const& id) const
{
    return std::any_of(m_descs.begin(), m_descs.end(), [&id](PluginDesc const& desc) { return sameId(desc.id, id); });
}

} // namespace

IPluginFactory* createPluginFactory()
{
    return new (std::nothrow) PluginFactory();
}

} // namespace tormakelin::fxcore
