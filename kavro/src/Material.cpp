// Scene materials: their animated values, their file record, and the states and effect
// parameters they set before every draw.
#include <tormakelin/kavro/Material.h>

#include "EffectBinding.h"
#include "MaterialState.h"
#include "RefList.h"

#include <algorithm>
#include <cstring>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/kavro/MaterialShader.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/Texture.h>

#include "TextureLoad.h"

namespace tormakelin::kavro {

namespace {

class Texture : public core::RefCounted<ITexture> {
public:
    Texture() { core::generateUniqueId(m_id); }
    ~Texture() override { replace<render::ITexture>(m_texture, nullptr); }
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    render::ITexture* getTexture() override { return m_texture; }
    void setTexture(render::ITexture* texture) override
    {
        replace(m_texture, texture);
        if (texture) {
            m_fileName = texture->getFileName();
        }
    }
    const std::string& getFileName() override { return m_fileName; }
    void setFileName(const std::string& name) override { m_fileName = name; }
    bool serialize(Serializer* serializer) override
    {
        uint32_t kind = m_kind;
        if (serializer->isStoring() && m_texture) {
            kind = uint32_t(m_texture->getTextureType());
        }
        if (!io::id(serializer, m_id) || !io::text(serializer, m_fileName) || !io::value(serializer, kind)) {
            return false;
        }
        if (!serializer->isStoring()) {
            // The kind stays even when nothing loads, so that saving again keeps it.
            m_kind = kind;
            render::ITexture* loaded = loadSceneTexture(kind, m_fileName);
            replace(m_texture, loaded);
        }
        return true;
    }

private:
    core::UniqueId m_id{};
    render::ITexture* m_texture = nullptr;
    std::string m_fileName;
    uint32_t m_kind = TextureKind_2D;
};

class TextureSampler : public core::RefCounted<ITextureSampler> {
public:
    ObjectRef<ITexture>& getTexture() override { return m_texture; }
    const std::string& getName() override { return m_name; }
    void setName(const std::string& name) override { m_name = name; }
    uint32_t getUvSet() override { return m_uvSet; }
    void setUvSet(uint32_t set) override { m_uvSet = set; }
    AnimatedFloat& getAmount() override { return m_amount; }
    void update(float time) override { m_amount.update(time); }
    void resolve(ISceneGraph* graph) override
    {
        m_texture.resolveWith([graph](const core::UniqueId& id) { return graph->findTexture(id); });
    }
    bool serialize(Serializer* serializer) override
    {
        return io::text(serializer, m_name) && io::id(serializer, m_texture.id) && io::value(serializer, m_uvSet) &&
               m_amount.serialize(serializer);
    }

private:
    ObjectRef<ITexture> m_texture;
    std::string m_name;
    uint32_t m_uvSet = 0;
    AnimatedFloat m_amount{1.0f};
};

// A sampler record: name length, texture id, UV set and an amount without a track.
constexpr uint64_t kMinSamplerBytes = 4 + 16 + 4 + 8;

class Material : public core::RefCounted<IMaterial> {
public:
    Material()
    {
        core::generateUniqueId(m_id);
        fillSettings();
    }
    ~Material() override
    {
        replace<render::ITexture>(m_heldShadow, nullptr);
        replace<render::IShader>(m_shader, nullptr);
        clearSamplers();
    }

    const core::UniqueId& getId() override { return m_id; }
    uint32_t getType() override { return m_type; }
    void setType(uint32_t type) override { m_type = m_settings.type = type; }
    const std::string& getName() override { return m_name; }
    void setName(const std::string& name) override { m_name = name; }

    void update(float time) override
    {
        m_time = time;
        m_ambient.update(time);
        m_diffuse.update(time);
        m_specular.update(time);
        m_emissive.update(time);
        m_opacity.update(time);
        m_specularLevel.update(time);
        m_glossiness.update(time);
        fillSettings();
        for (ITextureSampler* sampler : m_samplers) {
            sampler->update(time);
        }
    }

