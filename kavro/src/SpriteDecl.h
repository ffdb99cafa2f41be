#pragma once
// The vertex declaration of SpriteVertex and the per-pass draw, shared by the particle and
// flare renderers.

#include <d3d9types.h>

#include <cstdint>

namespace tormakelin::render {
class IShader;
class IVertexBuffer;
class IVertexDecl;
}  // namespace tormakelin::render

namespace tormakelin::kavro {

// Null when the device refuses it.
render::IVertexDecl* buildSpriteDecl();

class IMaterial;

// Draws the sprites written to `buffer` once for each of the material's begun passes.
void drawSpritePasses(render::IVertexDecl* decl, render::IVertexBuffer* buffer, IMaterial* material,
    render::IShader* shader, unsigned passes, D3DPRIMITIVETYPE type, uint32_t primitiveCount);

}  // namespace tormakelin::kavro
