#pragma once
// Particle systems in the graph: a system node owning a small scene graph with one particle
// system, and emitter and modifier nodes that each own one scene-library object and bind their
// inputs to its fields.

#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/SceneNodes.h>

#include <tormakelin/core/SmartRef.h>

#include <string>
#include <vector>

namespace tormakelin::kavro {
class IMaterial;
class IParticleEmitter;
class IParticleModifier;
class ISceneGraph;
class ITexture;
class ITextureSampler;
class ParticleAttractorModifier;
class ParticleBoxEmitter;
class ParticleCameraDistanceFadeModifier;
class ParticleColorModifier;
class ParticleCylinderEmitter;
class ParticleEmitter;
class ParticleLinearForceModifier;
class ParticleMeshEmitter;
class ParticleModifier;
class ParticlePlaneModifier;
class ParticleRandomEmitter;
class ParticleSizeModifier;
class ParticleSphereEmitter;
class ParticleSystem;
} // namespace tormakelin::kavro

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::fxcore {

// The inputs every emitter shares; the node's own values reach the emitter first in eval.
class TORMAKELIN_FXCORE_API ParticleEmitter : public Modifier {
public:
    ~ParticleEmitter() override;
    ParticleEmitter(ParticleEmitter const&) = delete;
    ParticleEmitter& operator=(ParticleEmitter const&) = delete;

    virtual kavro::IParticleEmitter* getEmitter() const;
    void eval(UpdateContext& context) override;
    using GraphNode::update;

protected:
    // Holds one reference to the emitter.
    explicit ParticleEmitter(kavro::ParticleEmitter* emitter);
    kavro::ParticleEmitter* kavroEmitter() const { return m_emitter.get(); }
    void addCommonInputs();
    // Position, clamps and angles into the emitter's parameters; the bound inputs stay as entered.
    void update();
    virtual void writeShape(UpdateContext& context) = 0;

private:
    core::SmartRef<kavro::ParticleEmitter> m_emitter;
    // Degrees, as entered.
    float m_rotationMin = 0.0f;
    float m_rotationMax = 0.0f;
};

class TORMAKELIN_FXCORE_API ParticleBoxEmitter : public ParticleEmitter {
public:
    static PluginDesc _pluginDesc;
    ParticleBoxEmitter();

protected:
    void writeShape(UpdateContext& context) override;

private:
    kavro::ParticleBoxEmitter* m_box;
    bool m_onBox = false;
    D3DXVECTOR3 m_min{-10.0f, -10.0f, -10.0f};
    D3DXVECTOR3 m_max{10.0f, 10.0f, 10.0f};
};

class TORMAKELIN_FXCORE_API ParticleCylinderEmitter : public ParticleEmitter {
public:
    static PluginDesc _pluginDesc;
    ParticleCylinderEmitter();

protected:
    void writeShape(UpdateContext& context) override;

private:
    kavro::ParticleCylinderEmitter* m_cylinder;
    float m_height = 10.0f;
    float m_radius = 2.5f;
};

class TORMAKELIN_FXCORE_API ParticleSphereEmitter : public ParticleEmitter {
public:
    static PluginDesc _pluginDesc;
    ParticleSphereEmitter();

protected:
    void writeShape(UpdateContext& context) override;

private:
    kavro::ParticleSphereEmitter* m_sphere;
    bool m_onSphere = false;
    float m_radius = 10.0f;
};

class TORMAKELIN_FXCORE_API ParticleRandomEmitter : public ParticleEmitter {
public:
    static PluginDesc _pluginDesc;
    ParticleRandomEmitter();

protected:
    void writeShape(UpdateContext& context) override;

private:
    kavro::ParticleRandomEmitter* m_random;
    D3DXVECTOR3 m_min{-10.0f, -10.0f, -10.0f};
    D3DXVECTOR3 m_max{10.0f, 10.0f, 10.0f};
};

class TORMAKELIN_FXCORE_API ParticleMeshEmitter : public ParticleEmitter {
public:
    static PluginDesc _pluginDesc;
    ParticleMeshEmitter();

protected:
    // The geometry of the last mesh node of that name in the linked scene, or none.
    void writeShape(UpdateContext& context) override;

private:
    kavro::ParticleMeshEmitter* m_mesh;
    NodeParameter* m_sceneInput = nullptr;
    std::string m_meshName;
    D3DXVECTOR3 m_randomMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_randomMax{0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API ParticleModifier : public Modifier {
public:
    ~ParticleModifier() override;
    ParticleModifier(ParticleModifier const&) = delete;
    ParticleModifier& operator=(ParticleModifier const&) = delete;

    virtual kavro::IParticleModifier* getModifier() const;

protected:
    // Holds one reference to the modifier.
    explicit ParticleModifier(kavro::ParticleModifier* modifier);
    kavro::ParticleModifier* kavroModifier() const { return m_modifier.get(); }

private:
    core::SmartRef<kavro::ParticleModifier> m_modifier;
};

class TORMAKELIN_FXCORE_API ParticleSizeModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticleSizeModifier();
};

class TORMAKELIN_FXCORE_API ParticlePlaneModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticlePlaneModifier();
};

class TORMAKELIN_FXCORE_API ParticleLinearForceModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticleLinearForceModifier();
};

