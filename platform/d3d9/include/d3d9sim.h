#pragma once
// Test hooks of our Direct3D 9 layer: injected adapters, device loss, strict resets, GL checks.
// Settings are process-wide and read when the Direct3D object or the device needs them.

#include <cstdint>
#include <vector>

#include "d3d9.h"

// One adapter as Direct3D reports it. Injected adapters replace the ones read from SDL and GL.
struct D3DSimAdapter {
    D3DADAPTER_IDENTIFIER9 identifier{};
    std::vector<D3DDISPLAYMODE> modes;      // X8R8G8B8 modes, in enumeration order
    D3DCAPS9 caps{};
    std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes;  // supported for every format; NONE always is
    // Bytes of texture memory: what the driver says is free where GL's memory-information
    // extensions tell it, else the machine's memory. Devices report it in whole MiB, at most 4095.
    uint64_t textureMemory = 0;
};

// The adapter the layer would report without injection (identifier, modes and caps from SDL and GL).
D3D9_API D3DSimAdapter d3dsimDefaultAdapter();
// Injects adapters for Direct3D objects created from now on; an empty list restores the real ones.
D3D9_API void d3dsimSetAdapters(const std::vector<D3DSimAdapter>& adapters);
// Makes Direct3DCreate9 answer null (as on a machine without Direct3D).
D3D9_API void d3dsimFailDirect3DCreate(bool fail);
// Makes CreateDevice fail with D3DERR_NOTAVAILABLE.
D3D9_API void d3dsimFailCreateDevice(bool fail);
// Makes the next `count` valid CreateVertexBuffer calls fail with D3DERR_OUTOFVIDEOMEMORY.
D3D9_API void d3dsimFailVertexBuffers(unsigned count);

// Loses the device: Present answers D3DERR_DEVICELOST and TestCooperativeLevel D3DERR_DEVICELOST
// for the next `lostPolls` calls, then D3DERR_DEVICENOTRESET until a Reset succeeds.
D3D9_API void d3dsimLoseDevice(IDirect3DDevice9* device, unsigned lostPolls);
// In strict mode Reset fails while a default-pool resource or an additional swap chain lives.
D3D9_API void d3dsimSetStrictReset(bool strict);
// Makes the automatic depth buffer of CreateDevice and Reset fail to be made, as when memory runs out.
D3D9_API void d3dsimFailAutoDepthStencil(bool fail);
// Default-pool resources and additional swap chains alive on the device.
D3D9_API unsigned d3dsimDefaultPoolObjects(IDirect3DDevice9* device);

// GL calls were made on the device's context behind its back: it takes nothing GL holds as known
// and sends every state again with the next draw.
D3D9_API void d3dsimForgetGLState(IDirect3DDevice9* device);

// GL error checking on devices created from now on (on by default in debug builds).
D3D9_API void d3dsimEnableGLChecks(bool enable);
// GL errors raised by the layer's own calls since the last call (the count is then cleared).
D3D9_API unsigned d3dsimTakeGLErrors();
