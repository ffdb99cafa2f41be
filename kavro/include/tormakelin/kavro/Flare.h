#pragma once
// Flares (a camera-facing sprite drawn through the shared flare renderer) and lens flares
// (a visibility flag for the effect graph, which draws them).

#include <cstdint>

#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SpriteVertex.h>

namespace tormakelin::render {
class IQuery;
class IShader;
}  // namespace tormakelin::render

namespace tormakelin::kavro {

class IMaterial;
class Flare;
class LensFlare;

// Four vertices in a strip: texCoord0 = (vertex number, size), texCoord1 the corner (0,0)..(1,1),
// texCoord2 the rotation.
class TORMAKELIN_KAVRO_API IFlareRender {
public:
    // The live renderer, or null.
    static IFlareRender* instance();

    virtual int addRef() = 0;
    virtual int release() = 0;
    // A lens flare's sprite as its occlusion test: depth-tested, writing neither colour nor
    // depth, so nothing of it shows.
    virtual void drawLensFlare(RenderPass& pass, LensFlare* lensFlare) = 0;
    virtual void draw(RenderPass& pass, Flare* flare) = 0;
    virtual ~IFlareRender() = default;
};

// The live renderer when there is one, else a new one (count 0); null when its declaration or
// buffer cannot be made.
TORMAKELIN_KAVRO_API IFlareRender* createFlareRender();

// Effect text for flares drawn with a material: technique "Solid", "flareTexture" (a sampler
// named "flare") times the flare colour.
TORMAKELIN_KAVRO_API const char* getFlareEffectText();

// What flares and lens flares share: a material, an optional own effect and an occlusion query.
class TORMAKELIN_KAVRO_API FlareNode : public Node {
public:
    FlareNode();
    ~FlareNode() override;

    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    void setMaterial(IMaterial* material);
    IMaterial* getMaterial() const { return m_material.object; }
    const core::UniqueId& getMaterialId() const { return m_material.id; }
    // Counted.
    void setShader(render::IShader* shader);
    render::IShader* getShader() const { return m_shader; }
    render::IQuery* getQuery() const { return m_query; }

    // The camera-facing sprite.
    float size = 1;
    float rotation = 0;
    // (red, green, blue, alpha)
    D3DXVECTOR4 colour{1, 1, 1, 1};

protected:
    // Whether this node draws in the pass; when it does, the pass carries its world matrix.
    bool takesPartIn(RenderPass& pass);
    // The pass's renderer, else the live one.
    static IFlareRender* rendererOf(const RenderPass& pass);

private:
    ObjectRef<IMaterial> m_material;
    render::IShader* m_shader = nullptr;
    render::IQuery* m_query = nullptr;
};

class TORMAKELIN_KAVRO_API Flare : public FlareNode {
public:
    NodeType getType() override { return NodeType_Flare; }
    void render(RenderPass& pass) override;
};

class TORMAKELIN_KAVRO_API LensFlare : public FlareNode {
public:
    NodeType getType() override { return NodeType_LensFlare; }
    void render(RenderPass& pass) override;

    // Set by render when the occlusion query has answered; the effect graph's lens flare reads
    // and clears it.
    bool isCompleted() const { return m_completed != 0; }
    void setCompleted(bool completed) { m_completed = completed ? 1 : 0; }

    // Kept for the effect graph's lens flare, which gives them their meaning.
    float range = 400.0f;
    float fade = 100.0f;
    // The latest answer of the occlusion query: some of the sprite's pixels passed the scene's
    // depth. Without a query the flare always counts as visible.
    bool visible = false;

private:
    // Takes the query's answer when there is one and asks again; never waits for the device.
    void testOcclusion(RenderPass& pass, IFlareRender* renderer);

    uint8_t m_completed = 0;
};

}  // namespace tormakelin::kavro
