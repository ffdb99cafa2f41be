#include <tormakelin/fxcore/ParticleNodes.h>
#include <tormakelin/fxcore/ShaderEffect.h>

#include "MathNodeSupport.h"
#include "TextureEffectSupport.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/ParticleRender.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/TextureData.h>

#include <functional>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using texture_test::ResourceLookup;
using texture_test::setInputs;

namespace {

using Inputs = std::vector<std::pair<char const*, char const*>>;

// Made as the registry makes it, with its type's descriptor.
template <class T>
core::SmartRef<T> node()
{
    core::SmartRef<T> made(new T());
    static_cast<IPlugin&>(*made).setPluginDesc(T::_pluginDesc);
    return made;
}

void evalAgain(GraphNode& node)
{
    setInputs(node, {});
}

using fxcore::test::link;

// Links hold references both ways; nodes linked outside a graph are unlinked by the test's end.
struct UnlinkAtEnd {
    explicit UnlinkAtEnd(std::initializer_list<IGraphNode*> list) : nodes(list) {}
    ~UnlinkAtEnd()
    {
        for (IGraphNode* each : nodes)
            each->unlinkAll();
    }
    std::vector<IGraphNode*> nodes;
};

void disconnect(IGraphNode* from, char const* output, IGraphNode* to, char const* input)
{
    from->unlink(from->findOutput(output), to, to->findInput(input), true);
}

kavro::ParticleEmitterParams& paramsOf(ParticleEmitter& node)
{
    return node.getEmitter()->getParams();
}

// Where the emitter puts the one particle it spawns first.
D3DXVECTOR3 firstSpawnOf(ParticleEmitter& node)
{
    core::SmartRef<kavro::ParticleSystem> system = new kavro::ParticleSystem();
    system->setMaxParticles(4);
    kavro::UpdateContext context;
    context.phase = 2;
    node.getEmitter()->spawnParticles(context, system.get());
    kavro::Particle* first = system->getCloud().getFirstAlive();
    return first ? first->position : D3DXVECTOR3(-999.0f, -999.0f, -999.0f);
}

std::vector<std::function<core::SmartRef<ParticleEmitter>()>> const& emitterKinds()
{
    static std::vector<std::function<core::SmartRef<ParticleEmitter>()>> const kinds = {
        [] { return core::SmartRef<ParticleEmitter>(node<ParticleBoxEmitter>()); },
        [] { return core::SmartRef<ParticleEmitter>(node<ParticleCylinderEmitter>()); },
        [] { return core::SmartRef<ParticleEmitter>(node<ParticleSphereEmitter>()); },
        [] { return core::SmartRef<ParticleEmitter>(node<ParticleRandomEmitter>()); },
        [] { return core::SmartRef<ParticleEmitter>(node<ParticleMeshEmitter>()); },
    };
    return kinds;
}

} // namespace

