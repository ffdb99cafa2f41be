#include "SceneFixtures.h"

#include <array>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/MaterialShader.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>

#include <d3d9.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;
using tormakelin::core::SmartRef;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The material with a sampler per (name, UV set).
SmartRef<IMaterial> materialWith(const std::vector<std::pair<std::string, uint32_t>>& maps)
{
    SmartRef<IMaterial> material = createMaterial();
    for (const auto& [name, set] : maps) {
        ITextureSampler* sampler = createTextureSampler();
        sampler->setName(name);
        sampler->setUvSet(set);
        material->addTextureSampler(sampler);
    }
    return material;
}

std::string prelude(const std::string& source) { return source.substr(0, source.find("#if defined(LIGHT_")); }

class ShaderIncludeTest : public DeviceTest {};

TEST_F(ShaderIncludeTest, RegistersTheHeaderThroughItsClosingEndif)
{
    const std::string user = "#include \"Tormakelin.fxh\"\n"
                             "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                             "float4 ps() : COLOR { return fogColor; }\n"
                             "technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }\n";
    SmartRef<render::IShader> before = render::createShader();
    EXPECT_FALSE(before->compile(user.data(), unsigned(user.size()), render::g_shaderManager->getPool(),
        render::g_shaderManager->getInclude()));
    EXPECT_FALSE(before->getErrors().empty());

    ASSERT_TRUE(setupShaderIncludes());
    EXPECT_FALSE(setupShaderIncludes()) << "the name is registered once";

    SmartRef<render::IShader> after = render::createShader();
    EXPECT_TRUE(after->compile(user.data(), unsigned(user.size()), render::g_shaderManager->getPool(),
        render::g_shaderManager->getInclude()))
        << after->getErrors();
    for (const char* name : {"world", "view", "projection", "viewProjection", "cameraPosition", "fogEnabled",
             "fogStart", "fogEnd", "shadowEnabled", "shadowMatrix", "shadowTexture", "shadowKExp"}) {
        EXPECT_NE(after->getParameter(name), nullptr) << name;
    }
}

TEST_F(ShaderIncludeTest, RegisteredTextIsTheGuardedHeaderAlone)
{
    ASSERT_TRUE(setupShaderIncludes());
    render::IShaderInclude* include = render::g_shaderManager->getInclude();
    LPCVOID data = nullptr;
    UINT bytes = 0;
    ASSERT_EQ(include->Open(D3DXINC_LOCAL, "Tormakelin.fxh", nullptr, &data, &bytes), S_OK);
    const std::string text(static_cast<const char*>(data), bytes);
    include->Close(data);
    EXPECT_EQ(text.rfind("#ifndef TORMAKELINSHADER_FX\r\n#define TORMAKELINSHADER_FX\r\n", 0), 0u);
    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ(text.substr(text.size() - 6), "#endif");
    EXPECT_FALSE(contains(text, "technique")) << "the material body is not part of the header";
    EXPECT_FALSE(contains(text, "diffuseMaterialColor"));
}

TEST(MaterialShaderSource, PlainMaterialWithEverythingOff)
{
    SmartRef<IMaterial> material = materialWith({});
    const std::string expected = "\n#include \"Tormakelin.fxh\"\n\n"
                                 "\n"
                                 "\n"
                                 "#define TEXTURESAMPLER_ADDRESS Wrap\n"
                                 "#define TEXTURESAMPLER_MINFILTER Linear\n"
                                 "#define TEXTURESAMPLER_MAGFILTER Linear\n"
                                 "#define TEXTURESAMPLER_MIPFILTER Linear\n\n"
                                 "\n"
                                 "#define TEXCOORD_WORLDNORMAL TEXCOORD0\n"
                                 "#define TEXCOORD_WORLDPOSITION TEXCOORD1\n"
                                 "#define TEXCOORD_SHADOW TEXCOORD2\n\n"
                                 "\n\r\n";
    EXPECT_EQ(prelude(buildMaterialShaderSource(material.get(), CreateShaderParam{})), expected);
}

