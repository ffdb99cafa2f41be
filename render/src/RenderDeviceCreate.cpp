#include "RenderDeviceImpl.h"
#include "WindowAccess.h"

#include <algorithm>

#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/PostProcessor.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/TextureManager.h>

namespace tormakelin::render {

namespace {

GpuVendor vendorFromId(DWORD vendorId)
{
    switch (vendorId) {
    case 0x1002: return GpuVendor_ATI;
    case 0x10DE: return GpuVendor_NVIDIA;
    case 0x8086: return GpuVendor_Intel;
    case 0x1039: return GpuVendor_SiS;
    default: return GpuVendor_Other;
    }
}

} // namespace

bool RenderDevice::create(IRenderWindow* window, const DeviceCreateParams& params)
{
    if (window == nullptr) {
        return false;
    }
    if (m_device != nullptr || m_direct3D != nullptr) {
        destroy();
    }
    m_window = window;
    m_params = params;
    m_presentParams = {};

    m_direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (m_direct3D == nullptr) {
        return false;
    }
    if (params.fullscreen) {
        setWindowFullscreen(window, true);
    }
    HWND handle = getWindowHandle(window);
    fillPresentParameters(handle);
    fitMultiSample();

    D3DDEVTYPE type = static_cast<D3DDEVTYPE>(params.deviceType);
    DWORD behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (params.reference) {
        type = D3DDEVTYPE_REF;
        behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    } else if (params.vertexProcessing == VertexProcessing_PureDevice) {
        behaviour |= D3DCREATE_PUREDEVICE;
    }
    if (FAILED(m_direct3D->CreateDevice(params.adapter, type, handle, behaviour, &m_presentParams, &m_device))) {
        m_device = nullptr;
        return false;
    }
    g_d3d = m_device;
    applyGamma();
    readDeviceInfo();
    return createManagers();
}

void RenderDevice::fillPresentParameters(HWND window)
{
    D3DPRESENT_PARAMETERS& pp = m_presentParams;
    const bool windowed = !m_params.fullscreen;
    pp.Windowed = windowed ? TRUE : FALSE;
    pp.BackBufferWidth = m_params.width;
    pp.BackBufferHeight = m_params.height;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.EnableAutoDepthStencil = TRUE;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(m_params.multiSampleType);
    pp.MultiSampleQuality = m_params.multiSampleQuality;
    pp.Flags = m_params.presentFlags;
    // A refresh rate is for full screen only; windowed devices refuse any but 0.
    pp.FullScreen_RefreshRateInHz = windowed ? 0 : m_params.refreshRate;
    pp.PresentationInterval = m_params.vsync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    pp.BackBufferCount = windowed ? 1 : m_params.backBufferCount;
}

void RenderDevice::fitMultiSample()
{
    D3DPRESENT_PARAMETERS& pp = m_presentParams;
    const int wanted = m_params.multiSampleType;
    const D3DDEVTYPE type = static_cast<D3DDEVTYPE>(m_params.deviceType);
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.MultiSampleQuality = 0;
    constexpr int fewest = D3DMULTISAMPLE_2_SAMPLES;
    constexpr int most = D3DMULTISAMPLE_16_SAMPLES;
    if (wanted < fewest || wanted > most) {
        return;
    }
    for (int samples = wanted; samples >= fewest; --samples) {
        const auto candidate = static_cast<D3DMULTISAMPLE_TYPE>(samples);
        DWORD colourLevels = 0;
        DWORD depthLevels = 0;
        if (SUCCEEDED(m_direct3D->CheckDeviceMultiSampleType(
                m_params.adapter, type, pp.BackBufferFormat, pp.Windowed, candidate, &colourLevels)) &&
            SUCCEEDED(m_direct3D->CheckDeviceMultiSampleType(
                m_params.adapter, type, pp.AutoDepthStencilFormat, pp.Windowed, candidate, &depthLevels))) {
            const DWORD levels = std::min(colourLevels, depthLevels);
            pp.MultiSampleType = candidate;
            pp.MultiSampleQuality = levels == 0 ? 0 : std::min<DWORD>(m_params.multiSampleQuality, levels - 1);
            return;
        }
    }
}

void RenderDevice::applyGamma()
{
    D3DCAPS9 caps{};
    m_device->GetDeviceCaps(&caps);
    if (!(m_params.gamma > 1.000001f)) {
        return;
    }
    D3DGAMMARAMP ramp{};
    calculateGammaRamp(m_params.gamma, ramp.red);
    calculateGammaRamp(m_params.gamma, ramp.green);
    calculateGammaRamp(m_params.gamma, ramp.blue);
    if (caps.Caps2 & D3DCAPS2_FULLSCREENGAMMA) {
        const DWORD flags = (caps.Caps2 & D3DCAPS2_CANCALIBRATEGAMMA) ? D3DSGR_CALIBRATE : D3DSGR_NO_CALIBRATION;
        m_device->SetGammaRamp(0, flags, &ramp);
    }
}

void RenderDevice::readDeviceInfo()
{
    D3DADAPTER_IDENTIFIER9 identifier{};
    m_deviceInfo.vendor = SUCCEEDED(m_direct3D->GetAdapterIdentifier(m_params.adapter, 0, &identifier))
        ? vendorFromId(identifier.VendorId)
        : GpuVendor_Other;
    m_deviceInfo.shaderModel =
        getShaderModel(m_direct3D, m_params.adapter, m_params.reference ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL);
}

bool RenderDevice::createManagers()
{
    m_backBuffer = createBackBuffer();
    m_backBuffer->addRef();
    m_stateManager = new StateManager(m_device);
    addListener(m_stateManager);
    m_shaderManager = new ShaderManager();
    m_textureManager = new TextureManager();
    g_textureManager = m_textureManager;
    m_postProcessor = createPostProcessor();
    if (m_postProcessor != nullptr) {
        m_postProcessor->addRef();
    }
    m_defaultView = createRenderView();
    m_defaultView->addRef();
    m_defaultView->getViewport() = {0, 0, m_presentParams.BackBufferWidth, m_presentParams.BackBufferHeight, 0.0f, 1.0f};
    setRenderView(m_defaultView);
    return true;
}

void RenderDevice::destroy()
{
    if (m_postProcessor != nullptr) {
        m_postProcessor->release();
        m_postProcessor = nullptr;
    }
    delete m_shaderManager;
    m_shaderManager = nullptr;
    if (g_textureManager == m_textureManager) {
        g_textureManager = nullptr;
    }
    delete m_textureManager;
    m_textureManager = nullptr;
    for (IRenderView** view : {&m_defaultView, &m_currentView}) {
        if (*view != nullptr) {
            (*view)->release();
            *view = nullptr;
        }
    }
    if (m_backBuffer != nullptr) {
        m_backBuffer->release();
        m_backBuffer = nullptr;
    }
    if (m_stateManager != nullptr) {
        // Effects may still hold it: it lives on, cut off from the device.
        removeListener(m_stateManager);
        m_stateManager->detach();
        m_stateManager->Release();
        m_stateManager = nullptr;
    }
    m_lost = false;
    m_listenersLost = false;
    m_window = nullptr;
    m_scissorStack.clear();
    if (g_d3d == m_device) {
        g_d3d = nullptr;
    }
    if (m_device != nullptr) {
        m_device->Release();
        m_device = nullptr;
    }
    if (m_direct3D != nullptr) {
        m_direct3D->Release();
        m_direct3D = nullptr;
    }
}

} // namespace tormakelin::render
