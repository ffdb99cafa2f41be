#pragma once
// Particle systems: a fixed pool of particles, emitters that create them and modifiers that
// change them every frame.

#include <cstdint>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include <tormakelin/core/MinMax.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Node.h>

namespace tormakelin::render {
class IShader;
class ITextureAtlas;
}  // namespace tormakelin::render

namespace tormakelin::kavro {

class IGeometry;
class IMaterial;
class ParticleSystem;

struct Particle {
    uint32_t index = 0;
    D3DXVECTOR3 position{0, 0, 0};
    D3DXVECTOR3 previousPosition{0, 0, 0};
    uint32_t colour = 0xFFFFFFFF;  // A8R8G8B8
    float life = 0;
    float remainingLife = 0;
    D3DXVECTOR3 velocity{0, 0, 0};
    D3DXVECTOR3 acceleration{0, 0, 0};
    float size = 0;
    bool rotate = false;
    float rotation = 0;
    float rotationSpeed = 0;
    // left, top, right, bottom
    float textureRect[4] = {0, 0, 1, 1};
    Particle* next = nullptr;
    Particle* previous = nullptr;
    // The alive records by birth, newest first (record indices, kNoParticle at either end): the
    // unsorted draw order, which the walks' relinking in record order must not disturb.
    uint32_t olderBorn = UINT32_MAX;
    uint32_t newerBorn = UINT32_MAX;
    // Counts the pool's births: the larger, the newer. Orders the sorted particles at equal
    // distances without walking the chain above, whose records lie scattered.
    uint64_t birth = 0;
};

constexpr uint32_t kNoParticle = UINT32_MAX;

// The record after p in its list. The alive list mostly runs in record order, so the record
// next in memory is tried first: the compare is a predicted branch, and the walk goes on without
// waiting for each link to load.
inline Particle* nextInList(Particle* p)
{
    Particle* next = p->next;
    Particle* guess = p + 1;
    if (__builtin_expect(next == guess, 1)) {
        // Keeps the compiler from handing back the loaded link in place of the guess.
        asm("" : "+r"(guess));
        return guess;
    }
    return next;
}

// A channel in 0..1 as a byte: 255 from 1 up, 0 from 0 down, else rounded.
inline uint32_t colourByte(float channel)
{
    if (channel >= 1.0f) {
        return 255;
    }
    if (!(channel > 0.0f)) {
        return 0;
    }
    return uint32_t(channel * 255.0f + 0.5f);
}

// (red, green, blue, alpha) as A8R8G8B8.
inline uint32_t packColour(const D3DXVECTOR4& colour)
{
    return colourByte(colour.w) << 24 | colourByte(colour.x) << 16 | colourByte(colour.y) << 8 | colourByte(colour.z);
}

class TORMAKELIN_KAVRO_API ParticleCloud {
public:
    ParticleCloud() = default;
    ParticleCloud(const ParticleCloud&) = delete;
    ParticleCloud& operator=(const ParticleCloud&) = delete;

    // Every record free; true.
    bool create(uint32_t capacity);
    // Null when the pool is full.
    Particle* newParticle();
    void freeParticle(Particle* particle);
    // Fills the draw order: unsorted, newest first; sorted, the farthest from the eye first, and
    // equal distances newest first.
    void prepare(bool sort, const D3DXVECTOR3& eye);
    // Chains the alive list in record order, so that walking it reads memory front to back
    // instead of jumping wherever births have scattered it; nothing to do when none was born.
    void relinkInRecordOrder();

    uint32_t getCapacity() const { return m_capacity; }
    uint32_t getAliveCount() const { return m_aliveCount; }
    Particle* getFirstAlive() { return m_aliveHead; }
    Particle* getRecords() { return m_records.data(); }
    // getAliveCount() record indices after prepare.
    const uint32_t* getDrawOrder() const { return m_order.data(); }

private:
    // One stable pass of the radix sort of the first n entries, on the digit `pass`, given how
    // many keys have each value of it.
    void sortPass(uint32_t* counts, unsigned pass, uint32_t n);
    // Puts each run of sorted entries at one distance newest first.
    void orderTiesNewestFirst(uint32_t n);

