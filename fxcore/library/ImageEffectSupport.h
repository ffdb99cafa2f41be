#pragma once

#include <tormakelin/fxcore/TextureEffect.h>

#include <string>

namespace tormakelin::render {
class IRenderTargetTexture;
}

namespace tormakelin::fxcore {

// The target of the first render-target resource on the input, or null.
render::IRenderTargetTexture* renderTargetOn(GraphNode& node, std::string const& input, RenderContext const& context);

} // namespace tormakelin::fxcore
