#pragma once
// The library's types found by the real plug-in scan of the program's folder, serving as the
// framework's plug-in manager while a test runs; a test can take a type out, as a library
// without it would answer.

#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/SmartRef.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace tormakelin::fxcore::test {

class LibraryTypes final : public IPluginManager {
public:
    LibraryTypes() : m_scan(createPluginManager())
    {
        m_scan->loadPlugins(std::filesystem::canonical("/proc/self/exe").string());
        s_current = this;
        m_previous = FrameworkServices::pluginManager;
        FrameworkServices::pluginManager = [] { return static_cast<IPluginManager*>(s_current); };
    }
    ~LibraryTypes() override
    {
        FrameworkServices::pluginManager = m_previous;
        s_current = nullptr;
    }

    int addRef() override { return 1; }
    int release() override { return 1; }
    bool loadPlugins(std::string const&) override { return true; }
    std::vector<IPluginFactory*> const& getFactories() const override { return m_scan->getFactories(); }
    IPlugin* createPlugin(core::UniqueId const& id) override
    {
        if (std::find(m_refused.begin(), m_refused.end(), id) != m_refused.end())
            return nullptr;
        return m_scan->createPlugin(id);
    }
    std::string getPluginPath(PluginDesc const& desc) const override { return m_scan->getPluginPath(desc); }

    void remove(core::UniqueId const& id) { m_refused.push_back(id); }

private:
    static inline LibraryTypes* s_current = nullptr;
    core::SmartRef<IPluginManager> m_scan;
    IPluginManager* (*m_previous)() = nullptr;
    std::vector<core::UniqueId> m_refused;
};

} // namespace tormakelin::fxcore::test
