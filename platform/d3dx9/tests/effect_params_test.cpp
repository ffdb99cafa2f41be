// The parameter table: descriptions, annotations, semantics, initial values and typed access.
#include <cstring>
#include <functional>

#include "DecimalCommaLocale.h"
#include "effect_support.h"

namespace {

const char* kParams = R"(
float scale : SCALE < string UIName = "Scale"; float UIMin = 0.5; int Steps = 4; > = 2.5;
float3 direction = float3(0, -1, 0.5);
float4x4 worldViewProjection : WORLDVIEWPROJECTION;
row_major float4x3 rowBones[2];
float4x3 bones[3];
int count = 7;
bool enabled = true;
int2 pair = {3, -4};
float weights[4] = {1, 2, 3, 4};
struct Light { float4 color; float3 position; float radius; };
Light lights[2];
Light sun;
texture diffuseTexture : DIFFUSE;
texture2D flatTexture;
textureCUBE cubeTexture;
texture3D volumeTexture;
sampler2D diffuseSampler = sampler_state { Texture = <diffuseTexture>; };
samplerCUBE cubeSampler;
string description = "A test";
static const float hidden = 3;
shared float sharedTime;
float4 vs(float4 p : POSITION) : POSITION { return p; }
technique T { pass P { VertexShader = compile vs_2_0 vs(); } }
)";

struct DescCase {
    const char* name;
    D3DXPARAMETER_CLASS cls;
    D3DXPARAMETER_TYPE type;
    UINT rows, cols, elements, members, bytes;
};

TEST(EffectParams, DescriptionsInDeclarationOrder) {
    Compiled c;
    compileEffect(c, kParams);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    const DescCase cases[] = {
        {"scale", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0, 0, 4},
        {"direction", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, 0, 0, 12},
        {"worldViewProjection", D3DXPC_MATRIX_COLUMNS, D3DXPT_FLOAT, 4, 4, 0, 0, 64},
        {"rowBones", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 3, 2, 0, 96},
        {"bones", D3DXPC_MATRIX_COLUMNS, D3DXPT_FLOAT, 4, 3, 3, 0, 144},
        {"count", D3DXPC_SCALAR, D3DXPT_INT, 1, 1, 0, 0, 4},
        {"enabled", D3DXPC_SCALAR, D3DXPT_BOOL, 1, 1, 0, 0, 4},
        {"pair", D3DXPC_VECTOR, D3DXPT_INT, 1, 2, 0, 0, 8},
        {"weights", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 4, 0, 16},
        {"lights", D3DXPC_STRUCT, D3DXPT_VOID, 0, 0, 2, 3, 64},
        {"sun", D3DXPC_STRUCT, D3DXPT_VOID, 0, 0, 0, 3, 32},
        {"diffuseTexture", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"flatTexture", D3DXPC_OBJECT, D3DXPT_TEXTURE2D, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"cubeTexture", D3DXPC_OBJECT, D3DXPT_TEXTURECUBE, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"volumeTexture", D3DXPC_OBJECT, D3DXPT_TEXTURE3D, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"diffuseSampler", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"cubeSampler", D3DXPC_OBJECT, D3DXPT_SAMPLERCUBE, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"description", D3DXPC_OBJECT, D3DXPT_STRING, 0, 0, 0, 0, UINT(sizeof(void*))},
        {"sharedTime", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0, 0, 4},
    };
    UINT i = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        D3DXHANDLE h = c.effect->GetParameter(nullptr, i++);
        ASSERT_NE(h, nullptr);
        D3DXPARAMETER_DESC d{};
        ASSERT_EQ(c.effect->GetParameterDesc(h, &d), D3D_OK);
        EXPECT_STREQ(d.Name, k.name);
        EXPECT_EQ(d.Class, k.cls);
        EXPECT_EQ(d.Type, k.type);
        EXPECT_EQ(d.Rows, k.rows);
        EXPECT_EQ(d.Columns, k.cols);
        EXPECT_EQ(d.Elements, k.elements);
        EXPECT_EQ(d.StructMembers, k.members);
        EXPECT_EQ(d.Bytes, k.bytes);
        EXPECT_EQ(c.effect->GetParameterByName(nullptr, k.name), h);
    }
    // "static const" is no parameter; nothing follows the last one.
    EXPECT_EQ(c.effect->GetParameter(nullptr, i), nullptr);
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "hidden"), nullptr);
    D3DXPARAMETER_DESC d{};
    c.effect->GetParameterDesc("sharedTime", &d);
    EXPECT_EQ(d.Flags & D3DXPARAMETER_SHARED, DWORD(D3DXPARAMETER_SHARED));
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "nothing"), nullptr);
    EXPECT_EQ(c.effect->GetParameterDesc("nothing", &d), D3DERR_INVALIDCALL);
}

