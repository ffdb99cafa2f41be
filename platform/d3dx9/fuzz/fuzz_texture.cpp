// Image and DDS files made into textures on a headless device, with the creation parameters
// taken from the first four bytes: size, levels, format, filters and colour key. Errors are
// fine, crashes and leaks are not.
#include <HeadlessDevice.h>

#include <cstddef>
#include <cstdint>

#include "d3dx9tex.h"

namespace {

const D3DFORMAT kFormats[] = {D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_L8, D3DFMT_A8,
    D3DFMT_A16B16G16R16F, D3DFMT_R32F, D3DFMT_A32B32G32R32F, D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_R5G6B5,
    D3DFMT_A8L8, D3DFMT_G16R16, D3DFMT_A2R10G10B10, D3DFMT_A4R4G4B4, D3DFMT_X1R5G5B5};
const UINT kSizes[] = {D3DX_DEFAULT, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE, 0, 1, 3, 16, 33};
const DWORD kFilters[] = {D3DX_DEFAULT, D3DX_FILTER_NONE, D3DX_FILTER_POINT, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX,
    D3DX_FILTER_TRIANGLE, 0, 0x12345};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static IDirect3D9* d3d = nullptr;
    static IDirect3DDevice9* device = tormakelin::test::createHeadlessD3DDevice(&d3d);
    if (!device || size < 5) return 0;
    const UINT width = kSizes[data[0] & 7], height = kSizes[(data[0] >> 3) & 7];
    const UINT levels = (data[1] & 7) == 7 ? D3DX_FROM_FILE : (data[1] & 7) == 6 ? D3DX_DEFAULT : data[1] & 7;
    const DWORD usage = (data[1] & 8) ? D3DUSAGE_AUTOGENMIPMAP : 0;
    const D3DFORMAT format = kFormats[data[2] & 15];
    const DWORD filter = kFilters[data[3] & 7], mipFilter = kFilters[(data[3] >> 3) & 7];
    const D3DCOLOR colorKey = (data[2] & 16) ? 0xFF000000u | data[4] : 0;
    const uint8_t* file = data + 4;
    const UINT fileSize = UINT(size - 4);

    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, file, fileSize, width, height, levels, usage, format,
            D3DPOOL_MANAGED, filter, mipFilter, colorKey, &info, nullptr, &texture)))
        texture->Release();
    IDirect3DCubeTexture9* cube = nullptr;
    if (SUCCEEDED(D3DXCreateCubeTextureFromFileInMemoryEx(device, file, fileSize, width, levels, usage, format,
            D3DPOOL_MANAGED, filter, mipFilter, colorKey, nullptr, nullptr, &cube)))
        cube->Release();
    IDirect3DVolumeTexture9* volume = nullptr;
    if (SUCCEEDED(D3DXCreateVolumeTextureFromFileInMemoryEx(device, file, fileSize, width, height, D3DX_DEFAULT,
            levels, usage, format, D3DPOOL_MANAGED, filter, mipFilter, colorKey, nullptr, nullptr, &volume)))
        volume->Release();
    return 0;
}
