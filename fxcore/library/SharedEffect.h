#pragma once
// Compiling the effects that every node of one class shares.

namespace tormakelin::render {
class IShader;
class IVertexDecl;
} // namespace tormakelin::render

namespace tormakelin::fxcore {

// Compiles the zero-terminated `text` into `shader` with the shader manager's pool and includes.
// A failure is reported once, under `owner`, with the compiler's errors.
bool compileSharedEffect(render::IShader* shader, char const* text, char const* owner);

// Position (3 floats) then texture coordinate (2 floats): 20 bytes a vertex. Null when refused.
render::IVertexDecl* buildPositionTexCoordDecl();

} // namespace tormakelin::fxcore
