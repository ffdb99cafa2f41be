#include "sampling_fixture.h"

namespace {

struct FormatCase {
    const char* name;
    D3DFORMAT format;
    std::vector<uint8_t> texel;     // one texel as locked memory holds it
    Rgba sampled;                   // what a shader reads
    std::vector<uint8_t> readBack;  // what a lock reads back, when not the texel itself
};

float unorm(int value, int max) { return float(value) / float(max); }

std::vector<uint8_t> bytesOf(std::initializer_list<uint32_t> words, size_t size) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words)
        for (size_t i = 0; i < size; ++i) bytes.push_back(uint8_t(w >> (8 * i)));
    return bytes;
}

std::vector<uint8_t> floatsOf(std::initializer_list<float> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

const std::vector<FormatCase>& formatCases() {
    static const std::vector<FormatCase> cases = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, {0x10, 0x20, 0x30, 0x40},
            {unorm(0x30, 255), unorm(0x20, 255), unorm(0x10, 255), unorm(0x40, 255)}, {}},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, {0x10, 0x20, 0x30, 0x40}, {unorm(0x30, 255), unorm(0x20, 255), unorm(0x10, 255), 1},
            {0x10, 0x20, 0x30, 0xFF}},
        {"A8B8G8R8", D3DFMT_A8B8G8R8, {0x10, 0x20, 0x30, 0x40},
            {unorm(0x10, 255), unorm(0x20, 255), unorm(0x30, 255), unorm(0x40, 255)}, {}},
        {"R8G8B8", D3DFMT_R8G8B8, {0x10, 0x20, 0x30}, {unorm(0x30, 255), unorm(0x20, 255), unorm(0x10, 255), 1}, {}},
        {"R5G6B5", D3DFMT_R5G6B5, bytesOf({0xF81F}, 2), {1, 0, 1, 1}, {}},
        {"X1R5G5B5", D3DFMT_X1R5G5B5, bytesOf({0x7C00}, 2), {1, 0, 0, 1}, bytesOf({0xFC00}, 2)},
        {"A1R5G5B5", D3DFMT_A1R5G5B5, bytesOf({0x001F}, 2), {0, 0, 1, 0}, {}},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, bytesOf({0x8F04}, 2), {1, 0, unorm(4, 15), unorm(8, 15)}, {}},
        {"A8", D3DFMT_A8, {0x80}, {0, 0, 0, unorm(0x80, 255)}, {}},
        {"L8", D3DFMT_L8, {0x40}, {unorm(0x40, 255), unorm(0x40, 255), unorm(0x40, 255), 1}, {}},
        {"A8L8", D3DFMT_A8L8, {0x40, 0x80}, {unorm(0x40, 255), unorm(0x40, 255), unorm(0x40, 255), unorm(0x80, 255)}, {}},
        {"L16", D3DFMT_L16, bytesOf({0x8000}, 2), {unorm(0x8000, 65535), unorm(0x8000, 65535), unorm(0x8000, 65535), 1}, {}},
        {"A2R10G10B10", D3DFMT_A2R10G10B10, bytesOf({(2u << 30) | (1023u << 20) | 512u}, 4),
            {1, 0, unorm(512, 1023), unorm(2, 3)}, {}},
        {"A2B10G10R10", D3DFMT_A2B10G10R10, bytesOf({(1u << 30) | (512u << 20) | 1023u}, 4),
            {1, 0, unorm(512, 1023), unorm(1, 3)}, {}},
        {"G16R16", D3DFMT_G16R16, bytesOf({0xFFFF, 0x8000}, 2), {1, unorm(0x8000, 65535), 1, 1}, {}},
        {"A16B16G16R16", D3DFMT_A16B16G16R16, bytesOf({0xFFFF, 0, 0x8000, 0x4000}, 2),
            {1, 0, unorm(0x8000, 65535), unorm(0x4000, 65535)}, {}},
        {"R16F", D3DFMT_R16F, bytesOf({0x4000}, 2), {2, 1, 1, 1}, {}},
        {"G16R16F", D3DFMT_G16R16F, bytesOf({0x3C00, 0xC000}, 2), {1, -2, 1, 1}, {}},
        {"A16B16G16R16F", D3DFMT_A16B16G16R16F, bytesOf({0x3800, 0x3400, 0x4200, 0x3C00}, 2), {0.5f, 0.25f, 3, 1}, {}},
        {"R32F", D3DFMT_R32F, floatsOf({5.5f}), {5.5f, 1, 1, 1}, {}},
        {"G32R32F", D3DFMT_G32R32F, floatsOf({1.5f, -3}), {1.5f, -3, 1, 1}, {}},
        {"A32B32G32R32F", D3DFMT_A32B32G32R32F, floatsOf({1, 2, 3, 4}), {1, 2, 3, 4}, {}},
    };
    return cases;
}

}  // namespace

