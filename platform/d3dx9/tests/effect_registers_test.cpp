// Parameter values as the constant registers receive them: the layout the compiled program
// expects, whatever class, packing or array the parameter has.
#include "effect_support.h"

namespace {

const char* kRegisters = R"(
float4x4 columnMatrix;
row_major float4x4 rowMatrix;
float4x3 bones[2];
float scalar;
float3 vec3;
int count;
bool flag;
float weights[3];
struct Light { float4 color; float radius; };
Light lights[2];
float4 used(float4 p)
{
    float4 r = mul(p, columnMatrix) + mul(p, rowMatrix);
    r.xyz += mul(p, bones[1]) + mul(p, bones[0]);
    r += scalar + vec3.y + weights[2] + lights[1].radius + lights[0].color;
    if (flag) r *= count;
    return r;
}
float4 vs(float4 p : POSITION) : POSITION { return used(p); }
technique T { pass P { VertexShader = compile vs_3_0 vs(); } }
)";

struct EffectRegisters : ::testing::Test {
    Compiled c;
    RecordingStateManager sm;
    void SetUp() override {
        compileEffect(c, kRegisters);
        ASSERT_EQ(c.hr, D3D_OK) << c.errors;
        c.effect->SetStateManager(&sm);
    }
    void TearDown() override {
        if (c.effect) c.effect->SetStateManager(nullptr);
    }
    // Runs the pass and returns the vertex registers it sent.
    const std::vector<float>& run() {
        UINT passes = 0;
        EXPECT_EQ(c.effect->Begin(&passes, 7), D3D_OK);
        EXPECT_EQ(passes, 1u);
        EXPECT_EQ(c.effect->BeginPass(0), D3D_OK);
        c.effect->EndPass();
        c.effect->End();
        return sm.vsRegisters;
    }
    // Register index of a parameter, found by setting a marker value.
    size_t find(float marker) const {
        for (size_t k = 0; k < sm.vsRegisters.size(); ++k)
            if (sm.vsRegisters[k] == marker) return k;
        return std::string::npos;
    }
};

D3DXMATRIX numbered(float base) {
    D3DXMATRIX m;
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) m.m[r][col] = base + float(r * 4 + col);
    return m;
}

TEST_F(EffectRegisters, MatricesArriveInTheirPacking) {
    D3DXMATRIX a = numbered(100), b = numbered(200);
    c.effect->SetMatrix("columnMatrix", &a);
    c.effect->SetMatrix("rowMatrix", &b);
    run();
    // Column packing: one register per column of the matrix; row packing: one per row.
    size_t ca = find(100);
    ASSERT_NE(ca, std::string::npos);
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) EXPECT_EQ(sm.vsRegisters[ca + size_t(col) * 4 + r], a.m[r][col]);
    size_t rb = find(200);
    ASSERT_NE(rb, std::string::npos);
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) EXPECT_EQ(sm.vsRegisters[rb + size_t(r) * 4 + col], b.m[r][col]);

    // The transposed setter stores the transpose.
    c.effect->SetMatrixTranspose("columnMatrix", &a);
    run();
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) EXPECT_EQ(sm.vsRegisters[ca + size_t(col) * 4 + r], a.m[col][r]);
}

TEST_F(EffectRegisters, MatrixArraysTakeThreeRegistersPerBone) {
    D3DXMATRIX m[2] = {numbered(300), numbered(400)};
    const D3DXMATRIX* ptrs[2] = {&m[0], &m[1]};
    c.effect->SetMatrixPointerArray("bones", ptrs, 2);
    run();
    size_t b0 = find(300), b1 = find(400);
    ASSERT_NE(b0, std::string::npos);
    ASSERT_NE(b1, std::string::npos);
    EXPECT_EQ(b1 - b0, 12u); // 4x3 in column packing: 3 registers of 4 rows
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 3; ++col) EXPECT_EQ(sm.vsRegisters[b1 + size_t(col) * 4 + r], m[1].m[r][col]);
    // The fourth column of a 4x3 bone is never sent.
    EXPECT_EQ(find(403), std::string::npos);

    D3DXMATRIX n[2] = {numbered(500), numbered(600)};
    c.effect->SetMatrixArray("bones", n, 2);
    run();
    EXPECT_EQ(find(500), b0);
    EXPECT_EQ(find(600), b1);
}

