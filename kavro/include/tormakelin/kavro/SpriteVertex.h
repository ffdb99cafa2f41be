#pragma once
// The 36-byte vertex that particles and flares share: the sprite's centre plus what the effect's
// vertex shader needs to spread the corners around it.

#include <cstdint>

#include <d3dx9math.h>

namespace tormakelin::kavro {

struct SpriteVertex {
    D3DXVECTOR3 position;   // POSITION 0
    D3DXVECTOR2 texCoord0;  // TEXCOORD 0
    D3DXVECTOR2 texCoord1;  // TEXCOORD 1
    uint32_t colour;        // COLOR 0, A8R8G8B8
    float texCoord2;        // TEXCOORD 2
};
static_assert(sizeof(SpriteVertex) == 36);

}  // namespace tormakelin::kavro
