#pragma once
// The device state that text and lines change, saved before they draw and put back after, the
// small pipeline (shaders, declaration) they draw with, and their reference counting.
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

// Reference counting and the device reference of the text and line objects; starts at one
// reference, held by the creator.
template <class Interface>
class DeviceObject : public Interface {
public:
    explicit DeviceObject(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
    virtual ~DeviceObject() { device_->Release(); }
    DeviceObject(const DeviceObject&) = delete;
    DeviceObject& operator=(const DeviceObject&) = delete;

    HRESULT QueryInterface(REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }

protected:
    IDirect3DDevice9* const device_;

private:
    ULONG refs_ = 1;
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
