#include <tormakelin/kavro/SceneRender.h>

#include <algorithm>

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/PostProcessor.h>
#include <tormakelin/render/RenderDevice.h>

#include "MaterialState.h"
#include "SceneTargets.h"
#include "SharedRenderers.h"

namespace tormakelin::kavro {

namespace {

int g_instances = 0;
SharedRenderers g_shared;

// Once per process: a message repeated every frame helps nobody.
void reportOnce(bool& reported, const char* message)
{
    if (!reported) {
        reported = true;
        core::Debug(core::DebugWarning, __FILE__, __LINE__, "kavro") << message;
    }
}

render::IPostProcessor* postProcessor()
{
    return render::g_renderDevice ? render::g_renderDevice->getPostProcessor() : nullptr;
}

void fillFloat(float value)
{
    if (render::IPostProcessor* post = postProcessor()) {
        render::PostProcessOp op;
        op.kind = render::PostProcessKind_ClearFloat;
        op.blendMode = render::BlendMode_Solid;
        op.clearColour = D3DXVECTOR4(value, value, value, value);
        post->process(op);
    }
}

void clearTarget(uint32_t flags, const D3DXVECTOR4& colour)
{
    if (render::g_renderDevice) {
        render::g_renderDevice->clear(flags, colour, 1.0f, 0);
    }
}

// The blur of the post-processor: downsample from the source into the first target, across
// into the second, back down into the destination.
void blur(render::ITexture* source, render::IRenderTargetTexture* first, render::IRenderTargetTexture* second,
    render::IRenderTargetTexture* destination, float width)
{
    render::IPostProcessor* post = postProcessor();
    if (post == nullptr) {
        return;
    }
    render::PostProcessOp op;
    op.kind = render::PostProcessKind_Blur;
    op.blendMode = render::BlendMode_Solid;
    op.blurSource = source;
    op.blurTargetA = targetTexture(first);
    op.blurTargetB = targetTexture(second);
    op.blurDestination = targetTexture(destination);
    op.blurWidth = width;
    post->process(op);
}

class SceneRender : public core::RefCounted<ISceneRender> {
public:
    SceneRender()
    {
        if (g_instances++ == 0) {
            acquireSharedRenderers(g_shared);
        }
    }
    ~SceneRender() override
    {
        if (--g_instances == 0) {
            releaseSharedRenderers(g_shared);
        }
    }

    void render(const SceneRenderState& state) override
    {
        if (state.entries.empty()) {
            return;
        }
        m_state = &state;
        updateEntries(state);
        chooseSettings(state.settings);
        prepareFrame();
        drawReflection();
        if (m_settings.zPassEnabled && m_settings.zPassTarget) {
            drawIntoTarget(RenderTechnique_ZPass, m_settings.zPassTarget.get(),
                render::Clear_Colour | render::Clear_Depth, D3DXVECTOR4(0, 0, 0, 0));
        }
        if (m_settings.shadowEnabled && m_settings.shadowTarget) {
            drawIntoTarget(RenderTechnique_Shadow, m_settings.shadowTarget.get(),
                render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil, D3DXVECTOR4(1, 1, 1, 1));
            blurShadow();
        }
        drawTechnique(RenderTechnique_Solid, m_view, m_eye, false, false);
        drawTechnique(RenderTechnique_Blended, m_view, m_eye, false, false);
        drawDepthOfField();
        m_state = nullptr;
    }

private:
    struct EntryNodes {
        std::vector<INode*> roots;
    };

