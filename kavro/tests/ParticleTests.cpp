#include "GeometryFixtures.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include <tormakelin/core/Random.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/render/TextureData.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;
using tormakelin::core::SmartRef;

UpdateContext frame(float delta, D3DXVECTOR3 eye = {0, 0, 0})
{
    UpdateContext context;
    context.delta = delta;
    context.phase = 2;
    context.eye = eye;
    return context;
}

// A system of `capacity` with the emitter added; the emitter spawns `perSpawn` still particles
// that live long.
SmartRef<ParticleSystem> systemWith(IParticleEmitter* emitter, uint32_t capacity, int perSpawn)
{
    SmartRef<ParticleSystem> system = new ParticleSystem();
    system->setMaxParticles(capacity);
    ParticleEmitterParams& params = emitter->getParams();
    params.particlesPerSpawn = perSpawn;
    params.lifeMin = params.lifeMax = 100;
    params.velocityMin = params.velocityMax = D3DXVECTOR3(0, 0, 0);
    system->addEmitter(emitter);
    return system;
}

// A single alive particle of a fresh pool, to run modifiers on.
struct OneParticle {
    OneParticle(D3DXVECTOR3 at, D3DXVECTOR3 velocity = {0, 0, 0})
    {
        cloud.create(1);
        p = cloud.newParticle();
        p->position = p->previousPosition = at;
        p->velocity = velocity;
        p->life = p->remainingLife = 1;
    }
    // One system step of `dt` (move, as the system does) followed by the modifier.
    void step(IParticleModifier& modifier, float dt, D3DXVECTOR3 eye = {0, 0, 0})
    {
        p->previousPosition = p->position;
        p->position += p->velocity * dt;
        UpdateContext context = frame(dt, eye);
        modifier.apply(context, p);
    }
    ParticleCloud cloud;
    Particle* p = nullptr;
};

void expectVec(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-4f) << what;
}

TEST(ParticleCloud, NewAndFreeMoveRecordsBetweenTheLists)
{
    ParticleCloud cloud;
    ASSERT_TRUE(cloud.create(3));
    Particle* a = cloud.newParticle();
    Particle* b = cloud.newParticle();
    Particle* c = cloud.newParticle();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->index, 0u) << "the free list runs in index order";
    EXPECT_EQ(c->index, 2u);
    EXPECT_EQ(cloud.newParticle(), nullptr) << "a full pool gives nothing";
    EXPECT_EQ(cloud.getFirstAlive(), c) << "new particles go to the head of the alive list";

    cloud.freeParticle(b);
    EXPECT_EQ(cloud.getAliveCount(), 2u);
    EXPECT_EQ(c->next, a);
    EXPECT_EQ(a->previous, c);
    EXPECT_EQ(cloud.newParticle(), b) << "the freed record is reused first";

    cloud.prepare(false, D3DXVECTOR3(0, 0, 0));
    const uint32_t* order = cloud.getDrawOrder();
    EXPECT_EQ(std::vector<uint32_t>(order, order + 3), (std::vector<uint32_t>{1, 2, 0})) << "list order";

    // Relinked in record order, both ways; a death keeps that order.
    cloud.relinkInRecordOrder();
    cloud.freeParticle(b);
    cloud.prepare(false, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(std::vector<uint32_t>(order, order + 2), (std::vector<uint32_t>{2, 0})) << "still newest first";
    EXPECT_EQ(cloud.getFirstAlive(), a);
    EXPECT_EQ(a->previous, nullptr);
    EXPECT_EQ(c->previous, a);
    EXPECT_EQ(c->next, nullptr);
}

TEST(ParticleCloud, RelinkFindsEveryLivingRecordAcrossFreeRuns)
{
    // Living records at both ends of runs of eight, right after wholly free runs, and in a
    // tail shorter than a run.
    const std::vector<uint32_t> living{0, 7, 8, 24, 40, 63, 64, 70};
    ParticleCloud cloud;
    ASSERT_TRUE(cloud.create(71));
    std::vector<Particle*> records;
    records.reserve(71);
    for (int i = 0; i < 71; ++i) {
        records.push_back(cloud.newParticle());
    }
    for (Particle* p : records) {
        if (std::find(living.begin(), living.end(), p->index) == living.end()) {
            cloud.freeParticle(p);
        }
    }
    cloud.relinkInRecordOrder();
    std::vector<uint32_t> walked;
    for (Particle* p = cloud.getFirstAlive(); p; p = p->next) {
        walked.push_back(p->index);
    }
    EXPECT_EQ(walked, living);
}

