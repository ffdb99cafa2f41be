#include <tormakelin/kavro/Particles.h>

#include "MaterialRecord.h"
#include "RefList.h"

#include <algorithm>

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/ParticleRender.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/TextureData.h>

namespace tormakelin::kavro {

namespace {

template <class T>
void removeById(std::vector<T*>& list, const core::UniqueId& id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](T* item) { return item->getId() == id; });
    if (it != list.end()) {
        T* item = *it;
        list.erase(it);
        item->release();
    }
}
}  // namespace

ParticleSystem::ParticleSystem()
{
    m_cloud.create(m_maxParticles);
}

ParticleSystem::~ParticleSystem()
{
    replace<render::ITextureAtlas>(m_atlas, nullptr);
    releaseAll(m_emitters);
    releaseAll(m_modifiers);
    replace<render::IShader>(m_shader, nullptr);
}

void ParticleSystem::setMaxParticles(uint32_t count)
{
    if (count != m_maxParticles) {
        m_maxParticles = count;
        m_cloud.create(count);
    }
}

void ParticleSystem::setMaterial(IMaterial* material)
{
    m_material.set(material);
}

void ParticleSystem::setShader(render::IShader* shader)
{
    replace(m_shader, shader);
}

void ParticleSystem::setTextureAtlas(render::ITextureAtlas* atlas)
{
    replace(m_atlas, atlas);
}

void ParticleSystem::addEmitter(IParticleEmitter* emitter)
{
    if (emitter) {
        emitter->addRef();
        m_emitters.push_back(emitter);
    }
}

void ParticleSystem::addModifier(IParticleModifier* modifier)
{
    if (modifier) {
        modifier->addRef();
        m_modifiers.push_back(modifier);
    }
}

void ParticleSystem::removeEmitter(const core::UniqueId& id)
{
    removeById(m_emitters, id);
}

void ParticleSystem::removeModifier(const core::UniqueId& id)
{
    removeById(m_modifiers, id);
}

void ParticleSystem::clearEmitters()
{
    releaseEach(m_emitters);
}

void ParticleSystem::clearModifiers()
{
    releaseEach(m_modifiers);
}

void ParticleSystem::updateParticles(UpdateContext& context)
{
    const float dt = context.delta;
    for (IParticleEmitter* emitter : m_emitters) {
        emitter->update(context, this);
    }
    m_cloud.relinkInRecordOrder();
    Particle* next = nullptr;
    for (Particle* p = m_cloud.getFirstAlive(); p; p = next) {
        // Freeing relinks the particle into the free list.
        next = nextInList(p);
        p->previousPosition = p->position;
        p->position += p->velocity * dt;
        p->velocity += p->acceleration * dt;
        p->remainingLife -= dt;
        if (p->rotate) {
            p->rotation += p->rotationSpeed * dt;
        }
        if (p->remainingLife <= 0) {
            m_cloud.freeParticle(p);
        }
    }
    for (IParticleEmitter* emitter : m_emitters) {
        if (emitter->shouldSpawn()) {
            emitter->spawnParticles(context, this);
        }
    }
    for (IParticleModifier* modifier : m_modifiers) {
        modifier->update(context);
    }
    if (m_cloud.getAliveCount() > 0) {
        for (IParticleModifier* modifier : m_modifiers) {
            modifier->apply(context, m_cloud.getFirstAlive());
        }
    }
    m_cloud.prepare(m_sort, context.eye);
}

void ParticleSystem::update(UpdateContext& context)
{
    if (context.phase == UpdatePhase_Apply && context.advance) {
        updateParticles(context);
    }
    Node::update(context);
}

void ParticleSystem::render(RenderPass& pass)
{
    pass.bones.clear();
    if (m_cloud.getAliveCount() > 0 && takesPart(this, m_material.object, m_shader, pass)) {
        pass.world = m_worldMatrix;
        IParticleRender* renderer = pass.particleRender ? pass.particleRender : IParticleRender::instance();
        if (renderer) {
            renderer->draw(pass, this);
        }
    }
    renderChildren(pass);
}

void ParticleSystem::resolve(ISceneGraph* graph)
{
    resolveMaterial(m_material, graph);
    Node::resolve(graph);
}

bool ParticleSystem::serialize(Serializer* serializer)
{
    return Node::serialize(serializer) && serializeMaterialRecord(serializer, m_material);
}

}  // namespace tormakelin::kavro
