// Node, resource and loader types that the document tests play and load.

#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/Plugin.h>

#include "../PluginTable.h"
#include <tormakelin/fxcore/Resource.h>

#include "TestDocTypes.h"

#include <functional>
#include <sstream>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

using testplugin::Entry;
using testplugin::desc;
using testplugin::idOf;
using testplugin::make;

int g_clock = 0;
// Set while a render target receives drawing.
int* g_insideTarget = nullptr;

class Probe final : public Effect, public test::IProbe {
public:
    Probe()
    {
        addInput("Attributes/Value", kParameterFloat, "0", &m_value);
        addInput("Color/Tint", kParameterColor, "0,0,0,0", &m_tint);
    }
    int activations() const override { return m_activations; }
    int deactivations() const override { return m_deactivations; }
    int lastActivated() const override { return m_activatedStamp; }
    int lastDeactivated() const override { return m_deactivatedStamp; }
    int evals() const override { return m_evals; }
    int renders() const override { return m_renders; }
    int playbackStops() const override { return m_stops; }
    double lastSetTime() const override { return m_setTime; }
    double lastEvalTime() const override { return m_evalTime; }
    float value() const override { return m_value; }
    D3DXVECTOR4 tint() const override { return m_tint; }

    void eval(UpdateContext& context) override
    {
        ++m_evals;
        m_evalTime = context.time;
    }
    void render(RenderContext&) override
    {
        ++m_renders;
        if (g_insideTarget)
            ++*g_insideTarget;
    }
    void onActivated() override
    {
        ++m_activations;
        m_activatedStamp = ++g_clock;
    }
    void onDeactivated() override
    {
        ++m_deactivations;
        m_deactivatedStamp = ++g_clock;
    }
    void onPlaybackStop() override { ++m_stops; }
    void onPlaybackSetTime(UpdateContext& context) override { m_setTime = context.time; }

private:
    int m_activations = 0;
    int m_deactivations = 0;
    int m_activatedStamp = 0;
    int m_deactivatedStamp = 0;
    int m_evals = 0;
    int m_renders = 0;
    int m_stops = 0;
    double m_setTime = -1.0;
    double m_evalTime = -1.0;
    float m_value = 0.0f;
    D3DXVECTOR4 m_tint{0, 0, 0, 0};
};

class NamedObject final : public ResourceObject {
public:
    explicit NamedObject(std::string name) : m_name(std::move(name)) {}
    std::string getName() const override { return m_name; }
    std::string getFileName() const override { return m_name.empty() ? "" : m_name + ".png"; }
    int getObjectType() const override { return 0; }
    void* getObjectData() override { return nullptr; }

private:
    std::string m_name;
};

class TargetResource final : public Resource, public IRenderTargetReceiver, public test::ITargetProbe {
public:
    void begin() override
    {
        ++m_begins;
        g_insideTarget = &m_inside;
    }
    void end() override
    {
        ++m_ends;
        g_insideTarget = nullptr;
    }
    int begins() const override { return m_begins; }
    int ends() const override { return m_ends; }
    int rendersInside() const override { return m_inside; }

private:
    int m_begins = 0;
    int m_ends = 0;
    int m_inside = 0;
};

PluginDesc const kPlainDesc = desc(kPluginResource, test::kPlainResourceId, "Test/Plain Resource");
PluginDesc const kTargetDesc = desc(kPluginResource, test::kTargetResourceId, "Test/Target Resource");

class Loader final : public ResourceLoader {
public:
    Loader()
    {
        addParameter("File", kParameterText, "");
        addParameter("Kind", kParameterInt, "0");
        addParameter("Fail", kParameterBool, "0");
        addParameter("Objects", kParameterText, "");
    }
    void loadResource(ResourceLoadResult& result, void*, bool, IResource** resource) override
    {
        *resource = nullptr;
        std::string const file = findParameter("File")->getText();
        if (findParameter("Fail")->getBool()) {
            result.status = 1;
            result.message = "Unable to load image: " + file;
            return;
        }
        Resource* made = nullptr;
        if (findParameter("Kind")->getInt() == 1) {
            made = new TargetResource();
            made->setPluginDesc(kTargetDesc);
        } else {
            made = new Resource();
            made->setPluginDesc(kPlainDesc);
        }
        made->addRef();
        made->getInfo().fileName = file;
        made->getInfo().loader = this;
        std::stringstream names(findParameter("Objects")->getText());
        std::string name;
        while (std::getline(names, name, ','))
            made->addObject(new NamedObject(name));
        result.status = 0;
        *resource = made;
    }
};

std::vector<Entry> const& entries()
{
    static std::vector<Entry> const list = {
        {desc(kPluginGraphNode, test::kProbeId, "Test/Probe"), make<Probe>},
        {kPlainDesc, make<Resource>},
        {kTargetDesc, make<TargetResource>},
        {desc(kPluginResourceLoader, test::kLoaderId, "Test/Loader"), make<Loader>},
        {RenderStack::_pluginDesc, make<RenderStack>},
    };
    return list;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) PluginLibraryDesc* tormakelinPluginFactoryQuery()
{
    static PluginLibraryDesc library = [] {
        PluginLibraryDesc d;
        d.id = idOf(0x60);
        d.category = "Test";
        d.name = "Test Document Types";
        return d;
    }();
    return &library;
}

__attribute__((visibility("default"))) void* tormakelinPluginQuery(int kind, int index)
{
    return testplugin::query(entries(), kind, index);
}

} // extern "C"
