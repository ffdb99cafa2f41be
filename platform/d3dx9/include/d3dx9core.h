#pragma once
// Text and screen-space lines drawn straight through the device. Both leave every device state
// as they found it.
#include "d3d9.h"
#include "d3dx9math.h"

#ifndef D3DX9_API
#define D3DX9_API __attribute__((visibility("default")))
#endif

struct ID3DXSprite;
typedef ID3DXSprite* LPD3DXSPRITE;

struct D3DXFONT_DESCA {
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    CHAR FaceName[32];
};
typedef D3DXFONT_DESCA D3DXFONT_DESC;

struct ID3DXFont : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT GetDesc(D3DXFONT_DESC* desc) = 0;
    // Draws `count` bytes of text (all of it when count is -1) into the rectangle, in pixels from
    // the viewport's corner; DT_CALCRECT only measures. Returns the height of the text.
    // Sprites are not supported: pass null.
    virtual INT DrawText(ID3DXSprite* sprite, LPCSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
protected:
    ~ID3DXFont() = default;
};
typedef ID3DXFont* LPD3DXFONT;

// Every face name (the fixed "Terminal" among them) is drawn with the monospace TrueType font
// installed with the project; weights of 600 and more take its bold face.
D3DX9_API HRESULT D3DXCreateFont(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels,
    BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
    ID3DXFont** font);

struct ID3DXLine : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT Begin() = 0;
    // A strip through the points, in pixels from the viewport's corner.
    virtual HRESULT Draw(const D3DXVECTOR2* vertexList, DWORD vertexListCount, D3DCOLOR color) = 0;
    // A strip through the points transformed by the matrix into clip space.
    virtual HRESULT DrawTransform(const D3DXVECTOR3* vertexList, DWORD vertexListCount, const D3DXMATRIX* transform,
        D3DCOLOR color) = 0;
    virtual HRESULT SetPattern(DWORD pattern) = 0;
    virtual DWORD GetPattern() = 0;
    virtual HRESULT SetPatternScale(FLOAT patternScale) = 0;
    virtual FLOAT GetPatternScale() = 0;
    virtual HRESULT SetWidth(FLOAT width) = 0;
    virtual FLOAT GetWidth() = 0;
    virtual HRESULT SetAntialias(BOOL antialias) = 0;
    virtual BOOL GetAntialias() = 0;
    virtual HRESULT SetGLLines(BOOL glLines) = 0;
    virtual BOOL GetGLLines() = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
protected:
    ~ID3DXLine() = default;
};
typedef ID3DXLine* LPD3DXLINE;

D3DX9_API HRESULT D3DXCreateLine(IDirect3DDevice9* device, ID3DXLine** line);
