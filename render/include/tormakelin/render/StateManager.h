#pragma once
// The one cache in front of the device's states: a change reaches the device only when the
// value differs from the last one set. Also the effects' state manager, so pass states go
// through it too.

#include <array>
#include <bitset>
#include <cstdint>
#include <map>

#include <d3d9.h>
#include <d3dx9effect.h>

#include <tormakelin/render/Export.h>
#include <tormakelin/render/RenderListener.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API StateManager : public ID3DXEffectStateManager, public RenderListener {
public:
    static constexpr unsigned CachedSamplers = 8;
    static constexpr unsigned CachedStages = 8;
    static constexpr unsigned CachedStreams = 16;
    static constexpr unsigned CachedTargets = 8;

    // Registers with the render device and sets g_stateManager; the COM count starts at 1.
    explicit StateManager(IDirect3DDevice9* device);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetNPatchMode(FLOAT segments) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const FLOAT* data, UINT count) override;
    HRESULT SetVertexShaderConstantI(UINT start, const INT* data, UINT count) override;
    HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT SetPixelShaderConstantF(UINT start, const FLOAT* data, UINT count) override;
    HRESULT SetPixelShaderConstantI(UINT start, const INT* data, UINT count) override;
    HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) override;

    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indices);
    virtual HRESULT SetStreamSource(UINT index, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration);
    virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);
    ~StateManager() override;

    bool onLostDevice() override;
    bool onResetDevice() override;

    // Zeroes both counters at the start of a frame.
    void begin();
    void end() {}
    // Forgets every cached value: the next set of each state reaches the device.
    void clear();
    // Forgets the cached render targets and depth surface, for code that set them on the
    // device directly.
    void invalidateRenderTargets();
    // The device goes away: later sets answer D3DERR_INVALIDCALL (effects may still hold us).
    void detach();

    IDirect3DDevice9* getDevice() const { return m_device; }

    int stateChanges = 0;
    int stateChangesSent = 0;

private:
    struct Stream {
        IDirect3DVertexBuffer9* buffer = nullptr;
        UINT offset = 0;
        UINT stride = 0;
    };
    // A small table of state → value; states past its end live in a map.
    template <size_t N>
    struct StateTable {
        std::array<DWORD, N> values{};
        std::bitset<N> known;
        std::map<DWORD, DWORD> overflow;
        // True when `value` is new for `state`; the table then holds it.
        bool update(DWORD state, DWORD value);
        void clear();
    };
    template <class T>
    struct Slot {
        T* value = nullptr;
        bool known = false;
        bool update(T* newValue);
    };

    static HRESULT noDevice();

    int32_t m_refCount = 1;
    IDirect3DDevice9* m_device;
    StateTable<256> m_renderStates;
    std::array<StateTable<16>, CachedSamplers> m_samplerStates;
    std::array<StateTable<33>, CachedStages> m_stageStates;
    std::array<Slot<IDirect3DBaseTexture9>, CachedStages> m_textures;
    std::array<Stream, CachedStreams> m_streams;
    std::bitset<CachedStreams> m_streamKnown;
    Slot<IDirect3DIndexBuffer9> m_indices;
    Slot<IDirect3DVertexDeclaration9> m_declaration;
    Slot<IDirect3DVertexShader9> m_vertexShader;
    Slot<IDirect3DPixelShader9> m_pixelShader;
    std::array<Slot<IDirect3DSurface9>, CachedTargets> m_targets;
    Slot<IDirect3DSurface9> m_depthStencil;
};

TORMAKELIN_RENDER_API extern StateManager* g_stateManager;

} // namespace tormakelin::render
