#include <tormakelin/render/DeviceUtil.h>

namespace tormakelin::render {

bool enumDevices(std::list<DeviceDesc>& devices)
{
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        return false;
    }
    const UINT count = direct3D->GetAdapterCount();
    for (UINT i = 0; i < count; ++i) {
        DeviceDesc desc;
        desc.adapter = i;
        direct3D->GetAdapterIdentifier(i, 0, &desc.identifier);
        desc.monitor = direct3D->GetAdapterMonitor(i);
        devices.push_back(desc);
    }
    direct3D->Release();
    return true;
}

void getDisplayModes(std::vector<DisplayMode>& modes)
{
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        return;
    }
    const UINT count = direct3D->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (SUCCEEDED(direct3D->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode))) {
            modes.push_back({mode.Width, mode.Height, mode.RefreshRate});
        }
    }
    direct3D->Release();
}

int getShaderModel(IDirect3D9* direct3D, uint32_t adapter, D3DDEVTYPE deviceType)
{
    IDirect3D9* temporary = nullptr;
    if (direct3D == nullptr) {
        temporary = direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3D == nullptr) {
            return 0;
        }
    }
    D3DCAPS9 caps{};
    const bool ok = SUCCEEDED(direct3D->GetDeviceCaps(adapter, deviceType, &caps));
    if (temporary != nullptr) {
        temporary->Release();
    }
    return ok ? static_cast<int>(caps.PixelShaderVersion) : 0;
}

} // namespace tormakelin::render
