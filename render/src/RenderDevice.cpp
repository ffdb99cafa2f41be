#include "RenderDeviceImpl.h"
#include "SavedTargets.h"
#include "WindowAccess.h"

#include <algorithm>

#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/StateManager.h>

namespace tormakelin::render {

namespace {

// A colour channel as a byte: 1 and above is 255, 0 and below (and NaN) is 0.
DWORD channelByte(float c)
{
    if (!(c > 0.0f)) {
        return 0;
    }
    if (c >= 1.0f) {
        return 255;
    }
    return static_cast<DWORD>(c * 255.0f + 0.5f);
}

} // namespace

IRenderDevice* createRenderDevice()
{
    return new RenderDevice();
}

RenderDevice::RenderDevice()
{
    g_renderDevice = this;
}

RenderDevice::~RenderDevice()
{
    destroy();
    if (g_renderDevice == this) {
        g_renderDevice = nullptr;
    }
}

bool RenderDevice::beginScene()
{
    if (m_device == nullptr) {
        return false;
    }
    if (m_lost && !recover()) {
        return false;
    }
    if (FAILED(m_device->BeginScene())) {
        m_lost = true;
        return false;
    }
    if (m_stateManager != nullptr) {
        m_stateManager->begin();
    }
    m_statistics = {};
    if (m_defaultView != nullptr && m_currentView != m_defaultView) {
        m_defaultView->addRef();
        if (m_currentView != nullptr) {
            m_currentView->release();
        }
        m_currentView = m_defaultView;
    }
    return true;
}

bool RenderDevice::endScene()
{
    if (m_device == nullptr || m_lost) {
        return false;
    }
    return SUCCEEDED(m_device->EndScene());
}

bool RenderDevice::recover()
{
    const HRESULT level = m_device->TestCooperativeLevel();
    if (level == D3D_OK && !m_listenersLost) {
        m_lost = false;
        return true;
    }
    // A device that answers success while the listeners are released (a failed resize) is
    // reset as one that asks for it.
    if (level != D3D_OK && level != D3DERR_DEVICENOTRESET) {
        return false;
    }
    notifyLostDevice();
    if (!resetWith(m_presentParams)) {
        return false;
    }
    notifyResetDevice();
    m_lost = false;
    invalidateWindow(m_window);
    return true;
}

bool RenderDevice::resetWith(const D3DPRESENT_PARAMETERS& params)
{
    D3DPRESENT_PARAMETERS copy = params;
    if (m_device == nullptr || FAILED(m_device->Reset(&copy))) {
        return false;
    }
    m_presentParams = copy;
    if (m_defaultView != nullptr) {
        D3DVIEWPORT9& viewport = m_defaultView->getViewport();
        viewport.Width = m_presentParams.BackBufferWidth;
        viewport.Height = m_presentParams.BackBufferHeight;
    }
    return true;
}

bool RenderDevice::resize(uint32_t width, uint32_t height)
{
    if (m_device == nullptr) {
        return false;
    }
    D3DPRESENT_PARAMETERS params = m_presentParams;
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    // Whatever fails here leaves the device lost, so the next frame recovers it.
    if (!notifyLostDevice() || !resetWith(params)) {
        m_lost = true;
        return false;
    }
    return notifyResetDevice();
}

bool RenderDevice::setFullscreen(bool fullscreen)
{
    if (m_device == nullptr) {
        return false;
    }
    D3DPRESENT_PARAMETERS params = m_presentParams;
    params.Windowed = fullscreen ? FALSE : TRUE;
    params.BackBufferCount = fullscreen ? m_params.backBufferCount : 1;
    params.FullScreen_RefreshRateInHz = fullscreen ? m_params.refreshRate : 0;
    if (!notifyLostDevice() || !resetWith(params)) {
        m_lost = true;
        return false;
    }
    if (!notifyResetDevice()) {
        return false;
    }
    setWindowFullscreen(m_window, fullscreen);
    if (!fullscreen) {
        centerWindow(m_window);
    }
    return true;
}

bool RenderDevice::present()
{
    if (m_device == nullptr || m_lost) {
        return false;
    }
    const HRESULT result = m_device->Present(nullptr, nullptr, nullptr, nullptr);
    if (result == D3DERR_DEVICELOST) {
        m_lost = true;
        return false;
    }
    return SUCCEEDED(result);
}

bool RenderDevice::isListener(RenderListener* listener) const
{
    return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
}

bool RenderDevice::notifyLostDevice()
{
    // Told again when a reset failed: listeners take a second loss in their stride, and one
    // that could not let go the first time gets another chance.
    m_listenersLost = true;
    endBegunTargets();
    // Listeners may join or leave during the calls: walk a copy, skip those that left.
    const std::vector<RenderListener*> listeners = m_listeners;
    bool ok = true;
    for (RenderListener* listener : listeners) {
        if (isListener(listener)) {
            ok = listener->onLostDevice() && ok;
        }
    }
    return ok;
}

bool RenderDevice::notifyResetDevice()
{
    m_listenersLost = false;
    const std::vector<RenderListener*> listeners = m_listeners;
    bool ok = true;
    for (RenderListener* listener : listeners) {
        if (isListener(listener)) {
            ok = listener->onResetDevice() && ok;
        }
    }
    return ok;
}

bool RenderDevice::addListener(RenderListener* listener)
{
    if (listener == nullptr || isListener(listener)) {
        return false;
    }
    m_listeners.push_back(listener);
    return true;
}

bool RenderDevice::removeListener(RenderListener* listener)
{
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it == m_listeners.end()) {
        return false;
    }
    m_listeners.erase(it);
    return true;
}

