#include "PlayerApplication.h"

#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/StateManager.h>

#include <algorithm>
#include <cstdio>

namespace tormakelin::client {
namespace {

constexpr int kStatisticsLineHeight = 15;
constexpr size_t kStatisticsLineCapacity = 256;

// An active player polls, so that frames keep coming; an inactive one sleeps until a message.
bool takeMessage(bool active, MSG& message)
{
    if (active)
        return PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (GetMessageA(&message, nullptr, 0, 0) <= 0)
        message.message = WM_QUIT;
    return true;
}

float secondsSinceLastUpdate(core::Timer const& timer)
{
    double const ticks = double(timer.current - timer.last);
    float const seconds = timer.frequency > 0 ? float(ticks / double(timer.frequency)) : 0.0f;
    return std::max(seconds, 0.0f);
}

} // namespace

void PlayerApplication::runMainLoop()
{
    if (m_seams.pinThread)
        m_seams.pinThread();
    else
        core::setSingleProcessorAffinity();
    MSG message{};
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    m_timer.start(true);
    m_playTime = m_startTime;

    while (!m_quit) {
        if (takeMessage(isActive(), message)) {
            if (message.message == WM_QUIT)
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        if (m_toggleRequest)
            toggleScreenMode();
        else
            renderFrame();
        if (!isFullscreen())
            Sleep(1);
        m_timer.update();
        m_delta = secondsSinceLastUpdate(m_timer);
        m_playTime += m_delta;
        if (m_playTime >= m_endTime)
            m_quit = true;
    }
    m_context.scene = nullptr;
    closeDocument();
}

// A switch that fails stays requested and is tried again on the next pass, with no frame drawn
// in between.
void PlayerApplication::toggleScreenMode()
{
    bool const switched = m_device->setFullscreen(!isFullscreen());
    if (switched)
        m_toggleRequest = false;
    Sleep(1);
    if (switched)
        renderFrame();
}

void PlayerApplication::fillUpdateContext()
{
    m_context.time = double(m_playTime);
    m_context.delta = m_delta;
    // The document's update leaves its own tracker here; each pass starts without one.
    m_context.tracker = nullptr;
}

void PlayerApplication::renderFrame()
{
    if (!m_device->beginScene())
        return;
    if (m_letterbox) {
        m_device->clear(render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil,
            D3DXVECTOR4(0, 0, 0, 0), 1.0f, 0);
        m_letterbox->begin();
    }
    fillUpdateContext();
    getDocument()->update(m_context);
    if (m_letterbox)
        m_letterbox->end();
    if (m_debugRender) {
        formatStatistics();
        drawStatistics(1, 1, D3DXVECTOR4(0, 0, 0, 1));
        drawStatistics(0, 0, D3DXVECTOR4(1, 1, 1, 1));
    }
    m_device->endScene();
    if (m_seams.onFrame)
        m_seams.onFrame(*this);
    m_device->present();
}

void PlayerApplication::prepareStatistics()
{
    m_multiSampleText = render::multiSampleToString(m_device->getPresentParameters()->MultiSampleType);
    // Room enough that a frame's lines never reallocate.
    for (std::string& line : m_statisticsLines)
        line.reserve(kStatisticsLineCapacity);
}

void PlayerApplication::formatStatistics()
{
    D3DPRESENT_PARAMETERS const* present = m_device->getPresentParameters();
    render::RenderStatistics const* statistics = m_device->getStatistics();
    render::StateManager const* states = m_device->getStateManager();
    char line[kStatisticsLineCapacity];

    std::snprintf(line, sizeof(line), "Time: %f, Fps: %f", double(m_playTime), double(m_timer.fps));
    m_statisticsLines[0].assign(line);
    std::snprintf(line, sizeof(line), "Multisample: %s, width: %u, height: %u", m_multiSampleText.c_str(),
        unsigned(present->BackBufferWidth), unsigned(present->BackBufferHeight));
    m_statisticsLines[1].assign(line);
    std::snprintf(line, sizeof(line), "Drawcalls: %d, Primitives: %d", statistics->drawCalls, statistics->primitives);
    m_statisticsLines[2].assign(line);
    std::snprintf(line, sizeof(line), "Statechanges: %d, Statechanges sent: %d", states ? int(states->stateChanges) : 0,
        states ? int(states->stateChangesSent) : 0);
    m_statisticsLines[3].assign(line);
}

void PlayerApplication::drawStatistics(int x, int y, D3DXVECTOR4 const& colour)
{
    int const left = x + 8;
    int const top = y + (m_letterbox ? int(m_letterbox->getViewport().Y) : 0) + 8;
    for (int i = 0; i < 4; ++i)
        m_debugRender->drawText(left, top + i * kStatisticsLineHeight, colour, m_statisticsLines[i]);
}

void PlayerApplication::seek(float seconds)
{
    m_playTime = std::clamp(seconds, 0.0f, std::max(m_endTime, 0.0f));
    // The layers hear of the jump, so that music follows the picture.
    fillUpdateContext();
    getDocument()->onPlaybackSetTime(m_context);
}

LRESULT PlayerApplication::messageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            m_quit = true;
            return 0;
        }
        if (wParam == VK_F1 || wParam == VK_F2) {
            if (m_debug)
                seek(m_playTime + (wParam == VK_F1 ? -1.0f : 1.0f));
            return 0;
        }
        break;
    case WM_CLOSE:
        // As Esc: the document and the device go before the window they draw into.
        m_quit = true;
        return 1;
    case WM_HOTKEY:
        if (wParam == WPARAM(kToggleHotKey)) {
            m_toggleRequest = true;
            return 0;
        }
        break;
    case WM_SIZE:
        if (wParam == SIZE_MAXIMIZED)
            m_toggleRequest = true;
        break;
    default:
        break;
    }
    return render::RenderWindow::messageHandler(window, message, wParam, lParam);
}

} // namespace tormakelin::client
