#pragma once
// How effects reach OpenGL, for diagnostics and tests.
#include <string>

#include "d3dx9effect.h"

// An effect that parses and lays out its parameters but has no device, so it never draws:
// for tools and tests that read parameter tables. D3DXCreateEffect refuses a null device.
D3DX9_API HRESULT d3dxglCreateEffectWithoutDevice(LPCVOID data, UINT length, const D3DXMACRO* defines,
                                                  ID3DXInclude* include, ID3DXEffectPool* pool, ID3DXEffect** effect,
                                                  ID3DXBuffer** errors);

// Asked with the HLSL of each entry point before the shader compiler reads it, for hosts that try
// the compiler's front end apart first; FALSE refuses that program with an error. Null: none.
typedef BOOL (*D3DXGLCOMPILERGUARD)(const char* hlsl, UINT length, BOOL pixel);
D3DX9_API void d3dxglSetShaderCompilerGuard(D3DXGLCOMPILERGUARD guard);

// Number of entry points compiled so far (the program cache's misses).
D3DX9_API unsigned long long d3dxglProgramCompileCount();

// The GLSL text of a pass's vertex (pixel = FALSE) or pixel shader; FALSE when the pass has none.
D3DX9_API BOOL d3dxglGetPassShaderText(ID3DXEffect* effect, D3DXHANDLE technique, UINT pass, BOOL pixel,
                                       std::string* glsl);
