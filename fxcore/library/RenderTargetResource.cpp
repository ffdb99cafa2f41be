#include <tormakelin/fxcore/RenderTargetResource.h>

#include "PluginDescs.h"
#include "RenderTargetInput.h"

#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/Texture.h>

#include <tormakelin/core/UniqueId.h>

namespace tormakelin::fxcore {

PluginDesc RenderTargetResource::_pluginDesc = libraryPluginDesc(
    kPluginResource, "0CAB70D6-F182-11DD-9C88-A960EEEB6D89", "Rendertarget Resource", "Rendertarget Resource");

render::IRenderTargetTexture* renderTargetOn(NodeParameter const& input, InstanceParameterMap const& instances)
{
    static std::vector<core::UniqueId> const kinds = {RenderTargetResource::_pluginDesc.id};
    auto const* target = dynamic_cast<RenderTargetResource const*>(firstResourceOnInput(input, kinds, instances));
    return target ? target->getRenderTarget() : nullptr;
}

render::IRenderTargetTexture* renderTargetOn(GraphNode& node, std::string_view input, RenderContext const& context)
{
    NodeParameter const* parameter = node.findInputNamed(input);
    return parameter ? renderTargetOn(*parameter, context.instanceParameters) : nullptr;
}

RenderTargetResource::~RenderTargetResource()
{
    releaseTarget();
}

bool RenderTargetResource::create(
    unsigned width, unsigned height, render::TextureCreateParams const& params, bool depthBuffer)
{
    m_depthBuffer = depthBuffer;
    releaseTarget();
    m_target = render::createRenderTargetTexture(width, height, params.format, D3DMULTISAMPLE_NONE, 0, 0, depthBuffer);
    if (!m_target)
        return false;
    m_target->addRef();
    m_texture = m_target->getTexture();
    if (m_texture)
        m_texture->addRef();
    return true;
}

void RenderTargetResource::begin()
{
    if (m_target)
        m_target->begin();
}

void RenderTargetResource::end()
{
    if (m_target)
        m_target->end();
}

void RenderTargetResource::releaseTarget()
{
    if (m_texture) {
        m_texture->release();
        m_texture = nullptr;
    }
    if (m_target) {
        m_target->release();
        m_target = nullptr;
    }
}

} // namespace tormakelin::fxcore
