#include "SceneTargets.h"

namespace tormakelin::kavro {

render::Texture* targetTexture(render::IRenderTargetTexture* target)
{
    return target ? dynamic_cast<render::Texture*>(target->getTexture()) : nullptr;
}

namespace {

// A 32-bit float format: what holds exp(k x depth) without clamping.
bool isFloatTarget(render::IRenderTargetTexture* target)
{
    render::Texture* texture = targetTexture(target);
    if (texture == nullptr) {
        return false;
    }
    const D3DFORMAT format = texture->getDesc().Format;
    return format == D3DFMT_R32F || format == D3DFMT_G32R32F || format == D3DFMT_A32B32G32R32F;
}

}  // namespace

bool SceneTargets::begin(render::IRenderTargetTexture* target)
{
    render::Texture* texture = targetTexture(target);
    if (m_begun || texture == nullptr || !target->begin()) {
        return false;
    }
    m_begun = target;
    IDirect3DSurface9* own = target->getDepthSurface();
    if (own) {
        own->Release();
        return true;
    }
    m_boundDepth = depthOfSize(texture->getWidth(), texture->getHeight());
    if (m_boundDepth && !m_boundDepth->bind()) {
        m_boundDepth = nullptr;
    }
    return true;
}

void SceneTargets::end()
{
    if (m_boundDepth) {
        m_boundDepth->restore();
        m_boundDepth = nullptr;
    }
    if (m_begun) {
        m_begun->end();
        m_begun = nullptr;
    }
}

render::IDepthBuffer* SceneTargets::depthOfSize(unsigned width, unsigned height)
{
    for (SizedDepth& entry : m_depths) {
        if (entry.width == width && entry.height == height) {
            return entry.depth.get();
        }
    }
    core::SmartRef<render::IDepthBuffer> depth = render::createDepthBuffer(width, height, D3DFMT_D24S8);
    if (!depth) {
        return nullptr;
    }
    m_depths.push_back({width, height, depth});
    return depth.get();
}

render::IRenderTargetTexture* SceneTargets::floatTargetLike(unsigned slot, render::IRenderTargetTexture* like)
{
    render::Texture* texture = targetTexture(like);
    if (texture == nullptr || slot >= kFloatSlots) {
        return nullptr;
    }
    if (isFloatTarget(like)) {
        return like;
    }
    const unsigned width = texture->getWidth();
    const unsigned height = texture->getHeight();
    FloatTarget& own = m_float[slot];
    // A size the device refused is not asked for again every frame.
    if (own.width != width || own.height != height) {
        own.target = render::createRenderTargetTexture(width, height, D3DFMT_R32F, D3DMULTISAMPLE_NONE, 0, 0, true);
        own.width = width;
        own.height = height;
    }
    return own.target.get();
}

}  // namespace tormakelin::kavro
