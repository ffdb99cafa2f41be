#include <tormakelin/kavro/Flare.h>

#include "MaterialRecord.h"
#include "RefList.h"
#include "SpriteDecl.h"

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Query.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::kavro {

namespace {

constexpr unsigned kFlareVertices = 4;

IFlareRender* g_instance = nullptr;

class FlareRender final : public core::RefCounted<IFlareRender> {
public:
    FlareRender() { g_instance = this; }
    ~FlareRender() override
    {
        if (m_buffer) {
            m_buffer->release();
        }
        if (m_decl) {
            m_decl->release();
        }
        g_instance = nullptr;
    }

    bool create()
    {
        m_decl = buildSpriteDecl();
        if (m_decl) {
            m_decl->addRef();
        }
        m_buffer = render::createVertexBuffer(
            kFlareVertices * sizeof(SpriteVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT);
        if (m_buffer) {
            m_buffer->addRef();
        }
        return m_decl && m_buffer;
    }

    void drawLensFlare(RenderPass& pass, LensFlare* lensFlare) override
    {
        drawSprite(pass, lensFlare, Sprite_OcclusionTest);
    }

    void draw(RenderPass& pass, Flare* flare) override { drawSprite(pass, flare, Sprite_InTheScene); }

private:
    enum SpriteMode { Sprite_InTheScene, Sprite_OcclusionTest };

    void drawSprite(RenderPass& pass, FlareNode* flare, SpriteMode mode)
    {
        render::IShader* shader = flare->getShader();
        IMaterial* material = flare->getMaterial();
        if (shader == nullptr || material == nullptr) {
            return;
        }
        const unsigned passes = material->begin(pass, shader);
        if (passes == 0) {
            return;
        }
        auto* out = static_cast<SpriteVertex*>(m_buffer->lock(0, 0, D3DLOCK_DISCARD));
        if (out) {
            static const D3DXVECTOR2 kCorners[kFlareVertices] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
            const uint32_t colour = packColour(flare->colour);
            for (unsigned i = 0; i < kFlareVertices; ++i) {
                out[i].position = pass.flareOffset * -0.5f;
                out[i].texCoord0 = D3DXVECTOR2(float(i), flare->size);
                out[i].texCoord1 = kCorners[i];
                out[i].colour = colour;
                out[i].texCoord2 = flare->rotation;
            }
            m_buffer->unlock();
            applySpriteMode(mode);
            drawSpritePasses(m_decl, m_buffer, material, shader, passes, D3DPT_TRIANGLESTRIP, 2);
        }
        material->end(shader);
    }

    // After the material's states, which begin with the depth test on; its end writes all
    // colours again.
    static void applySpriteMode(SpriteMode mode)
    {
        render::StateManager* states = render::g_stateManager;
        if (states == nullptr || mode == Sprite_InTheScene) {
            return;
        }
        states->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        states->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }

    render::IVertexDecl* m_decl = nullptr;
    render::IVertexBuffer* m_buffer = nullptr;
};

}  // namespace

IFlareRender* IFlareRender::instance()
{
    return g_instance;
}

IFlareRender* createFlareRender()
{
    if (g_instance) {
        return g_instance;
    }
    auto* renderer = new FlareRender();
    if (!renderer->create()) {
        delete renderer;
        return nullptr;
    }
    return renderer;
}

FlareNode::FlareNode()
{
    m_query = render::createQuery(render::QueryType_Occlusion);
    if (m_query) {
        m_query->addRef();
    }
}

FlareNode::~FlareNode()
{
    replace<render::IQuery>(m_query, nullptr);
    replace<render::IShader>(m_shader, nullptr);
}

void FlareNode::setMaterial(IMaterial* material)
{
    m_material.set(material);
}

void FlareNode::setShader(render::IShader* shader)
{
    replace(m_shader, shader);
}

void FlareNode::resolve(ISceneGraph* graph)
{
    resolveMaterial(m_material, graph);
    Node::resolve(graph);
}

bool FlareNode::serialize(Serializer* serializer)
{
    return Node::serialize(serializer) && serializeMaterialRecord(serializer, m_material);
}

bool FlareNode::takesPartIn(RenderPass& pass)
{
    pass.bones.clear();
    if (!takesPart(this, m_material.object, m_shader, pass)) {
        return false;
    }
    pass.world = m_worldMatrix;
    return true;
}

IFlareRender* FlareNode::rendererOf(const RenderPass& pass)
{
    return pass.flareRender ? pass.flareRender : IFlareRender::instance();
}

void Flare::render(RenderPass& pass)
{
    if (takesPartIn(pass)) {
        if (IFlareRender* renderer = rendererOf(pass)) {
            renderer->draw(pass, this);
        }
    }
    renderChildren(pass);
}

void LensFlare::render(RenderPass& pass)
{
    if (takesPartIn(pass)) {
        if (IFlareRender* renderer = rendererOf(pass)) {
            testOcclusion(pass, renderer);
        }
    }
    renderChildren(pass);
}

void LensFlare::testOcclusion(RenderPass& pass, IFlareRender* renderer)
{
    auto* query = static_cast<render::OcclusionQuery*>(getQuery());
    if (query == nullptr) {
        visible = true;
    }
    // Reflections show what the main view decided; only the main view asks.
    const bool asking = query && !pass.reflectionPass;
    if (asking && query->poll()) {
        m_completed = 1;
        visible = query->getPixelCount() > 0;
    }
    // The flare itself is the effect graph's to draw; the probe under the query shows nothing.
    // A question still out is left to answer: asking again would throw its answer away.
    if (asking && !query->isPending()) {
        query->begin();
        renderer->drawLensFlare(pass, this);
        query->endWithoutWaiting();
    }
}

const char* getFlareEffectText()
{
    return R"FX(
float4x4 world;
float4x4 view;
float4x4 projection;
texture flareTexture;

sampler flareTextureSampler = sampler_state {
    Texture = <flareTexture>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = Linear;
    AddressU = Clamp; AddressV = Clamp;
};

struct FlareInput {
    float3 position : POSITION;
    float2 numberSize : TEXCOORD0;
    float2 corner : TEXCOORD1;
    float4 color : COLOR0;
    float rotation : TEXCOORD2;
};

struct FlareOutput {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
    float4 color : COLOR0;
};

FlareOutput flareVS(FlareInput input)
{
    FlareOutput output;
    // Corner (0,0) is the top left of the texture and of the sprite.
    float2 offset = float2(input.corner.x - 0.5, 0.5 - input.corner.y);
    float s = sin(input.rotation);
    float c = cos(input.rotation);
    offset = float2(offset.x * c - offset.y * s, offset.x * s + offset.y * c) * input.numberSize.y;
    float4 centre = mul(mul(float4(input.position, 1.0), world), view);
    centre.xy += offset;
    output.position = mul(centre, projection);
    output.texCoord = input.corner;
    output.color = input.color;
    return output;
}

float4 flarePS(float2 texCoord : TEXCOORD0, float4 color : COLOR0) : COLOR
{
    return tex2D(flareTextureSampler, texCoord) * color;
}

technique Solid
{
    pass Pass0
    {
        CullMode = None;
        VertexShader = compile vs_3_0 flareVS();
        PixelShader = compile ps_3_0 flarePS();
    }
}
)FX";
}

}  // namespace tormakelin::kavro
