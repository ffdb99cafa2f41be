#include <tormakelin/render/SwapChain.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/RenderWindow.h>

#include "SavedTargets.h"

namespace tormakelin::render {

namespace {

// Keeps what it was made with, so it lets go before a reset and comes back after it.
class SwapChain final : public core::RefCounted<ISwapChain>, public RenderListener {
public:
    SwapChain() : RenderListener(true), m_saved([](void* self) { static_cast<SwapChain*>(self)->endDrawing(); }, this)
    {
    }
    ~SwapChain() override
    {
        endDrawing();
        releaseChain();
    }

    bool create(unsigned width, unsigned height, D3DFORMAT format) override
    {
        releaseChain();
        m_width = width;
        m_height = height;
        m_format = format;
        m_created = make();
        return m_created;
    }

    bool begin() override
    {
        IDirect3DSurface9* back = nullptr;
        if (!m_state.mayBegin()) {
            return false;
        }
        if (m_chain == nullptr || m_depth == nullptr || FAILED(m_chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
            return false;
        }
        m_saved.save(true);
        setTarget(back);
        back->Release();
        setDepth(m_depth);
        m_state.begun();
        return true;
    }

    bool end() override
    {
        if (!m_state.mayEnd()) {
            return false;
        }
        m_saved.restore();
        return true;
    }

    bool present() override
    {
        return m_chain != nullptr && m_depth != nullptr &&
            SUCCEEDED(m_chain->Present(nullptr, nullptr, nullptr, nullptr, 0));
    }

    bool onLostDevice() override
    {
        endDrawing();
        releaseChain();
        return true;
    }

    bool onResetDevice() override { return !m_created || m_chain != nullptr || make(); }

private:
    // Ends a begin in force, refused ones included (device loss, destruction).
    void endDrawing()
    {
        if (m_state.forceEnd()) {
            m_saved.restore();
        }
    }

    bool make()
    {
        if (g_d3d == nullptr || g_renderDevice == nullptr) {
            return false;
        }
        D3DPRESENT_PARAMETERS params = *g_renderDevice->getPresentParameters();
        params.BackBufferWidth = m_width;
        params.BackBufferHeight = m_height;
        params.BackBufferFormat = m_format;
        // Additional chains are never full screen.
        params.Windowed = TRUE;
        params.BackBufferCount = 1;
        params.FullScreen_RefreshRateInHz = 0;
        IDirect3DSwapChain9* chain = nullptr;
        if (FAILED(g_d3d->CreateAdditionalSwapChain(&params, &chain))) {
            return false;
        }
        m_chain = chain;
        IDirect3DSurface9* depth = nullptr;
        if (FAILED(g_d3d->CreateDepthStencilSurface(m_width, m_height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE,
                &depth, nullptr))) {
            releaseChain();
            return false;
        }
        m_depth = depth;
        return true;
    }

    void releaseChain()
    {
        if (m_depth != nullptr) {
            m_depth->Release();
            m_depth = nullptr;
        }
        if (m_chain != nullptr) {
            m_chain->Release();
            m_chain = nullptr;
        }
    }

    IDirect3DSwapChain9* m_chain = nullptr;
    IDirect3DSurface9* m_depth = nullptr;
    unsigned m_width = 0;
    unsigned m_height = 0;
    D3DFORMAT m_format = D3DFMT_UNKNOWN;
    bool m_created = false;
    BeginState m_state;
    SavedTargets m_saved;
};

class DeviceDummy final : public core::RefCounted<IDeviceDummy> {
public:
    ~DeviceDummy() override
    {
        if (m_device != nullptr) {
            m_device->release();
        }
        delete m_window;
    }

    bool create()
    {
        m_window = createRenderWindow();
        if (m_window == nullptr ||
            !m_window->create(32, 32, "Tormakelin.Render.DeviceDummy", RenderWindowStyle(0), nullptr)) {
            return false;
        }
        m_device = createRenderDevice();
        m_device->addRef();
        DeviceCreateParams params;
        params.width = 32;
        params.height = 32;
        return m_device->create(m_window, params);
    }

    bool isValid() override { return m_window != nullptr && m_device != nullptr; }

private:
    RenderWindow* m_window = nullptr;
    IRenderDevice* m_device = nullptr;
};

} // namespace

ISwapChain* createSwapChain()
{
    return new SwapChain();
}

IDeviceDummy* createDeviceDummy()
{
    auto* dummy = new DeviceDummy();
    if (!dummy->create()) {
        delete dummy;
        return nullptr;
    }
    return dummy;
}

} // namespace tormakelin::render
