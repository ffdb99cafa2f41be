#include <tormakelin/render/RenderDevice.h>

namespace tormakelin::render {

IRenderDevice* g_renderDevice = nullptr;
IDirect3DDevice9* g_d3d = nullptr;

} // namespace tormakelin::render
