#pragma once

#include <tormakelin/fxcore/Nodes.h>

#include <string_view>

namespace tormakelin::render {
class IRenderTargetTexture;
}

namespace tormakelin::fxcore {

// The target of the first render-target resource on the input, or null (also when there is no
// such input).
render::IRenderTargetTexture* renderTargetOn(NodeParameter const& input, InstanceParameterMap const& instances);
render::IRenderTargetTexture* renderTargetOn(GraphNode& node, std::string_view input, RenderContext const& context);

} // namespace tormakelin::fxcore
