#include <tormakelin/kavro/MaterialShader.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <tormakelin/kavro/Material.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>

#include "EffectText.h"

namespace tormakelin::kavro {

const char* const kMaterialMapNames[kMaterialMapCount] = {"ambient",    "diffuse", "specular",      "emissive",
                                                          "glossiness", "opacity", "specularLevel", "reflective",
                                                          "bump",       "refraction"};

namespace {

constexpr uint32_t kMaxUvSets = 8;

class SourceWriter {
public:
    void line(const std::string& text = std::string()) { m_text += text + "\n"; }
    void define(const std::string& name, const std::string& value = std::string())
    {
        line("#define " + name + (value.empty() ? "" : " " + value));
    }
    void define(const std::string& name, uint32_t value) { define(name, std::to_string(value)); }
    std::string& text() { return m_text; }

private:
    std::string m_text;
};

const std::string& orDefault(const std::string& value, const std::string& fallback)
{
    return value.empty() ? fallback : value;
}

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

void writeLights(SourceWriter& out, const CreateShaderParam& param)
{
    if (param.pointLightsEnabled && param.maxPointLights) {
        out.define("LIGHT_POINTLIGHT");
        out.define("LIGHT_MAX_POINTLIGHTS", param.maxPointLights);
    }
    if (param.spotLightsEnabled && param.maxSpotLights) {
        out.define("LIGHT_SPOTLIGHT");
        out.define("LIGHT_MAX_SPOTLIGHTS", param.maxSpotLights);
    }
    if (param.directionalLightsEnabled && param.maxDirectionalLights) {
        out.define("LIGHT_DIRECTIONALLIGHT");
        out.define("LIGHT_MAX_DIRECTIONALLIGHTS", param.maxDirectionalLights);
    }
    out.line();
}

void writeSamplerStates(SourceWriter& out, const CreateShaderParam& param)
{
    static const std::string kWrap = "Wrap";
    static const std::string kLinear = "Linear";
    out.define("TEXTURESAMPLER_ADDRESS", orDefault(param.samplerAddress, kWrap));
    out.define("TEXTURESAMPLER_MINFILTER", orDefault(param.samplerMinFilter, kLinear));
    out.define("TEXTURESAMPLER_MAGFILTER", orDefault(param.samplerMagFilter, kLinear));
    out.define("TEXTURESAMPLER_MIPFILTER", orDefault(param.samplerMipFilter, kLinear));
    out.line();
}

// Returns 1 + the highest UV set in use, 0 without samplers.
uint32_t writeTexCoords(SourceWriter& out, const std::vector<ITextureSampler*>& samplers)
{
    uint32_t used = 0;
    for (uint32_t set = 0; set < kMaxUvSets; ++set) {
        for (ITextureSampler* sampler : samplers) {
            if (sampler->getUvSet() == set) {
                out.define("TEXCOORD" + std::to_string(set) + "_ENABLED");
                break;
            }
        }
    }
    for (ITextureSampler* sampler : samplers) {
        used = std::max(used, sampler->getUvSet() + 1);
    }
    out.line();
    return used;
}

void writeVaryings(SourceWriter& out, IMaterial* material, uint32_t first)
{
    auto coord = [](uint32_t index) { return "TEXCOORD" + std::to_string(index); };
    out.define("TEXCOORD_WORLDNORMAL", coord(first));
    out.define("TEXCOORD_WORLDPOSITION", coord(first + 1));
    out.define("TEXCOORD_SHADOW", coord(first + 2));
    if (material->findTextureSampler("bump") && !material->findTextureSampler("reflective")) {
        out.define("TEXCOORD_TANGENT", coord(first + 3));
        out.define("TEXCOORD_BINORMAL", coord(first + 4));
    }
    out.line();
}

void writeMaps(SourceWriter& out, IMaterial* material)
{
    for (const char* name : kMaterialMapNames) {
        ITextureSampler* sampler = material->findTextureSampler(name);
        if (!sampler) {
            continue;
        }
        const std::string macro = "TEXTURESAMPLER_" + upperCase(name);
        out.define(macro);
        if (std::string(name) != "reflective") {
            out.define(macro + "_TEXCOORD", "input.texCoord" + std::to_string(sampler->getUvSet()));
        }
    }
    out.line();
}

}  // namespace

std::string buildMaterialShaderSource(IMaterial* material, const CreateShaderParam& param)
{
    SourceWriter out;
    if (param.gpuSkinning) {
        out.define("GPU_SKINNING", "1");
        out.define("GPU_SKINNING_MAXBONECOUNT", param.maxBoneCount);
    }
    out.line();
    out.line("#include \"Tormakelin.fxh\"");
    out.line();
    if (param.fogEnabled) {
        out.define("FOG_ENABLED");
    }
    if (param.shadowEnabled) {
        out.define("SHADOW_ENABLED");
    }
    if (param.zPassEnabled) {
        out.define("ZPASS_ENABLED");
    }
    out.line();
    writeLights(out, param);
    writeSamplerStates(out, param);
    const uint32_t used = writeTexCoords(out, material->getTextureSamplers());
    writeVaryings(out, material, used);
    writeMaps(out, material);
    out.text() += materialEffectBody();
    return out.text();
}

render::IShader* createShaderFromMaterial(IMaterial* material, const CreateShaderParam& param)
{
    if (!material) {
        return nullptr;
    }
    const std::string source = buildMaterialShaderSource(material, param);
    render::IShader* shader = render::createShader();
    render::ShaderManager* manager = render::g_shaderManager;
    render::IShaderPool* pool = manager ? manager->getPool() : nullptr;
    render::IShaderInclude* include = manager ? manager->getInclude() : nullptr;
    if (!shader->compile(source.data(), unsigned(source.size()), pool, include)) {
        shader->addRef();
        shader->release();
        return nullptr;
    }
    return shader;
}

}  // namespace tormakelin::kavro
