#pragma once
// The parts every Direct3D resource shares: the context hold, the pool and the priority.

#include "com_object.h"
#include "gl_context.h"

namespace d3d9gl {

template <class Interface>
class Resource : public ComObject<Interface> {
public:
    Resource(std::shared_ptr<GLContext> context, D3DPOOL pool)
        : context_(std::move(context), pool == D3DPOOL_DEFAULT), pool_(pool) {}

    HRESULT GetDevice(IDirect3DDevice9** device) override { return context_.getDevice(device); }
    DWORD SetPriority(DWORD priority) override {
        DWORD old = priority_;
        priority_ = priority;
        return old;
    }
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}

protected:
    ContextRef context_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
};

}  // namespace d3d9gl
