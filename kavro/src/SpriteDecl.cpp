#include "SpriteDecl.h"

#include <tormakelin/kavro/SpriteVertex.h>
#include <tormakelin/render/VertexDecl.h>

#include <cstddef>

namespace tormakelin::kavro {

namespace {
render::VertexElement element(size_t offset, uint8_t type, uint8_t usage, uint8_t index)
{
    render::VertexElement e;
    e.offset = uint16_t(offset);
    e.type = type;
    e.method = D3DDECLMETHOD_DEFAULT;
    e.usage = usage;
    e.usageIndex = index;
    return e;
}
}  // namespace

render::IVertexDecl* buildSpriteDecl()
{
    render::VertexDeclBuilder builder;
    builder.add(element(offsetof(SpriteVertex, position), D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0));
    builder.add(element(offsetof(SpriteVertex, texCoord0), D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0));
    builder.add(element(offsetof(SpriteVertex, texCoord1), D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 1));
    builder.add(element(offsetof(SpriteVertex, colour), D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0));
    builder.add(element(offsetof(SpriteVertex, texCoord2), D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_TEXCOORD, 2));
    return builder.build();
}

}  // namespace tormakelin::kavro
