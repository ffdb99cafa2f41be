#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

namespace tormakelin::render {

namespace {

class RenderView final : public core::RefCounted<IRenderView> {
public:
    ~RenderView() override
    {
        if (m_previous != nullptr) {
            m_previous->release();
        }
    }

    bool begin() override
    {
        if (g_renderDevice == nullptr) {
            return false;
        }
        IRenderView* previous = g_renderDevice->getRenderView();
        if (previous != nullptr) {
            previous->addRef();
        }
        if (m_previous != nullptr) {
            m_previous->release();
        }
        m_previous = previous;
        g_renderDevice->setRenderView(this);
        return true;
    }

    void end() override
    {
        IRenderView* previous = m_previous;
        if (previous == nullptr) {
            return;
        }
        m_previous = nullptr;
        if (g_renderDevice != nullptr) {
            g_renderDevice->setRenderView(previous);
        }
        previous->release();
    }

    D3DVIEWPORT9& getViewport() override { return m_viewport; }

private:
    D3DVIEWPORT9 m_viewport{0, 0, 0, 0, 0.0f, 1.0f};
    IRenderView* m_previous = nullptr;
};

} // namespace

IRenderView* createRenderView()
{
    return new RenderView();
}

} // namespace tormakelin::render
