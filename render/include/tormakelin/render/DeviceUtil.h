#pragma once
// Helpers around a Direct3D device: adapters, display modes, aspect ratios, letterboxing,
// gamma ramps, the shader model, names of formats and multisample types, camera-facing ribbons.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include <d3d9.h>
#include <d3dx9math.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

struct DeviceDesc {
    uint32_t adapter = 0;
    D3DADAPTER_IDENTIFIER9 identifier{};
    HMONITOR monitor = nullptr;
};

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;
};

enum AspectRatio : int {
    AspectRatio_4x3 = 0,
    AspectRatio_16x9 = 1,
    AspectRatio_16x10 = 2,
    AspectRatio_Other = 3,
};

// Appends one record per adapter; false when no Direct3D object can be made.
TORMAKELIN_RENDER_API bool enumDevices(std::list<DeviceDesc>& devices);
// Appends every X8R8G8B8 mode of adapter 0.
TORMAKELIN_RENDER_API void getDisplayModes(std::vector<DisplayMode>& modes);
TORMAKELIN_RENDER_API AspectRatio getAspectRatio(const DisplayMode& mode);
// The largest rectangle of the document's aspect inside the back buffer, for the caller to
// centre. False (outputs = the whole back buffer) when the document is portrait or a size is 0.
TORMAKELIN_RENDER_API bool getNearestViewport(uint32_t backWidth, uint32_t backHeight, uint32_t docWidth,
    uint32_t docHeight, uint32_t& width, uint32_t& height);
// Fills 256 entries.
TORMAKELIN_RENDER_API void calculateGammaRamp(float gamma, uint16_t* ramp);
// The pixel shader version word; with a null direct3D a temporary object is used (0 without one).
TORMAKELIN_RENDER_API int getShaderModel(IDirect3D9* direct3D, uint32_t adapter, D3DDEVTYPE deviceType);
TORMAKELIN_RENDER_API bool isFloatingPointFormat(D3DFORMAT format);
TORMAKELIN_RENDER_API std::string formatToString(D3DFORMAT format);
TORMAKELIN_RENDER_API std::string multiSampleToString(D3DMULTISAMPLE_TYPE type);
// Four ribbon vertices from start to end facing the camera: positions (float3) and, when
// texCoords is given, texture coordinates (float2), `stride` bytes apart.
TORMAKELIN_RENDER_API void computeScreenCoord(const D3DXMATRIX& inverseView, const D3DXMATRIX& view,
    const D3DXMATRIX& projection, void* positions, void* texCoords, uint32_t stride, const D3DXVECTOR3& start,
    const D3DXVECTOR3& end, float width, bool perspective);

} // namespace tormakelin::render