    void fillSettings()
    {
        m_settings.name = m_name;
        m_settings.ambient = m_ambient.value;
        m_settings.diffuse = m_diffuse.value;
        m_settings.specular = m_specular.value;
        m_settings.emissive = m_emissive.value;
        m_settings.opacity = m_opacity.value;
        m_settings.specularLevel = m_specularLevel.value;
        m_settings.glossiness = m_glossiness.value;
        m_settings.type = m_type;
        m_settings.twoSided = m_twoSided;
        m_settings.blendMode = int(m_blendMode);
        m_settings.embm = m_embm;
        m_settings.shader = m_shader;
        m_settings.shaderParameters.clear();
    }

    render::IShader* getShader() override { return m_shader; }
    void setShader(render::IShader* shader) override
    {
        replace(m_shader, shader);
        m_settings.shader = m_shader;
        m_compiled.clear();
        // Handles of effects no longer in use would keep those effects alive.
        m_bindings.clear();
        m_nextBinding = 0;
        bindOwnShader();
    }
    const std::vector<ITextureSampler*>& getTextureSamplers() override { return m_samplers; }
    void addTextureSampler(ITextureSampler* sampler) override
    {
        if (sampler) {
            sampler->addRef();
            m_samplers.push_back(sampler);
            ++m_samplerGeneration;
        }
    }
    void removeTextureSampler(ITextureSampler* sampler) override
    {
        auto it = std::find(m_samplers.begin(), m_samplers.end(), sampler);
        if (it != m_samplers.end()) {
            m_samplers.erase(it);
            sampler->release();
            ++m_samplerGeneration;
        }
    }
    ITextureSampler* findTextureSampler(const std::string& name) override
    {
        for (ITextureSampler* sampler : m_samplers) {
            if (sampler->getName() == name) {
                return sampler;
            }
        }
        return nullptr;
    }
    AnimatedVec4& getAmbient() override { return m_ambient; }
    AnimatedVec4& getDiffuse() override { return m_diffuse; }
    AnimatedVec4& getSpecular() override { return m_specular; }
    AnimatedVec4& getEmissive() override { return m_emissive; }
    AnimatedFloat& getOpacity() override { return m_opacity; }
    AnimatedFloat& getSpecularLevel() override { return m_specularLevel; }
    AnimatedFloat& getGlossiness() override { return m_glossiness; }
    bool isTwoSided() override { return m_twoSided != 0; }
    void setTwoSided(bool twoSided) override { m_settings.twoSided = m_twoSided = twoSided ? 1 : 0; }
    int getBlendMode() override { return int(m_blendMode); }
    // The settings carry the blend mode that the pass choice and the blending both read.
    void setBlendMode(int mode) override { m_settings.blendMode = int(m_blendMode = uint32_t(mode)); }
    const D3DXVECTOR4& getEmbm() override { return m_embm; }
    void setEmbm(const D3DXVECTOR4& embm) override { m_settings.embm = m_embm = embm; }
    bool isOpaque() override { return m_settings.blendMode == render::BlendMode_Solid; }

    bool setTechnique(int technique, render::IShader* shader) override
    {
        render::IShader* effect = shader ? shader : m_shader;
        if (effect == nullptr || effect->getEffect() == nullptr) {
            return false;
        }
        const D3DXHANDLE handle = binding(effect).technique(technique);
        return handle != nullptr && SUCCEEDED(effect->getEffect()->SetTechnique(handle));
    }
    bool takesPart(int technique, render::IShader* shader) override
    {
        if (!setTechnique(technique, shader)) {
            return false;
        }
        const bool reflective = m_settings.type == MaterialType_Reflective;
        switch (technique) {
        case RenderTechnique_Shadow:
            return true;
        case RenderTechnique_ZPass:
            return !reflective;
        case RenderTechnique_Solid:
            return isOpaque() && !reflective;
        case RenderTechnique_Blended:
            return !isOpaque() && !reflective;
        case RenderTechnique_ReflectiveMask:
        case RenderTechnique_Reflective:
            return reflective;
        default:
            return false;
        }
    }

