// Loads a graph manager from arbitrary XML, links, resolves, updates, renders and saves it.

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

class Sum final : public Modifier {
public:
    Sum()
    {
        addInput("Attributes/A", kParameterFloat, "0", &m_a);
        addInput("Attributes/Text", kParameterText, "", &m_text);
        addOutput("Result", kParameterFloat, &m_result);
    }
    void eval(UpdateContext&) override { m_result = m_a + static_cast<float>(m_text.size()); }

private:
    float m_a = 0.0f;
    float m_result = 0.0f;
    std::string m_text;
};

class Paint final : public Effect {
public:
    Paint() { addInput("Attributes/A", kParameterFloat, "0", &m_a); }

private:
    float m_a = 0.0f;
};

struct Type {
    PluginDesc desc;
    std::function<IPlugin*()> create;
};

PluginDesc ownDesc(unsigned char tag, int type = kPluginGraphNode)
{
    PluginDesc desc;
    desc.type = type;
    desc.id.data1 = tag;
    desc.path = "Fuzz/Node";
    return desc;
}

std::vector<Type> const& types()
{
    static std::vector<Type> const list = {
        {ownDesc(1), [] { return static_cast<IPlugin*>(new Sum()); }},
        {ownDesc(2), [] { return static_cast<IPlugin*>(new Paint()); }},
        {ownDesc(3, kPluginResource), [] { return static_cast<IPlugin*>(new Sum()); }},
        {RenderStack::_pluginDesc, [] { return static_cast<IPlugin*>(new RenderStack()); }},
        {NodeStack::_pluginDesc, [] { return static_cast<IPlugin*>(new NodeStack()); }},
        {SelectFromStack::_pluginDesc, [] { return static_cast<IPlugin*>(new SelectFromStack()); }},
        {ScriptNode::_pluginDesc, [] { return static_cast<IPlugin*>(new ScriptNode()); }},
        {Collection::_pluginDesc, [] { return static_cast<IPlugin*>(new Collection()); }},
    };
    return list;
}

// The node types without a library file: the fuzzer answers for them itself.
class Factory final : public IPluginFactory {
public:
    Factory()
    {
        for (Type const& type : types())
            m_descs.push_back(type.desc);
    }
    int addRef() override { return 1; }
    int release() override { return 1; }
    bool load(std::string const&) override { return true; }
    PluginLibraryDesc const* getLibraryDesc() const override { return &m_library; }
    std::vector<PluginDesc> const& getPluginDescs() const override { return m_descs; }
    IPlugin* createPlugin(core::UniqueId const& id) override
    {
        for (Type const& type : types())
            if (type.desc.id == id) {
                IPlugin* plugin = type.create();
                plugin->setPluginDesc(type.desc);
                return plugin;
            }
        return nullptr;
    }
    bool hasPlugin(core::UniqueId const& id) const override
    {
        for (PluginDesc const& desc : m_descs)
            if (desc.id == id)
                return true;
        return false;
    }
    std::string const& getPath() const override { return m_path; }

private:
    PluginLibraryDesc m_library;
    std::vector<PluginDesc> m_descs;
    std::string m_path;
};

class Manager final : public IPluginManager {
public:
    int addRef() override { return 1; }
    int release() override { return 1; }
    bool loadPlugins(std::string const&) override { return true; }
    std::vector<IPluginFactory*> const& getFactories() const override { return m_factories; }
    IPlugin* createPlugin(core::UniqueId const& id) override { return m_factory.createPlugin(id); }
    std::string getPluginPath(PluginDesc const&) const override { return std::string(); }

private:
    Factory m_factory;
    std::vector<IPluginFactory*> m_factories{&m_factory};
};

Manager g_plugins;
IGraphManager* g_current = nullptr;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    FrameworkServices::pluginManager = [] { return static_cast<IPluginManager*>(&g_plugins); };
    FrameworkServices::graphManager = [] { return g_current; };
    std::vector<uint8_t> bytes(data, data + size);
    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    core::SmartRef<core::IStream> const stream =
        core::createMemStream(bytes.data(), static_cast<unsigned int>(bytes.size()), true, false);
    if (!document->load(stream.get()))
        return 0;
    core::SmartRef<IGraphManager> const manager = createGraphManager();
    g_current = manager.get();
    core::SmartRef<ISerializer> const load = createSerializer({0, document.get(), false});
    forEachChildElement(load.get(), kGraphManagerElement, [&](core::IXmlNode*) { manager->serialize(load.get()); });
    manager->resolveAll();
    for (IGraph* graph : manager->getGraphs()) {
        UpdateContext update;
        graph->update(update);
        RenderContext render;
        graph->render(render);
        core::SmartRef<IGraph> const copy = graph->clone();
        if (copy)
            graph->importGraph(copy.get());
    }
    core::SmartRef<core::IXmlDocument> const out = core::createXmlDocument();
    out->create(kRootElement);
    core::SmartRef<ISerializer> const save = createSerializer({1, out.get(), false});
    manager->serialize(save.get());
    manager->clear();
    g_current = nullptr;
    return 0;
}
