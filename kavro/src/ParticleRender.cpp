#include <tormakelin/kavro/ParticleRender.h>

#include "SpriteDecl.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::kavro {

namespace {

constexpr unsigned kVerticesPerParticle = 6;
constexpr unsigned kParticleBytes = kVerticesPerParticle * sizeof(SpriteVertex);
constexpr uint32_t kPrefetch = 16;

IParticleRender* g_instance = nullptr;

#if defined(__SSE2__)
// The six vertices are 54 floats made of a dozen values. They are put together in registers and
// stored as thirteen and a half 16-byte runs: the stores, not the arithmetic, bound this loop.
// Kept apart from the exported function so that the batch loop inlines it.
void writeCorners(SpriteVertex* out, const Particle& p)
{
    // (x, y, z, whatever follows the position in the record)
    const __m128 pos = _mm_loadu_ps(&p.position.x);
    const __m128 rect = _mm_loadu_ps(p.textureRect);  // r0 r1 r2 r3
    const __m128 size = _mm_set_ss(p.size);
    const __m128 colour = _mm_castsi128_ps(_mm_cvtsi32_si128(int(p.colour)));
    const __m128 rotation = _mm_set_ss(p.rotation);
    const __m128 sc = _mm_unpacklo_ps(size, colour);                       // s c 0 0
    const __m128 cq = _mm_unpacklo_ps(colour, rotation);                   // c q 0 0
    const __m128 lane3 = _mm_castsi128_ps(_mm_set_epi32(-1, 0, 0, 0));
    const __m128 xyz0 = _mm_andnot_ps(lane3, pos);                         // x y z 0
    const __m128 xyz3 = _mm_or_ps(xyz0, _mm_setr_ps(0, 0, 0, 3));          // x y z 3
    // q x y z
    const __m128 qxyz = _mm_shuffle_ps(_mm_unpacklo_ps(rotation, pos), pos, _MM_SHUFFLE(2, 1, 1, 0));
    const __m128 cqxy = _mm_movelh_ps(cq, pos);                                     // c q x y
    const __m128 r1c = _mm_unpacklo_ps(_mm_shuffle_ps(rect, rect, _MM_SHUFFLE(1, 1, 1, 1)), colour);
    const __m128 r1cqx = _mm_movelh_ps(r1c, qxyz);                                  // r1 c q x
    const __m128 twoS = _mm_unpacklo_ps(_mm_set_ss(2), size);                       // 2 s 0 0
    const __m128 yz2s = _mm_shuffle_ps(pos, twoS, _MM_SHUFFLE(1, 0, 2, 1));         // y z 2 s
    const __m128 ssr2r2 = _mm_shuffle_ps(sc, rect, _MM_SHUFFLE(2, 2, 0, 0));        // s s r2 r2
    const __m128 z2s = _mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(yz2s), 4)); // z 2 s 0
    const __m128 z2sr2 = _mm_shuffle_ps(z2s, ssr2r2, _MM_SHUFFLE(2, 1, 1, 0));      // z 2 s r2
    const __m128 oneS = _mm_unpacklo_ps(_mm_set_ss(1), size);                       // 1 s 0 0
    const __m128 oneSr2r3 = _mm_shuffle_ps(oneS, rect, _MM_SHUFFLE(3, 2, 1, 0));    // 1 s r2 r3
    const __m128 sr0cr1 = _mm_unpacklo_ps(sc, rect);                                // s r0 c r1
    const __m128 r3r3cc = _mm_shuffle_ps(rect, cq, _MM_SHUFFLE(0, 0, 3, 3));        // r3 r3 c c
    const __m128 sr0r3c = _mm_shuffle_ps(sr0cr1, r3r3cc, _MM_SHUFFLE(2, 0, 1, 0));  // s r0 r3 c
    const __m128 sr0r1c = _mm_shuffle_ps(sr0cr1, sr0cr1, _MM_SHUFFLE(2, 3, 1, 0));  // s r0 r1 c
    const __m128 zs = _mm_unpacklo_ps(_mm_setzero_ps(), size);                      // 0 s 0 0
    const __m128 zsr0r3 = _mm_shuffle_ps(zs, rect, _MM_SHUFFLE(3, 0, 1, 0));        // 0 s r0 r3
    const __m128 r2r1cq = _mm_shuffle_ps(rect, cq, _MM_SHUFFLE(1, 0, 1, 2));        // r2 r1 c q

    float* f = &out->position.x;
    _mm_storeu_ps(f + 0, xyz0);      // corner 0
    _mm_storeu_ps(f + 4, sr0r3c);
    _mm_storeu_ps(f + 8, qxyz);      // q, then corner 1
    _mm_storeu_ps(f + 12, oneSr2r3);
    _mm_storeu_ps(f + 16, cqxy);     // c q, then corner 2
    _mm_storeu_ps(f + 20, z2sr2);
    _mm_storeu_ps(f + 24, r1cqx);    // r1 c q, then corner 2 again
    _mm_storeu_ps(f + 28, yz2s);
    _mm_storeu_ps(f + 32, r2r1cq);
    _mm_storeu_ps(f + 36, xyz3);     // corner 3
    _mm_storeu_ps(f + 40, sr0r1c);
    _mm_storeu_ps(f + 44, qxyz);     // q, then corner 0 again
    _mm_storeu_ps(f + 48, zsr0r3);
    _mm_storel_pi(reinterpret_cast<__m64*>(f + 52), cq);
}
#else
// The four distinct vertices are built once and copied.
void writeCorners(SpriteVertex* out, const Particle& p)
{
    const float* r = p.textureRect;
    const SpriteVertex corner0{p.position, D3DXVECTOR2(0, p.size), D3DXVECTOR2(r[0], r[3]), p.colour, p.rotation};
    const SpriteVertex corner1{p.position, D3DXVECTOR2(1, p.size), D3DXVECTOR2(r[2], r[3]), p.colour, p.rotation};
    const SpriteVertex corner2{p.position, D3DXVECTOR2(2, p.size), D3DXVECTOR2(r[2], r[1]), p.colour, p.rotation};
    const SpriteVertex corner3{p.position, D3DXVECTOR2(3, p.size), D3DXVECTOR2(r[0], r[1]), p.colour, p.rotation};
    out[0] = corner0;
    out[1] = corner1;
    out[2] = corner2;
    out[3] = corner2;
    out[4] = corner3;
    out[5] = corner0;
}
#endif

}  // namespace

