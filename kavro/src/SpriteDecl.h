#pragma once
// The vertex declaration of SpriteVertex, shared by the particle and flare renderers.

namespace tormakelin::render {
class IVertexDecl;
}

namespace tormakelin::kavro {

// Null when the device refuses it.
render::IVertexDecl* buildSpriteDecl();

}  // namespace tormakelin::kavro
