#include "PlayerApplication.h"

#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

#include <algorithm>

namespace tormakelin::client {
namespace {

constexpr unsigned kFullscreenWidth = 800;
constexpr unsigned kFullscreenHeight = 600;

render::AspectRatio aspectOf(unsigned width, unsigned height)
{
    return render::getAspectRatio(render::DisplayMode{width, height, 0});
}

// Where an extent starts when centred in a larger one; never before 0.
int centredOffset(unsigned outer, unsigned inner)
{
    return std::max(0, (int(outer) - int(inner)) >> 1);
}

unsigned positive(int value)
{
    return unsigned(std::max(value, 0));
}

} // namespace

bool PlayerApplication::createWindowAndDevice()
{
    // One decision feeds both the window style and the device, so "-windowed" after a
    // fullscreen choice still gives a visible window.
    bool const fullscreen = !m_windowedSwitch && ((m_setupRan && m_setup.fullscreen) || m_fullscreenSwitch);
    unsigned width = positive(m_settings.authorWidth);
    unsigned height = positive(m_settings.authorHeight);
    if (m_setupRan && m_setup.width > 0 && m_setup.height > 0) {
        width = m_setup.width;
        height = m_setup.height;
    } else if (!m_setupRan && fullscreen) {
        width = kFullscreenWidth;
        height = kFullscreenHeight;
    }

    unsigned style = render::RenderWindowStyle_Caption;
    style |= fullscreen ? render::RenderWindowStyle_Fullscreen : render::RenderWindowStyle_Visible;
    if (!create(width, height, m_settings.title, render::RenderWindowStyle(style), nullptr)) {
        showError("Unable to create window.");
        return false;
    }
    while (ShowCursor(FALSE) >= 0) {
    }

    render::DeviceCreateParams params;
    params.adapter = m_setupRan && !m_setup.displayAutodetect ? uint32_t(std::max(m_setup.displayDevice, 0)) : 0;
    params.deviceType = D3DDEVTYPE_HAL;
    params.vertexProcessing = render::VertexProcessing_PureDevice;
    params.width = width;
    params.height = height;
    params.fullscreen = fullscreen;
    params.vsync = m_setupRan && m_setup.verticalSync;
    params.multiSampleType = m_setupRan ? m_setup.multiSample : int32_t(D3DMULTISAMPLE_2_SAMPLES);
    params.multiSampleQuality = 0;
    params.presentFlags = 0;
    params.reference = false;
    params.backBufferCount = 3;
    params.refreshRate = 0;
    params.gamma = m_setupRan ? m_setup.gamma : 1.0f;

    m_device = render::createRenderDevice();
    if (m_device)
        m_device->addRef();
    if (!m_device || !m_device->create(this, params)) {
        showError("Unable to create render device.");
        return false;
    }
    createLetterboxView();
    if (m_debug) {
        m_debugRender = render::createDebugRender();
        if (m_debugRender) {
            m_debugRender->addRef();
            prepareStatistics();
        }
    }
    return true;
}

void PlayerApplication::createLetterboxView()
{
    D3DPRESENT_PARAMETERS const* present = m_device->getPresentParameters();
    unsigned const backWidth = present->BackBufferWidth;
    unsigned const backHeight = present->BackBufferHeight;
    unsigned const authorWidth = positive(m_settings.authorWidth);
    unsigned const authorHeight = positive(m_settings.authorHeight);
    if (aspectOf(authorWidth, authorHeight) == aspectOf(backWidth, backHeight))
        return;
    m_letterbox = render::createRenderView();
    if (!m_letterbox)
        return;
    m_letterbox->addRef();
    // Without a rectangle of the document's aspect the outputs are the whole back buffer.
    uint32_t width = backWidth;
    uint32_t height = backHeight;
    render::getNearestViewport(backWidth, backHeight, authorWidth, authorHeight, width, height);
    width = std::min<uint32_t>(width, backWidth);
    height = std::min<uint32_t>(height, backHeight);
    D3DVIEWPORT9& viewport = m_letterbox->getViewport();
    viewport.X = DWORD(centredOffset(backWidth, width));
    viewport.Y = DWORD(centredOffset(backHeight, height));
    viewport.Width = width;
    viewport.Height = height;
}

} // namespace tormakelin::client
