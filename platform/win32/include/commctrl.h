#pragma once
// Common controls: the trackbar.

#include "winuser.h"

#define TRACKBAR_CLASSA "msctls_trackbar32"
#define TRACKBAR_CLASS TRACKBAR_CLASSA

#define TBS_HORZ 0x0000
#define TBS_AUTOTICKS 0x0001
#define TBS_NOTICKS 0x0010

#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)

// WM_HSCROLL codes a trackbar sends its parent.
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8
#define SB_THUMBTRACK 5

extern "C++" {
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
#define ICC_BAR_CLASSES 0x00000004
#define ICC_STANDARD_CLASSES 0x00004000
TORMAKELIN_WIN32_API BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
TORMAKELIN_WIN32_API void InitCommonControls();
}
