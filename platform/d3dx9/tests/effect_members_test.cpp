// Structs with members of every kind and orientation, and arrays of every vector size, read by a
// pixel shader: each value set through the effect must reach it, and so must the parameters
// after it in the same program.
#include <vector>

#include "effect_device.h"

namespace {

// A value the shader checks: a vector of `cols` (rows 0) or a rows x cols matrix, set to
// base, base + 1, ... in row order.
struct Read {
    const char* path;
    UINT rows, cols;
    float base;
    const char* expr = nullptr; // what the shader reads, when not the parameter itself
};

struct LayoutCase {
    const char* name;
    const char* decls;
    std::vector<Read> reads; // up to three, one colour channel each
};

std::string number(float f) { return std::to_string(static_cast<int>(f)); }

// True in the shader when every component of the read holds what setRead put there.
std::string holds(const Read& r) {
    static const char* const swizzle[] = {".x", ".y", ".z", ".w"};
    std::string e = "(true";
    for (UINT i = 0; i < (r.rows ? r.rows : 1); ++i)
        for (UINT j = 0; j < r.cols; ++j) {
            std::string at = r.expr ? r.expr : r.path;
            at += r.rows ? "[" + std::to_string(i) + "][" + std::to_string(j) + "]" : swizzle[j];
            e += " && " + at + " == " + number(r.base + float(i * r.cols + j));
        }
    return e + ")";
}

void setRead(ID3DXEffect* e, const Read& r) {
    D3DXHANDLE h = e->GetParameterByName(nullptr, r.path);
    ASSERT_NE(h, nullptr) << r.path;
    if (r.rows) {
        D3DXMATRIX m;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m.m[i][j] = r.base + float(i * int(r.cols) + j);
        ASSERT_EQ(e->SetMatrix(h, &m), D3D_OK) << r.path;
    } else {
        float v[4];
        for (UINT j = 0; j < 4; ++j) v[j] = r.base + float(j);
        ASSERT_EQ(e->SetFloatArray(h, v, r.cols), D3D_OK) << r.path;
    }
}

class EffectMembers : public EffectDeviceTest {
protected:
    // Compiles the case, sets every read and draws: each channel is white where its read held.
    void expectReads(const LayoutCase& k) {
        SCOPED_TRACE(k.name);
        std::string channels[3] = {"true", "true", "true"};
        for (size_t n = 0; n < k.reads.size() && n < 3; ++n) channels[n] = holds(k.reads[n]);
        Compiled c;
        compile(c, withPixelShader(std::string(k.decls) + "\n", "float4(" + channels[0] + " ? 1 : 0, " + channels[1] +
                                                                   " ? 1 : 0, " + channels[2] + " ? 1 : 0, 1)"));
        if (!c.effect) return;
        for (const Read& r : k.reads) setRead(c.effect, r);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawAll(c.effect);
        expectColor(pixel(7, 7), 255, 255, 255);
    }
};

TEST_F(EffectMembers, ArraysOfEveryVectorSize) {
    const LayoutCase cases[] = {
        {"float1 array", "float1 A[2]; float4 after;", {{"A[1]", 0, 1, 5}, {"A[0]", 0, 1, 3}, {"after", 0, 4, 20}}},
        {"float2 array", "float2 A[2]; float4 after;", {{"A[1]", 0, 2, 5}, {"A[0]", 0, 2, 3}, {"after", 0, 4, 20}}},
        {"float3 array", "float3 A[2]; float4 after;", {{"A[1]", 0, 3, 5}, {"A[0]", 0, 3, 1}, {"after", 0, 4, 20}}},
        {"float4 array", "float4 A[3]; float4 after;", {{"A[2]", 0, 4, 5}, {"A[0]", 0, 4, 1}, {"after", 0, 4, 20}}},
        {"int1 array", "int1 A[3]; float2 after;", {{"A[2]", 0, 1, 7}, {"A[1]", 0, 1, 6}, {"after", 0, 2, 20}}},
        {"float1", "float1 v; float1 w;", {{"v", 0, 1, 4}, {"w", 0, 1, 9}}},
        {"vector<float, 1> array, and in a function",
         "vector<float, 1> A[2]; float4 after;\n"
         "vector<float, 1> second(vector<float, 1> v[2]) { vector<float, 1> k[2] = v; return k[1].x; }",
         {{"A[0]", 0, 1, 3}, {"A[1]", 0, 1, 5, "second(A)"}, {"after", 0, 4, 20}}},
        {"float1 in a struct", "struct S { float1 a; float1 b[2]; }; S s; float4 after;",
         {{"s.a", 0, 1, 4}, {"s.b[1]", 0, 1, 9}, {"after", 0, 4, 20}}},
    };
    for (const auto& k : cases) expectReads(k);
}

// Members that are no numbers take no register; the numbers around them stay in the struct.
TEST_F(EffectMembers, StructsWithObjectMembersBetweenNumbers) {
    const LayoutCase cases[] = {
        {"string", "struct W { float4 a; string t; float4 b; }; W s; float4 after;",
         {{"s.a", 0, 4, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"texture", "struct W { float4 a; texture t; float4 b; }; W s; float4 after;",
         {{"s.a", 0, 4, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"texture2D and textureCUBE", "struct W { float2 a; texture2D t; textureCUBE u; float3 b; }; W s; float after;",
         {{"s.a", 0, 2, 1}, {"s.b", 0, 3, 5}, {"after", 0, 1, 20}}},
        {"sampler", "struct W { float4 a; sampler t; float4 b; }; W s; float4 after;",
         {{"s.a", 0, 4, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"sampler2D and samplerCUBE", "struct W { float a; sampler2D t; float4 b; samplerCUBE u; }; W s; float4 after;",
         {{"s.a", 0, 1, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"shaders", "struct W { float4 a; pixelshader p; vertexshader v; float4 b; }; W s; float4 after;",
         {{"s.a", 0, 4, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"object arrays", "struct W { float4 a; string t[2], u; sampler v[2]; float4 b; }; W s; float4 after;",
         {{"s.a", 0, 4, 1}, {"s.b", 0, 4, 5}, {"after", 0, 4, 20}}},
        {"objects only", "struct W { string t; sampler u; }; W s; float4 after; float4 none(W w) { return 0; }",
         {{"after", 0, 4, 20, "(after + none(s))"}}},
        {"nested, in an array", "struct I { float2 x; sampler t; float3 y; }; struct W { I i; string n; float4 b; };"
                                " W s[2]; float4 after;",
         {{"s[1].i.y", 0, 3, 1}, {"s[1].b", 0, 4, 5}, {"after", 0, 4, 20}}},
    };
    for (const auto& k : cases) expectReads(k);
}

// Only the structs of parameters lose their objects: a struct that only locals are made of keeps
// its sampler, beside a parameter's struct that holds one.
TEST_F(EffectMembers, StructsOfLocalsKeepTheirSamplers) {
    const std::string decls = R"(
texture image;
sampler2D diffuse = sampler_state { Texture = <image>; MinFilter = Point; MagFilter = Point; };
struct Lookup { sampler2D s; float4 scale; };
struct W { float4 a; sampler t; float4 b; };
W w;
float4 look(Lookup l, float2 uv) { return tex2D(l.s, uv) * l.scale; }
float4 shade(float2 uv) { Lookup l; l.s = diffuse; l.scale = w.b; return look(l, uv); }
)";
    Compiled c;
    compile(c, withPixelShader(decls, "shade(i.uv)"));
    ASSERT_NE(c.effect, nullptr);
    IDirect3DTexture9* t = texture(2, 2, {0xFF80FF40, 0xFF80FF40, 0xFF80FF40, 0xFF80FF40});
    ASSERT_NE(t, nullptr);
    c.effect->SetTexture("image", t);
    t->Release();
    D3DXVECTOR4 scale(1, 0.5f, 1, 1);
    ASSERT_EQ(c.effect->SetVector("w.b", &scale), D3D_OK);
    drawAll(c.effect);
    expectColor(pixel(7, 7), 0x80, 0x80, 0x40);
    c.effect->SetTexture("image", nullptr);
}

// Each matrix is read as its own member declares it, whatever the others in the struct say.
TEST_F(EffectMembers, StructsMixingMatrixOrientations) {
    const LayoutCase cases[] = {
        {"row_major then default", "struct S { row_major float2x4 a; float2x4 b; }; S s; float4 after;",
         {{"s.a", 2, 4, 1}, {"s.b", 2, 4, 11}, {"after", 0, 4, 30}}},
        {"default then row_major", "struct S { float2x4 a; row_major float2x4 b; }; S s; float4 after;",
         {{"s.a", 2, 4, 1}, {"s.b", 2, 4, 11}, {"after", 0, 4, 30}}},
        {"column_major and row_major", "struct S { column_major float4x3 a; row_major float3x4 b; }; S s[2]; float4 after;",
         {{"s[1].a", 4, 3, 1}, {"s[1].b", 3, 4, 21}, {"after", 0, 4, 40}}},
        {"nested row_major", "struct I { row_major float3x2 m; }; struct S { I i; float2x3 b; }; S s; float4x4 after;",
         {{"s.i.m", 3, 2, 1}, {"s.b", 2, 3, 11}, {"after", 4, 4, 30}}},
        {"one struct in two", "struct I { float2x2 m; }; struct A { I i; row_major float2x2 r; }; struct B { I i; };"
                              " A a; B b;",
         {{"a.i.m", 2, 2, 1}, {"a.r", 2, 2, 11}, {"b.i.m", 2, 2, 21}}},
        {"row_major after the struct", "struct S { row_major float4x2 a; float4 v; }; S s; row_major float2x4 after;",
         {{"s.a", 4, 2, 1}, {"s.v", 0, 4, 11}, {"after", 2, 4, 30}}},
    };
    for (const auto& k : cases) expectReads(k);
}

// What the shader compiler cannot take is refused, naming the parameter or member: an object
// held in a struct that a shader reads, a matrix of one row or column, a void member.
TEST_F(EffectMembers, RefusedNamingTheParameter) {
    const struct {
        const char* decls;
        const char* expr;
        const char* named;
    } cases[] = {
        {"struct W { float4 a; sampler2D t; }; W s;", "tex2D(s.t, i.uv) + s.a", "'s.t'"},
        {"struct I { sampler t; }; struct W { float4 a; I i; }; W s[2];", "tex2D(s[1].i.t, i.uv)", "'s[1].i.t'"},
        {"struct W { float4 a; texture t; }; W lights;", "lights.a * (lights.t ? 1 : 0)", "'lights.t'"},
        {"float1x4 M[2];", "float4(M[1][0][3], 0, 0, 1)", "'M'"},
        {"struct S { float4 a; float4x1 n; }; S s;", "float4(s.n[3][0], 0, 0, 1)", "'s.n'"},
        {"struct S { float4 a; void v; float4 b; }; S s;", "s.b", "member 'v'"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.decls);
        Compiled c;
        compileEffect(c, withPixelShader(std::string(k.decls) + "\n", k.expr), nullptr, nullptr, nullptr, device);
        EXPECT_NE(c.hr, D3D_OK);
        EXPECT_EQ(c.effect, nullptr);
        EXPECT_NE(c.errors.find(k.named), std::string::npos) << c.errors;
    }
}

} // namespace
