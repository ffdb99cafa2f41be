#include "sampling_fixture.h"

class CubeVolumeTest : public SamplingTest {};

namespace {

const uint32_t kFaceColours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

Rgba rgbaOf(uint32_t c) {
    return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
        float(c >> 24) / 255.0f};
}

}  // namespace

// Faces are picked by the major axis; within a face, rows run top-down as Direct3D lays them out.
TEST_F(CubeVolumeTest, CubeFacesSampleByDirectionWithDirect3DsFaceOrientation) {
    IDirect3DSurface9* target = useFloatTarget(1, 1);
    pointSampling(1, D3DTEXF_NONE);
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    keep(cube);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    for (DWORD face = 0; face < 6; ++face) {
        auto texels = solid(4, kFaceColours[face]);
        if (face == D3DCUBEMAP_FACE_POSITIVE_X) texels[1] = 0xFF808080;  // top right
        fill(cube, texels.data(), 8, 2, D3DCUBEMAP_FACES(face), 0u);
    }
    device->SetTexture(1, cube);
    setConstants(0, 1, 0);
    const float directions[6][3] = {{1, 0.1f, 0.2f}, {-1, 0.1f, 0.2f}, {0.1f, 1, 0.2f}, {0.1f, -1, 0.2f},
        {0.1f, 0.2f, 1}, {0.1f, 0.2f, -1}};
    for (int face = 0; face < 6; ++face) {
        const float c1[4] = {directions[face][0], directions[face][1], directions[face][2], 0};
        device->SetPixelShaderConstantF(1, c1, 1);
        drawAll();
        expectNear(readFloats(target)[0], rgbaOf(kFaceColours[face]), 0.01f, "face " + std::to_string(face));
    }
    // +X: s grows with -z, t with -y, so (1, 0.5, -0.5) is the face's top right texel.
    const float topRight[4] = {1, 0.5f, -0.5f, 0};
    device->SetPixelShaderConstantF(1, topRight, 1);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(0xFF808080), 0.01f, "+X top right");
}

TEST_F(CubeVolumeTest, RenderingIntoACubeFaceReachesThatFace) {
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube, nullptr),
        D3D_OK);
    keep(cube);
    IDirect3DSurface9* face = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Y, 0, &face), D3D_OK);
    keep(face);
    const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    IUnknown* container = nullptr;
    ASSERT_EQ(face->GetContainer(unknown, reinterpret_cast<void**>(&container)), D3D_OK);
    EXPECT_EQ(container, static_cast<IUnknown*>(cube));
    container->Release();
    useScreenPipeline(4, 4);
    ASSERT_EQ(device->SetRenderTarget(0, face), D3D_OK);
    device->SetDepthStencilSurface(nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 4, 4, 0xFF20C040);

    IDirect3DSurface9* target = useFloatTarget(1, 1);
    pointSampling(1, D3DTEXF_NONE);
    device->SetTexture(1, cube);
    setConstants(0, 1, 0);
    const float down[4] = {0, -1, 0, 0}, up[4] = {0, 1, 0, 0};
    device->SetPixelShaderConstantF(1, down, 1);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(0xFF20C040), 0.01f, "-Y");
    device->SetPixelShaderConstantF(1, up, 1);
    drawAll();
    expectNear(readFloats(target)[0], Rgba{0, 0, 0, 0}, 0.01f, "+Y untouched");
    IDirect3DSurface9* none = nullptr;
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(6), 0, &none), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_X, 1, &none), D3DERR_INVALIDCALL);
}

TEST_F(CubeVolumeTest, VolumeLocksBoxesWithRowAndSlicePitches) {
    IDirect3DSurface9* target = useFloatTarget(2, 2);
    pointSampling(2, D3DTEXF_NONE);
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr), D3D_OK);
    keep(volume);
    EXPECT_EQ(volume->GetLevelCount(), 3u);
    D3DVOLUME_DESC desc;
    ASSERT_EQ(volume->GetLevelDesc(1, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Depth, 2u);
    D3DLOCKED_BOX box;
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    EXPECT_EQ(box.RowPitch, 8);
    EXPECT_EQ(box.SlicePitch, 16);
    for (int z = 0; z < 4; ++z)
        for (int i = 0; i < 4; ++i) static_cast<uint32_t*>(box.pBits)[z * 4 + i] = kFaceColours[z];
    ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
    // A box of one texel in slice 2.
    const D3DBOX one{1, 1, 2, 2, 2, 3};
    ASSERT_EQ(volume->LockBox(0, &box, &one, 0), D3D_OK);
    *static_cast<uint32_t*>(box.pBits) = 0xFFFFFFFF;
    ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
    const D3DBOX outside{0, 0, 2, 2, 3, 5};
    EXPECT_EQ(volume->LockBox(0, &box, &outside, 0), D3DERR_INVALIDCALL);

    device->SetTexture(2, volume);
    for (int z = 0; z < 4; ++z) {
        setConstants(0, 2, (float(z) + 0.5f) / 4.0f);
        drawAll();
        auto pixels = readFloats(target);
        expectNear(pixels[0], rgbaOf(kFaceColours[z]), 0.01f, "slice " + std::to_string(z));
        expectNear(pixels[3], rgbaOf(z == 2 ? 0xFFFFFFFF : kFaceColours[z]), 0.01f, "boxed texel");
    }
    IDirect3DVolumeTexture9* refused = nullptr;
    EXPECT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &refused,
                  nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &refused, nullptr),
        D3DERR_NOTAVAILABLE);
}

