#pragma once

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/DepthBuffer.h>
#include <tormakelin/render/RenderListener.h>

#include "SavedTargets.h"

namespace tormakelin::render {

class DepthBuffer final : public core::RefCounted<IDepthBuffer>, public RenderListener {
public:
    DepthBuffer(unsigned width, unsigned height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
        bool discard);
    ~DepthBuffer() override;

    bool bind() override;
    bool restore() override;
    bool onLostDevice() override;
    bool onResetDevice() override;

    bool create();
    IDirect3DSurface9* getSurface() const { return m_surface; }

private:
    void releaseSurface();

    unsigned m_width;
    unsigned m_height;
    D3DFORMAT m_format;
    D3DMULTISAMPLE_TYPE m_multiSample;
    DWORD m_quality;
    bool m_discard;
    IDirect3DSurface9* m_surface = nullptr;
    IDirect3DSurface9* m_saved = nullptr;
    bool m_bound = false;
    bool m_lost = false;
};

} // namespace tormakelin::render
