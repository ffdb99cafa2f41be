#pragma once
// What a render resource is, as getResourceType answers.

namespace tormakelin::render {

enum ResourceType : int {
    ResourceType_RenderTarget = 0,
    ResourceType_Texture = 1,
    ResourceType_VertexBuffer = 2,
    ResourceType_IndexBuffer = 3,
    ResourceType_RenderTargetTexture = 4,
};

} // namespace tormakelin::render