TEST(ParticleCloud, SortedDrawOrderRunsFromFarthestToNearest)
{
    ParticleCloud cloud;
    cloud.create(5);
    const float distances[] = {3, -9, 1, 7, -4};
    for (float z : distances) {
        cloud.newParticle()->position = D3DXVECTOR3(0, 0, z);
    }
    const D3DXVECTOR3 eye(0, 0, 2);
    cloud.prepare(true, eye);
    const uint32_t* order = cloud.getDrawOrder();
    float last = INFINITY;
    for (uint32_t i = 0; i < 5; ++i) {
        const float d = std::fabs(cloud.getRecords()[order[i]].position.z - eye.z);
        EXPECT_LE(d, last) << "position " << i;
        last = d;
    }
    EXPECT_EQ(cloud.getRecords()[order[0]].position.z, -9);
}

// Distances spread over every digit of the sort, with ties among them, against a stable sort by
// distance, farthest first, of the particles newest first; a second frame from elsewhere, after
// the walks have relinked the list in record order, must not keep the first frame's order.
TEST(ParticleCloud, SortedDrawOrderMatchesAStableSortByDistance)
{
    ParticleCloud cloud;
    constexpr uint32_t count = 3000;
    cloud.create(count);
    tormakelin::core::randomSeed(7);
    std::vector<uint32_t> born;
    born.reserve(count + count / 5);
    for (uint32_t i = 0; i < count; ++i) {
        // Every fourth particle repeats a position: equal distances go newest first.
        const float scale = std::exp2(float(tormakelin::core::randomInt(-20, 20)));
        D3DXVECTOR3 at(tormakelin::core::randomFloat(-1, 1), tormakelin::core::randomFloat(-1, 1), 0);
        Particle* p = cloud.newParticle();
        p->position = i % 4 == 3 ? cloud.getRecords()[count - i].position : at * scale;
        born.push_back(p->index);
    }
    // Every fifth dies and is born again, so births no longer follow the records.
    for (uint32_t i = 0; i < count; i += 5) {
        cloud.freeParticle(&cloud.getRecords()[i]);
        born.erase(std::find(born.begin(), born.end(), i));
    }
    for (uint32_t i = 0; i < count; i += 5) {
        born.push_back(cloud.newParticle()->index);
    }
    const std::vector<uint32_t> newestFirst(born.rbegin(), born.rend());
    for (const D3DXVECTOR3& eye : {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, -2, 3)}) {
        auto squared = [&](uint32_t i) {
            const D3DXVECTOR3 d = cloud.getRecords()[i].position - eye;
            return d.x * d.x + d.y * d.y + d.z * d.z;
        };
        std::vector<uint32_t> expected = newestFirst;
        std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) { return squared(a) > squared(b); });
        cloud.prepare(true, eye);
        EXPECT_EQ(std::vector<uint32_t>(cloud.getDrawOrder(), cloud.getDrawOrder() + count), expected)
            << "eye " << eye.x << ", " << eye.y << ", " << eye.z;
        cloud.relinkInRecordOrder();
    }
}

