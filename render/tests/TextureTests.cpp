#include "DeviceFixture.h"
#include "ScratchFiles.h"

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/DepthBuffer.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureData.h>
#include <tormakelin/render/TextureManager.h>
#include <tormakelin/render/VertexDecl.h>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

const std::string kSampleEffect = R"(
texture image;
sampler imageSampler = sampler_state { Texture = <image>; MinFilter = Point; MagFilter = Point; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp; };
struct VS_OUT { float4 position : POSITION; float2 uv : TEXCOORD0; };
VS_OUT vs(float4 p : POSITION, float2 uv : TEXCOORD0) { VS_OUT o; o.position = p; o.uv = uv; return o; }
float4 ps(VS_OUT i) : COLOR { return tex2D(imageSampler, i.uv); }
technique Copy { pass P { CullMode = None; ZEnable = false;
    VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
)";

class TextureObjectTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
    }

    // Level 0 of a 32-bit texture, row by row.
    static std::vector<uint32_t> pixelsOf(ITexture* texture)
    {
        auto* d3dTexture = static_cast<IDirect3DTexture9*>(texture->getD3DTexture());
        std::vector<uint32_t> pixels;
        D3DLOCKED_RECT locked{};
        if (d3dTexture == nullptr || FAILED(d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
            ADD_FAILURE() << "cannot read the texture";
            return pixels;
        }
        for (unsigned y = 0; y < texture->getHeight(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.pBits) + size_t{y} * locked.Pitch);
            pixels.insert(pixels.end(), row, row + texture->getWidth());
        }
        d3dTexture->UnlockRect(0);
        return pixels;
    }

    void loseAndRecover()
    {
        d3dsimSetStrictReset(true);
        d3dsimLoseDevice(d3d(), 0);
        EXPECT_FALSE(device->present());
        ASSERT_TRUE(device->beginScene()) << "the strict reset passed: everything let go of default-pool memory";
        ASSERT_TRUE(device->endScene());
    }

    // Draws `texture` over the whole back buffer, point sampled.
    void drawTexture(ITexture* texture)
    {
        SmartRef<IShader> shader = createShader();
        ASSERT_TRUE(shader->compile(kSampleEffect.data(), unsigned(kSampleEffect.size()), nullptr, nullptr))
            << shader->getErrors();
        ASSERT_EQ(shader->setTexture(shader->getParameter("image"), texture), D3D_OK);
        VertexDeclBuilder builder;
        builder.add({0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
        builder.add({0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
        SmartRef<IVertexDecl> decl = builder.build();
        ASSERT_TRUE(decl && decl->bind());
        struct Vertex {
            float x, y, z, w, u, v;
        };
        const Vertex quad[6] = {{-1, 1, 0.5f, 1, 0, 0}, {1, 1, 0.5f, 1, 1, 0}, {-1, -1, 0.5f, 1, 0, 1},
            {-1, -1, 0.5f, 1, 0, 1}, {1, 1, 0.5f, 1, 1, 0}, {1, -1, 0.5f, 1, 1, 1}};
        ASSERT_TRUE(device->beginScene());
        ASSERT_EQ(shader->begin(), 1u);
        shader->beginPass(0);
        EXPECT_EQ(device->drawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex)), D3D_OK);
        shader->endPass();
        shader->end();
        device->endScene();
    }

    static TextureCreateParams renderTarget(D3DPOOL pool = D3DPOOL_DEFAULT)
    {
        return {1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, pool};
    }
};

} // namespace

TEST_F(TextureObjectTest, RenderIntoATextureAndSampleIt)
{
    const TextureCreateParams params = renderTarget();
    SmartRef<ITexture> made = createTexture(16, 12, &params);
    ASSERT_TRUE(made);
    auto* texture = static_cast<Texture*>(made.get());
    ASSERT_NE(texture->getRenderView(), nullptr);
    EXPECT_EQ(texture->getRenderView()->getViewport().Width, 16u);

    SmartRef<IRenderView> half = createRenderView();
    half->getViewport() = {0, 0, 8, 12, 0.0f, 1.0f};
    ASSERT_TRUE(texture->begin(nullptr, nullptr));
    device->clear(Clear_Colour, D3DXVECTOR4(0, 0, 1, 1), 1.0f, 0);
    EXPECT_TRUE(texture->end());
    ASSERT_TRUE(texture->begin(half.get(), nullptr));
    device->clear(Clear_Colour, D3DXVECTOR4(1, 0, 0, 1), 1.0f, 0);
    EXPECT_TRUE(texture->end());

    const std::vector<uint32_t> inside = pixelsOf(texture);
    ASSERT_EQ(inside.size(), 16u * 12u);
    EXPECT_EQ(inside[0], 0xFFFF0000u);
    EXPECT_EQ(inside[15], 0xFF0000FFu);

    drawTexture(texture);
    const std::vector<uint32_t> screen = backBufferPixels();
    EXPECT_EQ(screen[size_t(kHeight / 2) * kWidth + 4], 0xFFFF0000u) << "left half from the view";
    EXPECT_EQ(screen[size_t(kHeight / 2) * kWidth + kWidth - 4], 0xFF0000FFu);
}

