#pragma once
// Shader lookups shared by the material and flare nodes.

#include <tormakelin/fxcore/GraphNode.h>

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::fxcore::detail {

// The compiled shader of the first shader node linked to `input`, or null.
render::IShader* linkedShader(IGraphNode& node, std::string const& input);

// A user shader with none of the technique names the scene renderer selects draws nothing:
// says so once per shader (`reported` remembers which), in the log and the node's error text.
void checkSceneTechniques(IGraphNode& node, render::IShader* shader, render::IShader*& reported);

} // namespace tormakelin::fxcore::detail