TEST(ParticleEmitterNodes, CommonInputsReachTheEmitterParamsOfEveryKind)
{
    Inputs const inputs = {{"Attributes/Texture id", "spark"}, {"Attributes/Num Spawns", "3"},
        {"Attributes/Time between spawn", "0.5"}, {"Attributes/Num Particles", "7"}, {"Attributes/Min life", "1.5"},
        {"Attributes/Max life", "2.5"}, {"Velocity/Min velocity", "1,2,3"}, {"Velocity/Max velocity", "4,5,6"},
        {"Velocity/Min acceleration", "-1,-2,-3"}, {"Velocity/Max acceleration", "7,8,9"}, {"Size/Min", "0.25"},
        {"Size/Max", "3"}, {"Rotation/Rotate", "1"}, {"Rotation/Min", "90"}, {"Rotation/Max", "180"},
        {"Rotation/Min speed", "0.5"}, {"Rotation/Max speed", "1.5"}, {"Velocity/Use Velocity From Emitter", "1"},
        {"Velocity/Emitter Velocity Scale", "2"}, {"Transform/Position", "10,20,30"}};
    for (auto const& make : emitterKinds()) {
        core::SmartRef<ParticleEmitter> emitter = make();
        std::string const kind = emitter->getPluginDesc().path;
        EXPECT_NE(emitter->findOutput("Result"), nullptr) << kind;
        EXPECT_EQ(emitter->getTransform().type, kTransform3d) << kind;
        setInputs(*emitter, inputs);
        // Written again each frame: the angles must not compound.
        evalAgain(*emitter);
        kavro::ParticleEmitterParams const& p = paramsOf(*emitter);
        EXPECT_EQ(p.textureId, "spark") << kind;
        EXPECT_EQ(p.spawnLimit, 3) << kind;
        EXPECT_FLOAT_EQ(p.timeBetweenSpawns, 0.5f) << kind;
        EXPECT_EQ(p.particlesPerSpawn, 7) << kind;
        EXPECT_FLOAT_EQ(p.lifeMin, 1.5f) << kind;
        EXPECT_FLOAT_EQ(p.lifeMax, 2.5f) << kind;
        EXPECT_EQ(p.velocityMin, D3DXVECTOR3(1, 2, 3)) << kind;
        EXPECT_EQ(p.velocityMax, D3DXVECTOR3(4, 5, 6)) << kind;
        EXPECT_EQ(p.accelerationMin, D3DXVECTOR3(-1, -2, -3)) << kind;
        EXPECT_EQ(p.accelerationMax, D3DXVECTOR3(7, 8, 9)) << kind;
        EXPECT_FLOAT_EQ(p.sizeMin, 0.25f) << kind;
        EXPECT_FLOAT_EQ(p.sizeMax, 3.0f) << kind;
        EXPECT_TRUE(p.rotate) << kind;
        EXPECT_NEAR(p.rotationMin, 1.5707963f, 1e-6f) << kind;
        EXPECT_NEAR(p.rotationMax, 3.1415926f, 1e-6f) << kind;
        EXPECT_FLOAT_EQ(p.rotationSpeedMin, 0.5f) << kind;
        EXPECT_FLOAT_EQ(p.rotationSpeedMax, 1.5f) << kind;
        EXPECT_TRUE(p.useVelocityFromEmitter) << kind;
        EXPECT_FLOAT_EQ(p.emitterVelocityScale, 2.0f) << kind;
        EXPECT_EQ(p.emitterPosition, D3DXVECTOR3(10, 20, 30)) << kind;
        EXPECT_FLOAT_EQ(emitter->findInput("Rotation/Min")->value->getFloat(), 90.0f) << "the input keeps degrees";
    }
}