TEST(ParticleColour, ChannelsPackAsArgbBytes)
{
    struct Case {
        D3DXVECTOR4 colour;
        uint32_t packed;
    } cases[] = {
        {{1, 0, 0, 0.5f}, 0x80FF0000u},
        {{1.2f, 0.5f, -1, 1}, 0xFFFF8000u},
        {{0, 0, 1, 0}, 0x000000FFu},
        {{NAN, 0.002f, 0.999f, 1}, 0xFF0001FFu},
        {{INFINITY, -INFINITY, 0.0019f, 0.9999999f}, 0xFFFF0000u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(packColour(c.colour), c.packed) << std::hex << c.packed;
    }
    // Every step of a fine sweep across both ends against the rule written out with branches.
    for (int i = -2000; i <= 202000; ++i) {
        const float c = float(i) / 200000.0f;
        const uint32_t expected = c >= 1.0f ? 255u : c > 0.0f ? uint32_t(c * 255.0f + 0.5f) : 0u;
        ASSERT_EQ(colourByte(c), expected) << c;
    }
}

TEST(ParticleEmitter, SpawnLimitGivesThatManySpawnsTheFirstInFrameOne)
{
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 10, 1);
    emitter->getParams().spawnLimit = 3;
    emitter->getParams().timeBetweenSpawns = 0.5f;
    std::vector<uint32_t> alive;
    for (int i = 0; i < 6; ++i) {
        UpdateContext context = frame(0.5f);
        system->update(context);
        alive.push_back(system->getCloud().getAliveCount());
    }
    EXPECT_EQ(alive, (std::vector<uint32_t>{1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(emitter->getSpawnCount(), 3);
}

// Overlapping particles must not swap their stacking between frames: newest first, frame after
// frame, with births and deaths in between; sorted, all at one place, the same.
TEST(ParticleSystem, DrawOrderOfParticlesInOnePlaceStaysNewestFirst)
{
    for (bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted" : "unsorted");
        // Three born every second into a pool of four, at two frames a second.
        auto* emitter = new ParticleRandomEmitter();
        SmartRef<ParticleSystem> system = systemWith(emitter, 4, 3);
        emitter->setBounds({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)});
        emitter->getParams().timeBetweenSpawns = 1;
        system->sortParticles(sorted);
        const auto frameOrder = [&] {
            UpdateContext context = frame(0.5f, D3DXVECTOR3(0, 0, -5));
            system->update(context);
            const ParticleCloud& cloud = system->getCloud();
            return std::vector<uint32_t>(cloud.getDrawOrder(), cloud.getDrawOrder() + cloud.getAliveCount());
        };
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{2, 1, 0}));
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{2, 1, 0})) << "the frame after, relinked";
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{3, 2, 1, 0})) << "one free record for the second spawn";
        system->getCloud().getRecords()[1].remainingLife = 0.1f;
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{3, 2, 0})) << "a death keeps the others' order";
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{1, 3, 2, 0})) << "the reused record is the newest";
        EXPECT_EQ(frameOrder(), (std::vector<uint32_t>{1, 3, 2, 0})) << "and stays so";
    }
}

TEST(ParticleEmitter, FullPoolSpawnsNothingButKeepsCounting)
{
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 4, 3);
    emitter->getParams().timeBetweenSpawns = 0.25f;
    for (int i = 0; i < 4; ++i) {
        UpdateContext context = frame(0.25f);
        system->update(context);
    }
    EXPECT_EQ(system->getCloud().getAliveCount(), 4u);
    EXPECT_EQ(emitter->getSpawnCount(), 4);
    EXPECT_FLOAT_EQ(emitter->getSpawnCountdown(), 0.25f);
}

TEST(ParticleEmitter, InitialValuesComeFromTheParams)
{
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 1, 1);
    emitter->setBounds({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)});
    ParticleEmitterParams& params = emitter->getParams();
    params.lifeMin = params.lifeMax = 2;
    params.velocityMin = params.velocityMax = D3DXVECTOR3(1, 2, 3);
    params.accelerationMin = params.accelerationMax = D3DXVECTOR3(0, -1, 0);
    params.sizeMin = params.sizeMax = 4;
    params.rotate = true;
    params.rotationMin = params.rotationMax = 0.5f;
    params.rotationSpeedMin = params.rotationSpeedMax = 2;
    params.emitterPosition = D3DXVECTOR3(5, 6, 7);
    UpdateContext context = frame(0.1f);
    system->update(context);
    const Particle* p = system->getCloud().getFirstAlive();
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->life, 2);
    EXPECT_FLOAT_EQ(p->remainingLife, 2);
    EXPECT_EQ(p->colour, 0xFFFFFFFFu);
    expectVec(p->position, D3DXVECTOR3(5, 6, 7), "position");
    expectVec(p->velocity, D3DXVECTOR3(1, 2, 3), "velocity");
    EXPECT_FLOAT_EQ(p->size, 4);
    EXPECT_TRUE(p->rotate);
    EXPECT_FLOAT_EQ(p->rotation, 0.5f);

    // The next frame moves it, turns it and ages it.
    context = frame(0.5f);
    system->update(context);
    expectVec(p->position, D3DXVECTOR3(5.5f, 7, 8.5f), "moved");
    expectVec(p->velocity, D3DXVECTOR3(1, 1.5f, 3), "accelerated");
    EXPECT_FLOAT_EQ(p->rotation, 1.5f);
    EXPECT_FLOAT_EQ(p->remainingLife, 1.5f);
}

