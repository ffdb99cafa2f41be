#pragma once
// Document tests run inside an application whose plug-ins are the test document library.

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Layer.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/Xml.h>

#include "TestDocTypes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tormakelin::fxcore::test {

inline core::UniqueId docTypeId(unsigned char tag)
{
    core::UniqueId id{};
    id.data1 = tag;
    id.data4[7] = tag;
    return id;
}

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
    {
        s_plugins = createPluginManager();
        s_plugins->addRef();
        s_plugins->loadPlugins(std::string(TEST_DOC_PLUGIN_DIR) + "/program");
        m_app = std::make_unique<Application>();
        FrameworkServices::pluginManager = [] { return s_plugins; };
        m_app->newDocument();
    }
    ~DocumentTest() override
    {
        // Objects of the library must be gone before the library is.
        m_app.reset();
        s_plugins->release();
        s_plugins = nullptr;
    }

    IDocument* document() const { return m_app->getDocument(); }

    // A graph of the document (the current one unless given) whose render stack draws one probe.
    IGraph* addProbeGraph(IGraphNode** probeOut = nullptr, IDocument* owner = nullptr)
    {
        core::SmartRef<IGraph> const graph = createGraph(0);
        core::SmartRef<IGraphNode> const probe = createGraphNode(docTypeId(kProbeId));
        core::SmartRef<IGraphNode> const stack = createGraphNode(RenderStack::_pluginDesc.id);
        EXPECT_TRUE(probe && stack);
        graph->addNode(probe.get());
        graph->addNode(stack.get());
        NodeParameter* out = probe->findOutput("Output");
        NodeParameter* in = stack->findInput("Input-1");
        EXPECT_TRUE(probe->canLink(out, stack.get(), in, false));
        probe->link(out, stack.get(), in, false);
        (owner ? owner : document())->getGraphManager()->add(graph.get());
        if (probeOut)
            *probeOut = probe.get();
        return graph.get();
    }

    static IProbe const& probe(IGraphNode* node) { return dynamic_cast<IProbe const&>(*node); }

    // A layer with one segment, added under the parent; the parent keeps it.
    static ILayer* addLayer(ILayer* parent, LayerType type, int start, int end)
    {
        core::SmartRef<ILayer> const layer = createLayer(type);
        core::SmartRef<ITimeSegment> const segment = createTimeSegment();
        segment->getRange()[0] = start;
        segment->getRange()[1] = end;
        layer->getTime().addSegment(segment.get());
        parent->addLayer(layer.get());
        return layer.get();
    }

    IScene* addScene()
    {
        core::SmartRef<IScene> const scene = createScene();
        document()->getSceneManager()->addScene(scene.get());
        return scene.get();
    }

    void play(IScene* scene, double time, bool editor = false)
    {
        UpdateContext context;
        context.time = time;
        context.playing = true;
        context.editor = editor;
        context.scene = scene;
        document()->update(context);
        ASSERT_NE(context.tracker, nullptr);
        m_lastItems = context.tracker->getItems();
    }

    // Whether the layer played in the last frame.
    bool playing(ILayer* layer) const
    {
        for (auto const& item : m_lastItems)
            if (item.layer.get() == layer)
                return true;
        return false;
    }

    std::unique_ptr<Application> m_app;
    std::vector<LayerTracker::Item> m_lastItems;
    static inline IPluginManager* s_plugins = nullptr;
};

inline std::string saveDocument(IDocument* document)
{
    core::SmartRef<core::IXmlDocument> const xml = core::createXmlDocument();
    xml->create(kRootElement);
    core::SmartRef<ISerializer> const save = createSerializer({1, xml.get(), false});
    document->serialize(save.get());
    core::SmartRef<core::IStream> const stream = xml->save();
    return std::string(static_cast<char const*>(stream->getData()), stream->getSize());
}

// False when the text is no XML.
inline bool loadDocument(IDocument* document, std::string text)
{
    core::SmartRef<core::IXmlDocument> const xml = core::createXmlDocument();
    core::SmartRef<core::IStream> const stream =
        core::createMemStream(text.data(), static_cast<unsigned int>(text.size()), true, false);
    if (!xml->load(stream.get()))
        return false;
    core::SmartRef<ISerializer> const load = createSerializer({0, xml.get(), false});
    return document->serialize(load.get());
}

} // namespace tormakelin::fxcore::test
