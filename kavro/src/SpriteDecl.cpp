#include "SpriteDecl.h"

#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SpriteVertex.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>

#include <cstddef>

namespace tormakelin::kavro {

render::IVertexDecl* buildSpriteDecl()
{
    constexpr uint8_t method = D3DDECLMETHOD_DEFAULT;
    render::VertexDeclBuilder builder;
    builder.add({0, uint16_t(offsetof(SpriteVertex, position)), D3DDECLTYPE_FLOAT3, method, D3DDECLUSAGE_POSITION, 0});
    builder.add({0, uint16_t(offsetof(SpriteVertex, texCoord0)), D3DDECLTYPE_FLOAT2, method, D3DDECLUSAGE_TEXCOORD, 0});
    builder.add({0, uint16_t(offsetof(SpriteVertex, texCoord1)), D3DDECLTYPE_FLOAT2, method, D3DDECLUSAGE_TEXCOORD, 1});
    builder.add({0, uint16_t(offsetof(SpriteVertex, colour)), D3DDECLTYPE_D3DCOLOR, method, D3DDECLUSAGE_COLOR, 0});
    builder.add({0, uint16_t(offsetof(SpriteVertex, texCoord2)), D3DDECLTYPE_FLOAT1, method, D3DDECLUSAGE_TEXCOORD, 2});
    return builder.build();
}

void drawSpritePasses(render::IVertexDecl* decl, render::IVertexBuffer* buffer, IMaterial* material,
    render::IShader* shader, unsigned passes, D3DPRIMITIVETYPE type, uint32_t primitiveCount)
{
    render::IRenderDevice* device = render::g_renderDevice;
    decl->bind();
    buffer->bind(0, 0, sizeof(SpriteVertex));
    for (unsigned i = 0; i < passes; ++i) {
        material->beginPass(i, shader);
        if (device) {
            device->drawPrimitive(type, 0, primitiveCount);
        }
        material->endPass(shader);
    }
}

}  // namespace tormakelin::kavro