    uint32_t m_capacity = 0;
    uint32_t m_aliveCount = 0;
    // Deaths keep the alive list in record order; births put records at its head.
    bool m_inRecordOrder = true;
    Particle* m_aliveHead = nullptr;
    uint32_t m_newest = kNoParticle;
    uint64_t m_births = 0;
    Particle* m_freeHead = nullptr;
    std::vector<Particle> m_records;
    std::vector<uint8_t> m_alive;
    std::vector<uint32_t> m_order;
    // Sort entries: key in the high half, record index in the low half; two buffers for the passes.
    std::vector<uint64_t> m_entries;
    std::vector<uint64_t> m_entriesSwap;
};

struct ParticleEmitterParams {
    int spawnLimit = 0;  // 0: unlimited
    float timeBetweenSpawns = 0.5f;
    int particlesPerSpawn = 100;
    float lifeMin = 1;
    float lifeMax = 5;
    D3DXVECTOR3 velocityMin{0, 1, 0};
    D3DXVECTOR3 velocityMax{0, 5, 0};
    D3DXVECTOR3 accelerationMin{0, 0, 0};
    D3DXVECTOR3 accelerationMax{0, 0, 0};
    float sizeMin = 1;
    float sizeMax = 5;
    bool rotate = false;
    float rotationMin = 0;
    float rotationMax = 0;
    float rotationSpeedMin = 0;
    float rotationSpeedMax = 0;
    std::string textureId;
    D3DXVECTOR3 emitterPosition{0, 0, 0};
    bool useVelocityFromEmitter = false;
    float emitterVelocityScale = 1;
};

class TORMAKELIN_KAVRO_API IParticleEmitter {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual ParticleEmitterParams& getParams() = 0;
    virtual void update(UpdateContext& context, ParticleSystem* system) = 0;
    virtual bool shouldSpawn() = 0;
    virtual void spawnParticles(UpdateContext& context, ParticleSystem* system) = 0;
    virtual ~IParticleEmitter() = default;
};

class TORMAKELIN_KAVRO_API ParticleEmitter : public core::RefCounted<IParticleEmitter> {
public:
    ParticleEmitter();
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    ParticleEmitterParams& getParams() override { return m_params; }
    void update(UpdateContext& context, ParticleSystem* system) override;
    bool shouldSpawn() override;
    void spawnParticles(UpdateContext& context, ParticleSystem* system) override;

    float getSpawnCountdown() const { return m_countdown; }
    int getSpawnCount() const { return m_spawnCount; }
    const D3DXVECTOR3& getEmitterVelocity() const { return m_emitterVelocity; }
    const float* getTextureRect() const { return m_textureRect; }

protected:
    void initParticle(Particle& particle);
    // Sets the position of a particle that initParticle has filled.
    virtual void placeParticle(Particle& particle) = 0;

    ParticleEmitterParams m_params;

private:
    float m_countdown = 0;
    int m_spawnCount = 0;
    float m_textureRect[4] = {0, 0, 1, 1};
    D3DXVECTOR3 m_previousPosition{0, 0, 0};
    bool m_hasPreviousPosition = false;
    D3DXVECTOR3 m_emitterVelocity{0, 0, 0};
    core::UniqueId m_id{};
};

class TORMAKELIN_KAVRO_API ParticleBoxEmitter : public ParticleEmitter {
public:
    void setBounds(const core::MinMax<D3DXVECTOR3>& bounds) { m_bounds = bounds; }
    const core::MinMax<D3DXVECTOR3>& getBounds() const { return m_bounds; }
    void spawnOnBox(bool enable) { m_onBox = enable; }

protected:
    void placeParticle(Particle& particle) override;

private:
    bool m_onBox = false;
    core::MinMax<D3DXVECTOR3> m_bounds{D3DXVECTOR3(-10, -10, -10), D3DXVECTOR3(10, 10, 10)};
};

class TORMAKELIN_KAVRO_API ParticleSphereEmitter : public ParticleEmitter {
public:
    void spawnOnSphere(bool enable) { m_onSphere = enable; }
    void setRadius(float radius) { m_radius = radius; }

protected:
    void placeParticle(Particle& particle) override;

private:
    bool m_onSphere = false;
    float m_radius = 10;
};

// Height and radius are kept for the graph; particles start at the emitter position.
class TORMAKELIN_KAVRO_API ParticleCylinderEmitter : public ParticleEmitter {
public:
    void setHeight(float height) { m_height = height; }
    void setRadius(float radius) { m_radius = radius; }
    float getHeight() const { return m_height; }
    float getRadius() const { return m_radius; }

protected:
    void placeParticle(Particle& particle) override;

private:
    float m_height = 10;
    float m_radius = 2.5f;
};

class TORMAKELIN_KAVRO_API ParticleRandomEmitter : public ParticleEmitter {
public:
    void setBounds(const core::MinMax<D3DXVECTOR3>& bounds) { m_bounds = bounds; }

protected:
    void placeParticle(Particle& particle) override;

private:
    core::MinMax<D3DXVECTOR3> m_bounds{D3DXVECTOR3(-10, -10, -10), D3DXVECTOR3(10, 10, 10)};
};

class TORMAKELIN_KAVRO_API ParticleMeshEmitter : public ParticleEmitter {
public:
    ~ParticleMeshEmitter() override;
    // Holds one reference.
    void setMesh(IGeometry* geometry);
    IGeometry* getMesh() const { return m_mesh; }
    void setRandomOffset(const D3DXVECTOR3& min, const D3DXVECTOR3& max) { m_offsetMin = min, m_offsetMax = max; }
    // Without vertices to start from, nothing spawns and the countdown keeps running.
    void spawnParticles(UpdateContext& context, ParticleSystem* system) override;

protected:
    void placeParticle(Particle& particle) override;

private:
    IGeometry* m_mesh = nullptr;
    D3DXVECTOR3 m_offsetMin{0, 0, 0};
    D3DXVECTOR3 m_offsetMax{0, 0, 0};
    // Set while spawning: the 48-byte vertices of the mesh's first stream.
    const unsigned char* m_vertices = nullptr;
    uint32_t m_vertexCount = 0;
};

class TORMAKELIN_KAVRO_API IParticleModifier {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual void update(UpdateContext& context) = 0;
    // Walks the alive list from `first`.
    virtual void apply(UpdateContext& context, Particle* first) = 0;
    virtual ~IParticleModifier() = default;
};

class TORMAKELIN_KAVRO_API ParticleModifier : public core::RefCounted<IParticleModifier> {
public:
    ParticleModifier();
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    void update(UpdateContext&) override {}

private:
    core::UniqueId m_id{};
};

class TORMAKELIN_KAVRO_API ParticleSizeModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    float startSize = 1;
    float middleSize = 1;
    float endSize = 1;
    float middleTime = 0.25f;
    float endTime = 0.75f;
};

