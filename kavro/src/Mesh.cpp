#include <tormakelin/kavro/Mesh.h>

#include <algorithm>
#include <array>
#include <cmath>

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Modifier.h>
#include <tormakelin/kavro/SceneGraph.h>

namespace tormakelin::kavro {

namespace {
constexpr uint32_t kMeshVersion = 1000;
}

void Mesh::addFragmentMaterial(const core::UniqueId& fragment, const core::UniqueId& material)
{
    ObjectRef<IMaterial> ref;
    ref.id = material;
    m_fragmentMaterials[fragment] = ref;
}

void Mesh::setFragmentMaterial(const core::UniqueId& fragment, IMaterial* material)
{
    m_fragmentMaterials[fragment].set(material);
}

void Mesh::removeFragmentMaterial(const core::UniqueId& fragment)
{
    m_fragmentMaterials.erase(fragment);
}

IGeometry* Mesh::getGeometryInUse()
{
    // A skin that blends in the effect has no working copy: the mesh then draws its own geometry.
    IGeometry* modified = m_modifier.object ? m_modifier.object->getGeometry() : nullptr;
    return modified ? modified : m_geometry.object;
}

void Mesh::gatherLights(const std::vector<LightRecord>& lights)
{
    if (lights.size() <= kMaxLights) {
        m_lights = lights;
        return;
    }
    // The nearest six by repeated selection: stable, and nothing allocated once the list has room.
    const D3DXVECTOR3 at(m_worldMatrix._41, m_worldMatrix._42, m_worldMatrix._43);
    auto distance = [&at](const LightRecord& light) {
        const D3DXVECTOR3 d = light.position - at;
        const float squared = d.x * d.x + d.y * d.y + d.z * d.z;
        return std::isnan(squared) ? INFINITY : squared;
    };
    std::array<size_t, kMaxLights> chosen{};
    m_lights.clear();
    for (unsigned k = 0; k < kMaxLights; ++k) {
        size_t best = lights.size();
        float bestDistance = INFINITY;
        for (size_t i = 0; i < lights.size(); ++i) {
            if (std::find(chosen.begin(), chosen.begin() + k, i) != chosen.begin() + k) {
                continue;
            }
            const float d = distance(lights[i]);
            if (best == lights.size() || d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        chosen[k] = best;
        m_lights.push_back(lights[best]);
    }
}

void Mesh::update(UpdateContext& context)
{
    if (context.phase == UpdatePhase_Evaluate) {
        IGeometry* geometry = getGeometryInUse();
        m_box = geometry ? geometry->getBoundingBox() : emptyBox();
    } else if (context.phase == UpdatePhase_Apply) {
        if (context.lights) {
            gatherLights(*context.lights);
        } else {
            m_lights.clear();
        }
        if (m_modifier.object) {
            m_modifier.object->update(context);
        }
        m_worldBox = m_box;
        if (!isEmptyBox(m_worldBox)) {
            m_worldBox.transform(m_worldMatrix);
        }
    }
    Node::update(context);
}

void Mesh::render(RenderPass& pass)
{
    if (auto* skin = dynamic_cast<SkinModifier*>(m_modifier.object)) {
        pass.bones = skin->getBoneMatrices();
    }
    IGeometry* geometry = getGeometryInUse();
    if (geometry && (m_attributes & NodeAttribute_Hidden) == 0) {
        pass.lights = m_lights;
        pass.world = m_worldMatrix;
        geometry->draw(pass, m_fragmentMaterials, m_shaders);
    }
    renderChildren(pass);
}

void Mesh::resolve(ISceneGraph* graph)
{
    m_geometry.resolveWith([graph](const core::UniqueId& id) { return graph->findGeometry(id); });
    for (auto& entry : m_fragmentMaterials) {
        entry.second.resolveWith([graph](const core::UniqueId& id) { return graph->findMaterial(id); });
    }
    m_modifier.resolveWith([graph](const core::UniqueId& id) { return graph->findModifier(id); });
    if (m_modifier.object) {
        m_modifier.object->resolve(graph);
    }
    Node::resolve(graph);
}

bool Mesh::serialize(Serializer* serializer)
{
    uint32_t version = kMeshVersion;
    if (!Node::serialize(serializer) || !io::value(serializer, version) || !io::id(serializer, m_geometry.id)) {
        return false;
    }
    uint32_t count = uint32_t(m_fragmentMaterials.size());
    if (!io::count(serializer, count, 2 * sizeof(core::UniqueId))) {
        return false;
    }
    if (serializer->isStoring()) {
        for (auto& entry : m_fragmentMaterials) {
            core::UniqueId fragment = entry.first;
            if (!io::id(serializer, fragment) || !io::id(serializer, entry.second.id)) {
                return false;
            }
        }
    } else {
        m_fragmentMaterials.clear();
        for (uint32_t i = 0; i < count; ++i) {
            core::UniqueId fragment{};
            core::UniqueId material{};
            if (!io::id(serializer, fragment) || !io::id(serializer, material)) {
                return false;
            }
            addFragmentMaterial(fragment, material);
        }
    }
    return io::id(serializer, m_modifier.id);
}

}  // namespace tormakelin::kavro