TEST_F(TextureObjectTest, BeginIsForRenderTargetsAndOnlyOnce)
{
    IDirect3DSurface9* const backBuffer = target();
    IDirect3DSurface9* const backDepth = depth();
    SmartRef<Texture> plain = new Texture();
    ASSERT_TRUE(plain->create(8, 8, nullptr));
    EXPECT_EQ(plain->getDesc().Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(plain->getLevelCount(), 4u) << "the full chain by default";
    EXPECT_EQ(plain->getRenderView(), nullptr);
    EXPECT_FALSE(plain->begin(nullptr, nullptr));
    EXPECT_FALSE(plain->end());
    EXPECT_EQ(target(), backBuffer);
    EXPECT_EQ(depth(), backDepth);

    const TextureCreateParams params = renderTarget();
    SmartRef<Texture> drawn = new Texture();
    ASSERT_TRUE(drawn->create(8, 8, &params));
    ASSERT_TRUE(drawn->begin(nullptr, nullptr));
    EXPECT_EQ(depth(), nullptr) << "no depth buffer given: none";
    EXPECT_FALSE(drawn->begin(nullptr, nullptr)) << "already the target";
    EXPECT_FALSE(drawn->end()) << "the refused begin's own end";
    SmartRef<IDepthBuffer> buffer = createDepthBuffer(8, 8, D3DFMT_D24S8);
    SmartRef<Texture> inner = new Texture();
    ASSERT_TRUE(inner->create(8, 8, &params));
    ASSERT_TRUE(inner->begin(nullptr, buffer.get()));
    EXPECT_NE(depth(), nullptr);
    EXPECT_TRUE(inner->end());
    EXPECT_EQ(depth(), nullptr);
    EXPECT_TRUE(drawn->end());
    EXPECT_FALSE(drawn->end());
    EXPECT_EQ(target(), backBuffer);
    EXPECT_EQ(depth(), backDepth);
    EXPECT_EQ(device->getRenderView()->getViewport().Width, kWidth);

    const TextureCreateParams mipped{0, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8,
        D3DPOOL_DEFAULT};
    SmartRef<Texture> chain = new Texture();
    ASSERT_TRUE(chain->create(8, 8, &mipped));
    EXPECT_EQ(chain->getTexture()->GetAutoGenFilterType(), D3DTEXF_ANISOTROPIC);
    ASSERT_TRUE(chain->begin(nullptr, nullptr));
    EXPECT_TRUE(chain->end());
}

TEST_F(TextureObjectTest, OnlyDefaultPoolTexturesTakePartInAReset)
{
    const TextureCreateParams params = renderTarget();
    SmartRef<ITexture> drawn = createTexture(256, 256, &params);
    const TextureCreateParams system{1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM};
    SmartRef<ITexture> kept = createTexture(2, 2, &system);
    const uint32_t pixels[4] = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC};
    SmartRef<ITexture> managed = createTextureRgba(2, 2, pixels);
    ASSERT_TRUE(drawn && kept && managed);
    auto* keptTexture = static_cast<IDirect3DTexture9*>(kept->getD3DTexture());
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(keptTexture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memcpy(locked.pBits, pixels, 8);
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + locked.Pitch, pixels + 2, 8);
    keptTexture->UnlockRect(0);

    loseAndRecover();
    ASSERT_NE(drawn->getD3DTexture(), nullptr);
    EXPECT_EQ(drawn->getWidth(), 256u);
    EXPECT_EQ(drawn->getHeight(), 256u);
    auto* texture = static_cast<Texture*>(drawn.get());
    EXPECT_EQ(texture->getDesc().Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->getDesc().Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(texture->getDesc().Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(texture->getLevelCount(), 1u);
    EXPECT_EQ(kept->getD3DTexture(), keptTexture) << "a system-memory texture is left alone";
    EXPECT_EQ(pixelsOf(kept.get()), std::vector<uint32_t>(pixels, pixels + 4));
    EXPECT_EQ(pixelsOf(managed.get()), std::vector<uint32_t>(pixels, pixels + 4));

    // The remade texture is drawn into and read back.
    ASSERT_TRUE(texture->begin(nullptr, nullptr));
    device->clear(Clear_Colour, D3DXVECTOR4(0, 1, 0, 1), 1.0f, 0);
    texture->end();
    EXPECT_EQ(pixelsOf(texture)[300], 0xFF00FF00u);
}

TEST_F(TextureObjectTest, RawPixelsOfEachKind)
{
    const uint8_t rgb[2 * 3] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    SmartRef<ITexture> fromRgb = createTextureRgb(2, 1, rgb);
    ASSERT_TRUE(fromRgb);
    EXPECT_EQ(fromRgb->getResourceType(), 1);
    EXPECT_EQ(fromRgb->getTextureType(), TextureType_2D);
    EXPECT_EQ(fromRgb->getDepth(), 0u);
    EXPECT_EQ(fromRgb->getFileName(), "");
    EXPECT_EQ(pixelsOf(fromRgb.get()), (std::vector<uint32_t>{0xFF302010u, 0xFF605040u}));

    const uint8_t alpha[4] = {0, 64, 128, 255};
    SmartRef<ITexture> fromAlpha = createTextureAlpha(4, 1, alpha);
    ASSERT_TRUE(fromAlpha);
    EXPECT_EQ(static_cast<Texture*>(fromAlpha.get())->getDesc().Format, D3DFMT_A8);
    EXPECT_EQ(static_cast<Texture*>(fromAlpha.get())->getLevelCount(), 1u);

    EXPECT_EQ(createTextureRgba(2, 2, nullptr), nullptr);
    EXPECT_EQ(createTexture(0u, 4u), nullptr);
    EXPECT_EQ(createTexture(nullptr, 0), nullptr);
    const char junk[] = "not an image";
    EXPECT_EQ(createTexture(junk, sizeof junk), nullptr);
    EXPECT_TRUE(fromRgb->bind(0));
    IDirect3DBaseTexture9* bound = nullptr;
    d3d()->GetTexture(0, &bound);
    EXPECT_EQ(bound, fromRgb->getD3DTexture());
    if (bound != nullptr) {
        bound->Release();
    }
}

TEST_F(TextureObjectTest, CubeAndVolumeTextures)
{
    SmartRef<ITexture> cube = createCubeTexture(8);
    SmartRef<ITexture> volume = createVolumeTexture(4, 4, 2);
    ASSERT_TRUE(cube && volume);
    EXPECT_EQ(cube->getTextureType(), TextureType_Cube);
    EXPECT_EQ(cube->getWidth(), 8u);
    EXPECT_EQ(cube->getDepth(), 0u);
    EXPECT_EQ(volume->getTextureType(), TextureType_Volume);
    EXPECT_EQ(volume->getDepth(), 2u);
    EXPECT_TRUE(cube->bind(1));
}

TEST(TextureData, BoundsAreChecked)
{
    EXPECT_EQ(createTextureData(0, 16), nullptr);
    EXPECT_EQ(createTextureData(16, 0), nullptr);
    EXPECT_EQ(createTextureData(1u << 20, 1u << 20), nullptr);
    SmartRef<ITextureData> data = createTextureData(4, 2);
    ASSERT_TRUE(data);
    data->setPixel(3, 1, 0xFF00FF00u);
    data->setPixel(4, 0, 0x12345678u);
    data->setPixel(0, 2, 0x12345678u);
    EXPECT_EQ(data->getPixel(3, 1), 0xFF00FF00u);
    EXPECT_EQ(data->getPixels()[7], 0xFF00FF00u);
    EXPECT_EQ(data->getPixel(4, 0), 0u);
    EXPECT_EQ(data->getPixel(0, 2), 0u);
}

TEST(TextureAtlas, RectanglesByExactName)
{
    SmartRef<ITextureAtlas> atlas = createTextureAtlas();
    atlas->getData().rects["Spark"] = {0.25f, 0.0f, 0.125f, 0.25f};
    TextureAtlasRect rect{9, 9, 9, 9};
    EXPECT_FALSE(atlas->getRect("spark", rect));
    EXPECT_EQ(rect.x, 9.0f) << "untouched";
    ASSERT_TRUE(atlas->getRect("Spark", rect));
    EXPECT_EQ(rect.x, 0.25f);
    EXPECT_EQ(rect.height, 0.25f);
}

namespace {

// An uncompressed 24-bit image whose pixel (x, y) is (x * 4, y * 8, 0x55), opaque.
std::string bmpImage(unsigned width, unsigned height)
{
    const unsigned rowBytes = (width * 3 + 3) & ~3u;
    const unsigned dataSize = rowBytes * height;
    std::string out;
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(char(value >> (8 * i)));
        }
    };
    out += "BM";
    put(54 + dataSize, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataSize, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (unsigned row = 0; row < height; ++row) {
        const unsigned y = height - 1 - row;
        for (unsigned x = 0; x < width; ++x) {
            out.push_back(char(0x55));
            out.push_back(char(y * 8));
            out.push_back(char(x * 4));
        }
        out.append(rowBytes - width * 3, '\0');
    }
    return out;
}

} // namespace

TEST_F(TextureObjectTest, ImageFilesLoadThroughTheCache)
{
    ScratchFiles files;
    files.write("media/Logo.bmp", bmpImage(64, 32));
    ITexture* logo = loadTexture("media\\Logo.bmp");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->getWidth(), 64u);
    EXPECT_EQ(logo->getFileName(), "media\\Logo.bmp");
    EXPECT_EQ(loadTexture("C:/MEDIA/logo.BMP"), logo);
    EXPECT_EQ(loadTexture("media\\missing.bmp"), nullptr);
    EXPECT_FALSE(isCubeTexture("media\\Logo.bmp"));

    // With the cache off the same object reads the file again.
    g_textureManager->enableCache(false);
    files.write("media/Logo.bmp", bmpImage(16, 8));
    EXPECT_EQ(loadTexture("media\\Logo.bmp"), logo);
    EXPECT_EQ(logo->getWidth(), 16u);
    g_textureManager->enableCache(true);

    SmartRef<ITextureData> data = loadTextureData("media\\Logo.bmp");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->getWidth(), 16u);
    EXPECT_EQ(data->getHeight(), 8u);
    EXPECT_EQ(data->getPixel(0, 0), 0xFF3C0055u) << "pixel (15, 0) of the image";
    EXPECT_EQ(data->getPixel(15, 2), 0xFF001055u) << "pixel (0, 2) of the image";
    EXPECT_EQ(loadTextureData("media\\missing.bmp"), nullptr);

    // Loaded into the default pool with parameters, it comes back with them after a reset.
    files.write("media/Target.bmp", bmpImage(32, 32));
    const TextureCreateParams params{1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT};
    ITexture* target = loadTexture("media\\Target.bmp", &params);
    ASSERT_NE(target, nullptr);
    loseAndRecover();
    ASSERT_NE(target->getD3DTexture(), nullptr);
    const D3DSURFACE_DESC& desc = static_cast<Texture*>(target)->getDesc();
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(static_cast<Texture*>(target)->getLevelCount(), 1u);
}