TEST_F(CubeVolumeTest, AFullMipChainSamplesTheChosenLevel) {
    IDirect3DSurface9* target = useFloatTarget(1, 1);
    pointSampling(0);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    keep(texture);
    ASSERT_EQ(texture->GetLevelCount(), 4u);  // 8x4, 4x2, 2x1, 1x1
    for (UINT level = 0; level < 4; ++level) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(level, &desc);
        auto texels = solid(desc.Width * desc.Height, kFaceColours[level]);
        fill(texture, texels.data(), desc.Width * 4, desc.Height, level);
    }
    device->SetTexture(0, texture);
    for (UINT level = 0; level < 4; ++level) {
        setConstants(float(level), 0, 0);
        drawAll();
        expectNear(readFloats(target)[0], rgbaOf(kFaceColours[level]), 0.01f, "level " + std::to_string(level));
    }
    // The sampler's largest mip level bounds the chain from the top.
    device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 2);
    setConstants(0, 0, 0);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(kFaceColours[2]), 0.01f, "MAXMIPLEVEL 2");
}

TEST_F(CubeVolumeTest, AutomaticMipmapsFollowLocksAndDraws) {
    IDirect3DTexture9 *locked = nullptr, *drawn = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &locked, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateTexture(8, 8, 0, D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                  D3DPOOL_DEFAULT, &drawn, nullptr),
        D3D_OK);
    keep(locked), keep(drawn);
    EXPECT_EQ(locked->GetLevelCount(), 1u);
    EXPECT_EQ(locked->SetAutoGenFilterType(D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(locked->SetAutoGenFilterType(D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(locked->GetAutoGenFilterType(), D3DTEXF_POINT);
    auto texels = solid(64, 0xFF00FF00);
    fill(locked, texels.data(), 32, 8, 0u);

    useScreenPipeline(8, 8);
    IDirect3DSurface9* level0 = nullptr;
    ASSERT_EQ(drawn->GetSurfaceLevel(0, &level0), D3D_OK);
    keep(level0);
    device->SetRenderTarget(0, level0);
    device->SetDepthStencilSurface(nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(0, 0, 8, 8, 0xFF0000FF);

    IDirect3DSurface9* target = useFloatTarget(1, 1);
    pointSampling(0);
    setConstants(3, 0, 0);  // the 1 x 1 level
    device->SetTexture(0, locked);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(0xFF00FF00), 0.01f, "after a lock");
    device->SetTexture(0, drawn);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(0xFF0000FF), 0.01f, "after a draw");

    device->SetRenderTarget(0, level0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    target = useFloatTarget(1, 1);
    setConstants(3, 0, 0);
    drawAll();
    expectNear(readFloats(target)[0], rgbaOf(0xFFFF0000), 0.01f, "after a clear");
}

TEST_F(CubeVolumeTest, UpdateTextureCopiesEveryKindLevelByLevel) {
    IDirect3DCubeTexture9 *source = nullptr, *dest = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &source, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &dest, nullptr), D3D_OK);
    keep(source), keep(dest);
    for (DWORD face = 0; face < 6; ++face) {
        auto big = solid(16, 0xFF000000), small = solid(4, kFaceColours[face]), tiny = solid(1, 0xFF123456);
        fill(source, big.data(), 16, 4, D3DCUBEMAP_FACES(face), 0u);
        fill(source, small.data(), 8, 2, D3DCUBEMAP_FACES(face), 1u);
        fill(source, tiny.data(), 4, 1, D3DCUBEMAP_FACES(face), 2u);
    }
    // The destination's 2 x 2 top level takes the source's level 1.
    ASSERT_EQ(device->UpdateTexture(source, dest), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(dest->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[3], kFaceColours[4]);
    dest->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0);
    ASSERT_EQ(dest->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[0], 0xFF123456u);
    dest->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 1);
    EXPECT_EQ(device->UpdateTexture(dest, source), D3DERR_INVALIDCALL);  // no 4 x 4 level to fill from

    IDirect3DVolumeTexture9 *volumeSource = nullptr, *volumeDest = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &volumeSource, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &volumeDest, nullptr), D3D_OK);
    keep(volumeSource), keep(volumeDest);
    D3DLOCKED_BOX box;
    ASSERT_EQ(volumeSource->LockBox(0, &box, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(box.pBits)[7] = 0xFFABCDEF;
    volumeSource->UnlockBox(0);
    ASSERT_EQ(device->UpdateTexture(volumeSource, volumeDest), D3D_OK);
    ASSERT_EQ(volumeDest->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(box.pBits)[7], 0xFFABCDEFu);
    volumeDest->UnlockBox(0);
    EXPECT_EQ(device->UpdateTexture(source, volumeDest), D3DERR_INVALIDCALL);
}
