#pragma once
// Test hooks of the audio layer: run the output by hand for exact, clock-free results.

#include <bass.h>

// Before BASS_Init: every device opens as a null output that mixes only when asked.
BASSDEF(void) BASS_TestSetManualOutput(BOOL manual);
// Mixes the next `frames` stereo frames as the output would and returns them.
BASSDEF(void) BASS_TestRender(float* stereo, DWORD frames);