TEST(EffectParams, SemanticsAnnotationsAndMembers) {
    Compiled c;
    compileEffect(c, kParams);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    D3DXHANDLE scale = c.effect->GetParameterBySemantic(nullptr, "scale");
    ASSERT_EQ(scale, c.effect->GetParameterByName(nullptr, "scale"));
    D3DXPARAMETER_DESC d{};
    c.effect->GetParameterDesc(scale, &d);
    EXPECT_STREQ(d.Semantic, "SCALE");
    EXPECT_EQ(d.Annotations, 3u);
    LPCSTR ui = nullptr;
    ASSERT_EQ(c.effect->GetString(c.effect->GetAnnotationByName(scale, "UIName"), &ui), D3D_OK);
    EXPECT_STREQ(ui, "Scale");
    FLOAT f = 0;
    c.effect->GetFloat(c.effect->GetAnnotation(scale, 1), &f);
    EXPECT_FLOAT_EQ(f, 0.5f);
    INT steps = 0;
    c.effect->GetInt(c.effect->GetAnnotationByName(scale, "Steps"), &steps);
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(c.effect->GetAnnotation(scale, 3), nullptr);
    c.effect->GetParameterDesc("direction", &d);
    EXPECT_EQ(d.Semantic, nullptr);
    EXPECT_EQ(c.effect->GetParameterBySemantic(nullptr, "DIFFUSE"), c.effect->GetParameterByName(nullptr, "diffuseTexture"));

    D3DXHANDLE lights = c.effect->GetParameterByName(nullptr, "lights");
    D3DXHANDLE second = c.effect->GetParameterElement(lights, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(c.effect->GetParameterElement(lights, 2), nullptr);
    D3DXHANDLE radius = c.effect->GetParameterByName(second, "radius");
    ASSERT_NE(radius, nullptr);
    EXPECT_EQ(c.effect->GetParameterByName(nullptr, "lights[1].radius"), radius);
    c.effect->GetParameterDesc(radius, &d);
    EXPECT_STREQ(d.Name, "radius");
    EXPECT_EQ(d.Class, D3DXPC_SCALAR);
    EXPECT_EQ(c.effect->GetParameter(c.effect->GetParameterByName(nullptr, "sun"), 1),
              c.effect->GetParameterByName(nullptr, "sun.position"));
}

TEST(EffectParams, InitialValuesAndConversions) {
    Compiled c;
    compileEffect(c, kParams);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    FLOAT f = 0;
    c.effect->GetFloat("scale", &f);
    EXPECT_FLOAT_EQ(f, 2.5f);
    D3DXVECTOR4 v;
    c.effect->GetVector("direction", &v);
    EXPECT_FLOAT_EQ(v.y, -1.f);
    EXPECT_FLOAT_EQ(v.z, 0.5f);
    INT i = 0;
    c.effect->GetInt("count", &i);
    EXPECT_EQ(i, 7);
    BOOL b = FALSE;
    c.effect->GetBool("enabled", &b);
    EXPECT_EQ(b, TRUE);
    FLOAT w[4] = {};
    c.effect->GetFloatArray("weights", w, 4);
    EXPECT_FLOAT_EQ(w[3], 4.f);
    LPCSTR s = nullptr;
    c.effect->GetString("description", &s);
    EXPECT_STREQ(s, "A test");

    // Setters convert to the parameter's own type.
    EXPECT_EQ(c.effect->SetFloat("count", 3.75f), D3D_OK);
    c.effect->GetInt("count", &i);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(c.effect->SetInt("enabled", 0), D3D_OK);
    c.effect->GetBool("enabled", &b);
    EXPECT_EQ(b, FALSE);
    EXPECT_EQ(c.effect->SetInt("scale", 9), D3D_OK);
    c.effect->GetFloat("scale", &f);
    EXPECT_FLOAT_EQ(f, 9.f);
    D3DXVECTOR4 nv(7, 8, 9, 10);
    c.effect->SetVector("direction", &nv);
    c.effect->GetVector("direction", &v);
    EXPECT_FLOAT_EQ(v.z, 9.f);
    EXPECT_FLOAT_EQ(v.w, 0.f);

    // Wrong kinds of value are refused.
    D3DXMATRIX m;
    EXPECT_EQ(c.effect->SetMatrix("scale", &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->SetFloat("description", 1.f), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->SetString("scale", "x"), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->SetTexture("scale", nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->SetFloat("nothing", 1.f), D3DERR_INVALIDCALL);
    float big[5] = {};
    EXPECT_EQ(c.effect->SetValue("direction", big, sizeof(big)), D3DERR_INVALIDCALL);
    EXPECT_EQ(c.effect->SetString("description", "changed"), D3D_OK);
    c.effect->GetString("description", &s);
    EXPECT_STREQ(s, "changed");
}

TEST(EffectParams, SwizzlesPickComponentsOfConstantsInBothSpellings) {
    Compiled c;
    compileEffect(c, "float4 v = {1, 2, 3, 4};\nfloat4 picked = v.wxgz;\nfloat one = v.a;\n");
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    D3DXVECTOR4 p;
    c.effect->GetVector("picked", &p);
    EXPECT_EQ((std::vector<float>{p.x, p.y, p.z, p.w}), (std::vector<float>{4, 1, 2, 3}));
    FLOAT one = 0;
    c.effect->GetFloat("one", &one);
    EXPECT_FLOAT_EQ(one, 4.f);
}

TEST(EffectParams, ArrayAndStructWritesFillComponentsInOrderAndStopAtTheCount) {
    Compiled c;
    compileEffect(c, kParams);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    const float zeros[16] = {};
    c.effect->SetFloatArray("lights", zeros, 16);
    // lights[0] whole (color, position, radius), then the first two of lights[1].color.
    const float values[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(c.effect->SetFloatArray("lights", values, 10), D3D_OK);
    float read[16] = {};
    c.effect->GetFloatArray("lights", read, 16);
    for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(read[k], k < 10 ? values[k] : 0.f) << k;
    FLOAT radius = 0;
    c.effect->GetFloat("lights[0].radius", &radius);
    EXPECT_FLOAT_EQ(radius, 8.f);
    // Ints of a vector take what fits; more values than components are ignored.
    const int ints[3] = {5, -6, 99};
    EXPECT_EQ(c.effect->SetIntArray("pair", ints, 3), D3D_OK);
    float pair[2] = {};
    c.effect->GetFloatArray("pair", pair, 2);
    EXPECT_FLOAT_EQ(pair[0], 5.f);
    EXPECT_FLOAT_EQ(pair[1], -6.f);
}

TEST(EffectParams, SharedParametersLiveInThePool) {
    ID3DXEffectPool* pool = nullptr;
    ASSERT_EQ(D3DXCreateEffectPool(&pool), D3D_OK);
    const char* a = "shared float time = 1; float4 vs(float4 p : POSITION) : POSITION { return p * time; }\n"
                    "technique T { pass P { VertexShader = compile vs_2_0 vs(); } }";
    const char* b = "shared float time = 5; float other; technique T { pass P { } }";
    Compiled ea, eb, ec;
    compileEffect(ea, a, nullptr, nullptr, pool);
    compileEffect(eb, b, nullptr, nullptr, pool);
    ASSERT_EQ(ea.hr, D3D_OK) << ea.errors;
    ASSERT_EQ(eb.hr, D3D_OK) << eb.errors;
    FLOAT t = 0;
    eb.effect->GetFloat("time", &t);
    EXPECT_FLOAT_EQ(t, 1.f); // the pool's first value stays
    ea.effect->SetFloat("time", 4.f);
    eb.effect->GetFloat("time", &t);
    EXPECT_FLOAT_EQ(t, 4.f);
    compileEffect(ec, "shared float2 time; technique T { pass P { } }", nullptr, nullptr, pool);
    EXPECT_EQ(ec.hr, E_FAIL);
    EXPECT_NE(ec.errors.find("shared parameter 'time'"), std::string::npos) << ec.errors;
    ID3DXEffectPool* got = nullptr;
    ea.effect->GetPool(&got);
    EXPECT_EQ(got, pool);
    got->Release();
    pool->Release();
}

TEST(EffectParams, TechniquesPassesAndTheirAnnotations) {
    Compiled c;
    compileEffect(c, R"(
        technique First < string Script = "one"; > { pass A < int Order = 2; > { } pass B { } }
        technique Second { pass { ZEnable = false; } })");
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    D3DXHANDLE first = c.effect->GetTechniqueByName("First");
    EXPECT_EQ(c.effect->GetCurrentTechnique(), first);
    EXPECT_EQ(c.effect->GetTechnique(1), c.effect->GetTechniqueByName("Second"));
    EXPECT_EQ(c.effect->GetTechniqueByName("Third"), nullptr);
    D3DXTECHNIQUE_DESC td{};
    c.effect->GetTechniqueDesc(first, &td);
    EXPECT_STREQ(td.Name, "First");
    EXPECT_EQ(td.Passes, 2u);
    EXPECT_EQ(td.Annotations, 1u);
    D3DXHANDLE a = c.effect->GetPassByName(first, "A");
    EXPECT_EQ(c.effect->GetPass(first, 0), a);
    D3DXPASS_DESC pd{};
    c.effect->GetPassDesc(a, &pd);
    EXPECT_STREQ(pd.Name, "A");
    INT order = 0;
    c.effect->GetInt(c.effect->GetAnnotationByName(a, "Order"), &order);
    EXPECT_EQ(order, 2);
    LPCSTR script = nullptr;
    c.effect->GetString(c.effect->GetAnnotation(first, 0), &script);
    EXPECT_STREQ(script, "one");
    EXPECT_EQ(c.effect->SetTechnique("Second"), D3D_OK);
    EXPECT_EQ(c.effect->GetCurrentTechnique(), c.effect->GetTechnique(1));
    EXPECT_EQ(c.effect->SetTechnique("Third"), D3DERR_INVALIDCALL);
    D3DXHANDLE next = nullptr;
    EXPECT_EQ(c.effect->FindNextValidTechnique(nullptr, &next), D3D_OK);
    EXPECT_EQ(next, first);
}

// Handles are checked cheaply on every set; a handle of the wrong kind, of another effect or
// pointing inside one of ours must still be refused, and leave the values alone.
TEST(EffectParams, HandlesOfTheWrongKindOrEffectAreRefused) {
    const char* text = R"(
        float scale < int Steps = 4; > = 2.5;
        technique T < int Order = 1; > { pass A { } })";
    Compiled c, other;
    compileEffect(c, text);
    compileEffect(other, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    ASSERT_EQ(other.hr, D3D_OK) << other.errors;
    ID3DXEffect* clone = nullptr;
    ASSERT_EQ(c.effect->CloneEffect(nullptr, &clone), D3D_OK);
    ID3DXEffect* e = c.effect;
    D3DXHANDLE scale = e->GetParameterByName(nullptr, "scale");
    D3DXHANDLE technique = e->GetTechniqueByName("T");
    D3DXHANDLE pass = e->GetPass(technique, 0);
    ASSERT_TRUE(scale && technique && pass);
    EXPECT_EQ(e->SetFloat(scale, 1.5f), D3D_OK);

    struct Case { const char* name; D3DXHANDLE handle; };
    const Case notParameters[] = {
        {"technique", technique},
        {"pass", pass},
        {"inside a handle", scale + 1},
        {"another effect's", other.effect->GetParameterByName(nullptr, "scale")},
        {"a clone's", clone->GetParameterByName(nullptr, "scale")},
    };
    for (const auto& k : notParameters) {
        SCOPED_TRACE(k.name);
        ASSERT_NE(k.handle, nullptr);
        EXPECT_EQ(e->SetFloat(k.handle, 9.f), D3DERR_INVALIDCALL);
        D3DXPARAMETER_DESC d{};
        EXPECT_EQ(e->GetParameterDesc(k.handle, &d), D3DERR_INVALIDCALL);
        EXPECT_EQ(e->GetAnnotation(k.handle, 5), nullptr);
    }
    const Case notTechniques[] = {
        {"parameter", scale},
        {"pass", pass},
        {"another effect's", other.effect->GetTechnique(0)},
    };
    for (const auto& k : notTechniques) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(e->SetTechnique(k.handle), D3DERR_INVALIDCALL);
        EXPECT_EQ(e->ValidateTechnique(k.handle), D3DERR_INVALIDCALL);
    }
    for (D3DXHANDLE notPass : {scale, technique, pass + 1, other.effect->GetPass(other.effect->GetTechnique(0), 0)}) {
        D3DXPASS_DESC pd{};
        EXPECT_EQ(e->GetPassDesc(notPass, &pd), D3DERR_INVALIDCALL);
    }
    FLOAT value = 0;
    EXPECT_EQ(e->GetFloat(scale, &value), D3D_OK);
    EXPECT_EQ(value, 1.5f);
    EXPECT_EQ(e->GetCurrentTechnique(), technique);
    // Annotations stay reachable through every kind of handle.
    INT n = 0;
    EXPECT_EQ(e->GetInt(e->GetAnnotationByName(scale, "Steps"), &n), D3D_OK);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(e->GetInt(e->GetAnnotation(technique, 0), &n), D3D_OK);
    EXPECT_EQ(n, 1);
    clone->Release();
}

// The stored words of a numeric parameter, as they are: float bits for floats, ints for the rest.
std::vector<uint32_t> words(ID3DXEffect* e, const char* name) {
    D3DXPARAMETER_DESC d{};
    if (e->GetParameterDesc(name, &d) != D3D_OK) return {};
    std::vector<uint32_t> w(d.Bytes / 4);
    e->GetValue(name, w.data(), d.Bytes);
    return w;
}

uint32_t F(float f) {
    uint32_t w;
    std::memcpy(&w, &f, 4);
    return w;
}
uint32_t I(int i) { return static_cast<uint32_t>(i); }

// Matrix rows r < R and columns c < C of `m` (or of its transpose), as floats or as truncated ints.
std::vector<uint32_t> matrixWords(const D3DXMATRIX& m, int R, int C, bool transpose, bool ints = false) {
    std::vector<uint32_t> w;
    for (int r = 0; r < R; ++r)
        for (int c = 0; c < C; ++c) {
            const float f = transpose ? m.m[c][r] : m.m[r][c];
            w.push_back(ints ? I(static_cast<int>(f)) : F(f));
        }
    return w;
}

// Whole-parameter writes of floats, vectors and matrices: each value lands in its own component,
// converted to that component's type, and nothing is written past the parameter addressed.
TEST(EffectParams, FloatWritesConvertPerComponentAndStayInsideTheParameter) {
    const char* text = R"(
        struct Plain { float4 color; float3 position; float radius; };
        struct Mixed { float a; int b; float2 c; };
        Plain plain;
        Mixed mixed;
        float4 quads[3];
        float3 triples[2];
        int4 ints;
        bool2 flags;
        float3x4 wide;
        float4x3 tall;
        int2x2 intMatrix;
        float4x4 palette[2];
        float4 vs(float4 p : POSITION) : POSITION { return p; }
        technique T { pass P { VertexShader = compile vs_2_0 vs(); } })";
    const float n[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const D3DXVECTOR4 v[4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
    D3DXMATRIX m[3];
    for (int k = 0; k < 3; ++k)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) m[k].m[r][c] = 100.f * float(k + 1) + float(r * 4 + c) + 0.75f;
    auto join = [](std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<uint32_t> z4(4, 0u);

    struct Case {
        const char* what;
        const char* param;
        std::function<HRESULT(ID3DXEffect*)> write;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"a float struct takes no more than its components", "plain",
         [&](ID3DXEffect* e) { return e->SetFloatArray("plain", n, 10); },
         {F(1), F(2), F(3), F(4), F(5), F(6), F(7), F(8)}},
        {"a member's write stops at the member", "plain",
         [&](ID3DXEffect* e) { return e->SetFloatArray("plain.color", n, 8); },
         {F(1), F(2), F(3), F(4), 0, 0, 0, 0}},
        {"an element's write stops at the element", "quads",
         [&](ID3DXEffect* e) { return e->SetFloatArray("quads[1]", n, 12); },
         join(join(z4, {F(1), F(2), F(3), F(4)}), z4)},
        {"an int member converts inside a float struct", "mixed",
         [&](ID3DXEffect* e) { const float f[4] = {1.5f, 2.75f, -3.5f, 4}; return e->SetFloatArray("mixed", f, 4); },
         {F(1.5f), I(2), F(-3.5f), F(4)}},
        {"int vectors truncate", "ints",
         [&](ID3DXEffect* e) { const float f[4] = {1.9f, -2.9f, 3, 4}; return e->SetFloatArray("ints", f, 4); },
         {I(1), I(-2), I(3), I(4)}},
        {"bools become 0 or 1", "flags",
         [&](ID3DXEffect* e) { const float f[2] = {0, 0.5f}; return e->SetFloatArray("flags", f, 2); },
         {I(0), I(1)}},
        {"float4 arrays take what fits", "quads",
         [&](ID3DXEffect* e) { return e->SetVectorArray("quads", v, 4); },
         {F(1), F(2), F(3), F(4), F(5), F(6), F(7), F(8), F(9), F(10), F(11), F(12)}},
        {"float3 arrays drop each w", "triples",
         [&](ID3DXEffect* e) { return e->SetVectorArray("triples", v, 2); },
         {F(1), F(2), F(3), F(5), F(6), F(7)}},
        {"a float vector takes one vector", "quads[2]",
         [&](ID3DXEffect* e) { return e->SetVector("quads[2]", &v[3]); },
         {F(13), F(14), F(15), F(16)}},
        {"a wide matrix keeps its rows", "wide",
         [&](ID3DXEffect* e) { return e->SetMatrix("wide", &m[0]); }, matrixWords(m[0], 3, 4, false)},
        {"a wide matrix transposed", "wide",
         [&](ID3DXEffect* e) { return e->SetMatrixTranspose("wide", &m[0]); }, matrixWords(m[0], 3, 4, true)},
        {"a tall matrix keeps three columns", "tall",
         [&](ID3DXEffect* e) { return e->SetMatrix("tall", &m[1]); }, matrixWords(m[1], 4, 3, false)},
        {"an int matrix truncates", "intMatrix",
         [&](ID3DXEffect* e) { return e->SetMatrix("intMatrix", &m[2]); }, matrixWords(m[2], 2, 2, false, true)},
        {"a palette takes what fits", "palette",
         [&](ID3DXEffect* e) { return e->SetMatrixArray("palette", m, 3); },
         join(matrixWords(m[0], 4, 4, false), matrixWords(m[1], 4, 4, false))},
        {"a palette transposed, one matrix", "palette",
         [&](ID3DXEffect* e) { return e->SetMatrixTransposeArray("palette", &m[2], 1); },
         join(matrixWords(m[2], 4, 4, true), std::vector<uint32_t>(16, 0u))},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        Compiled c;
        compileEffect(c, text);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
        EXPECT_EQ(k.write(c.effect), D3D_OK);
        EXPECT_EQ(words(c.effect, k.param), k.expected);
    }
}

// Reads convert each component to float and give no more than the parameter holds.
TEST(EffectParams, FloatReadsConvertPerComponent) {
    Compiled c;
    compileEffect(c, "struct Mixed { float a; int b; bool c; float d; };\nMixed mixed = {1.5, -7, true, 2.25};\n"
                     "float2 pair = {3, 4};\n");
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    float read[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(c.effect->GetFloatArray("mixed", read, 6), D3D_OK);
    EXPECT_EQ((std::vector<float>(read, read + 6)), (std::vector<float>{1.5f, -7, 1, 2.25f, 9, 9}));
    float pair[3] = {9, 9, 9};
    ASSERT_EQ(c.effect->GetFloatArray("pair", pair, 3), D3D_OK);
    EXPECT_EQ((std::vector<float>(pair, pair + 3)), (std::vector<float>{3, 4, 9}));
}

// An object member takes no numbers: the floats of a whole-struct write land in the members
// around it, where reading each member finds them.
TEST(EffectParams, StructWritesStepOverObjectMembers) {
    Compiled c;
    compileEffect(c, "struct WithImage { float4 before; texture image; float4 after; };\nWithImage held;\n");
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    const float f[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(c.effect->SetFloatArray("held", f, 8), D3D_OK);
    D3DXVECTOR4 before{}, after{};
    ASSERT_EQ(c.effect->GetVector("held.before", &before), D3D_OK);
    ASSERT_EQ(c.effect->GetVector("held.after", &after), D3D_OK);
    EXPECT_EQ(before, D3DXVECTOR4(1, 2, 3, 4));
    EXPECT_EQ(after, D3DXVECTOR4(5, 6, 7, 8));
    float read[8] = {};
    ASSERT_EQ(c.effect->GetFloatArray("held", read, 8), D3D_OK);
    EXPECT_EQ((std::vector<float>(read, read + 8)), (std::vector<float>(f, f + 8)));
}

} // namespace

// Initial values, #if expressions and sizes read the same whatever the process's locale.
TEST(EffectParams, NumbersIgnoreADecimalCommaLocale) {
    tormakelin::test::DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale could be made here";
    const char* text = R"(
#if 0x10 == 16 && 010 == 8
float4 tint = {0.25, 0.5f, 1e-3, .75};
#else
float4 tint = {9, 9, 9, 9};
#endif
float big = 1.5e3;
float tiny = 1e-400;
int mask = 0x1F;
vector<float, 3> axis = {2.5, 0, 0};
float4 vs(float4 p : POSITION) : POSITION { return p * tint * big * axis.x * mask * tiny; }
technique T { pass P { VertexShader = compile vs_2_0 vs(); } }
)";
    Compiled c;
    compileEffect(c, text);
    ASSERT_EQ(c.hr, D3D_OK) << c.errors;
    D3DXVECTOR4 v;
    c.effect->GetVector("tint", &v);
    EXPECT_FLOAT_EQ(v.x, 0.25f);
    EXPECT_FLOAT_EQ(v.y, 0.5f);
    EXPECT_FLOAT_EQ(v.z, 0.001f);
    EXPECT_FLOAT_EQ(v.w, 0.75f);
    FLOAT f = 0;
    c.effect->GetFloat("big", &f);
    EXPECT_FLOAT_EQ(f, 1500.f);
    c.effect->GetFloat("tiny", &f);
    EXPECT_EQ(f, 0.f);
    INT i = 0;
    c.effect->GetInt("mask", &i);
    EXPECT_EQ(i, 31);
    c.effect->GetVector("axis", &v);
    EXPECT_FLOAT_EQ(v.x, 2.5f);
}
