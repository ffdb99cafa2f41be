#include "LayerImpl.h"
#include "CreateValid.h"
#include "XmlWalk.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/core/RefCounted.h>

#include <algorithm>
#include <climits>
#include <new>

namespace tormakelin::fxcore {
namespace {

class Scene final : public core::RefCounted<IScene> {
public:
    Scene() : m_root(createLayer(kLayerRoot)) { core::generateUniqueId(m_id); }
    bool valid() const { return static_cast<bool>(m_root); }

    core::UniqueId const& getId() const override { return m_id; }
    std::string const& getName() const override { return m_name; }
    ILayer* getRootLayer() const override { return m_root.get(); }
    // Layers without segments never play, so they do not stretch the scene.
    int getStartTime() const override
    {
        int start = INT_MAX;
        for (ILayer* child : m_root->getChildren())
            if (!child->getTime().getSegments().empty())
                start = std::min({start, child->getTime().getStartTime(), child->getTime().getEndTime()});
        return start == INT_MAX ? 0 : start;
    }
    int getEndTime() const override
    {
        int end = INT_MIN;
        for (ILayer* child : m_root->getChildren())
            if (!child->getTime().getSegments().empty())
                end = std::max({end, child->getTime().getStartTime(), child->getTime().getEndTime()});
        return end == INT_MIN ? 0 : end;
    }
    void update(UpdateContext& context) override
    {
        // The top-level layers have no ancestors to count when this scene is the one playing.
        if (auto* root = dynamic_cast<Layer*>(m_root.get()); root && context.scene == this) {
            root->updateChildren(context, 0.0, true);
            return;
        }
        std::vector<core::SmartRef<ILayer>> const children(
            m_root->getChildren().begin(), m_root->getChildren().end());
        for (core::SmartRef<ILayer> const& child : children)
            child->update(context);
    }
    void idle() override {}
    bool serialize(ISerializer* serializer) override
    {
        if (!serializer)
            return false;
        if (serializer->isSaving()) {
            if (!beginElement(serializer, "Scene"))
                return false;
            serializeAttribute(serializer, "Id", m_id);
            for (ILayer* child : m_root->getChildren())
                child->serialize(serializer);
            endElement(serializer);
            return true;
        }
        serializeAttribute(serializer, "Id", m_id);
        forEachChildElement(serializer, "Layer", [&](core::IXmlNode*) {
            if (ILayer* child = loadLayer(serializer)) {
                m_root->addLayer(child);
                child->release();
            }
        });
        return true;
    }

private:
    core::UniqueId m_id{};
    std::string m_name = "Untitled Scene";
    core::SmartRef<ILayer> m_root;
};

class SceneManager final : public core::RefCounted<ISceneManager> {
public:
    ~SceneManager() override { clear(); }

    std::vector<IScene*> const& getScenes() const override { return m_scenes; }
    void addScene(IScene* scene) override
    {
        if (!scene)
            return;
        scene->addRef();
        m_scenes.push_back(scene);
    }
    void removeScene(core::UniqueId const& id) override
    {
        auto const it = std::find_if(
            m_scenes.begin(), m_scenes.end(), [&](IScene* scene) { return scene->getId() == id; });
        if (it == m_scenes.end())
            return;
        IScene* const scene = *it;
        m_scenes.erase(it);
        scene->release();
    }
    IScene* findScene(core::UniqueId const& id) const override
    {
        for (IScene* scene : m_scenes)
            if (scene->getId() == id)
                return scene;
        return nullptr;
    }
    void clear() override
    {
        std::vector<IScene*> scenes;
        scenes.swap(m_scenes);
        for (IScene* scene : scenes)
            scene->release();
    }
    bool serialize(ISerializer* serializer) override
    {
        if (!serializer)
            return false;
        if (serializer->isSaving()) {
            if (!beginElement(serializer, kSceneManagerElement))
                return false;
            for (IScene* scene : m_scenes)
                scene->serialize(serializer);
            endElement(serializer);
            return true;
        }
        forEachChildElement(serializer, "Scene", [&](core::IXmlNode*) {
            core::SmartRef<IScene> const scene = createScene();
            if (!scene)
                return;
            scene->serialize(serializer);
            addScene(scene.get());
        });
        return true;
    }

private:
    std::vector<IScene*> m_scenes;
};

} // namespace

IScene* createScene()
{
    return createValid<Scene>();
}

ISceneManager* createSceneManager()
{
    return new (std::nothrow) SceneManager();
}

} // namespace tormakelin::fxcore