class TORMAKELIN_FXCORE_API ParticleCameraDistanceFadeModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticleCameraDistanceFadeModifier();
};

class TORMAKELIN_FXCORE_API ParticleAttractorModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticleAttractorModifier();
};

class TORMAKELIN_FXCORE_API ParticleColorModifier : public ParticleModifier {
public:
    static PluginDesc _pluginDesc;
    ParticleColorModifier();
    // The 0..255 inputs into the modifier's 0..1 colours.
    void eval(UpdateContext& context) override;

private:
    kavro::ParticleColorModifier* m_colour;
    D3DXVECTOR4 m_start{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_middle{255.0f, 255.0f, 255.0f, 255.0f};
    D3DXVECTOR4 m_end{0.0f, 0.0f, 0.0f, 0.0f};
};

// Collects its linked emitters and modifiers every frame; the scene render node draws its scene graph.
// The scene render effect draws its scene graph, placed by the node's own transform.
class TORMAKELIN_FXCORE_API ParticleSystemEffect : public Effect, public ISceneGraphSource {
public:
    static PluginDesc _pluginDesc;
    static constexpr int kMaxParticlesLimit = 100000;

    ParticleSystemEffect();
    ~ParticleSystemEffect() override;
    ParticleSystemEffect(ParticleSystemEffect const&) = delete;
    ParticleSystemEffect& operator=(ParticleSystemEffect const&) = delete;

    void eval(UpdateContext& context) override;
    // A fresh pool: every particle goes.
    void reset() override;
    // The pool sized as loaded, before the first frame plays the system.
    void resolve(IGraph* graph) override;

    kavro::ISceneGraph* getSceneGraph() const override { return m_sceneGraph.get(); }
    D3DXMATRIX getSceneWorldMatrix() const override { return getTransformMatrix(); }
    kavro::ParticleSystem* getParticleSystem() const { return m_system.get(); }
    kavro::IMaterial* getMaterial() const { return m_material.get(); }
    // Null without a device to compile on.
    render::IShader* getOwnShader() const { return m_shader.get(); }

private:
    void compileShader();
    void useShader();
    // Once per newly linked shader: one without the particle technique draws nothing, so say so.
    void checkLinkedShader(render::IShader* shader);
    void useTexture(InstanceParameterMap const& instances);
    void relink();
    uint32_t clampedMaxParticles() const;

    core::SmartRef<kavro::ISceneGraph> m_sceneGraph;
    core::SmartRef<kavro::ParticleSystem> m_system;
    core::SmartRef<kavro::IMaterial> m_material;
    core::SmartRef<kavro::ITexture> m_texture;
    core::SmartRef<kavro::ITextureSampler> m_sampler;
    core::SmartRef<render::IShader> m_shader;
    // The linked shader last checked; compared only, never used.
    render::IShader const* m_checkedShader = nullptr;

    NodeParameter* m_textureInput = nullptr;
    NodeParameter* m_emitterInput = nullptr;
    NodeParameter* m_modifierInput = nullptr;
    NodeParameter* m_shaderInput = nullptr;
    int m_blendMode = render::BlendMode_Alpha;
    int m_maxParticles = 2000;
    bool m_sort = false;
};

} // namespace tormakelin::fxcore
