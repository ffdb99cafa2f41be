#include <tormakelin/fxcore/ParticleNodes.h>

#include "PluginDescs.h"

#include <tormakelin/kavro/Particles.h>

namespace tormakelin::fxcore {

PluginDesc ParticleSizeModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "A2BA1970-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Size Modifier", "Particle color modifier");
PluginDesc ParticlePlaneModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "8CB157A8-2090-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Plane Modifier", "Particle color modifier");
PluginDesc ParticleLinearForceModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "6E6B535B-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Linear Force Modifier", "Particle color modifier");
PluginDesc ParticleCameraDistanceFadeModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "4265471F-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Camera Fade Modifier", "Particle color modifier");
PluginDesc ParticleAttractorModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "1283077B-2086-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Attractor Modifier", "Attractor modifier");
PluginDesc ParticleColorModifier::_pluginDesc = libraryPluginDesc(kPluginGraphNode,
    "AAF648B0-2060-11DE-8173-A69DC20BAC7C", "3D/Particle/Modifier/Color Modifier", "Particle color modifier");

ParticleModifier::ParticleModifier(kavro::ParticleModifier* modifier) : m_modifier(modifier)
{
    addOutput("Result", kParameterLink, nullptr);
}

ParticleModifier::~ParticleModifier() = default;

kavro::IParticleModifier* ParticleModifier::getModifier() const
{
    return m_modifier.get();
}

ParticleSizeModifier::ParticleSizeModifier() : ParticleModifier(new kavro::ParticleSizeModifier())
{
    auto* size = static_cast<kavro::ParticleSizeModifier*>(kavroModifier());
    addInput("Attributes/Start size", kParameterFloat, "0", &size->startSize);
    addInput("Attributes/Middle size", kParameterFloat, "0.5", &size->middleSize);
    addInput("Attributes/End size", kParameterFloat, "1", &size->endSize);
    addInput("Attributes/Middle time", kParameterFloat, "2", &size->middleTime);
    addInput("Attributes/End time", kParameterFloat, "4", &size->endTime);
    enableScript();
}

ParticlePlaneModifier::ParticlePlaneModifier() : ParticleModifier(new kavro::ParticlePlaneModifier())
{
    auto* plane = static_cast<kavro::ParticlePlaneModifier*>(kavroModifier());
    addInput("Attributes/Position", kParameterVec3, "0,0,0", &plane->point);
    addInput("Attributes/Normal", kParameterVec3, "0,1,0", &plane->normal);
    addInput("Attributes/Bounce", kParameterFloat, "0.5", &plane->bounce);
    addInput("Attributes/Velocity damping", kParameterVec3, "0,0.25,0", &plane->velocityDamping);
    addInput("Attributes/Acceleration damping", kParameterVec3, "0,0.1,0", &plane->accelerationDamping);
    enableScript();
}

ParticleLinearForceModifier::ParticleLinearForceModifier() : ParticleModifier(new kavro::ParticleLinearForceModifier())
{
    auto* force = static_cast<kavro::ParticleLinearForceModifier*>(kavroModifier());
    NodeParameter* op = addInput("Attributes/Operator", kParameterOption, "0", &force->op);
    op->value->addOption("Add", kavro::LinearForceOperator_Add);
    op->value->addOption("Average", kavro::LinearForceOperator_Average);
    addInput("Attributes/Direction", kParameterVec3, "0,0,1", &force->direction);
    enableScript();
}

ParticleCameraDistanceFadeModifier::ParticleCameraDistanceFadeModifier()
    : ParticleModifier(new kavro::ParticleCameraDistanceFadeModifier())
{
    auto* fade = static_cast<kavro::ParticleCameraDistanceFadeModifier*>(kavroModifier());
    addInput("Attributes/Near plane", kParameterFloat, "0.5f", &fade->nearDistance);
    addInput("Attributes/Far plane", kParameterFloat, "50", &fade->farDistance);
}

ParticleAttractorModifier::ParticleAttractorModifier() : ParticleModifier(new kavro::ParticleAttractorModifier())
{
    auto* attractor = static_cast<kavro::ParticleAttractorModifier*>(kavroModifier());
    addInput("Attributes/Position", kParameterVec3, "0,0,0", &attractor->position);
    addInput("Attributes/Radius", kParameterFloat, "10", &attractor->radius);
    addInput("Attributes/Strength", kParameterVec3, "1,1,1", &attractor->strength);
    enableScript();
}

ParticleColorModifier::ParticleColorModifier()
    : ParticleModifier(new kavro::ParticleColorModifier()),
      m_colour(static_cast<kavro::ParticleColorModifier*>(kavroModifier()))
{
    addInput("Attributes/Start Color", kParameterColor, "0,0,0,0", &m_start);
    addInput("Attributes/Middle Color", kParameterColor, "255,255,255,255", &m_middle);
    addInput("Attributes/End Color", kParameterColor, "0,0,0,0", &m_end);
    addInput("Attributes/Middle Start", kParameterFloat, "0.1", &m_colour->middleStart);
    addInput("Attributes/End Start", kParameterFloat, "0.9", &m_colour->endStart);
    enableScript();
}

void ParticleColorModifier::eval(UpdateContext&)
{
    m_colour->startColour = m_start / 255.0f;
    m_colour->middleColour = m_middle / 255.0f;
    m_colour->endColour = m_end / 255.0f;
}

} // namespace tormakelin::fxcore
