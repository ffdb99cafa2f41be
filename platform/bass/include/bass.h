#pragma once
// The audio API the sound library plays through: devices, streams and tracker modules from
// memory, channel control and FFT data. Numeric values are the ones stored projects and callers
// rely on.

#include <windef.h>

#include <cstdint>

typedef uint64_t QWORD;
typedef DWORD HSTREAM;
typedef DWORD HMUSIC;

#define BASSDEF(type) extern "C" __attribute__((visibility("default"))) type

// Error codes (BASS_ErrorGetCode).
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_FREQ 25
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_UNKNOWN -1

// BASS_SetConfig options. Volumes run from 0 to the maximum volume (default 100).
#define BASS_CONFIG_MAXVOL 3
#define BASS_CONFIG_GVOL_SAMPLE 4
#define BASS_CONFIG_GVOL_STREAM 5
#define BASS_CONFIG_GVOL_MUSIC 6

// BASS_Init flags.
#define BASS_DEVICE_LATENCY 0x100

// Channel flags.
#define BASS_SAMPLE_LOOP 4
#define BASS_STREAM_PRESCAN 0x20000
#define BASS_MUSIC_LOOP BASS_SAMPLE_LOOP
#define BASS_MUSIC_RAMP 0x200
#define BASS_MUSIC_RAMPS 0x400
#define BASS_MUSIC_PRESCAN BASS_STREAM_PRESCAN

// BASS_ChannelIsActive results. A channel halts only by BASS_ChannelStop or at its end, so it
// reports playing or stopped; stopped keeps the position, and play without restart resumes there.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// BASS_ChannelGetData: 1024-sample FFT, 512 float magnitudes.
#define BASS_DATA_FFT1024 0x80000002

BASSDEF(int) BASS_ErrorGetCode();
BASSDEF(BOOL) BASS_SetConfig(DWORD option, DWORD value);
BASSDEF(DWORD) BASS_GetConfig(DWORD option);
// Device 0 is "No sound"; real devices count from 1; NULL past the last one.
BASSDEF(const char*) BASS_GetDeviceDescription(DWORD device);
// device -1 opens the default output; without one the output is silent but keeps time.
BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const GUID* clsid);
BASSDEF(BOOL) BASS_Free();
// The number of the device BASS_Init opened (the default output is device 1); -1 before init.
BASSDEF(DWORD) BASS_GetDevice();

// Only memory streams: `file` points at `length` bytes that must outlive the channel.
BASSDEF(HSTREAM) BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                       DWORD flags);
BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle);
// freq 0 renders at the device's rate.
BASSDEF(HMUSIC) BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length,
                               DWORD flags, DWORD freq);
BASSDEF(BOOL) BASS_MusicFree(HMUSIC handle);

BASSDEF(BOOL) BASS_ChannelPlay(DWORD handle, BOOL restart);
BASSDEF(BOOL) BASS_ChannelStop(DWORD handle);
BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle);
BASSDEF(BOOL) BASS_ChannelSetFlags(DWORD handle, DWORD flags);
// freq: 0 the channel's own rate, -1 unchanged; volume: 0..max, -1 unchanged;
// pan: -100 (left) .. 100 (right), -101 unchanged.
BASSDEF(BOOL) BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);

// Positions and lengths are in bytes of the channel's own format (16-bit samples); -1 on error.
// Setting a position past the end moves to the end.
BASSDEF(QWORD) BASS_ChannelGetLength(DWORD handle);
BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle);
BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD pos);
BASSDEF(float) BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, float pos);

BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
