#pragma once
// How the 3-D device layer reaches the SDL window behind an HWND made by our window layer.

#include "windef.h"

struct SDL_Window;

// The SDL window of a top-level or child HWND, or null for an unknown handle.
__attribute__((visibility("default"))) SDL_Window* tormakelinGetSDLWindow(HWND window);

// Makes a top-level window the one that gets the keys (full screen does, as it takes the display).
__attribute__((visibility("default"))) void tormakelinFocusWindow(HWND window);
