#pragma once
// The Direct3D 9 device over one GL context. Every target, the back buffer included, is a GL
// texture drawn through our own framebuffer with an upper-left origin and 0..1 depth.

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "buffers.h"
#include "com_object.h"
#include "d3d9gl.h"
#include "fullscreen.h"
#include "gl_context.h"
#include "gl_state.h"
#include "objects.h"
#include "surfaces.h"

namespace d3d9gl {

class Direct3D;
class SwapChain;

constexpr UINT kStreams = 16;
constexpr UINT kRenderTargets = 4;
constexpr UINT kPixelSamplers = 16;
constexpr UINT kSamplerUnits = kPixelSamplers + 4;
static_assert(GLState::kSamplerSlots == kSamplerUnits);
constexpr UINT kTextureStages = 8;
constexpr UINT kIntRegisters = 16;
constexpr UINT kBoolRegisters = 16;

// What must reach GL before the next draw.
enum Dirty : uint32_t {
    kDirtyBlend = 1u << 0,
    kDirtyDepth = 1u << 1,
    kDirtyStencil = 1u << 2,
    kDirtyRaster = 1u << 3,
    kDirtyColorMask = 1u << 4,
    kDirtyScissor = 1u << 5,
    kDirtyViewport = 1u << 6,
    kDirtyAlphaTest = 1u << 7,
    kDirtyFramebuffer = 1u << 8,
    kDirtyVertexInput = 1u << 9,
    kDirtyPipeline = 1u << 10,
    kDirtyAll = 0xFFFFFFFFu,
};

struct StreamSlot {
    VertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
    UINT frequency = 1;
};

// Constant registers of one stage: the raw words go to a std140 block.
struct ConstantFile {
    explicit ConstantFile(UINT registers)
        : floats(size_t(registers) * 4, 0.0f), sent(size_t(registers) * 4, 0), count(registers) {}
    std::vector<float> floats;
    std::vector<uint32_t> sent;  // the words the GL block holds, once sentKnown
    bool sentKnown = false;
    UINT count;
    std::array<int, kIntRegisters * 4> ints{};
    std::array<BOOL, kBoolRegisters> bools{};
    UINT dirtyBegin = 0, dirtyEnd = 0;  // registers
    void markDirty(UINT begin, UINT end);
};

enum class LossState { Operational, Lost, NotReset };

class Device final : public ComObject<IDirect3DDevice9> {
public:
    static HRESULT create(Direct3D* direct3D, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DCAPS9& caps,
        D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device);
    ~Device() override;

