#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Layer.h>

#include <tormakelin/core/UniqueId.h>

#include <string>
#include <vector>

namespace tormakelin::fxcore {

class IGraphManager;
class IResourceManager;
class ISerializer;

class TORMAKELIN_FXCORE_API DocumentSettings {
public:
    bool serialize(ISerializer* serializer);

    std::string title = "Untitled Project";
    int authorWidth = 960;
    int authorHeight = 540;
    int showSetupDialog = 1;
    int fullscreen = 1;
    int endBehavior = 0;
    core::UniqueId loadingScreen{};
    int fadeLoadingScreen = 0;
    core::UniqueId selectedScene{};
    core::UniqueId selectedGraphFolder{};
    core::UniqueId selectedGraphNode{};
    core::UniqueId selectedGraphNodeParameter{};
    core::UniqueId selectedLayer{};
    core::UniqueId selectedResourceFolder{};
    core::UniqueId selectedGraphNodeInstance{};
    core::UniqueId selectedGraphNodeParameterInstance{};
    std::string selectedGraphNodeParameterFolder;
    int selectedInstanceKey = -1;
    int selectedInstanceKeyChannel = -1;
    int timelineScrollPosition = 0;
    int resourceBrowserScrollPosition = 0;
    int graphBrowserScrollPosition = 0;
    int graphSnapToGrid = 0;
};

class TORMAKELIN_FXCORE_API IScene {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual std::string const& getName() const = 0;
    virtual ILayer* getRootLayer() const = 0;
    virtual int getStartTime() const = 0;
    virtual int getEndTime() const = 0;
    virtual void update(UpdateContext& context) = 0;
    virtual void idle() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IScene() = default;
};

class TORMAKELIN_FXCORE_API ISceneManager {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual std::vector<IScene*> const& getScenes() const = 0;
    virtual void addScene(IScene* scene) = 0;
    virtual void removeScene(core::UniqueId const& id) = 0;
    virtual IScene* findScene(core::UniqueId const& id) const = 0;
    virtual void clear() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~ISceneManager() = default;
};

class TORMAKELIN_FXCORE_API IDocument {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual DocumentSettings& getSettings() = 0;
    virtual ISceneManager* getSceneManager() const = 0;
    virtual IGraphManager* getGraphManager() const = 0;
    virtual IResourceManager* getResourceManager() const = 0;
    virtual std::vector<std::string> getUsedLibraries() const = 0;
    virtual void onPlaybackStop() = 0;
    virtual void onPlaybackSetTime(UpdateContext& context) = 0;
    virtual void update(UpdateContext& context) = 0;
    // Hands the scene its idle call.
    virtual void idle(IScene* scene) = 0;
    virtual float getTime() const = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IDocument() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API IDocument* createDocument();
TORMAKELIN_FXCORE_API ISceneManager* createSceneManager();
TORMAKELIN_FXCORE_API IScene* createScene();

} // namespace tormakelin::fxcore
