#pragma once
// Graph nodes that feed the scene render effect: scenes, view and camera, lights, materials,
// flares and keyframed animation.

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/kavro/RenderPass.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/BlendMode.h>

#include <vector>

namespace tormakelin::core {
class IKeyframe;
}

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::kavro {
class Flare;
class IMaterial;
class ISceneGraph;
class ITexture;
class ITextureSampler;
class LensFlare;
} // namespace tormakelin::kavro

namespace tormakelin::fxcore {

// A node the scene render effect draws: it holds a scene graph (or none) placed by a matrix.
class TORMAKELIN_FXCORE_API ISceneGraphSource {
public:
    // Not counted for the caller; null draws nothing.
    virtual kavro::ISceneGraph* getSceneGraph() const = 0;
    // Where the graph is placed in the world.
    virtual D3DXMATRIX getSceneWorldMatrix() const = 0;
    virtual ~ISceneGraphSource() = default;
};

class TORMAKELIN_FXCORE_API ViewMatrix : public Modifier, public ICameraSource {
public:
    static PluginDesc _pluginDesc;
    ViewMatrix();
    void eval(UpdateContext& context) override;
    void getCameraMatrices(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye) override;

    D3DXMATRIX const& getView() const { return m_view; }
    D3DXMATRIX const& getProjection() const { return m_projection; }

private:
    float m_fov = 45.0f;
    float m_near = 0.1f;
    float m_far = 1024.0f;
    D3DXVECTOR3 m_position{0.0f, 0.0f, -200.0f};
    D3DXVECTOR3 m_lookAt{0.0f, 0.0f, 0.0f};
    float m_roll = 0.0f;
    D3DXMATRIX m_view;
    D3DXMATRIX m_projection;
};

class TORMAKELIN_FXCORE_API SceneEffect : public Modifier, public ISceneGraphSource {
public:
    static PluginDesc _pluginDesc;
    SceneEffect();
    ~SceneEffect() override;
    void eval(UpdateContext& context) override;
    void updateBoundingBox() override;
    kavro::ISceneGraph* getSceneGraph() const override { return m_scene.get(); }
    D3DXMATRIX getSceneWorldMatrix() const override { return getTransformMatrix(); }

private:
    core::SmartRef<kavro::ISceneGraph> m_scene;
    NodeParameter* m_sceneInput = nullptr;
};

class TORMAKELIN_FXCORE_API CameraEffect : public Modifier {
public:
    static PluginDesc _pluginDesc;
    CameraEffect();
    void eval(UpdateContext& context) override;

private:
    D3DXVECTOR3 m_lookAt{0.0f, 0.0f, 0.0f};
    float m_roll = 0.0f;
    D3DXVECTOR3 m_positionOut{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_lookAtOut{0.0f, 0.0f, 0.0f};
    float m_rollOut = 0.0f;
};

class TORMAKELIN_FXCORE_API LightEffect : public Modifier {
public:
    static PluginDesc _pluginDesc;
    LightEffect();
    void eval(UpdateContext& context) override;
    // What the scene renderer receives: colours and angles converted, never the bound inputs.
    kavro::LightRecord const& getLight() const { return m_light; }

private:
    int m_type = 0;
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    float m_range = 256.0f;
    float m_innerCone = 45.0f;
    float m_outerCone = 90.0f;
    float m_intensity = 1.0f;
    D3DXVECTOR3 m_direction{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_position{0.0f, 0.0f, 0.0f};
    kavro::LightRecord m_light;
};

class TORMAKELIN_FXCORE_API MaterialEffect : public Modifier {
public:
    static PluginDesc _pluginDesc;
    MaterialEffect();
    void eval(UpdateContext& context) override;
    kavro::MaterialSettings const& getSettings() const { return m_settings; }

private:
    std::string m_name;
    bool m_doubleSided = false;
    int m_blendMode = render::BlendMode_Solid;
    int m_type = 0;
    D3DXVECTOR4 m_ambient{0.0f, 0.0f, 0.0f, 255.0f};
    D3DXVECTOR4 m_diffuse{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_specular{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_emissive{0.0f, 0.0f, 0.0f, 255.0f};
    float m_specularLevel = 0.0f;
    float m_glossiness = 32.0f;
    float m_opacity = 1.0f;
    D3DXVECTOR4 m_embm{0.25f, 0.25f, 0.75f, 0.75f};
    kavro::MaterialSettings m_settings;
    render::IShader* m_reportedShader = nullptr;
};

// What flares and lens flares share: an owned graph with one node and a material drawn with
// the node's own effect unless a shader node is linked.
class TORMAKELIN_FXCORE_API FlareNodeBase : public Modifier, public ISceneGraphSource {
public:
    ~FlareNodeBase() override;
    kavro::ISceneGraph* getSceneGraph() const override { return m_graph.get(); }
    kavro::IMaterial* getMaterial() const { return m_material.get(); }
    // The node's own effect, or null when it did not compile.
    render::IShader* getOwnShader() const { return m_ownShader.get(); }

protected:
    FlareNodeBase();
    // Picks the shader and the blend mode; reports once a user shader the renderer cannot select.
    void applyMaterial();

    int m_blendMode = render::BlendMode_Alpha;
    core::SmartRef<kavro::ISceneGraph> m_graph;
    core::SmartRef<kavro::IMaterial> m_material;
    core::SmartRef<kavro::ITexture> m_texture;
    core::SmartRef<kavro::ITextureSampler> m_sampler;
    core::SmartRef<render::IShader> m_ownShader;

private:
    render::IShader* m_reportedShader = nullptr;
};

class TORMAKELIN_FXCORE_API FlareEffect : public FlareNodeBase {
public:
    static PluginDesc _pluginDesc;
    FlareEffect();
    void eval(UpdateContext& context) override;
    // The flare node carries the position: the graph itself stays at the origin.
    D3DXMATRIX getSceneWorldMatrix() const override;
    kavro::Flare* getFlare() const { return m_flare; }

private:
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
    float m_size = 5.0f;
    kavro::Flare* m_flare = nullptr; // held by the graph
    NodeParameter* m_textureInput = nullptr;
};

class TORMAKELIN_FXCORE_API LensFlareEffect : public FlareNodeBase {
public:
    static PluginDesc _pluginDesc;
    LensFlareEffect();
    void eval(UpdateContext& context) override;
    D3DXMATRIX getSceneWorldMatrix() const override;
    kavro::LensFlare* getLensFlare() const { return m_lensFlare; }

private:
    kavro::LensFlare* m_lensFlare = nullptr; // held by the graph
};

class TORMAKELIN_FXCORE_API Animation : public Modifier {
public:
    static PluginDesc _pluginDesc;
    Animation();
    ~Animation() override;
    void eval(UpdateContext& context) override;
    bool serializeData(ISerializer* serializer) override;

    // Each holds a reference to the track and drops the previous one; null clears.
    void setPositionKeyframe(core::IKeyframe* keyframe);
    void setRotationKeyframe(core::IKeyframe* keyframe);
    void setScaleKeyframe(core::IKeyframe* keyframe);
    core::IKeyframe* getPositionKeyframe() const { return m_position.get(); }
    core::IKeyframe* getRotationKeyframe() const { return m_rotation.get(); }
    core::IKeyframe* getScaleKeyframe() const { return m_scale.get(); }

private:
    core::SmartRef<core::IKeyframe> m_position;
    core::SmartRef<core::IKeyframe> m_rotation;
    core::SmartRef<core::IKeyframe> m_scale;
    D3DXVECTOR3 m_positionOut{0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_rotationOut{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_scaleOut{1.0f, 1.0f, 1.0f};
};

// The shader-parameter objects of the parameter nodes linked to `input`, in link order.
TORMAKELIN_FXCORE_API void collectShaderParameters(
    IGraphNode& node, std::string const& input, std::vector<kavro::IShaderParameter*>& out);
TORMAKELIN_FXCORE_API void collectShaderParameters(
    NodeParameter const* input, std::vector<kavro::IShaderParameter*>& out);

} // namespace tormakelin::fxcore
