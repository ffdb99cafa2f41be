#pragma once

#include <tormakelin/fxcore/Resource.h>

namespace tormakelin::render {
class IRenderTargetTexture;
class ITexture;
struct TextureCreateParams;
}

namespace tormakelin::fxcore {

// An off-screen target that effects draw into and read back as a texture; a layer naming it
// sends its child layers' drawing there.
class TORMAKELIN_FXCORE_API RenderTargetResource : public Resource, public IRenderTargetReceiver {
public:
    static PluginDesc _pluginDesc;
    RenderTargetResource() = default;
    ~RenderTargetResource() override;

    // Makes the target of that size in the parameters' format (their mip levels and usage are not
    // used); false, holding nothing, when it cannot be made.
    bool create(unsigned width, unsigned height, render::TextureCreateParams const& params, bool depthBuffer);
    // Without a target both do nothing.
    void begin() override;
    void end() override;

    // Null while there is no target.
    render::IRenderTargetTexture* getRenderTarget() const { return m_target; }
    render::ITexture* getTexture() const { return m_texture; }
    bool hasDepthBuffer() const { return m_depthBuffer; }

private:
    void releaseTarget();

    render::IRenderTargetTexture* m_target = nullptr;
    render::ITexture* m_texture = nullptr;
    bool m_depthBuffer = false;
};

} // namespace tormakelin::fxcore
