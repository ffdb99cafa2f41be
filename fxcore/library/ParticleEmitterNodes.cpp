#include <tormakelin/fxcore/ParticleNodes.h>

#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneGraph.h>

#include <algorithm>

namespace tormakelin::fxcore {

PluginDesc ParticleBoxEmitter::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "A32ABD50-2060-11DE-8173-A69DC20BAC7C", "3D/Particle/Emitter/Box Emitter", "Box Emitter");
PluginDesc ParticleCylinderEmitter::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "559CE5ED-208E-11DE-AA50-98E911BD1873", "3D/Particle/Emitter/Cylinder Emitter", "Box Emitter");
PluginDesc ParticleSphereEmitter::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "B3E33D24-208E-11DE-AA50-98E911BD1873", "3D/Particle/Emitter/Sphere Emitter", "Sphere Emitter");
PluginDesc ParticleRandomEmitter::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "92B90290-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Random Emitter", "Box Emitter");
PluginDesc ParticleMeshEmitter::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "EFE930F7-209D-11DE-84BB-C2EA7EF6DB97", "3D/Particle/Emitter/Mesh Emitter", "Mesh Emitter");

namespace {

constexpr int kMaxParticlesPerSpawn = 20000;

} // namespace

ParticleEmitter::ParticleEmitter(kavro::ParticleEmitter* emitter) : m_emitter(emitter)
{
    addOutput("Result", kParameterLink, nullptr);
}

ParticleEmitter::~ParticleEmitter() = default;

kavro::IParticleEmitter* ParticleEmitter::getEmitter() const
{
    return m_emitter.get();
}

void ParticleEmitter::addCommonInputs()
{
    kavro::ParticleEmitterParams& params = m_emitter->getParams();
    addInput("Attributes/Texture id", kParameterText, "", &params.textureId);
    addInput("Attributes/Num Spawns", kParameterInt, "0", &params.spawnLimit);
    addInput("Attributes/Time between spawn", kParameterFloat, "0.25", &params.timeBetweenSpawns);
    addInput("Attributes/Num Particles", kParameterInt, "20", &params.particlesPerSpawn);
    addInput("Attributes/Min life", kParameterFloat, "0.1", &params.lifeMin);
    addInput("Attributes/Max life", kParameterFloat, "2", &params.lifeMax);
    addInput("Velocity/Min velocity", kParameterVec3, "0.1,0.1,0.1", &params.velocityMin);
    addInput("Velocity/Max velocity", kParameterVec3, "5,5,5", &params.velocityMax);
    addInput("Velocity/Min acceleration", kParameterVec3, "0,0,0", &params.accelerationMin);
    addInput("Velocity/Max acceleration", kParameterVec3, "0,0,0", &params.accelerationMax);
    addInput("Size/Min", kParameterFloat, "1", &params.sizeMin);
    addInput("Size/Max", kParameterFloat, "1", &params.sizeMax);
    addInput("Rotation/Rotate", kParameterBool, "0", &params.rotate);
    addInput("Rotation/Min", kParameterFloat, "0", &m_rotationMin);
    addInput("Rotation/Max", kParameterFloat, "0", &m_rotationMax);
    addInput("Rotation/Min speed", kParameterFloat, "0", &params.rotationSpeedMin);
    addInput("Rotation/Max speed", kParameterFloat, "0", &params.rotationSpeedMax);
    addInput("Velocity/Use Velocity From Emitter", kParameterBool, "0", &params.useVelocityFromEmitter);
    addInput("Velocity/Emitter Velocity Scale", kParameterFloat, "1", &params.emitterVelocityScale);
    enableTransform(kTransform3d, kTransformHandlePosition, 3);
}

void ParticleEmitter::eval(UpdateContext& context)
{
    writeShape(context);
    update();
}

void ParticleEmitter::update()
{
    kavro::ParticleEmitterParams& params = m_emitter->getParams();
    params.emitterPosition = getTransform().position3d;
    params.particlesPerSpawn = std::clamp(params.particlesPerSpawn, 1, kMaxParticlesPerSpawn);
    params.rotationMin = D3DXToRadian(m_rotationMin);
    params.rotationMax = D3DXToRadian(m_rotationMax);
}

