#include "direct3d.h"

#include <algorithm>

#include "device.h"
#include "formats.h"

namespace d3d9gl {

bool isKnownDeviceType(D3DDEVTYPE type) {
    return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF || type == D3DDEVTYPE_NULLREF || type == D3DDEVTYPE_SW;
}

Direct3D::Direct3D() : adapters_(currentAdapters()) {}

UINT Direct3D::GetAdapterCount() { return UINT(adapters_.size()); }

HRESULT Direct3D::GetAdapterIdentifier(UINT index, DWORD, D3DADAPTER_IDENTIFIER9* identifier) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || !identifier) return D3DERR_INVALIDCALL;
    *identifier = a->identifier;
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT index, D3DFORMAT format) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || (format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8)) return 0;
    return UINT(a->modes.size());
}

HRESULT Direct3D::EnumAdapterModes(UINT index, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || !displayMode) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8) return D3DERR_NOTAVAILABLE;
    if (mode >= a->modes.size()) return D3DERR_INVALIDCALL;
    *displayMode = a->modes[mode];
    displayMode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT index, D3DDISPLAYMODE* displayMode) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || !displayMode) return D3DERR_INVALIDCALL;
    *displayMode = a->modes.empty() ? D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8} : a->modes.back();
    displayMode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT index, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT backBufferFormat, BOOL) {
    if (!adapter(index) || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    const FormatInfo* f = formatInfo(backBufferFormat);
    return f && f->renderable ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormat(UINT index, D3DDEVTYPE type, D3DFORMAT, DWORD usage, D3DRESOURCETYPE resourceType,
    D3DFORMAT checkFormat) {
    if (!adapter(index) || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    const FormatInfo* f = formatInfo(checkFormat);
    if (!f) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_RENDERTARGET) && !f->renderable) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_DEPTHSTENCIL) && !f->depth) return D3DERR_NOTAVAILABLE;
    // Volumes hold neither block nor depth formats and are never targets; cubes hold no depth.
    if (resourceType == D3DRTYPE_VOLUMETEXTURE &&
        (f->compressed || f->depth || (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))))
        return D3DERR_NOTAVAILABLE;
    if (resourceType == D3DRTYPE_CUBETEXTURE && f->depth) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_AUTOGENMIPMAP) && (f->compressed || f->depth)) return D3DOK_NOAUTOGEN;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT index, D3DDEVTYPE type, D3DFORMAT surfaceFormat, BOOL,
    D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    if (!formatInfo(surfaceFormat)) return D3DERR_NOTAVAILABLE;
    bool supported = multiSampleType == D3DMULTISAMPLE_NONE ||
                     std::find(a->multiSampleTypes.begin(), a->multiSampleTypes.end(), multiSampleType) !=
                         a->multiSampleTypes.end();
    if (qualityLevels) *qualityLevels = supported ? 1 : 0;
    return supported ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT index, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT renderTargetFormat,
    D3DFORMAT depthStencilFormat) {
    if (!adapter(index) || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    const FormatInfo* rt = formatInfo(renderTargetFormat);
    const FormatInfo* ds = formatInfo(depthStencilFormat);
    return rt && ds && rt->renderable && ds->depth ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::GetDeviceCaps(UINT index, D3DDEVTYPE type, D3DCAPS9* caps) {
    const D3DSimAdapter* a = adapter(index);
    if (!a || !caps || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    *caps = a->caps;
    caps->DeviceType = type;
    caps->AdapterOrdinal = index;
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT index) {
    if (!adapter(index)) return nullptr;
    return reinterpret_cast<HMONITOR>(uintptr_t(index) + 1);
}

HRESULT Direct3D::CreateDevice(UINT index, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
    D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (!adapter(index) || !presentationParameters || !isKnownDeviceType(type)) return D3DERR_INVALIDCALL;
    if (simSettings().failCreateDevice) return D3DERR_NOTAVAILABLE;
    D3DDEVICE_CREATION_PARAMETERS creation{index, type, focusWindow, behaviorFlags};
    D3DCAPS9 caps;
    GetDeviceCaps(index, type, &caps);
    return Device::create(this, creation, caps, *presentationParameters, device);
}

}  // namespace d3d9gl

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || d3d9gl::simSettings().failDirect3DCreate) return nullptr;
    return new d3d9gl::Direct3D();
}
