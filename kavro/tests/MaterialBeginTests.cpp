#include "SceneFixtures.h"

#include <cmath>

#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/kavro/ShaderParameter.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

class MaterialBegin : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_TRUE(setupShaderIncludes());
        screen = makeWall(-1, -1, 1, 1, 0.5f);
        screen->addRef();
        material = createMaterial();
        material->getDiffuse().value = D3DXVECTOR4(0.5f, 0.25f, 0, 1);
        material->getSpecular().value = D3DXVECTOR4(0, 0, 0, 1);
        material->update(0);
        pass.eye = D3DXVECTOR3(0, 0, -10);
    }
    void TearDown() override
    {
        material = nullptr;
        screen->release();
        DeviceTest::TearDown();
    }

    void useShader(const CreateShaderParam& param)
    {
        SmartRef<render::IShader> shader = createShaderFromMaterial(material.get(), param);
        ASSERT_TRUE(shader);
        material->setShader(shader.get());
    }

    // Fills the screen through the material's begin; the colour near the centre.
    Rgb draw()
    {
        device->getD3DDevice()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
        screen->bind();
        screen->getFragments().front()->draw(pass, material.get(), nullptr);
        screen->unbind();
        return readPixel(device, 32, 24);
    }

    // Compiles `text` (a technique "Solid" over the effect include) and gives it to the material.
    render::IShader* useEffectText(const std::string& text)
    {
        SmartRef<render::IShader> shader = render::createShader();
        EXPECT_TRUE(shader->compile(text.data(), unsigned(text.size()), render::g_shaderManager->getPool(),
            render::g_shaderManager->getInclude()))
            << shader->getErrors();
        material->setShader(shader.get());
        return shader.get();
    }

    ID3DXEffect* effect() { return material->getShader()->getEffect(); }
    D3DXHANDLE member(const char* array, unsigned index, const char* name)
    {
        return effect()->GetParameterByName(effect()->GetParameterElement(effect()->GetParameterByName(nullptr, array), index), name);
    }
    int intParameter(const char* name)
    {
        INT value = -1;
        effect()->GetInt(effect()->GetParameterByName(nullptr, name), &value);
        return value;
    }

    kavro::IGeometry* screen = nullptr;
    SmartRef<IMaterial> material;
    RenderPass pass;
};

LightRecord light(uint32_t type, const D3DXVECTOR3& position, const D3DXVECTOR3& direction = {0, 0, 1})
{
    LightRecord record;
    record.type = type;
    record.position = position;
    record.direction = direction;
    record.colour = D3DXVECTOR4(1, 1, 1, 1);
    record.radius = 1024;
    record.innerCone = 0.5f;
    record.outerCone = 0.8f;
    return record;
}

TEST_F(MaterialBegin, DiffuseUnderADirectionalLightAndFog)
{
    CreateShaderParam param;
    param.directionalLightsEnabled = 1;
    param.maxDirectionalLights = 2;
    param.fogEnabled = 1;
    useShader(param);
    pass.lights = {light(LightType_Directional, {0, 0, 0}, {0, 0, 1})};
    pass.settings.fogColour = D3DXVECTOR4(0, 0, 1, 1);
    struct Case {
        bool fog;
        float start;
        float end;
        Rgb expected;
    };
    // The quad is 10.5 from the eye.
    const Case cases[] = {
        {false, 10, 12, {128, 64, 0}},
        {true, 10, 12, {96, 48, 64}},  // a quarter of the way into the fog
        {true, 10, 10, {0, 0, 255}},   // equal ends: past them is all fog, never a division by zero
        {true, 11, 11, {128, 64, 0}},
    };
    for (const Case& c : cases) {
        pass.settings.fogEnabled = c.fog;
        pass.settings.fogStart = c.start;
        pass.settings.fogEnd = c.end;
        SCOPED_TRACE(testing::Message() << "fog " << c.fog << " " << c.start << ".." << c.end);
        expectRgbNear(draw(), c.expected);
    }
}

