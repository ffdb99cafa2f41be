#include "TextureLoad.h"

namespace tormakelin::kavro {

// The render library's file loaders for 2-D, volume and cube textures are not there yet: the
// scene keeps the file name and kind, and textures attach once the loaders land.
render::ITexture* loadSceneTexture(uint32_t, const std::string&)
{
    return nullptr;
}

}  // namespace tormakelin::kavro