void writeParticleVertices(SpriteVertex* out, const Particle& particle)
{
    writeCorners(out, particle);
}

void writeParticleBatch(SpriteVertex* out, ParticleCloud& cloud, uint32_t first, uint32_t count)
{
    const Particle* records = cloud.getRecords();
    const uint32_t* batch = cloud.getDrawOrder() + first;
    for (uint32_t i = 0; i < count; ++i) {
        // Sorted, the records are read in no memory order: fetch every cache line that holds a
        // field the vertices need far enough ahead to hide the wait, into the second-level cache
        // so that the loads in flight do not fill the first level's miss slots.
        if (i + kPrefetch < count) {
            const Particle& ahead = records[batch[i + kPrefetch]];
            __builtin_prefetch(&ahead.position, 0, 2);
            __builtin_prefetch(&ahead.size, 0, 2);
            __builtin_prefetch(&ahead.textureRect[3], 0, 2);
        }
        writeCorners(out + size_t{i} * kVerticesPerParticle, records[batch[i]]);
    }
}

namespace {

class ParticleRender final : public core::RefCounted<IParticleRender> {
public:
    ParticleRender() { g_instance = this; }
    ~ParticleRender() override
    {
        for (render::IVertexBuffer*& buffer : m_buffers) {
            if (buffer) {
                buffer->release();
            }
        }
        if (m_decl) {
            m_decl->release();
        }
        g_instance = nullptr;
    }

    bool create()
    {
        m_decl = buildSpriteDecl();
        if (m_decl == nullptr) {
            return false;
        }
        m_decl->addRef();
        for (render::IVertexBuffer*& buffer : m_buffers) {
            // A buffer the device refuses is left out of the rotation.
            buffer = render::createVertexBuffer(kBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT);
            if (buffer) {
                buffer->addRef();
            }
        }
        return true;
    }

