#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

#include <cstring>

namespace tormakelin::render {

StateManager* g_stateManager = nullptr;

template <size_t N>
bool StateManager::StateTable<N>::update(DWORD state, DWORD value)
{
    if (state < N) {
        if (known[state] && values[state] == value) {
            return false;
        }
        known[state] = true;
        values[state] = value;
        return true;
    }
    auto [it, inserted] = overflow.try_emplace(state, value);
    if (!inserted && it->second == value) {
        return false;
    }
    it->second = value;
    return true;
}

template <size_t N>
void StateManager::StateTable<N>::clear()
{
    known.reset();
    overflow.clear();
}

template <class T>
bool StateManager::Slot<T>::update(T* newValue)
{
    if (known && value == newValue) {
        return false;
    }
    known = true;
    value = newValue;
    return true;
}

StateManager::StateManager(IDirect3DDevice9* device) : RenderListener(true), m_device(device)
{
    g_stateManager = this;
}

StateManager::~StateManager()
{
    if (g_stateManager == this) {
        g_stateManager = nullptr;
    }
}

HRESULT StateManager::QueryInterface(REFIID iid, void** object)
{
    static const IID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    if (std::memcmp(&iid, &unknown, sizeof(IID)) == 0) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG StateManager::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

ULONG StateManager::Release()
{
    const int32_t count = --m_refCount;
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT StateManager::noDevice()
{
    return D3DERR_INVALIDCALL;
}

// Every Set* counts as a change asked for; `sent` is counted where a call reaches the device.
#define TORMAKELIN_SEND(call)                                                                      \
    do {                                                                                           \
        ++stateChangesSent;                                                                        \
        return m_device ? m_device->call : noDevice();                                             \
    } while (0)

HRESULT StateManager::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetTransform(state, matrix));
}

HRESULT StateManager::SetMaterial(const D3DMATERIAL9* material)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetMaterial(material));
}

HRESULT StateManager::SetLight(DWORD index, const D3DLIGHT9* light)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetLight(index, light));
}

HRESULT StateManager::LightEnable(DWORD index, BOOL enable)
{
    ++stateChanges;
    TORMAKELIN_SEND(LightEnable(index, enable));
}

HRESULT StateManager::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    ++stateChanges;
    if (!m_renderStates.update(state, value)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetRenderState(state, value));
}

HRESULT StateManager::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    ++stateChanges;
    if (stage < CachedStages && !m_textures[stage].update(texture)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetTexture(stage, texture));
}

HRESULT StateManager::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    ++stateChanges;
    if (stage < CachedStages && !m_stageStates[stage].update(type, value)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetTextureStageState(stage, type, value));
}

HRESULT StateManager::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    ++stateChanges;
    if (sampler < CachedSamplers && !m_samplerStates[sampler].update(type, value)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetSamplerState(sampler, type, value));
}

HRESULT StateManager::SetNPatchMode(FLOAT segments)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetNPatchMode(segments));
}

HRESULT StateManager::SetFVF(DWORD fvf)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetFVF(fvf));
}

HRESULT StateManager::SetVertexShader(IDirect3DVertexShader9* shader)
{
    ++stateChanges;
    if (!m_vertexShader.update(shader)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetVertexShader(shader));
}

HRESULT StateManager::SetVertexShaderConstantF(UINT start, const FLOAT* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetVertexShaderConstantF(start, data, count));
}

HRESULT StateManager::SetVertexShaderConstantI(UINT start, const INT* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetVertexShaderConstantI(start, data, count));
}

HRESULT StateManager::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetVertexShaderConstantB(start, data, count));
}

HRESULT StateManager::SetPixelShader(IDirect3DPixelShader9* shader)
{
    ++stateChanges;
    if (!m_pixelShader.update(shader)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetPixelShader(shader));
}

HRESULT StateManager::SetPixelShaderConstantF(UINT start, const FLOAT* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetPixelShaderConstantF(start, data, count));
}

HRESULT StateManager::SetPixelShaderConstantI(UINT start, const INT* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetPixelShaderConstantI(start, data, count));
}

HRESULT StateManager::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count)
{
    ++stateChanges;
    TORMAKELIN_SEND(SetPixelShaderConstantB(start, data, count));
}

HRESULT StateManager::SetIndices(IDirect3DIndexBuffer9* indices)
{
    ++stateChanges;
    if (!m_indices.update(indices)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetIndices(indices));
}

HRESULT StateManager::SetStreamSource(UINT index, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride)
{
    ++stateChanges;
    if (index < CachedStreams) {
        Stream& slot = m_streams[index];
        if (m_streamKnown[index] && slot.buffer == buffer && slot.offset == offset && slot.stride == stride) {
            return D3D_OK;
        }
        m_streamKnown[index] = true;
        slot = {buffer, offset, stride};
    }
    TORMAKELIN_SEND(SetStreamSource(index, buffer, offset, stride));
}

HRESULT StateManager::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration)
{
    ++stateChanges;
    if (!m_declaration.update(declaration)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetVertexDeclaration(declaration));
}

HRESULT StateManager::SetRenderTarget(DWORD index, IDirect3DSurface9* surface)
{
    ++stateChanges;
    if (index < CachedTargets && !m_targets[index].update(surface)) {
        return D3D_OK;
    }
    ++stateChangesSent;
    if (!m_device) {
        return noDevice();
    }
    const HRESULT result = m_device->SetRenderTarget(index, surface);
    if (FAILED(result) && index < CachedTargets) {
        m_targets[index] = {};
    }
    // The device resets the scissor rectangle with the target.
    if (g_renderDevice) {
        g_renderDevice->applyScissorRect();
    }
    return result;
}

HRESULT StateManager::SetDepthStencilSurface(IDirect3DSurface9* surface)
{
    ++stateChanges;
    if (!m_depthStencil.update(surface)) {
        return D3D_OK;
    }
    TORMAKELIN_SEND(SetDepthStencilSurface(surface));
}

#undef TORMAKELIN_SEND

bool StateManager::onLostDevice()
{
    clear();
    return true;
}

bool StateManager::onResetDevice()
{
    return true;
}

void StateManager::begin()
{
    stateChanges = 0;
    stateChangesSent = 0;
}

void StateManager::clear()
{
    m_renderStates.clear();
    for (auto& table : m_samplerStates) {
        table.clear();
    }
    for (auto& table : m_stageStates) {
        table.clear();
    }
    m_textures = {};
    m_streams = {};
    m_streamKnown.reset();
    m_indices = {};
    m_declaration = {};
    m_vertexShader = {};
    m_pixelShader = {};
    invalidateRenderTargets();
}

void StateManager::invalidateRenderTargets()
{
    m_targets = {};
    m_depthStencil = {};
}

void StateManager::detach()
{
    clear();
    m_device = nullptr;
    if (g_stateManager == this) {
        g_stateManager = nullptr;
    }
}

} // namespace tormakelin::render