TEST(ParticleEmitter, EmitterVelocityFollowsTheMoveFromTheFirstRealPosition)
{
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 10, 1);
    emitter->setBounds({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)});
    ParticleEmitterParams& params = emitter->getParams();
    params.useVelocityFromEmitter = true;
    params.emitterVelocityScale = 2;
    params.timeBetweenSpawns = 0;
    params.emitterPosition = D3DXVECTOR3(100, 0, 0);
    UpdateContext context = frame(0.1f);
    system->update(context);
    expectVec(emitter->getEmitterVelocity(), D3DXVECTOR3(0, 0, 0), "first frame: still");
    expectVec(system->getCloud().getFirstAlive()->velocity, D3DXVECTOR3(0, 0, 0), "first particle");

    params.emitterPosition = D3DXVECTOR3(101, 0, 0);
    system->update(context);
    expectVec(emitter->getEmitterVelocity(), D3DXVECTOR3(2, 0, 0), "per frame, scaled");
    expectVec(system->getCloud().getFirstAlive()->velocity, D3DXVECTOR3(2, 0, 0), "added to the particle");
}

TEST(ParticleEmitter, TextureRectangleComesFromTheAtlas)
{
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 2, 1);
    SmartRef<render::ITextureAtlas> atlas = render::createTextureAtlas();
    atlas->getData().rects["spark"] = render::TextureAtlasRect{0.25f, 0.5f, 0.25f, 0.5f};
    system->setTextureAtlas(atlas.get());
    emitter->getParams().textureId = "spark";
    UpdateContext context = frame(0.1f);
    system->update(context);
    const float* rect = system->getCloud().getFirstAlive()->textureRect;
    EXPECT_EQ(std::vector<float>(rect, rect + 4), (std::vector<float>{0.25f, 0.5f, 0.5f, 1.0f}));

    emitter->getParams().textureId = "unknown";
    emitter->update(context, system.get());
    rect = emitter->getTextureRect();
    EXPECT_EQ(std::vector<float>(rect, rect + 4), (std::vector<float>{0, 0, 1, 1}));
}

// Which face of the box from (-1, -2, -3) to (1, 2, 3) the offset lies on: -x, +x, -y, +y, -z, +z,
// or -1 for none.
int boxFaceOf(const D3DXVECTOR3& d)
{
    const float planes[6] = {-1, 1, -2, 2, -3, 3};
    const float axes[6] = {d.x, d.x, d.y, d.y, d.z, d.z};
    for (int face = 0; face < 6; ++face)
        if (axes[face] == planes[face])
            return face;
    return -1;
}

// The face is drawn from 0 to 6 inclusive and the last face takes both 5 and 6: +z gets 2/7 of
// the particles, each other face 1/7 (an even draw would give each 1/6).
TEST(ParticleEmitter, BoxSurfacePlacementGivesTheLastFaceTwiceTheShare)
{
    core::randomSeed(7);
    const D3DXVECTOR3 at(10, 20, 30);
    auto* box = new ParticleBoxEmitter();
    box->spawnOnBox(true);
    box->setBounds({D3DXVECTOR3(-1, -2, -3), D3DXVECTOR3(1, 2, 3)});
    box->getParams().emitterPosition = at;
    constexpr int count = 14000;
    SmartRef<ParticleSystem> system = systemWith(box, count, count);
    UpdateContext context = frame(0.01f);
    system->update(context);
    int perFace[6] = {};
    for (Particle* p = system->getCloud().getFirstAlive(); p; p = p->next) {
        const int face = boxFaceOf(p->position - at);
        ASSERT_NE(face, -1) << "on a face";
        ++perFace[face];
    }
    // Three standard deviations of either share stay under 0.012 of the whole.
    for (int face = 0; face < 6; ++face) {
        const double expected = face == 5 ? 2.0 / 7 : 1.0 / 7;
        EXPECT_NEAR(double(perFace[face]) / count, expected, 0.012) << "face " << face;
    }
}