TEST_F(EffectRegisters, ScalarsVectorsArraysAndStructs) {
    c.effect->SetFloat("scalar", 11.5f);
    D3DXVECTOR4 v(21, 22, 23, 24);
    c.effect->SetVector("vec3", &v);
    c.effect->SetInt("count", -3);
    c.effect->SetBool("flag", TRUE);
    float w[3] = {31, 32, 33};
    c.effect->SetFloatArray("weights", w, 3);
    float light[10] = {41, 42, 43, 44, 45, 51, 52, 53, 54, 55};
    ASSERT_EQ(c.effect->SetValue("lights", light, sizeof(light)), D3D_OK);
    run();
    size_t s = find(11.5f);
    ASSERT_NE(s, std::string::npos);
    size_t v3 = find(21);
    ASSERT_NE(v3, std::string::npos);
    EXPECT_EQ(sm.vsRegisters[v3 + 2], 23.f);
    // Array elements one register apart.
    size_t w0 = find(31);
    ASSERT_NE(w0, std::string::npos);
    EXPECT_EQ(find(32), w0 + 4);
    EXPECT_EQ(find(33), w0 + 8);
    // Struct members keep their order; the packed value is scattered to the registers.
    size_t l0 = find(41);
    ASSERT_NE(l0, std::string::npos);
    EXPECT_EQ(find(45), l0 + 4);
    EXPECT_EQ(find(51), l0 + 8);
    EXPECT_EQ(find(55), l0 + 12);
    // Ints and bools arrive as raw 32-bit words.
    bool sawCount = false, sawFlag = false;
    for (size_t k = 0; k < sm.vsRegisters.size(); ++k) {
        sawCount |= regi(sm.vsRegisters, k / 4, k % 4) == -3;
        sawFlag |= regi(sm.vsRegisters, k / 4, k % 4) == 1;
    }
    EXPECT_TRUE(sawCount);
    EXPECT_TRUE(sawFlag);
}

TEST_F(EffectRegisters, CommitChangesSendsNewValuesInsideAPass) {
    UINT passes = 0;
    c.effect->Begin(&passes, 7);
    c.effect->SetFloat("scalar", 1.25f);
    c.effect->BeginPass(0);
    EXPECT_NE(find(1.25f), std::string::npos);
    c.effect->SetFloat("scalar", 2.75f);
    EXPECT_EQ(c.effect->CommitChanges(), D3D_OK);
    EXPECT_NE(find(2.75f), std::string::npos);
    c.effect->EndPass();
    EXPECT_EQ(c.effect->CommitChanges(), D3DERR_INVALIDCALL);
    c.effect->End();
}

TEST_F(EffectRegisters, CloneKeepsValuesAndTheStateManager) {
    c.effect->SetFloat("scalar", 7.5f);
    ID3DXEffect* clone = nullptr;
    ASSERT_EQ(c.effect->CloneEffect(nullptr, &clone), D3D_OK);
    FLOAT f = 0;
    clone->GetFloat("scalar", &f);
    EXPECT_FLOAT_EQ(f, 7.5f);
    c.effect->SetFloat("scalar", 1.f);
    clone->GetFloat("scalar", &f);
    EXPECT_FLOAT_EQ(f, 7.5f); // values are copied, not shared
    sm.vsRegisters.clear();
    UINT passes = 0;
    ASSERT_EQ(clone->Begin(&passes, 7), D3D_OK);
    clone->BeginPass(0);
    clone->EndPass();
    clone->End();
    EXPECT_NE(find(7.5f), std::string::npos);
    clone->SetStateManager(nullptr);
    clone->Release();
}

} // namespace
