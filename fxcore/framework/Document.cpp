#include "ActingDocument.h"
#include "LayerImpl.h"
#include "XmlWalk.h"
#include "CreateValid.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>

#include <algorithm>
#include <new>
#include <set>
#include <utility>
#include <vector>

namespace tormakelin::fxcore {
namespace {

// Empties the node guides of every layer below the root (they are refilled in editor mode), the
// same layers `collectLayers` gives, without collecting them.
void clearGuides(ILayer* layer)
{
    for (ILayer* child : layer->getChildren()) {
        if (child->getType() != kLayerRoot)
            child->getInfo().guides.clear();
        clearGuides(child);
    }
}

class Document final : public core::RefCounted<IDocument> {
public:
    Document()
        : m_scenes(createSceneManager()), m_graphs(createGraphManager()), m_resources(createResourceManager())
    {
    }
    ~Document() override
    {
        ActingDocument const acting(this);
        std::vector<LayerTracker::Item> const playing = previous().getItems();
        for (LayerTracker::Item const& item : playing)
            item.layer->deactivate();
        previous().clear();
    }
    bool valid() const { return m_scenes && m_graphs && m_resources; }

    DocumentSettings& getSettings() override { return m_settings; }
    ISceneManager* getSceneManager() const override { return m_scenes.get(); }
    IGraphManager* getGraphManager() const override { return m_graphs.get(); }
    IResourceManager* getResourceManager() const override { return m_resources.get(); }
    std::vector<std::string> getUsedLibraries() const override;
    void onPlaybackStop() override
    {
        ActingDocument const acting(this);
        std::vector<LayerTracker::Item> const playing = previous().getItems();
        for (LayerTracker::Item const& item : playing)
            item.layer->onPlaybackStop();
    }
    void onPlaybackSetTime(UpdateContext& context) override
    {
        ActingDocument const acting(this);
        std::vector<LayerTracker::Item> const playing = previous().getItems();
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
    LayerTracker& previous() { return m_trackers[m_previous]; }

    DocumentSettings m_settings;
    core::SmartRef<ISceneManager> m_scenes;
    core::SmartRef<IGraphManager> m_graphs;
    core::SmartRef<IResourceManager> m_resources;
    // The previous frame's tracker and the one the next frame fills, swapped every frame so that
    // their storage is reused; the scratch lists of the comparison are kept for the same reason.
    LayerTracker m_trackers[2];
    int m_previous = 0;
    std::vector<LayerTracker::Item> m_hidden;
    std::vector<LayerTracker::Item> m_shown;
    float m_time = 0.0f;
};

void Document::update(UpdateContext& context)
{
    ActingDocument const acting(this);
    m_time = static_cast<float>(context.time);
    LayerTracker& fresh = m_trackers[1 - m_previous];
    fresh.clear();
    context.tracker = &fresh;
    if (IScene* scene = context.scene) {
        core::SmartRef<IScene> const hold(scene);
        clearGuides(scene->getRootLayer());
        scene->update(context);
    }
    fresh.getHiddenLayers(previous(), m_hidden);
    fresh.getVisibleLayers(previous(), m_shown);
    for (LayerTracker::Item const& item : m_hidden)
        item.layer->deactivate();
    for (LayerTracker::Item const& item : m_shown)
        item.layer->activate();
    m_hidden.clear();
    m_shown.clear();
    // The fresh tracker becomes the previous one; the caller keeps a valid one.
    previous().clear();
    m_previous = 1 - m_previous;
    context.tracker = &previous();
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
    ActingDocument const acting(this);
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
