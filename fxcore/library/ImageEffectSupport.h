#pragma once

#include <tormakelin/fxcore/TextureEffect.h>

#include <string>

namespace tormakelin::render {
class IRenderTargetTexture;
}

namespace tormakelin::fxcore {

// The target of the first render-target resource on the input, or null.
render::IRenderTargetTexture* renderTargetOn(GraphNode& node, std::string const& input, RenderContext const& context);

// The clip square grown three times over, its texture coordinates following the same mapping
// (u = (x + 1) / 2, v = (1 - y) / 2), so every pixel samples as under the plain square. Drawn
// without the half-pixel correction, the plain square's top edge runs through the first row's
// pixel centres, which the GL rasteriser leaves out; the grown one covers the whole target.
inline void coverQuad(QuadVertex (&quad)[4])
{
    quad[0] = {-3.0f, 3.0f, 0.0f, -1.0f, -1.0f};
    quad[1] = {3.0f, 3.0f, 0.0f, 2.0f, -1.0f};
    quad[2] = {3.0f, -3.0f, 0.0f, 2.0f, 2.0f};
    quad[3] = {-3.0f, -3.0f, 0.0f, -1.0f, 2.0f};
}

} // namespace tormakelin::fxcore
