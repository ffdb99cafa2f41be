#pragma once
// Graph tests build their nodes from the test node library, found by the plug-in scan.

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Services.h>

#include "TestNodes.h"

#include <gtest/gtest.h>

#include <string>

namespace tormakelin::fxcore::test {

inline core::UniqueId testTypeId(unsigned char tag)
{
    core::UniqueId id{};
    id.data1 = tag;
    id.data4[7] = tag;
    return id;
}

class GraphTest : public ::testing::Test {
protected:
    GraphTest()
    {
        s_plugins = createPluginManager();
        s_plugins->addRef();
        s_plugins->loadPlugins(std::string(TEST_NODE_PLUGIN_DIR) + "/program");
        FrameworkServices::pluginManager = [] { return s_plugins; };
        s_graphs = createGraphManager();
        s_graphs->addRef();
        FrameworkServices::graphManager = [] { return s_graphs; };
    }
    ~GraphTest() override
    {
        s_graphs->release();
        FrameworkServices::graphManager = [] { return static_cast<IGraphManager*>(nullptr); };
        FrameworkServices::pluginManager = [] { return static_cast<IPluginManager*>(nullptr); };
        // Nodes made by the library must be gone before the library is.
        s_plugins->release();
    }

    // The graph keeps the node; the handle the test gets is the graph's.
    IGraphNode* make(IGraph* graph, core::UniqueId const& type)
    {
        IGraphNode* node = createGraphNode(type);
        EXPECT_NE(node, nullptr);
        if (node)
            graph->addNode(node);
        return node;
    }
    IGraphNode* make(IGraph* graph, unsigned char tag) { return make(graph, testTypeId(tag)); }

    static ITestNode const& probe(IGraphNode* node) { return dynamic_cast<ITestNode const&>(*node); }

    static void set(IGraphNode* node, char const* input, std::string const& text)
    {
        node->findInput(input)->value->setText(text);
    }

    // Links an output of one node to an input of another, as the editor does.
    static bool connect(IGraphNode* from, char const* output, IGraphNode* to, char const* input, bool notify = true)
    {
        NodeParameter* out = from->findOutput(output);
        NodeParameter* in = to->findInput(input);
        if (!from->canLink(out, to, in, notify))
            return false;
        from->link(out, to, in, notify);
        return true;
    }

    static inline IPluginManager* s_plugins = nullptr;
    static inline IGraphManager* s_graphs = nullptr;
};

struct GraphHandle {
    explicit GraphHandle(IGraph* g) : graph(g) { graph->addRef(); }
    ~GraphHandle() { graph->release(); }
    GraphHandle(GraphHandle const&) = delete;
    GraphHandle& operator=(GraphHandle const&) = delete;
    IGraph* operator->() const { return graph; }
    IGraph* get() const { return graph; }
    IGraph* graph;
};

} // namespace tormakelin::fxcore::test
