#include "SavedTargets.h"

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

namespace tormakelin::render {

namespace {

void forgetTargets()
{
    if (g_stateManager != nullptr) {
        g_stateManager->invalidateRenderTargets();
    }
}

} // namespace

bool SavedTargets::save(bool depth)
{
    drop();
    if (g_d3d == nullptr) {
        return false;
    }
    g_d3d->GetRenderTarget(0, &m_target);
    m_hasDepth = depth;
    if (depth && FAILED(g_d3d->GetDepthStencilSurface(&m_depth))) {
        m_depth = nullptr;
    }
    m_saved = true;
    link();
    return true;
}

void SavedTargets::restore()
{
    if (m_saved && g_d3d != nullptr) {
        if (m_target != nullptr) {
            g_d3d->SetRenderTarget(0, m_target);
        }
        if (m_hasDepth) {
            g_d3d->SetDepthStencilSurface(m_depth);
        }
        forgetTargets();
    }
    drop();
}

void SavedTargets::endAll()
{
    while (s_latest != nullptr) {
        SavedTargets* const latest = s_latest;
        latest->m_endAtLoss(latest->m_owner);
        // An owner that no longer counts the begin as in force still gets its surfaces back.
        if (s_latest == latest) {
            latest->restore();
        }
    }
}

void SavedTargets::link()
{
    m_earlier = s_latest;
    m_later = nullptr;
    if (m_earlier != nullptr) {
        m_earlier->m_later = this;
    }
    s_latest = this;
}

void SavedTargets::unlink()
{
    if (!m_saved) {
        return;
    }
    if (m_earlier != nullptr) {
        m_earlier->m_later = m_later;
    }
    if (m_later != nullptr) {
        m_later->m_earlier = m_earlier;
    } else {
        s_latest = m_earlier;
    }
    m_earlier = m_later = nullptr;
}

void SavedTargets::drop()
{
    unlink();
    for (IDirect3DSurface9** surface : {&m_target, &m_depth}) {
        if (*surface != nullptr) {
            (*surface)->Release();
            *surface = nullptr;
        }
    }
    m_saved = false;
    m_hasDepth = false;
}

bool setTarget(IDirect3DSurface9* surface)
{
    const bool ok = g_d3d != nullptr && surface != nullptr && g_d3d->SetRenderTarget(0, surface) == D3D_OK;
    forgetTargets();
    return ok;
}

bool setDepth(IDirect3DSurface9* surface)
{
    const bool ok = g_d3d != nullptr && g_d3d->SetDepthStencilSurface(surface) == D3D_OK;
    forgetTargets();
    return ok;
}

void endBegunTargets()
{
    SavedTargets::endAll();
}

IDirect3DSurface9* shareSurface(IDirect3DSurface9* surface)
{
    if (surface != nullptr) {
        surface->AddRef();
    }
    return surface;
}

} // namespace tormakelin::render
