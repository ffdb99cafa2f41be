#include "XmlWalk.h"
#include "CreateValid.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/SmartRef.h>

#include <new>
#include <set>

namespace tormakelin::fxcore {
namespace {

class Document final : public IDocument {
public:
    Document()
        : m_scenes(createSceneManager()), m_graphs(createGraphManager()), m_resources(createResourceManager())
    {
    }
    ~Document() override
    {
        std::vector<LayerTracker::Item> const playing = m_tracker.getItems();
        for (LayerTracker::Item const& item : playing)
            item.layer->deactivate();
        m_tracker.clear();
    }
    bool valid() const { return m_scenes && m_graphs && m_resources; }

    int addRef() override { return ++m_refCount; }
    int release() override
    {
        int const count = --m_refCount;
        if (count <= 0)
            delete this;
        return count;
    }
    DocumentSettings& getSettings() override { return m_settings; }
    ISceneManager* getSceneManager() const override { return m_scenes.get(); }
    IGraphManager* getGraphManager() const override { return m_graphs.get(); }
    IResourceManager* getResourceManager() const override { return m_resources.get(); }
    std::vector<std::string> getUsedLibraries() const override;
    void onPlaybackStop() override
    {
        std::vector<LayerTracker::Item> const playing = m_tracker.getItems();
        for (LayerTracker::Item const& item : playing)
            item.layer->onPlaybackStop();
    }
    void onPlaybackSetTime(UpdateContext& context) override
    {
        std::vector<LayerTracker::Item> const playing = m_tracker.getItems();
        for (LayerTracker::Item const& item : playing)
            item.layer->onPlaybackSetTime(context);
    }
    void update(UpdateContext& context) override;
    void idle(IScene* scene) override
    {
        if (scene)
            scene->idle();
    }
    float getTime() const override { return m_time; }
    bool serialize(ISerializer* serializer) override;

private:
    int m_refCount = 0;
    DocumentSettings m_settings;
    core::SmartRef<ISceneManager> m_scenes;
    core::SmartRef<IGraphManager> m_graphs;
    core::SmartRef<IResourceManager> m_resources;
    LayerTracker m_tracker;
    float m_time = 0.0f;
};

void Document::update(UpdateContext& context)
{
    m_time = static_cast<float>(context.time);
    LayerTracker fresh;
    context.tracker = &fresh;
    if (IScene* scene = context.scene) {
        core::SmartRef<IScene> const hold(scene);
        for (ILayer* layer : scene->getRootLayer()->collectLayers())
            layer->getInfo().guides.clear();
        scene->update(context);
    }
    std::vector<LayerTracker::Item> const hidden = fresh.getHiddenLayers(m_tracker);
    std::vector<LayerTracker::Item> const shown = fresh.getVisibleLayers(m_tracker);
    for (LayerTracker::Item const& item : hidden)
        item.layer->deactivate();
    for (LayerTracker::Item const& item : shown)
        item.layer->activate();
    m_tracker.setItems(fresh.getItems());
    // The fresh tracker ends here; the caller keeps a valid one.
    context.tracker = &m_tracker;
}

std::vector<std::string> Document::getUsedLibraries() const
{
    std::set<std::string> paths;
    IPluginManager* plugins = FrameworkServices::pluginManager();
    auto addPath = [&](IPlugin const* plugin) {
        if (plugin)
            paths.insert(plugins ? plugins->getPluginPath(plugin->getPluginDesc()) : std::string());
    };
    for (IGraph* graph : m_graphs->getGraphs())
        for (IGraphNode* node : graph->getNodes())
            addPath(dynamic_cast<IPlugin const*>(node));
    for (IResource* resource : m_resources->getResources()) {
        addPath(dynamic_cast<IPlugin const*>(resource));
        addPath(dynamic_cast<IPlugin const*>(resource->getInfo().loader.get()));
    }
    return {paths.begin(), paths.end()};
}

bool Document::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    if (serializer->isSaving()) {
        m_settings.serialize(serializer);
        m_resources->serialize(serializer);
        m_graphs->serialize(serializer);
        m_scenes->serialize(serializer);
        return true;
    }
    detail::forEachChild(serializer, [&](std::string const& name) {
        if (name == kDocumentSettingsElement)
            m_settings.serialize(serializer);
        else if (name == kSceneManagerElement)
            m_scenes->serialize(serializer);
        else if (name == kResourceManagerElement)
            m_resources->serialize(serializer);
        else if (name == kGraphManagerElement)
            m_graphs->serialize(serializer);
    });
    m_graphs->resolveAll();
    return true;
}

} // namespace

IDocument* createDocument()
{
    return createValid<Document>();
}

} // namespace tormakelin::fxcore