    // Frame, presentation and loss (device_frame.cpp).
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override { return textureMemory_; }
    HRESULT EvictManagedResources() override { return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D9** direct3D) override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain9** swapChain) override;
    HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) override;
    UINT GetNumberOfSwapChains() override { return 1; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
        const void* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
        IDirect3DSurface9** backBufferSurface) override;
    HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override;
    void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override;
    void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;

    // Resources (device_resources.cpp).
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
        IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
    HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
        D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE* sharedHandle) override;
    HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
        IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
        IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
        IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
    HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
        DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
        DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
    HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
        IDirect3DSurface9* destinationSurface, const POINT* destPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface,
        const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override;
    HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
        IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
        IDirect3DVertexDeclaration9** decl) override;
    HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
    HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;
    HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;
    HRESULT createGLSLShader(GLenum stage, const char* glsl, IUnknown** shader, std::string* errors);

    // States (device_state.cpp).
    HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override;
    HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetScissorRect(const RECT* rect) override;
    HRESULT GetScissorRect(RECT* rect) override;
    HRESULT SetNPatchMode(float segments) override;
    float GetNPatchMode() override { return nPatchSegments_; }
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT GetVertexShaderConstantF(UINT start, float* data, UINT count) override;
    HRESULT SetVertexShaderConstantI(UINT start, const int* data, UINT count) override;
    HRESULT GetVertexShaderConstantI(UINT start, int* data, UINT count) override;
    HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) override;
    HRESULT GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) override;
    HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT GetPixelShaderConstantF(UINT start, float* data, UINT count) override;
    HRESULT SetPixelShaderConstantI(UINT start, const int* data, UINT count) override;
    HRESULT GetPixelShaderConstantI(UINT start, int* data, UINT count) override;
    HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) override;
    HRESULT GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** data, UINT* offset, UINT* stride) override;
    HRESULT SetStreamSourceFreq(UINT stream, UINT setting) override;
    HRESULT GetStreamSourceFreq(UINT stream, UINT* setting) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override;

    // Draws (device_draw.cpp).
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex, UINT numVertices,
        UINT startIndex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
        UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices, UINT primitiveCount,
        const void* indexData, D3DFORMAT indexFormat, const void* vertexData, UINT stride) override;

    // Test hooks.
    void loseDevice(unsigned lostPolls);
    // Nothing GL holds is taken as known: every state is sent again (after a reset, or GL calls
    // made elsewhere on the context).
    void forgetGLState();
    bool operational() const { return loss_ == LossState::Operational; }
    unsigned defaultPoolObjects() const { return context_->defaultPoolObjects; }
    GLContext& context() { return *context_; }
    const std::shared_ptr<GLContext>& sharedContext() const { return context_; }
    // Blits a surface to a window, flipped to GL's bottom-up order (present of every swap chain).
    void blitToWindow(Surface& source, SDL_Window* window);
    void swapChainDestroyed(SwapChain* chain);
    // A single-sampled texture with the surface's pixels: the surface's own, or a resolved copy.
    GLuint resolved(Surface& source);
    // A single-sampled image kept for copies that cannot go straight into their target.
    GLuint stagingTexture(const FormatInfo& format, UINT width, UINT height);
    // A cached framebuffer showing one image (as colour, or as depth and stencil).
    GLuint imageFramebuffer(const Attachment& image, const FormatInfo& format);