TEST_F(MaterialBegin, LightsAreCappedPerKindAndConesBecomeHalfAngleCosines)
{
    useShader(fullShaderParam());
    pass.lights.clear();
    for (int i = 0; i < 8; ++i) {
        pass.lights.push_back(light(LightType_Point, {float(i), 0, -1}));
    }
    pass.lights.push_back(light(LightType_Spot, {0, 0, -1}));
    draw();
    EXPECT_EQ(intParameter("pointLightCount"), 6);
    EXPECT_EQ(intParameter("spotLightCount"), 1);
    EXPECT_EQ(intParameter("directionalLightCount"), 0);
    float cones[2] = {0, 0};
    ASSERT_EQ(effect()->GetFloatArray(member("spotLight", 0, "coneAngle"), cones, 2), D3D_OK);
    EXPECT_NEAR(cones[0], 0.968912f, 1e-5f);
    EXPECT_NEAR(cones[1], 0.921061f, 1e-5f);
    float position[3] = {0, 0, 0};
    effect()->GetFloatArray(member("pointLight", 5, "position"), position, 3);
    EXPECT_FLOAT_EQ(position[0], 5) << "lights are written in list order";
}

TEST_F(MaterialBegin, PassAndBlendingReadTheSameBlendMode)
{
    useShader(fullShaderParam());
    MaterialSettings settings = material->getSettings();
    settings.blendMode = render::BlendMode_Alpha;
    material->setSettings(settings);
    EXPECT_FALSE(material->takesPart(RenderTechnique_Solid, nullptr));
    EXPECT_TRUE(material->takesPart(RenderTechnique_Blended, nullptr));
    EXPECT_TRUE(material->takesPart(RenderTechnique_Shadow, nullptr));

    IDirect3DDevice9* d3d = device->getD3DDevice();
    struct Case {
        int technique;
        DWORD zWrite;
        DWORD blending;
    };
    // Blended draws keep the depth they draw over; shadow and depth passes never blend.
    const Case cases[] = {{RenderTechnique_Blended, FALSE, TRUE}, {RenderTechnique_Shadow, TRUE, FALSE},
        {RenderTechnique_ZPass, TRUE, FALSE}};
    for (const Case& c : cases) {
        pass.technique = c.technique;
        ASSERT_EQ(material->begin(pass, nullptr), 1u) << c.technique;
        DWORD zWrite = 7;
        DWORD blending = 7;
        d3d->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
        d3d->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
        material->end(nullptr);
        EXPECT_EQ(zWrite, c.zWrite) << c.technique;
        EXPECT_EQ(blending, c.blending) << c.technique;
    }
    pass.technique = RenderTechnique_Solid;
    EXPECT_EQ(material->begin(pass, nullptr), 0u) << "an Alpha material never draws in the opaque pass";
}

TEST_F(MaterialBegin, TechniquesAMaterialTakesPartIn)
{
    CreateShaderParam noDepthPass = fullShaderParam();
    noDepthPass.zPassEnabled = 0;
    struct Case {
        const char* label;
        uint32_t type;
        int blendMode;
        bool zPass;
        std::array<bool, 6> takesPart;  // Shadow, ZPass, Solid, Blended, ReflectiveMask, Reflective
    };
    const Case cases[] = {
        {"opaque", MaterialType_Solid, render::BlendMode_Solid, true, {true, true, true, false, false, false}},
        {"blended", MaterialType_Solid, render::BlendMode_Additive, true, {true, true, false, true, false, false}},
        {"reflective", MaterialType_Reflective, render::BlendMode_Alpha, true, {true, false, false, false, true, true}},
        {"no ZPass technique", MaterialType_Solid, render::BlendMode_Solid, false,
            {true, false, true, false, false, false}},
    };
    for (const Case& c : cases) {
        material->setType(c.type);
        material->setBlendMode(c.blendMode);
        useShader(c.zPass ? fullShaderParam() : noDepthPass);
        for (int technique = 0; technique < 6; ++technique) {
            EXPECT_EQ(material->takesPart(technique, nullptr), c.takesPart[size_t(technique)])
                << c.label << ", technique " << technique;
        }
        EXPECT_FALSE(material->takesPart(6, nullptr)) << c.label;
    }
}

