#include <tormakelin/render/RenderTarget.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/ResourceType.h>
#include <tormakelin/render/Texture.h>

#include "DepthBufferImpl.h"
#include "SavedTargets.h"

namespace tormakelin::render {

namespace {

IRenderView* fullView(unsigned width, unsigned height)
{
    IRenderView* view = createRenderView();
    view->addRef();
    view->getViewport() = {0, 0, width, height, 0.0f, 1.0f};
    return view;
}

// Makes a surface target 0 with its depth buffer (when there is one) and its view, and puts back
// what was current when the matching end comes (or the device is lost).
class TargetBinding {
public:
    TargetBinding() : m_saved([](void* self) { static_cast<TargetBinding*>(self)->forceEnd(); }, this) {}
    TargetBinding(const TargetBinding&) = delete;
    TargetBinding& operator=(const TargetBinding&) = delete;
    ~TargetBinding() { forceEnd(); }

    // False, and counted, while a begin is in force.
    bool mayBegin() { return m_state.mayBegin(); }

    void begin(IDirect3DSurface9* surface, DepthBuffer* depth, IRenderView* view)
    {
        m_saved.save(false);
        setTarget(surface);
        if (depth != nullptr) {
            depth->bind();
        }
        view->begin();
        m_depth = depth;
        m_view = view;
        m_state.begun();
    }

    bool end()
    {
        if (!m_state.mayEnd()) {
            return false;
        }
        restore();
        return true;
    }

    // Ends a begin in force, refused ones included (device loss, destruction).
    void forceEnd()
    {
        if (m_state.forceEnd()) {
            restore();
        }
    }

private:
    void restore()
    {
        m_saved.restore();
        if (m_depth != nullptr) {
            m_depth->restore();
        }
        m_view->end();
        m_depth = nullptr;
        m_view = nullptr;
    }

    SavedTargets m_saved;
    BeginState m_state;
    DepthBuffer* m_depth = nullptr;
    IRenderView* m_view = nullptr;
};

// Its texture and depth buffer make themselves again after a reset, so the objects callers
// were given stay valid.
class RenderTargetTexture final : public core::RefCounted<IRenderTargetTexture> {
public:
    ~RenderTargetTexture() override
    {
        m_binding.forceEnd();
        if (m_texture != nullptr) {
            m_texture->release();
        }
        if (m_depth != nullptr) {
            m_depth->release();
        }
        if (m_view != nullptr) {
            m_view->release();
        }
    }

    bool create(unsigned width, unsigned height, D3DFORMAT format, bool useDepth)
    {
        m_texture = new Texture();
        m_texture->addRef();
        const TextureCreateParams params{1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT};
        if (!m_texture->create(width, height, &params)) {
            return false;
        }
        if (useDepth) {
            // A texture has one sample, so its depth surface has one too.
            m_depth = new DepthBuffer(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, true);
            m_depth->addRef();
            if (!m_depth->create()) {
                return false;
            }
        }
        m_view = fullView(width, height);
        return true;
    }

    int getResourceType() override { return ResourceType_RenderTargetTexture; }

    bool begin() override
    {
        IDirect3DSurface9* level = nullptr;
        if (!m_binding.mayBegin()) {
            return false;
        }
        if (m_texture->getTexture() == nullptr || FAILED(m_texture->getTexture()->GetSurfaceLevel(0, &level))) {
            return false;
        }
        m_binding.begin(level, m_depth, m_view);
        level->Release();
        return true;
    }

    bool end() override { return m_binding.end(); }

    IRenderView* getRenderView() override { return m_view; }
    ITexture* getTexture() override { return m_texture; }
    IDirect3DSurface9* getDepthSurface() override { return m_depth ? shareSurface(m_depth->getSurface()) : nullptr; }

private:
    Texture* m_texture = nullptr;
    DepthBuffer* m_depth = nullptr;
    IRenderView* m_view = nullptr;
    TargetBinding m_binding;
};

class RenderTarget final : public core::RefCounted<IRenderTarget>, public RenderListener {
public:
    RenderTarget(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
        bool lockable)
        : RenderListener(true), m_width(width), m_height(height), m_format(format), m_multiSample(multiSample),
          m_quality(quality), m_lockable(lockable)
    {
    }

    ~RenderTarget() override
    {
        m_binding.forceEnd();
        releaseSurface();
        if (m_depth != nullptr) {
            m_depth->release();
        }
        if (m_view != nullptr) {
            m_view->release();
        }
    }

    bool create()
    {
        if (!createSurface()) {
            return false;
        }
        m_depth = new DepthBuffer(m_width, m_height, D3DFMT_D24S8, m_multiSample, m_quality, true);
        m_depth->addRef();
        if (!m_depth->create()) {
            return false;
        }
        m_view = fullView(m_width, m_height);
        return true;
    }

    int getResourceType() override { return ResourceType_RenderTarget; }

    bool begin() override
    {
        if (!m_binding.mayBegin() || m_surface == nullptr) {
            return false;
        }
        m_binding.begin(m_surface, m_depth, m_view);
        return true;
    }

    bool end() override { return m_binding.end(); }

    IRenderView* getRenderView() override { return m_view; }
    IDirect3DSurface9* getSurface() override { return shareSurface(m_surface); }
    IDirect3DSurface9* getDepthSurface() override { return shareSurface(m_depth->getSurface()); }

    bool onLostDevice() override
    {
        if (m_surface != nullptr) {
            m_binding.forceEnd();
            releaseSurface();
            m_lost = true;
        }
        return true;
    }

    bool onResetDevice() override { return !m_lost || createSurface(); }

private:
    bool createSurface()
    {
        IDirect3DSurface9* surface = nullptr;
        if (g_d3d == nullptr ||
            FAILED(g_d3d->CreateRenderTarget(m_width, m_height, m_format, m_multiSample, m_quality,
                m_lockable ? TRUE : FALSE, &surface, nullptr))) {
            return false;
        }
        m_surface = surface;
        m_surface->GetDesc(&m_desc);
        m_lost = false;
        return true;
    }

    void releaseSurface()
    {
        if (m_surface != nullptr) {
            m_surface->Release();
            m_surface = nullptr;
        }
    }

    unsigned m_width;
    unsigned m_height;
    D3DFORMAT m_format;
    D3DMULTISAMPLE_TYPE m_multiSample;
    DWORD m_quality;
    bool m_lockable;
    IDirect3DSurface9* m_surface = nullptr;
    D3DSURFACE_DESC m_desc{};
    DepthBuffer* m_depth = nullptr;
    IRenderView* m_view = nullptr;
    TargetBinding m_binding;
    bool m_lost = false;
};

} // namespace

IRenderTargetTexture* createRenderTargetTexture(unsigned width, unsigned height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE, DWORD, DWORD, bool useDepth)
{
    auto* target = new RenderTargetTexture();
    if (!target->create(width, height, format, useDepth)) {
        delete target;
        return nullptr;
    }
    return target;
}

IRenderTarget* createRenderTarget(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
    DWORD quality, bool lockable)
{
    auto* target = new RenderTarget(width, height, format, multiSample, quality, lockable);
    if (!target->create()) {
        delete target;
        return nullptr;
    }
    return target;
}

} // namespace tormakelin::render
