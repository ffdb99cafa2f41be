#pragma once
// Loads a scene texture's render texture by kind and file name.
#include <cstdint>
#include <string>

namespace tormakelin::render {
class ITexture;
}

namespace tormakelin::kavro {
// The loaded texture (held by the texture cache), or null when it cannot be had or the kind
// loads nothing.
render::ITexture* loadSceneTexture(uint32_t kind, const std::string& fileName);
}  // namespace tormakelin::kavro
