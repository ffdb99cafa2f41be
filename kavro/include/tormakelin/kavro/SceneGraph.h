#pragma once
// A loaded 3-D scene: flat lists of materials, textures, nodes, geometries and modifiers.

#include <string>
#include <vector>

#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Export.h>

namespace tormakelin::kavro {

class IGeometry;
class IGeometryModifier;
class IMaterial;
class INode;
class ITexture;
class Serializer;

class TORMAKELIN_KAVRO_API ISceneGraph {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual void getNodesByType(uint32_t type, std::vector<INode*>& out) = 0;
    virtual std::vector<INode*> getNodesByType(uint32_t type) = 0;
    virtual const std::vector<INode*>& getNodes() = 0;
    // Nodes without a resolved parent.
    virtual std::vector<INode*> getRootNodes() = 0;
    virtual INode* findNode(const core::UniqueId& id) = 0;
    virtual void addNode(INode* node) = 0;
    virtual const std::vector<IMaterial*>& getMaterials() = 0;
    virtual IMaterial* findMaterial(const core::UniqueId& id) = 0;
    virtual void addMaterial(IMaterial* material) = 0;
    virtual void clearMaterials() = 0;
    virtual const std::vector<ITexture*>& getTextures() = 0;
    virtual ITexture* findTexture(const core::UniqueId& id) = 0;
    virtual void addTexture(ITexture* texture) = 0;
    virtual const std::vector<IGeometry*>& getGeometries() = 0;
    virtual IGeometry* findGeometry(const core::UniqueId& id) = 0;
    virtual void addGeometry(IGeometry* geometry) = 0;
    virtual const std::vector<IGeometryModifier*>& getModifiers() = 0;
    virtual IGeometryModifier* findModifier(const core::UniqueId& id) = 0;
    virtual void addModifier(IGeometryModifier* modifier) = 0;
    virtual core::AxisAlignedBoundingBox getBoundingBox() = 0;
    virtual void resolve() = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ISceneGraph() = default;
};

TORMAKELIN_KAVRO_API ISceneGraph* createSceneGraph();

// Appends the graph's nodes without a resolved parent: getRootNodes into a list the caller keeps.
TORMAKELIN_KAVRO_API void appendRootNodes(ISceneGraph* graph, std::vector<INode*>& out);
// The graph read from the file system's file, or null when it is missing or unreadable.
TORMAKELIN_KAVRO_API ISceneGraph* loadSceneGraph(const std::string& path);

}  // namespace tormakelin::kavro
