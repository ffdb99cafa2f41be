#pragma once
// The render targets of the scene passes: depth surfaces for targets that have none, the float
// shadow map, and the format checks the exponential shadow map needs.

#include <vector>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/DepthBuffer.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::kavro {

// The target's texture as the post-processor takes it, or null.
render::Texture* targetTexture(render::IRenderTargetTexture* target);

class SceneTargets {
public:
    // Begins the target with its own depth surface, or one of its size that this object keeps,
    // so that a pass never writes the depth of what it draws over.
    bool begin(render::IRenderTargetTexture* target);
    void end();
    // `like` itself when it is a 32-bit float target; else a float target of its size that this
    // object keeps in `slot` between frames; null when the device cannot make one.
    render::IRenderTargetTexture* floatTargetLike(unsigned slot, render::IRenderTargetTexture* like);
    static constexpr unsigned kFloatSlots = 4;

private:
    struct SizedDepth {
        unsigned width;
        unsigned height;
        core::SmartRef<render::IDepthBuffer> depth;
    };
    render::IDepthBuffer* depthOfSize(unsigned width, unsigned height);

    std::vector<SizedDepth> m_depths;
    render::IRenderTargetTexture* m_begun = nullptr;
    render::IDepthBuffer* m_boundDepth = nullptr;
    struct FloatTarget {
        core::SmartRef<render::IRenderTargetTexture> target;
        unsigned width = 0;
        unsigned height = 0;
    };
    FloatTarget m_float[kFloatSlots];
};

}  // namespace tormakelin::kavro
