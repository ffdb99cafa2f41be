#pragma once
// Full-screen image operations and rectangle copies between surfaces.

#include <cstddef>

#include <d3dx9math.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Export.h>
#include <tormakelin/render/Texture.h>

namespace tormakelin::render {

class ITexture;
class Texture;
class IShader;
class IRenderTarget;
class IRenderTargetTexture;

// The image operation a PostProcessOp asks for; other values draw nothing.
enum PostProcessKind : int {
    PostProcessKind_Copy = 0,
    PostProcessKind_SolidQuad = 1,
    PostProcessKind_Blur = 2,
    PostProcessKind_DepthOfField = 3,
    PostProcessKind_KernelFilter = 4,
    PostProcessKind_ClearFloat = 5,
    PostProcessKind_Custom = 6,
};

struct PostProcessOp {
    int kind = PostProcessKind_Copy;
    BlendMode blendMode = BlendMode_Solid;
    ITexture* copySource = nullptr;
    D3DXVECTOR4 colour{0.0f, 0.0f, 0.0f, 0.0f};
    ITexture* blurSource = nullptr;
    Texture* blurTargetA = nullptr;
    Texture* blurTargetB = nullptr;
    Texture* blurDestination = nullptr;
    float blurWidth = 0.0f;
    ITexture* kernelSource = nullptr;
    D3DXVECTOR2 kernelOffsets[25]{};
    float kernelWeights[25]{};
    IShader* customShader = nullptr;
    ITexture* dofDepth = nullptr;
    ITexture* dofHigh = nullptr;
    ITexture* dofLow = nullptr;
    float dofFocalDistance = 0.0f;
    float unused[2]{};
    float dofFocalScale = 0.0f;
    bool dofFake = false;
    D3DXVECTOR4 clearColour{0.0f, 0.0f, 0.0f, 0.0f};
};

// Any of the objects a rectangle copy reads or writes: a render target, a texture or a
// render-target texture (or nothing).
class SurfaceSource {
public:
    SurfaceSource(std::nullptr_t = nullptr) {}
    SurfaceSource(IRenderTarget* target) : m_target(target) {}
    SurfaceSource(ITexture* texture) : m_texture(texture) {}
    SurfaceSource(Texture* texture) : m_texture(texture) {}
    SurfaceSource(IRenderTargetTexture* target) : m_targetTexture(target) {}

    IRenderTarget* renderTarget() const { return m_target; }
    ITexture* texture() const { return m_texture; }
    IRenderTargetTexture* renderTargetTexture() const { return m_targetTexture; }

private:
    IRenderTarget* m_target = nullptr;
    ITexture* m_texture = nullptr;
    IRenderTargetTexture* m_targetTexture = nullptr;
};

class TORMAKELIN_RENDER_API IPostProcessor {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Rectangles are (left, top, right, bottom), truncated; null means the whole surface.
    virtual bool stretchRect(const SurfaceSource& source, const D3DXVECTOR4* sourceRect,
        const SurfaceSource& destination, const D3DXVECTOR4* destinationRect) = 0;
    virtual bool process(const PostProcessOp& op) = 0;
    virtual ~IPostProcessor() = default;
};

// Null when the declaration cannot be built or the effect does not compile.
TORMAKELIN_RENDER_API IPostProcessor* createPostProcessor();

} // namespace tormakelin::render