    // Every entry's nodes through the three update phases, the frame's lights and the camera.
    void updateEntries(const SceneRenderState& state)
    {
        const size_t count = state.entries.size();
        if (m_entries.size() < count) {
            m_entries.resize(count);
        }
        for (size_t i = 0; i < count; ++i) {
            std::vector<INode*>& roots = m_entries[i].roots;
            roots.clear();
            if (ISceneGraph* graph = state.entries[i].graph) {
                appendRootNodes(graph, roots);
                for (IMaterial* material : graph->getMaterials()) {
                    material->update(state.time);
                }
            }
        }
        m_view = state.view;
        m_projection = state.projection;
        m_eye = state.eye;
        m_lights = state.lights;
        for (size_t i = 0; i < count; ++i) {
            updatePhase(i, UpdatePhase_Evaluate);
        }
        for (size_t i = 0; i < count; ++i) {
            updatePhase(i, UpdatePhase_Matrices);
            gatherLights(state.entries[i].graph);
        }
        size_t cameraEntry = count;
        Camera* camera = state.useGivenCamera ? nullptr : findCamera(state, cameraEntry);
        if (camera) {
            // Its world place is known after phase 1; particles sort and fade by it in phase 2.
            const D3DXMATRIX& world = camera->getNodeWorldMatrix();
            m_eye = D3DXVECTOR3(world._41, world._42, world._43);
        }
        m_updatedAt.clear();
        for (size_t i = 0; i < count; ++i) {
            // A graph's time moves once a frame, with its first entry; later ones only place it.
            updatePhase(i, UpdatePhase_Apply, !markUpdated(i));
            if (camera && i == cameraEntry) {
                // Read right after its own entry's update: a later entry of the same graph moves it.
                m_view = camera->getViewMatrix();
                m_projection = camera->getProjectionMatrix();
                const D3DXMATRIX& world = camera->getNodeWorldMatrix();
                m_eye = D3DXVECTOR3(world._41, world._42, world._43);
            }
        }
    }

    void updatePhase(size_t entry, int phase, bool advance = true)
    {
        UpdateContext context;
        context.advance = advance;
        context.time = m_state->time;
        context.delta = m_state->delta;
        context.phase = phase;
        context.parentMatrix = m_state->entries[entry].world;
        context.lights = &m_lights;
        context.recurse = true;
        context.eye = m_eye;
        for (INode* root : m_entries[entry].roots) {
            root->update(context);
        }
    }

    void gatherLights(ISceneGraph* graph)
    {
        if (graph == nullptr) {
            return;
        }
        for (INode* node : graph->getNodes()) {
            if (node->getType() == NodeType_Light) {
                m_lights.push_back(static_cast<Light*>(node)->getWorldLight());
            }
        }
    }

    // The node named by the camera id when it is a camera, else the first camera of the entries.
    static Camera* findCamera(const SceneRenderState& state, size_t& entry)
    {
        for (size_t i = 0; i < state.entries.size(); ++i) {
            ISceneGraph* graph = state.entries[i].graph;
            INode* node = graph ? graph->findNode(state.cameraId) : nullptr;
            if (node && node->getType() == NodeType_Camera) {
                entry = i;
                return static_cast<Camera*>(node);
            }
        }
        for (size_t i = 0; i < state.entries.size(); ++i) {
            ISceneGraph* graph = state.entries[i].graph;
            if (graph == nullptr) {
                continue;
            }
            for (INode* node : graph->getNodes()) {
                if (node->getType() == NodeType_Camera) {
                    entry = i;
                    return static_cast<Camera*>(node);
                }
            }
        }
        return nullptr;
    }

    // Entries that share a graph each draw at their own matrices: the graph is brought to the
    // entry about to draw when another entry was the last to move it.
    void ensureUpdated(size_t entry)
    {
        ISceneGraph* graph = m_state->entries[entry].graph;
        for (auto& [updated, at] : m_updatedAt) {
            if (updated == graph) {
                if (at != entry) {
                    updatePhase(entry, UpdatePhase_Matrices);
                    updatePhase(entry, UpdatePhase_Apply, false);
                    at = entry;
                }
                return;
            }
        }
    }
    // True when an earlier entry of the frame has the same graph.
    bool markUpdated(size_t entry)
    {
        ISceneGraph* graph = m_state->entries[entry].graph;
        for (auto& [updated, at] : m_updatedAt) {
            if (updated == graph) {
                at = entry;
                return true;
            }
        }
        m_updatedAt.emplace_back(graph, entry);
        return false;
    }

