// The node types the graph tests build graphs from, answered through the plug-in protocol.

#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Plugin.h>

#include "../PluginTable.h"
#include <tormakelin/fxcore/Serializer.h>

#include "TestNodes.h"

#include <functional>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

using testplugin::Entry;
using testplugin::desc;
using testplugin::idOf;
using testplugin::make;

int g_clock = 0;

// Logs its calls; computes Result = A + B.
template <class Base>
class Logged : public Base, public test::ITestNode {
public:
    int evalCount() const override { return m_evals; }
    int lastEvalStamp() const override { return m_stamp; }
    int renderCount() const override { return m_renders; }
    int changedCount() const override { return m_changes; }
    float value() const override { return m_result; }
    std::string const& text() const override { return m_text; }
    void eval(UpdateContext&) override
    {
        ++m_evals;
        m_stamp = ++g_clock;
        m_result = m_a + m_b;
    }
    void onParameterChanged(NodeParameter*) override { ++m_changes; }

protected:
    int m_evals = 0;
    int m_stamp = 0;
    int m_renders = 0;
    int m_changes = 0;
    float m_a = 0.0f;
    float m_b = 0.0f;
    float m_result = 0.0f;
    std::string m_text;
};

class Adder final : public Logged<Modifier> {
public:
    Adder()
    {
        addInput("Attributes/A", kParameterFloat, "0", &m_a);
        addInput("Attributes/B", kParameterFloat, "0", &m_b);
        addOutput("Result", kParameterFloat, &m_result);
    }
};

class Drawer final : public Logged<Effect> {
public:
    Drawer() { addInput("Attributes/A", kParameterFloat, "0", &m_a); }
    void render(RenderContext&) override { ++m_renders; }
};

// Keeps a value of its own in the node's data.
class Weight final : public Logged<Modifier> {
public:
    Weight()
    {
        addInput("Attributes/A", kParameterFloat, "0", &m_a);
        addOutput("Result", kParameterFloat, &m_result);
    }
    bool serializeData(ISerializer* serializer) override
    {
        serializeAttribute(serializer, "Weight", m_result);
        return true;
    }
};

class TextSink final : public Logged<Modifier> {
public:
    TextSink() { addInput("Attributes/Text", kParameterText, "", &m_text); }
};

// Stands for the resource shader-parameter type: names a resource by its id text.
class ResourceName final : public Logged<Modifier> {
public:
    ResourceName()
    {
        addInput("Attributes/Value", kParameterResource, "", &m_text);
        addOutput("Result", kParameterResource, nullptr);
    }
};

// Stands for the view-matrix type: hands out a fixed camera.
class Camera final : public Logged<Modifier>, public ICameraSource {
public:
    Camera() { addOutput("Result", kParameterLink, nullptr); }
    void getCameraMatrices(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye) override
    {
        D3DXMatrixIdentity(&view);
        D3DXMatrixIdentity(&projection);
        eye = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    }
};

PluginDesc knownDesc(core::UniqueId const& id, char const* path)
{
    PluginDesc d;
    d.id = id;
    d.path = path;
    d.name = path;
    return d;
}

std::vector<Entry> const& entries()
{
    static std::vector<Entry> const list = {
        {desc(kPluginGraphNode, test::kAdderId, "Test/Adder"), make<Adder>},
        {desc(kPluginGraphNode, test::kDrawerId, "Test/Drawer"), make<Drawer>},
        {desc(kPluginGraphNode, test::kWeightId, "Test/Weight"), make<Weight>},
        {desc(kPluginGraphNode, test::kTextSinkId, "Test/Text Sink"), make<TextSink>},
        // Listed as a resource although the object is a node: a graph must not take it.
        {desc(kPluginResource, test::kResourceId, "Test/Resource"), make<Adder>},
        {RenderStack::_pluginDesc, make<RenderStack>},
        {NodeStack::_pluginDesc, make<NodeStack>},
        {SelectFromStack::_pluginDesc, make<SelectFromStack>},
        {ScriptNode::_pluginDesc, make<ScriptNode>},
        {Collection::_pluginDesc, make<Collection>},
        {knownDesc(resourceParameterNodeId(), "Parameter/Resource"), make<ResourceName>},
        {knownDesc(viewMatrixNodeId(), "3D/View Matrix"), make<Camera>},
    };
    return list;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) PluginLibraryDesc* tormakelinPluginFactoryQuery()
{
    static PluginLibraryDesc library = [] {
        PluginLibraryDesc d;
        d.id = idOf(0x40);
        d.category = "Test";
        d.name = "Test Nodes";
        return d;
    }();
    return &library;
}

__attribute__((visibility("default"))) void* tormakelinPluginQuery(int kind, int index)
{
    return testplugin::query(entries(), kind, index);
}

} // extern "C"
