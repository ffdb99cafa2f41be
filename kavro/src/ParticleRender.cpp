#include <tormakelin/kavro/ParticleRender.h>

#include "SpriteDecl.h"

#include <algorithm>

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

// The four distinct vertices are built once and copied, which compiles to straight runs of stores.
// Kept apart from the exported function so that the batch loop inlines it.
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
        writeCorners(out + i * kVerticesPerParticle, records[batch[i]]);
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
