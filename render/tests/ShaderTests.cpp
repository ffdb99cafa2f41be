#include "DeviceFixture.h"
#include "ScratchFiles.h"

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

const std::string kQuad = R"(
struct VS_OUT { float4 position : POSITION; };
VS_OUT vs(float4 p : POSITION) { VS_OUT o; o.position = p; return o; }
float4 colour = {1, 0, 0, 1};
float4 ps(VS_OUT i) : COLOR { return colour; }
technique Solid { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
)";

class ShaderTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
    }

    static bool compile(IShader* shader, const std::string& text, IShaderInclude* include = nullptr)
    {
        return shader->compile(text.data(), unsigned(text.size()), nullptr, include);
    }

    static SmartRef<IShaderData> text(const std::string& content)
    {
        SmartRef<tormakelin::core::IStream> stream =
            tormakelin::core::createMemStream(const_cast<char*>(content.data()), unsigned(content.size()), true, false);
        return createShaderData(stream.get());
    }

    static int intOf(IShader* shader, const char* name)
    {
        INT value = -1;
        shader->getEffect()->GetInt(shader->getParameter(name)->getHandle(), &value);
        return value;
    }

    ScratchFiles files;
};

} // namespace

TEST_F(ShaderTest, EngineMacrosCarryTheShaderSettings)
{
    device->setShaderSettings({3, 1024, 1});
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(),
        "int model = TORMAKELIN_SHADERMODEL;\nint size = TORMAKELIN_SHADOWMAP_SIZE;\nint pcf = TORMAKELIN_SHADOWMAP_PCF;\n" +
            kQuad))
        << shader->getErrors();
    EXPECT_EQ(intOf(shader.get(), "model"), 3);
    EXPECT_EQ(intOf(shader.get(), "size"), 1024);
    EXPECT_EQ(intOf(shader.get(), "pcf"), 1);

    const std::vector<IShaderParameter*>& parameters = shader->getParameters();
    ASSERT_EQ(parameters.size(), 4u);
    EXPECT_EQ(parameters[0]->getName(), "model");
    EXPECT_EQ(parameters[3]->getName(), "colour");
    EXPECT_EQ(parameters[3]->getDesc().Columns, 4u);
    EXPECT_EQ(shader->getParameter("colour"), parameters[3]);
    EXPECT_EQ(shader->getParameter("Colour"), nullptr) << "names are case-sensitive";
    EXPECT_EQ(shader->getParameter("missing"), nullptr);
    EXPECT_TRUE(shader->hasTechnique("Solid"));
    EXPECT_FALSE(shader->hasTechnique("solid"));
    EXPECT_TRUE(shader->setTechnique("Solid"));
    EXPECT_FALSE(shader->setTechnique("Other"));

    void* source = nullptr;
    unsigned length = 0;
    ASSERT_TRUE(shader->getSource(source, length));
    EXPECT_EQ(std::string(static_cast<char*>(source), 5), "int m");
    EXPECT_FALSE(SmartRef<IShader>(createShader())->getSource(source, length));
}

TEST_F(ShaderTest, IncludesAnswerFromTheRegistry)
{
    SmartRef<IShaderInclude> include = createShaderInclude();
    SmartRef<IShaderData> common = text("float4 tint = {0, 1, 0, 1};\n");
    ASSERT_TRUE(common);
    EXPECT_EQ(createShaderData(nullptr), nullptr);
    EXPECT_EQ(text(""), nullptr);
    EXPECT_EQ(common->getSize(), 28u);
    EXPECT_EQ(common->getData()[28], '\0');

    ASSERT_TRUE(include->addInclude("Common.fxh", common.get()));
    EXPECT_FALSE(include->addInclude("Common.fxh", text("float other;\n").get())) << "the first text stays";
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(), "#include \"Common.fxh\"\n" + kQuad, include.get())) << shader->getErrors();
    EXPECT_NE(shader->getParameter("tint"), nullptr);
    EXPECT_EQ(shader->getParameter("other"), nullptr);

    EXPECT_FALSE(compile(shader.get(), "#include \"common.fxh\"\n" + kQuad, include.get()))
        << "include names are exact";
    EXPECT_NE(shader->getErrors(), "");
    EXPECT_NE(shader->getErrors().find("common.fxh"), std::string::npos) << shader->getErrors();
    EXPECT_FALSE(compile(shader.get(), "#include \"Common.fxh\"\n" + kQuad)) << "no registry, no include";
}