    void draw(RenderPass& pass, ParticleSystem* system) override
    {
        ParticleCloud& cloud = system->getCloud();
        IMaterial* material = system->getMaterial();
        if (cloud.getCapacity() == 0 || cloud.getAliveCount() == 0 || material == nullptr) {
            return;
        }
        render::IShader* shader = system->getShader();
        const unsigned passes = material->begin(pass, shader);
        if (passes == 0) {
            return;
        }
        const uint32_t total = cloud.getAliveCount();
        for (uint32_t done = 0; done < total;) {
            const uint32_t count = std::min<uint32_t>(kParticlesPerDraw, total - done);
            render::IVertexBuffer* buffer = takeBuffer();
            if (buffer == nullptr) {
                break;
            }
            auto* out = static_cast<SpriteVertex*>(buffer->lock(0, count * kParticleBytes, D3DLOCK_DISCARD));
            if (out) {
                writeParticleBatch(out, cloud, done, count);
                buffer->unlock();
                drawSpritePasses(m_decl, buffer, material, shader, passes, D3DPT_TRIANGLELIST, count * 2);
            }
            done += count;
        }
        material->end(shader);
    }

private:
    // The next buffer of the rotation that exists; the one after it becomes current.
    render::IVertexBuffer* takeBuffer()
    {
        for (unsigned k = 0; k < kBufferCount; ++k) {
            const unsigned i = (m_current + k) % kBufferCount;
            if (m_buffers[i]) {
                m_current = (i + 1) % kBufferCount;
                return m_buffers[i];
            }
        }
        return nullptr;
    }

    render::IVertexDecl* m_decl = nullptr;
    render::IVertexBuffer* m_buffers[kBufferCount] = {};
    unsigned m_current = 0;
};

}  // namespace

IParticleRender* IParticleRender::instance()
{
    return g_instance;
}

IParticleRender* createParticleRender()
{
    if (g_instance) {
        return g_instance;
    }
    auto* renderer = new ParticleRender();
    if (!renderer->create()) {
        delete renderer;
        return nullptr;
    }
    return renderer;
}

const char* getParticleEffectText()
{
    return R"FX(
float4x4 world;
float4x4 view;
float4x4 projection;
texture particleTexture;

sampler particleTextureSampler = sampler_state {
    Texture = <particleTexture>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = Linear;
    AddressU = Clamp; AddressV = Clamp;
};

struct ParticleInput {
    float3 position : POSITION;
    float2 cornerSize : TEXCOORD0;
    float2 texCoord : TEXCOORD1;
    float4 color : COLOR0;
    float rotation : TEXCOORD2;
};

struct ParticleOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
    float4 color : COLOR0;
};

ParticleOutput particleVS(ParticleInput input)
{
    ParticleOutput output;
    // Corners 0..3 run counter-clockwise from the bottom left, in view space.
    float corner = input.cornerSize.x;
    float2 offset = float2((corner > 0.5 && corner < 2.5) ? 0.5 : -0.5, corner > 1.5 ? 0.5 : -0.5);
    float s = sin(input.rotation);
    float c = cos(input.rotation);
    offset = float2(offset.x * c - offset.y * s, offset.x * s + offset.y * c) * input.cornerSize.y;
    float4 centre = mul(mul(float4(input.position, 1.0), world), view);
    centre.xy += offset;
    output.position = mul(centre, projection);
    output.texCoord = input.texCoord;
    output.color = input.color;
    return output;
}

float4 particlePS(float2 texCoord : TEXCOORD0, float4 color : COLOR0) : COLOR
{
    return tex2D(particleTextureSampler, texCoord) * color;
}

technique Solid
{
    pass Pass0
    {
        CullMode = None;
        VertexShader = compile vs_3_0 particleVS();
        PixelShader = compile ps_3_0 particlePS();
    }
}
)FX";
}

}  // namespace tormakelin::kavro
