#pragma once
// Effects: text with parameters, techniques and passes, compiled for the device.
#include "d3dx9math.h"
#include "d3dx9shader.h"

#define D3DXFX_DONOTSAVESTATE 0x1
#define D3DXFX_DONOTSAVESHADERSTATE 0x2
#define D3DXFX_DONOTSAVESAMPLERSTATE 0x4
#define D3DXFX_NOT_CLONEABLE 0x800
#define D3DXFX_LARGEADDRESSAWARE 0x20000

#define D3DXPARAMETER_SHARED 0x1
#define D3DXPARAMETER_LITERAL 0x2
#define D3DXPARAMETER_ANNOTATION 0x4

struct D3DXPARAMETER_DESC {
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
};

struct D3DXEFFECT_DESC {
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

struct D3DXTECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

struct D3DXPASS_DESC {
    LPCSTR Name;
    UINT Annotations;
    const DWORD* pVertexShaderFunction;
    const DWORD* pPixelShaderFunction;
};

// Receives every state an effect sets while its passes run.
struct ID3DXEffectStateManager : IUnknown {
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetNPatchMode(FLOAT segments) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
    virtual HRESULT SetVertexShaderConstantF(UINT registerIndex, const FLOAT* data, UINT registerCount) = 0;
    virtual HRESULT SetVertexShaderConstantI(UINT registerIndex, const INT* data, UINT registerCount) = 0;
    virtual HRESULT SetVertexShaderConstantB(UINT registerIndex, const BOOL* data, UINT registerCount) = 0;
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
    virtual HRESULT SetPixelShaderConstantF(UINT registerIndex, const FLOAT* data, UINT registerCount) = 0;
    virtual HRESULT SetPixelShaderConstantI(UINT registerIndex, const INT* data, UINT registerCount) = 0;
    virtual HRESULT SetPixelShaderConstantB(UINT registerIndex, const BOOL* data, UINT registerCount) = 0;
protected:
    ~ID3DXEffectStateManager() = default;
};
typedef ID3DXEffectStateManager* LPD3DXEFFECTSTATEMANAGER;

// Holds the shared parameters of the effects created with it.
struct ID3DXEffectPool : IUnknown {
protected:
    ~ID3DXEffectPool() = default;
};
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

struct ID3DXEffect : IUnknown {
    // Descriptions and handles.
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* desc) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) = 0;
    virtual HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) = 0;
    virtual HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) = 0;
    virtual D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
    virtual D3DXHANDLE GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic) = 0;
    virtual D3DXHANDLE GetParameterElement(D3DXHANDLE parameter, UINT index) = 0;
    virtual D3DXHANDLE GetTechnique(UINT index) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
    virtual D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) = 0;
    virtual D3DXHANDLE GetPassByName(D3DXHANDLE technique, LPCSTR name) = 0;
    virtual D3DXHANDLE GetAnnotation(D3DXHANDLE object, UINT index) = 0;
    virtual D3DXHANDLE GetAnnotationByName(D3DXHANDLE object, LPCSTR name) = 0;

    // Values.
    virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
    virtual HRESULT SetBool(D3DXHANDLE parameter, BOOL value) = 0;
    virtual HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) = 0;
    virtual HRESULT SetBoolArray(D3DXHANDLE parameter, const BOOL* values, UINT count) = 0;
    virtual HRESULT SetInt(D3DXHANDLE parameter, INT value) = 0;
    virtual HRESULT GetInt(D3DXHANDLE parameter, INT* value) = 0;
    virtual HRESULT SetIntArray(D3DXHANDLE parameter, const INT* values, UINT count) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
    virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
    virtual HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) = 0;
    virtual HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) = 0;
    virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
    virtual HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) = 0;
    virtual HRESULT SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* vectors, UINT count) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) = 0;
    virtual HRESULT SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) = 0;
    virtual HRESULT SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** matrices, UINT count) = 0;
    virtual HRESULT SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* matrices, UINT count) = 0;
    virtual HRESULT SetString(D3DXHANDLE parameter, LPCSTR string) = 0;
    virtual HRESULT GetString(D3DXHANDLE parameter, LPCSTR* string) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) = 0;

    // Techniques and passes.
    virtual HRESULT GetPool(ID3DXEffectPool** pool) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
    virtual D3DXHANDLE GetCurrentTechnique() = 0;
    virtual HRESULT ValidateTechnique(D3DXHANDLE technique) = 0;
    virtual HRESULT FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) = 0;
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;

    // Device.
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
    virtual HRESULT SetStateManager(ID3DXEffectStateManager* manager) = 0;
    virtual HRESULT GetStateManager(ID3DXEffectStateManager** manager) = 0;
    virtual HRESULT CloneEffect(IDirect3DDevice9* device, ID3DXEffect** effect) = 0;
protected:
    ~ID3DXEffect() = default;
};
typedef ID3DXEffect* LPD3DXEFFECT;

// Compiles effect text. A null device gives an effect that can be inspected and set up but not
// drawn with. On failure *errors (when given) receives the messages as text.
D3DX9_API HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                                   ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                                   ID3DXBuffer** errors);
D3DX9_API HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool);
