#include <tormakelin/fxcore/ParticleNodes.h>

#include "PluginDescs.h"
#include "SharedEffect.h"

#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/ParticleRender.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>

#include <algorithm>

namespace tormakelin::fxcore {

PluginDesc ParticleSystemEffect::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "856A0050-2051-11DE-9D34-F3DD278E6044", "3D/Particle/Particle System", "Particle System Effect");

ParticleSystemEffect::ParticleSystemEffect()
{
    m_textureInput = addInput("Attributes/Texture", kParameterResource, "0", nullptr);
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "1", &m_blendMode));
    addInput("Attributes/Max particles", kParameterInt, "2000", &m_maxParticles);
    addInput("Attributes/Sort", kParameterBool, "0", &m_sort);
    m_emitterInput = addInput("Attributes/Emitter", kParameterLink, "", nullptr);
    m_modifierInput = addInput("Attributes/Modifier", kParameterLink, "", nullptr);
    enableTransform(kTransform3d, kTransformHandleAll, 2);
    m_shaderInput = addInput("Attributes/Shader", kParameterLink, "", nullptr);
    enableScript();

    m_sceneGraph = kavro::createSceneGraph();
    m_system = new kavro::ParticleSystem();
    m_system->setMaxParticles(clampedMaxParticles());
    m_sceneGraph->addNode(m_system.get());
    m_material = kavro::createMaterial();
    m_material->setName("Particle");
    m_material->setBlendMode(m_blendMode);
    m_material->setTwoSided(true);
    m_sceneGraph->addMaterial(m_material.get());
    m_system->setMaterial(m_material.get());
    m_texture = kavro::createTexture();
    m_sampler = kavro::createTextureSampler();
    m_sampler->setName("particle");
    m_material->addTextureSampler(m_sampler.get());
    compileShader();
    m_material->setShader(m_shader.get());
    m_sceneGraph->resolve();
    // The owned texture is no member of the graph, so it is tied after resolving.
    m_sampler->getTexture().set(m_texture.get());
}

ParticleSystemEffect::~ParticleSystemEffect() = default;

void ParticleSystemEffect::compileShader()
{
    // The own text draws with the technique the material selects for blended particles.
    if (!render::g_renderDevice || !render::g_shaderManager)
        return;
    core::SmartRef<render::IShader> const shader = render::createShader();
    if (compileSharedEffect(shader.get(), kavro::getParticleEffectText(), "ParticleSystemEffect"))
        m_shader = shader;
}

uint32_t ParticleSystemEffect::clampedMaxParticles() const
{
    return static_cast<uint32_t>(std::clamp(m_maxParticles, 1, kMaxParticlesLimit));
}

void ParticleSystemEffect::eval(UpdateContext& context)
{
    useShader();
    m_system->setMaxParticles(clampedMaxParticles());
    m_system->sortParticles(m_sort);
    useTexture(context.instanceParameters);
    m_material->setBlendMode(m_blendMode);
    relink();
}

void ParticleSystemEffect::reset()
{
    uint32_t const count = clampedMaxParticles();
    m_system->setMaxParticles(count);
    m_system->getCloud().create(count);
}

void ParticleSystemEffect::resolve(IGraph* graph)
{
    Effect::resolve(graph);
    if (NodeParameter const* input = findInputNamed("Attributes/Max particles")) {
        m_maxParticles = input->value->getInt();
        m_system->setMaxParticles(clampedMaxParticles());
    }
}

void ParticleSystemEffect::useShader()
{
    render::IShader* shader = m_shader.get();
    bool found = false;
    forEachLinkedNode(*m_shaderInput, [&](IGraphNode* node) {
        if (found || pluginIdOf(node) != ShaderEffect::_pluginDesc.id)
            return;
        if (auto const* linked = dynamic_cast<ShaderEffect const*>(node)) {
            shader = linked->getShader();
            found = true;
        }
    });
    if (m_material->getShader() != shader)
        m_material->setShader(shader);
    render::IShader* const linked = found ? shader : nullptr;
    if (linked != m_checkedShader) {
        m_checkedShader = linked;
        checkLinkedShader(linked);
    }
}

void ParticleSystemEffect::checkLinkedShader(render::IShader* shader)
{
    // The material draws particles with this technique only; without it nothing shows.
    char const* technique = kavro::getTechniqueName(kavro::RenderTechnique_Blended);
    if (!shader || shader->hasTechnique(technique)) {
        if (!getErrorString().empty())
            setErrorString({});
        return;
    }
    std::string message =
        std::string("The linked shader has no technique \"") + technique + "\": no particle is drawn.";
    core::Debug(core::DebugWarning, __FILE__, __LINE__, getPluginDesc().path) << message;
    setErrorString(std::move(message));
}

void ParticleSystemEffect::useTexture(InstanceParameterMap const& instances)
{
    static std::vector<core::UniqueId> const kinds = {TextureResource::_pluginDesc.id,
        RenderTargetResource::_pluginDesc.id, TextureAtlasResource::_pluginDesc.id};
    m_system->setTextureAtlas(nullptr);
    render::ITexture* texture = nullptr;
    IResource* resource = firstResourceOnInput(*m_textureInput, kinds, instances);
    if (auto const* atlas = dynamic_cast<TextureAtlasResource const*>(resource)) {
        texture = atlas->getTexture();
        m_system->setTextureAtlas(atlas->getAtlas());
    } else {
        texture = TextureEffect::resourceTexture(resource);
    }
    m_texture->setTexture(texture);
}

void ParticleSystemEffect::relink()
{
    m_system->clearEmitters();
    m_system->clearModifiers();
    forEachLinkedNode(*m_emitterInput, [&](IGraphNode* node) {
        if (auto const* emitter = dynamic_cast<ParticleEmitter const*>(node))
            m_system->addEmitter(emitter->getEmitter());
    });
    forEachLinkedNode(*m_modifierInput, [&](IGraphNode* node) {
        if (auto const* modifier = dynamic_cast<ParticleModifier const*>(node))
            m_system->addModifier(modifier->getModifier());
    });
}

} // namespace tormakelin::fxcore
