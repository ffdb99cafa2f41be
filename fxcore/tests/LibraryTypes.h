#pragma once
// Makes the resource kinds, their loaders and the sound effect by type id, as the plug-in manager
// does for the library, and serves as the framework's plug-in manager while a test runs.

#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/ResourceLoaders.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/SoundEffect.h>

#include <functional>
#include <vector>

namespace tormakelin::fxcore::test {

class LibraryTypes final : public IPluginManager {
public:
    LibraryTypes()
    {
        add<TextureResource>();
        add<SceneResource>();
        add<SoundResource>();
        add<TextureAtlasResource>();
        add<AnimatedTextureResource>();
        add<FontResource>();
        add<TextureResourceLoader>();
        add<CubeTextureResourceLoader>();
        add<AnimatedTextureResourceLoader>();
        add<TextureAtlasResourceLoader>();
        add<SceneResourceLoader>();
        add<SoundResourceLoader>();
        add<FontResourceLoader>();
        add<SoundEffect>();
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
    std::vector<IPluginFactory*> const& getFactories() const override { return m_factories; }
    IPlugin* createPlugin(core::UniqueId const& id) override
    {
        for (auto const& [desc, make] : m_types)
            if (desc.id == id) {
                IPlugin* made = make();
                made->setPluginDesc(desc);
                return made;
            }
        return nullptr;
    }
    std::string getPluginPath(PluginDesc const& desc) const override { return desc.path; }

    // Takes a type out, as a library without it would.
    void remove(core::UniqueId const& id)
    {
        std::erase_if(m_types, [&](auto const& type) { return type.first.id == id; });
    }

private:
    template <class T>
    void add()
    {
        m_types.emplace_back(T::_pluginDesc, [] { return static_cast<IPlugin*>(new T()); });
    }

    static inline LibraryTypes* s_current = nullptr;
    IPluginManager* (*m_previous)() = nullptr;
    std::vector<std::pair<PluginDesc, std::function<IPlugin*()>>> m_types;
    std::vector<IPluginFactory*> m_factories;
};

} // namespace tormakelin::fxcore::test
