#pragma once
// Shader compile inputs shared by the effect framework: macros, includes, buffers, flags and
// the parameter description types.
#include "d3d9.h"

#define D3DX9_API __attribute__((visibility("default")))

typedef const char* D3DXHANDLE;
typedef D3DXHANDLE* LPD3DXHANDLE;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};
typedef D3DXMACRO* LPD3DXMACRO;

enum D3DXINCLUDE_TYPE { D3DXINC_LOCAL = 0, D3DXINC_SYSTEM = 1, D3DXINC_FORCE_DWORD = 0x7fffffff };

// Answers #include lines; a non-zero result from Open fails the compile.
struct ID3DXInclude {
    virtual HRESULT Open(D3DXINCLUDE_TYPE includeType, LPCSTR fileName, LPCVOID parentData, LPCVOID* data,
                         UINT* bytes) = 0;
    virtual HRESULT Close(LPCVOID data) = 0;
protected:
    ~ID3DXInclude() = default;
};
typedef ID3DXInclude* LPD3DXINCLUDE;

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
protected:
    ~ID3DXBuffer() = default;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

D3DX9_API HRESULT D3DXCreateBuffer(DWORD bytes, LPD3DXBUFFER* buffer);

#define D3DXSHADER_DEBUG 0x1
#define D3DXSHADER_SKIPVALIDATION 0x2
#define D3DXSHADER_SKIPOPTIMIZATION 0x4
#define D3DXSHADER_PACKMATRIX_ROWMAJOR 0x8
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR 0x10
#define D3DXSHADER_PARTIALPRECISION 0x20
#define D3DXSHADER_NO_PRESHADER 0x100
#define D3DXSHADER_AVOID_FLOW_CONTROL 0x200
#define D3DXSHADER_PREFER_FLOW_CONTROL 0x400
#define D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY 0x1000
#define D3DXSHADER_IEEE_STRICTNESS 0x2000

enum D3DXPARAMETER_CLASS {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
    D3DXPC_STRUCT = 5,
    D3DXPC_FORCE_DWORD = 0x7fffffff
};

enum D3DXPARAMETER_TYPE {
    D3DXPT_VOID = 0,
    D3DXPT_BOOL = 1,
    D3DXPT_INT = 2,
    D3DXPT_FLOAT = 3,
    D3DXPT_STRING = 4,
    D3DXPT_TEXTURE = 5,
    D3DXPT_TEXTURE1D = 6,
    D3DXPT_TEXTURE2D = 7,
    D3DXPT_TEXTURE3D = 8,
    D3DXPT_TEXTURECUBE = 9,
    D3DXPT_SAMPLER = 10,
    D3DXPT_SAMPLER1D = 11,
    D3DXPT_SAMPLER2D = 12,
    D3DXPT_SAMPLER3D = 13,
    D3DXPT_SAMPLERCUBE = 14,
    D3DXPT_PIXELSHADER = 15,
    D3DXPT_VERTEXSHADER = 16,
    D3DXPT_FORCE_DWORD = 0x7fffffff
};