    unsigned begin(RenderPass& pass, render::IShader* shader) override
    {
        render::IShader* effect = shader ? shader : m_shader;
        if (effect == nullptr || !takesPart(pass.technique, effect)) {
            return 0;
        }
        EffectBinding& b = binding(effect);
        if (render::IShaderParameter* p = b.get(Bind_AmbientLightPower)) {
            effect->setFloat(p, pass.ambientPower);
        }
        applyMaterialStates(pass, m_settings.twoSided != 0, m_settings.blendMode);
        bindMaterialValues(effect, b);
        D3DXMATRIX shadowView;
        D3DXMATRIX shadowProjection;
        shadowMatrices(pass.settings, shadowView, shadowProjection);
        bindShadow(effect, b, pass, shadowView, shadowProjection, m_heldShadow);
        bindFog(effect, b, pass.settings);
        bindLights(effect, b, pass.lights);
        const bool shadowPass = pass.technique == RenderTechnique_Shadow;
        bindTransforms(effect, b, pass, shadowPass ? shadowView : pass.view,
            shadowPass ? shadowProjection : pass.projection, m_time);
        bindBones(effect, b, pass.bones);
        bindUserParameters(effect, b, m_settings.shaderParameters);
        bindUserParameters(effect, b, pass.shaderParameters);
        // takesPart has set the pass's technique.
        return effect->begin();
    }
    void end(render::IShader* shader) override
    {
        render::IShader* effect = shader ? shader : m_shader;
        if (effect) {
            effect->end();
        }
        unbindShadow(effect, effect ? findBinding(effect) : nullptr, m_heldShadow);
        restoreMaterialStates();
    }
    void beginPass(unsigned index, render::IShader* shader) override
    {
        if (render::IShader* effect = shader ? shader : m_shader) {
            effect->beginPass(index);
        }
    }
    void endPass(render::IShader* shader) override
    {
        if (render::IShader* effect = shader ? shader : m_shader) {
            effect->endPass();
        }
    }
    const MaterialSettings& getSettings() override { return m_settings; }
    void setSettings(const MaterialSettings& settings) override { m_settings = settings; }

    void resolve(ISceneGraph* graph) override
    {
        for (ITextureSampler* sampler : m_samplers) {
            sampler->resolve(graph);
        }
    }

    bool serialize(Serializer* serializer) override
    {
        if (!io::id(serializer, m_id) || !io::value(serializer, m_type) || !io::text(serializer, m_name) ||
            !io::value(serializer, m_twoSided) || !io::value(serializer, m_blendMode) ||
            !io::bytes(serializer, &m_embm, sizeof m_embm) || !serializeSamplers(serializer) ||
            !serializeEffect(serializer)) {
            return false;
        }
        const bool done = m_ambient.serialize(serializer) && m_diffuse.serialize(serializer) &&
                          m_specular.serialize(serializer) && m_emissive.serialize(serializer) &&
                          m_opacity.serialize(serializer) && m_specularLevel.serialize(serializer) &&
                          m_glossiness.serialize(serializer);
        if (!serializer->isStoring()) {
            fillSettings();
            bindOwnShader();
        }
        return done;
    }

private:
    // The handles of the effect, found once and kept while the effect stays as compiled.
    // The handles looked up when the effect arrives rather than in the first frame that draws.
    void bindOwnShader()
    {
        if (m_shader != nullptr && m_shader->getEffect() != nullptr) {
            binding(m_shader);
        }
    }
    EffectBinding& binding(render::IShader* effect)
    {
        if (EffectBinding* found = findBinding(effect)) {
            return *found;
        }
        for (EffectBinding& stale : m_bindings) {
            if (stale.shader() == effect) {
                stale.build(effect, m_samplers, m_samplerGeneration);
                return stale;
            }
        }
        if (m_bindings.size() < kMaxBindings) {
            m_bindings.emplace_back();
            m_bindings.back().build(effect, m_samplers, m_samplerGeneration);
            return m_bindings.back();
        }
        EffectBinding& reused = m_bindings[m_nextBinding];
        m_nextBinding = (m_nextBinding + 1) % kMaxBindings;
        reused.build(effect, m_samplers, m_samplerGeneration);
        return reused;
    }
    EffectBinding* findBinding(render::IShader* effect)
    {
        for (EffectBinding& b : m_bindings) {
            if (b.matches(effect, m_samplerGeneration)) {
                return &b;
            }
        }
        return nullptr;
    }

