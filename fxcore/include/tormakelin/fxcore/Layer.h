#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Parameter.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/UniqueId.h>

#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tormakelin::core {
class IKeyframe;
}

namespace tormakelin::fxcore {

class IGraph;
class ILayer;
class IScene;
class ISerializer;

enum LayerType : int {
    kLayerRoot = 0,
    kLayerPlain = 1,
    kLayerGraphInstance = 2,
};

// Stored in project documents as "EndBehavior".
enum EndBehavior : int { kEndPlayOnce = 0, kEndLoop = 1 };

struct LayerInfo {
    std::string name;
    core::UniqueId graphInstance{};
    core::UniqueId renderTarget{};
    bool expanded = true;
    bool editorOnly = false;
    bool visible = true;
    int endBehavior = kEndPlayOnce;
    std::map<core::UniqueId, Guide, core::UniqueIdLess> guides;
};

class TORMAKELIN_FXCORE_API ITimeSegment {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual core::UniqueId const& getId() const = 0;
    // [0] start, [1] end, in units of 1/100 s.
    virtual int* getRange() = 0;
    virtual ~ITimeSegment() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API ITimeSegment* createTimeSegment();

class TORMAKELIN_FXCORE_API Time {
public:
    Time() = default;
    Time(Time const& other);
    Time& operator=(Time const& other);
    ~Time();

    void addSegment(ITimeSegment* segment);
    void removeSegment(core::UniqueId const& id);
    ITimeSegment* findSegment(core::UniqueId const& id) const;
    ITimeSegment* getCollidingTimeSegment(int t) const;
    std::vector<ITimeSegment*> const& getSegments() const { return m_segments; }
    // INT_MAX without segments.
    int getStartTime() const;
    // INT_MIN without segments.
    int getEndTime() const;

private:
    std::vector<ITimeSegment*> m_segments;
};

// The layers that played in one frame.
class TORMAKELIN_FXCORE_API LayerTracker {
public:
    struct Item {
        core::SmartRef<IScene> scene;
        core::SmartRef<ILayer> layer;
        bool operator==(Item const& other) const { return scene == other.scene && layer == other.layer; }
    };

    void addLayer(IScene* scene, ILayer* layer);
    std::vector<Item> const& getItems() const { return m_items; }
    // The items of this tracker that `previous` lacks, in this tracker's order.
    std::vector<Item> getVisibleLayers(LayerTracker const& previous) const;
    // The items of `previous` that this tracker lacks, in the order of `previous`.
    std::vector<Item> getHiddenLayers(LayerTracker const& previous) const;
    // The same into `out`, which is emptied first and keeps its storage, for the frame path.
    void getVisibleLayers(LayerTracker const& previous, std::vector<Item>& out) const;
    void getHiddenLayers(LayerTracker const& previous, std::vector<Item>& out) const;
    void clear();

private:
    using Key = std::pair<IScene const*, ILayer const*>;
    std::vector<Key> const& sortedKeys() const;
    void appendMissingFrom(LayerTracker const& from, std::vector<Item>& out) const;

    std::vector<Item> m_items;
    // The items as sorted pointer pairs, made on the first comparison after a change; the
    // storage is kept from frame to frame.
    mutable std::vector<Key> m_sorted;
    mutable bool m_sortedValid = false;
};

struct TORMAKELIN_FXCORE_API GraphNodeParameterInstance {
    GraphNodeParameterInstance() = default;
    GraphNodeParameterInstance(GraphNodeParameterInstance const& other);
    GraphNodeParameterInstance& operator=(GraphNodeParameterInstance const& other);
    GraphNodeParameterInstance(GraphNodeParameterInstance&&) noexcept = default;
    GraphNodeParameterInstance& operator=(GraphNodeParameterInstance&&) noexcept = default;
    ~GraphNodeParameterInstance() = default;