    // The settings the passes use: shadows only with a map that can hold exp(k x depth), so
    // 8-bit targets given for the map and its blur are stood in for by float targets of their size.
    void chooseSettings(const SceneSettings& given)
    {
        m_settings = given;
        SceneSettings& s = m_settings;
        if (!s.shadowEnabled || !s.shadowTarget) {
            s.shadowEnabled = false;
            return;
        }
        render::IRenderTargetTexture* map = m_targets.floatTargetLike(0, s.shadowTarget.get());
        if (map == nullptr) {
            reportOnce(m_reportedNoFloat,
                "Shadows need a 32-bit float render target (R32F), which this device cannot make: shadows are off.");
            s.shadowEnabled = false;
            s.shadowTarget = nullptr;
            return;
        }
        s.shadowTarget = map;
        if (s.shadowBlur && s.shadowBlurDownsample && s.shadowBlurVertical && s.shadowBlurHorizontal) {
            s.shadowBlurDownsample = m_targets.floatTargetLike(1, s.shadowBlurDownsample.get());
            s.shadowBlurVertical = m_targets.floatTargetLike(2, s.shadowBlurVertical.get());
            s.shadowBlurHorizontal = m_targets.floatTargetLike(3, s.shadowBlurHorizontal.get());
        }
    }

    // What every pass of the frame carries alike, copied once.
    void prepareFrame()
    {
        const SceneRenderState& state = *m_state;
        RenderPass& pass = m_pass;
        pass.time = state.time;
        pass.delta = state.delta;
        pass.ambientPower = state.ambientPower;
        pass.materials = state.materials;
        pass.shaderParameters = state.shaderParameters;
        pass.settings = m_settings;
        pass.particleRender = g_shared.particles;
        pass.flareRender = g_shared.flares;
    }

    // Nodes change the world matrix, lights and bones as they draw: those start afresh each pass.
    void preparePass(int technique, const D3DXMATRIX& view, const D3DXVECTOR3& eye, bool reflectedView,
        bool reflectionPass)
    {
        RenderPass& pass = m_pass;
        pass.technique = technique;
        pass.view = view;
        pass.projection = m_projection;
        D3DXMatrixIdentity(&pass.world);
        pass.eye = eye;
        pass.reflectedView = reflectedView;
        pass.lights = m_lights;
        pass.bones.clear();
        pass.reflectionPass = reflectionPass;
    }

    void drawTechnique(int technique, const D3DXMATRIX& view, const D3DXVECTOR3& eye, bool reflectedView,
        bool reflectionPass)
    {
        preparePass(technique, view, eye, reflectedView, reflectionPass);
        for (size_t i = 0; i < m_state->entries.size(); ++i) {
            ensureUpdated(i);
            for (INode* root : m_entries[i].roots) {
                root->render(m_pass);
            }
        }
    }

    // One target per technique, begun and cleared once for all entries.
    void drawIntoTarget(int technique, render::IRenderTargetTexture* target, uint32_t clearFlags,
        const D3DXVECTOR4& clearColour)
    {
        if (!m_targets.begin(target)) {
            return;
        }
        clearTarget(clearFlags, clearColour);
        if (technique == RenderTechnique_Shadow) {
            // A colour clear stops at 1, which reads as an occluder at the light itself.
            fillFloat(shadowFarValue(m_settings));
        }
        drawTechnique(technique, m_view, m_eye, false, false);
        m_targets.end();
    }

    void drawReflection()
    {
        const SceneSettings& s = m_settings;
        if (!s.reflectionEnabled || !s.reflectionTarget) {
            return;
        }
        // The mirror in the plane y = Y: y becomes 2Y - y.
        D3DXMATRIX reflect;
        D3DXMatrixScaling(&reflect, 1, -1, 1);
        reflect._42 = 2 * s.reflectionY;
        const D3DXMATRIX reflectedView = reflect * m_view;
        const D3DXVECTOR3 reflectedEye(m_eye.x, 2 * s.reflectionY - m_eye.y, m_eye.z);
        if (m_targets.begin(s.reflectionTarget.get())) {
            clearTarget(render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil, D3DXVECTOR4(0, 0, 0, 0));
            drawTechnique(RenderTechnique_ReflectiveMask, m_view, m_eye, false, true);
            drawTechnique(RenderTechnique_Solid, reflectedView, reflectedEye, true, true);
            drawTechnique(RenderTechnique_Blended, reflectedView, reflectedEye, true, true);
            m_targets.end();
        }
        render::ITexture* image = s.reflectionTarget->getTexture();
        if (s.reflectionBlur && s.reflectionBlurVertical && s.reflectionBlurHorizontal) {
            blur(image, s.reflectionBlurVertical.get(), s.reflectionBlurHorizontal.get(),
                s.reflectionBlurVertical.get(), s.reflectionBlurWidth);
            image = s.reflectionBlurVertical->getTexture();
        }
        if (render::IPostProcessor* post = postProcessor()) {
            render::PostProcessOp op;
            op.kind = render::PostProcessKind_Copy;
            op.blendMode = render::BlendMode_Solid;
            op.copySource = image;
            post->process(op);
        }
        drawTechnique(RenderTechnique_Reflective, m_view, m_eye, false, true);
    }