class TORMAKELIN_KAVRO_API ParticleColorModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    // (red, green, blue, alpha)
    D3DXVECTOR4 startColour{1, 1, 1, 1};
    D3DXVECTOR4 middleColour{1, 1, 1, 1};
    D3DXVECTOR4 endColour{1, 1, 1, 1};
    float middleStart = 0.25f;
    float endStart = 0.75f;
};

// ParticleLinearForceModifier::op; any value but add averages.
enum LinearForceOperator : int { LinearForceOperator_Add = 0, LinearForceOperator_Average = 1 };

class TORMAKELIN_KAVRO_API ParticleLinearForceModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    int op = LinearForceOperator_Add;
    D3DXVECTOR3 direction{0, 0, 0};
};

class TORMAKELIN_KAVRO_API ParticlePlaneModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    D3DXVECTOR3 point{0, 0, 0};
    D3DXVECTOR3 normal{0, 1, 0};
    float bounce = 1;
    D3DXVECTOR3 velocityDamping{0, 0, 0};
    D3DXVECTOR3 accelerationDamping{0, 0, 0};
};

class TORMAKELIN_KAVRO_API ParticleCameraDistanceFadeModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    float nearDistance = 2;
    float farDistance = 10;
};

class TORMAKELIN_KAVRO_API ParticleAttractorModifier : public ParticleModifier {
public:
    void apply(UpdateContext& context, Particle* first) override;

    D3DXVECTOR3 position{0, 0, 0};
    float radius = 10;
    D3DXVECTOR3 strength{1, 1, 1};
};

class TORMAKELIN_KAVRO_API ParticleSystem : public Node {
public:
    ParticleSystem();
    ~ParticleSystem() override;

    NodeType getType() override { return NodeType_ParticleSystem; }
    void update(UpdateContext& context) override;
    void render(RenderPass& pass) override;
    void resolve(ISceneGraph* graph) override;
    bool serialize(Serializer* serializer) override;

    // A different size re-creates the pool, losing every particle.
    void setMaxParticles(uint32_t count);
    uint32_t getMaxParticles() const { return m_maxParticles; }
    void sortParticles(bool sort) { m_sort = sort; }
    bool isSorted() const { return m_sort; }
    ParticleCloud& getCloud() { return m_cloud; }

    void setMaterial(IMaterial* material);
    IMaterial* getMaterial() const { return m_material.object; }
    const core::UniqueId& getMaterialId() const { return m_material.id; }
    void setShader(render::IShader* shader);
    render::IShader* getShader() const { return m_shader; }
    void setTextureAtlas(render::ITextureAtlas* atlas);
    render::ITextureAtlas* getTextureAtlas() const { return m_atlas; }

    void addEmitter(IParticleEmitter* emitter);
    void addModifier(IParticleModifier* modifier);
    void removeEmitter(const core::UniqueId& id);
    void removeModifier(const core::UniqueId& id);
    // Release every entry and keep the lists' storage: refilling them every frame allocates nothing.
    void clearEmitters();
    void clearModifiers();
    const std::vector<IParticleEmitter*>& getEmitters() const { return m_emitters; }
    const std::vector<IParticleModifier*>& getModifiers() const { return m_modifiers; }

private:
    void updateParticles(UpdateContext& context);

    uint32_t m_maxParticles = 1;
    bool m_sort = false;
    ParticleCloud m_cloud;
    ObjectRef<IMaterial> m_material;
    render::IShader* m_shader = nullptr;
    std::vector<IParticleEmitter*> m_emitters;
    std::vector<IParticleModifier*> m_modifiers;
    render::ITextureAtlas* m_atlas = nullptr;
};

}  // namespace tormakelin::kavro
