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

// Counts one more node of a class that shares data; the first makes it. The count is taken only
// once the data exists: a creation that throws leaves neither the count nor half-made data.
void addSharedUser(unsigned int& count, void (*create)(), void (*release)());

} // namespace tormakelin::fxcore
