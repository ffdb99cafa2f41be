#pragma once
// The render device behind IRenderDevice.

#include <vector>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>

namespace tormakelin::render {

class RenderDevice final : public core::RefCounted<IRenderDevice> {
public:
    RenderDevice();
    ~RenderDevice() override;

    bool create(IRenderWindow* window, const DeviceCreateParams& params) override;
    void destroy() override;
    bool beginScene() override;
    bool endScene() override;
    HRESULT clear(uint32_t flags, const D3DXVECTOR4& colour, float z, int stencil) override;
    bool resize(uint32_t width, uint32_t height) override;
    bool setFullscreen(bool fullscreen) override;
    bool present() override;
    bool notifyLostDevice() override;
    bool notifyResetDevice() override;
    bool addListener(RenderListener* listener) override;
    bool removeListener(RenderListener* listener) override;
    HRESULT setRenderView(IRenderView* view) override;
    IRenderView* getRenderView() override { return m_currentView; }
    IRenderTarget* getBackBuffer() override { return m_backBuffer; }
    IPostProcessor* getPostProcessor() override { return m_postProcessor; }
    IDirect3D9* getDirect3D() override { return m_direct3D; }
    IDirect3DDevice9* getD3DDevice() override { return m_device; }
    D3DPRESENT_PARAMETERS* getPresentParameters() override { return &m_presentParams; }
    TextureManager* getTextureManager() override { return m_textureManager; }
    StateManager* getStateManager() override { return m_stateManager; }
    ShaderManager* getShaderManager() override { return m_shaderManager; }
    HRESULT drawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) override;
    HRESULT drawPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const void* data,
        uint32_t stride) override;
    HRESULT drawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, uint32_t minIndex, uint32_t numVertices,
        uint32_t startIndex, uint32_t primitiveCount) override;
    HRESULT drawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minVertexIndex, uint32_t numVertices,
        uint32_t primitiveCount, const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
        uint32_t stride) override;
    DeviceInfo* getDeviceInfo() override { return &m_deviceInfo; }
    RenderStatistics* getStatistics() override { return &m_statistics; }
    ShaderSettings* getShaderSettings() override { return &m_shaderSettings; }
    void setShaderSettings(const ShaderSettings& settings) override { m_shaderSettings = settings; }
    void pushScissorRect(const RECT& rect) override;
    void popScissorRect() override;
    void applyScissorRect() override;

private:
    void fillPresentParameters(HWND window);
    void fitMultiSample();
    void applyGamma();
    void readDeviceInfo();
    bool createManagers();
    // Lost-device recovery, asked at the start of every frame while lost.
    bool recover();
    // Reset with `params`; on success they become the current record and the default view follows.
    bool resetWith(const D3DPRESENT_PARAMETERS& params);
    bool isListener(RenderListener* listener) const;
    void countDraw(uint32_t primitiveCount);
    void forgetStreamZero();
    void setScissor(const RECT& rect);

    IDirect3D9* m_direct3D = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    D3DPRESENT_PARAMETERS m_presentParams{};
    bool m_lost = false;
    // The listeners were told of a loss and not yet of the reset.
    bool m_listenersLost = false;
    IRenderWindow* m_window = nullptr;
    DeviceCreateParams m_params;
    std::vector<RenderListener*> m_listeners;
    TextureManager* m_textureManager = nullptr;
    StateManager* m_stateManager = nullptr;
    ShaderManager* m_shaderManager = nullptr;
    IRenderView* m_defaultView = nullptr;
    IRenderView* m_currentView = nullptr;
    IRenderTarget* m_backBuffer = nullptr;
    IPostProcessor* m_postProcessor = nullptr;
    DeviceInfo m_deviceInfo;
    RenderStatistics m_statistics;
    ShaderSettings m_shaderSettings;
    std::vector<RECT> m_scissorStack;
};

} // namespace tormakelin::render
