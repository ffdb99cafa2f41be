#include "DepthBufferImpl.h"

#include <tormakelin/render/RenderDevice.h>

namespace tormakelin::render {

DepthBuffer::DepthBuffer(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
    DWORD quality, bool discard)
    : RenderListener(true), m_width(width), m_height(height), m_format(format), m_multiSample(multiSample),
      m_quality(quality), m_discard(discard)
{
}

DepthBuffer::~DepthBuffer()
{
    if (m_saved != nullptr) {
        m_saved->Release();
    }
    releaseSurface();
}

bool DepthBuffer::create()
{
    releaseSurface();
    IDirect3DSurface9* surface = nullptr;
    if (g_d3d == nullptr ||
        FAILED(g_d3d->CreateDepthStencilSurface(m_width, m_height, m_format, m_multiSample, m_quality,
            m_discard ? TRUE : FALSE, &surface, nullptr))) {
        return false;
    }
    m_surface = surface;
    return true;
}

bool DepthBuffer::bind()
{
    if (m_surface == nullptr || m_bound || g_d3d == nullptr) {
        return false;
    }
    if (FAILED(g_d3d->GetDepthStencilSurface(&m_saved))) {
        m_saved = nullptr;
    }
    m_bound = true;
    return setDepth(m_surface);
}

bool DepthBuffer::restore()
{
    if (!m_bound) {
        return false;
    }
    m_bound = false;
    setDepth(m_saved);
    if (m_saved != nullptr) {
        m_saved->Release();
        m_saved = nullptr;
    }
    return true;
}

bool DepthBuffer::onLostDevice()
{
    if (m_surface != nullptr) {
        releaseSurface();
        m_lost = true;
    }
    return true;
}

bool DepthBuffer::onResetDevice()
{
    if (!m_lost) {
        return true;
    }
    m_lost = !create();
    return !m_lost;
}

void DepthBuffer::releaseSurface()
{
    if (m_surface != nullptr) {
        m_surface->Release();
        m_surface = nullptr;
    }
}

IDepthBuffer* createDepthBuffer(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
    DWORD quality, bool discard)
{
    auto* buffer = new DepthBuffer(width, height, format, multiSample, quality, discard);
    if (!buffer->create()) {
        delete buffer;
        return nullptr;
    }
    return buffer;
}

} // namespace tormakelin::render
