#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/ResourceType.h>

namespace tormakelin::render {

namespace {

// The device's own back buffer: drawing goes there unless something else is begun.
class BackBuffer final : public core::RefCounted<IRenderTarget> {
public:
    int getResourceType() override { return ResourceType_RenderTarget; }
    bool begin() override { return false; }
    bool end() override { return false; }
    IRenderView* getRenderView() override { return nullptr; }

    IDirect3DSurface9* getSurface() override
    {
        IDirect3DDevice9* device = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
        IDirect3DSurface9* surface = nullptr;
        if (device == nullptr || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) {
            return nullptr;
        }
        return surface;
    }

    IDirect3DSurface9* getDepthSurface() override
    {
        IDirect3DDevice9* device = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
        IDirect3DSurface9* surface = nullptr;
        if (device == nullptr || FAILED(device->GetDepthStencilSurface(&surface))) {
            return nullptr;
        }
        return surface;
    }
};

} // namespace

IRenderTarget* createBackBuffer()
{
    return new BackBuffer();
}

} // namespace tormakelin::render
