#pragma once
// A render device that passes every call to a real one and records the user-pointer draws.

#include <cstring>
#include <vector>

#include <tormakelin/render/RenderDevice.h>

namespace render_test {

using namespace tormakelin::render;

struct RecordedDraw {
    D3DPRIMITIVETYPE type;
    uint32_t primitives;
    uint32_t stride;
    std::vector<uint8_t> bytes;
};

class RecordingDevice : public IRenderDevice {
public:
    explicit RecordingDevice(IRenderDevice* real) : m_real(real) {}

    std::vector<RecordedDraw> draws;

    int addRef() override { return m_real->addRef(); }
    int release() override { return m_real->release(); }
    bool create(IRenderWindow* window, const DeviceCreateParams& params) override { return m_real->create(window, params); }
    void destroy() override { m_real->destroy(); }
    bool beginScene() override { return m_real->beginScene(); }
    bool endScene() override { return m_real->endScene(); }
    HRESULT clear(uint32_t flags, const D3DXVECTOR4& colour, float z, int stencil) override
    {
        return m_real->clear(flags, colour, z, stencil);
    }
    bool resize(uint32_t width, uint32_t height) override { return m_real->resize(width, height); }
    bool setFullscreen(bool fullscreen) override { return m_real->setFullscreen(fullscreen); }
    bool present() override { return m_real->present(); }
    bool notifyLostDevice() override { return m_real->notifyLostDevice(); }
    bool notifyResetDevice() override { return m_real->notifyResetDevice(); }
    bool addListener(RenderListener* listener) override { return m_real->addListener(listener); }
    bool removeListener(RenderListener* listener) override { return m_real->removeListener(listener); }
    HRESULT setRenderView(IRenderView* view) override { return m_real->setRenderView(view); }
    IRenderView* getRenderView() override { return m_real->getRenderView(); }
    IRenderTarget* getBackBuffer() override { return m_real->getBackBuffer(); }
    IPostProcessor* getPostProcessor() override { return m_real->getPostProcessor(); }
    IDirect3D9* getDirect3D() override { return m_real->getDirect3D(); }
    IDirect3DDevice9* getD3DDevice() override { return m_real->getD3DDevice(); }
    D3DPRESENT_PARAMETERS* getPresentParameters() override { return m_real->getPresentParameters(); }
    TextureManager* getTextureManager() override { return m_real->getTextureManager(); }
    StateManager* getStateManager() override { return m_real->getStateManager(); }
    ShaderManager* getShaderManager() override { return m_real->getShaderManager(); }
    HRESULT drawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) override
    {
        return m_real->drawPrimitive(type, startVertex, primitiveCount);
    }
    HRESULT drawPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const void* data, uint32_t stride) override
    {
        RecordedDraw draw{type, primitiveCount, stride, {}};
        draw.bytes.resize(size_t(vertexCount(type, primitiveCount)) * stride);
        std::memcpy(draw.bytes.data(), data, draw.bytes.size());
        draws.push_back(std::move(draw));
        return m_real->drawPrimitiveUP(type, primitiveCount, data, stride);
    }
    HRESULT drawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, uint32_t minIndex, uint32_t numVertices,
        uint32_t startIndex, uint32_t primitiveCount) override
    {
        return m_real->drawIndexedPrimitive(type, baseVertex, minIndex, numVertices, startIndex, primitiveCount);
    }
    HRESULT drawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minVertexIndex, uint32_t numVertices,
        uint32_t primitiveCount, const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
        uint32_t stride) override
    {
        return m_real->drawIndexedPrimitiveUP(type, minVertexIndex, numVertices, primitiveCount, indexData, indexFormat,
            vertexData, stride);
    }
    DeviceInfo* getDeviceInfo() override { return m_real->getDeviceInfo(); }
    RenderStatistics* getStatistics() override { return m_real->getStatistics(); }
    ShaderSettings* getShaderSettings() override { return m_real->getShaderSettings(); }
    void setShaderSettings(const ShaderSettings& settings) override { m_real->setShaderSettings(settings); }
    void pushScissorRect(const RECT& rect) override { m_real->pushScissorRect(rect); }
    void popScissorRect() override { m_real->popScissorRect(); }
    void applyScissorRect() override { m_real->applyScissorRect(); }

    static uint32_t vertexCount(D3DPRIMITIVETYPE type, uint32_t primitives)
    {
        switch (type) {
        case D3DPT_POINTLIST:
            return primitives;
        case D3DPT_LINELIST:
            return primitives * 2;
        case D3DPT_LINESTRIP:
            return primitives + 1;
        case D3DPT_TRIANGLELIST:
            return primitives * 3;
        default:
            return primitives + 2;
        }
    }

private:
    IRenderDevice* m_real;
};

} // namespace render_test
