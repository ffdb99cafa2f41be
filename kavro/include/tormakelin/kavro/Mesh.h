#pragma once
// A node that places one geometry, with a material per fragment and an optional modifier.

#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Node.h>

namespace tormakelin::kavro {

class IGeometryModifier;

class TORMAKELIN_KAVRO_API Mesh : public Node {
public:
    static constexpr unsigned kMaxLights = 6;

    NodeType getType() override { return NodeType_Mesh; }
    void update(UpdateContext& context) override;
    void render(RenderPass& pass) override;
    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    virtual IGeometry* getGeometry() { return m_geometry.object; }
    virtual FragmentMaterialMap& getFragmentMaterials() { return m_fragmentMaterials; }
    virtual void addFragmentMaterial(const core::UniqueId& fragment, const core::UniqueId& material);
    virtual void setFragmentMaterial(const core::UniqueId& fragment, IMaterial* material);
    virtual void removeFragmentMaterial(const core::UniqueId& fragment);

    void setGeometry(IGeometry* geometry) { m_geometry.set(geometry); }
    void setGeometryId(const core::UniqueId& id) { m_geometry.id = id, m_geometry.object = nullptr; }
    void setModifier(const core::UniqueId& id) { m_modifier.id = id, m_modifier.object = nullptr; }
    IGeometryModifier* getModifier() { return m_modifier.object; }
    ShaderMap& getShaderMap() { return m_shaders; }
    const std::vector<LightRecord>& getLights() const { return m_lights; }
    // The resolved modifier's working geometry when it has one, else the mesh's own.
    IGeometry* getGeometryInUse();

private:
    void gatherLights(const std::vector<LightRecord>& lights);

    ObjectRef<IGeometry> m_geometry;
    ObjectRef<IGeometryModifier> m_modifier;
    FragmentMaterialMap m_fragmentMaterials;
    ShaderMap m_shaders;
    std::vector<LightRecord> m_lights;
};

}  // namespace tormakelin::kavro