TEST(MaterialShaderSource, DefinesFollowTheParameters)
{
    SmartRef<IMaterial> material = materialWith({{"diffuse", 0}, {"specular", 2}, {"reflective", 1}, {"bump", 0}});
    CreateShaderParam param;
    param.gpuSkinning = 1;
    param.maxBoneCount = 40;
    param.fogEnabled = param.shadowEnabled = param.zPassEnabled = 1;
    param.pointLightsEnabled = 1;
    param.maxPointLights = 6;
    param.spotLightsEnabled = 1;  // a maximum of 0 gives no define
    param.directionalLightsEnabled = 1;
    param.maxDirectionalLights = 2;
    param.samplerAddress = "Clamp";
    param.samplerMipFilter = "None";
    const std::string text = prelude(buildMaterialShaderSource(material.get(), param));
    EXPECT_EQ(text.rfind("#define GPU_SKINNING 1\n#define GPU_SKINNING_MAXBONECOUNT 40\n\n#include", 0), 0u) << text;
    for (const char* line : {"#define FOG_ENABLED\n#define SHADOW_ENABLED\n#define ZPASS_ENABLED\n\n",
             "#define LIGHT_POINTLIGHT\n#define LIGHT_MAX_POINTLIGHTS 6\n"
             "#define LIGHT_DIRECTIONALLIGHT\n#define LIGHT_MAX_DIRECTIONALLIGHTS 2\n\n",
             "#define TEXTURESAMPLER_ADDRESS Clamp\n", "#define TEXTURESAMPLER_MINFILTER Linear\n",
             "#define TEXTURESAMPLER_MIPFILTER None\n",
             "#define TEXCOORD0_ENABLED\n#define TEXCOORD1_ENABLED\n#define TEXCOORD2_ENABLED\n\n",
             "#define TEXCOORD_WORLDNORMAL TEXCOORD3\n#define TEXCOORD_WORLDPOSITION TEXCOORD4\n"
             "#define TEXCOORD_SHADOW TEXCOORD5\n\n",
             "#define TEXTURESAMPLER_DIFFUSE\n#define TEXTURESAMPLER_DIFFUSE_TEXCOORD input.texCoord0\n"
             "#define TEXTURESAMPLER_SPECULAR\n#define TEXTURESAMPLER_SPECULAR_TEXCOORD input.texCoord2\n"
             "#define TEXTURESAMPLER_REFLECTIVE\n#define TEXTURESAMPLER_BUMP\n"
             "#define TEXTURESAMPLER_BUMP_TEXCOORD input.texCoord0\n\n"}) {
        EXPECT_TRUE(contains(text, line)) << line << "\n---\n" << text;
    }
    EXPECT_FALSE(contains(text, "SPOTLIGHT"));
    EXPECT_FALSE(contains(text, "TEXCOORD_TANGENT")) << "reflective bump maps perturb, they carry no tangents";
}

TEST(MaterialShaderSource, BumpWithoutReflectionCarriesTangentsAfterTheLastUvSet)
{
    SmartRef<IMaterial> material = materialWith({{"bump", 3}, {"opacity", 3}});
    const std::string text = prelude(buildMaterialShaderSource(material.get(), CreateShaderParam{}));
    EXPECT_TRUE(contains(text, "#define TEXCOORD3_ENABLED\n\n"));
    EXPECT_TRUE(contains(text, "#define TEXCOORD_WORLDNORMAL TEXCOORD4\n"));
    EXPECT_TRUE(contains(text, "#define TEXCOORD_TANGENT TEXCOORD7\n#define TEXCOORD_BINORMAL TEXCOORD8\n\n"));
    // Fixed map order, not the order the samplers were added in.
    EXPECT_LT(text.find("TEXTURESAMPLER_OPACITY\n"), text.find("TEXTURESAMPLER_BUMP\n"));
}

class MaterialShaderTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_TRUE(setupShaderIncludes());
    }

    static bool hasParameter(render::IShader* shader, const char* name) { return shader->getParameter(name) != nullptr; }
};

struct Combination {
    const char* label;
    std::vector<std::pair<std::string, uint32_t>> maps;
    CreateShaderParam param;
};

CreateShaderParam everything()
{
    CreateShaderParam param;
    param.pointLightsEnabled = param.directionalLightsEnabled = param.spotLightsEnabled = 1;
    param.maxPointLights = 6;
    param.maxDirectionalLights = 6;
    param.maxSpotLights = 6;
    param.fogEnabled = param.shadowEnabled = param.zPassEnabled = param.gpuSkinning = 1;
    param.maxBoneCount = 40;
    param.samplerAddress = "Clamp";
    param.samplerMinFilter = "Point";
    param.samplerMagFilter = "Point";
    param.samplerMipFilter = "None";
    return param;
}