class FormatTest : public SamplingTest {};

// Each format uploads through a lock, reads back in Direct3D's byte order, and samples with
// Direct3D's channel defaults (L8 as L,L,L,1; A8 as 0,0,0,A; missing float channels as 1).
TEST_F(FormatTest, EveryFormatUploadsReadsBackAndSamplesAsDirect3DDoes) {
    IDirect3DSurface9* target = useFloatTarget(2, 2);
    pointSampling(0);
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        keep(texture);
        const UINT size = UINT(c.texel.size());
        std::vector<uint8_t> rows;
        for (int i = 0; i < 4; ++i) rows.insert(rows.end(), c.texel.begin(), c.texel.end());
        fill(texture, rows.data(), size * 2, 2, 0u);

        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(locked.Pitch, INT(size * 2));
        const std::vector<uint8_t>& want = c.readBack.empty() ? c.texel : c.readBack;
        const uint8_t* last = static_cast<uint8_t*>(locked.pBits) + locked.Pitch + size;
        EXPECT_EQ(std::vector<uint8_t>(last, last + size), want);
        texture->UnlockRect(0);

        device->SetTexture(0, texture);
        drawAll();
        expectNear(readFloats(target)[3], c.sampled, 0.002f, c.name);
    }
}

TEST_F(FormatTest, FormatsTheLayerCannotUseAreRefusedCleanly) {
    const D3DFORMAT refused[] = {D3DFMT_UYVY, D3DFMT_YUY2, D3DFMT_R8G8_B8G8, D3DFMT_G8R8_G8B8, D3DFMT_MULTI2_ARGB8,
        D3DFMT_P8, D3DFMT_A4L4, D3DFMT_V8U8, D3DFMT_CxV8U8, D3DFMT_UNKNOWN};
    for (D3DFORMAT format : refused) {
        IDirect3DTexture9* texture = nullptr;
        IDirect3DCubeTexture9* cube = nullptr;
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3DERR_NOTAVAILABLE);
        EXPECT_EQ(device->CreateCubeTexture(4, 1, 0, format, D3DPOOL_MANAGED, &cube, nullptr), D3DERR_NOTAVAILABLE);
        EXPECT_EQ(device->CreateOffscreenPlainSurface(4, 4, format, D3DPOOL_SYSTEMMEM, &surface, nullptr),
            D3DERR_NOTAVAILABLE);
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, format),
            D3DERR_NOTAVAILABLE);
        EXPECT_TRUE(texture == nullptr && cube == nullptr && surface == nullptr);
    }
    IDirect3DTexture9* texture = nullptr;
    // Block formats and float formats have their limits as targets and mipmap sources.
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT, &texture, nullptr),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device->CreateTexture(4, 4, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_DXT5, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D24S8, D3DPOOL_DEFAULT, &texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    const struct {
        D3DRESOURCETYPE type;
        DWORD usage;
        D3DFORMAT format;
        HRESULT answer;
    } checks[] = {
        {D3DRTYPE_TEXTURE, 0, D3DFMT_DXT1, D3D_OK},
        {D3DRTYPE_TEXTURE, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_DXT1, D3DOK_NOAUTOGEN},
        {D3DRTYPE_TEXTURE, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3D_OK},
        {D3DRTYPE_TEXTURE, D3DUSAGE_RENDERTARGET, D3DFMT_L8, D3DERR_NOTAVAILABLE},
        {D3DRTYPE_VOLUMETEXTURE, 0, D3DFMT_DXT5, D3DERR_NOTAVAILABLE},
        {D3DRTYPE_VOLUMETEXTURE, 0, D3DFMT_L8, D3D_OK},
        {D3DRTYPE_CUBETEXTURE, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8, D3DERR_NOTAVAILABLE},
    };
    for (const auto& c : checks)
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, c.usage, c.type, c.format), c.answer)
            << "format " << c.format << ", usage " << c.usage;
}

