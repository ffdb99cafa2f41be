#pragma once
// Base types of the Win32 surface the engine uses. Handles, WPARAM and LPARAM are pointer-sized.

#include <cstddef>
#include <cstdint>

// Functions of the window layer that other libraries call.
#define TORMAKELIN_WIN32_API __attribute__((visibility("default")))

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef float FLOAT;
typedef char CHAR;
typedef short SHORT;
typedef unsigned short USHORT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int32_t HRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef WORD ATOM;
typedef DWORD COLORREF;

#define TORMAKELIN_DECLARE_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__* name
TORMAKELIN_DECLARE_HANDLE(HWND);
TORMAKELIN_DECLARE_HANDLE(HINSTANCE);
TORMAKELIN_DECLARE_HANDLE(HMONITOR);
TORMAKELIN_DECLARE_HANDLE(HICON);
TORMAKELIN_DECLARE_HANDLE(HCURSOR);
TORMAKELIN_DECLARE_HANDLE(HBRUSH);
TORMAKELIN_DECLARE_HANDLE(HMENU);
TORMAKELIN_DECLARE_HANDLE(HDC);
typedef HINSTANCE HMODULE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct RECT { LONG left, top, right, bottom; };
typedef RECT* LPRECT;
struct POINT { LONG x, y; };
struct SIZE { LONG cx, cy; };

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef const GUID& REFIID;
typedef const GUID& REFGUID;

union LARGE_INTEGER {
    struct { DWORD LowPart; LONG HighPart; } u;
    LONGLONG QuadPart;
};

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_NOTIMPL ((HRESULT)0x80004001)

#define MAKEFOURCC(a, b, c, d) \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))
#define LOWORD(l) ((WORD)(((DWORD_PTR_T)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR_T)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(a)) | (((DWORD)((WORD)(b))) << 16)))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
typedef uintptr_t DWORD_PTR_T;

// The COM base of every Direct3D and D3DX interface.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
protected:
    ~IUnknown() = default;
};

// GDI values that the D3DX texture and font helpers take.
struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};
typedef PALETTEENTRY* LPPALETTEENTRY;

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_RTLREADING 0x00020000

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define FF_DONTCARE 0x00
#define FF_MODERN 0x30