ParticleBoxEmitter::ParticleBoxEmitter()
    : ParticleEmitter(new kavro::ParticleBoxEmitter()),
      m_box(static_cast<kavro::ParticleBoxEmitter*>(kavroEmitter()))
{
    addCommonInputs();
    addInput("Box/Spawn on box", kParameterBool, "0", &m_onBox);
    addInput("Box/Min", kParameterVec3, "-10,-10,-10", &m_min);
    addInput("Box/Max", kParameterVec3, "10,10,10", &m_max);
}

void ParticleBoxEmitter::writeShape(UpdateContext&)
{
    m_box->setBounds(core::MinMax<D3DXVECTOR3>{m_min, m_max});
    m_box->spawnOnBox(m_onBox);
}

ParticleCylinderEmitter::ParticleCylinderEmitter()
    : ParticleEmitter(new kavro::ParticleCylinderEmitter()),
      m_cylinder(static_cast<kavro::ParticleCylinderEmitter*>(kavroEmitter()))
{
    addCommonInputs();
    addInput("Attributes/Cylinder/Height", kParameterFloat, "10", &m_height);
    addInput("Attributes/Cylinder/Radius", kParameterFloat, "2.5", &m_radius);
}

void ParticleCylinderEmitter::writeShape(UpdateContext&)
{
    m_cylinder->setHeight(m_height);
    m_cylinder->setRadius(m_radius);
}

ParticleSphereEmitter::ParticleSphereEmitter()
    : ParticleEmitter(new kavro::ParticleSphereEmitter()),
      m_sphere(static_cast<kavro::ParticleSphereEmitter*>(kavroEmitter()))
{
    addCommonInputs();
    addInput("Sphere/Spawn on sphere", kParameterBool, "0", &m_onSphere);
    addInput("Sphere/Radius", kParameterFloat, "10", &m_radius);
}

void ParticleSphereEmitter::writeShape(UpdateContext&)
{
    m_sphere->setRadius(m_radius);
    m_sphere->spawnOnSphere(m_onSphere);
}

ParticleRandomEmitter::ParticleRandomEmitter()
    : ParticleEmitter(new kavro::ParticleRandomEmitter()),
      m_random(static_cast<kavro::ParticleRandomEmitter*>(kavroEmitter()))
{
    addCommonInputs();
    addInput("Box/Min", kParameterVec3, "-10,-10,-10", &m_min);
    addInput("Box/Max", kParameterVec3, "10,10,10", &m_max);
}

void ParticleRandomEmitter::writeShape(UpdateContext&)
{
    m_random->setBounds(core::MinMax<D3DXVECTOR3>{m_min, m_max});
}

ParticleMeshEmitter::ParticleMeshEmitter()
    : ParticleEmitter(new kavro::ParticleMeshEmitter()),
      m_mesh(static_cast<kavro::ParticleMeshEmitter*>(kavroEmitter()))
{
    addCommonInputs();
    m_sceneInput = addInput("Mesh/Scene", kParameterResource, "0", nullptr);
    addInput("Mesh/Name", kParameterText, "", &m_meshName);
    addInput("Mesh/Min random", kParameterVec3, "0,0,0", &m_randomMin);
    addInput("Mesh/Max random", kParameterVec3, "0,0,0", &m_randomMax);
}

void ParticleMeshEmitter::writeShape(UpdateContext& context)
{
    static std::vector<core::UniqueId> const sceneKinds = {SceneResource::_pluginDesc.id};
    m_mesh->setRandomOffset(m_randomMin, m_randomMax);
    auto const* resource =
        dynamic_cast<SceneResource const*>(firstResourceOnInput(*m_sceneInput, sceneKinds, context.instanceParameters));
    kavro::ISceneGraph* scene = resource ? resource->getScene() : nullptr;
    kavro::IGeometry* geometry = nullptr;
    if (scene)
        for (kavro::INode* node : scene->getNodes())
            if (node->getType() == kavro::NodeType_Mesh && node->getName() == m_meshName)
                if (auto* mesh = dynamic_cast<kavro::Mesh*>(node))
                    geometry = mesh->getGeometry();
    m_mesh->setMesh(geometry);
}

} // namespace tormakelin::fxcore