namespace {

// A DXT colour block: colour 0 and 1 as R5G6B5, then 2-bit indices per texel, row 0 in the low byte.
void colourBlock(uint8_t* b, uint16_t c0, uint16_t c1, uint32_t indices) {
    b[0] = uint8_t(c0), b[1] = uint8_t(c0 >> 8), b[2] = uint8_t(c1), b[3] = uint8_t(c1 >> 8);
    for (int i = 0; i < 4; ++i) b[4 + i] = uint8_t(indices >> (8 * i));
}

}  // namespace

TEST_F(FormatTest, Dxt1BlocksDecodeInTheSamplerToKnownColours) {
    IDirect3DSurface9* target = useFloatTarget(8, 4);
    pointSampling(0);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    keep(texture);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);  // two blocks of 8 bytes
    auto* blocks = static_cast<uint8_t*>(locked.pBits);
    // Left block, four colours (c0 > c1): rows take indices 0, 1, 2, 3.
    colourBlock(blocks, 0xF800, 0x001F, 0xFFAA5500);
    // Right block, three colours and transparent black (c0 <= c1): rows take indices 0, 1, 2, 3.
    colourBlock(blocks + 8, 0x001F, 0xF800, 0xFFAA5500);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    device->SetTexture(0, texture);
    drawAll();
    auto pixels = readFloats(target);
    const float third = 1.0f / 3.0f;
    const Rgba left[4] = {{1, 0, 0, 1}, {0, 0, 1, 1}, {2 * third, 0, third, 1}, {third, 0, 2 * third, 1}};
    const Rgba right[4] = {{0, 0, 1, 1}, {1, 0, 0, 1}, {0.5f, 0, 0.5f, 1}, {0, 0, 0, 0}};
    for (UINT y = 0; y < 4; ++y) {
        expectNear(pixels[y * 8 + 1], left[y], 0.02f, "four-colour row " + std::to_string(y));
        expectNear(pixels[y * 8 + 6], right[y], 0.02f, "three-colour row " + std::to_string(y));
    }
    // Block formats lock whole blocks.
    RECT half{0, 0, 2, 4}, block{4, 0, 8, 4};
    EXPECT_EQ(texture->LockRect(0, &locked, &half, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->LockRect(0, &locked, &block, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits)[0], 0x1F);
    texture->UnlockRect(0);
}

TEST_F(FormatTest, Dxt3AndDxt5CarryTheirAlpha) {
    IDirect3DSurface9* target = useFloatTarget(4, 4);
    pointSampling(0);
    uint8_t dxt3[16], dxt5[16];
    // Explicit 4-bit alpha: 0x8 for every texel.
    std::memset(dxt3, 0x88, 8);
    colourBlock(dxt3 + 8, 0x07E0, 0x0000, 0);
    // Interpolated alpha: alpha 0 = 0x80, every index 0.
    std::memset(dxt5, 0, 8);
    dxt5[0] = 0x80, dxt5[1] = 0x00;
    colourBlock(dxt5 + 8, 0x07E0, 0x0000, 0);
    const struct {
        D3DFORMAT format;
        const uint8_t* block;
        float alpha;
    } cases[] = {{D3DFMT_DXT3, dxt3, 8.0f / 15.0f}, {D3DFMT_DXT5, dxt5, 128.0f / 255.0f}};
    for (const auto& c : cases) {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        keep(texture);
        fill(texture, c.block, 16, 1, 0u);
        device->SetTexture(0, texture);
        drawAll();
        expectNear(readFloats(target)[5], Rgba{0, 1, 0, c.alpha}, 0.02f, "block alpha");
    }
}