TEST_F(MaterialShaderTest, EveryFeatureCombinationCompiles)
{
    CreateShaderParam points;
    points.pointLightsEnabled = 1;
    points.maxPointLights = 3;
    CreateShaderParam spots;
    spots.spotLightsEnabled = 1;
    spots.maxSpotLights = 2;
    spots.shadowEnabled = 1;
    CreateShaderParam skinned;
    skinned.gpuSkinning = 1;
    skinned.maxBoneCount = 24;
    skinned.directionalLightsEnabled = 1;
    skinned.maxDirectionalLights = 1;
    skinned.zPassEnabled = 1;
    const std::vector<std::pair<std::string, uint32_t>> allMaps = {{"ambient", 0}, {"diffuse", 0}, {"specular", 1},
        {"emissive", 1}, {"glossiness", 0}, {"opacity", 2}, {"specularLevel", 0}, {"reflective", 0}, {"bump", 0},
        {"refraction", 3}};
    const Combination cases[] = {
        {"plain", {}, CreateShaderParam{}},
        {"diffuse, point lights", {{"diffuse", 0}}, points},
        {"normal map, spot lights, shadow", {{"bump", 0}, {"diffuse", 1}}, spots},
        {"environment bump, skinned", {{"reflective", 0}, {"bump", 0}}, skinned},
        {"reflection only", {{"reflective", 0}}, points},
        {"every map, every feature", allMaps, everything()},
        {"UV set 7", {{"emissive", 7}, {"bump", 7}}, everything()},
    };
    for (const Combination& c : cases) {
        SmartRef<IMaterial> material = materialWith(c.maps);
        SmartRef<render::IShader> shader = createShaderFromMaterial(material.get(), c.param);
        ASSERT_TRUE(shader) << c.label;
        EXPECT_TRUE(shader->hasTechnique("Solid")) << c.label;
        EXPECT_TRUE(shader->hasTechnique("ReflectiveMask")) << c.label;
        EXPECT_EQ(shader->hasTechnique("ZPass"), c.param.zPassEnabled != 0) << c.label;
        EXPECT_EQ(shader->hasTechnique("Shadow"), c.param.shadowEnabled != 0) << c.label;
        for (const auto& [name, set] : c.maps) {
            EXPECT_TRUE(hasParameter(shader.get(), (name + "Texture").c_str())) << c.label << " " << name;
            EXPECT_TRUE(hasParameter(shader.get(), (name + "TextureAmount").c_str())) << c.label << " " << name;
        }
        const bool embm = material->findTextureSampler("bump") && material->findTextureSampler("reflective");
        EXPECT_EQ(hasParameter(shader.get(), "materialEmbm"), embm) << c.label;
        EXPECT_EQ(hasParameter(shader.get(), "boneMatrices"), c.param.gpuSkinning != 0) << c.label;
        EXPECT_EQ(material->getShader(), nullptr) << "the caller decides where the shader goes";
    }
}

TEST_F(MaterialShaderTest, LightArraysHaveTheirMaximumSizeAndCount)
{
    SmartRef<IMaterial> material = materialWith({});
    SmartRef<render::IShader> shader = createShaderFromMaterial(material.get(), everything());
    ASSERT_TRUE(shader);
    for (const char* name : {"pointLight", "directionalLight", "spotLight"}) {
        render::IShaderParameter* array = shader->getParameter(name);
        ASSERT_NE(array, nullptr) << name;
        EXPECT_EQ(array->getDesc().Elements, 6u) << name;
        INT count = 0;
        shader->getEffect()->GetInt(shader->getParameter(std::string(name) + "Count")->getHandle(), &count);
        EXPECT_EQ(count, 6) << name;
    }
    for (const char* name : {"ambientLightPower", "ambientMaterialColor", "diffuseMaterialColor",
             "specularMaterialColor", "emissiveMaterialColor", "materialGlossiness", "materialSpecularLevel",
             "materialOpacity", "boneCount", "fogColor", "shadowColor"}) {
        EXPECT_TRUE(hasParameter(shader.get(), name)) << name;
    }
}

// Draws a screen-filling quad at depth 0.5 facing the camera with the Solid technique; returns the
// (red, green, blue) of the pixel near the centre.
std::array<int, 3> drawCentre(render::IRenderDevice* device, render::IShader* shader)
{
    ID3DXEffect* effect = shader->getEffect();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const char* name : {"world", "view", "projection", "worldViewProjection", "viewProjection"}) {
        effect->SetMatrix(shader->getParameter(name)->getHandle(), &identity);
    }
    const D3DXVECTOR4 eye(0, 0, -10, 0);
    effect->SetVector(shader->getParameter("cameraPosition")->getHandle(), &eye);
    IDirect3DDevice9* d3d = device->getD3DDevice();
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        D3DDECL_END(),
    };
    IDirect3DVertexDeclaration9* decl = nullptr;
    EXPECT_EQ(d3d->CreateVertexDeclaration(elements, &decl), D3D_OK);
    device->getStateManager()->SetVertexDeclaration(decl);
    device->getStateManager()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0), D3D_OK);
    const float quad[6][6] = {{-1, -1, 0.5f, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}, {-1, 1, 0.5f, 0, 0, -1},
        {-1, 1, 0.5f, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}};
    EXPECT_TRUE(shader->setTechnique("Solid"));
    EXPECT_EQ(shader->begin(), 1u);
    shader->beginPass(0);
    EXPECT_EQ(device->drawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(quad[0])), D3D_OK);
    shader->endPass();
    shader->end();
    decl->Release();

    return readPixel(device, 32, 24);
}

