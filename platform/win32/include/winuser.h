#pragma once
// Windows, messages, hot keys, the cursor, message boxes and dialogs, over SDL2.

#include "windef.h"

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
typedef WNDCLASSA WNDCLASS;

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};
typedef WNDCLASSEXA WNDCLASSEX;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

// Class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_APPWINDOW 0x00040000L
#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)

// Get/SetWindowLong
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWL_ID (-12)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_USERDATA (-21)
#define GWLP_ID (-12)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + sizeof(DLGPROC))

// System metrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_HOTKEY 0x0312
#define WM_USER 0x0400
#define WM_APP 0x8000

#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define SIZE_MAXSHOW 3
#define SIZE_MAXHIDE 4

#define ICON_SMALL 0
#define ICON_BIG 1

// PeekMessage
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Hot keys
#define MOD_ALT 0x0001
#define MOD_CONTROL 0x0002
#define MOD_SHIFT 0x0004
#define MOD_WIN 0x0008
#define MOD_NOREPEAT 0x4000

// Virtual keys
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK

// Dialog results and command ids
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Dialog styles and the dialog manager
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CENTER 0x0800L
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

// Buttons
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL
#define BN_CLICKED 0
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002

// Combo boxes
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBN_SELCHANGE 1
#define CBN_EDITCHANGE 5
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_FINDSTRINGEXACT 0x0158
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)

// Edit controls
#define ES_LEFT 0x0000L
#define ES_NUMBER 0x2000L
#define ES_AUTOHSCROLL 0x0080L
#define ES_READONLY 0x0800L
#define EN_CHANGE 0x0300
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_GETLIMITTEXT 0x00D5

// Static controls
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L

// Stock objects and resources
#define WHITE_BRUSH 0
#define GRAY_BRUSH 2
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Last-error codes the layer sets
#define ERROR_SUCCESS 0L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_HOTKEY_ALREADY_REGISTERED 1409L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_HOTKEY_NOT_REGISTERED 1419L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L

#define MAX_PATH 260

extern "C++" {

// Module handles: the load address of a module, as on Windows.
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
TORMAKELIN_WIN32_API HMODULE GetModuleHandleA(LPCSTR moduleName);
TORMAKELIN_WIN32_API BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleNameOrAddress, HMODULE* module);
// The module's file with "\" separators; a short buffer gets the cut name, size returned and
// ERROR_INSUFFICIENT_BUFFER.
TORMAKELIN_WIN32_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
TORMAKELIN_WIN32_API DWORD GetLastError();
TORMAKELIN_WIN32_API void SetLastError(DWORD error);
TORMAKELIN_WIN32_API void Sleep(DWORD milliseconds);
TORMAKELIN_WIN32_API DWORD GetTickCount();

// Window classes
TORMAKELIN_WIN32_API ATOM RegisterClassA(const WNDCLASSA* windowClass);
TORMAKELIN_WIN32_API ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
TORMAKELIN_WIN32_API BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
TORMAKELIN_WIN32_API BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* windowClass);

// Windows
TORMAKELIN_WIN32_API HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
    int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
TORMAKELIN_WIN32_API BOOL DestroyWindow(HWND window);
TORMAKELIN_WIN32_API BOOL IsWindow(HWND window);
TORMAKELIN_WIN32_API BOOL ShowWindow(HWND window, int command);
TORMAKELIN_WIN32_API BOOL UpdateWindow(HWND window);
TORMAKELIN_WIN32_API BOOL IsWindowVisible(HWND window);
TORMAKELIN_WIN32_API BOOL IsIconic(HWND window);
TORMAKELIN_WIN32_API BOOL IsZoomed(HWND window);
TORMAKELIN_WIN32_API BOOL EnableWindow(HWND window, BOOL enable);
TORMAKELIN_WIN32_API BOOL IsWindowEnabled(HWND window);
TORMAKELIN_WIN32_API BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
TORMAKELIN_WIN32_API BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
TORMAKELIN_WIN32_API BOOL GetWindowRect(HWND window, LPRECT rect);
TORMAKELIN_WIN32_API BOOL GetClientRect(HWND window, LPRECT rect);
TORMAKELIN_WIN32_API BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
TORMAKELIN_WIN32_API BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
TORMAKELIN_WIN32_API int GetSystemMetrics(int index);
TORMAKELIN_WIN32_API HWND GetDesktopWindow();
TORMAKELIN_WIN32_API HWND GetParent(HWND window);
TORMAKELIN_WIN32_API BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
TORMAKELIN_WIN32_API BOOL ValidateRect(HWND window, const RECT* rect);
TORMAKELIN_WIN32_API HWND SetFocus(HWND window);
TORMAKELIN_WIN32_API HWND GetFocus();
TORMAKELIN_WIN32_API HWND GetActiveWindow();
TORMAKELIN_WIN32_API HWND SetActiveWindow(HWND window);
TORMAKELIN_WIN32_API BOOL SetForegroundWindow(HWND window);
TORMAKELIN_WIN32_API BOOL SetPropA(HWND window, LPCSTR name, HANDLE data);
TORMAKELIN_WIN32_API HANDLE GetPropA(HWND window, LPCSTR name);
TORMAKELIN_WIN32_API HANDLE RemovePropA(HWND window, LPCSTR name);
TORMAKELIN_WIN32_API LONG GetWindowLongA(HWND window, int index);
TORMAKELIN_WIN32_API LONG SetWindowLongA(HWND window, int index, LONG value);
TORMAKELIN_WIN32_API LONG_PTR GetWindowLongPtrA(HWND window, int index);
TORMAKELIN_WIN32_API LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
TORMAKELIN_WIN32_API int GetWindowTextA(HWND window, LPSTR text, int maxCount);
TORMAKELIN_WIN32_API int GetWindowTextLengthA(HWND window);
TORMAKELIN_WIN32_API BOOL SetWindowTextA(HWND window, LPCSTR text);
TORMAKELIN_WIN32_API LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TORMAKELIN_WIN32_API LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TORMAKELIN_WIN32_API HICON LoadIconA(HINSTANCE instance, LPCSTR name);
TORMAKELIN_WIN32_API HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
TORMAKELIN_WIN32_API HBRUSH CreateSolidBrush(COLORREF color);
TORMAKELIN_WIN32_API HANDLE GetStockObject(int object);
TORMAKELIN_WIN32_API BOOL DeleteObject(HANDLE object);
TORMAKELIN_WIN32_API int ShowCursor(BOOL show);