TEST(ParticleEmitter, SphereSurfacePlacementLiesOnTheRadius)
{
    core::randomSeed(7);
    const D3DXVECTOR3 at(10, 20, 30);
    auto* sphere = new ParticleSphereEmitter();
    sphere->spawnOnSphere(true);
    sphere->setRadius(4);
    sphere->getParams().emitterPosition = at;
    SmartRef<ParticleSystem> system = systemWith(sphere, 50, 50);
    UpdateContext context = frame(0.01f);
    system->update(context);
    for (Particle* p = system->getCloud().getFirstAlive(); p; p = p->next) {
        const D3DXVECTOR3 d = p->position - at;
        EXPECT_NEAR(D3DXVec3Length(&d), 4, 1e-3f);
    }
}

TEST(ParticleEmitter, SphereVolumePlacementStaysInside)
{
    core::randomSeed(7);
    auto* inside = new ParticleSphereEmitter();
    inside->setRadius(4);
    SmartRef<ParticleSystem> system = systemWith(inside, 50, 50);
    UpdateContext context = frame(0.01f);
    system->update(context);
    for (Particle* p = system->getCloud().getFirstAlive(); p; p = p->next) {
        EXPECT_LE(std::fabs(p->position.x), 2);
        EXPECT_LE(std::fabs(p->position.y), 2);
        EXPECT_LE(std::fabs(p->position.z), 2);
    }
}

TEST(ParticleEmitter, CylinderPlacementStartsAtTheEmitter)
{
    core::randomSeed(7);
    const D3DXVECTOR3 at(10, 20, 30);
    auto* cylinder = new ParticleCylinderEmitter();
    cylinder->getParams().emitterPosition = at;
    SmartRef<ParticleSystem> system = systemWith(cylinder, 3, 3);
    UpdateContext context = frame(0.01f);
    system->update(context);
    expectVec(system->getCloud().getFirstAlive()->position, at, "cylinder");
}

TEST(ParticleEmitter, ParticlesDyingTogetherAllReturnToThePool)
{
    // Particles die in the same frame as many others: the walk goes on past each freed one.
    auto* emitter = new ParticleRandomEmitter();
    SmartRef<ParticleSystem> system = systemWith(emitter, 100, 100);
    emitter->getParams().lifeMin = emitter->getParams().lifeMax = 0.1f;
    emitter->getParams().timeBetweenSpawns = 10;
    UpdateContext context = frame(0.05f);
    system->update(context);
    EXPECT_EQ(system->getCloud().getAliveCount(), 100u);
    context = frame(1);
    system->update(context);
    EXPECT_EQ(system->getCloud().getAliveCount(), 0u);
    EXPECT_EQ(system->getCloud().getFirstAlive(), nullptr);
    // Every record is back in the free list.
    for (int i = 0; i < 100; ++i) {
        EXPECT_NE(system->getCloud().newParticle(), nullptr);
    }
}

class MeshEmitterTest : public DeviceTest {};

// A geometry whose 48-byte stream holds less than one vertex.
IGeometry* shortGeometry()
{
    render::IVertexBuffer* buffer = render::createVertexBuffer(40, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED);
    buffer->setData(new unsigned char[40]());
    render::IVertexStream* stream = render::createVertexStream();
    stream->addStream(0, 48, buffer, 0);
    IGeometry* geometry = createGeometry();
    geometry->setVertexStream(stream);
    return geometry;
}

