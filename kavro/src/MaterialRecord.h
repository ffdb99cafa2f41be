#pragma once
// What particle systems and flares share about the material they draw with: whether they take
// part in a pass, and the material reference as stored in scene files and resolved after loading.

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::kavro {

inline bool takesPart(INode* node, IMaterial* material, render::IShader* shader, const RenderPass& pass)
{
    return (node->getAttributes() & NodeAttribute_Hidden) == 0 && material &&
           material->takesPart(pass.technique, shader);
}

// A version and the material's id; loading leaves the material to be resolved.
inline bool serializeMaterialRecord(Serializer* serializer, ObjectRef<IMaterial>& material)
{
    uint32_t version = 1001;
    if (!io::value(serializer, version) || !io::id(serializer, material.id)) {
        return false;
    }
    if (!serializer->isStoring()) {
        material.object = nullptr;
    }
    return true;
}

inline void resolveMaterial(ObjectRef<IMaterial>& material, ISceneGraph* graph)
{
    material.resolveWith([graph](const core::UniqueId& id) { return graph->findMaterial(id); });
}

}  // namespace tormakelin::kavro
