#pragma once
// What the framework's benchmarks set up alike: a headless device, nodes kept in a graph, inputs
// set from text, resources served by id, and allocations counted per frame.

#include <CountingAllocator.h>
#include <HeadlessDevice.h>

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/render/RenderDevice.h>

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace tormakelin::bench {

// `ok` is false when the device cannot be made.
struct HeadlessScreen {
    HeadlessScreen(unsigned width, unsigned height)
    {
        device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = width;
        params.height = height;
        ok = device->create(&window, params);
    }

    test::HiddenWindow window;
    core::SmartRef<render::IRenderDevice> device;
    bool ok = false;
};

// Each input from text, then one update so the node takes them in.
inline void setInputs(fxcore::IGraphNode& node, std::vector<std::pair<char const*, std::string>> const& values)
{
    for (auto const& [name, text] : values)
        node.findInput(name)->value->setText(text);
    fxcore::UpdateContext context;
    node.setUpdateFlag(true);
    node.update(context);
}

// An application with a document, and a graph that keeps the nodes.
struct NodeGraph {
    NodeGraph()
    {
        app.newDocument();
        graph = fxcore::createGraph(0);
    }

    template <class T>
    T* make()
    {
        auto* node = new T();
        static_cast<fxcore::IPlugin*>(node)->setPluginDesc(T::_pluginDesc);
        graph->addNode(node);
        return node;
    }

    static void link(fxcore::IGraphNode* from, char const* output, fxcore::IGraphNode* to, char const* input)
    {
        from->link(from->findOutput(output), to, to->findInput(input), true);
    }

    fxcore::Application app;
    core::SmartRef<fxcore::IGraph> graph;
};

// Serves the resources added to it to the framework's lookups while it lives (one at a time);
// the lookup before it comes back after.
class ServedResources {
public:
    ServedResources() : m_previous(fxcore::FrameworkServices::findResource)
    {
        s_served = this;
        fxcore::FrameworkServices::findResource = &find;
    }
    ~ServedResources()
    {
        fxcore::FrameworkServices::findResource = m_previous;
        s_served = nullptr;
    }
    ServedResources(ServedResources const&) = delete;
    ServedResources& operator=(ServedResources const&) = delete;

    void add(fxcore::Resource* resource) { m_resources.emplace_back(resource); }

private:
    static fxcore::IResource* find(core::UniqueId const& id, std::vector<core::UniqueId> const&)
    {
        if (s_served)
            for (auto const& resource : s_served->m_resources)
                if (resource->getInfo().id == id) {
                    resource->addRef();
                    return resource.get();
                }
        return nullptr;
    }

    static inline ServedResources* s_served = nullptr;
    std::vector<core::SmartRef<fxcore::Resource>> m_resources;
    decltype(fxcore::FrameworkServices::findResource) m_previous;
};

inline void countAllocations(benchmark::State& state, long allocationsBefore)
{
    state.counters["allocs_per_frame"] = benchmark::Counter(
        static_cast<double>(heap::allocationCount() - allocationsBefore) / static_cast<double>(state.iterations()));
}

} // namespace tormakelin::bench
