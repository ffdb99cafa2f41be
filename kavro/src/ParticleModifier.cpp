#include <tormakelin/kavro/Particles.h>

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormakelin::kavro {

namespace {

// How far through its life the particle is, 0..1; a particle without life is at its end.
float ageOf(const Particle& p)
{
    if (!(p.life > 0)) {
        return 1.0f;
    }
    return std::clamp(1.0f - p.remainingLife / p.life, 0.0f, 1.0f);
}

// Start to middle until `middleTime`, middle until `endTime`, then middle to end.
template <class T>
T threeStage(float f, float middleTime, float endTime, const T& start, const T& middle, const T& end)
{
    if (f < middleTime) {
        const float s = f / middleTime;
        return start * (1 - s) + middle * s;
    }
    if (f < endTime) {
        return middle;
    }
    // An end time of 1 or more is only reached at the very end of life.
    const float s = endTime < 1.0f ? std::min((f - endTime) / (1.0f - endTime), 1.0f) : 1.0f;
    return middle * (1 - s) + end * s;
}

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const D3DXVECTOR3& v) { return std::sqrt(dot(v, v)); }

uint32_t withAlpha(uint32_t colour, float alpha) { return (colour & 0x00FFFFFFu) | colourByte(alpha) << 24; }

}  // namespace

ParticleModifier::ParticleModifier()
{
    core::generateUniqueId(m_id);
}

void ParticleSizeModifier::apply(UpdateContext&, Particle* first)
{
    for (Particle* p = first; p; p = nextInList(p)) {
        p->size = threeStage(ageOf(*p), middleTime, endTime, startSize, middleSize, endSize);
    }
}

namespace {

#if defined(__SSE2__)
// The four channels in the lanes of one register: the same products, sums and clamps per channel
// as with D3DXVECTOR4 and packColour, so the same bytes, in a handful of instructions.
struct Lanes {
    __m128 v;
};

Lanes operator*(Lanes a, float s) { return {_mm_mul_ps(a.v, _mm_set1_ps(s))}; }
Lanes operator+(Lanes a, Lanes b) { return {_mm_add_ps(a.v, b.v)}; }
Lanes lanes(const D3DXVECTOR4& v) { return {_mm_loadu_ps(&v.x)}; }

uint32_t pack(Lanes rgba)
{
    __m128 scaled = _mm_add_ps(_mm_mul_ps(rgba.v, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f));
    // max returns its second operand for NaN, so NaN becomes 0 as in colourByte.
    scaled = _mm_min_ps(_mm_max_ps(scaled, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    // Blue, green, red, alpha from the lowest byte up is A8R8G8B8.
    const __m128i bgra = _mm_cvttps_epi32(_mm_shuffle_ps(scaled, scaled, _MM_SHUFFLE(3, 0, 1, 2)));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(bgra, bgra), bgra);
    return uint32_t(_mm_cvtsi128_si32(bytes));
}
#else
const D3DXVECTOR4& lanes(const D3DXVECTOR4& v) { return v; }
uint32_t pack(const D3DXVECTOR4& rgba) { return packColour(rgba); }
#endif

}  // namespace

void ParticleColorModifier::apply(UpdateContext&, Particle* first)
{
    const auto start = lanes(startColour);
    const auto middle = lanes(middleColour);
    const auto end = lanes(endColour);
    for (Particle* p = first; p; p = nextInList(p)) {
        p->colour = pack(threeStage(ageOf(*p), middleStart, endStart, start, middle, end));
    }
}

void ParticleLinearForceModifier::apply(UpdateContext& context, Particle* first)
{
    const D3DXVECTOR3 push = direction * context.delta;
    for (Particle* p = first; p; p = nextInList(p)) {
        p->velocity += push;
        if (op != LinearForceOperator_Add) {
            p->velocity *= 0.5f;
        }
    }
}

void ParticlePlaneModifier::apply(UpdateContext& context, Particle* first)
{
    // The crossing test and the reflection both need a unit normal.
    const float normalLength = length(normal);
    if (!(normalLength > 0)) {
        return;
    }
    const D3DXVECTOR3 n = normal / normalLength;
    const float t = -dot(n, point);
    for (Particle* p = first; p; p = nextInList(p)) {
        const D3DXVECTOR3 step = p->velocity * context.delta;
        const D3DXVECTOR3 ahead = p->previousPosition + step;
        const float distance = dot(n, p->previousPosition) + t;
        // Only a particle that crosses the plane in this step changes. Particles lie on either
        // side in no order, so the two tests are joined into one branch, rarely taken; the empty
        // asm keeps the compiler from splitting it back into two.
        unsigned crosses = !(dot(n, ahead) + t > 0);
        asm("" : "+r"(crosses));
        crosses &= !(distance <= 0);
        if (__builtin_expect(crosses == 0, 1)) {
            continue;
        }
        const float k = -distance / dot(n, step);
        const D3DXVECTOR3 hit = step * k;
        p->position = p->previousPosition + hit + (hit - step) * bounce;
        D3DXVECTOR3 v = (p->velocity - n * (2 * dot(p->velocity, n))) * bounce;
        v.x *= 1 - velocityDamping.x;
        v.y *= 1 - velocityDamping.y;
        v.z *= 1 - velocityDamping.z;
        p->velocity = v;
        p->acceleration.x *= 1 - accelerationDamping.x;
        p->acceleration.y *= 1 - accelerationDamping.y;
        p->acceleration.z *= 1 - accelerationDamping.z;
    }
}

void ParticleCameraDistanceFadeModifier::apply(UpdateContext& context, Particle* first)
{
    for (Particle* p = first; p; p = nextInList(p)) {
        const D3DXVECTOR3 d = p->position - context.eye;
        const float distance = length(d);
        if (distance >= farDistance) {
            continue;
        }
        float alpha = 0;
        if (distance >= nearDistance) {
            alpha = float(p->colour >> 24) / 255.0f * (distance - nearDistance) / (farDistance - nearDistance);
        }
        p->colour = withAlpha(p->colour, alpha);
    }
}

void ParticleAttractorModifier::apply(UpdateContext& context, Particle* first)
{
    for (Particle* p = first; p; p = nextInList(p)) {
        D3DXVECTOR3 r = position - p->position;
        const float d = length(r);
        // At the centre there is no direction to pull in.
        if (!(d < radius) || !(d > 0)) {
            continue;
        }
        const float g = 1 - d / radius;
        r /= d;
        p->position.x += context.delta * strength.x * g * r.x;
        p->position.y += context.delta * strength.y * g * r.y;
        p->position.z += context.delta * strength.z * g * r.z;
    }
}

}  // namespace tormakelin::kavro
