#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>

namespace tormakelin::render {

RenderListener::RenderListener(bool registerNow)
{
    if (registerNow && g_renderDevice != nullptr) {
        g_renderDevice->addListener(this);
    }
}

RenderListener::~RenderListener()
{
    if (g_renderDevice != nullptr) {
        g_renderDevice->removeListener(this);
    }
}

} // namespace tormakelin::render