namespace {

// A DDS file of 4 × 4 texels: six A8R8G8B8 faces, or one R32F level.
std::string ddsImage(bool cube)
{
    std::string out = "DDS ";
    auto put = [&out](uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(char(value >> (8 * i)));
        }
    };
    put(124);
    put(0x1007 | 0x8); // caps, height, width, pixel format, pitch
    put(4);
    put(4);
    put(16);
    put(0);
    put(1);
    for (int i = 0; i < 11; ++i) {
        put(0);
    }
    put(32);
    if (cube) {
        put(0x41); // RGB with alpha
        put(0);
        put(32);
        for (uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}) {
            put(mask);
        }
    } else {
        put(0x4); // a format code
        put(D3DFMT_R32F);
        for (int i = 0; i < 5; ++i) {
            put(0);
        }
    }
    put(0x1000 | (cube ? 0x8 : 0));
    put(cube ? 0xFE00 : 0); // every face
    put(0);
    put(0);
    put(0);
    out.append(size_t(cube ? 6 : 1) * 16 * 4, char(0x7F));
    return out;
}

} // namespace

TEST_F(TextureObjectTest, DdsFilesKeepTheirOwnShape)
{
    ScratchFiles files;
    files.write("Sky.dds", ddsImage(true));
    files.write("Depth.dds", ddsImage(false));
    EXPECT_TRUE(isCubeTexture("Sky.dds"));
    EXPECT_FALSE(isCubeTexture("Depth.dds"));
    EXPECT_FALSE(isCubeTexture("missing.dds"));
    ITexture* sky = loadCubeTexture("Sky.dds");
    ASSERT_NE(sky, nullptr);
    EXPECT_EQ(sky->getWidth(), 4u);
    EXPECT_EQ(loadCubeTexture("SKY.dds"), sky);
    ITexture* flat = loadTexture("sky.DDS");
    ASSERT_NE(flat, nullptr);
    EXPECT_NE(flat, sky) << "type and path together are the key";
    EXPECT_EQ(flat->getTextureType(), TextureType_2D);
    ITexture* depth = loadTexture("Depth.dds");
    ASSERT_NE(depth, nullptr);
    const D3DSURFACE_DESC& desc = static_cast<Texture*>(depth)->getDesc();
    EXPECT_EQ(desc.Format, D3DFMT_R32F);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT) << "float images go to the default pool";
    loseAndRecover();
    EXPECT_NE(depth->getD3DTexture(), nullptr) << "read again from its file";
    EXPECT_EQ(static_cast<Texture*>(depth)->getDesc().Format, D3DFMT_R32F);
}
