#pragma once
// The Win32 user interface the engine calls: windows, messages, dialogs, common controls and the
// open-file dialog, implemented over SDL2.

#include "windef.h"
#include "winuser.h"
#include "commctrl.h"
#include "commdlg.h"
