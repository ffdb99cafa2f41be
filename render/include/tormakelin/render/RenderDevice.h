#pragma once
// The one render device: the Direct3D device, its presentation, its managers and its frame.

#include <cstdint>

#include <d3d9.h>
#include <d3dx9math.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class IRenderWindow;
class IRenderView;
class IRenderTarget;
class IPostProcessor;
class RenderListener;
class StateManager;
class ShaderManager;
class TextureManager;

// DeviceCreateParams::vertexProcessing; any value but pure is plain hardware processing.
enum VertexProcessing : int32_t { VertexProcessing_Hardware = 0, VertexProcessing_PureDevice = 1 };

struct DeviceCreateParams {
    uint32_t adapter = 0;
    int32_t deviceType = D3DDEVTYPE_HAL;
    int32_t vertexProcessing = VertexProcessing_PureDevice;
    uint32_t width = 640;
    uint32_t height = 480;
    bool fullscreen = false;
    bool vsync = false;
    int32_t multiSampleType = D3DMULTISAMPLE_NONE;
    uint32_t multiSampleQuality = 0;
    uint32_t presentFlags = 0;
    // The reference rasteriser with software vertex processing.
    bool reference = false;
    // Back buffers in full screen; windowed always uses one.
    uint32_t backBufferCount = 3;
    // Full-screen refresh rate in Hz, 0 for the default.
    uint32_t refreshRate = 0;
    float gamma = 1.0f;
};

enum GpuVendor : int {
    GpuVendor_ATI = 0,
    GpuVendor_NVIDIA = 1,
    GpuVendor_Intel = 2,
    GpuVendor_SiS = 3,
    GpuVendor_Other = 4,
};

struct DeviceInfo {
    GpuVendor vendor = GpuVendor_Other;
    int shaderModel = 0;
};

struct RenderStatistics {
    int drawCalls = 0;
    int primitives = 0;
};

struct ShaderSettings {
    int shaderModel = 2;
    int shadowMapSize = 2048;
    int shadowMapPcf = 0;
};

// Flags of IRenderDevice::clear.
enum ClearFlags : uint32_t {
    Clear_Colour = 1,
    Clear_Stencil = 2,
    Clear_Depth = 4,
};

class TORMAKELIN_RENDER_API IRenderDevice {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool create(IRenderWindow* window, const DeviceCreateParams& params) = 0;
    virtual void destroy() = 0;
    // False: skip this frame (the device is lost and could not be recovered yet).
    virtual bool beginScene() = 0;
    virtual bool endScene() = 0;
    virtual HRESULT clear(uint32_t flags, const D3DXVECTOR4& colour, float z, int stencil) = 0;
    virtual bool resize(uint32_t width, uint32_t height) = 0;
    virtual bool setFullscreen(bool fullscreen) = 0;
    virtual bool present() = 0;
    virtual bool notifyLostDevice() = 0;
    virtual bool notifyResetDevice() = 0;
    virtual bool addListener(RenderListener* listener) = 0;
    virtual bool removeListener(RenderListener* listener) = 0;
    virtual HRESULT setRenderView(IRenderView* view) = 0;
    virtual IRenderView* getRenderView() = 0;
    virtual IRenderTarget* getBackBuffer() = 0;
    virtual IPostProcessor* getPostProcessor() = 0;
    virtual IDirect3D9* getDirect3D() = 0;
    virtual IDirect3DDevice9* getD3DDevice() = 0;
    // The live record: other code reads the back-buffer size and format here.
    virtual D3DPRESENT_PARAMETERS* getPresentParameters() = 0;
    virtual TextureManager* getTextureManager() = 0;
    virtual StateManager* getStateManager() = 0;
    virtual ShaderManager* getShaderManager() = 0;
    virtual HRESULT drawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) = 0;
    virtual HRESULT drawPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const void* data,
        uint32_t stride) = 0;
    virtual HRESULT drawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, uint32_t minIndex,
        uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount) = 0;
    virtual HRESULT drawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minVertexIndex, uint32_t numVertices,
        uint32_t primitiveCount, const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
        uint32_t stride) = 0;
    virtual DeviceInfo* getDeviceInfo() = 0;
    virtual RenderStatistics* getStatistics() = 0;
    virtual ShaderSettings* getShaderSettings() = 0;
    virtual void setShaderSettings(const ShaderSettings& settings) = 0;
    virtual void pushScissorRect(const RECT& rect) = 0;
    virtual void popScissorRect() = 0;
    virtual void applyScissorRect() = 0;
    virtual ~IRenderDevice() = default;
};

// A device with default settings and no Direct3D yet; sets g_renderDevice.
TORMAKELIN_RENDER_API IRenderDevice* createRenderDevice();

TORMAKELIN_RENDER_API extern IRenderDevice* g_renderDevice;
TORMAKELIN_RENDER_API extern IDirect3DDevice9* g_d3d;

} // namespace tormakelin::render
