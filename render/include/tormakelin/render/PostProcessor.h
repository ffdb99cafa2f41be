#pragma once
// Full-screen image operations and rectangle copies between surfaces.

#include <d3dx9math.h>

#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class ITexture;
class Texture;
class IShader;

struct PostProcessOp {
    int kind = 0;
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

class TORMAKELIN_RENDER_API IPostProcessor {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool process(const PostProcessOp& op) = 0;
    virtual ~IPostProcessor() = default;
};

TORMAKELIN_RENDER_API IPostProcessor* createPostProcessor();

} // namespace tormakelin::render
