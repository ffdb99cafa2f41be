#pragma once
// The device state that text and lines change, saved before they draw and put back after, and
// the small pipeline (shaders, declaration) they draw with.
#include <array>
#include <utility>

#include "d3d9.h"

namespace d3dxdraw {

// A vertex in pixels of the viewport (z, w pass through), with colour and texture coordinate.
struct ScreenVertex {
    float x, y, z, w;
    D3DCOLOR color;
    float u, v;
};

// Saves and restores everything a user-pointer draw clears (stream 0 and the indices), besides
// the states the pipeline sets.
class SavedState {
public:
    explicit SavedState(IDirect3DDevice9* device);
    ~SavedState();
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    IDirect3DDevice9* device_;
    static constexpr size_t kRenderStateCount = 14, kSamplerStateCount = 5;
    std::array<DWORD, kRenderStateCount> renderStates_{};
    std::array<DWORD, kSamplerStateCount> samplerStates_{};
    IDirect3DVertexShader9* vs_ = nullptr;
    IDirect3DPixelShader9* ps_ = nullptr;
    IDirect3DVertexDeclaration9* decl_ = nullptr;
    IDirect3DBaseTexture9* texture_ = nullptr;
    IDirect3DVertexBuffer9* stream_ = nullptr;
    IDirect3DIndexBuffer9* indices_ = nullptr;
    UINT streamOffset_ = 0, streamStride_ = 0;
    RECT scissor_{};
    float vsConstant_[4] = {};
};

// Shaders and declaration of one device; `textured` samples the alpha of sampler 0.
class Pipeline {
public:
    ~Pipeline() { release(); }
    bool create(IDirect3DDevice9* device);
    void release();
    // Binds the pipeline and the states every draw needs; SavedState must be alive.
    void bind(IDirect3DDevice9* device, bool textured, const RECT* clip);
    bool ready() const { return vs_ && decl_; }

private:
    IDirect3DVertexShader9* vs_ = nullptr;
    IDirect3DPixelShader9* textured_ = nullptr;
    IDirect3DPixelShader9* plain_ = nullptr;
    IDirect3DVertexDeclaration9* decl_ = nullptr;
};

}  // namespace d3dxdraw