TEST_F(MeshEmitterTest, SpawnsAtMeshVerticesOrNotAtAll)
{
    core::randomSeed(3);
    const std::vector<D3DXVECTOR3> vertices = {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
    struct Case {
        const char* what;
        SmartRef<IGeometry> mesh;
        uint32_t spawned;
    } cases[] = {
        {"no mesh", nullptr, 0},
        {"32-byte vertices", makeGeometry(vertices, 32), 0},
        {"less than a vertex", shortGeometry(), 0},
        {"48-byte vertices", makeGeometry(vertices, 48), 20},
    };
    for (Case& c : cases) {
        auto* emitter = new ParticleMeshEmitter();
        emitter->setMesh(c.mesh.get());
        emitter->getParams().emitterPosition = D3DXVECTOR3(10, 0, 0);
        emitter->getParams().timeBetweenSpawns = 5;
        SmartRef<ParticleSystem> system = systemWith(emitter, 20, 20);
        UpdateContext context = frame(0.5f);
        system->update(context);
        EXPECT_EQ(system->getCloud().getAliveCount(), c.spawned) << c.what;
        EXPECT_EQ(emitter->getSpawnCountdown(), c.spawned ? 5 : -0.5f) << c.what << ": countdown";
        for (Particle* p = system->getCloud().getFirstAlive(); p; p = p->next) {
            const D3DXVECTOR3 local = p->position - D3DXVECTOR3(10, 0, 0);
            const bool atVertex = std::find(vertices.begin(), vertices.end(), local) != vertices.end();
            EXPECT_TRUE(atVertex) << local.x << "," << local.y << "," << local.z;
        }
    }
}

TEST(ParticleModifiers, MoveParticlesAsWorkedOutByHand)
{
    {
        ParticlePlaneModifier plane;
        OneParticle one({0, 1, 0}, {0, -4, 0});
        one.step(plane, 0.5f);
        expectVec(one.p->position, D3DXVECTOR3(0, 1, 0), "bounced back up");
        expectVec(one.p->velocity, D3DXVECTOR3(0, 4, 0), "reflected");
    }
    {
        // A normal of length 2 is the same plane; damping and half bounce.
        ParticlePlaneModifier plane;
        plane.normal = D3DXVECTOR3(0, 2, 0);
        plane.bounce = 0.5f;
        plane.velocityDamping = D3DXVECTOR3(0, 0.5f, 0);
        plane.accelerationDamping = D3DXVECTOR3(0, 0.25f, 0);
        OneParticle one({0, 1, 0}, {0, -4, 0});
        one.p->acceleration = D3DXVECTOR3(0, -8, 0);
        one.step(plane, 0.5f);
        expectVec(one.p->position, D3DXVECTOR3(0, 0.5f, 0), "half the overshoot");
        expectVec(one.p->velocity, D3DXVECTOR3(0, 1, 0), "4 x 0.5 bounce x 0.5 damping");
        expectVec(one.p->acceleration, D3DXVECTOR3(0, -6, 0), "damped");
    }
    {
        ParticlePlaneModifier plane;
        OneParticle one({0, 0, 0}, {0, -4, 0});
        one.step(plane, 0.5f);
        expectVec(one.p->position, D3DXVECTOR3(0, -2, 0), "on the plane before the step: not bounced");
    }
    {
        ParticlePlaneModifier plane;
        plane.normal = D3DXVECTOR3(0, 0, 0);
        OneParticle one({0, 1, 0}, {0, -4, 0});
        one.step(plane, 0.5f);
        expectVec(one.p->position, D3DXVECTOR3(0, -1, 0), "no normal, no plane");
    }
    {
        ParticleAttractorModifier attractor;
        OneParticle one({5, 0, 0});
        one.step(attractor, 1);
        expectVec(one.p->position, D3DXVECTOR3(4.5f, 0, 0), "pulled by (1 - 5/10)");
        expectVec(one.p->velocity, D3DXVECTOR3(0, 0, 0), "velocity untouched");
    }
    {
        ParticleAttractorModifier attractor;
        OneParticle centre({0, 0, 0});
        centre.step(attractor, 1);
        expectVec(centre.p->position, D3DXVECTOR3(0, 0, 0), "at the attractor");
        OneParticle outside({12, 0, 0});
        outside.step(attractor, 1);
        expectVec(outside.p->position, D3DXVECTOR3(12, 0, 0), "outside the radius");
    }
    {
        ParticleLinearForceModifier force;
        force.direction = D3DXVECTOR3(0, 0, 2);
        OneParticle add({0, 0, 0}, {1, 0, 0});
        UpdateContext context = frame(0.5f);
        force.apply(context, add.p);
        expectVec(add.p->velocity, D3DXVECTOR3(1, 0, 1), "added");
        force.op = 1;
        force.apply(context, add.p);
        expectVec(add.p->velocity, D3DXVECTOR3(0.5f, 0, 1), "averaged");
    }
}

TEST(ParticleModifiers, CameraFadeScalesAlphaBetweenNearAndFar)
{
    ParticleCameraDistanceFadeModifier fade;
    struct Case {
        float distance;
        uint32_t alphaIn;
        uint32_t alphaOut;
    } cases[] = {{1, 255, 0}, {2, 255, 0}, {6, 255, 128}, {6, 128, 64}, {10, 200, 200}, {50, 255, 255}};
    for (const Case& c : cases) {
        OneParticle one({0, 0, c.distance});
        one.p->colour = c.alphaIn << 24 | 0x123456;
        UpdateContext context = frame(0.1f, D3DXVECTOR3(0, 0, 0));
        fade.apply(context, one.p);
        EXPECT_EQ(one.p->colour, c.alphaOut << 24 | 0x123456) << "distance " << c.distance;
    }
}

TEST(ParticleModifiers, SizeAndColourFollowTheAgeInThreeStages)
{
    ParticleSizeModifier size;
    size.startSize = 0;
    size.middleSize = 4;
    size.endSize = 8;
    size.middleTime = 0.5f;
    size.endTime = 0.75f;
    struct Case {
        float life;
        float remaining;
        float size;
    } cases[] = {{4, 4, 0}, {4, 3, 2}, {4, 1.5f, 4}, {4, 0.5f, 6}, {4, 0, 8}, {4, 5, 0}, {0, 0, 8}};
    for (const Case& c : cases) {
        OneParticle one({0, 0, 0});
        one.p->life = c.life;
        one.p->remainingLife = c.remaining;
        UpdateContext context = frame(0.1f);
        size.apply(context, one.p);
        EXPECT_FLOAT_EQ(one.p->size, c.size) << c.life << " " << c.remaining;
    }

    // The end stage starting at 1 is reached only at the very end, without dividing by zero.
    ParticleColorModifier colour;
    colour.startColour = colour.middleColour = D3DXVECTOR4(1, 0, 0, 0.5f);
    colour.endColour = D3DXVECTOR4(0, 0, 1, 1);
    colour.endStart = 1;
    for (float remaining : {1.0f, 0.5f, 0.0f}) {
        OneParticle one({0, 0, 0});
        one.p->remainingLife = remaining;
        UpdateContext context = frame(0.1f);
        colour.apply(context, one.p);
        EXPECT_EQ(one.p->colour, remaining > 0 ? 0x80FF0000u : 0xFF0000FFu) << remaining;
    }
}

// Ages across all three stages, with channels beyond 0..1, against the blend and packing written
// out channel by channel.
TEST(ParticleModifiers, ColourMatchesTheChannelFormulasAtEveryAge)
{
    ParticleColorModifier modifier;
    modifier.startColour = D3DXVECTOR4(1.3f, 0.1f, -0.2f, 0.7f);
    modifier.middleColour = D3DXVECTOR4(0.33f, 0.66f, 0.999f, 0.002f);
    modifier.endColour = D3DXVECTOR4(-1, 2, 0.5f, 1);
    modifier.middleStart = 0.3f;
    modifier.endStart = 0.8f;
    constexpr uint32_t count = 1001;
    ParticleCloud cloud;
    cloud.create(count);
    for (uint32_t i = 0; i < count; ++i) {
        Particle* p = cloud.newParticle();
        p->life = 2;
        p->remainingLife = 2 - 2 * float(p->index) / float(count - 1);
    }
    UpdateContext context = frame(0.1f);
    modifier.apply(context, cloud.getFirstAlive());
    auto mix = [](const D3DXVECTOR4& a, const D3DXVECTOR4& b, float s) { return a * (1 - s) + b * s; };
    for (Particle* p = cloud.getFirstAlive(); p; p = p->next) {
        const float f = std::clamp(1.0f - p->remainingLife / p->life, 0.0f, 1.0f);
        const D3DXVECTOR4 expected = f < 0.3f ? mix(modifier.startColour, modifier.middleColour, f / 0.3f)
            : f < 0.8f                       ? modifier.middleColour
                                             : mix(modifier.middleColour, modifier.endColour, (f - 0.8f) / (1.0f - 0.8f));
        ASSERT_EQ(p->colour, packColour(expected)) << "age " << f;
    }
}

TEST(ParticleModifiers, ColourAndFadeOrderDecidesTheAlpha)
{
    auto run = [](bool colourFirst) {
        auto* emitter = new ParticleRandomEmitter();
        emitter->setBounds({D3DXVECTOR3(0, 0, 6), D3DXVECTOR3(0, 0, 6)});
        SmartRef<ParticleSystem> system = systemWith(emitter, 1, 1);
        SmartRef<ParticleColorModifier> colour = new ParticleColorModifier();
        colour->startColour = colour->middleColour = colour->endColour = D3DXVECTOR4(1, 0, 0, 0.5f);
        SmartRef<ParticleCameraDistanceFadeModifier> fade = new ParticleCameraDistanceFadeModifier();
        if (colourFirst) {
            system->addModifier(colour.get());
        }
        system->addModifier(fade.get());
        if (!colourFirst) {
            system->addModifier(colour.get());
        }
        UpdateContext context = frame(0.1f);
        system->update(context);
        return system->getCloud().getFirstAlive()->colour;
    };
    EXPECT_EQ(run(true), 0x40FF0000u) << "faded after colouring: 128 x 0.5";
    EXPECT_EQ(run(false), 0x80FF0000u) << "the colour overwrites the fade";
}

TEST(ParticleSystem, PoolEmittersAndModifiersAreManaged)
{
    SmartRef<ParticleSystem> system = new ParticleSystem();
    EXPECT_EQ(system->getMaxParticles(), 1u);
    EXPECT_EQ(system->getCloud().getCapacity(), 1u);
    system->setMaxParticles(3);
    system->getCloud().newParticle();
    system->setMaxParticles(3);
    EXPECT_EQ(system->getCloud().getAliveCount(), 1u) << "the same size keeps the particles";
    system->setMaxParticles(4);
    EXPECT_EQ(system->getCloud().getAliveCount(), 0u);

    SmartRef<ParticleBoxEmitter> a = new ParticleBoxEmitter();
    SmartRef<ParticleBoxEmitter> b = new ParticleBoxEmitter();
    SmartRef<ParticleSizeModifier> m = new ParticleSizeModifier();
    system->addEmitter(a.get());
    system->addEmitter(b.get());
    system->addModifier(m.get());
    EXPECT_EQ(a->getRefCount(), 2);
    system->removeEmitter(a->getId());
    EXPECT_EQ(a->getRefCount(), 1);
    ASSERT_EQ(system->getEmitters().size(), 1u);
    EXPECT_EQ(system->getEmitters()[0], b.get());
    system->removeModifier(m->getId());
    EXPECT_TRUE(system->getModifiers().empty());

    // Clearing releases every entry and keeps the storage for the next fill.
    system->addEmitter(a.get());
    system->addModifier(m.get());
    const IParticleEmitter* const* storage = system->getEmitters().data();
    system->clearEmitters();
    system->clearModifiers();
    EXPECT_TRUE(system->getEmitters().empty());
    EXPECT_TRUE(system->getModifiers().empty());
    EXPECT_EQ(a->getRefCount(), 1);
    EXPECT_EQ(b->getRefCount(), 1);
    EXPECT_EQ(m->getRefCount(), 1);
    system->addEmitter(b.get());
    EXPECT_EQ(system->getEmitters().data(), storage);
    system->clearEmitters();

    // Nothing happens outside the third update phase.
    system->addEmitter(a.get());
    UpdateContext context = frame(0.1f);
    context.phase = 1;
    system->update(context);
    EXPECT_EQ(system->getCloud().getAliveCount(), 0u);
}

}  // namespace
}  // namespace kavro_test
