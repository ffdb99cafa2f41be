#include <cstring>
#include <string>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/PostProcessor.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/ResourceType.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>

#include "PostProcessEffect.h"

namespace tormakelin::render {

namespace {

struct QuadVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 20);

constexpr QuadVertex kQuad[4] = {
    {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
    {1.0f, -1.0f, 0.0f, 1.0f, 1.0f},
    {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f},
};

const D3DXVECTOR2 kDofTaps[12] = {
    {-0.0003186f, -0.0003963f}, {-0.0008205f, -0.0000719f}, {-0.0006796f, 0.0004464f},
    {-0.0001986f, 0.0006062f}, {0.0009398f, -0.0001904f}, {0.0004623f, -0.0004688f},
    {0.0005073f, 0.0007490f}, {0.0001811f, -0.0008722f}, {0.0004955f, 0.0000629f},
    {0.0008754f, 0.0004028f}, {-0.0003144f, -0.0009108f}, {-0.0007730f, -0.0005837f},
};

// The surface a rectangle copy reads or writes, with a reference for the caller.
IDirect3DSurface9* surfaceOf(const SurfaceSource& object)
{
    IDirect3DSurface9* surface = nullptr;
    if (IRenderTarget* target = object.renderTarget()) {
        if (target->getResourceType() == ResourceType_RenderTarget) {
            surface = target->getSurface();
        }
    } else if (ITexture* texture = object.texture()) {
        if (texture->getResourceType() == ResourceType_Texture && texture->getTextureType() == TextureType_2D &&
            texture->getD3DTexture() != nullptr) {
            static_cast<IDirect3DTexture9*>(texture->getD3DTexture())->GetSurfaceLevel(0, &surface);
        }
    } else if (IRenderTargetTexture* targetTexture = object.renderTargetTexture()) {
        ITexture* texture = targetTexture->getResourceType() == ResourceType_RenderTargetTexture
            ? targetTexture->getTexture()
            : nullptr;
        if (texture != nullptr && texture->getTextureType() == TextureType_2D && texture->getD3DTexture() != nullptr) {
            static_cast<IDirect3DTexture9*>(texture->getD3DTexture())->GetSurfaceLevel(0, &surface);
        }
    }
    return surface;
}

RECT truncated(const D3DXVECTOR4& rect)
{
    return RECT{LONG(rect.x), LONG(rect.y), LONG(rect.z), LONG(rect.w)};
}

class PostProcessor final : public core::RefCounted<IPostProcessor> {
public:
    bool init()
    {
        VertexDeclBuilder builder;
        builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
        builder.add({0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
        m_decl = builder.build();
        if (m_decl.get() == nullptr) {
            return false;
        }
        m_quad = createVertexBuffer(sizeof(kQuad), D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT);
        if (m_quad.get() == nullptr) {
            return false;
        }
        auto* bytes = new unsigned char[sizeof(kQuad)];
        std::memcpy(bytes, kQuad, sizeof(kQuad));
        m_quad->setData(bytes);
        m_quad->upload(0);
        m_shader = createShader();
        const std::string text = kPostProcessEffect;
        if (!m_shader->compile(text.data(), unsigned(text.size()), nullptr, nullptr)) {
            return false;
        }
        static const char* const kNames[] = {"worldViewProjection", "textureMap", "vertexColor", "textureSize",
            "blurWidth", "verticalWeights", "horizontalWeights", "invViewportSize", "dofFocalConstants", "dofMaxCoC",
            "dofFilterTaps", "dofDepthTexture", "dofLoTexture", "dofHiTexture", "kernelFilterOffsets",
            "kernelFilterWeights"};
        for (int i = 0; i < Param_Count; ++i) {
            m_params[i] = m_shader->getParameter(kNames[i]);
        }
        return true;
    }

    bool stretchRect(const SurfaceSource& source, const D3DXVECTOR4* sourceRect, const SurfaceSource& destination,
        const D3DXVECTOR4* destinationRect) override
    {
        IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
        IDirect3DSurface9* from = surfaceOf(source);
        IDirect3DSurface9* to = surfaceOf(destination);
        bool done = false;
        if (d3d != nullptr && from != nullptr && to != nullptr) {
            const RECT fromRect = sourceRect ? truncated(*sourceRect) : RECT{};
            const RECT toRect = destinationRect ? truncated(*destinationRect) : RECT{};
            done = SUCCEEDED(d3d->StretchRect(from, sourceRect ? &fromRect : nullptr, to,
                destinationRect ? &toRect : nullptr, D3DTEXF_LINEAR));
        }
        if (from != nullptr) {
            from->Release();
        }
        if (to != nullptr) {
            to->Release();
        }
        return done;
    }

    bool process(const PostProcessOp& op) override
    {
        if (op.kind < PostProcessKind_Copy || op.kind > PostProcessKind_Custom) {
            return true;
        }
        if (!hasInputs(op)) {
            return false;
        }
        prepareStates(op.blendMode);
        switch (op.kind) {
        case PostProcessKind_Copy:
            return copy(op);
        case PostProcessKind_SolidQuad:
            return fill("SolidQuad", op.colour);
        case PostProcessKind_Blur:
            return blur(op);
        case PostProcessKind_DepthOfField:
            return depthOfField(op);
        case PostProcessKind_KernelFilter:
            return kernelFilter(op);
        case PostProcessKind_ClearFloat:
            return fill("ClearFloat", op.clearColour);
        default:
            return draw(op.customShader);
        }
    }

private:
    enum Param {
        Param_WorldViewProjection,
        Param_TextureMap,
        Param_VertexColor,
        Param_TextureSize,
        Param_BlurWidth,
        Param_VerticalWeights,
        Param_HorizontalWeights,
        Param_InvViewportSize,
        Param_DofFocalConstants,
        Param_DofMaxCoC,
        Param_DofFilterTaps,
        Param_DofDepth,
        Param_DofLow,
        Param_DofHigh,
        Param_KernelOffsets,
        Param_KernelWeights,
        Param_Count
    };

    static bool hasInputs(const PostProcessOp& op)
    {
        switch (op.kind) {
        case PostProcessKind_Copy:
            return op.copySource != nullptr;
        case PostProcessKind_Blur:
            return op.blurSource && op.blurTargetA && op.blurTargetB && op.blurDestination;
        case PostProcessKind_DepthOfField:
            return op.dofDepth && op.dofHigh && op.dofLow;
        case PostProcessKind_KernelFilter:
            return op.kernelSource != nullptr;
        case PostProcessKind_Custom:
            return op.customShader != nullptr;
        default:
            return true;
        }
    }

    void prepareStates(BlendMode blendMode)
    {
        if (StateManager* states = g_stateManager) {
            states->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            states->SetRenderState(D3DRS_STENCILENABLE, FALSE);
            states->SetRenderState(D3DRS_ZENABLE, FALSE);
            states->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            states->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        }
        applyBlendMode(blendMode);
        m_decl->bind();
        m_quad->bind(0, 0, sizeof(QuadVertex));
    }

    IShaderParameter* param(Param which) const { return m_params[which]; }

    // Identity transform and the half-pixel correction of the viewport being drawn into: the device
    // has pixel centres on whole coordinates, so the quad is moved half a pixel up and left for
    // each pixel to sample its own texel's centre (a copy reads back unchanged only so).
    void setCommon()
    {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        m_shader->setMatrix(param(Param_WorldViewProjection), &identity);
        D3DVIEWPORT9 viewport{};
        IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
        if (d3d != nullptr && SUCCEEDED(d3d->GetViewport(&viewport)) && viewport.Width > 0 && viewport.Height > 0) {
            const D3DXVECTOR2 correction(-1.0f / float(viewport.Width), 1.0f / float(viewport.Height));
            m_shader->setVector2(param(Param_InvViewportSize), &correction);
        }
    }

    bool draw(IShader* shader)
    {
        if (shader == m_shader.get()) {
            setCommon();
        }
        const unsigned passes = shader->begin();
        if (passes == 0) {
            return false;
        }
        bool drawn = true;
        for (unsigned pass = 0; pass < passes; ++pass) {
            if (FAILED(shader->beginPass(pass))) {
                drawn = false;
                break;
            }
            drawn = SUCCEEDED(g_renderDevice->drawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)) && drawn;
            shader->endPass();
        }
        shader->end();
        return drawn;
    }

    bool drawTechnique(const char* technique)
    {
        return m_shader->setTechnique(technique) && draw(m_shader.get());
    }

    bool copy(const PostProcessOp& op)
    {
        m_shader->setTexture(param(Param_TextureMap), op.copySource);
        return drawTechnique("NormalClamp");
    }

    bool fill(const char* technique, const D3DXVECTOR4& colour)
    {
        m_shader->setVector4(param(Param_VertexColor), &colour);
        return drawTechnique(technique);
    }

    bool blurPass(const char* technique, ITexture* source, Texture* target)
    {
        const D3DXVECTOR2 size(float(target->getWidth()), float(target->getHeight()));
        m_shader->setVector2(param(Param_TextureSize), &size);
        m_shader->setTexture(param(Param_TextureMap), source);
        // Every begin takes its end: the end of a refused one changes nothing.
        const bool drawn = target->begin(nullptr, nullptr) && drawTechnique(technique);
        target->end();
        // The source may be drawn into next: it must not stay bound while it is a target.
        m_shader->setTexture(param(Param_TextureMap), nullptr);
        return drawn;
    }

    static bool canDrawInto(Texture* target)
    {
        return target->getTexture() != nullptr && (target->getDesc().Usage & D3DUSAGE_RENDERTARGET) != 0;
    }

    bool blur(const PostProcessOp& op)
    {
        // All three targets are checked first so that a refused blur leaves every one untouched.
        if (!canDrawInto(op.blurTargetA) || !canDrawInto(op.blurTargetB) || !canDrawInto(op.blurDestination)) {
            return false;
        }
        float horizontal[13];
        float vertical[13];
        const float widthA = float(op.blurTargetA->getWidth());
        const float heightB = float(op.blurTargetB->getHeight());
        for (int i = 0; i < 13; ++i) {
            horizontal[i] = widthA > 0.0f ? float(i - 6) / widthA : 0.0f;
            vertical[i] = heightB > 0.0f ? float(i - 6) / heightB : 0.0f;
        }
        m_shader->setFloat(param(Param_BlurWidth), op.blurWidth);
        m_shader->setFloatArray(param(Param_HorizontalWeights), horizontal, 13);
        m_shader->setFloatArray(param(Param_VerticalWeights), vertical, 13);
        return blurPass("BlurDownsample", op.blurSource, op.blurTargetA) &&
            blurPass("BlurHorizontal", op.blurTargetA, op.blurTargetB) &&
            blurPass("BlurVertical", op.blurTargetB, op.blurDestination);
    }

    bool depthOfField(const PostProcessOp& op)
    {
        const D3DXVECTOR4 focal(op.dofFocalDistance, op.dofFocalScale, 0.0f, 0.0f);
        m_shader->setVector4(param(Param_DofFocalConstants), &focal);
        m_shader->setTexture(param(Param_DofDepth), op.dofDepth);
        m_shader->setTexture(param(Param_DofHigh), op.dofHigh);
        m_shader->setTexture(param(Param_DofLow), op.dofLow);
        m_shader->setFloat(param(Param_DofMaxCoC), 5.0f);
        m_shader->setVector2Array(param(Param_DofFilterTaps), kDofTaps, 12);
        return drawTechnique(op.dofFake ? "DepthOfFieldFake" : "DepthOfField");
    }

    bool kernelFilter(const PostProcessOp& op)
    {
        const float width = float(op.kernelSource->getWidth());
        const float height = float(op.kernelSource->getHeight());
        D3DXVECTOR2 offsets[25];
        for (int k = 0; k < 25; ++k) {
            offsets[k] = D3DXVECTOR2(width > 0.0f ? op.kernelOffsets[k].x / width : 0.0f,
                height > 0.0f ? op.kernelOffsets[k].y / height : 0.0f);
        }
        m_shader->setTexture(param(Param_TextureMap), op.kernelSource);
        m_shader->setVector2Array(param(Param_KernelOffsets), offsets, 25);
        m_shader->setFloatArray(param(Param_KernelWeights), op.kernelWeights, 25);
        return drawTechnique("KernelFilter");
    }

    core::SmartRef<IVertexDecl> m_decl;
    core::SmartRef<IVertexBuffer> m_quad;
    core::SmartRef<IShader> m_shader;
    IShaderParameter* m_params[Param_Count]{};
};

} // namespace

IPostProcessor* createPostProcessor()
{
    auto* processor = new PostProcessor();
    if (!processor->init()) {
        delete processor;
        return nullptr;
    }
    return processor;
}

} // namespace tormakelin::render