HRESULT RenderDevice::clear(uint32_t flags, const D3DXVECTOR4& colour, float z, int stencil)
{
    DWORD d3dFlags = 0;
    if (flags & Clear_Colour) {
        d3dFlags |= D3DCLEAR_TARGET;
    }
    if (flags & Clear_Stencil) {
        d3dFlags |= D3DCLEAR_STENCIL;
    }
    if (flags & Clear_Depth) {
        d3dFlags |= D3DCLEAR_ZBUFFER;
    }
    const D3DCOLOR packed = (channelByte(colour.w) << 24) | (channelByte(colour.x) << 16) |
        (channelByte(colour.y) << 8) | channelByte(colour.z);
    if (m_device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    return m_device->Clear(0, nullptr, d3dFlags, packed, z, static_cast<DWORD>(stencil));
}

HRESULT RenderDevice::setRenderView(IRenderView* view)
{
    if (view == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    view->addRef();
    if (m_currentView != nullptr) {
        m_currentView->release();
    }
    m_currentView = view;
    if (m_device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT result = m_device->SetViewport(&view->getViewport());
    applyScissorRect();
    return result;
}

void RenderDevice::countDraw(uint32_t primitiveCount)
{
    m_statistics.primitives += static_cast<int>(primitiveCount);
    m_statistics.drawCalls += 1;
}

void RenderDevice::forgetStreamZero()
{
    // Drawing from user memory unbinds stream 0 and the indices on the device.
    if (m_stateManager != nullptr) {
        m_stateManager->SetStreamSource(0, nullptr, 0, 0);
        m_stateManager->SetIndices(nullptr);
    }
}

HRESULT RenderDevice::drawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount)
{
    const HRESULT result =
        m_device ? m_device->DrawPrimitive(type, startVertex, primitiveCount) : D3DERR_INVALIDCALL;
    countDraw(primitiveCount);
    return result;
}

HRESULT RenderDevice::drawPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const void* data,
    uint32_t stride)
{
    forgetStreamZero();
    const HRESULT result =
        m_device ? m_device->DrawPrimitiveUP(type, primitiveCount, data, stride) : D3DERR_INVALIDCALL;
    countDraw(primitiveCount);
    return result;
}

HRESULT RenderDevice::drawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, uint32_t minIndex,
    uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount)
{
    const HRESULT result = m_device
        ? m_device->DrawIndexedPrimitive(type, baseVertex, minIndex, numVertices, startIndex, primitiveCount)
        : D3DERR_INVALIDCALL;
    countDraw(primitiveCount);
    return result;
}

HRESULT RenderDevice::drawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minVertexIndex, uint32_t numVertices,
    uint32_t primitiveCount, const void* indexData, D3DFORMAT indexFormat, const void* vertexData, uint32_t stride)
{
    forgetStreamZero();
    const HRESULT result = m_device
        ? m_device->DrawIndexedPrimitiveUP(
              type, minVertexIndex, numVertices, primitiveCount, indexData, indexFormat, vertexData, stride)
        : D3DERR_INVALIDCALL;
    countDraw(primitiveCount);
    return result;
}

void RenderDevice::setScissor(const RECT& rect)
{
    if (m_stateManager != nullptr) {
        m_stateManager->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    }
    if (m_device != nullptr) {
        m_device->SetScissorRect(&rect);
    }
}

void RenderDevice::pushScissorRect(const RECT& rect)
{
    m_scissorStack.push_back(rect);
    setScissor(rect);
}

void RenderDevice::popScissorRect()
{
    if (m_scissorStack.empty()) {
        return;
    }
    m_scissorStack.pop_back();
    if (!m_scissorStack.empty()) {
        setScissor(m_scissorStack.back());
    } else if (m_stateManager != nullptr) {
        m_stateManager->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    }
}

void RenderDevice::applyScissorRect()
{
    if (!m_scissorStack.empty()) {
        setScissor(m_scissorStack.back());
    }
}

} // namespace tormakelin::render