TEST_F(MaterialBegin, ShadowMatrixStaysFiniteForEveryLightPlacement)
{
    useShader(fullShaderParam());
    pass.settings.shadowEnabled = true;
    struct Case {
        const char* label;
        D3DXVECTOR3 light;
        D3DXVECTOR3 target;
        float zMin;
        float zMax;
    };
    const Case cases[] = {
        {"straight above", {0, 200, 0}, {0, 0, 0}, 1, 256},
        {"straight below", {0, -50, 0}, {0, 0, 0}, 1, 256},
        {"light on its target", {3, 3, 3}, {3, 3, 3}, 1, 256},
        {"no depth range", {0, 200, 0}, {2, 0, 0}, 5, 5},
    };
    for (const Case& c : cases) {
        pass.settings.shadowLightPosition = c.light;
        pass.settings.shadowTargetPosition = c.target;
        pass.settings.shadowZMin = c.zMin;
        pass.settings.shadowZMax = c.zMax;
        draw();
        D3DXMATRIX m;
        ASSERT_EQ(effect()->GetMatrix(effect()->GetParameterByName(nullptr, "shadowMatrix"), &m), D3D_OK);
        for (int k = 0; k < 16; ++k) {
            EXPECT_TRUE(std::isfinite(m.m[k / 4][k % 4])) << c.label << " element " << k;
        }
        // The target lies on the light's axis: the centre of the map.
        D3DXVECTOR3 mapped;
        D3DXVec3TransformCoord(&mapped, &c.target, &m);
        EXPECT_NEAR(mapped.x, 0, 1e-4f) << c.label;
        EXPECT_NEAR(mapped.y, 0, 1e-4f) << c.label;
    }
}

TEST_F(MaterialBegin, EndTakesTheShadowMapOffEveryStage)
{
    useShader(fullShaderParam());
    SmartRef<render::IRenderTargetTexture> map =
        render::createRenderTargetTexture(16, 16, D3DFMT_R32F, D3DMULTISAMPLE_NONE, 0, 0, true);
    ASSERT_TRUE(map);
    pass.settings.shadowEnabled = true;
    pass.settings.shadowTarget = map;
    IDirect3DBaseTexture9* shadow = map->getTexture()->getD3DTexture();
    IDirect3DDevice9* d3d = device->getD3DDevice();
    auto boundStages = [&] {
        int count = 0;
        for (DWORD stage = 0; stage < 8; ++stage) {
            IDirect3DBaseTexture9* bound = nullptr;
            if (d3d->GetTexture(stage, &bound) == D3D_OK && bound) {
                count += bound == shadow;
                bound->Release();
            }
        }
        return count;
    };
    ASSERT_EQ(material->begin(pass, nullptr), 1u);
    material->beginPass(0, nullptr);
    EXPECT_EQ(boundStages(), 1) << "the solid pass samples the map";
    material->endPass(nullptr);
    material->end(nullptr);
    EXPECT_EQ(boundStages(), 0);
    IDirect3DBaseTexture9* parameter = nullptr;
    effect()->GetTexture(effect()->GetParameterByName(nullptr, "shadowTexture"), &parameter);
    EXPECT_EQ(parameter, nullptr);
    if (parameter) {
        parameter->Release();
    }
}

TEST_F(MaterialBegin, ASamplerWithoutTextureIsSkipped)
{
    ITextureSampler* sampler = createTextureSampler();
    sampler->setName("diffuse");
    sampler->getTexture().id = makeId(0x42);  // never resolves
    material->addTextureSampler(sampler);
    CreateShaderParam param;
    useShader(param);
    const Rgb colour = draw();
    EXPECT_GE(colour[0], 0) << "drawn without touching the missing texture";
}

