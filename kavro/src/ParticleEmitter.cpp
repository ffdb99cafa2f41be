#include <tormakelin/kavro/Particles.h>

#include "RefList.h"

#include <cmath>
#include <cstring>

#include <tormakelin/core/Random.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/render/TextureData.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexStream.h>

namespace tormakelin::kavro {

namespace {
constexpr unsigned kMeshVertexBytes = 48;
constexpr float kPi = 3.14159265358979f;

float random(float a, float b) { return core::randomFloat(a, b); }

// The face of the box an on-surface spawn is moved onto.
enum BoxFace : int {
    BoxFace_MinX = 0,
    BoxFace_MaxX = 1,
    BoxFace_MinY = 2,
    BoxFace_MaxY = 3,
    BoxFace_MinZ = 4,
    BoxFace_MaxZ = 5,
    // The draw runs one past the last face, which takes that value too, so the +z face gets
    // twice the share of each other one; a seeded project spreads its particles the same way
    // wherever it plays.
    BoxFace_LastDrawn = 6,
};

D3DXVECTOR3 randomIn(const D3DXVECTOR3& min, const D3DXVECTOR3& max)
{
    // Drawn x, y, z in turn so a seeded sequence gives the same points everywhere.
    const float x = random(min.x, max.x);
    const float y = random(min.y, max.y);
    const float z = random(min.z, max.z);
    return D3DXVECTOR3(x, y, z);
}
}  // namespace

ParticleEmitter::ParticleEmitter()
{
    core::generateUniqueId(m_id);
}

void ParticleEmitter::update(UpdateContext& context, ParticleSystem* system)
{
    m_countdown -= context.delta;
    const D3DXVECTOR3& position = m_params.emitterPosition;
    // The first frame has no earlier position: the emitter is taken as still.
    if (!m_hasPreviousPosition) {
        m_previousPosition = position;
        m_hasPreviousPosition = true;
    }
    const float scale = m_params.useVelocityFromEmitter ? m_params.emitterVelocityScale : 0.0f;
    m_emitterVelocity = (position - m_previousPosition) * scale;
    m_previousPosition = position;

    render::TextureAtlasRect rect;
    render::ITextureAtlas* atlas = system ? system->getTextureAtlas() : nullptr;
    if (atlas && atlas->getRect(m_params.textureId, rect)) {
        m_textureRect[0] = rect.x;
        m_textureRect[1] = rect.y;
        m_textureRect[2] = rect.x + rect.width;
        m_textureRect[3] = rect.y + rect.height;
    } else {
        m_textureRect[0] = m_textureRect[1] = 0;
        m_textureRect[2] = m_textureRect[3] = 1;
    }
}

bool ParticleEmitter::shouldSpawn()
{
    if (m_spawnCount == 0) {
        return true;
    }
    if (m_params.spawnLimit != 0 && m_spawnCount >= m_params.spawnLimit) {
        return false;
    }
    return m_countdown <= 0;
}

void ParticleEmitter::spawnParticles(UpdateContext&, ParticleSystem* system)
{
    m_countdown = m_params.timeBetweenSpawns;
    ++m_spawnCount;
    ParticleCloud& cloud = system->getCloud();
    for (int i = 0; i < m_params.particlesPerSpawn; ++i) {
        Particle* particle = cloud.newParticle();
        if (particle == nullptr) {
            break;
        }
        initParticle(*particle);
        placeParticle(*particle);
        particle->previousPosition = particle->position;
    }
}

void ParticleEmitter::initParticle(Particle& p)
{
    const ParticleEmitterParams& q = m_params;
    p.life = p.remainingLife = random(q.lifeMin, q.lifeMax);
    p.colour = 0xFFFFFFFF;
    p.velocity = randomIn(q.velocityMin, q.velocityMax) + m_emitterVelocity;
    p.acceleration = randomIn(q.accelerationMin, q.accelerationMax);
    p.size = random(q.sizeMin, q.sizeMax);
    p.rotate = q.rotate;
    p.rotation = random(q.rotationMin, q.rotationMax);
    p.rotationSpeed = random(q.rotationSpeedMin, q.rotationSpeedMax);
    for (int i = 0; i < 4; ++i) {
        p.textureRect[i] = m_textureRect[i];
    }
}

void ParticleBoxEmitter::placeParticle(Particle& p)
{
    D3DXVECTOR3 at = randomIn(m_bounds.min, m_bounds.max);
    if (m_onBox) {
        switch (core::randomInt(BoxFace_MinX, BoxFace_LastDrawn)) {
        case BoxFace_MinX: at.x = m_bounds.min.x; break;
        case BoxFace_MaxX: at.x = m_bounds.max.x; break;
        case BoxFace_MinY: at.y = m_bounds.min.y; break;
        case BoxFace_MaxY: at.y = m_bounds.max.y; break;
        case BoxFace_MinZ: at.z = m_bounds.min.z; break;
        default: at.z = m_bounds.max.z; break;
        }
    }
    p.position = m_params.emitterPosition + at;
}

void ParticleSphereEmitter::placeParticle(Particle& p)
{
    if (!m_onSphere) {
        const float h = m_radius / 2;
        p.position = m_params.emitterPosition + randomIn(D3DXVECTOR3(-h, -h, -h), D3DXVECTOR3(h, h, h));
        return;
    }
    const float a = random(0, 1);
    const float b = random(0, 1);
    const float theta = b * kPi;
    const float phi = a * 2 * kPi;
    const D3DXVECTOR3 direction(std::cos(phi) * std::sin(theta), std::cos(theta), std::sin(theta) * std::sin(phi));
    p.position = m_params.emitterPosition + direction * m_radius;
}

void ParticleCylinderEmitter::placeParticle(Particle& p)
{
    p.position = m_params.emitterPosition;
}

void ParticleRandomEmitter::placeParticle(Particle& p)
{
    p.position = m_params.emitterPosition + randomIn(m_bounds.min, m_bounds.max);
}

ParticleMeshEmitter::~ParticleMeshEmitter()
{
    replace<IGeometry>(m_mesh, nullptr);
}

void ParticleMeshEmitter::setMesh(IGeometry* geometry)
{
    replace(m_mesh, geometry);
}

void ParticleMeshEmitter::spawnParticles(UpdateContext& context, ParticleSystem* system)
{
    render::IVertexStream* stream = m_mesh ? m_mesh->getVertexStream() : nullptr;
    if (stream == nullptr || stream->getStreams().empty()) {
        return;
    }
    const render::VertexStreamEntry& entry = stream->getStreams().front();
    if (entry.buffer == nullptr || entry.stride != kMeshVertexBytes || entry.buffer->getData() == nullptr) {
        return;
    }
    m_vertexCount = entry.buffer->getDesc()->Size / kMeshVertexBytes;
    if (m_vertexCount == 0) {
        return;
    }
    m_vertices = static_cast<const unsigned char*>(entry.buffer->getData());
    ParticleEmitter::spawnParticles(context, system);
    m_vertices = nullptr;
}

void ParticleMeshEmitter::placeParticle(Particle& p)
{
    const int k = core::randomInt(0, int(m_vertexCount) - 1);
    D3DXVECTOR3 vertex;
    std::memcpy(&vertex, m_vertices + size_t(k) * kMeshVertexBytes, sizeof vertex);
    p.position = m_params.emitterPosition + vertex + randomIn(m_offsetMin, m_offsetMax);
}

}  // namespace tormakelin::kavro
