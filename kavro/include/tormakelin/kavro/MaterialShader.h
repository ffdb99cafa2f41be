#pragma once
// Effects generated for materials from their texture maps and the scene's set-up.

#include <cstdint>
#include <string>

#include <tormakelin/kavro/Export.h>

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::kavro {

class IMaterial;

struct CreateShaderParam {
    uint32_t pointLightsEnabled = 0;
    uint32_t maxPointLights = 0;
    uint32_t directionalLightsEnabled = 0;
    uint32_t maxDirectionalLights = 0;
    uint32_t spotLightsEnabled = 0;
    uint32_t maxSpotLights = 0;
    // Empty means the default: "Wrap", "Linear", "Linear", "Linear".
    std::string samplerAddress;
    std::string samplerMinFilter;
    std::string samplerMagFilter;
    std::string samplerMipFilter;
    uint8_t fogEnabled = 0;
    uint8_t shadowEnabled = 0;
    uint8_t zPassEnabled = 0;
    uint8_t gpuSkinning = 0;
    uint32_t maxBoneCount = 0;
};

// The material map names in their fixed order; sampler names are taken from these.
constexpr int kMaterialMapCount = 10;
TORMAKELIN_KAVRO_API extern const char* const kMaterialMapNames[kMaterialMapCount];

// The effect text generated for the material.
TORMAKELIN_KAVRO_API std::string buildMaterialShaderSource(IMaterial* material, const CreateShaderParam& param);
// A shader compiled from that text with the shader manager's pool and includes; null when the
// compile fails (the half-made shader is destroyed).
TORMAKELIN_KAVRO_API render::IShader* createShaderFromMaterial(IMaterial* material, const CreateShaderParam& param);

}  // namespace tormakelin::kavro