    core::UniqueId parameterId{};
    bool expanded = false;
    bool enabled = false;
    int expandedHeight = 0;
    core::SmartRef<IParameter> parameter;
    core::SmartRef<core::IKeyframe> keyframe;
};

struct GraphNodeInstance {
    core::UniqueId nodeId{};
    bool expanded = false;
    std::map<core::UniqueId, GraphNodeParameterInstance, core::UniqueIdLess> parameters;
};

class TORMAKELIN_FXCORE_API IGraphNodeParameterFolder {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual std::string const& getName() const = 0;
    virtual void setName(std::string const& name) = 0;
    virtual bool getExpanded() const = 0;
    virtual void setExpanded(bool expanded) = 0;
    virtual ~IGraphNodeParameterFolder() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API IGraphNodeParameterFolder* createGraphNodeParameterFolder();

using GraphNodeParameterFolders = std::vector<core::SmartRef<IGraphNodeParameterFolder>>;

class TORMAKELIN_FXCORE_API ILayer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual LayerType getType() const = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual LayerInfo& getInfo() = 0;
    virtual Time& getTime() = 0;
    virtual std::vector<ILayer*> const& getChildren() const = 0;
    // Each entry without a reference of its own.
    virtual std::vector<ILayer*> collectLayers() = 0;
    virtual void addLayer(ILayer* child) = 0;
    virtual void insertLayerBefore(ILayer* child, core::UniqueId const& sibling) = 0;
    virtual void insertLayerAfter(ILayer* child, core::UniqueId const& sibling) = 0;
    virtual void removeLayer(core::UniqueId const& id) = 0;
    virtual ILayer* findLayer(core::UniqueId const& id, bool recursive) const = 0;
    virtual void setGraphInstance(IGraph* graph) = 0;
    virtual void rebuildGraphNodeInstances(IGraph* graph) = 0;
    virtual void setNodeInstanceExpanded(core::UniqueId const& nodeId, bool expanded) = 0;
    virtual bool getNodeInstanceExpanded(core::UniqueId const& nodeId) const = 0;
    virtual bool getParameterExpanded(core::UniqueId const& parameterId) const = 0;
    virtual void setParameterExpanded(core::UniqueId const& parameterId, bool expanded) = 0;
    virtual bool isParameterEnabled(core::UniqueId const& parameterId) const = 0;
    virtual void setParameterEnabled(IParameter* nodeInput, bool enabled) = 0;
    virtual IParameter* getParameterInstance(core::UniqueId const& parameterId) const = 0;
    virtual core::IKeyframe* getParameterKeyframe(core::UniqueId const& parameterId) const = 0;
    virtual void setParameterKeyframe(core::UniqueId const& parameterId, core::IKeyframe* keyframe) = 0;
    virtual void setParameterAnimated(core::UniqueId const& parameterId, bool animated) = 0;
    virtual int getParameterExpandedHeight(core::UniqueId const& parameterId) const = 0;
    virtual void setParameterExpandedHeight(core::UniqueId const& parameterId, int height) = 0;
    virtual IGraphNodeParameterFolder* findParameterFolder(core::UniqueId const& nodeId, std::string const& name) const = 0;
    virtual GraphNodeParameterFolders const& getParameterFolders(core::UniqueId const& nodeId) const = 0;
    virtual void addParameterFolder(core::UniqueId const& nodeId, IGraphNodeParameterFolder* folder) = 0;
    virtual std::map<core::UniqueId, GraphNodeInstance, core::UniqueIdLess> const& getGraphNodeInstances() const = 0;
    virtual core::UniqueId const& getParentId() const = 0;
    virtual void setParentId(core::UniqueId const& id) = 0;
    virtual void clampChildTimes(ILayer* root) = 0;
    virtual int toGlobalTimeUnits(ILayer* root, int units) const = 0;
    virtual double toGlobalTime(ILayer* root, double seconds) const = 0;
    virtual int toLocalTimeUnits(ILayer* root, int units) const = 0;
    virtual double toLocalTime(ILayer* root, double seconds) const = 0;
    virtual void activate() = 0;
    virtual void deactivate() = 0;
    virtual void onPlaybackStop() = 0;
    virtual void onPlaybackSetTime(UpdateContext& context) = 0;
    virtual void update(UpdateContext& context) = 0;
    virtual void idle() = 0;
    // A new layer (count 0) of the same type with a fresh id.
    virtual ILayer* clone() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~ILayer() = default;
};

// Count 0 with the defaults of the type; null for an unknown type.
TORMAKELIN_FXCORE_API ILayer* createLayer(LayerType type);

} // namespace tormakelin::fxcore
