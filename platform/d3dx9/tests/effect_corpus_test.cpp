// Effects as they are written in practice compile, with their techniques and parameters.
#include "effect_support.h"

#include <fstream>
#include <sstream>

namespace {

std::string readFx(const std::string& name) {
    std::ifstream f(std::string(EFFECT_CORPUS_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct CorpusCase {
    const char* file;
    std::vector<std::pair<const char*, UINT>> techniques; // name, passes
    std::vector<const char*> params;
};

TEST(EffectCorpus, TypicalEffectsCompile) {
    const CorpusCase cases[] = {
        {"image.fx",
         {{"ColorTextureWrap", 1}, {"FullscreenQuad", 1}, {"HBlur", 1}, {"SobelEdge", 1}, {"CMYKDistortClamp", 2},
          {"RadialGradient", 1}},
         {"colorTexture", "worldViewProjection", "invViewportSize", "verticalWeights", "sobelEdgeSamples", "time"}},
        {"material.fx", {{"Solid", 1}, {"ZPass", 1}, {"Shadow", 1}, {"ReflectiveMask", 1}},
         {"world", "boneMatrices", "directionalLight", "diffuseTextureSampler", "shadowTexture", "fogColor"}},
        {"user.fx", {{"Main", 1}, {"GBuffer", 1}, {"Screen", 1}},
         {"Description", "Version", "WorldViewProj", "EnvMap", "mainVertexShader", "SpecPower"}},
        {"small.fx", {{"Primitive", 1}, {"Normal", 1}, {"Line", 1}}, {"worldViewProjection", "color"}},
    };
    TableInclude inc;
    inc.files["scene.fxh"] = readFx("scene.fxh");
    for (const auto& k : cases) {
        SCOPED_TRACE(k.file);
        std::string text = readFx(k.file);
        ASSERT_FALSE(text.empty());
        Compiled c;
        compileEffect(c, text, nullptr, &inc);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
        for (const auto& [name, passes] : k.techniques) {
            D3DXHANDLE t = c.effect->GetTechniqueByName(name);
            ASSERT_NE(t, nullptr) << name;
            D3DXTECHNIQUE_DESC d{};
            c.effect->GetTechniqueDesc(t, &d);
            EXPECT_EQ(d.Passes, passes) << name;
            std::string glsl;
            for (UINT p = 0; p < passes; ++p) {
                EXPECT_TRUE(d3dxglGetPassShaderText(c.effect, t, p, FALSE, &glsl)) << name;
                EXPECT_TRUE(d3dxglGetPassShaderText(c.effect, t, p, TRUE, &glsl)) << name;
            }
        }
        for (const char* p : k.params) EXPECT_NE(c.effect->GetParameterByName(nullptr, p), nullptr) << p;
    }
}

TEST(EffectCorpus, UserEffectDetails) {
    Compiled c;
    compileEffect(c, readFx("user.fx"));
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    D3DXPARAMETER_DESC d{};
    c.effect->GetParameterDesc("mainVertexShader", &d);
    EXPECT_EQ(d.Type, D3DXPT_VERTEXSHADER);
    c.effect->GetParameterDesc("Diffuse", &d);
    EXPECT_EQ(d.Type, D3DXPT_FLOAT); // half is float
    EXPECT_EQ(d.Columns, 4u);
    FLOAT power = 0;
    c.effect->GetFloat("SpecPower", &power);
    EXPECT_FLOAT_EQ(power, 32.f);
    FLOAT uiMax = 0;
    c.effect->GetFloat(c.effect->GetAnnotationByName("SpecPower", "UIMax"), &uiMax);
    EXPECT_FLOAT_EQ(uiMax, 128.f);
    EXPECT_EQ(c.effect->GetParameterBySemantic(nullptr, "WorldViewProjection"),
              c.effect->GetParameterByName(nullptr, "WorldViewProj"));
    std::string ps;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "GBuffer", 0, TRUE, &ps));
    EXPECT_NE(ps.find("layout(location = 1) out vec4"), std::string::npos) << ps;
    EXPECT_NE(ps.find("gl_FragDepth"), std::string::npos) << ps;
    ASSERT_TRUE(d3dxglGetPassShaderText(c.effect, "Screen", 0, TRUE, &ps));
    EXPECT_NE(ps.find("gl_FragCoord"), std::string::npos) << ps;
    EXPECT_NE(ps.find("gl_FrontFacing"), std::string::npos) << ps;
}

} // namespace