TEST(ParticleEmitterNodes, DefaultsAndParticlesPerSpawnClamp)
{
    core::SmartRef<ParticleEmitter> emitter = node<ParticleBoxEmitter>();
    evalAgain(*emitter);
    kavro::ParticleEmitterParams const& p = paramsOf(*emitter);
    EXPECT_EQ(p.textureId, "");
    EXPECT_EQ(p.spawnLimit, 0);
    EXPECT_FLOAT_EQ(p.timeBetweenSpawns, 0.25f);
    EXPECT_EQ(p.particlesPerSpawn, 20);
    EXPECT_FLOAT_EQ(p.lifeMin, 0.1f);
    EXPECT_FLOAT_EQ(p.lifeMax, 2.0f);
    EXPECT_EQ(p.velocityMin, D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    EXPECT_EQ(p.velocityMax, D3DXVECTOR3(5, 5, 5));
    EXPECT_FLOAT_EQ(p.sizeMin, 1.0f);
    EXPECT_FLOAT_EQ(p.sizeMax, 1.0f);
    EXPECT_FALSE(p.rotate);
    EXPECT_FLOAT_EQ(p.emitterVelocityScale, 1.0f);

    struct Case {
        char const* entered;
        int spawned;
    } const cases[] = {{"0", 1}, {"-5", 1}, {"1", 1}, {"20000", 20000}, {"50000", 20000}};
    for (Case const& c : cases) {
        setInputs(*emitter, {{"Attributes/Num Particles", c.entered}});
        EXPECT_EQ(paramsOf(*emitter).particlesPerSpawn, c.spawned) << c.entered;
    }
}

TEST(ParticleEmitterNodes, ShapeInputsDecideWhereParticlesStart)
{
    // Velocities are irrelevant: a spawned particle has not moved yet.
    core::SmartRef<ParticleBoxEmitter> box = node<ParticleBoxEmitter>();
    setInputs(*box, {{"Transform/Position", "1,2,3"}, {"Box/Min", "4,5,6"}, {"Box/Max", "4,5,6"}});
    EXPECT_EQ(firstSpawnOf(*box), D3DXVECTOR3(5, 7, 9));
    auto const* kavroBox = static_cast<kavro::ParticleBoxEmitter*>(box->getEmitter());
    EXPECT_EQ(kavroBox->getBounds().min, D3DXVECTOR3(4, 5, 6));

    core::SmartRef<ParticleRandomEmitter> random = node<ParticleRandomEmitter>();
    setInputs(*random, {{"Transform/Position", "1,2,3"}, {"Box/Min", "-1,0,1"}, {"Box/Max", "-1,0,1"}});
    EXPECT_EQ(firstSpawnOf(*random), D3DXVECTOR3(0, 2, 4));

    core::SmartRef<ParticleSphereEmitter> sphere = node<ParticleSphereEmitter>();
    setInputs(*sphere, {{"Transform/Position", "1,2,3"}, {"Sphere/Radius", "4"}, {"Sphere/Spawn on sphere", "1"}});
    D3DXVECTOR3 const offset = firstSpawnOf(*sphere) - D3DXVECTOR3(1, 2, 3);
    EXPECT_NEAR(D3DXVec3Length(&offset), 4.0f, 1e-4f) << "on the sphere's surface";

    core::SmartRef<ParticleCylinderEmitter> cylinder = node<ParticleCylinderEmitter>();
    auto const* kavroCylinder = static_cast<kavro::ParticleCylinderEmitter*>(cylinder->getEmitter());
    setInputs(*cylinder, {});
    EXPECT_FLOAT_EQ(kavroCylinder->getHeight(), 10.0f);
    EXPECT_FLOAT_EQ(kavroCylinder->getRadius(), 2.5f);
    setInputs(*cylinder, {{"Attributes/Cylinder/Height", "3"}, {"Attributes/Cylinder/Radius", "0.5"}});
    EXPECT_FLOAT_EQ(kavroCylinder->getHeight(), 3.0f);
    EXPECT_FLOAT_EQ(kavroCylinder->getRadius(), 0.5f);
}

TEST(ParticleEmitterNodes, MeshEmitterTakesTheLastMeshOfThatNameFromTheLinkedScene)
{
    ResourceLookup lookup;
    core::SmartRef<kavro::ISceneGraph> scene = kavro::createSceneGraph();
    std::vector<core::SmartRef<kavro::IGeometry>> geometries;
    auto addMesh = [&](char const* name, bool asPlainNode) {
        core::SmartRef<kavro::IGeometry> geometry = kavro::createGeometry();
        geometries.push_back(geometry);
        kavro::Node* made = nullptr;
        if (asPlainNode) {
            made = new kavro::Node();
        } else {
            auto* mesh = new kavro::Mesh();
            mesh->setGeometry(geometry.get());
            made = mesh;
        }
        made->setName(name);
        scene->addNode(made);
        return geometry.get();
    };
    addMesh("rock", false);
    kavro::IGeometry* lastRock = addMesh("rock", false);
    kavro::IGeometry* tree = addMesh("tree", false);
    addMesh("rock", true);
    auto* resource = new SceneResource();
    resource->setPluginDesc(SceneResource::_pluginDesc);
    resource->setScene(scene.get());
    std::string const sceneId = lookup.add(resource, "6A1F3C20-0000-4000-8000-000000000001");

    core::SmartRef<ParticleMeshEmitter> emitter = node<ParticleMeshEmitter>();
    auto const* kavroMesh = static_cast<kavro::ParticleMeshEmitter*>(emitter->getEmitter());
    struct Case {
        std::string scene;
        char const* name;
        kavro::IGeometry* expected;
    } const cases[] = {
        {sceneId, "rock", lastRock},
        {sceneId, "tree", tree},
        {sceneId, "Tree", nullptr},
        {sceneId, "", nullptr},
        {"0", "rock", nullptr},
    };
    for (Case const& c : cases) {
        setInputs(*emitter, {{"Mesh/Scene", c.scene.c_str()}, {"Mesh/Name", c.name}});
        EXPECT_EQ(kavroMesh->getMesh(), c.expected) << c.scene << " " << c.name;
    }
}

TEST(ParticleModifierNodes, InputsReachTheModifierFields)
{
    auto size = node<ParticleSizeModifier>();
    auto plane = node<ParticlePlaneModifier>();
    auto force = node<ParticleLinearForceModifier>();
    auto fade = node<ParticleCameraDistanceFadeModifier>();
    auto attractor = node<ParticleAttractorModifier>();
    auto* kSize = static_cast<kavro::ParticleSizeModifier*>(size->getModifier());
    auto* kPlane = static_cast<kavro::ParticlePlaneModifier*>(plane->getModifier());
    auto* kForce = static_cast<kavro::ParticleLinearForceModifier*>(force->getModifier());
    auto* kFade = static_cast<kavro::ParticleCameraDistanceFadeModifier*>(fade->getModifier());
    auto* kAttractor = static_cast<kavro::ParticleAttractorModifier*>(attractor->getModifier());

    // Defaults first, then entered values.
    std::initializer_list<GraphNode*> const all = {size.get(), plane.get(), force.get(), fade.get(), attractor.get()};
    for (GraphNode* each : all)
        evalAgain(*each);
    EXPECT_FLOAT_EQ(kSize->startSize, 0.0f);
    EXPECT_FLOAT_EQ(kSize->middleSize, 0.5f);
    EXPECT_FLOAT_EQ(kSize->endSize, 1.0f);
    EXPECT_FLOAT_EQ(kSize->middleTime, 2.0f);
    EXPECT_FLOAT_EQ(kSize->endTime, 4.0f);
    EXPECT_EQ(kPlane->normal, D3DXVECTOR3(0, 1, 0));
    EXPECT_FLOAT_EQ(kPlane->bounce, 0.5f);
    EXPECT_EQ(kPlane->velocityDamping, D3DXVECTOR3(0, 0.25f, 0));
    EXPECT_EQ(kPlane->accelerationDamping, D3DXVECTOR3(0, 0.1f, 0));
    EXPECT_EQ(kForce->op, 0);
    EXPECT_EQ(kForce->direction, D3DXVECTOR3(0, 0, 1));
    EXPECT_FLOAT_EQ(kFade->nearDistance, 0.5f) << "the default text carries a suffix";
    EXPECT_FLOAT_EQ(kFade->farDistance, 50.0f);
    EXPECT_FLOAT_EQ(kAttractor->radius, 10.0f);
    EXPECT_EQ(kAttractor->strength, D3DXVECTOR3(1, 1, 1));

    setInputs(*size, {{"Attributes/Start size", "1"}, {"Attributes/Middle size", "2"}, {"Attributes/End size", "3"},
                         {"Attributes/Middle time", "0.2"}, {"Attributes/End time", "0.7"}});
    EXPECT_FLOAT_EQ(kSize->startSize, 1.0f);
    EXPECT_FLOAT_EQ(kSize->middleSize, 2.0f);
    EXPECT_FLOAT_EQ(kSize->endSize, 3.0f);
    EXPECT_FLOAT_EQ(kSize->middleTime, 0.2f);
    EXPECT_FLOAT_EQ(kSize->endTime, 0.7f);
    setInputs(*plane, {{"Attributes/Position", "1,2,3"}, {"Attributes/Normal", "0,0,1"}, {"Attributes/Bounce", "0.9"},
                          {"Attributes/Velocity damping", "1,1,1"}, {"Attributes/Acceleration damping", "2,2,2"}});
    EXPECT_EQ(kPlane->point, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(kPlane->normal, D3DXVECTOR3(0, 0, 1));
    EXPECT_FLOAT_EQ(kPlane->bounce, 0.9f);
    EXPECT_EQ(kPlane->velocityDamping, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(kPlane->accelerationDamping, D3DXVECTOR3(2, 2, 2));
    setInputs(*force, {{"Attributes/Operator", "1"}, {"Attributes/Direction", "1,0,0"}});
    EXPECT_EQ(kForce->op, 1);
    EXPECT_EQ(kForce->direction, D3DXVECTOR3(1, 0, 0));
    ParameterOptions const& ops = force->findInput("Attributes/Operator")->value->getOptions();
    EXPECT_EQ(ops.at("Add"), 0);
    EXPECT_EQ(ops.at("Average"), 1);
    setInputs(*fade, {{"Attributes/Near plane", "3"}, {"Attributes/Far plane", "30"}});
    EXPECT_FLOAT_EQ(kFade->nearDistance, 3.0f);
    EXPECT_FLOAT_EQ(kFade->farDistance, 30.0f);
    setInputs(*attractor,
        {{"Attributes/Position", "5,5,5"}, {"Attributes/Radius", "2"}, {"Attributes/Strength", "3,2,1"}});
    EXPECT_EQ(kAttractor->position, D3DXVECTOR3(5, 5, 5));
    EXPECT_FLOAT_EQ(kAttractor->radius, 2.0f);
    EXPECT_EQ(kAttractor->strength, D3DXVECTOR3(3, 2, 1));

    for (GraphNode* each : std::initializer_list<GraphNode*>{size.get(), plane.get(), force.get(), attractor.get()})
        EXPECT_NE(each->findInput("Script/Script"), nullptr) << each->getPluginDesc().path;
    EXPECT_EQ(fade->findInput("Script/Script"), nullptr) << "the camera fade alone has no script";
}

TEST(ParticleModifierNodes, ColourInputsReachTheModifierAsFractionsEveryFrame)
{
    auto colour = node<ParticleColorModifier>();
    auto* kColour = static_cast<kavro::ParticleColorModifier*>(colour->getModifier());
    evalAgain(*colour);
    EXPECT_EQ(kColour->startColour, D3DXVECTOR4(0, 0, 0, 0));
    EXPECT_EQ(kColour->middleColour, D3DXVECTOR4(1, 1, 1, 1));
    EXPECT_FLOAT_EQ(kColour->middleStart, 0.1f);
    EXPECT_FLOAT_EQ(kColour->endStart, 0.9f);

    setInputs(*colour, {{"Attributes/Start Color", "255,0,0,255"}, {"Attributes/Middle Color", "0,51,0,102"},
                           {"Attributes/End Color", "0,0,255,0"}, {"Attributes/Middle Start", "0.3"},
                           {"Attributes/End Start", "0.6"}});
    evalAgain(*colour);
    evalAgain(*colour);
    EXPECT_EQ(kColour->startColour, D3DXVECTOR4(1, 0, 0, 1));
    EXPECT_NEAR(kColour->middleColour.y, 0.2f, 1e-6f);
    EXPECT_NEAR(kColour->middleColour.w, 0.4f, 1e-6f);
    EXPECT_EQ(kColour->endColour, D3DXVECTOR4(0, 0, 1, 0));
    EXPECT_FLOAT_EQ(kColour->middleStart, 0.3f);
    EXPECT_FLOAT_EQ(kColour->endStart, 0.6f);
    EXPECT_EQ(colour->findInput("Attributes/Start Color")->value->getColor(), D3DXVECTOR4(255, 0, 0, 255));
}

TEST(ParticleSystemNode, OwnsAMaterialAndSamplerAndClampsItsPool)
{
    auto system = node<ParticleSystemEffect>();
    EXPECT_EQ(system->getNodeType(), kGraphNodeEffect);
    ASSERT_NE(system->getSceneGraph(), nullptr);
    ASSERT_EQ(system->getSceneGraph()->getNodes().size(), 1u);
    EXPECT_EQ(system->getSceneGraph()->getNodes()[0], system->getParticleSystem());
    kavro::IMaterial* material = system->getMaterial();
    EXPECT_EQ(system->getParticleSystem()->getMaterial(), material) << "resolved in the graph";
    EXPECT_EQ(material->getName(), "Particle");
    EXPECT_EQ(material->getBlendMode(), 1);
    EXPECT_TRUE(material->isTwoSided());
    kavro::ITextureSampler* sampler = material->findTextureSampler("particle");
    ASSERT_NE(sampler, nullptr);
    EXPECT_NE(sampler->getTexture().object, nullptr);
    EXPECT_EQ(system->getOwnShader(), nullptr) << "no device to compile on";

    std::vector<std::string> names;
    for (NodeParameter const* input : system->getInputs())
        names.push_back(input->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Instance/Name", "Attributes/Texture", "Attributes/Blend Mode",
                         "Attributes/Max particles", "Attributes/Sort", "Attributes/Emitter", "Attributes/Modifier",
                         "Transform/Position", "Transform/Rotation", "Transform/Scale", "Attributes/Shader",
                         "Script/Script"}));

    struct Case {
        char const* entered;
        uint32_t pool;
    } const cases[] = {{"0", 1}, {"-3", 1}, {"2000", 2000}, {"100000", 100000}, {"200000", 100000}};
    for (Case const& c : cases) {
        setInputs(*system, {{"Attributes/Max particles", c.entered}});
        EXPECT_EQ(system->getParticleSystem()->getMaxParticles(), c.pool) << c.entered;
        EXPECT_EQ(system->getParticleSystem()->getCloud().getCapacity(), c.pool) << c.entered;
    }

    setInputs(*system, {{"Attributes/Sort", "1"}, {"Attributes/Blend Mode", "4"}, {"Attributes/Max particles", "8"}});
    EXPECT_TRUE(system->getParticleSystem()->isSorted());
    EXPECT_EQ(material->getBlendMode(), 4);

    // A reset empties the pool at the clamped size.
    system->getParticleSystem()->getCloud().newParticle();
    evalAgain(*system);
    EXPECT_EQ(system->getParticleSystem()->getCloud().getAliveCount(), 1u);
    system->reset();
    EXPECT_EQ(system->getParticleSystem()->getCloud().getAliveCount(), 0u);
    EXPECT_EQ(system->getParticleSystem()->getCloud().getCapacity(), 8u);
}

TEST(ParticleSystemNode, TheLoadedPoolSizeIsInPlaceBeforeTheFirstFrame)
{
    auto system = node<ParticleSystemEffect>();
    // As loading leaves it: the stored text in the input, the node not yet updated.
    system->findInput("Attributes/Max particles")->value->setText("300");
    system->resolve(nullptr);
    EXPECT_EQ(system->getParticleSystem()->getMaxParticles(), 300u);
    EXPECT_EQ(system->getParticleSystem()->getCloud().getCapacity(), 300u);
}

TEST(ParticleSystemNode, RelinksEmittersAndModifiersEveryFrameInLinkOrder)
{
    auto system = node<ParticleSystemEffect>();
    auto box = node<ParticleBoxEmitter>();
    auto sphere = node<ParticleSphereEmitter>();
    auto size = node<ParticleSizeModifier>();
    auto colour = node<ParticleColorModifier>();
    auto stack = node<NodeStack>();
    auto modifiers = node<NodeStack>();
    ASSERT_TRUE(link(sphere.get(), "Result", stack.get(), "Input-1"));
    ASSERT_TRUE(link(box.get(), "Result", stack.get(), "Input-2"));
    ASSERT_TRUE(link(stack.get(), "Output", system.get(), "Attributes/Emitter"));
    ASSERT_TRUE(link(colour.get(), "Result", modifiers.get(), "Input-1"));
    ASSERT_TRUE(link(size.get(), "Result", modifiers.get(), "Input-2"));
    ASSERT_TRUE(link(modifiers.get(), "Output", system.get(), "Attributes/Modifier"));
    // A modifier on the emitter input is not an emitter.
    auto wrong = node<ParticleAttractorModifier>();
    ASSERT_TRUE(link(wrong.get(), "Result", stack.get(), "Input-3"));
    UnlinkAtEnd const unlink{system.get(), stack.get(), modifiers.get()};

    kavro::ParticleSystem* kSystem = system->getParticleSystem();
    using Emitters = std::vector<kavro::IParticleEmitter*>;
    using Modifiers = std::vector<kavro::IParticleModifier*>;
    evalAgain(*system);
    EXPECT_EQ(kSystem->getEmitters(), (Emitters{sphere->getEmitter(), box->getEmitter()}));
    EXPECT_EQ(kSystem->getModifiers(), (Modifiers{colour->getModifier(), size->getModifier()}));

    // Every frame rebuilds the same lists in the same storage.
    auto const* emitterStorage = kSystem->getEmitters().data();
    auto const* modifierStorage = kSystem->getModifiers().data();
    for (int frame = 0; frame < 3; ++frame)
        evalAgain(*system);
    EXPECT_EQ(kSystem->getEmitters().size(), 2u);
    EXPECT_EQ(kSystem->getEmitters().data(), emitterStorage);
    EXPECT_EQ(kSystem->getModifiers().data(), modifierStorage);

    disconnect(sphere.get(), "Result", stack.get(), "Input-1");
    evalAgain(*system);
    EXPECT_EQ(kSystem->getEmitters(), (Emitters{box->getEmitter()})) << "gone at the next eval";

    // A single node links straight in too.
    disconnect(modifiers.get(), "Output", system.get(), "Attributes/Modifier");
    ASSERT_TRUE(link(size.get(), "Result", system.get(), "Attributes/Modifier"));
    evalAgain(*system);
    EXPECT_EQ(kSystem->getModifiers(), (Modifiers{size->getModifier()}));

    // The system holds its emitters only while they are linked.
    disconnect(stack.get(), "Output", system.get(), "Attributes/Emitter");
    evalAgain(*system);
    EXPECT_TRUE(kSystem->getEmitters().empty());
    EXPECT_EQ(box->getEmitter()->addRef(), 2) << "the node's own reference and this one";
    box->getEmitter()->release();
}

class ParticleSystemDeviceTest : public texture_test::FamilyDeviceTest {};

TEST_F(ParticleSystemDeviceTest, TextureResourcesSetTheTextureAndAtlasesTheAtlas)
{
    ResourceLookup lookup;
    render::ITexture* plainTexture = solidTexture(0xFFFFFFFF);
    render::ITexture* atlasTexture = solidTexture(0xFF00FF00);
    std::string const plainId = lookup.addTexture(plainTexture, "6A1F3C20-0000-4000-8000-000000000002");
    core::SmartRef<render::ITextureAtlas> atlas = render::createTextureAtlas();
    auto* atlasResource = new TextureAtlasResource();
    atlasResource->setPluginDesc(TextureAtlasResource::_pluginDesc);
    atlasResource->setAtlas(atlas.get());
    atlasResource->setTexture(atlasTexture);
    std::string const atlasId = lookup.add(atlasResource, "6A1F3C20-0000-4000-8000-000000000003");

    auto system = node<ParticleSystemEffect>();
    kavro::ITextureSampler* sampler = system->getMaterial()->findTextureSampler("particle");
    ASSERT_NE(sampler, nullptr);
    auto textureNow = [&] { return sampler->getTexture().object->getTexture(); };
    struct Case {
        std::string resource;
        render::ITexture* texture;
        render::ITextureAtlas* atlas;
    } const cases[] = {
        {atlasId, atlasTexture, atlas.get()},
        {plainId, plainTexture, nullptr},
        {atlasId, atlasTexture, atlas.get()},
        {"0", nullptr, nullptr},
    };
    for (Case const& c : cases) {
        setInputs(*system, {{"Attributes/Texture", c.resource.c_str()}});
        EXPECT_EQ(textureNow(), c.texture) << c.resource;
        EXPECT_EQ(system->getParticleSystem()->getTextureAtlas(), c.atlas) << c.resource;
    }
}

TEST_F(ParticleSystemDeviceTest, ALinkedShaderReplacesTheOwnOneUntilUnlinked)
{
    auto system = node<ParticleSystemEffect>();
    ASSERT_NE(system->getOwnShader(), nullptr);
    EXPECT_EQ(system->getMaterial()->getShader(), system->getOwnShader());
    auto shader = node<ShaderEffect>();
    UnlinkAtEnd const unlink{system.get()};
    shader->findInput("Attributes/Hlsl")->value->setText(kavro::getParticleEffectText());
    shader->createShader();
    ASSERT_NE(shader->getShader(), nullptr) << shader->getStatus();
    ASSERT_TRUE(link(shader.get(), "Result", system.get(), "Attributes/Shader"));
    evalAgain(*system);
    EXPECT_EQ(system->getMaterial()->getShader(), shader->getShader());
    EXPECT_EQ(system->getErrorString(), "");
    disconnect(shader.get(), "Result", system.get(), "Attributes/Shader");

    // A shader without the technique particles draw with is reported, once, and drawn with as linked.
    int warnings = 0;
    static int* counter = nullptr;
    counter = &warnings;
    core::setDebugCallback([](core::DebugType type, std::string const&, int, std::string const&, std::string const&) {
        *counter += type == core::DebugWarning ? 1 : 0;
        return true;
    });
    auto other = node<ShaderEffect>();
    other->findInput("Attributes/Hlsl")->value->setText(
        "float4 ps() : COLOR { return 1; }\ntechnique Glow { pass P { PixelShader = compile ps_3_0 ps(); } }\n");
    other->createShader();
    ASSERT_NE(other->getShader(), nullptr) << other->getStatus();
    ASSERT_TRUE(link(other.get(), "Result", system.get(), "Attributes/Shader"));
    evalAgain(*system);
    evalAgain(*system);
    core::setDebugCallback(nullptr);
    EXPECT_EQ(warnings, 1);
    EXPECT_NE(system->getErrorString().find("Solid"), std::string::npos) << system->getErrorString();
    EXPECT_EQ(system->getMaterial()->getShader(), other->getShader());

    disconnect(other.get(), "Result", system.get(), "Attributes/Shader");
    evalAgain(*system);
    EXPECT_EQ(system->getMaterial()->getShader(), system->getOwnShader());
    EXPECT_EQ(system->getErrorString(), "");
}

TEST_F(ParticleSystemDeviceTest, LinkedEmitterAndColourDrawThroughTheParticleRenderer)
{
    ResourceLookup lookup;
    std::string const white = lookup.addTexture(solidTexture(0xFFFFFFFF), "6A1F3C20-0000-4000-8000-000000000004");
    auto system = node<ParticleSystemEffect>();
    auto box = node<ParticleBoxEmitter>();
    auto colour = node<ParticleColorModifier>();
    UnlinkAtEnd const unlink{system.get()};
    ASSERT_TRUE(link(box.get(), "Result", system.get(), "Attributes/Emitter"));
    ASSERT_TRUE(link(colour.get(), "Result", system.get(), "Attributes/Modifier"));
    setInputs(*box, {{"Transform/Position", "0,0,5"}, {"Box/Min", "0,0,0"}, {"Box/Max", "0,0,0"},
                        {"Velocity/Min velocity", "0,0,0"}, {"Velocity/Max velocity", "0,0,0"},
                        {"Attributes/Num Particles", "1"}, {"Attributes/Min life", "100"},
                        {"Attributes/Max life", "100"}, {"Size/Min", "4"}, {"Size/Max", "4"}});
    Inputs const red = {{"Attributes/Start Color", "255,0,0,255"}, {"Attributes/Middle Color", "255,0,0,255"},
        {"Attributes/End Color", "255,0,0,255"}};
    setInputs(*colour, red);
    setInputs(*system, {{"Attributes/Texture", white.c_str()}, {"Attributes/Max particles", "16"}});

    core::SmartRef<kavro::IParticleRender> renderer = kavro::createParticleRender();
    ASSERT_TRUE(renderer);
    kavro::UpdateContext update;
    update.phase = 2;
    update.delta = 0.01f;
    system->getParticleSystem()->update(update);
    ASSERT_EQ(system->getParticleSystem()->getCloud().getAliveCount(), 1u);

    kavro::RenderPass pass;
    pass.technique = kavro::RenderTechnique_Blended;
    pass.particleRender = renderer.get();
    D3DXMatrixPerspectiveFovLH(&pass.projection, D3DX_PI / 2, 1.0f, 0.1f, 100.0f);
    clear({0, 0, 0, 255});
    system->getMaterial()->update(0);
    system->getParticleSystem()->render(pass);
    texture_test::Rgba const centre = pixel(32, 32);
    EXPECT_NEAR(centre.r, 255, 2);
    EXPECT_NEAR(centre.g, 0, 2);
    EXPECT_NEAR(centre.b, 0, 2);
    texture_test::Rgba const corner = pixel(2, 2);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0) << "outside the particle";
}