// Sets the first element of a light array member by member.
void setLight(render::IShader* shader, const char* array, const std::vector<std::pair<const char*, D3DXVECTOR4>>& members)
{
    ID3DXEffect* effect = shader->getEffect();
    D3DXHANDLE first = effect->GetParameterElement(shader->getParameter(array)->getHandle(), 0);
    for (const auto& [name, value] : members) {
        ASSERT_EQ(effect->SetVector(effect->GetParameterByName(first, name), &value), D3D_OK) << name;
    }
    effect->SetInt(shader->getParameter(std::string(array) + "Count")->getHandle(), 1);
}

void setMaterial(render::IShader* shader)
{
    const D3DXVECTOR4 diffuse(0.5f, 0.25f, 0, 1), black(0, 0, 0, 1);
    shader->getEffect()->SetVector(shader->getParameter("diffuseMaterialColor")->getHandle(), &diffuse);
    shader->getEffect()->SetVector(shader->getParameter("specularMaterialColor")->getHandle(), &black);
}

TEST_F(MaterialShaderTest, SolidTechniqueLightsAndFogs)
{
    SmartRef<IMaterial> material = materialWith({});
    CreateShaderParam param;
    param.directionalLightsEnabled = 1;
    param.maxDirectionalLights = 2;
    param.fogEnabled = 1;
    SmartRef<render::IShader> shader = createShaderFromMaterial(material.get(), param);
    ASSERT_TRUE(shader);
    setMaterial(shader.get());
    setLight(shader.get(), "directionalLight", {{"color", {1, 1, 1, 1}}, {"direction", {0, 0, 1, 0}}});
    ID3DXEffect* effect = shader->getEffect();
    const D3DXVECTOR4 fog(0, 0, 1, 1);
    effect->SetVector(shader->getParameter("fogColor")->getHandle(), &fog);
    effect->SetFloat(shader->getParameter("fogEnabled")->getHandle(), 1);
    // The quad is 10.5 away: a quarter of the way from fogStart 10 to fogEnd 12.
    effect->SetFloat(shader->getParameter("fogStart")->getHandle(), 10);
    effect->SetFloat(shader->getParameter("fogEnd")->getHandle(), 12);
    // 0.75 of the lit colour (0.5, 0.25, 0) and 0.25 of the fog (0, 0, 1).
    expectRgbNear(drawCentre(device, shader.get()), {96, 48, 64});
}

TEST_F(MaterialShaderTest, PointAndSpotLightsAttenuateByDistanceAndCone)
{
    SmartRef<IMaterial> material = materialWith({});
    CreateShaderParam param;
    param.pointLightsEnabled = param.spotLightsEnabled = 1;
    param.maxPointLights = param.maxSpotLights = 1;
    SmartRef<render::IShader> shader = createShaderFromMaterial(material.get(), param);
    ASSERT_TRUE(shader);
    setMaterial(shader.get());
    // 1 in front of the quad with radius 2: attenuation 1 - (1/2)^2 = 0.75.
    setLight(shader.get(), "pointLight", {{"color", {1, 1, 1, 1}}, {"position", {0, 0, -0.5f, 0}}, {"radius", {2, 0, 0, 0}}});
    setLight(shader.get(), "spotLight", {{"color", {0, 0, 0, 1}}});
    expectRgbNear(drawCentre(device, shader.get()), {96, 48, 0});

    // The spot light alone, its cone wide open then pointing away.
    setLight(shader.get(), "pointLight", {{"color", {0, 0, 0, 1}}});
    setLight(shader.get(), "spotLight", {{"color", {1, 1, 1, 1}}, {"position", {0, 0, -0.5f, 0}},
        {"direction", {0, 0, 1, 0}}, {"radius", {2, 0, 0, 0}}, {"coneAngle", {0.95f, 0.9f, 0, 0}}});
    expectRgbNear(drawCentre(device, shader.get()), {96, 48, 0});
    setLight(shader.get(), "spotLight", {{"direction", {0, 1, 0, 0}}});
    expectRgbNear(drawCentre(device, shader.get()), {0, 0, 0});
}

TEST_F(MaterialShaderTest, AFailedCompileGivesNoShader)
{
    // A sampler state the effect compiler does not know.
    SmartRef<IMaterial> material = materialWith({{"diffuse", 0}});
    CreateShaderParam param;
    param.samplerAddress = "Sideways";
    EXPECT_EQ(createShaderFromMaterial(material.get(), param), nullptr);
    EXPECT_EQ(material->getShader(), nullptr);
    EXPECT_EQ(createShaderFromMaterial(nullptr, CreateShaderParam{}), nullptr);
}

}  // namespace
}  // namespace kavro_test
