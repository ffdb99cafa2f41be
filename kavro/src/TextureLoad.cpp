#include "TextureLoad.h"

#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::kavro {

render::ITexture* loadSceneTexture(uint32_t kind, const std::string& fileName)
{
    if (fileName.empty() || render::g_renderDevice == nullptr) {
        return nullptr;
    }
    switch (kind) {
    case TextureKind_2D:
        return render::loadTexture(fileName);
    case TextureKind_Volume:
        return render::loadVolumeTexture(fileName);
    case TextureKind_Cube:
        return render::loadCubeTexture(fileName);
    default:
        return nullptr;
    }
}

}  // namespace tormakelin::kavro