    void blurShadow()
    {
        const SceneSettings& s = m_settings;
        if (!s.shadowBlur || !s.shadowBlurDownsample || !s.shadowBlurVertical || !s.shadowBlurHorizontal) {
            return;
        }
        blur(s.shadowTarget->getTexture(), s.shadowBlurDownsample.get(), s.shadowBlurHorizontal.get(),
            s.shadowBlurVertical.get(), 1.0f);
        if (render::IPostProcessor* post = postProcessor()) {
            post->stretchRect(s.shadowBlurVertical.get(), nullptr, s.shadowTarget.get(), nullptr);
        }
    }

    // Copies what has been drawn so far, in the current viewport of the current target (the
    // back buffer or a layer's own target), into the blur target.
    static bool copyCurrentTarget(render::IRenderTargetTexture* destination)
    {
        IDirect3DDevice9* d3d = render::g_renderDevice ? render::g_renderDevice->getD3DDevice() : nullptr;
        render::Texture* texture = targetTexture(destination);
        if (d3d == nullptr || texture == nullptr || texture->getTexture() == nullptr) {
            return false;
        }
        D3DVIEWPORT9 viewport{};
        IDirect3DSurface9* from = nullptr;
        IDirect3DSurface9* to = nullptr;
        bool done = false;
        if (SUCCEEDED(d3d->GetViewport(&viewport)) && SUCCEEDED(d3d->GetRenderTarget(0, &from)) &&
            SUCCEEDED(texture->getTexture()->GetSurfaceLevel(0, &to))) {
            const RECT rect{LONG(viewport.X), LONG(viewport.Y), LONG(viewport.X + viewport.Width),
                LONG(viewport.Y + viewport.Height)};
            done = SUCCEEDED(d3d->StretchRect(from, &rect, to, nullptr, D3DTEXF_LINEAR));
        }
        if (from) {
            from->Release();
        }
        if (to) {
            to->Release();
        }
        return done;
    }

    void drawDepthOfField()
    {
        const SceneSettings& s = m_settings;
        if (!s.dofEnabled || !s.zPassEnabled || !s.zPassTarget || !s.dofBlurTarget || !s.dofBlurVertical ||
            !s.dofBlurHorizontal) {
            return;
        }
        render::IPostProcessor* post = postProcessor();
        if (post == nullptr || !copyCurrentTarget(s.dofBlurTarget.get())) {
            return;
        }
        blur(s.dofBlurTarget->getTexture(), s.dofBlurVertical.get(), s.dofBlurHorizontal.get(),
            s.dofBlurVertical.get(), s.dofBlurWidth);
        render::PostProcessOp op;
        op.kind = render::PostProcessKind_DepthOfField;
        op.blendMode = render::BlendMode_Solid;
        op.dofDepth = s.zPassTarget->getTexture();
        op.dofHigh = s.dofBlurTarget->getTexture();
        op.dofLow = s.dofBlurVertical->getTexture();
        op.dofFocalDistance = s.dofNear;
        op.dofFocalScale = s.dofFar;
        op.dofFake = false;
        post->process(op);
    }

    const SceneRenderState* m_state = nullptr;
    std::vector<EntryNodes> m_entries;
    std::vector<std::pair<ISceneGraph*, size_t>> m_updatedAt;
    std::vector<LightRecord> m_lights;
    D3DXMATRIX m_view{};
    D3DXMATRIX m_projection{};
    D3DXVECTOR3 m_eye{0, 0, 0};
    SceneSettings m_settings;
    RenderPass m_pass;
    SceneTargets m_targets;
    bool m_reportedNoFloat = false;
};

}  // namespace

ISceneRender* createSceneRender() { return new SceneRender(); }

}  // namespace tormakelin::kavro