    void bindMaterialValues(render::IShader* effect, const EffectBinding& b)
    {
        for (size_t i = 0; i < m_samplers.size(); ++i) {
            ITexture* texture = m_samplers[i]->getTexture().object;
            render::ITexture* image = texture ? texture->getTexture() : nullptr;
            if (image == nullptr) {
                continue;
            }
            const SamplerHandles& h = b.sampler(i);
            if (h.texture) {
                effect->setTexture(h.texture, image);
            }
            if (h.amount) {
                effect->setFloat(h.amount, m_samplers[i]->getAmount().value);
            }
        }
        const std::pair<BindingParam, const D3DXVECTOR4*> colours[] = {{Bind_AmbientColour, &m_settings.ambient},
            {Bind_DiffuseColour, &m_settings.diffuse}, {Bind_SpecularColour, &m_settings.specular},
            {Bind_EmissiveColour, &m_settings.emissive}, {Bind_Embm, &m_settings.embm}};
        for (const auto& [which, value] : colours) {
            if (render::IShaderParameter* p = b.get(which)) {
                effect->setVector4(p, value);
            }
        }
        const std::pair<BindingParam, float> levels[] = {{Bind_SpecularLevel, m_settings.specularLevel},
            {Bind_Glossiness, m_settings.glossiness}, {Bind_Opacity, m_settings.opacity}};
        for (const auto& [which, value] : levels) {
            if (render::IShaderParameter* p = b.get(which)) {
                effect->setFloat(p, value);
            }
        }
    }

    void clearSamplers()
    {
        std::vector<ITextureSampler*> samplers;
        samplers.swap(m_samplers);
        for (ITextureSampler* sampler : samplers) {
            sampler->release();
        }
    }