// Messages
TORMAKELIN_WIN32_API BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
TORMAKELIN_WIN32_API BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
TORMAKELIN_WIN32_API BOOL WaitMessage();
TORMAKELIN_WIN32_API BOOL TranslateMessage(const MSG* msg);
TORMAKELIN_WIN32_API LRESULT DispatchMessageA(const MSG* msg);
TORMAKELIN_WIN32_API BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TORMAKELIN_WIN32_API LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TORMAKELIN_WIN32_API void PostQuitMessage(int exitCode);
TORMAKELIN_WIN32_API BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey);
TORMAKELIN_WIN32_API BOOL UnregisterHotKey(HWND window, int id);

// Message boxes
TORMAKELIN_WIN32_API int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Dialogs
TORMAKELIN_WIN32_API INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
    DLGPROC dialogProc, LPARAM initParam);
TORMAKELIN_WIN32_API BOOL EndDialog(HWND dialog, INT_PTR result);
TORMAKELIN_WIN32_API HWND GetDlgItem(HWND dialog, int id);
TORMAKELIN_WIN32_API int GetDlgCtrlID(HWND control);
TORMAKELIN_WIN32_API LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
TORMAKELIN_WIN32_API BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
TORMAKELIN_WIN32_API UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount);
TORMAKELIN_WIN32_API LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The names without the A suffix, as the ANSI build of the original spells them.
inline ATOM RegisterClass(const WNDCLASSA* c) { return RegisterClassA(c); }
inline ATOM RegisterClassEx(const WNDCLASSEXA* c) { return RegisterClassExA(c); }
inline BOOL UnregisterClass(LPCSTR name, HINSTANCE instance) { return UnregisterClassA(name, instance); }
inline HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
inline HMODULE GetModuleHandle(LPCSTR name) { return GetModuleHandleA(name); }
inline DWORD GetModuleFileName(HMODULE module, LPSTR name, DWORD size) { return GetModuleFileNameA(module, name, size); }
inline BOOL SetProp(HWND w, LPCSTR name, HANDLE data) { return SetPropA(w, name, data); }
inline HANDLE GetProp(HWND w, LPCSTR name) { return GetPropA(w, name); }
inline HANDLE RemoveProp(HWND w, LPCSTR name) { return RemovePropA(w, name); }
inline LONG GetWindowLong(HWND w, int index) { return GetWindowLongA(w, index); }
inline LONG SetWindowLong(HWND w, int index, LONG value) { return SetWindowLongA(w, index, value); }
inline LONG_PTR GetWindowLongPtr(HWND w, int index) { return GetWindowLongPtrA(w, index); }
inline LONG_PTR SetWindowLongPtr(HWND w, int index, LONG_PTR value) { return SetWindowLongPtrA(w, index, value); }
inline LRESULT DefWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
inline LRESULT CallWindowProc(WNDPROC p, HWND w, UINT m, WPARAM wp, LPARAM lp) { return CallWindowProcA(p, w, m, wp, lp); }
inline HICON LoadIcon(HINSTANCE instance, LPCSTR name) { return LoadIconA(instance, name); }
inline HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) { return LoadCursorA(instance, name); }
inline BOOL PeekMessage(LPMSG m, HWND w, UINT lo, UINT hi, UINT flags) { return PeekMessageA(m, w, lo, hi, flags); }
inline BOOL GetMessage(LPMSG m, HWND w, UINT lo, UINT hi) { return GetMessageA(m, w, lo, hi); }
inline LRESULT DispatchMessage(const MSG* m) { return DispatchMessageA(m); }
inline BOOL PostMessage(HWND w, UINT m, WPARAM wp, LPARAM lp) { return PostMessageA(w, m, wp, lp); }
inline LRESULT SendMessage(HWND w, UINT m, WPARAM wp, LPARAM lp) { return SendMessageA(w, m, wp, lp); }
inline int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) { return MessageBoxA(owner, text, caption, type); }
inline INT_PTR DialogBoxParam(HINSTANCE i, LPCSTR t, HWND o, DLGPROC p, LPARAM l) { return DialogBoxParamA(i, t, o, p, l); }
inline int GetWindowText(HWND w, LPSTR text, int max) { return GetWindowTextA(w, text, max); }
inline BOOL SetWindowText(HWND w, LPCSTR text) { return SetWindowTextA(w, text); }

}  // extern "C++"