TEST_F(MaterialBegin, ANewEmbmReachesTheEffectWithoutWaitingForAnUpdate)
{
    const std::string text = "#include \"Tormakelin.fxh\"\n"
                             "float4 materialEmbm;\n"
                             "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                             "float4 ps() : COLOR { return materialEmbm; }\n"
                             "technique Solid { pass P { VertexShader = compile vs_3_0 vs(); "
                             "PixelShader = compile ps_3_0 ps(); } }\n";
    render::IShader* shader = useEffectText(text);
    ASSERT_TRUE(shader->getEffect());
    const D3DXVECTOR4 embm(0.1f, 0.2f, 0.3f, 0.4f);
    material->setEmbm(embm);
    EXPECT_EQ(material->getSettings().embm, embm);
    ASSERT_EQ(material->begin(pass, nullptr), 1u);
    D3DXVECTOR4 bound(0, 0, 0, 0);
    effect()->GetVector(effect()->GetParameterByName(nullptr, "materialEmbm"), &bound);
    material->end(nullptr);
    EXPECT_EQ(bound, embm);
}

TEST_F(MaterialBegin, ShaderParametersBindByNameAndMatchingType)
{
    const std::string text = "#include \"Tormakelin.fxh\"\n"
                             "float one; float2 two; float3 three; float4 four; int count;\n"
                             "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                             "float4 ps() : COLOR { return four + float4(three, one) + float4(two, count, 0); }\n"
                             "technique Solid { pass P { VertexShader = compile vs_3_0 vs(); "
                             "PixelShader = compile ps_3_0 ps(); } }\n";
    render::IShader* shader = useEffectText(text);
    ASSERT_TRUE(shader->getEffect());
    struct Case {
        ShaderParameterType type;
        const char* name;
        unsigned columns;  // of the effect parameter read back
        bool binds;
    };
    const Case cases[] = {
        {ShaderParameterType_Color, "four", 4, true},
        {ShaderParameterType_Color, "three", 3, false},
        {ShaderParameterType_Vec4, "four", 4, true},
        {ShaderParameterType_Vec3, "three", 3, true},
        {ShaderParameterType_Vec2, "two", 2, true},
        {ShaderParameterType_Float, "one", 1, true},
        {ShaderParameterType_Vec4, "one", 1, false},
        {ShaderParameterType_Int, "count", 0, true},
        {ShaderParameterType_Float, "count", 0, false},
        {ShaderParameterType_Float, "missing", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXHANDLE handle = shader->getEffect()->GetParameterByName(nullptr, c.name);
        const float zeros[4] = {0, 0, 0, 0};
        if (handle) {
            shader->getEffect()->SetFloatArray(handle, zeros, std::max(1u, c.columns));
        }
        SmartRef<IShaderParameter> parameter = createShaderParameter(c.type);
        parameter->setName(c.name);
        ShaderParameterValue& value = parameter->getValue();
        value.intValue = 3;
        value.floatValue = value.vec2.x = value.vec3.x = value.vec4.x = value.color.x = 0.75f;
        pass.shaderParameters = {parameter.get()};
        ASSERT_EQ(material->begin(pass, nullptr), 1u);
        material->end(nullptr);
        if (!handle) {
            continue;
        }
        if (c.columns == 0) {
            INT count = 0;
            shader->getEffect()->GetInt(handle, &count);
            EXPECT_EQ(count, c.binds ? 3 : 0);
        } else {
            float read[4] = {0, 0, 0, 0};
            shader->getEffect()->GetFloatArray(handle, read, c.columns);
            EXPECT_FLOAT_EQ(read[0], c.binds ? 0.75f : 0.0f);
        }
    }
}

TEST_F(MaterialBegin, TheGraphsOwnParametersOfAMaterialBindBeforeThePasssAndLastOneFrame)
{
    const std::string text = "#include \"Tormakelin.fxh\"\n"
                             "float level; float other;\n"
                             "float4 vs(float4 p : POSITION) : POSITION { return mul(p, worldViewProjection); }\n"
                             "float4 ps() : COLOR { return float4(level, other, 0, 1); }\n"
                             "technique Solid { pass P { VertexShader = compile vs_3_0 vs(); "
                             "PixelShader = compile ps_3_0 ps(); } }\n";
    render::IShader* shader = useEffectText(text);
    ASSERT_TRUE(shader->getEffect());
    auto floatParameter = [](const char* name, float value) {
        SmartRef<IShaderParameter> parameter = createShaderParameter(ShaderParameterType_Float);
        parameter->setName(name);
        parameter->getValue().floatValue = value;
        return parameter;
    };
    SmartRef<IShaderParameter> ownLevel = floatParameter("level", 0.25f);
    SmartRef<IShaderParameter> ownOther = floatParameter("other", 0.5f);
    SmartRef<IShaderParameter> passLevel = floatParameter("level", 0.75f);
    auto read = [&](const char* name) {
        float value = -1;
        shader->getEffect()->GetFloat(shader->getEffect()->GetParameterByName(nullptr, name), &value);
        return value;
    };
    auto reset = [&] {
        shader->getEffect()->SetFloat(shader->getEffect()->GetParameterByName(nullptr, "level"), 0);
        shader->getEffect()->SetFloat(shader->getEffect()->GetParameterByName(nullptr, "other"), 0);
    };

    MaterialSettings settings = material->getSettings();
    settings.shaderParameters = {ownLevel.get(), ownOther.get()};
    material->setSettings(settings);
    pass.shaderParameters = {passLevel.get()};
    reset();
    ASSERT_EQ(material->begin(pass, nullptr), 1u);
    material->end(nullptr);
    EXPECT_FLOAT_EQ(read("other"), 0.5f) << "the material's own";
    EXPECT_FLOAT_EQ(read("level"), 0.75f) << "the pass's, bound after";

    // The next frame's update forgets the graph's list until the graph gives it again.
    material->update(1);
    EXPECT_TRUE(material->getSettings().shaderParameters.empty());
    pass.shaderParameters.clear();
    reset();
    ASSERT_EQ(material->begin(pass, nullptr), 1u);
    material->end(nullptr);
    EXPECT_FLOAT_EQ(read("other"), 0.0f);
}

TEST_F(MaterialBegin, AForeignCompiledEffectIsGeneratedAgainAndSavedAsItCame)
{
    const char bytes[] = "\x01\x09\xFE\xFF\0 binary effect of another system";
    const std::string foreign(bytes, sizeof bytes - 1);
    Bytes file;
    file.header().u32(0).u32(1);
    file.id(makeId(5)).u32(MaterialType_Solid).text("stone").u8(0).u32(0);
    for (int k = 0; k < 4; ++k) {
        file.f32(0.5f);
    }
    file.u32(0);  // no samplers
    file.u8(1).u32(1).u32(uint32_t(foreign.size())).raw(foreign.data(), foreign.size());
    file.animated({0, 0, 0, 1}).animated({1, 1, 1, 1}).animated({1, 1, 1, 1}).animated({0, 0, 0, 1});
    file.animated({1}).animated({1}).animated({128});
    file.u32(0).u32(0).u32(0);
    SmartRef<ISceneGraph> graph = loadBytes(file.data());
    ASSERT_TRUE(graph);
    render::IShader* shader = graph->getMaterials().front()->getShader();
    ASSERT_NE(shader, nullptr);
    for (const char* technique : {"Solid", "Shadow", "ZPass", "ReflectiveMask"}) {
        EXPECT_TRUE(shader->hasTechnique(technique)) << technique;
    }
    EXPECT_EQ(saveBytes(graph.get()), file.data());
}

}  // namespace
}  // namespace kavro_test