    bool serializeSamplers(Serializer* serializer)
    {
        uint32_t count = uint32_t(m_samplers.size());
        if (!io::count(serializer, count, kMinSamplerBytes)) {
            return false;
        }
        if (serializer->isStoring()) {
            return std::all_of(m_samplers.begin(), m_samplers.end(),
                [serializer](ITextureSampler* s) { return s->serialize(serializer); });
        }
        clearSamplers();
        for (uint32_t i = 0; i < count; ++i) {
            ITextureSampler* sampler = createTextureSampler();
            addTextureSampler(sampler);
            if (!sampler->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }

    // The effect's text as the shader can give it back, or the bytes this material was loaded
    // with, so that a scene saved again keeps its effect.
    bool effectBytes(std::vector<uint8_t>& out)
    {
        if (!m_compiled.empty()) {
            out = m_compiled;
            return true;
        }
        void* data = nullptr;
        unsigned length = 0;
        if (m_shader && m_shader->getSource(data, length) && data && length) {
            const auto* bytes = static_cast<const uint8_t*>(data);
            out.assign(bytes, bytes + length);
            return true;
        }
        return false;
    }

    bool serializeEffect(Serializer* serializer)
    {
        std::vector<uint8_t> bytes;
        const bool haveBytes = serializer->isStoring() && effectBytes(bytes);
        uint8_t hasEffect = (m_shader || !m_compiled.empty()) ? 1 : 0;
        if (!io::value(serializer, hasEffect)) {
            return false;
        }
        if (hasEffect == 0) {
            return true;
        }
        uint32_t hasData = haveBytes ? 1 : 0;
        if (!io::value(serializer, hasData)) {
            return false;
        }
        if (hasData != 1) {
            return true;
        }
        uint32_t length = uint32_t(bytes.size());
        if (!io::count(serializer, length, 1)) {
            return false;
        }
        if (serializer->isStoring()) {
            return length == 0 || io::bytes(serializer, bytes.data(), length);
        }
        bytes.resize(length);
        if (length && !io::bytes(serializer, bytes.data(), length)) {
            return false;
        }
        createEffect(bytes);
        m_compiled = std::move(bytes);
        return true;
    }

    void createEffect(std::vector<uint8_t>& bytes)
    {
        if (bytes.empty() || render::g_shaderManager == nullptr) {
            return;
        }
        core::MemStream* stream = core::createMemStream(bytes.data(), unsigned(bytes.size()), true, false);
        if (stream == nullptr) {
            return;
        }
        stream->addRef();
        render::IShaderData* data = render::createShaderData(stream);
        stream->release();
        if (data == nullptr) {
            return;
        }
        data->addRef();
        render::IShader* shader = render::createShader();
        shader->addRef();
        if (shader->create(data, render::g_shaderManager->getPool(), render::g_shaderManager->getInclude())) {
            replace(m_shader, shader);
        }
        shader->release();
        data->release();
        if (m_shader == nullptr) {
            regenerateEffect();
        }
    }

    // Bytes compiled for another system do not compile here: the material then draws with an
    // effect generated from its own maps, with every feature the renderer may ask of it.
    void regenerateEffect()
    {
        CreateShaderParam param;
        param.pointLightsEnabled = param.directionalLightsEnabled = param.spotLightsEnabled = 1;
        param.maxPointLights = param.maxDirectionalLights = param.maxSpotLights = kMaxLightsPerKind;
        param.fogEnabled = param.shadowEnabled = param.zPassEnabled = 1;
        if (render::IShader* shader = createShaderFromMaterial(this, param)) {
            replace(m_shader, shader);
        }
    }

    float m_time = 0;
    core::UniqueId m_id{};
    uint32_t m_type = MaterialType_Solid;
    std::string m_name;
    render::IShader* m_shader = nullptr;
    std::vector<ITextureSampler*> m_samplers;
    AnimatedVec4 m_ambient{D3DXVECTOR4(0, 0, 0, 1)};
    AnimatedVec4 m_diffuse{D3DXVECTOR4(1, 1, 1, 1)};
    AnimatedVec4 m_specular{D3DXVECTOR4(1, 1, 1, 1)};
    AnimatedVec4 m_emissive{D3DXVECTOR4(0, 0, 0, 1)};
    AnimatedFloat m_opacity{1.0f};
    AnimatedFloat m_specularLevel{1.0f};
    AnimatedFloat m_glossiness{128.0f};
    uint8_t m_twoSided = 0;
    uint32_t m_blendMode = render::BlendMode_Solid;
    D3DXVECTOR4 m_embm{0.5f, 0.5f, 0.5f, 0.5f};
    MaterialSettings m_settings;
    std::vector<uint8_t> m_compiled;
    static constexpr size_t kMaxBindings = 4;
    std::vector<EffectBinding> m_bindings;
    size_t m_nextBinding = 0;
    unsigned m_samplerGeneration = 0;
    render::ITexture* m_heldShadow = nullptr;
};

}  // namespace

IMaterial* createMaterial() { return new Material(); }
ITexture* createTexture() { return new Texture(); }
ITextureSampler* createTextureSampler() { return new TextureSampler(); }

}  // namespace tormakelin::kavro
