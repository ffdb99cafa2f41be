#pragma once
// The one renderer that turns the live particles of a system into camera-facing quads.

#include <cstdint>

#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/RenderPass.h>
#include <tormakelin/kavro/SpriteVertex.h>

namespace tormakelin::kavro {

class ParticleCloud;
class ParticleSystem;
struct Particle;

// Six vertices per particle, all at its centre: texCoord0 = (corner 0..3, size), texCoord1 the
// texture coordinate, texCoord2 the rotation.
class TORMAKELIN_KAVRO_API IParticleRender {
public:
    static constexpr unsigned kBufferCount = 5;
    static constexpr unsigned kParticlesPerDraw = 5000;
    static constexpr unsigned kBufferBytes = kParticlesPerDraw * 6 * sizeof(SpriteVertex);

    // The live renderer, or null.
    static IParticleRender* instance();

    virtual int addRef() = 0;
    virtual int release() = 0;
    // Draws the system's particles in draw order between its material's begin and end.
    virtual void draw(RenderPass& pass, ParticleSystem* system) = 0;
    virtual ~IParticleRender() = default;
};

// The six vertices of one particle: corners 0, 1, 2, 2, 3, 0 with texture coordinates (left,
// bottom), (right, bottom), (right, top), (right, top), (left, top), (left, bottom).
TORMAKELIN_KAVRO_API void writeParticleVertices(SpriteVertex* out, const Particle& particle);

// The vertices of `count` particles of the cloud's draw order, from position `first` on.
TORMAKELIN_KAVRO_API void writeParticleBatch(SpriteVertex* out, ParticleCloud& cloud, uint32_t first, uint32_t count);

// The live renderer when there is one, else a new one (count 0); null when its vertex
// declaration cannot be made.
TORMAKELIN_KAVRO_API IParticleRender* createParticleRender();

// Effect text for particles drawn with a material: technique "Solid", the material's blend and
// "particleTexture" (a sampler named "particle") times the particle colour.
TORMAKELIN_KAVRO_API const char* getParticleEffectText();

}  // namespace tormakelin::kavro
