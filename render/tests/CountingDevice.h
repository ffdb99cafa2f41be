#pragma once
// A device that records how often each operation was called; tests override what they look at.

#include <map>
#include <string>

#include <d3d9.h>

class CountingDevice : public IDirect3DDevice9 {
public:
    std::map<std::string, int> calls;

    virtual ~CountingDevice() = default;
    int count(const std::string& name) const
    {
        auto it = calls.find(name);
        return it == calls.end() ? 0 : it->second;
    }

    HRESULT QueryInterface(REFIID, void** object) override { *object = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT TestCooperativeLevel() override { ++calls["TestCooperativeLevel"]; return D3D_OK; }
    UINT GetAvailableTextureMem() override { ++calls["GetAvailableTextureMem"]; return 0; }
    HRESULT EvictManagedResources() override { ++calls["EvictManagedResources"]; return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D9**) override { ++calls["GetDirect3D"]; return D3D_OK; }
    HRESULT GetDeviceCaps(D3DCAPS9*) override { ++calls["GetDeviceCaps"]; return D3D_OK; }
    HRESULT GetDisplayMode(UINT, D3DDISPLAYMODE*) override { ++calls["GetDisplayMode"]; return D3D_OK; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { ++calls["GetCreationParameters"]; return D3D_OK; }
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**) override { ++calls["CreateAdditionalSwapChain"]; return D3D_OK; }
    HRESULT GetSwapChain(UINT, IDirect3DSwapChain9**) override { ++calls["GetSwapChain"]; return D3D_OK; }
    UINT GetNumberOfSwapChains() override { ++calls["GetNumberOfSwapChains"]; return 0; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { ++calls["Reset"]; return D3D_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { ++calls["Present"]; return D3D_OK; }
    HRESULT GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**) override { ++calls["GetBackBuffer"]; return D3D_OK; }
    HRESULT GetRasterStatus(UINT, D3DRASTER_STATUS*) override { ++calls["GetRasterStatus"]; return D3D_OK; }
    void SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) override { ++calls["SetGammaRamp"]; }
    void GetGammaRamp(UINT, D3DGAMMARAMP*) override { ++calls["GetGammaRamp"]; }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*) override { ++calls["CreateTexture"]; return D3D_OK; }
    HRESULT CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture9**, HANDLE*) override { ++calls["CreateVolumeTexture"]; return D3D_OK; }
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**, HANDLE*) override { ++calls["CreateCubeTexture"]; return D3D_OK; }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*) override { ++calls["CreateVertexBuffer"]; return D3D_OK; }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override { ++calls["CreateIndexBuffer"]; return D3D_OK; }
    HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*) override { ++calls["CreateRenderTarget"]; return D3D_OK; }
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*) override { ++calls["CreateDepthStencilSurface"]; return D3D_OK; }
    HRESULT UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*) override { ++calls["UpdateSurface"]; return D3D_OK; }
    HRESULT UpdateTexture(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) override { ++calls["UpdateTexture"]; return D3D_OK; }
    HRESULT GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) override { ++calls["GetRenderTargetData"]; return D3D_OK; }
    HRESULT StretchRect(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*, D3DTEXTUREFILTERTYPE) override { ++calls["StretchRect"]; return D3D_OK; }
    HRESULT ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) override { ++calls["ColorFill"]; return D3D_OK; }
    HRESULT CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*) override { ++calls["CreateOffscreenPlainSurface"]; return D3D_OK; }
    HRESULT SetRenderTarget(DWORD, IDirect3DSurface9*) override { ++calls["SetRenderTarget"]; return D3D_OK; }
    HRESULT GetRenderTarget(DWORD, IDirect3DSurface9**) override { ++calls["GetRenderTarget"]; return D3D_OK; }
    HRESULT SetDepthStencilSurface(IDirect3DSurface9*) override { ++calls["SetDepthStencilSurface"]; return D3D_OK; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface9**) override { ++calls["GetDepthStencilSurface"]; return D3D_OK; }
    HRESULT BeginScene() override { ++calls["BeginScene"]; return D3D_OK; }
    HRESULT EndScene() override { ++calls["EndScene"]; return D3D_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { ++calls["Clear"]; return D3D_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { ++calls["SetTransform"]; return D3D_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { ++calls["GetTransform"]; return D3D_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { ++calls["SetViewport"]; return D3D_OK; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { ++calls["GetViewport"]; return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { ++calls["SetMaterial"]; return D3D_OK; }
    HRESULT GetMaterial(D3DMATERIAL9*) override { ++calls["GetMaterial"]; return D3D_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { ++calls["SetLight"]; return D3D_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT9*) override { ++calls["GetLight"]; return D3D_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { ++calls["LightEnable"]; return D3D_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { ++calls["GetLightEnable"]; return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { ++calls["SetRenderState"]; return D3D_OK; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { ++calls["GetRenderState"]; return D3D_OK; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { ++calls["GetTexture"]; return D3D_OK; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { ++calls["SetTexture"]; return D3D_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { ++calls["GetTextureStageState"]; return D3D_OK; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { ++calls["SetTextureStageState"]; return D3D_OK; }
    HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { ++calls["GetSamplerState"]; return D3D_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { ++calls["SetSamplerState"]; return D3D_OK; }
    HRESULT SetScissorRect(const RECT*) override { ++calls["SetScissorRect"]; return D3D_OK; }
    HRESULT GetScissorRect(RECT*) override { ++calls["GetScissorRect"]; return D3D_OK; }
    HRESULT SetNPatchMode(float) override { ++calls["SetNPatchMode"]; return D3D_OK; }
    float GetNPatchMode() override { ++calls["GetNPatchMode"]; return 0.0f; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { ++calls["DrawPrimitive"]; return D3D_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { ++calls["DrawIndexedPrimitive"]; return D3D_OK; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { ++calls["DrawPrimitiveUP"]; return D3D_OK; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT) override { ++calls["DrawIndexedPrimitiveUP"]; return D3D_OK; }
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9**) override { ++calls["CreateVertexDeclaration"]; return D3D_OK; }
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9*) override { ++calls["SetVertexDeclaration"]; return D3D_OK; }
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9**) override { ++calls["GetVertexDeclaration"]; return D3D_OK; }
    HRESULT SetFVF(DWORD) override { ++calls["SetFVF"]; return D3D_OK; }
    HRESULT GetFVF(DWORD*) override { ++calls["GetFVF"]; return D3D_OK; }
    HRESULT CreateVertexShader(const DWORD*, IDirect3DVertexShader9**) override { ++calls["CreateVertexShader"]; return D3D_OK; }
    HRESULT SetVertexShader(IDirect3DVertexShader9*) override { ++calls["SetVertexShader"]; return D3D_OK; }
    HRESULT GetVertexShader(IDirect3DVertexShader9**) override { ++calls["GetVertexShader"]; return D3D_OK; }
    HRESULT SetVertexShaderConstantF(UINT, const float*, UINT) override { ++calls["SetVertexShaderConstantF"]; return D3D_OK; }
    HRESULT GetVertexShaderConstantF(UINT, float*, UINT) override { ++calls["GetVertexShaderConstantF"]; return D3D_OK; }
    HRESULT SetVertexShaderConstantI(UINT, const int*, UINT) override { ++calls["SetVertexShaderConstantI"]; return D3D_OK; }
    HRESULT GetVertexShaderConstantI(UINT, int*, UINT) override { ++calls["GetVertexShaderConstantI"]; return D3D_OK; }
    HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) override { ++calls["SetVertexShaderConstantB"]; return D3D_OK; }
    HRESULT GetVertexShaderConstantB(UINT, BOOL*, UINT) override { ++calls["GetVertexShaderConstantB"]; return D3D_OK; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { ++calls["SetStreamSource"]; return D3D_OK; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer9**, UINT*, UINT*) override { ++calls["GetStreamSource"]; return D3D_OK; }
    HRESULT SetStreamSourceFreq(UINT, UINT) override { ++calls["SetStreamSourceFreq"]; return D3D_OK; }
    HRESULT GetStreamSourceFreq(UINT, UINT*) override { ++calls["GetStreamSourceFreq"]; return D3D_OK; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { ++calls["SetIndices"]; return D3D_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer9**) override { ++calls["GetIndices"]; return D3D_OK; }
    HRESULT CreatePixelShader(const DWORD*, IDirect3DPixelShader9**) override { ++calls["CreatePixelShader"]; return D3D_OK; }
    HRESULT SetPixelShader(IDirect3DPixelShader9*) override { ++calls["SetPixelShader"]; return D3D_OK; }
    HRESULT GetPixelShader(IDirect3DPixelShader9**) override { ++calls["GetPixelShader"]; return D3D_OK; }
    HRESULT SetPixelShaderConstantF(UINT, const float*, UINT) override { ++calls["SetPixelShaderConstantF"]; return D3D_OK; }
    HRESULT GetPixelShaderConstantF(UINT, float*, UINT) override { ++calls["GetPixelShaderConstantF"]; return D3D_OK; }
    HRESULT SetPixelShaderConstantI(UINT, const int*, UINT) override { ++calls["SetPixelShaderConstantI"]; return D3D_OK; }
    HRESULT GetPixelShaderConstantI(UINT, int*, UINT) override { ++calls["GetPixelShaderConstantI"]; return D3D_OK; }
    HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) override { ++calls["SetPixelShaderConstantB"]; return D3D_OK; }
    HRESULT GetPixelShaderConstantB(UINT, BOOL*, UINT) override { ++calls["GetPixelShaderConstantB"]; return D3D_OK; }
    HRESULT CreateQuery(D3DQUERYTYPE, IDirect3DQuery9**) override { ++calls["CreateQuery"]; return D3D_OK; }
};