TEST_F(ShaderTest, FailedCompileLeavesAnEmptyShader)
{
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(), kQuad));
    SmartRef<IShaderParameter> kept = shader->getParameter("colour");
    ASSERT_TRUE(kept);
    EXPECT_FALSE(compile(shader.get(), "float4 broken(;\n"));
    EXPECT_FALSE(shader->getErrors().empty());
    EXPECT_EQ(shader->getEffect(), nullptr);
    EXPECT_TRUE(shader->getParameters().empty());
    EXPECT_EQ(shader->getParameter("colour"), nullptr);
    EXPECT_EQ(kept->getHandle(), nullptr) << "no handle into the released effect";
    EXPECT_EQ(kept->getName(), "colour");

    const D3DXVECTOR4 v(1, 2, 3, 4);
    const D3DXMATRIX m = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_TRUE(FAILED(shader->setVector4(kept.get(), &v)));
    EXPECT_TRUE(FAILED(shader->setMatrix(kept.get(), &m)));
    EXPECT_TRUE(FAILED(shader->setFloat(kept.get(), 1.0f)));
    EXPECT_TRUE(FAILED(shader->setTexture(kept.get(), nullptr)));
    EXPECT_EQ(shader->begin(), 0u);
    EXPECT_EQ(g_currentShader, nullptr);
    EXPECT_EQ(shader->clone(), nullptr);
    EXPECT_FALSE(shader->hasTechnique("Solid"));

    ASSERT_TRUE(compile(shader.get(), kQuad));
    EXPECT_TRUE(shader->getErrors().empty()) << "a compile starts with no errors";
    EXPECT_FALSE(compile(shader.get(), "", nullptr));
    EXPECT_FALSE(shader->create(nullptr, nullptr, nullptr));
}

TEST_F(ShaderTest, SettersReachTheEffect)
{
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(), "float2 a; float3 b; float4 c; float f[3]; int n; bool flag; float4x4 w;\n" + kQuad));
    ID3DXEffect* effect = shader->getEffect();
    const D3DXVECTOR2 a(1, 2);
    const D3DXVECTOR3 b(3, 4, 5);
    const float c[4] = {6, 7, 8, 9};
    const float f[3] = {10, 11, 12};
    EXPECT_EQ(shader->setVector2(shader->getParameter("a"), &a), D3D_OK);
    EXPECT_EQ(shader->setVector3(shader->getParameter("b"), &b), D3D_OK);
    EXPECT_EQ(shader->setFloat4(shader->getParameter("c"), c), D3D_OK);
    EXPECT_EQ(shader->setFloatArray(shader->getParameter("f"), f, 3), D3D_OK);
    EXPECT_EQ(shader->setInt(shader->getParameter("n"), 7), D3D_OK);
    EXPECT_EQ(shader->setBool(shader->getParameter("flag"), true), D3D_OK);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    EXPECT_EQ(shader->setMatrix(shader->getParameter("w"), &m), D3D_OK);
    EXPECT_TRUE(FAILED(shader->setFloat(nullptr, 1.0f)));

    float got[4] = {};
    effect->GetFloatArray("a", got, 2);
    EXPECT_EQ(got[1], 2.0f);
    effect->GetFloatArray("b", got, 3);
    EXPECT_EQ(got[2], 5.0f);
    D3DXVECTOR4 vector;
    effect->GetVector("c", &vector);
    EXPECT_EQ(vector.w, 9.0f);
    effect->GetFloatArray("f", got, 3);
    EXPECT_EQ(got[2], 12.0f);
    INT n = 0;
    effect->GetInt("n", &n);
    EXPECT_EQ(n, 7);
    BOOL flag = FALSE;
    effect->GetBool("flag", &flag);
    EXPECT_TRUE(flag);
    D3DXMATRIX back;
    effect->GetMatrix("w", &back);
    EXPECT_EQ(back._42, 2.0f);
}