private:
    Device(Direct3D* direct3D, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DCAPS9& caps);
    HRESULT initialize(D3DPRESENT_PARAMETERS& parameters);
    void initGLObjects();
    void bindDeviceObjects();
    bool fillPresentParameters(D3DPRESENT_PARAMETERS& parameters) const;
    // The back buffer and automatic depth buffer for the parameters; both or neither.
    HRESULT createImplicitSurfaces(const D3DPRESENT_PARAMETERS& p, Surface*& back, Surface*& depth);
    // The window full screen or windowed as the parameters ask; false when it cannot cover the display.
    bool applyWindowMode();
    void setDefaultStates();
    void releaseBindings();
    void setRenderStateDefaults();
    void targetChanged();

    // State application (device_apply.cpp).
    // Drawn from user memory: the device's upload buffers, stream 0 and the indices.
    struct UserArrays {
        GLuint vertices;
        UINT stride;
        GLuint indices;
    };
    HRESULT prepareDraw(const UserArrays* user = nullptr);
    // Filled triangles are drawn lifted by a sub-pixel step (see applyViewport); lines and points not.
    void useFillRuleFor(D3DPRIMITIVETYPE type);
    void applyBlend();
    void applyDepth();
    void applyStencil();
    void applyRaster();
    void applyColorMask();
    void applyScissor();
    void applyViewport();
    void applyAlphaTest();
    void applyFramebuffer();
    // The depth surface drawn with: the bound one when it covers render target 0, else none.
    Surface* drawnDepth() const;
    void applyVertexInput(const UserArrays* user);
    void applyPipeline();
    void applySamplers();
    void applyTextures();
    void prepareTargetsAndTextures();
    void applyConstants(ConstantFile& file, GLuint buffer);
    UINT instanceCount() const;
    // Every stream the declaration reads holds the vertices (and instances) a draw fetches.
    bool streamsHold(uint64_t firstVertex, uint64_t vertices, UINT instances) const;

    VideoSubsystem video_;  // first in, last out: SDL outlives the context
    std::shared_ptr<GLContext> context_;
    Direct3D* direct3D_;
    D3DDEVICE_CREATION_PARAMETERS creation_;
    D3DCAPS9 caps_;
    UINT textureMemory_ = 0;  // bytes, in whole MiB
    D3DPRESENT_PARAMETERS parameters_{};
    LossState loss_ = LossState::Operational;
    unsigned lostPolls_ = 0;
    bool inScene_ = false;
    D3DGAMMARAMP gamma_{};
    FullscreenWindow fullscreen_;

    // GL objects of the device.
    GLuint vao_ = 0, framebuffer_ = 0, pipeline_ = 0;  // framebuffer_: the cached one drawn into
    GLuint vsConstants_ = 0, psConstants_ = 0, deviceBlock_ = 0, alphaBlock_ = 0;
    GLuint streamVertices_ = 0, streamIndices_ = 0;
    GLuint defaultPixelProgram_ = 0;
    GLuint resolveTexture_ = 0;
    D3DSURFACE_DESC resolveDesc_{};
    GLuint stagingTexture_ = 0;
    D3DFORMAT stagingFormat_ = D3DFMT_UNKNOWN;
    UINT stagingWidth_ = 0, stagingHeight_ = 0;
    std::array<GLuint, kSamplerUnits> samplers_{};

    // Implicit surfaces and swap chain.
    Surface* backBuffer_ = nullptr;
    Surface* autoDepth_ = nullptr;
    SwapChain* implicitChain_ = nullptr;
    std::set<SwapChain*> additionalChains_;

    // Bound objects (references held) and states.
    std::array<Surface*, kRenderTargets> renderTargets_{};
    Surface* depthStencil_ = nullptr;
    std::array<StreamSlot, kStreams> streams_{};
    IndexBuffer* indices_ = nullptr;
    VertexDeclaration* declaration_ = nullptr;
    DWORD fvf_ = 0;
    std::map<DWORD, VertexDeclaration*> fvfDeclarations_;
    VertexShader* vertexShader_ = nullptr;
    PixelShader* pixelShader_ = nullptr;
    std::array<IDirect3DBaseTexture9*, kSamplerUnits> textures_{};
    std::array<TextureBinding*, kSamplerUnits> bindings_{};  // the GL side of textures_
    std::array<DWORD, D3DRS_STATE_COUNT> renderStates_{};
    std::array<std::array<DWORD, D3DSAMP_STATE_COUNT>, kSamplerUnits> samplerStates_{};
    std::array<std::array<DWORD, D3DTSS_STATE_COUNT>, kTextureStages> stageStates_{};
    ConstantFile vsFile_{D3DGL_VS_CONSTANT_REGISTERS};
    ConstantFile psFile_{D3DGL_PS_CONSTANT_REGISTERS};
    D3DVIEWPORT9 viewport_{};
    RECT scissor_{};
    std::map<DWORD, D3DMATRIX> transforms_;
    D3DMATERIAL9 material_{};
    std::map<DWORD, D3DLIGHT9> lights_;
    std::set<DWORD> enabledLights_;
    float nPatchSegments_ = 0.0f;

    uint32_t dirty_ = kDirtyAll;
    uint32_t dirtySamplers_ = 0xFFFFFFFFu;
    uint32_t dirtyTextures_ = 0xFFFFFFFFu;
    // What GL holds, as last sent.
    GLState gl_;
    VertexArrayState vertexArray_;
    unsigned buffersDeletedSeen_ = 0;
    struct DeviceBlock {
        float pixelOffset[4];
        bool operator==(const DeviceBlock&) const = default;
    };
    struct AlphaBlock {
        GLint func[4];
        float ref[4];
        float fill[4];
        bool operator==(const AlphaBlock&) const = default;
    };
    std::optional<DeviceBlock> deviceBlockKept_;
    std::optional<AlphaBlock> alphaBlockKept_;
    bool framebufferComplete_ = false;
    bool lifted_ = false;
    bool anisotropy_ = false;
    uint32_t explicitLevel_ = 0;  // units the bound programs read at explicit levels: no anisotropy
};

Device* asDevice(IDirect3DDevice9* device);
Surface* asSurface(IDirect3DSurface9* surface);
// Sampler register to unit: 0..15 and 257..260 (as 16..19); -1 for any other.
int samplerUnit(DWORD sampler);
UINT verticesOf(D3DPRIMITIVETYPE type, UINT primitives);
GLenum glPrimitive(D3DPRIMITIVETYPE type);

}  // namespace d3d9gl
