#include "device_fixture.h"

namespace {

uint32_t firstTexel(IDirect3DTexture9* texture) {
    D3DLOCKED_RECT locked;
    if (texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0xDEADBEEF;
    uint32_t value = *static_cast<uint32_t*>(locked.pBits);
    texture->UnlockRect(0);
    return value;
}

}  // namespace

// The owner's cycle: release default-pool objects on loss, reset, make them again; managed ones stay.
TEST_F(DeviceTest, TexturesGoThroughALossCycleAsTheirPoolsSay) {
    d3dsimSetStrictReset(true);
    IDirect3DTexture9 *target = nullptr, *managed = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                  nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    keep(managed);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(managed->LockRect(0, &locked, nullptr, 0), D3D_OK);
    *static_cast<uint32_t*>(locked.pBits) = 0x80C0FFEE;
    managed->UnlockRect(0);
    EXPECT_EQ(d3dsimDefaultPoolObjects(device), 2u);  // levels and faces count with their texture

    d3dsimLoseDevice(device, 1);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);  // default-pool textures still live
    target->Release();
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    cube->Release();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);

    ASSERT_EQ(device->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                  nullptr),
        D3D_OK);
    keep(target);
    D3DSURFACE_DESC desc;
    target->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(firstTexel(managed), 0x80C0FFEEu);
}

// Where a reset is let through with default-pool objects alive, their pixels are gone.
TEST_F(DeviceTest, ALenientResetClearsDefaultPoolPixelsAndKeepsTheOthers) {
    IDirect3DTexture9 *target = nullptr, *managed = nullptr, *system = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system, nullptr), D3D_OK);
    IDirect3DSurface9* plain = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &plain, nullptr), D3D_OK);
    keep(target), keep(managed), keep(system), keep(plain);
    IDirect3DSurface9* level = nullptr;
    target->GetSurfaceLevel(0, &level);
    device->ColorFill(level, nullptr, 0xFF112233);
    level->Release();
    device->ColorFill(plain, nullptr, 0xFF445566);
    for (IDirect3DTexture9* t : {managed, system}) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
        *static_cast<uint32_t*>(locked.pBits) = 0xFF778899;
        t->UnlockRect(0);
    }
    ASSERT_EQ(firstTexel(target), 0xFF112233u);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(firstTexel(target), 0u);
    EXPECT_EQ(readPixels(plain)[0], 0u);
    EXPECT_EQ(firstTexel(managed), 0xFF778899u);
    EXPECT_EQ(firstTexel(system), 0xFF778899u);
}

TEST_F(DeviceTest, LockedSubRectanglesWriteOnlyThemselves) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    keep(texture);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 12);
    for (int y = 0; y < 4; ++y) std::memset(static_cast<uint8_t*>(locked.pBits) + std::ptrdiff_t{y} * locked.Pitch, 0x11, 12);
    texture->UnlockRect(0);
    RECT inner{1, 2, 3, 3};
    ASSERT_EQ(texture->LockRect(0, &locked, &inner, 0), D3D_OK);
    std::memset(locked.pBits, 0x77, 6);  // the two texels of the rectangle
    texture->UnlockRect(0);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    int changed = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 12; ++x) {
            const uint8_t b = static_cast<uint8_t*>(locked.pBits)[y * locked.Pitch + x];
            const bool inside = y == 2 && x >= 3 && x < 9;
            EXPECT_EQ(b, inside ? 0x77 : 0x11) << x << "," << y;
            changed += b == 0x77;
        }
    texture->UnlockRect(0);
    EXPECT_EQ(changed, 6);
}

TEST_F(DeviceTest, BlockSurfacesUpdateInWholeBlocks) {
    IDirect3DTexture9 *source = nullptr, *dest = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT5, D3DPOOL_SYSTEMMEM, &source, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT5, D3DPOOL_DEFAULT, &dest, nullptr), D3D_OK);
    keep(source), keep(dest);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(source->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32);
    for (int i = 0; i < 64; ++i) static_cast<uint8_t*>(locked.pBits)[i] = uint8_t(i);
    source->UnlockRect(0);
    IDirect3DSurface9 *from = nullptr, *to = nullptr;
    source->GetSurfaceLevel(0, &from);
    dest->GetSurfaceLevel(0, &to);
    keep(from), keep(to);
    RECT block{4, 4, 8, 8}, part{0, 0, 2, 4};
    const POINT origin{0, 0};
    ASSERT_EQ(device->UpdateSurface(from, &block, to, &origin), D3D_OK);
    EXPECT_EQ(device->UpdateSurface(from, &part, to, &origin), D3DERR_INVALIDCALL);
    ASSERT_EQ(dest->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    // The source's last block (bytes 48..63) is now the destination's first.
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits)[0], 48);
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits)[15], 63);
    dest->UnlockRect(0);
}