TEST_F(ShaderTest, DrawsThroughTheStateManagerAndClones)
{
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(), kQuad));
    ID3DXEffectStateManager* manager = nullptr;
    shader->getEffect()->GetStateManager(&manager);
    EXPECT_EQ(manager, g_stateManager);
    if (manager != nullptr) {
        manager->Release();
    }

    SmartRef<IShader> copy = shader->clone();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->getEffect(), shader->getEffect());
    ASSERT_EQ(copy->getParameters().size(), 1u);
    copy->getEffect()->GetStateManager(&manager);
    EXPECT_EQ(manager, g_stateManager) << "a clone draws through the state manager too";
    if (manager != nullptr) {
        manager->Release();
    }
    void* source = nullptr;
    unsigned length = 0;
    EXPECT_FALSE(copy->getSource(source, length));
    EXPECT_EQ(copy->getFileName(), "");

    const D3DXVECTOR4 blue(0, 0, 1, 1);
    ASSERT_EQ(copy->setVector4(copy->getParameter("colour"), &blue), D3D_OK);
    struct Vertex {
        float x, y, z, w;
    };
    const Vertex quad[6] = {{-1, 1, 0.5f, 1}, {1, 1, 0.5f, 1}, {-1, -1, 0.5f, 1}, {-1, -1, 0.5f, 1}, {1, 1, 0.5f, 1},
        {1, -1, 0.5f, 1}};
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(d3d()->CreateVertexDeclaration(elements, &decl), D3D_OK);
    owned.push_back(decl);
    g_stateManager->SetVertexDeclaration(decl);
    g_stateManager->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_TRUE(device->beginScene());
    const unsigned passes = copy->begin();
    ASSERT_EQ(passes, 1u);
    EXPECT_EQ(g_currentShader, copy.get());
    ASSERT_EQ(copy->beginPass(0), D3D_OK);
    ASSERT_EQ(device->drawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(copy->endPass(), D3D_OK);
    EXPECT_EQ(copy->end(), D3D_OK);
    EXPECT_EQ(g_currentShader, nullptr);
    device->endScene();
    EXPECT_EQ(backBufferPixels()[size_t(kHeight / 2) * kWidth + kWidth / 2], 0xFF0000FFu);
}

TEST_F(ShaderTest, ManagerCachesByPathWhateverTheDriveSlashesAndCase)
{
    files.write("shaders/Glow.fx", kQuad);
    IShader* first = loadShader("shaders\\Glow.fx");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getFileName(), "shaders\\Glow.fx");
    EXPECT_EQ(loadShader("C:\\shaders\\Glow.fx"), first);
    EXPECT_EQ(loadShader("shaders/glow.FX"), first);
    EXPECT_EQ(loadShader("D:/SHADERS/GLOW.fx"), first);
    EXPECT_EQ(g_shaderManager->findShader("shaders\\other.fx"), nullptr);
    EXPECT_EQ(loadShader("shaders\\missing.fx"), nullptr);
    EXPECT_FALSE(g_shaderManager->addShader(first)) << "already held";

    // With the cache off, every load compiles the file again.
    g_shaderManager->enableCache(false);
    files.write("shaders/Glow.fx", "float extra;\n" + kQuad);
    EXPECT_EQ(loadShader("shaders\\Glow.fx"), first);
    EXPECT_NE(first->getParameter("extra"), nullptr);
    files.write("shaders/Glow.fx", "broken(\n");
    EXPECT_EQ(loadShader("shaders\\Glow.fx"), first) << "a failed reload still answers the held shader";
    EXPECT_FALSE(first->getErrors().empty());
    EXPECT_EQ(first->getEffect(), nullptr);
    files.write("shaders/Glow.fx", kQuad);
    EXPECT_EQ(loadShader("shaders\\Glow.fx"), first);
    EXPECT_NE(first->getEffect(), nullptr) << "the file mended, the next load compiles it again";

    first->addRef();
    EXPECT_TRUE(g_shaderManager->removeShader(first));
    EXPECT_FALSE(g_shaderManager->removeShader(first));
    EXPECT_EQ(first->release(), 0);
}

TEST_F(ShaderTest, TheManagersIncludeRegistryServesLoadedShaders)
{
    ASSERT_TRUE(g_shaderManager->getInclude()->addInclude("Tormakelin.fxh", text("float4 shared;\n").get()));
    files.write("uses.fx", "#include \"Tormakelin.fxh\"\n" + kQuad);
    IShader* shader = loadShader("uses.fx");
    ASSERT_NE(shader, nullptr);
    EXPECT_NE(shader->getParameter("shared"), nullptr);
    EXPECT_EQ(g_shaderManager->getPool()->getPool(), nullptr);
    SmartRef<IShaderPool> pool = createShaderPool();
    ASSERT_TRUE(pool);
    EXPECT_NE(pool->getPool(), nullptr);
}

TEST_F(ShaderTest, EffectsLiveThroughAReset)
{
    SmartRef<IShader> shader = createShader();
    ASSERT_TRUE(compile(shader.get(), kQuad));
    d3dsimSetStrictReset(true);
    d3dsimLoseDevice(d3d(), 0);
    EXPECT_FALSE(device->present());
    ASSERT_TRUE(device->beginScene());
    EXPECT_EQ(shader->begin(), 1u);
    EXPECT_EQ(shader->end(), D3D_OK);
    device->endScene();
}
